#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Address files as offices keep them: spreadsheets saved as CSV (a Russian Excel
// writes Windows-1251 with ";") or kept as workbooks (.xlsx, .xls, .ods: Spreadsheet.h),
// and contact cards (vCard 2.1, 3.0 and 4.0) from phones and mail programs. All are read
// into one table of text columns, so that one column mapping serves each.

enum class TextEncoding {
    Utf8,
    Utf8WithBom,
    Windows1251,
    Utf16Le, // with its byte order mark, as Excel saves «Unicode text»
    Utf16Be,
};

enum class AddressFileKind {
    Csv,
    VCard,
    Spreadsheet, // a workbook of Excel or LibreOffice
};

// One row of the table, with the line of the file it starts on (counting from 1).
struct AddressRow {
    int line = 0;
    QStringList fields;
    // Written by this program's export: the fields are the address book's values exactly
    // as they were (blanks, empty values and line breaks as they stand), not a person's
    // typing to be tidied.
    bool exact = false;
};

struct AddressTable {
    QStringList columns; // the column names: a CSV's header row, or the card fields
    QList<AddressRow> rows;
    // The columns have names of their own (a header row, the card fields); false for a CSV
    // read without a header row, whose columns are only numbered.
    bool named = true;
};

struct CsvFormat {
    QChar separator = u';';
    TextEncoding encoding = TextEncoding::Windows1251;
    bool hasHeader = true;
};

// The largest address file read: some ten times a file of 300,000 rows, so that an
// endless or mistaken source is refused before it fills the memory.
constexpr qint64 maxAddressFileBytes = 100 * 1024 * 1024;

// The bytes of the address file at `path`. Throws UserError naming the file when it is
// missing, a folder, not a regular file (a device, a FIFO, a socket: a source that may
// never end), larger than maxAddressFileBytes, or cannot be read.
QByteArray readAddressFile(const QString& path);
// Throws UserError naming the file when the table has no row to import: an empty file, a
// header row alone, a file of contact cards without a card.
void requireRows(const AddressTable& table, AddressFileKind kind, const QString& fileName);

// The kind of an address file from its content; throws UserError naming the file and
// what the program reads when the bytes are neither text nor a workbook (a picture, a
// document, a database), and naming the file and the fault for a workbook that cannot be
// read (damaged, protected by a password).
AddressFileKind addressFileKind(const QByteArray& data, const QString& fileName);

// The encoding (a UTF-8 or UTF-16 byte order mark; otherwise UTF-8 when the bytes are valid
// UTF-8, else Windows-1251), the separator (";", "," or a tab: the one that splits the
// first lines into the same number of fields; on a tie ";", as a Russian Excel writes)
// and whether the first row names the columns (it holds names that address book exports
// write, or no field of it is a number while some field below is, or its fields are
// distinct texts without digits while the rows below have some; a file of one row is a
// header row alone when no field of it is a number, since a record has its index).
CsvFormat detectCsvFormat(const QByteArray& data);
// Whether the first of these rows names the columns, by the rule above: a CSV file's rows
// and a sheet's alike.
bool firstRowNamesColumns(const QList<AddressRow>& rows);
// The rows as a table: the first row the column names when `hasHeader`; columns without a
// name called «Столбец N»; every row as wide as the widest.
AddressTable tableOfRows(QList<AddressRow> rows, bool hasHeader);
// Line ends as the program keeps them in an address: CR LF.
QString withCrLf(const QString& text);
QString decodeText(const QByteArray& data, TextEncoding encoding);
// Characters Windows-1251 lacks become 0x1A there: check with Cp1251::firstUnencodable
// first.
QByteArray encodeText(const QString& text, TextEncoding encoding);

// How the line breaks inside quoted fields are read.
enum class LineBreaks {
    CrLf,      // each (CR LF, LF or CR) becomes CR LF, as the program keeps them
    AsWritten, // kept as they are, for this program's own files
};

// Fields as spreadsheets write them: quoted fields may hold separators, doubled quotes
// and line breaks; rows end with CR LF, LF or CR; empty lines are skipped.
QList<AddressRow> parseCsv(QStringView text, QChar separator,
                           LineBreaks lineBreaks = LineBreaks::CrLf);
// A file whose header row is one that this program's export writes (ownCsvColumns) is
// read as written: its rows are exact.
AddressTable readCsv(const QByteArray& data, const CsvFormat& format);
// The header rows of this program's CSV export: of recipients and of senders.
QStringList ownCsvColumns(bool recipients);
// One row, quoted where a field needs it, ended by CR LF.
QString csvLine(const QStringList& fields, QChar separator);

// The card fields read from every card, in this order. The last, "Кому", is the
// addressee as this program writes it (X-ADDRESSEE).
QStringList vCardColumns();
// Russia by any of the names address books write for it («Россия», «РФ», "Russian
// Federation"...): left out of a domestic envelope's address.
bool isRussia(const QString& country);
// Folded lines, QUOTED-PRINTABLE and CHARSET (2.1), escapes (3.0, 4.0), several cards
// per file; a card's row line is its BEGIN line. Properties other than the columns'
// are skipped. A card with this program's PRODID (ownVCardProductId) is read exactly:
// values untrimmed, "\n" a CR LF, "\N" a lone LF and "\r" a lone CR, as the export
// writes them.
// A file of blanks alone gives a table without columns, as an empty CSV file does.
AddressTable readVCards(const QByteArray& data);
QString ownVCardProductId();
