#include "core/addressbook/AddressCopy.h"

#include "core/addressbook/AddressDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {

const QString recipientTable = QStringLiteral("table");
const QString tickColumn = QStringLiteral("galka");
const QString profileColumn = QStringLiteral("profile");

bool onServer(const AddressDb& db) {
    return AddressDb::isServerText(db.path());
}

// The address book as the user knows it: the file's path, or the server's connection text.
QString shown(const AddressDb& db) {
    return onServer(db) ? db.path() : QDir::toNativeSeparators(db.path());
}

bool sameAddressBook(const AddressDb& a, const AddressDb& b) {
    if (onServer(a) != onServer(b))
        return false;
    if (onServer(a))
        return a.path() == b.path();
    // The file itself, not its name: another spelling, a symbolic link or a second (hard)
    // link of one file all lead to the same device and inode.
    struct stat first {};
    struct stat second {};
    if (::stat(QFile::encodeName(a.path()).constData(), &first) == 0 &&
        ::stat(QFile::encodeName(b.path()).constData(), &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    return QFileInfo(a.path()).canonicalFilePath() == QFileInfo(b.path()).canonicalFilePath();
}

QSqlQuery reading(const AddressDb& db, const QString& sql) {
    QSqlQuery query(db.database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw UserError(AddressDb::failureText(db.path(), query.lastError()));
    return query;
}

int columnIn(const QStringList& columns, const QString& name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList columnsOf(const AddressDb& db, const QString& table) {
    const QSqlQuery query =
        reading(db, QStringLiteral("select * from %1 where 1 = 0").arg(db.quoted(table)));
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns.append(record.fieldName(i));
    return columns;
}

TableRows readRows(const AddressDb& db, const QString& table, const QString& leftOut) {
    QSqlQuery query =
        reading(db, QStringLiteral("select * from %1 order by id").arg(db.quoted(table)));
    const QSqlRecord record = query.record();
    TableRows result{table, {}, {}};
    QList<int> kept;
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).compare(leftOut, Qt::CaseInsensitive) == 0)
            continue;
        result.columns.append(record.fieldName(i));
        kept.append(i);
    }
    while (query.next()) {
        QVariantList values;
        values.reserve(kept.size());
        for (int i : kept)
            values.append(query.value(i));
        result.rows.push_back(std::move(values));
    }
    if (query.lastError().isValid())
        throw UserError(AddressDb::failureText(db.path(), query.lastError()));
    return result;
}

// The recipients' ticks as the main window reads them, by id, so that a copy carries what the
// user sees ticked: 1 or 0, as the program stores one.
QHash<qint64, qint64> readTicks(AddressDb& db) {
    TableCursor cursor(db, recipientTable, QString());
    cursor.open();
    QHash<qint64, qint64> ticks;
    ticks.reserve(cursor.rowCount());
    for (cursor.first(); !cursor.eof(); cursor.next())
        ticks.insert(cursor.integer(QStringLiteral("id")), cursor.flag(tickColumn) ? 1 : 0);
    return ticks;
}

// The recipients with the tick as read in place of the stored value.
void putTicks(TableRows& recipients, const QHash<qint64, qint64>& ticks) {
    const int id = columnIn(recipients.columns, QStringLiteral("id"));
    recipients.columns.append(tickColumn);
    for (QVariantList& row : recipients.rows)
        row.append(ticks.value(row.at(id).toLongLong()));
}

// On a server where each role ticks for itself, the ticks copied become those of the role
// copying; the rows are new, so there are no others.
void storeOwnTicks(AddressDb& db, const TableRows& recipients) {
    if (!db.personalTicks(recipientTable))
        return;
    const int id = columnIn(recipients.columns, QStringLiteral("id"));
    const int tick = columnIn(recipients.columns, tickColumn);
    QStringList ids;
    for (const QVariantList& row : recipients.rows) {
        if (row.at(tick).toLongLong() != 0)
            ids.append(QString::number(row.at(id).toLongLong()));
    }
    if (!ids.isEmpty())
        db.write(QStringLiteral("insert into ticks (id) select unnest(cast(? as bigint[]))"),
                 {u'{' + ids.join(u',') + u'}'});
}

// The rows into the table of `to`, many to a statement: a statement per row costs a round trip
// per row on a server. The batches stay well under the number of values either database
// takes in one statement (SQLite 32,766, PostgreSQL 65,535).
void insertRows(AddressDb& to, const TableRows& rows, const QStringList& columns) {
    if (columns.isEmpty())
        return;
    constexpr qsizetype valuesPerStatement = 4000;
    const qsizetype batch = std::max<qsizetype>(1, valuesPerStatement / columns.size());
    const QString row =
        u'(' + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
    const QString start = QStringLiteral("insert into %1 (%2) values ")
                              .arg(to.quoted(rows.table), columns.join(QStringLiteral(", ")));
    QString fullBatch;
    QVariantList values;
    for (size_t first = 0; first < rows.rows.size(); first += size_t(batch)) {
        const size_t end = std::min(rows.rows.size(), first + size_t(batch));
        values.clear();
        for (size_t i = first; i < end; ++i)
            values.append(rows.rows[i]);
        const qsizetype count = qsizetype(end - first);
        // Full batches share one statement, prepared once.
        if (count == batch && fullBatch.isEmpty())
            fullBatch = start + QStringList(batch, row).join(QStringLiteral(", "));
        to.write(count == batch ? fullBatch
                                : start + QStringList(count, row).join(QStringLiteral(", ")),
                 values);
    }
}

// Ends a read of the whole source: nothing was written in it.
class ReadTogether {
public:
    explicit ReadTogether(AddressDb& db) : m_db(db) {
        // A server otherwise takes a new snapshot for each statement.
        reading(db, onServer(db)
                        ? QStringLiteral("begin transaction isolation level repeatable read")
                        : QStringLiteral("begin"));
    }
    ~ReadTogether() {
        QSqlDatabase db = m_db.database();
        if (db.isOpen())
            db.rollback();
    }
    ReadTogether(const ReadTogether&) = delete;
    ReadTogether& operator=(const ReadTogether&) = delete;

private:
    AddressDb& m_db;
};

qint64 rowsIn(const AddressDb& db, const QString& table) {
    QSqlQuery query = reading(db, QStringLiteral("select count(*) from %1").arg(db.quoted(table)));
    if (!query.next())
        throw UserError(AddressDb::failureText(db.path(), query.lastError()));
    return query.value(0).toLongLong();
}

} // namespace

CopyCounts copyAddressBook(AddressDb& from, AddressDb& to, bool replace) {
    if (!from.isOpen() || !to.isOpen())
        throw UserError(QStringLiteral("База данных адресов не открыта."));
    if (sameAddressBook(from, to))
        throw UserError(QStringLiteral("Адресная книга «%1» не может быть скопирована сама в себя.")
                            .arg(shown(to)));

    std::vector<TableRows> source;
    {
        const ReadTogether read(from);
        for (const QString& table : AddressDb::addressTables())
            source.push_back(
                readRows(from, table, table == recipientTable ? tickColumn : QString()));
        putTicks(source.front(), readTicks(from));
    }
    return copyAddressBook(source, shown(from), to, replace);
}

CopyCounts copyAddressBook(const std::vector<TableRows>& source, const QString& fromShown,
                           AddressDb& to, bool replace) {
    if (!to.isOpen())
        throw UserError(QStringLiteral("База данных адресов не открыта."));
    const QStringList& tables = AddressDb::addressTables();
    if (source.size() != size_t(tables.size()))
        throw UserError(QStringLiteral("В адресной книге «%1» не три таблицы.").arg(fromShown));

    AddressDb::Transaction transaction(to);
    CopyCounts held;
    held.recipients = int(rowsIn(to, tables.at(0)));
    held.senders = int(rowsIn(to, tables.at(1)));
    held.groups = int(rowsIn(to, tables.at(2)));
    if (!replace && (held.recipients > 0 || held.senders > 0 || held.groups > 0))
        throw AddressBookNotEmpty(QStringLiteral("В адресной книге «%1» уже есть записи: "
                                                 "получателей %2, отправителей %3, групп %4.")
                                      .arg(shown(to))
                                      .arg(held.recipients)
                                      .arg(held.senders)
                                      .arg(held.groups),
                                  held);

    // Every column the source has must have a place, or the copy would lose it; the one column
    // a table may lack is added as the program adds it to an address book from before it.
    std::vector<QStringList> targets;
    for (const TableRows& rows : source) {
        QStringList target = columnsOf(to, rows.table);
        for (const QString& column : rows.columns) {
            if (columnIn(target, column) >= 0)
                continue;
            if (rows.table == recipientTable &&
                column.compare(profileColumn, Qt::CaseInsensitive) == 0 && to.createcolumn()) {
                target.append(profileColumn);
                continue;
            }
            throw UserError(QStringLiteral("В таблице «%1» адресной книги «%2» нет поля «%3», "
                                           "которое есть в «%4»: копия была бы неполной.")
                                .arg(rows.table, shown(to), column, fromShown));
        }
        QStringList named;
        for (const QString& column : rows.columns)
            named.append(to.quoted(target.at(columnIn(target, column))));
        targets.push_back(named);
    }

    if (replace) {
        for (const QString& table : tables)
            to.write(QStringLiteral("delete from %1").arg(to.quoted(table)));
    }
    for (size_t t = 0; t < source.size(); ++t)
        insertRows(to, source[t], targets[t]);
    storeOwnTicks(to, source.front());
    // Ids the rows brought are past the server's own numbering, which would give them again;
    // it goes on after the largest (from 1 for an empty table). A sequence keeps its value
    // when the transaction is rolled back, which costs only unused ids.
    if (onServer(to)) {
        for (const QString& table : tables)
            to.write(QStringLiteral("select setval(pg_get_serial_sequence('%1', 'id'), "
                                    "coalesce(max(id), 1), max(id) is not null) from %1")
                         .arg(to.quoted(table)));
    }
    transaction.commit();

    CopyCounts counts;
    counts.recipients = int(source.at(0).rows.size());
    counts.senders = int(source.at(1).rows.size());
    counts.groups = int(source.at(2).rows.size());
    return counts;
}
