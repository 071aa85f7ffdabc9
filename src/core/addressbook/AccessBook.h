#pragma once

#include "core/addressbook/AddressCopy.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// An address book that an older Windows version of the program kept in Microsoft Access
// (Jet 3, Jet 4 or ACE: .mdb, .accdb), read through Debian's libmdb (mdbtools), which returns
// text as UTF-8. libmdb keeps state of its own per process (the environment it reads, iconv),
// so every call stays on the thread that reads.

// The start of the file names Microsoft Jet or ACE.
bool isAccessFile(const QString& path);

// One table of an Access file as libmdb gives it: every value as text, NULL and empty alike
// as "". Texts longer than libmdb's bound buffer come over whole: the buffer grows and the
// table is read again. `firstBindSize` is that buffer's size at first (libmdb's own default).
struct AccessTable {
    QString name;
    QStringList columns;
    // libmdb's column types (MDB_BOOL, MDB_LONGINT, MDB_TEXT, MDB_MEMO, ...), per column.
    std::vector<int> types;
    std::vector<QStringList> rows;
    // libmdb's MDB_VER_* of the file, and the code page its header gives (Jet 3 text).
    int jetVersion = 0;
    int codePage = 0;
};
inline constexpr int defaultAccessBindSize = 16384;
// Refused with the file's name: not an Access file, damaged or cut short, encrypted, or
// without this table.
AccessTable readAccessTable(const QString& path, const QString& table,
                            int firstBindSize = defaultAccessBindSize);

// Names of a Jet 3 file whose header gives a Western code page (1252) while they are mostly
// letters of the upper half of that page, as Russian text written under such a header reads
// («Èâàíîâ» for «Иванов»): the first few names as read and as Windows-1251 reads their bytes.
struct CodePageDoubt {
    int codePage = 0;
    QStringList asRead;
    QStringList asCyrillic;
};
// The doubt for these names read under that code page, when there is one.
std::optional<CodePageDoubt> codePageDoubt(int codePage, const QStringList& names);
// The doubt told to the user: the file, its code page, and the names in both readings.
QString codePageText(const QString& path, const CodePageDoubt& doubt);
// Text decoded under Windows-1252, read as the same bytes under Windows-1251.
QString asCyrillic(const QString& western);

// The three tables of an Access address book, each column by name (letter case aside) as the
// program's own address book holds it: yes/no as 0 or 1, numbers as integers, texts as texts
// with their CR LF. What the program writes for an empty field stands for NULL and empty
// alike (libmdb cannot tell them apart): "" in a text, 0 in a number. A missing `profile`
// stays out (the copy leaves it empty, as the column upgrade does), a missing `id` is
// numbered in table order, a missing `groups` is empty, other columns are left out; any other
// column missing refuses the file, naming table and column.
class AccessBook {
public:
    // Reads the whole file; throws UserError with its name and the reason.
    explicit AccessBook(QString path, int firstBindSize = defaultAccessBindSize);

    // Absolute.
    const QString& path() const { return m_path; }
    // The rows for copyAddressBook.
    const std::vector<TableRows>& tables() const { return m_tables; }
    const std::optional<CodePageDoubt>& doubt() const { return m_doubt; }
    // Every text of a Jet 3 file read as Windows-1251 instead of its header's Western code
    // page; nothing changes for another file.
    void readAsCyrillic();

private:
    bool m_western = false;
    QString m_path;
    std::vector<TableRows> m_tables;
    std::vector<std::vector<bool>> m_textColumns;
    std::optional<CodePageDoubt> m_doubt;
};

// The Access address book into `to`, through the one copy of whole address books.
CopyCounts copyAccessBook(const AccessBook& from, AddressDb& to, bool replace);

// What a conversion of the program folder's Access address book left.
struct ConvertedBook {
    CopyCounts counts;
    // Where the Access file now lies.
    QString keptAs;
};
// The name the Access file at `path` would be kept under beside it: one that names what it is
// and that no file has.
QString keptAccessName(const QString& path);
// Makes `path`, an Access address book, a file of the program's own: a new file from
// `schema` (data/schema.sql unless given) holds every row in one transaction, and it takes
// the name once the Access file has moved aside to keptAccessName(). On any failure the
// Access file stays under its name byte for byte and no new file is left.
ConvertedBook convertAccessFile(const AccessBook& book, const QString& schema = {});
