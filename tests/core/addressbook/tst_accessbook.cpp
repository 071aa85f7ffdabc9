#include "core/UserError.h"
#include "core/addressbook/AccessBook.h"
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

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(ENVALO_TEST_ACCESS_DIR "/") + name;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString copied(const QTemporaryDir& dir, const QString& name, const QString& as,
               qint64 cutAt = -1) {
    QByteArray bytes = bytesOf(fixture(name));
    if (cutAt >= 0)
        bytes.truncate(cutAt);
    const QString path = dir.filePath(as);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString shown(const QVariant& value) {
    if (value.isNull())
        return u"NULL"_s;
    if (value.typeId() == QMetaType::QString)
        return u'«' + value.toString().replace(u"\r\n"_s, u"⏎"_s) + u'»';
    return value.toString();
}

// Every row of the three tables of an SQLite address book, each value with its kind.
QStringList rowsOf(const QString& path) {
    AddressDb db(u"test reader"_s);
    db.open(path, {}, AddressDb::Access::ReadOnly);
    QStringList rows;
    for (const QString& table : AddressDb::addressTables()) {
        QSqlQuery query(db.database());
        if (!query.exec(u"select * from `%1` order by id"_s.arg(table)))
            throw UserError(query.lastError().text());
        while (query.next()) {
            QStringList values;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                values.append(record.fieldName(i) + u'=' + shown(record.value(i)));
            rows.append(table + u": "_s + values.join(u", "_s));
        }
    }
    return rows;
}

QString recipient(qint64 id, const QString& name, const QString& komy, const QString& kyda,
                  const QString& index, int tick, const QString& groups, const QString& profile) {
    return u"table: id=%1, name=%2, komy=%3, kyda=%4, intyda=%5, galka=%6, groups=%7, "
           "profile=%8"_s.arg(QString::number(id), shown(name), shown(komy), shown(kyda), index,
                              QString::number(tick), shown(groups), profile);
}

// What the address books of the fixtures hold, as the program's own file holds it: the three
// written by hand (the third with its texts and index empty), then 500 numbered ones with
// every third ticked, one sender chosen by default, two groups.
QStringList expectedRows(bool olderLayout) {
    const QString dl = olderLayout ? u"NULL"_s : shown(u"Конверт DL"_s);
    QStringList rows{
        recipient(1, u"Иванов Иван Иванович"_s, u"Иванову\r\nИвану Ивановичу"_s,
                  u"ул. Вымышленная, д. 5, кв. 12\r\nг. Условный\r\nУсловная обл."_s, u"654321"_s,
                  1, u"Партнёры"_s, dl),
        recipient(2, u"ООО «Ромашка» — №1 ёЁ"_s, u"Генеральному директору\r\nООО «Ромашка»"_s,
                  u"пр. Небывалый, д. 10\r\nпос. Пробный"_s, u"101000"_s, 0, u"Партнёры;Клиенты"_s,
                  olderLayout ? u"NULL"_s : shown(u"Конверт C5"_s)),
        recipient(3, u"Пустой индекс"_s, QString(), QString(), u"0"_s, 0, QString(),
                  olderLayout ? u"NULL"_s : shown(QString())),
    };
    if (!olderLayout) {
        for (int i = 0; i < 500; ++i)
            rows.append(recipient(i + 4, u"Получатель %1"_s.arg(i, 4, 10, QChar(u'0')),
                                  u"Получателю\r\nномер %1"_s.arg(i),
                                  u"ул. Тестовая, д. %1\r\nг. Примерный"_s.arg(i),
                                  QString::number(100000 + i), i % 3 == 0 ? 1 : 0, QString(), dl));
    }
    rows.append(u"table2: id=1, otkogo=«ООО «Ромашка»⏎Отдел доставки», otkyda=«ул. Примерная, "
                "д. 1, офис 101⏎г. Образцовск», intyt=123456, default=1"_s);
    rows.append(u"groups: id=1, pname=«Партнёры», check=1"_s);
    rows.append(u"groups: id=2, pname=«Клиенты», check=0"_s);
    return rows;
}

QString newBook(const QTemporaryDir& dir, const QString& name = u"Convert.mdb"_s) {
    const QString path = dir.filePath(name);
    runSqlScriptFile(path, readTextFile(ENVALO_DATA_DIR "/schema.sql"));
    return path;
}

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const UserError& e) {
        return e.message();
    }
    return {};
}

// Files of the address book's folder.
QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestAccessBook : public QObject {
    Q_OBJECT

private slots:
    void convertsEveryValue_data();
    void convertsEveryValue();
    void emptyValuesAsTheProgramWritesThem_data();
    void emptyValuesAsTheProgramWritesThem();
    void readsJet3TextByItsCodePage_data();
    void readsJet3TextByItsCodePage();
    void doubtsCyrillicUnderAWesternCodePage_data();
    void doubtsCyrillicUnderAWesternCodePage();
    void refusals_data();
    void refusals();
    void convertsTheFileInPlace_data();
    void convertsTheFileInPlace();
    void aFailedConversionLeavesTheAccessFile_data();
    void aFailedConversionLeavesTheAccessFile();
};

void TestAccessBook::convertsEveryValue_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("olderLayout");
    QTest::addColumn<int>("bindSize");
    QTest::newRow("Jet 4, Access 2000") << u"Convert_V2000.mdb"_s << false << defaultAccessBindSize;
    QTest::newRow("Jet 4, Access 2003") << u"Convert_V2003.mdb"_s << false << defaultAccessBindSize;
    QTest::newRow("ACE 12, Access 2007")
        << u"Convert_V2007.accdb"_s << false << defaultAccessBindSize;
    QTest::newRow("ACE 14, Access 2010")
        << u"Convert_V2010.accdb"_s << false << defaultAccessBindSize;
    QTest::newRow("an older layout: no id, no profile")
        << u"Convert_old_V2000.mdb"_s << true << defaultAccessBindSize;
    // libmdb cuts every value at its bound buffer (16 KB unless told): with the buffer at
    // 16 bytes, every memo here is longer than it, as a memo over 16 KB is longer than the
    // default one, and each comes over whole.
    QTest::newRow("texts longer than libmdb's buffer") << u"Convert_V2010.accdb"_s << false << 16;
}

void TestAccessBook::convertsEveryValue() {
    QFETCH(QString, file);
    QFETCH(bool, olderLayout);
    QFETCH(int, bindSize);
    QTemporaryDir dir;
    const QString source = copied(dir, file, file);
    const QByteArray before = bytesOf(source);
    const AccessBook book(source, bindSize);
    QVERIFY(!book.doubt());
    AddressDb db(u"test writer"_s);
    const QString target = newBook(dir);
    db.open(target, AddressDb::addressTables());
    const CopyCounts counts = copyAccessBook(book, db, false);
    db.close();
    const QStringList expected = expectedRows(olderLayout);
    QCOMPARE(counts.recipients, olderLayout ? 3 : 503);
    QCOMPARE(counts.senders, 1);
    QCOMPARE(counts.groups, 2);
    const QStringList rows = rowsOf(target);
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QCOMPARE(rows.at(i), expected.at(i));
    QCOMPARE(bytesOf(source), before);
}

void TestAccessBook::emptyValuesAsTheProgramWritesThem_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("stored");
    // libmdb gives "" for an empty text and for none alike: the program's empty field.
    QTest::newRow("empty or NULL memo: empty text, never NULL")
        << u"Convert_V2000.mdb"_s
        << u"select typeof(komy) || ' ' || typeof(kyda) from `table` where id = 3"_s
        << u"text text"_s;
    QTest::newRow("NULL number: 0")
        << u"Convert_V2007.accdb"_s
        << u"select typeof(intyda) || ' ' || intyda from `table` where id = 3"_s << u"integer 0"_s;
    QTest::newRow("no profile column: empty, as the column upgrade leaves it")
        << u"Convert_old_V2000.mdb"_s << u"select count(*) || ' ' || count(profile) from `table`"_s
        << u"3 0"_s;
    QTest::newRow("no id column: numbered in table order")
        << u"Convert_old_V2000.mdb"_s
        << u"select group_concat(id || '=' || substr(name, 1, 3), ',') from `table`"_s
        << u"1=Ива,2=ООО,3=Пус"_s;
}

void TestAccessBook::emptyValuesAsTheProgramWritesThem() {
    QFETCH(QString, file);
    QFETCH(QString, query);
    QFETCH(QString, stored);
    QTemporaryDir dir;
    const QString target = newBook(dir);
    {
        AddressDb db(u"test writer"_s);
        db.open(target, AddressDb::addressTables());
        copyAccessBook(AccessBook(fixture(file)), db, false);
    }
    AddressDb db(u"test reader"_s);
    db.open(target, {}, AddressDb::Access::ReadOnly);
    QSqlQuery read(db.database());
    QVERIFY2(read.exec(query) && read.next(), qPrintable(read.lastError().text()));
    QCOMPARE(read.value(0).toString(), stored);
}

void TestAccessBook::readsJet3TextByItsCodePage_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("emptyCharsetVariable");
    QTest::addColumn<QString>("row192");
    QTest::addColumn<int>("codePage");
    QTest::newRow("header 1252: byte 0xC0 is À")
        << u"testIndexCodesV1997.mdb"_s << false << u"AAÀAA"_s << 1252;
    QTest::newRow("header 1251: byte 0xC0 is А")
        << u"testIndexCodesV1997_cp1251hdr.mdb"_s << false << u"AAАAA"_s << 1251;
    // Set but empty, the variable would make libmdb read every such byte as «?».
    QTest::newRow("header 1251 with MDB_JET3_CHARSET set empty")
        << u"testIndexCodesV1997_cp1251hdr.mdb"_s << true << u"AAАAA"_s << 1251;
}

void TestAccessBook::readsJet3TextByItsCodePage() {
    QFETCH(QString, file);
    QFETCH(bool, emptyCharsetVariable);
    QFETCH(QString, row192);
    QFETCH(int, codePage);
    const auto restore = qScopeGuard([] { qunsetenv("MDB_JET3_CHARSET"); });
    if (emptyCharsetVariable)
        qputenv("MDB_JET3_CHARSET", "");
    const AccessTable table = readAccessTable(fixture(file), u"table1"_s);
    QCOMPARE(table.codePage, codePage);
    QCOMPARE(table.columns, QStringList({u"name"_s, u"data"_s}));
    QString found;
    for (const QStringList& row : table.rows) {
        if (row.at(0) == u"row192")
            found = row.at(1);
    }
    QCOMPARE(found, row192);
    if (codePage == 1252)
        QCOMPARE(asCyrillic(found), u"AAАAA"_s);
}

void TestAccessBook::doubtsCyrillicUnderAWesternCodePage_data() {
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("asCyrillic");
    QTest::newRow("Russian names under 1252")
        << 1252 << QStringList{u"Èâàíîâ Èâàí"_s, u"ÎÎÎ «Ðîìàøêà»"_s, u"Ñèäîðîâ"_s}
        << QStringList{u"Иванов Иван"_s, u"ООО «Ромашка»"_s, u"Сидоров"_s};
    QTest::newRow("German and French names under 1252")
        << 1252 << QStringList{u"Müller GmbH"_s, u"José Ñúñez"_s, u"Société Générale"_s}
        << QStringList();
    QTest::newRow("Russian names under 1251") << 1251 << QStringList{u"Иванов"_s} << QStringList();
    QTest::newRow("Latin names under 1252") << 1252 << QStringList{u"Smith"_s} << QStringList();
}

void TestAccessBook::doubtsCyrillicUnderAWesternCodePage() {
    QFETCH(int, codePage);
    QFETCH(QStringList, names);
    QFETCH(QStringList, asCyrillic);
    const auto doubt = codePageDoubt(codePage, names);
    QCOMPARE(bool(doubt), !asCyrillic.isEmpty());
    if (doubt) {
        QCOMPARE(doubt->asRead, names);
        QCOMPARE(doubt->asCyrillic, asCyrillic);
    }
}

void TestAccessBook::refusals_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("cutAt");
    QTest::addColumn<QString>("message");
    QTest::newRow("not an Access file")
        << u"README.md"_s << qint64(-1)
        << u"Файл «%1» не является базой данных Microsoft Access."_s;
    QTest::newRow("no table `table`: an empty file")
        << u"emptyJet4.mdb"_s << qint64(-1)
        << u"В файле базы данных Microsoft Access «%1» нет таблицы «table»."_s;
    QTest::newRow("no table `table`: a Jet 3 file of other tables")
        << u"testV1997.mdb"_s << qint64(-1)
        << u"В файле базы данных Microsoft Access «%1» нет таблицы «table»."_s;
    QTest::newRow("cut short within its header")
        << u"Convert_V2000.mdb"_s << qint64(100)
        << u"Файл базы данных Microsoft Access «%1» повреждён или обрезан (размер файла не "
           "кратен странице)."_s;
    QTest::newRow("cut short before its tables")
        << u"Convert_V2000.mdb"_s << qint64(8192)
        << u"Файл базы данных Microsoft Access «%1» повреждён, обрезан или зашифрован паролем: "
           "его таблицы не читаются."_s;
    QTest::newRow("cut short at a page's end, rows missing")
        << u"Convert_V2000.mdb"_s << qint64(49 * 4096)
        << u"Файл базы данных Microsoft Access «%1» повреждён или обрезан (в таблице «table» "
           "прочитано записей 248 из 503)."_s;
    QTest::newRow("cut short within a page")
        << u"Convert_V2007.accdb"_s << qint64(200001)
        << u"Файл базы данных Microsoft Access «%1» повреждён или обрезан (размер файла не "
           "кратен странице)."_s;
}

void TestAccessBook::refusals() {
    QFETCH(QString, file);
    QFETCH(qint64, cutAt);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = copied(dir, file, u"Старая книга.mdb"_s, cutAt);
    QCOMPARE(errorOf([&] { AccessBook book(path); }), message.arg(QDir::toNativeSeparators(path)));
}

void TestAccessBook::convertsTheFileInPlace_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("keptAs");
    QTest::newRow("Jet 4") << u"Convert_V2003.mdb"_s << QStringList()
                           << u"Convert (Microsoft Access).mdb"_s;
    QTest::newRow("ACE, a kept file there already")
        << u"Convert_V2010.accdb"_s << QStringList{u"Convert (Microsoft Access).accdb"_s}
        << u"Convert (Microsoft Access 2).accdb"_s;
}

void TestAccessBook::convertsTheFileInPlace() {
    QFETCH(QString, file);
    QFETCH(QStringList, present);
    QFETCH(QString, keptAs);
    QTemporaryDir dir;
    const QString path = copied(dir, file, u"Convert.mdb"_s);
    for (const QString& name : present)
        copied(dir, u"README.md"_s, name);
    const QByteArray before = bytesOf(path);
    const ConvertedBook converted = convertAccessFile(AccessBook(path));
    QCOMPARE(converted.keptAs, dir.filePath(keptAs));
    QCOMPARE(bytesOf(converted.keptAs), before);
    for (const QString& name : present)
        QCOMPARE(bytesOf(dir.filePath(name)), bytesOf(fixture(u"README.md"_s)));
    QStringList files = present;
    files << u"Convert.mdb"_s << keptAs;
    files.sort();
    QCOMPARE(filesIn(dir), files);
    QCOMPARE(converted.counts.recipients, 503);
    QCOMPARE(rowsOf(path), expectedRows(false));
}

void TestAccessBook::aFailedConversionLeavesTheAccessFile_data() {
    QTest::addColumn<qint64>("cutAt");
    QTest::addColumn<QString>("schema");
    QTest::addColumn<qint64>("fileSizeLimit");
    QTest::addColumn<QString>("message");
    const QString schema = readTextFile(ENVALO_DATA_DIR "/schema.sql");
    QTest::newRow("a damaged file") << qint64(49 * 4096) << QString() << qint64(-1)
                                    << u"повреждён или обрезан (в таблице «table»"_s;
    QTest::newRow("an error at the last row")
        << qint64(-1)
        << schema + u"create trigger refused before insert on `groups` when new.id = 2 begin "
                    "select raise(abort, 'injected'); end;\n"_s
        << qint64(-1) << u"injected"_s;
    // A small file system full: the process may write no file past 48 KB.
    QTest::newRow("a full disk") << qint64(-1) << QString() << qint64(48 * 1024)
                                 << u".Convert.mdb.envalo-new»"_s;
}

void TestAccessBook::aFailedConversionLeavesTheAccessFile() {
    QFETCH(qint64, cutAt);
    QFETCH(QString, schema);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = copied(dir, u"Convert_V2000.mdb"_s, u"Convert.mdb"_s, cutAt);
    const QByteArray before = bytesOf(path);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit previous = limit;
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, SIG_DFL);
    });
    const QString error = errorOf([&] {
        const AccessBook book(path);
        if (fileSizeLimit > 0) {
            // A write past the limit then fails with EFBIG instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = rlim_t(fileSizeLimit);
            QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        }
        convertAccessFile(book, schema);
    });
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(bytesOf(path), before);
    QCOMPARE(filesIn(dir), QStringList{u"Convert.mdb"_s});
}

QTEST_GUILESS_MAIN(TestAccessBook)
#include "tst_accessbook.moc"
