#include "ServerDatabase.h"
#include "core/UserError.h"
#include "core/addressbook/AddressCopy.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/SqlScript.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { File, Server };

QString schema() {
    return readTextFile(ENVALO_DATA_DIR "/schema.sql");
}

// An address book from before profiles: `table` has no profile column.
const QString legacySchema = u"create table `table` (id integer primary key, name text, komy "
                             "text, kyda text,\n"
                             "  intyda integer, galka integer, `groups` text);\n"
                             "create table table2 (id integer primary key, otkogo text, otkyda "
                             "text, intyt integer,\n"
                             "  `default` integer);\n"
                             "create table `groups` (id integer primary key, pname text, `check` "
                             "integer);\n"_s;

// The address book every copy starts from: ids with gaps, Cyrillic texts, CR LF inside a text,
// a quote, empty texts and NULLs, ticked and unticked recipients.
QString sourceRows(bool withProfile) {
    const QString profile = withProfile ? u", profile"_s : QString();
    const auto value = [withProfile](const QString& text) {
        return withProfile ? u", "_s + text : QString();
    };
    return u"insert into `table` (id, name, komy, kyda, intyda, galka, `groups`%1) values\n"
           "  (3, 'Иванов Иван Иванович', 'Иванову' || char(13) || char(10) || 'Ивану "
           "Ивановичу',\n"
           "   'ул. Мира, 1' || char(13) || char(10) || 'г. Тула', 300000, 1, 'Партнёры'%2),\n"
           "  (7, 'Петрова «Ёлка» O''Neil', NULL, '', NULL, 0, NULL%3),\n"
           "  (12, 'Сидоров', 'Кому', 'Куда', 0, 1, 'Партнёры;Архив'%4);\n"
           "insert into table2 (id, otkogo, otkyda, intyt, `default`) values\n"
           "  (2, 'ООО «Ромашка»', 'г. Москва', 101000, 1), (5, 'Склад', NULL, NULL, 0);\n"
           "insert into `groups` (id, pname, `check`) values (4, 'Партнёры', 1), (9, 'Архив', "
           "NULL);\n"_s.arg(profile, value(u"'Конверт DL'"_s), value(u"NULL"_s),
                            value(u"'Конверт C5'"_s));
}

// A destination that holds rows already: one recipient and one sender.
const QString heldRows =
    u"insert into `table` (id, name, galka) values (40, 'Старый получатель', 1);\n"
    "insert into table2 (id, otkogo) values (1, 'Старый отправитель');\n"_s;

// The columns compared, in order; a column a table lacks reads as NULL.
const QList<std::pair<QString, QStringList>>& comparedColumns() {
    static const QList<std::pair<QString, QStringList>> columns{
        {u"table"_s,
         {u"id"_s, u"name"_s, u"komy"_s, u"kyda"_s, u"intyda"_s, u"galka"_s, u"groups"_s,
          u"profile"_s}},
        {u"table2"_s, {u"id"_s, u"otkogo"_s, u"otkyda"_s, u"intyt"_s, u"default"_s}},
        {u"groups"_s, {u"id"_s, u"pname"_s, u"check"_s}},
    };
    return columns;
}

QString shownValue(const QVariant& value) {
    if (value.isNull())
        return u"NULL"_s;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return u"integer "_s + value.toString();
    case QMetaType::QString:
        return u"text «"_s + value.toString() + u'»';
    default:
        return QString::fromLatin1(value.typeName()) + u' ' + value.toString();
    }
}

// An address book a test copies from or into: a file of its own, or a database of its own on
// the test server.
class Book {
public:
    Book(Kind kind, const QString& script) : m_kind(kind) {
        if (kind == Kind::File) {
            m_where = m_dir.filePath(u"Адреса книги.mdb"_s);
            runSqlScriptFile(m_where, script);
            return;
        }
        m_server = std::make_unique<ServerDatabase>();
        if (!m_server->available())
            return;
        m_where = m_server->text();
        run(script);
        // As the program leaves an address book on a server: each role's ticks apart, here
        // those of the tests' role.
        AddressDb db(u"test opener"_s);
        db.open(m_where, AddressDb::addressTables());
        if (db.personalTicks(u"table"_s))
            run(u"insert into ticks (id) select id from `table` where galka = 1;"_s);
    }

    bool available() const { return !m_where.isEmpty(); }
    const QString& where() const { return m_where; }
    Kind kind() const { return m_kind; }

    // Runs a script in SQLite's words through a connection of its own.
    void run(const QString& script) const {
        if (m_kind == Kind::File) {
            runSqlScriptFile(m_where, script);
            return;
        }
        m_server->runScript(script);
    }

    // Every row of the three tables, each value with its kind, in table order.
    QStringList rows() const {
        AddressDb db(u"test reader"_s);
        db.open(m_where, {}, AddressDb::Access::ReadOnly);
        QStringList rows;
        for (const auto& [table, columns] : comparedColumns()) {
            QSqlQuery query(db.database());
            const QString quoted = m_kind == Kind::File ? u'`' + table + u'`' : u'"' + table + u'"';
            // On a server a recipient's tick is the role's own, kept apart from the row.
            const bool ownTicks = db.personalTicks(table);
            const QString ticks = ownTicks ? u", (select count(*) from ticks k where k.id = t.id "
                                             "and k.username = current_user) as own_tick"_s
                                           : QString();
            if (!query.exec(u"select *%2 from %1 t order by id"_s.arg(quoted, ticks)))
                throw UserError(query.lastError().text());
            while (query.next()) {
                QStringList values;
                const QSqlRecord record = query.record();
                for (const QString& column : columns) {
                    const int at =
                        record.indexOf(ownTicks && column == u"galka"_s ? u"own_tick"_s : column);
                    values.append(column + u'=' +
                                  shownValue(at < 0 ? QVariant() : record.value(at)));
                }
                rows.append(table + u": "_s + values.join(u", "_s));
            }
        }
        return rows;
    }

private:
    Kind m_kind;
    QTemporaryDir m_dir;
    std::unique_ptr<ServerDatabase> m_server;
    QString m_where;
};

// The id a row added through the program's own cursor gets in each table.
QList<qint64> idsOfNewRows(AddressDb& db) {
    QList<qint64> ids;
    for (const auto& [table, name] :
         {std::pair(u"table"_s, u"name"_s), std::pair(u"table2"_s, u"otkogo"_s),
          std::pair(u"groups"_s, u"pname"_s)}) {
        TableCursor cursor(db, table, name);
        cursor.open();
        cursor.insert({{name, u"Новая запись"_s}});
        ids.append(cursor.integer(u"id"_s));
    }
    return ids;
}

bool countsEqual(const CopyCounts& a, const CopyCounts& b) {
    return a.recipients == b.recipients && a.senders == b.senders && a.groups == b.groups;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestAddressCopy : public QObject {
    Q_OBJECT

private slots:
    void copies_data();
    void copies();
    void aDestinationWithRows_data();
    void aDestinationWithRows();
    void aFailureLeavesTheDestination_data();
    void aFailureLeavesTheDestination();
    void aRefusedCopyLeavesAnOlderServerBookAsItWas();
    void anAddressBookIsNotCopiedIntoItself_data();
    void anAddressBookIsNotCopiedIntoItself();
};

void TestAddressCopy::copies_data() {
    QTest::addColumn<Kind>("from");
    QTest::addColumn<Kind>("to");
    QTest::addColumn<QString>("fromSchema");
    QTest::addColumn<QString>("toSchema");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QList<int>>("counts");
    // Of a row added afterwards to each table.
    QTest::addColumn<QList<qint64>>("newIds");

    const QList<int> counts{3, 2, 2};
    const QList<qint64> ids{13, 6, 10};
    QTest::newRow("file to server")
        << Kind::File << Kind::Server << schema() << schema() << sourceRows(true) << counts << ids;
    QTest::newRow("server to file")
        << Kind::Server << Kind::File << schema() << schema() << sourceRows(true) << counts << ids;
    QTest::newRow("file to file") << Kind::File << Kind::File << schema() << schema()
                                  << sourceRows(true) << counts << ids;
    QTest::newRow("a file from before profiles to a server")
        << Kind::File << Kind::Server << legacySchema << schema() << sourceRows(false) << counts
        << ids;
    QTest::newRow("into a file from before profiles, which gains the column")
        << Kind::File << Kind::File << schema() << legacySchema << sourceRows(true) << counts
        << ids;
    QTest::newRow("an empty address book to a server: ids from 1")
        << Kind::File << Kind::Server << schema() << schema() << QString() << QList<int>{0, 0, 0}
        << QList<qint64>{1, 1, 1};
    // More rows than one statement carries, with a gap in the ids and every other one ticked.
    QString many;
    for (int i = 1; i <= 1201; ++i)
        many += u"insert into `table` (id, name, intyda, galka) values (%1, 'Получатель %1', "
                "%2, %3);\n"_s.arg(i < 600 ? i : i + 7)
                    .arg(100000 + i)
                    .arg(i % 2);
    for (const Kind to : {Kind::File, Kind::Server})
        QTest::newRow(to == Kind::File ? "many rows to a file" : "many rows to a server")
            << Kind::File << to << schema() << schema() << many << QList<int>{1201, 0, 0}
            << QList<qint64>{1209, 1, 1};
}

// Every row arrives with its id and every value as it was; rows added afterwards come last.
void TestAddressCopy::copies() {
    QFETCH(Kind, from);
    QFETCH(Kind, to);
    QFETCH(QString, fromSchema);
    QFETCH(QString, toSchema);
    QFETCH(QString, rows);
    QFETCH(QList<int>, counts);
    QFETCH(QList<qint64>, newIds);

    const Book source(from, fromSchema + rows);
    const Book target(to, toSchema);
    if (!source.available() || !target.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    const QStringList copied = source.rows();

    AddressDb in(u"copy source"_s);
    AddressDb out(u"copy target"_s);
    in.open(source.where(), AddressDb::addressTables(), AddressDb::Access::ReadOnly);
    out.open(target.where(), AddressDb::addressTables());
    const CopyCounts made = copyAddressBook(in, out, false);
    QCOMPARE((QList<int>{made.recipients, made.senders, made.groups}), counts);
    QCOMPARE(target.rows(), copied);
    QCOMPARE(source.rows(), copied);
    QCOMPARE(idsOfNewRows(out), newIds);
}

void TestAddressCopy::aDestinationWithRows_data() {
    QTest::addColumn<Kind>("to");

    QTest::newRow("a file") << Kind::File;
    QTest::newRow("a server") << Kind::Server;
}

// Refused without replace, the destination untouched; with it, the copy takes its place.
void TestAddressCopy::aDestinationWithRows() {
    QFETCH(Kind, to);

    const Book source(Kind::File, schema() + sourceRows(true));
    const Book target(to, schema() + heldRows);
    if (!target.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    const QStringList held = target.rows();

    AddressDb in(u"copy source"_s);
    AddressDb out(u"copy target"_s);
    in.open(source.where(), AddressDb::addressTables(), AddressDb::Access::ReadOnly);
    out.open(target.where(), AddressDb::addressTables());
    std::optional<CopyCounts> refused;
    QString message;
    try {
        copyAddressBook(in, out, false);
    } catch (const AddressBookNotEmpty& e) {
        refused = e.counts();
        message = e.message();
    }
    QVERIFY(refused);
    QVERIFY(countsEqual(*refused, {1, 1, 0}));
    const QString shown =
        to == Kind::File ? QDir::toNativeSeparators(target.where()) : target.where();
    QCOMPARE(message, u"В адресной книге «%1» уже есть записи: получателей 1, отправителей 1, "
                      "групп 0."_s.arg(shown));
    QCOMPARE(target.rows(), held);

    QVERIFY(countsEqual(copyAddressBook(in, out, true), {3, 2, 2}));
    QCOMPARE(target.rows(), source.rows());
    // The replaced rows' larger ids are not the server's measure any more.
    QCOMPARE(idsOfNewRows(out), (QList<qint64>{13, 6, 10}));
}

void TestAddressCopy::aFailureLeavesTheDestination_data() {
    QTest::addColumn<Kind>("from");
    QTest::addColumn<Kind>("to");
    QTest::addColumn<QString>("moreRows");
    QTest::addColumn<QString>("toSchema");
    QTest::addColumn<QString>("message");

    QTest::newRow("file to file: a group name the destination refuses")
        << Kind::File << Kind::File << QString()
        << QString(schema()).replace(u"pname text"_s, u"pname text check (length(pname) < 8)"_s)
        << u"CHECK constraint failed"_s;
    QTest::newRow("file to server: text in a column of numbers")
        << Kind::File << Kind::Server
        << u"insert into `groups` (id, pname, `check`) values (11, 'Новая', 'да');\n"_s << schema()
        << u"Ошибка базы данных"_s;
    QTest::newRow("server to file: the destination lacks a column")
        << Kind::Server << Kind::File << QString()
        << QString(schema()).replace(u"  kyda text,\n"_s, QString())
        << u"В таблице «table» адресной книги «%1» нет поля «kyda», которое есть в «%2»: копия "
           "была бы неполной."_s;
}

// The copy with replace fails after some of its writes: the destination keeps its own rows.
void TestAddressCopy::aFailureLeavesTheDestination() {
    QFETCH(Kind, from);
    QFETCH(Kind, to);
    QFETCH(QString, moreRows);
    QFETCH(QString, toSchema);
    QFETCH(QString, message);

    const Book source(from, schema() + sourceRows(true) + moreRows);
    const Book target(to, toSchema + heldRows);
    if (!source.available() || !target.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    const QStringList held = target.rows();

    AddressDb in(u"copy source"_s);
    AddressDb out(u"copy target"_s);
    in.open(source.where(), AddressDb::addressTables(), AddressDb::Access::ReadOnly);
    out.open(target.where(), AddressDb::addressTables());
    QString failure;
    try {
        copyAddressBook(in, out, true);
    } catch (const UserError& e) {
        failure = e.message();
    }
    const auto shown = [](const Book& book) {
        return book.kind() == Kind::File ? QDir::toNativeSeparators(book.where()) : book.where();
    };
    if (message.contains(u"%1"_s))
        message = message.arg(shown(target), shown(source));
    QVERIFY2(failure.contains(message), qPrintable(failure));
    QCOMPARE(target.rows(), held);
}

// A copy into an address book on a server from before each person's ticks, by its owner as
// envalo-cli opens it: what the opening adds to the tables is part of the copy's transaction,
// kept when the copy is and gone when it is refused.
void TestAddressCopy::aRefusedCopyLeavesAnOlderServerBookAsItWas() {
    const ServerDatabase target;
    if (!target.available())
        QSKIP(qPrintable(ServerDatabase::skipReason()));
    target.runScript(legacySchema + heldRows);
    const Book source(Kind::File, schema() + sourceRows(true));
    const QString added = u"select (select count(*) from pg_catalog.pg_trigger where tgname "
                          "like 'envalo%') || ' ' || (select count(*) from pg_catalog.pg_class "
                          "where relname = 'ticks') || ' ' || (select count(*) from "
                          "information_schema.columns where column_name = 'profile')"_s;

    AddressDb in(u"copy source"_s);
    AddressDb out(u"copy target"_s);
    in.open(source.where(), AddressDb::addressTables(), AddressDb::Access::ReadOnly);
    out.open(target.text(), AddressDb::addressTables(), AddressDb::Access::ReadWriteAsIs);
    QVERIFY(out.personalTicks(u"table"_s));
    bool refused = false;
    try {
        copyAddressBook(in, out, false);
    } catch (const AddressBookNotEmpty&) {
        refused = true;
    }
    QVERIFY(refused);
    QVERIFY(!out.personalTicks(u"table"_s));
    out.close();
    QCOMPARE(target.column(added), QVariantList{u"0 0 0"_s});

    out.open(target.text(), AddressDb::addressTables(), AddressDb::Access::ReadWriteAsIs);
    QVERIFY(countsEqual(copyAddressBook(in, out, true), {3, 2, 2}));
    out.close();
    // The triggers of the three tables, the one forgetting deleted recipients' ticks, the ticks
    // table, the profile column.
    QCOMPARE(target.column(added), QVariantList{u"4 1 1"_s});
}

void TestAddressCopy::anAddressBookIsNotCopiedIntoItself_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("replace");
    // Names in the test's folder, the current one: Convert.mdb is the file, a/ a folder,
    // link.mdb a symbolic link to the file and hard.mdb a second name of it.
    QTest::newRow("the same path") << u"Convert.mdb"_s << u"Convert.mdb"_s << true;
    QTest::newRow("through the folder's parent")
        << u"Convert.mdb"_s << u"a/../Convert.mdb"_s << true;
    QTest::newRow("from the current folder") << u"./Convert.mdb"_s << u"Convert.mdb"_s << false;
    QTest::newRow("a symbolic link to it") << u"Convert.mdb"_s << u"link.mdb"_s << true;
    QTest::newRow("from a symbolic link to it") << u"link.mdb"_s << u"Convert.mdb"_s << false;
    QTest::newRow("a hard link to it") << u"Convert.mdb"_s << u"hard.mdb"_s << true;
}

// However the two paths spell it, one file is not copied into itself: the copy is refused
// before anything is read or written, naming the file as it was given.
void TestAddressCopy::anAddressBookIsNotCopiedIntoItself() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, replace);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"Convert.mdb"_s);
    runSqlScriptFile(file, schema() + sourceRows(true));
    QVERIFY(QDir(dir.path()).mkdir(u"a"_s));
    QVERIFY(QFile::link(u"Convert.mdb"_s, dir.filePath(u"link.mdb"_s)));
    QVERIFY(::link(QFile::encodeName(file).constData(),
                   QFile::encodeName(dir.filePath(u"hard.mdb"_s)).constData()) == 0);
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(current); });
    QFile original(file);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    QString failure;
    {
        AddressDb in(u"copy source"_s);
        AddressDb out(u"copy target"_s);
        in.open(from, AddressDb::addressTables(), AddressDb::Access::ReadOnly);
        out.open(to, AddressDb::addressTables(), AddressDb::Access::ReadWriteAsIs);
        try {
            copyAddressBook(in, out, replace);
        } catch (const UserError& e) {
            failure = e.message();
        }
    }
    QCOMPARE(failure, u"Адресная книга «%1» не может быть скопирована сама в себя."_s.arg(
                          QDir::toNativeSeparators(QDir::cleanPath(dir.filePath(to)))));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), before);
}

QTEST_GUILESS_MAIN(TestAddressCopy)
#include "tst_addresscopy.moc"
