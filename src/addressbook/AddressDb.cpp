#include "addressbook/AddressDb.h"

#include "app/UserError.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace {

QString quoted(const QString& name) {
    QString inner = name;
    return u'`' + inner.replace(u'`', QStringLiteral("``")) + u'`';
}

// SQLite's own message says what went wrong; Qt's part ("Unable to execute
// statement") adds nothing for the user.
QString errorText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("Неизвестная ошибка базы данных.") : text;
}

// Column names in SQL ignore letter case.
int columnIn(const QStringList& columns, const QString& name) {
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Without this check QSqlQuery prints "database not open" instead of failing quietly.
void requireOpen(const QSqlDatabase& db) {
    if (!db.isOpen())
        throw UserError(QStringLiteral("База данных адресов не открыта."));
}

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    requireOpen(db);
    QSqlQuery query(db);
    if (!query.prepare(sql))
        throw UserError(errorText(query.lastError()));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw UserError(errorText(query.lastError()));
    return query;
}

// SQLite stores a yes/no as 0/1; keeping the bound value as the file holds it
// makes text() read the same before and after a refresh.
QVariant storable(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return QVariant(qint64(value.toBool() ? 1 : 0));
    return value;
}

} // namespace

AddressDb::AddressDb(QString connectionName) : m_connectionName(std::move(connectionName)) {}

AddressDb::~AddressDb() {
    close();
    // Every QSqlDatabase handle is a temporary here, so Qt finds the connection unused.
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

void AddressDb::open(const QString& path, const QStringList& tables) {
    close();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    {
        QSqlDatabase db =
            QSqlDatabase::contains(m_connectionName)
                ? QSqlDatabase::database(m_connectionName, false)
                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: SQLite refuses a missing file instead of creating an empty one.
        // An encoded URI keeps '#', '?', '%' and spaces part of the file name.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?mode=rw"));
        if (!db.open())
            throw UserError(errorText(db.lastError()));

        try {
            // SQLite reads the file only on the first query: a text file or a
            // truncated copy is found out here, before anything is written.
            int schemaObjects = 0;
            {
                QSqlQuery probe = run(db, QStringLiteral("select count(*) from sqlite_master"));
                if (!probe.next())
                    throw UserError(errorText(probe.lastError()));
                schemaObjects = probe.value(0).toInt();
            }
            // A file that lacks a table is refused before anything is written to it.
            for (const QString& table : tables) {
                QSqlQuery query(db);
                query.prepare(QStringLiteral(
                    "select 1 from sqlite_master where type='table' and name=? collate nocase"));
                query.addBindValue(table);
                if (!query.exec())
                    throw UserError(errorText(query.lastError()));
                if (!query.next())
                    throw UserError(QStringLiteral("no such table: ") + table);
            }
            run(db, QStringLiteral("pragma busy_timeout=5000"));
            // Switching to WAL writes the header, which would turn an empty file
            // into a database; it fails in a read-only folder, where the file is
            // still usable in its own journal mode.
            if (schemaObjects > 0) {
                try {
                    run(db, QStringLiteral("pragma journal_mode=WAL"));
                } catch (const UserError&) {
                }
            }
            run(db, QStringLiteral("pragma synchronous=NORMAL"));
        } catch (const UserError&) {
            // Closing also removes the -wal and -shm SQLite made for a truncated WAL file.
            db.close();
            throw;
        }
    }
    m_path = path;
}

void AddressDb::close() {
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
    m_path.clear();
}

bool AddressDb::isOpen() const {
    return QSqlDatabase::contains(m_connectionName) &&
           QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase AddressDb::database() const {
    return QSqlDatabase::database(m_connectionName, false);
}

bool AddressDb::createcolumn() {
    if (!isOpen())
        return false;
    QSqlQuery query(database());
    return query.exec(QStringLiteral("alter table `table` add profile text"));
}

void AddressDb::resetProfiles(const QString& profile) {
    exec(QStringLiteral("update `table` set profile=?"), {profile});
}

void AddressDb::renameProfile(const QString& newName, const QString& oldName) {
    exec(QStringLiteral("update `table` set profile=? where profile=?"), {newName, oldName});
}

void AddressDb::removeProfile(const QString& first, const QString& gone) {
    exec(QStringLiteral("update `table` set profile=? where profile=?"), {first, gone});
}

void AddressDb::exec(const QString& sql, const QVariantList& values) {
    run(database(), sql, values);
}

// "begin immediate" takes the write lock at once, waiting out the busy timeout;
// a plain "begin" that reads first fails at its first write, without waiting,
// when another program wrote meanwhile.
AddressDb::Transaction::Transaction(AddressDb& db) : m_db(db) {
    run(m_db.database(), QStringLiteral("begin immediate"));
}

AddressDb::Transaction::~Transaction() {
    if (m_done)
        return;
    QSqlDatabase db = m_db.database();
    if (db.isOpen())
        db.rollback();
}

void AddressDb::Transaction::commit() {
    if (m_done)
        return;
    QSqlDatabase db = m_db.database();
    requireOpen(db);
    if (!db.commit())
        throw UserError(errorText(db.lastError()));
    m_done = true;
}

TableCursor::TableCursor(AddressDb& db, QString table, QString nameColumn, QString markColumn)
    : m_db(db), m_table(std::move(table)), m_nameColumn(std::move(nameColumn)),
      m_markColumn(std::move(markColumn)) {}

void TableCursor::open() {
    close();
    const QSqlDatabase db = m_db.database();
    requireOpen(db);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from %1 order by id").arg(quoted(m_table))))
        throw UserError(errorText(query.lastError()));

    const QSqlRecord record = query.record();
    const int columnCount = record.count();
    QStringList columns;
    columns.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i)
        columns.append(record.fieldName(i));
    const int idColumn = columnIn(columns, QStringLiteral("id"));
    const int nameIndex = columnIn(columns, m_nameColumn);
    const int markIndex = columnIn(columns, m_markColumn);
    for (const auto& [name, at] :
         {std::pair(QStringLiteral("id"), idColumn), std::pair(m_nameColumn, nameIndex),
          std::pair(m_markColumn, markIndex)}) {
        if (!name.isEmpty() && at < 0)
            throw UserError(QStringLiteral("В таблице %1 нет поля %2.").arg(m_table, name));
    }

    std::vector<Row> rows;
    rows.reserve(m_rows.capacity());
    while (query.next()) {
        Row row;
        row.values.reserve(columnCount);
        for (int i = 0; i < columnCount; ++i)
            row.values.append(query.value(i));
        row.id = row.values.at(idColumn).toLongLong();
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        throw UserError(errorText(query.lastError()));

    m_columns = std::move(columns);
    m_idColumn = idColumn;
    m_nameIndex = nameIndex;
    m_markIndex = markIndex;
    m_rows = std::move(rows);
    m_live = int(m_rows.size());
    if (m_nameIndex >= 0) {
        m_byName.reserve(m_live);
        for (int i = 0; i < m_live; ++i)
            index(i);
    }
    m_pos = 0;
    m_open = true;
}

void TableCursor::close() {
    m_open = false;
    m_columns.clear();
    m_idColumn = m_nameIndex = m_markIndex = -1;
    m_rows.clear();
    m_byName.clear();
    m_pos = 0;
    m_live = 0;
}

void TableCursor::refresh() {
    open();
}

void TableCursor::first() {
    m_pos = 0;
    skipRemoved();
}

void TableCursor::next() {
    if (eof())
        return;
    ++m_pos;
    skipRemoved();
}

bool TableCursor::eof() const {
    return !m_open || m_pos >= int(m_rows.size());
}

int TableCursor::rowCount() const {
    return m_live;
}

bool TableCursor::locate(const QString& name) {
    if (!m_open || m_nameIndex < 0)
        return false;
    const auto found = m_byName.constFind(name.toCaseFolded());
    if (found == m_byName.cend() || found->isEmpty())
        return false;
    // Removed rows leave the index, so the first row listed is live.
    m_pos = found->first();
    return true;
}

bool TableCursor::locateMark() {
    if (!m_open)
        return false;
    const int mark = m_markIndex >= 0 ? m_markIndex : requireColumn(m_markColumn);
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const Row& row = m_rows[i];
        if (!row.removed && row.values.at(mark).toBool()) {
            m_pos = i;
            return true;
        }
    }
    return false;
}

QString TableCursor::text(const QString& column) const {
    const int i = requireColumn(column);
    return eof() ? QString() : current().values.at(i).toString();
}

qint64 TableCursor::integer(const QString& column) const {
    const int i = requireColumn(column);
    return eof() ? 0 : current().values.at(i).toLongLong();
}

bool TableCursor::flag(const QString& column) const {
    const int i = requireColumn(column);
    return !eof() && current().values.at(i).toBool();
}

bool TableCursor::update(const QHash<QString, QVariant>& values) {
    if (eof())
        throw UserError(QStringLiteral("Нет текущей записи в таблице %1.").arg(m_table));
    if (values.isEmpty())
        return true;
    QStringList assignments;
    QVariantList bound;
    std::vector<int> targets;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int column = requireColumn(it.key());
        if (column == m_idColumn)
            throw UserError(QStringLiteral("Поле id не изменяется."));
        assignments.append(quoted(m_columns.at(column)) + QStringLiteral("=?"));
        bound.append(storable(it.value()));
        targets.push_back(column);
    }
    bound.append(current().id);
    const QSqlQuery query = run(m_db.database(),
                                QStringLiteral("update %1 set %2 where id=?")
                                    .arg(quoted(m_table), assignments.join(QStringLiteral(", "))),
                                bound);
    if (query.numRowsAffected() == 0)
        return false;

    const bool renamed = std::find(targets.begin(), targets.end(), m_nameIndex) != targets.end();
    if (renamed)
        unindex(m_pos);
    Row& row = m_rows[m_pos];
    for (std::size_t i = 0; i < targets.size(); ++i)
        row.values[targets[i]] = bound.at(qsizetype(i));
    if (renamed)
        index(m_pos);
    return true;
}

void TableCursor::insert(const QHash<QString, QVariant>& values) {
    if (!m_open)
        throw UserError(QStringLiteral("Таблица %1 не открыта.").arg(m_table));
    QStringList names;
    QVariantList bound;
    std::vector<int> targets;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int column = requireColumn(it.key());
        // The new row must come last in table order, which SQLite's own id ensures.
        if (column == m_idColumn)
            throw UserError(QStringLiteral("Поле id назначает база данных."));
        names.append(quoted(m_columns.at(column)));
        bound.append(storable(it.value()));
        targets.push_back(column);
    }
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(quoted(m_table))
            : QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(quoted(m_table), names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    const QSqlQuery query = run(m_db.database(), sql, bound);

    Row row;
    row.id = query.lastInsertId().toLongLong();
    row.values.resize(m_columns.size());
    row.values[m_idColumn] = row.id;
    for (std::size_t i = 0; i < targets.size(); ++i)
        row.values[targets[i]] = bound.at(qsizetype(i));
    m_rows.push_back(std::move(row));
    m_pos = int(m_rows.size()) - 1;
    ++m_live;
    if (m_nameIndex >= 0)
        index(m_pos);
}

void TableCursor::remove() {
    if (eof())
        throw UserError(QStringLiteral("Нет текущей записи в таблице %1.").arg(m_table));
    // No row deleted means another program removed it first: gone either way.
    run(m_db.database(), QStringLiteral("delete from %1 where id=?").arg(quoted(m_table)),
        {current().id});
    if (m_nameIndex >= 0)
        unindex(m_pos);
    Row& row = m_rows[m_pos];
    row.removed = true;
    row.values = QVariantList();
    --m_live;
    ++m_pos;
    skipRemoved();
}

int TableCursor::columnIndex(const QString& column) const {
    return columnIn(m_columns, column);
}

int TableCursor::requireColumn(const QString& column) const {
    const int i = columnIndex(column);
    if (i < 0) {
        throw UserError(m_open ? QStringLiteral("В таблице %1 нет поля %2.").arg(m_table, column)
                               : QStringLiteral("Таблица %1 не открыта.").arg(m_table));
    }
    return i;
}

const TableCursor::Row& TableCursor::current() const {
    return m_rows[m_pos];
}

QString TableCursor::nameKey(int row) const {
    return m_rows[row].values.at(m_nameIndex).toString().toCaseFolded();
}

void TableCursor::index(int row) {
    auto& rows = m_byName[nameKey(row)];
    // Rows are indexed in table order when read and when added; only a rename
    // lands in the middle.
    if (rows.isEmpty() || rows.last() < row)
        rows.append(row);
    else
        rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

void TableCursor::unindex(int row) {
    const auto found = m_byName.find(nameKey(row));
    if (found == m_byName.end())
        return;
    const auto at = std::find(found->begin(), found->end(), row);
    if (at != found->end())
        found->erase(at);
    if (found->isEmpty())
        m_byName.erase(found);
}

void TableCursor::skipRemoved() {
    while (m_pos < int(m_rows.size()) && m_rows[m_pos].removed)
        ++m_pos;
}
