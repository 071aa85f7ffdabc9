#pragma once

#include "core/addressbook/AddressFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AddressDb;

// The page of the address book an import or export works on.
enum class AddressPage {
    Recipients, // `table`: name, komy, kyda, intyda
    Senders,    // table2: otkogo, otkyda, intyt
};

// Which columns of an address table make up a record. "Кому" and "Куда" may join
// several columns, with CR LF between the parts that are not empty. Senders have
// no "Кому".
struct ColumnMapping {
    int name = -1;
    // Further parts of the name (given name, middle name...): joined after the first with
    // spaces on one line; the parts are kept in the order an envelope writes them, family
    // name, given name, middle name.
    QList<int> moreName;
    QList<int> komy;
    QList<int> kyda;
    int index = -1;

    bool operator==(const ColumnMapping&) const = default;
    // As kept in the settings file: "name=0;komy=1,2;kyda=3;index=4" ("name=2,0,1" for a
    // name of several columns).
    QString toText() const;
    // A text that cannot be read gives the empty mapping.
    static ColumnMapping fromText(const QString& text);
    // As a person writes it for a file with these columns: each column by its number
    // (from 0) or by its name (letter case aside), "name=Имя;kyda=Улица,Город;index=4".
    // Throws UserError saying what cannot be read: an unknown field, a column the file
    // lacks, several columns for the index. Several columns for the name are its parts.
    static ColumnMapping parse(const QString& text, const QStringList& columns);
    // The name and the index are mapped, and every column mapped is one of these.
    bool fits(const QStringList& columns) const;
    // Columns named as this program's export names them, or as cards name them;
    // columns it does not know stay unmapped.
    static ColumnMapping guess(const AddressTable& table, AddressPage page);
    // As the settings file keeps the last import's choice: the columns by their names,
    // with the file's column count and (a digest of) its header row, so that it is used
    // again only for a file with the same columns.
    QString rememberedText(const AddressTable& table) const;
    enum class Source {
        Remembered,         // the last import's, of a file with the same columns
        RememberedByNumber, // an older program's column numbers, on a file without a header
        Guessed,            // recognised by the columns' names
    };
    // The mapping an import starts from: the one remembered from the last import
    // (rememberedText()) when this file has the same column count and header row, else
    // the guess. A remembered text of column numbers alone (as older versions kept it) is
    // used only for a file without a header row whose columns it fits: a file with named
    // columns may hold them in any order.
    static ColumnMapping initial(const AddressTable& table, AddressPage page,
                                 const QString& remembered, Source* source = nullptr);
};

// What an import does with a name the address book already has.
enum class DuplicateChoice {
    Skip,
    Update, // the existing record takes the file's texts and index
    Number, // added as "name (2)", "name (3)", ...
};

struct ImportOptions {
    AddressPage page = AddressPage::Recipients;
    ColumnMapping mapping;
    DuplicateChoice duplicates = DuplicateChoice::Skip;
    // Recipients imported or updated go into this group (made when new; one the book has
    // under other letters is joined as the book names it); empty: none.
    QString group;
    // A new recipient's print profile.
    QString profile;
    // Everything is done and reported, then rolled back: the address book stays as it
    // was, for a look at what an import would do.
    bool dryRun = false;
};

struct ImportReport {
    struct Skipped {
        int line = 0;
        QString reason;
        // What names the record for the user: its name, or for a row without one the first
        // line of its «Кому» or «Куда»; empty when the row has none of these.
        QString record;
    };
    int added = 0;
    int updated = 0;
    QList<Skipped> skipped;
    // The names of the records added or updated, in file order.
    QStringList names;
    // Of these, the records stored with index 0 (no index, or a postcode that is not a
    // Russian index, kept as the last line of "Куда"): the index is to be written in.
    QStringList withoutIndex;
    // Of these, the recipients whose «Кому» the import wrote from the name's columns
    // (a file without an addressee column) but left in the nominative: the gender or the
    // form of the name could not be told, «Кому» is to be looked at.
    QStringList nominative;
    bool cancelled = false;
};

// A Russian postal index: six digits, the first of them 1–6.
bool isRussianIndex(const QString& text);

// Reads the rows into the address book in one transaction. A row needs a name and an
// address ("Куда" or a postcode); one without a Russian index is stored with index 0 and
// listed in report.withoutIndex, its postcode (leading zeros and all) the last line of
// "Куда", so that nothing the file holds is lost. A recipient of a file with no
// addressee mapped whose name is of family name, given name and patronymic columns gets
// «Кому» in the dative, «Кузнецову Андрею Викторовичу» (Dative.h); one whose name cannot
// be put in the dative gets it as it is, and is listed in report.nominative. `progress` is told the
// rows done and the total now and then; when it gives false the import is cancelled and the address
// book is left exactly as it was (report.cancelled). Any failure throws UserError and leaves the
// address book as it was too.
ImportReport importAddresses(AddressDb& db, const AddressTable& table, const ImportOptions& options,
                             const std::function<bool(int done, int total)>& progress = {});

// A row of a file as import stores it: the record's name, «Кому» (empty for a sender),
// «Куда» and index (0 for none).
struct ImportedRecord {
    QString name, komy, kyda;
    int index = 0;
};

// The record the first row that makes one becomes under this mapping, exactly as
// importAddresses() would store it as a new record; none when no row makes one or no
// name column is chosen. For a look at the first envelope before anything is imported.
std::optional<ImportedRecord> firstImportedRecord(const AddressTable& table,
                                                  const ColumnMapping& mapping, AddressPage page);

enum class ExportFormat {
    CsvSpreadsheet, // Windows-1251 with ";", as a Russian Excel opens it
    CsvUtf8,        // UTF-8 with ","
    VCard,          // vCard 3.0, UTF-8
    Xlsx,           // an Excel workbook of text cells, the CSV's columns (XlsxWorkbook.h)
};

// The records of the page with these names (all when the list is empty), in the
// address book's order, in the layout that import reads back.
QByteArray exportAddresses(AddressDb& db, AddressPage page, const QStringList& names,
                           ExportFormat format);
