#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariant>
#include <utility>
#include <vector>

// The address database file: one named SQLite connection, opened only on a
// file that exists, in WAL mode with a busy timeout so another program may use
// the file meanwhile. Given a connection text instead of a path, the same address book
// lives on a PostgreSQL server ("postgresql://host:port/name?user=..." or, through a
// socket folder, "postgresql:///name?host=/folder&user=..."); its password never appears
// in the text: libpq takes it from ~/.pgpass or PGPASSWORD.
//
// Every failure is thrown as a UserError whose Russian text names the file and
// what is wrong with it (missing, empty, not a database, damaged, a table
// missing, held by another program, read-only), with SQLite's own text in
// brackets where it has one, so that every window shows the same words.
class AddressDb {
public:
    // How long a statement waits for another program to release the file before it
    // fails as "held by another program".
    static constexpr int defaultBusyTimeout = 5000;

    explicit AddressDb(QString connectionName = QStringLiteral("envalo"));
    ~AddressDb();
    AddressDb(const AddressDb&) = delete;
    AddressDb& operator=(const AddressDb&) = delete;

    enum class Access { ReadWrite, ReadOnly, ReadWriteAsIs };
    // The three tables of an address book: recipients, senders, groups.
    static const QStringList& addressTables();

    // A missing file is an error and nothing is created in its place. A file
    // lacking one of the given tables is refused before anything is written to it.
    // ReadOnly is for programs that must leave the file as it is: SQLite refuses every
    // write, and the file keeps its journal mode. ReadWriteAsIs is for a program that
    // writes only to roll back: the file keeps its journal mode, which otherwise becomes
    // WAL, so that it stays byte for byte as it was.
    //
    // On a server, an empty database gets the three tables of data/schema-postgresql.sql,
    // and a table of the address book lacking one of its columns, or holding another kind of
    // value in one (text for a number, say), is refused before anything is changed. What the
    // opening adds (the tables, the ticks, the announcements) is added in one transaction;
    // with ReadWriteAsIs it is kept only when the first Transaction commits.
    void open(const QString& path, const QStringList& tables = {},
              Access access = Access::ReadWrite);
    // A connection text of a PostgreSQL server rather than the path of a file.
    static bool isServerText(const QString& target);
    // Whether the text carries a password in any form libpq reads ("user:secret@" or
    // "password=" of a URI, "password=" of a "key=value" list); an existing file's path does not.
    static bool holdsPassword(const QString& text);
    // Throws UserError, without the text, when it carries a password: such a text is never
    // used, kept or shown. open() refuses it first of all.
    static void refusePassword(const QString& text);
    void close();
    bool isOpen() const;
    // The file as opened, absolute, or the server's connection text.
    const QString& path() const { return m_path; }
    // Milliseconds; applies at once to an open file and to every later opening.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return m_busyTimeout; }

    // On a server that announces changes: how many changes other workstations have committed
    // to the address book since it was opened, asked of the server at once. -1 on a file, and
    // on a server whose tables do not announce them (a role that could not add that to an
    // address book made without it): there only reading the tables again shows changes.
    qint64 othersChanges();
    // A table or column name as the backend quotes it.
    QString quoted(const QString& name) const;
    // On a server, a recipient's tick is the connected role's own, kept apart from the row in
    // the table "ticks": the cursors read and write the recipients' column "galka" there.
    bool personalTicks(const QString& table) const;

    // The user's message for a failure of SQLite on the file at this path, or of the server
    // this connection text names.
    static QString failureText(const QString& path, const QSqlError& error);
    // For reading. A write made through it directly goes unseen by the cursors' refresh;
    // writes belong in the statements here and in TableCursor.
    QSqlDatabase database() const;

    // A statement that writes, for a program that fills the tables itself (a copy of a whole
    // address book, ids included): prepared once per text and kept like the cursors' own, so
    // that a row after row insert is parsed once. A failure is thrown as UserError with
    // failureText; cursors open on the database read their table again on refresh.
    void write(const QString& sql, const QVariantList& values = {});

    // "alter table `table` add profile text": true when the column was added.
    // Any failure is silent and gives false.
    bool createcolumn();
    // The three profile statements; every value is bound as a parameter.
    void resetProfiles(const QString& profile);
    void renameProfile(const QString& newName, const QString& oldName);
    void removeProfile(const QString& first, const QString& gone);

    // Whether a Transaction is open: a walk that writes many rows is under way.
    bool inTransaction() const { return m_transactions > 0; }
    // Whether the address book is on a server whose session ended after it was opened (the
    // server stopped or restarted, an administrator ended it, the network broke): every use
    // then fails until it is opened again.
    bool sessionEnded() const;

    // One transaction for a walk that writes many rows; rolled back unless committed. One made
    // while another is open is part of that one: its commit waits for the outer one's.
    class Transaction {
    public:
        explicit Transaction(AddressDb& db);
        ~Transaction();
        void commit();

    private:
        AddressDb& m_db;
        bool m_done = false;
        bool m_inner = false;
        // Whether it took over the changes the opening made to the tables.
        bool m_schema = false;
    };

private:
    friend class TableCursor;

    enum class Backend { File, Server };
    bool onServer() const { return m_backend == Backend::Server; }
    void openServer(const QString& text, const QStringList& tables, Access access);
    // The named connection with this driver, made anew when it had another one.
    QSqlDatabase connection(const QString& driver);

    void exec(const QString& sql, const QVariantList& values);
    // Runs a statement on the open file; a failure is thrown with failureText.
    QSqlQuery run(const QString& sql, const QVariantList& values = {});
    [[noreturn]] void fail(const QSqlError& error) const;
    // A statement prepared on first use and kept until the file is closed, so that a
    // write repeated row after row is not parsed again for every row. Throws UserError
    // with the database's text when it cannot be prepared.
    QSqlQuery& prepared(const QString& sql);
    // A count of commits made to the table by other connections since this one opened, which
    // changes whenever one is made: SQLite's for the whole file; on a server, the changes it
    // announced for the table. -1 when nothing tells (then only a read does).
    qint64 dataVersion(const QString& table);
    // Takes the server's announcements that arrived, after a round trip that makes sure those
    // of every change committed before it are among them. False when the connection failed.
    bool takeAnnouncements();
    // On a server, within the opening's transaction: notes whether the ticks are each role's
    // own (`ticks`: their table is there) and whether the tables announce their changes; what
    // is missing is added when `mayAdd` and the role owns the tables. Listens for the
    // announcements. True when something was added.
    bool addSharing(const QSqlDatabase& db, const QString& text, bool ticks, bool mayAdd);
    // Whether the server's session has ended while the address book was open.
    bool serverSessionGone() const;

    // Counts each opening of a connection and each write made through it (a rollback
    // included), so that a cursor can tell whether the file still holds what it read. Kept
    // per connection name, as Qt keeps the connections themselves.
    struct Changes {
        quint64 opened = 0;
        quint64 writes = 0;
    };
    static Changes& changesOf(const QString& connectionName);

    QString m_connectionName;
    QString m_path;
    Backend m_backend = Backend::File;
    int m_busyTimeout = defaultBusyTimeout;
    QHash<QString, QSqlQuery> m_statements;
    Changes& m_changes;
    int m_transactions = 0;
    // Statements that failed on a server, freed once the transaction they were in is rolled
    // back (the server refuses everything else in it) and the session is still there.
    std::vector<QSqlQuery> m_failedStatements;
    // On a server opened with ReadWriteAsIs: the changes the opening made to the tables wait in
    // a transaction that the first Transaction takes over; what sharing was before them.
    bool m_schemaPending = false;
    std::pair<bool, bool> m_beforeSchemaChanges;
    // On a server: whether the ticks are each role's own, whether the tables announce their
    // changes, and the announcements of other workstations taken so far, by table.
    bool m_personalTicks = false;
    bool m_announced = false;
    QHash<QString, qint64> m_announcements;
};

// A cursor over one whole table, read into memory in table order. Locating by
// name matches the whole name without regard to letter case (all of Unicode)
// through an index built when the table is read. Changes are written through
// to the file at once.
class TableCursor {
public:
    TableCursor(AddressDb& db, QString table, QString nameColumn, QString markColumn = {});

    // Reads the whole table; throws UserError with the database's text when the
    // table cannot be read.
    void open();
    void close();
    // Reads the table again when the file may hold something else than the rows: a commit
    // by another connection, or a write through this one that the rows do not show as a
    // read would. Otherwise only goes back to the first row.
    void refresh();
    bool isOpen() const { return m_open; }
    const QString& table() const { return m_table; }

    // Walk the rows in table order.
    void first();
    void next();
    bool eof() const;
    int rowCount() const;

    // Position on the first row (table order) whose name equals the text, letter
    // case aside; the cursor does not move when none does.
    bool locate(const QString& name);
    // Position on the first row whose mark column is yes.
    bool locateMark();

    // Columns of the current row; an empty value reads as "", 0 or false.
    QString text(const QString& column) const;
    qint64 integer(const QString& column) const;
    bool flag(const QString& column) const;

    // Store columns of the current row (edit, set, post). False when another
    // program has deleted the row meanwhile: nothing is stored then and the row
    // stays as it was read until the next refresh.
    bool update(const QHash<QString, QVariant>& values);
    // A yes/no column of many rows at once, for a list of names: a name stands for the row
    // that locate() finds for it, and a name that locates none is passed over. Only rows
    // that hold another value are written, in one statement per value whatever their
    // number, within a transaction of their own (so neither is called inside one). Neither
    // moves the cursor; each returns the number of rows written, and the rows show what the
    // file holds afterwards, failure or not.
    //
    // Gives every row named the value: all of them or, when the write or the commit fails,
    // none. The transaction is begun even when no row needs writing, so that a file another
    // program holds is an error either way.
    int setFlags(const QString& column, const QStringList& names, bool value);
    // Stores the value paired with each name; a row named more than once is written when
    // any of its names differs from it. Nothing is begun when nothing differs, so that a
    // file another program holds or a read-only one is no error then. Rows to be set are
    // written before rows to be cleared; when clearing fails, what setting stored stays in a
    // file (a server keeps nothing of a transaction that failed).
    int storeFlags(const QString& column, const std::vector<std::pair<QString, bool>>& values);
    // Add a row (insert, set, post); it becomes the current row.
    void insert(const QHash<QString, QVariant>& values);
    // Remove the current row; the cursor moves to the row after it.
    void remove();

private:
    struct Row {
        qint64 id = 0;
        QVariantList values;
        bool removed = false;
    };
    int columnIndex(const QString& column) const;
    // The row locate() finds for the name, -1 for none.
    int rowNamed(const QString& name) const;
    // The yes/no column for setFlags and storeFlags; refused when the cursor is not open.
    int flagColumn(const QString& column) const;
    // Whether the current row is still stored: another program may have deleted it.
    bool rowStored();
    // Gives these rows the value in one statement; rows and values as read stay untouched
    // until mirrorFlag.
    void writeFlag(int column, const std::vector<int>& rows, bool value);
    void mirrorFlag(int column, const std::vector<int>& rows, bool value);
    // The update statement for these columns, in this order, made once per shape.
    const QString& updateStatement(const QVarLengthArray<int, 8>& columns);
    int requireColumn(const QString& column) const;
    const Row& current() const;
    QString nameKey(int row) const;
    void index(int row);
    void unindex(int row);
    void skipRemoved();

    AddressDb& m_db;
    QString m_table;
    QString m_nameColumn;
    QString m_markColumn;
    bool m_open = false;
    QStringList m_columns;
    int m_idColumn = -1;
    int m_nameIndex = -1;
    int m_markIndex = -1;
    // The recipients' ticks on a server, each role's own: read from and written to the table
    // of ticks, never the row's own column. -1 elsewhere.
    int m_personalIndex = -1;
    std::vector<Row> m_rows;
    // Case-folded name to its rows in table order; most names are unique, so
    // one row is kept without a heap allocation.
    QHash<QString, QVarLengthArray<int, 1>> m_byName;
    int m_pos = 0;
    int m_live = 0;
    std::vector<std::pair<QVarLengthArray<int, 8>, QString>> m_updateStatements;

    // What the rows were read under. A refresh reads the table again unless the rows still
    // hold exactly what a read would give: the same connection, no commit by another
    // connection and no write through this one but this cursor's own exact ones.
    struct ReadState {
        quint64 opened = 0;
        quint64 writes = 0;
        qint64 dataVersion = -1;
    };
    ReadState m_read;
    // Per column: how SQLite stores a value bound to it, when a read gives the bound value
    // back unchanged; empty when the table's definition leaves any doubt (triggers, indexes,
    // constraints, hidden columns), and then every write means reading again.
    enum class Kept : quint8 { Integer, Text, Unsure };
    std::vector<Kept> m_kept;
    bool readIsCurrent() const;
    void noteWrite(bool mirroredExactly, bool wasCurrent);
    std::vector<Kept> keptValues(const QStringList& columns) const;
    std::vector<Kept> serverKeptValues(const QStringList& columns) const;
    static Kept keptFor(const QString& declared);
    static bool keptAsBound(Kept kept, const QVariant& value);
    static QVariant asRead(const QVariant& value);
};
