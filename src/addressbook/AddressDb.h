#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariant>
#include <vector>

// The address database file: one named SQLite connection, opened only on a
// file that exists, in WAL mode with a busy timeout so another program may use
// the file meanwhile.
class AddressDb {
public:
    explicit AddressDb(QString connectionName = QStringLiteral("envalo"));
    ~AddressDb();
    AddressDb(const AddressDb&) = delete;
    AddressDb& operator=(const AddressDb&) = delete;

    // Throws UserError with the database's own text; a missing file is an error
    // and nothing is created in its place. A file lacking one of the given
    // tables is refused before anything is written to it.
    void open(const QString& path, const QStringList& tables = {});
    void close();
    bool isOpen() const;
    const QString& path() const { return m_path; }
    QSqlDatabase database() const;

    // "alter table `table` add profile text": true when the column was added.
    // Any failure is silent and gives false.
    bool createcolumn();
    // The three profile statements; every value is bound as a parameter.
    void resetProfiles(const QString& profile);
    void renameProfile(const QString& newName, const QString& oldName);
    void removeProfile(const QString& first, const QString& gone);

    // One transaction for a walk that writes many rows; rolled back unless committed.
    class Transaction {
    public:
        explicit Transaction(AddressDb& db);
        ~Transaction();
        void commit();

    private:
        AddressDb& m_db;
        bool m_done = false;
    };

private:
    void exec(const QString& sql, const QVariantList& values);

    QString m_connectionName;
    QString m_path;
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
    std::vector<Row> m_rows;
    // Case-folded name to its rows in table order; most names are unique, so
    // one row is kept without a heap allocation.
    QHash<QString, QVarLengthArray<int, 1>> m_byName;
    int m_pos = 0;
    int m_live = 0;
};
