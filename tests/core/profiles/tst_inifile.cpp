#include "ErrorOf.h"
#include "ServerDatabase.h"
#include "TestFolder.h"
#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/profiles/IniFile.h"
#include "core/run/ProfileMove.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <QProcess>
#include <QSqlQuery>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QByteArray cp1251(const QString& text) {
    QStringEncoder encoder("windows-1251");
    return encoder(text);
}

// Keeps embedded NUL bytes, which a plain QByteArray(const char*) would cut at.
template <qsizetype N> QByteArray raw(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

void setMtime(const QString& path, timespec mtime) {
    const timespec times[2] = {{0, UTIME_OMIT}, mtime};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

QString refusedCharacter(const QString& character, const QString& code) {
    return u"Символ «%1» (U+%2) нельзя сохранить в файле настроек: кодировка Windows-1251 его "
           "не содержит."_s.arg(character, code);
}

constexpr int renamedKeys = 190;
// Recipients of the profile that is renamed or deleted, and as many of another one.
constexpr int movedRecipients = 100;

std::vector<std::pair<QString, QString>> generationKeys(int generation) {
    std::vector<std::pair<QString, QString>> keys;
    for (int k = 0; k < renamedKeys; ++k)
        keys.emplace_back(u"k%1"_s.arg(k), QString::number(generation));
    return keys;
}

// Where a program changing a profile stops when it is not killed from outside: while the
// settings file's new file is flushed (before it replaces the file), after the settings file
// and before the address book commits, or after the address book while its note is removed.
const QStringList stopSteps = {u"file"_s, u"between"_s, u"note"_s};

// What a profile rename or delete does, as one change after another: the current profile's
// name, the old section gone, the new one written whole, and with an address book its
// recipients moved as the profile store moves them. A delete hands the recipients to a
// profile made just before. Each change made whole is reported on stdout. The change to
// generation `stopAt` kills the program itself at `step`; otherwise it runs until killed.
int changeForever(const QStringList& arguments) {
    const QString kind = arguments[0];
    IniFile ini(arguments[1]);
    const QString book = arguments[2];
    const int stopAt = arguments[3].toInt();
    const QString step = arguments[4];
    AddressDb db(u"changed"_s);
    if (!book.isEmpty())
        db.open(book, AddressDb::addressTables());
    const auto stopHere = [] { ::raise(SIGKILL); };
    for (;;) {
        const QString old = ini.readString(u"option"_s, u"profile"_s, QString());
        const int generation = old.section(u' ', 1).toInt() + 1;
        const QString name = u"Профиль %1"_s.arg(generation);
        const bool stopping = generation == stopAt;
        if (kind == u"delete"_s)
            ini.writeKeys(name, generationKeys(generation));
        std::optional<ProfileMove> move;
        if (!book.isEmpty())
            move.emplace(ini, db, old, name);
        IniFile::Batch batch(ini);
        ini.writeString(u"option"_s, u"profile"_s, name);
        ini.eraseSection(old);
        if (kind != u"delete"_s)
            ini.writeKeys(name, generationKeys(generation));
        if (move)
            move->note();
        if (stopping && step == u"file"_s)
            ini.setBeforeReplace(stopHere);
        batch.commit();
        if (stopping && step == u"between"_s)
            stopHere();
        if (stopping && step == u"note"_s)
            ini.setBeforeReplace(stopHere);
        if (move)
            move->commit();
        std::printf("%d\n", generation);
        std::fflush(stdout);
    }
}

// How many recipients name each profile.
QHash<QString, int> recipientsByProfile(AddressDb& db) {
    QSqlQuery query(db.database());
    QHash<QString, int> counts;
    if (!query.exec(
            u"select profile, count(*) from %1 group by profile"_s.arg(db.quoted(u"table"_s))))
        return {{u"<unreadable>"_s, 1}};
    while (query.next())
        counts.insert(query.value(0).toString(), query.value(1).toInt());
    return counts;
}

// A small file system of its own for the test, or the reason there is none.
QString mountSmallDisk(const QString& folder, const char* size) {
    QDir().mkpath(folder);
    const QByteArray options = QByteArray("size=") + size;
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) !=
        0)
        return u"no file system can be mounted here (%1)"_s.arg(qt_error_string(errno));
    return {};
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    QString iniPath() const { return m_dir->filePath(u"envalo.ini"_s); }
    QStringList folderEntries() const {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void readsByTheFormatRules_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& file, const QString& expected,
                            const QString& section = u"m"_s, const QString& key = u"k"_s) {
            QTest::newRow(name) << file << section << key << expected;
        };
        const QString missing = u"-"_s;

        row("plain", u"[main]\r\nname=Иванов\r\n"_s, u"Иванов"_s, u"main"_s, u"name"_s);
        row("latin case", u"[Main]\r\nNAME=x\r\n"_s, u"x"_s, u"mAIN"_s, u"name"_s);
        row("cyrillic case", u"[Адреса]\nГород=Тула\n"_s, u"Тула"_s, u"АДРЕСА"_s, u"гОРОД"_s);
        row("ё case", u"[Ёлка]\nЁж=1\n"_s, u"1"_s, u"ёлка"_s, u"ЁЖ"_s);
        row("blanks around", u" \t[ m ] \r\n \t k \t=  a  b \t\r\n"_s, u"a  b"_s);
        row("blanks in asked names", u"[m]\nk=1\n"_s, u"1"_s, u" m\t"_s, u" k "_s);
        row("double quotes", u"[m]\nk=\"  x  \"\n"_s, u"  x  "_s);
        row("single quotes", u"[m]\nk= 'x' \n"_s, u"x"_s);
        row("one pair only", u"[m]\nk=\"\"x\"\"\n"_s, u"\"x\""_s);
        row("empty quotes", u"[m]\nk=\"\"\n"_s, QString());
        row("mismatched quotes", u"[m]\nk=\"x'\n"_s, u"\"x'"_s);
        row("lone quote", u"[m]\nk=\"\n"_s, u"\""_s);
        row("first = splits", u"[m]\nk = a=b\n"_s, u"a=b"_s);
        row("empty value", u"[m]\nk=\n"_s, QString());
        row("no = is no key", u"[m]\nk\n"_s, missing);
        row("comment", u"[m]\n ;k=1\n"_s, missing);
        row("; inside a value", u"[m]\nk=a;b\n"_s, u"a;b"_s);
        row("first key wins", u"[m]\nk=1\nK=2\n"_s, u"1"_s);
        row("first section wins", u"[m]\nk=1\n[M]\nk=2\n"_s, u"1"_s);
        row("later same-named section unseen", u"[m]\nj=1\n[M]\nk=2\n"_s, missing);
        row("keys before any section", u"k=1\n[m]\n"_s, missing);
        row("LF ends, no final end", u"[m]\na=1\nk=2"_s, u"2"_s);
        row("CR ends", u"[m]\ra=1\rk=2\r"_s, u"2"_s);
        row("mixed ends", u"[x]\r\nk=1\n[m]\rk=2\r\n"_s, u"2"_s);
        row("text after ] ignored", u"[m] ; note\nk=1\n"_s, u"1"_s);
        row("last ] closes", u"[a]b]\nk=1\n"_s, u"1"_s, u"a]b"_s);
        row("no ] is no section", u"[m]\n[broken\nk=1\n"_s, missing, u"broken"_s);
        row("keys after [broken stay above", u"[m]\n[broken\nk=1\n"_s, u"1"_s);
        row("missing section", u"[m]\nk=1\n"_s, missing, u"n"_s);
        row("missing key", u"[m]\nk=1\n"_s, missing, u"m"_s, u"j"_s);
        row("cut to 2047", u"[m]\nk="_s + QString(2050, u'я'), QString(2047, u'я'));
        row("2047 kept whole", u"[m]\nk="_s + QString(2047, u'я'), QString(2047, u'я'));
        row("quotes go before the cut", u"[m]\nk=\""_s + QString(2047, u'a') + u"b\""_s,
            QString(2047, u'a'));
    }

    void readsByTheFormatRules() {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(writeFile(iniPath(), cp1251(file)));
        QCOMPARE(IniFile(iniPath()).readString(section, key, u"-"_s), expected);
    }

    void readsIntegersAndBooleans_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("number");
        const auto number = [](const char* name, const QString& value, int n) {
            QTest::newRow(name) << value << true << n;
        };
        const auto unreadable = [](const char* name, const QString& value) {
            QTest::newRow(name) << value << false << 0;
        };

        number("decimal", u"42"_s, 42);
        number("negative", u"-5"_s, -5);
        number("zero", u"0"_s, 0);
        number("leading zeros", u"007"_s, 7);
        number("blanks", u" \t7 "_s, 7);
        number("hex", u"0x1A"_s, 26);
        number("hex, other cases", u"0X1a"_s, 26);
        number("int max", u"2147483647"_s, INT_MAX);
        number("int min", u"-2147483648"_s, INT_MIN);
        number("hex int max", u"0x7FFFFFFF"_s, INT_MAX);
        unreadable("bare 0x", u"0x"_s);
        unreadable("bad hex digit", u"0x1G"_s);
        unreadable("negative hex", u"0x-1"_s);
        unreadable("trailing letters", u"12abc"_s);
        unreadable("empty", QString());
        unreadable("bare minus", u"-"_s);
        unreadable("plus sign", u"+5"_s);
        unreadable("inner blank", u"1 2"_s);
        unreadable("fraction", u"3.5"_s);
        unreadable("above int", u"2147483648"_s);
        unreadable("below int", u"-2147483649"_s);
        unreadable("hex above int", u"0x80000000"_s);
    }

    void readsIntegersAndBooleans() {
        QFETCH(QString, value);
        QFETCH(bool, readable);
        QFETCH(int, number);
        QVERIFY(writeFile(iniPath(), cp1251(u"[m]\r\nk="_s + value + u"\r\n"_s)));
        const IniFile ini(iniPath());
        const int expected = readable ? number : 99;
        QCOMPARE(IniFile::parseInteger(value, 99), expected);
        QCOMPARE(ini.readInteger(u"m"_s, u"k"_s, 99), expected);
        QCOMPARE(ini.readBool(u"m"_s, u"k"_s, true), readable ? number != 0 : true);
        QCOMPARE(ini.readBool(u"m"_s, u"k"_s, false), readable ? number != 0 : false);
    }

    void writtenValuesReadBack_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        QTest::newRow("latin") << u"Main"_s << u"Left"_s << u"12"_s;
        QTest::newRow("cyrillic") << u"Адреса"_s << u"Получатель"_s
                                  << u"Иванов И. И., ул. Ленина, д. 5"_s;
        QTest::newRow("code page signs") << u"m"_s << u"k"_s << u"€ „‰“” – — № «» ЁёЇїЄєҐґ"_s;
        QTest::newRow("= and ; inside") << u"m"_s << u"k"_s << u"a=b;c"_s;
        QTest::newRow("inner quotes") << u"m"_s << u"k"_s << u"он сказал \"да\""_s;
        QTest::newRow("empty") << u"m"_s << u"k"_s << QString();
        QTest::newRow("longest") << u"m"_s << u"k"_s << QString(2047, u'ж');
    }

    void writtenValuesReadBack() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(writeFile(iniPath(), "[other]\r\nx=1\r\n"));
        IniFile ini(iniPath());
        QCOMPARE(ini.readString(section, key, u"-"_s), u"-"_s);
        ini.writeString(section, key, value);
        QCOMPARE(ini.readString(section, key, u"-"_s), value);
        QCOMPARE(IniFile(iniPath()).readString(section.toUpper(), key.toLower(), u"-"_s), value);
        QCOMPARE(ini.readString(u"other"_s, u"x"_s, u"-"_s), u"1"_s);
    }

    void createsTheFileWithNumbersAndFlags() {
        IniFile ini(iniPath());
        ini.writeInteger(u"Вид"_s, u"a"_s, -17);
        ini.writeBool(u"Вид"_s, u"b"_s, true);
        ini.writeBool(u"Вид"_s, u"c"_s, false);
        QCOMPARE(fileBytes(iniPath()), cp1251(u"[Вид]\r\na=-17\r\nb=1\r\nc=0\r\n"_s));
        QCOMPARE(ini.readInteger(u"вид"_s, u"A"_s, 0), -17);
        QCOMPARE(ini.readBool(u"вид"_s, u"b"_s, false), true);
        QCOMPARE(ini.readBool(u"вид"_s, u"c"_s, true), false);
    }

    void editsChangeOnlyTheirLines_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("erase");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        // Each write sets the key to "3".
        const auto write = [](const char* name, const QByteArray& before, const QString& section,
                              const QByteArray& after, const QString& key = u"z"_s) {
            QTest::newRow(name) << before << false << section << key << after;
        };
        const auto erase = [](const char* name, const QByteArray& before, const QString& section,
                              const QByteArray& after) {
            QTest::newRow(name) << before << true << section << QString() << after;
        };

        write("replace keeps a lone CR end and the key's spelling",
              raw("[a]\r\nx=1\r\n  Z = old\r[b]\nz=2\n"), u"a"_s,
              raw("[a]\r\nx=1\r\nZ=3\r[b]\nz=2\n"));
        write("replace the last line without an end", raw("[a]\nZ=1"), u"A"_s, raw("[a]\nZ=3"));
        write("replace the first of two keys", raw("[a]\nz=1\nz=2\n"), u"a"_s,
              raw("[a]\nz=3\nz=2\n"));
        write("replace in the first of two sections", raw("[a]\nz=1\n[A]\nz=2\n"), u"a"_s,
              raw("[a]\nz=3\n[A]\nz=2\n"));
        write("replace keeps undecodable bytes elsewhere", raw("[a]\nz=1\nj=\x98\0\xff\n"), u"a"_s,
              raw("[a]\nz=3\nj=\x98\0\xff\n"));
        write("replace by cyrillic names", cp1251(u"[Адрес]\r\nГород=Тула\r\n"_s), u"адрес"_s,
              cp1251(u"[Адрес]\r\nГород=3\r\n"_s), u"ГОРОД"_s);
        write("same value in another spelling leaves the file alone", raw("[a]\r\nKey=3\r\n"),
              u"A"_s, raw("[a]\r\nKey=3\r\n"), u"KEY"_s);
        write("same value leaves the file alone", raw("[a]\r\nz=3\r\n"), u"a"_s,
              raw("[a]\r\nz=3\r\n"));
        write("new key before blank lines", raw("[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"), u"a"_s,
              raw("[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"));
        write("new key before the comment that ends a section", raw("[a]\nx=1\n; b follows\n[b]\n"),
              u"a"_s, raw("[a]\nx=1\nz=3\r\n; b follows\n[b]\n"));
        write("new key in an empty section", raw("[a]\n\n[b]\n"), u"a"_s,
              raw("[a]\nz=3\r\n\n[b]\n"));
        write("new key after a last line without an end", raw("[a]\nx=1"), u"a"_s,
              raw("[a]\nx=1\r\nz=3\r\n"));
        write("new key in the first of two sections", raw("[a]\nx=1\n[A]\nz=2\n"), u"a"_s,
              raw("[a]\nx=1\nz=3\r\n[A]\nz=2\n"));
        write("new key past lines before any section", raw("z=0\r\n[a]\r\n"), u"a"_s,
              raw("z=0\r\n[a]\r\nz=3\r\n"));
        write("new section at the end", raw("[a]\nx=1\n\n"), u"c"_s,
              raw("[a]\nx=1\n\n[c]\r\nz=3\r\n"));
        write("new section after a last line without an end", raw("[a]\nx=1"), u"c"_s,
              raw("[a]\nx=1\r\n[c]\r\nz=3\r\n"));
        write("new section in an empty file", QByteArray(), u"c"_s, raw("[c]\r\nz=3\r\n"));
        write("a header without ] is no section", raw("[a]\nx=1\n[c\n"), u"c"_s,
              raw("[a]\nx=1\n[c\n[c]\r\nz=3\r\n"));
        erase("erase up to the next header", raw("[a]\r\nx=1\r\n; about b\r\n[b]\r\ny=2"), u"a"_s,
              raw("[b]\r\ny=2"));
        erase("erase the last section", raw("[a]\nx=1\n[b]\ny=2\n"), u"B"_s, raw("[a]\nx=1\n"));
        erase("erase the first of two sections", raw("[a]\nx=1\n[A]\nx=2\n"), u"a"_s,
              raw("[A]\nx=2\n"));
        erase("erase by a cyrillic name", cp1251(u"[Ёлка]\nx=1\n[b]\n"_s), u"ёЛКА"_s, raw("[b]\n"));
        erase("erase a missing section", raw("[a]\nx=1\n"), u"b"_s, raw("[a]\nx=1\n"));
        erase("erase a section of a missing file", QByteArray(), u"b"_s, QByteArray());
    }

    void editsChangeOnlyTheirLines() {
        QFETCH(QByteArray, before);
        QFETCH(bool, erase);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        if (!before.isEmpty() || !erase)
            QVERIFY(writeFile(iniPath(), before));
        const ino_t inode = statOf(iniPath()).st_ino;
        IniFile ini(iniPath());
        if (erase)
            ini.eraseSection(section);
        else
            ini.writeString(section, key, u"3"_s);
        QCOMPARE(fileBytes(iniPath()), after);
        if (after == before)
            QCOMPARE(statOf(iniPath()).st_ino, inode);
        if (!erase)
            QCOMPARE(ini.readString(section, key, u"-"_s), u"3"_s);
    }

    void listsSectionsWithinTheSystemBuffer_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("file order, duplicates too")
            << raw("[b]\n[a]\nx=1\n[B]\n") << QStringList{u"b"_s, u"a"_s, u"B"_s};
        QTest::newRow("blanks, empty names, no ]")
            << raw("[ b ]\r\n[]\r\n[ ]\r\n[c\r\n") << QStringList{u"b"_s};
        QTest::newRow("cyrillic") << cp1251(u"[Адреса]\r[Шрифты]"_s)
                                  << QStringList{u"Адреса"_s, u"Шрифты"_s};
        QByteArray many;
        QStringList fitting;
        for (int i = 0; i < 200; ++i) {
            const QString name = QString::number(i).rightJustified(99, u'n');
            many += "[" + name.toLatin1() + "]\r\n";
            if (i < 163)
                fitting.append(name);
        }
        QTest::newRow("163 names of 99 bytes fit") << many << fitting;
        const QByteArray longest(16382, 'n');
        QTest::newRow("a name that just fits")
            << "[" + longest + "]" << QStringList{QString::fromLatin1(longest)};
        QTest::newRow("a name one byte too long") << "[" + longest + "n]" << QStringList();
    }

    void listsSectionsWithinTheSystemBuffer() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QVERIFY(writeFile(iniPath(), file));
        QCOMPARE(IniFile(iniPath()).sections(), expected);
    }

    void refusesTextTheFileCannotHold_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString lineBreak =
            u"Перевод строки нельзя сохранить внутри строки файла настроек."_s;

        QTest::newRow("check mark in a value")
            << u"m"_s << u"k"_s << u"готово ✓"_s << refusedCharacter(u"✓"_s, u"2713"_s);
        QTest::newRow("CJK in a section")
            << u"设置"_s << u"k"_s << u"v"_s << refusedCharacter(u"设"_s, u"8BBE"_s);
        QTest::newRow("emoji in a key")
            << u"m"_s << u"ключ😀"_s << u"v"_s << refusedCharacter(u"😀"_s, u"1F600"_s);
        QTest::newRow("line break in a value") << u"m"_s << u"k"_s << u"a\r\n[x]"_s << lineBreak;
        QTest::newRow("line break in a section") << u"m\nn"_s << u"k"_s << u"v"_s << lineBreak;
        for (const QString& key : {u"a=b"_s, u";a"_s, u"[a]"_s}) {
            QTest::addRow("key %s", qPrintable(key))
                << u"m"_s << key << u"v"_s
                << u"Имя параметра «%1» нельзя сохранить в файле настроек: оно не может содержать "
                   "«=» и начинаться с «;» или «[»."_s.arg(key);
        }
    }

    void refusesTextTheFileCannotHold() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, message);
        const QByteArray before = cp1251(u"[m]\r\nk=старое\r\n"_s);
        QVERIFY(writeFile(iniPath(), before));
        const ino_t inode = statOf(iniPath()).st_ino;
        IniFile ini(iniPath());
        QCOMPARE(errorOf([&] { ini.writeString(section, key, value); }), message);
        if (!message.startsWith(u"Имя"_s))
            QCOMPARE(errorOf([&] { ini.writeLines({section, key, value}); }), message);
        QCOMPARE(fileBytes(iniPath()), before);
        QCOMPARE(statOf(iniPath()).st_ino, inode);
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
    }

    void failedWriteNamesThePath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folderAtPath");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("reason");
        const QString folderInPlace = u"в папке «%1» на месте файла стоит папка"_s;

        QTest::newRow("folder missing")
            << u"absent/envalo.ini"_s << false << u"key"_s << u"папки «%1/absent» нет"_s;
        QTest::newRow("a folder at the path")
            << u"envalo.ini"_s << true << u"key"_s << folderInPlace;
        QTest::newRow("a folder at the path, whole lines")
            << u"envalo.ini"_s << true << u"lines"_s << folderInPlace;
        QTest::newRow("a folder at the path, erase")
            << u"envalo.ini"_s << true << u"erase"_s << folderInPlace;
        QTest::newRow("no file, whole lines")
            << u"envalo.ini"_s << false << u"lines"_s << u"файла нет"_s;
    }

    void failedWriteNamesThePath() {
        QFETCH(QString, name);
        QFETCH(bool, folderAtPath);
        QFETCH(QString, operation);
        QFETCH(QString, reason);
        const QString path = m_dir->filePath(name);
        if (folderAtPath)
            QVERIFY(QDir().mkpath(path));
        IniFile ini(path);
        const QString error = errorOf([&] {
            if (operation == u"lines"_s)
                ini.writeLines({u"[m]"_s});
            else if (operation == u"erase"_s)
                ini.eraseSection(u"m"_s);
            else
                ini.writeString(u"m"_s, u"k"_s, u"v"_s);
        });
        QCOMPARE(error, u"Не удалось сохранить настройки: %1. Файл %2 остался прежним.\r\n"
                        "Unable to write to %2"_s.arg(
                            QString(reason).replace(u"%1"_s, m_dir->path()), path));
        QCOMPARE(QFileInfo(path).isDir(), folderAtPath);
        QCOMPARE(folderEntries(), folderAtPath ? QStringList{u"envalo.ini"_s} : QStringList());
    }

    void batchReplacesTheFileOnce() {
        const QByteArray before = "[option]\r\nprofile=A\r\n[A]\r\nx=1\r\n[C]\r\nz=0\r\n";
        QVERIFY(writeFile(iniPath(), before));
        const ino_t inode = statOf(iniPath()).st_ino;
        IniFile ini(iniPath());
        {
            IniFile::Batch dropped(ini);
            ini.eraseSection(u"option"_s);
            QCOMPARE(ini.sections(), (QStringList{u"A"_s, u"C"_s}));
        }
        QCOMPARE(ini.readString(u"option"_s, u"profile"_s, u"-"_s), u"A"_s);
        {
            IniFile::Batch undone(ini);
            ini.writeString(u"A"_s, u"x"_s, u"2"_s);
            ini.writeString(u"A"_s, u"x"_s, u"1"_s);
            undone.commit();
        }
        QCOMPARE(statOf(iniPath()).st_ino, inode);

        IniFile::Batch batch(ini);
        ini.writeString(u"option"_s, u"profile"_s, u"B"_s);
        ini.eraseSection(u"A"_s);
        ini.writeKeys(u"B"_s, {{u"x"_s, u"1"_s}, {u"y"_s, u"2"_s}});
        QCOMPARE(ini.readString(u"b"_s, u"y"_s, u"-"_s), u"2"_s);
        QCOMPARE(fileBytes(iniPath()), before);
        QCOMPARE(statOf(iniPath()).st_ino, inode);
        batch.commit();
        QCOMPARE(fileBytes(iniPath()),
                 QByteArray("[option]\r\nprofile=B\r\n[C]\r\nz=0\r\n[B]\r\nx=1\r\ny=2\r\n"));
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
    }

    void keepsWhatAnotherProgramWrote_data() {
        QTest::addColumn<QString>("ours");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("after");
        // Each of ours sets [a] x=5, or erases [a]; theirs is written while ours is flushed, or
        // within our batch before it is committed.
        const QByteArray plain = raw("[a]\nx=1\n[b]\ny=2\n");
        QTest::newRow("a key of another section, during a write")
            << u"write"_s << plain << raw("[a]\nx=1\n[b]\ny=3\n") << raw("[a]\nx=5\n[b]\ny=3\n");
        QTest::newRow("a key beside ours, during a write")
            << u"write"_s << plain << raw("[a]\r\nx=1\r\nw=7\r\n[b]\ny=2\n")
            << raw("[a]\r\nx=5\r\nw=7\r\n[b]\ny=2\n");
        QTest::newRow("a section added, during a write")
            << u"write"_s << plain << plain + "; note\r\n[c]\r\nz=1"
            << raw("[a]\nx=5\n[b]\ny=2\n; note\r\n[c]\r\nz=1");
        QTest::newRow("a section erased, during a write")
            << u"write"_s << plain << raw("[a]\nx=1\n") << raw("[a]\nx=5\n");
        QTest::newRow("our section erased, during a write")
            << u"write"_s << plain << raw("[b]\ny=2\n") << raw("[b]\ny=2\n[a]\r\nx=5\r\n");
        QTest::newRow("a key of another section, during an erase")
            << u"erase"_s << plain << raw("[a]\nx=1\n[b]\ny=3\n") << raw("[b]\ny=3\n");
        QTest::newRow("a key of another section, during a batch")
            << u"batch"_s << plain << raw("[a]\nx=1\n[b]\ny=3\n")
            << raw("[b]\ny=3\n[option]\r\nprofile=c\r\n[c]\r\nx=5\r\n");
        QTest::newRow("the section a batch makes, during the batch")
            << u"batch"_s << plain << plain + "[c]\nx=0\nv=1\n"
            << raw("[b]\ny=2\n[c]\nx=5\nv=1\n[option]\r\nprofile=c\r\n");
        QTest::newRow("format lines, during a rewrite of lines")
            << u"lines"_s << raw("[a]\nformat=DL\n") << raw("[a]\nformat=DL\n[b]\nformat=C5\n")
            << raw("[a]\r\nformat=(110 x 220 мм) DL\r\n[b]\r\nformat=(162 x 229 мм) C5\r\n");
    }

    // Another program's change made after ours read the file stays: ours is made on the
    // file as it is right before the replacement, and all else keeps its bytes.
    void keepsWhatAnotherProgramWrote() {
        QFETCH(QString, ours);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, after);
        QVERIFY(writeFile(iniPath(), before));
        IniFile ini(iniPath());
        QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), ours == u"lines"_s ? u"-"_s : u"1"_s);
        bool written = false;
        const auto theyWrite = [&] {
            if (!written)
                QVERIFY(writeFile(iniPath(), theirs));
            written = true;
        };
        if (ours == u"batch"_s) {
            IniFile::Batch batch(ini);
            ini.writeString(u"option"_s, u"profile"_s, u"c"_s);
            ini.eraseSection(u"a"_s);
            ini.writeString(u"c"_s, u"x"_s, u"5"_s);
            theyWrite();
            batch.commit();
        } else {
            ini.setBeforeReplace(theyWrite);
            if (ours == u"write"_s)
                ini.writeString(u"a"_s, u"x"_s, u"5"_s);
            else if (ours == u"erase"_s)
                ini.eraseSection(u"a"_s);
            else
                ini.editLines([](QStringList lines) {
                    for (QString& line : lines)
                        line.replace(u"=DL"_s, u"=(110 x 220 мм) DL"_s)
                            .replace(u"=C5"_s, u"=(162 x 229 мм) C5"_s);
                    return lines;
                });
        }
        QVERIFY(written);
        QCOMPARE(fileBytes(iniPath()), cp1251(QString::fromUtf8(after)));
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
    }

    // A program that writes the file at every look gets eight chances to finish first; then
    // ours replaces the file, and only that program's last write is lost.
    void anotherProgramWritingAllTheTime() {
        QVERIFY(writeFile(iniPath(), "[a]\r\nx=1\r\n[b]\r\ny=0\r\n"));
        IniFile ini(iniPath());
        int written = 0;
        ini.setBeforeReplace([&] {
            ++written;
            IniFile(iniPath()).writeString(u"b"_s, u"y"_s, QString::number(written));
        });
        ini.writeString(u"a"_s, u"x"_s, u"5"_s);
        QCOMPARE(written, 8);
        QCOMPARE(fileBytes(iniPath()), QByteArray("[a]\r\nx=5\r\n[b]\r\ny=7\r\n"));
    }

    void erasesKeysAndNothingElse_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("both keys, every line of each, any case")
            << raw("[o]\r\nk=1\r\n ; c\r\nFrom = a\r\nTO=b\r\nto=c\r\n[p]\r\nfrom=x\r\n") << u"O"_s
            << raw("[o]\r\nk=1\r\n ; c\r\n[p]\r\nfrom=x\r\n");
        QTest::newRow("the first section of the name only")
            << raw("[o]\nk=1\n[o]\nfrom=1\n") << u"o"_s << raw("[o]\nk=1\n[o]\nfrom=1\n");
        QTest::newRow("a missing section") << raw("[o]\nfrom=1") << u"p"_s << raw("[o]\nfrom=1");
        QTest::newRow("a missing file") << QByteArray() << u"o"_s << QByteArray();
    }

    void erasesKeysAndNothingElse() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            QVERIFY(writeFile(iniPath(), before));
        IniFile(iniPath()).eraseKeys(section, {u"from"_s, u"to"_s});
        QCOMPARE(fileBytes(iniPath()), after);
        QCOMPARE(QFileInfo::exists(iniPath()), !before.isEmpty());
    }

    void killedMidChangeLeavesOldOrNew_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("book");
        QTest::newRow("rename, the settings file alone") << u"rename"_s << QString();
        QTest::newRow("rename, address book file") << u"rename"_s << u"file"_s;
        QTest::newRow("delete, address book file") << u"delete"_s << u"file"_s;
        QTest::newRow("rename, address book on a server") << u"rename"_s << u"server"_s;
        QTest::newRow("delete, address book on a server") << u"delete"_s << u"server"_s;
    }

    // A program changing profiles is killed fifty times: from outside once it has reported
    // one to three whole changes, or by itself at one of the steps of a change. The settings
    // file then holds the last change made whole or the one after it, and once the program
    // starts again, the address book names the profiles the file has.
    void killedMidChangeLeavesOldOrNew() {
        QFETCH(QString, kind);
        QFETCH(QString, book);
        TestFolder folder;
        std::optional<ServerDatabase> server;
        QString bookText;
        QList<Recipient> recipients;
        for (int r = 0; r < 2 * movedRecipients; ++r)
            recipients.append({u"Получатель %1"_s.arg(r), u"Кому"_s, u"Куда"_s, 101000, false,
                               r % 2 ? u"Другой"_s : u"Профиль 0"_s});
        const QString script = TestFolder::shippedSchema() + rowsSql(recipients);
        if (book == u"server"_s) {
            server.emplace();
            if (!server->available())
                QSKIP(qPrintable(ServerDatabase::skipReason()));
            server->runScript(script);
            bookText = server->text();
        } else if (book == u"file"_s) {
            folder.addDatabaseFromScript(script);
            bookText = folder.file(u"Convert.mdb"_s);
        }
        AddressDb db(u"started"_s);
        if (!bookText.isEmpty())
            db.open(bookText, AddressDb::addressTables());
        const QString path = folder.file(u"envalo.ini"_s);
        {
            IniFile ini(path);
            ini.writeString(u"option"_s, u"profile"_s, u"Профиль 0"_s);
            ini.writeString(u"Другой"_s, u"x"_s, u"1"_s);
            ini.writeKeys(u"Профиль 0"_s, generationKeys(0));
        }
        const QStringList steps = bookText.isEmpty() ? QStringList{u"outside"_s, u"file"_s}
                                                     : stopSteps + QStringList{u"outside"_s};
        QRandomGenerator random(29);
        int lastGeneration = 0;
        QHash<QString, int> stopped;
        QHash<QString, int> noted;
        for (int kill = 0; kill < 50; ++kill) {
            const QString step = steps[kill % steps.size()];
            const bool outside = step == u"outside"_s;
            ++stopped[step];
            // One to three whole changes before the kill.
            const int changes = 1 + int(random.bounded(3));
            const int stopAt = outside ? -1 : lastGeneration + changes + 1;
            QProcess child;
            child.start(
                QCoreApplication::applicationFilePath(),
                {u"--change-forever"_s, kind, path, bookText, QString::number(stopAt), step});
            QVERIFY(child.waitForStarted());
            QByteArray reports;
            while (outside && reports.count('\n') < changes) {
                QVERIFY2(child.waitForReadyRead(60'000),
                         qPrintable(QString::fromLocal8Bit(child.readAllStandardError())));
                reports += child.readAllStandardOutput();
            }
            if (outside)
                child.kill();
            QVERIFY(child.waitForFinished(60'000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
            reports += child.readAllStandardOutput();
            // A report cut by the kill tells nothing.
            reports.truncate(reports.lastIndexOf('\n'));
            const int reported = reports.mid(reports.lastIndexOf('\n') + 1).toInt();

            const IniFile ini(path);
            const QString current = ini.readString(u"option"_s, u"profile"_s, QString());
            const int generation = current.section(u' ', 1).toInt();
            if (outside)
                QVERIFY2(generation == reported || generation == reported + 1,
                         qPrintable(u"%1 after %2 reported"_s.arg(current).arg(reported)));
            else
                QCOMPARE(generation, step == u"file"_s ? stopAt - 1 : stopAt);
            lastGeneration = generation;
            QStringList profiles = ini.sections();
            profiles.removeAll(u"option"_s);
            QVERIFY2(profiles.contains(current), qPrintable(current));
            QVERIFY(profiles.contains(u"Другой"_s));
            // A delete makes the profile that takes over before it moves anyone.
            const QString next = u"Профиль %1"_s.arg(generation + 1);
            QVERIFY2(profiles.size() == 2 ||
                         (kind == u"delete"_s && profiles.size() == 3 && profiles.contains(next)),
                     qPrintable(profiles.join(u", "_s)));
            for (int k = 0; k < renamedKeys; ++k)
                QCOMPARE(ini.readString(current, u"k%1"_s.arg(k), u"-"_s),
                         QString::number(generation));
            if (bookText.isEmpty())
                continue;

            // Before the start, recipients may still name the profile the file has just
            // lost, but only one that the file notes as moving to the current one.
            const QString from = ini.readString(u"option"_s, u"recipientsfrom"_s, QString());
            const QString to = ini.readString(u"option"_s, u"recipientsto"_s, QString());
            if (!from.isEmpty())
                ++noted[step];
            const QHash<QString, int> before = recipientsByProfile(db);
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                if (it.key() != current && it.key() != u"Другой"_s)
                    QVERIFY2(it.key() == from && to == current,
                             qPrintable(u"%1 recipients name %2, the file has %3"_s.arg(
                                 QString::number(it.value()), it.key(), current)));
            }
            IniFile started(path);
            QCOMPARE(finishNotedMove(started, db), !from.isEmpty());
            const QHash<QString, int> expected{{current, movedRecipients},
                                               {u"Другой"_s, movedRecipients}};
            QCOMPARE(recipientsByProfile(db), expected);
            QCOMPARE(started.readString(u"option"_s, u"recipientsfrom"_s, u"-"_s), u"-"_s);
            QCOMPARE(started.readString(u"option"_s, u"recipientsto"_s, u"-"_s), u"-"_s);
        }
        if (!bookText.isEmpty()) {
            // Stopped after the settings file, the address book had the move only noted.
            QCOMPARE(noted.value(u"between"_s), stopped.value(u"between"_s));
            QCOMPARE(noted.value(u"note"_s), stopped.value(u"note"_s));
            QCOMPARE(noted.value(u"file"_s), 0);
            qInfo("kills from outside that found a move noted: %d of %d", noted.value(u"outside"_s),
                  stopped.value(u"outside"_s));
        }
        IniFile::removeStaleTemporaries(path);
        QStringList entries =
            QDir(folder.appdir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        entries.removeIf([](const QString& name) { return name.startsWith(u"Convert.mdb"_s); });
        QCOMPARE(entries, QStringList{u"envalo.ini"_s});
    }

    void refusesWhatItCannotReplace_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << u"full"_s << u"на диске с папкой «%1» не хватает места"_s;
        QTest::newRow("read-only file system")
            << u"read-only"_s << u"папка «%1» доступна только для чтения"_s;
        QTest::newRow("folder closed, file writable")
            << u"closed"_s << u"нет права создавать и заменять файлы в папке «%1»"_s;
    }

    void refusesWhatItCannotReplace() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QString folder = m_dir->path();
        struct Unmount {
            QString at;
            ~Unmount() {
                if (!at.isEmpty())
                    ::umount2(QFile::encodeName(at).constData(), MNT_DETACH);
            }
        } unmount;
        if (kind != u"closed"_s) {
            folder = m_dir->filePath(u"disk"_s);
            const QString why = mountSmallDisk(folder, "64k");
            if (!why.isEmpty())
                QSKIP(qPrintable(why));
            unmount.at = folder;
        }
        const QString path = folder + u"/envalo.ini"_s;
        QByteArray before = "[a]\r\n";
        for (int k = 0; before.size() < 36 * 1024; ++k)
            before += "k" + QByteArray::number(k) + "=" + QByteArray(60, 'v') + "\r\n";
        QVERIFY(writeFile(path, before));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        if (kind == u"read-only"_s)
            QVERIFY(::mount(nullptr, QFile::encodeName(folder).constData(), nullptr,
                            MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        if (kind == u"closed"_s)
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        // Root passes every permission; as another user it meets the closed folder.
        const bool root = ::geteuid() == 0;
        if (root && kind == u"closed"_s)
            ::setfsuid(65534);
        IniFile ini(path);
        const QString error =
            errorOf([&] { ini.writeString(u"a"_s, u"new"_s, QString(8000, u'n')); });
        if (root && kind == u"closed"_s)
            ::setfsuid(0);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QCOMPARE(error, u"Не удалось сохранить настройки: %1. Файл %2 остался прежним.\r\n"
                        "Unable to write to %2"_s.arg(reason.arg(folder), path));
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"envalo.ini"_s});
    }

    void staleTemporariesAreRemoved() {
        QVERIFY(writeFile(iniPath(), "[a]\r\n"));
        const QStringList left = {u".envalo.ini.new-a1B2c3"_s, u".envalo.ini.new-zzzzzz"_s};
        const QStringList kept = {u"envalo.ini.bak"_s, u".envalo.ini.new-short"_s,
                                  u".other.ini.new-a1B2c3"_s};
        for (const QString& name : left + kept)
            QVERIFY(writeFile(m_dir->filePath(name), "x"));
        IniFile::removeStaleTemporaries(iniPath());
        QStringList expected = kept + QStringList{u"envalo.ini"_s};
        expected.sort();
        QStringList entries = folderEntries();
        entries.sort();
        QCOMPARE(entries, expected);
    }

    void coarseTimestampsAreCheckedLonger_data() {
        QTest::addColumn<qint64>("changedMs");
        QTest::addColumn<bool>("wholeSeconds");
        QTest::addColumn<qint64>("checkedMs");
        QTest::addColumn<bool>("settled");
        QTest::newRow("whole seconds, same second") << 10'000LL << true << 10'900LL << false;
        QTest::newRow("whole seconds, two seconds on") << 10'000LL << true << 12'000LL << false;
        QTest::newRow("whole seconds, long ago") << 10'000LL << true << 12'200LL << true;
        QTest::newRow("fine stamps, just now") << 10'300LL << false << 10'350LL << false;
        QTest::newRow("fine stamps, a moment ago") << 10'300LL << false << 10'500LL << true;
    }

    void coarseTimestampsAreCheckedLonger() {
        QFETCH(qint64, changedMs);
        QFETCH(bool, wholeSeconds);
        QFETCH(qint64, checkedMs);
        QFETCH(bool, settled);
        QCOMPARE(IniFile::stampSettled(changedMs * 1'000'000, wholeSeconds, checkedMs * 1'000'000),
                 settled);
    }

    void replacesTheFileAtomically() {
        const QByteArray before = "[a]\r\nx=1\r\n";
        QVERIFY(writeFile(iniPath(), before));
        QVERIFY(::chmod(QFile::encodeName(iniPath()).constData(), 0640) == 0);
        const ino_t inode = statOf(iniPath()).st_ino;
        QFile reader(iniPath());
        QVERIFY(reader.open(QIODevice::ReadOnly));

        IniFile ini(iniPath());
        ini.writeString(u"a"_s, u"x"_s, u"2"_s);

        QCOMPARE(fileBytes(iniPath()), QByteArray("[a]\r\nx=2\r\n"));
        QVERIFY(statOf(iniPath()).st_ino != inode);
        QCOMPARE(statOf(iniPath()).st_mode & 07777, mode_t(0640));
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
        // A reader of the old file still sees it whole: it was replaced, never rewritten.
        QCOMPARE(reader.readAll(), before);
    }

    void replacesTheFileBehindALink_data() {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("after");
        // Each link as "name>target", the settings file's first; the file they end at is
        // shared/real.ini.
        const QString absolute = u"envalo.ini>%1/shared/real.ini"_s;
        QTest::newRow("absolute link, a key written") << QStringList{absolute} << true << u"write"_s
                                                      << QByteArray("[a]\r\nx=5\r\n[b]\r\ny=2\r\n");
        QTest::newRow("relative link into another folder, a batch")
            << QStringList{u"envalo.ini>shared/real.ini"_s} << true << u"batch"_s
            << QByteArray("[a]\r\nx=5\r\n");
        QTest::newRow("link to a link, whole lines")
            << QStringList{u"envalo.ini>middle.ini"_s, u"middle.ini>shared/real.ini"_s} << true
            << u"lines"_s << QByteArray("[a]\r\nx=5\r\n");
        QTest::newRow("link to a link, a section erased")
            << QStringList{u"envalo.ini>middle.ini"_s, u"middle.ini>shared/real.ini"_s} << true
            << u"erase"_s << QByteArray("[a]\r\nx=1\r\n");
        QTest::newRow("link to a file not made yet, a key written")
            << QStringList{u"envalo.ini>shared/real.ini"_s} << false << u"write"_s
            << QByteArray("[a]\r\nx=5\r\n");
    }

    // A settings file kept elsewhere through a link: the file at the link's end is replaced
    // and the link stays a link, as the user made it.
    void replacesTheFileBehindALink() {
        QFETCH(QStringList, links);
        QFETCH(bool, fileExists);
        QFETCH(QString, operation);
        QFETCH(QByteArray, after);
        const QString shared = m_dir->filePath(u"shared"_s);
        const QString real = m_dir->filePath(u"shared/real.ini"_s);
        QVERIFY(QDir().mkpath(shared));
        if (fileExists) {
            QVERIFY(writeFile(real, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"));
            QVERIFY(::chmod(QFile::encodeName(real).constData(), 0640) == 0);
        }
        for (const QString& link : links) {
            const QString name = link.section(u'>', 0, 0);
            const QString target = QString(link.section(u'>', 1)).replace(u"%1"_s, m_dir->path());
            QVERIFY(::symlink(QFile::encodeName(target).constData(),
                              QFile::encodeName(m_dir->filePath(name)).constData()) == 0);
        }

        IniFile ini(iniPath());
        QCOMPARE(ini.readString(u"b"_s, u"y"_s, u"-"_s), fileExists ? u"2"_s : u"-"_s);
        if (operation == u"write"_s) {
            ini.writeString(u"a"_s, u"x"_s, u"5"_s);
        } else if (operation == u"batch"_s) {
            IniFile::Batch batch(ini);
            ini.writeString(u"a"_s, u"x"_s, u"5"_s);
            ini.eraseSection(u"b"_s);
            batch.commit();
        } else if (operation == u"lines"_s) {
            ini.writeLines({u"[a]"_s, u"x=5"_s});
        } else {
            ini.eraseSection(u"b"_s);
        }

        for (const QString& link : links) {
            const QString name = link.section(u'>', 0, 0);
            QVERIFY2(QFileInfo(m_dir->filePath(name)).isSymLink(), qPrintable(name));
            QCOMPARE(QFile::symLinkTarget(m_dir->filePath(name)),
                     QFileInfo(m_dir->path(),
                               QString(link.section(u'>', 1)).replace(u"%1"_s, m_dir->path()))
                         .absoluteFilePath());
        }
        QCOMPARE(fileBytes(real), after);
        if (fileExists)
            QCOMPARE(statOf(real).st_mode & 07777, mode_t(0640));
        QCOMPARE(QDir(shared).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"real.ini"_s});
        QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), QString::fromLatin1(after.mid(7, 1)));
    }

    // A batch opened within another (a change made of changes, or the reads of a program
    // that never writes its folder) writes nothing of its own: only the outermost commit
    // replaces the file, and an outermost batch that ends uncommitted leaves it as it was.
    void anInnerBatchWaitsForTheOuterOne_data() {
        QTest::addColumn<bool>("outerCommits");
        QTest::newRow("the outer batch commits") << true;
        QTest::newRow("the outer batch ends uncommitted") << false;
    }

    void anInnerBatchWaitsForTheOuterOne() {
        QFETCH(bool, outerCommits);
        const QByteArray before = "[a]\r\nx=1\r\n[b]\r\ny=2\r\n";
        QVERIFY(writeFile(iniPath(), before));
        const ino_t inode = statOf(iniPath()).st_ino;
        IniFile ini(iniPath());
        {
            IniFile::Batch outer(ini);
            ini.writeString(u"a"_s, u"x"_s, u"5"_s);
            {
                IniFile::Batch inner(ini);
                ini.eraseSection(u"b"_s);
                ini.writeString(u"c"_s, u"z"_s, u"3"_s);
                inner.commit();
            }
            QCOMPARE(fileBytes(iniPath()), before);
            QCOMPARE(statOf(iniPath()).st_ino, inode);
            QCOMPARE(ini.sections(), (QStringList{u"a"_s, u"c"_s}));
            {
                IniFile::Batch inner(ini);
                ini.writeString(u"a"_s, u"w"_s, u"7"_s);
                inner.commit();
            }
            QCOMPARE(fileBytes(iniPath()), before);
            QCOMPARE(ini.readString(u"a"_s, u"w"_s, u"-"_s), u"7"_s);
            if (outerCommits)
                outer.commit();
        }
        QCOMPARE(fileBytes(iniPath()),
                 outerCommits ? QByteArray("[a]\r\nx=5\r\nw=7\r\n[c]\r\nz=3\r\n") : before);
        QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), outerCommits ? u"5"_s : u"1"_s);
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
    }

    void seesChangesByAnotherProgram_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("settle");
        QTest::addColumn<QString>("expected");

        QTest::newRow("same size, other mtime") << u"in place"_s << false << u"2"_s;
        QTest::newRow("same size and mtime, at once") << u"keep mtime"_s << false << u"2"_s;
        QTest::newRow("same size and mtime, later") << u"keep mtime"_s << true << u"2"_s;
        QTest::newRow("replaced by rename") << u"rename"_s << false << u"2"_s;
        QTest::newRow("deleted") << u"delete"_s << false << u"-"_s;
        QTest::newRow("created") << u"create"_s << false << u"2"_s;
    }

    void seesChangesByAnotherProgram() {
        QFETCH(QString, change);
        QFETCH(bool, settle);
        QFETCH(QString, expected);
        const QByteArray changed = "[a]\r\nx=2\r\n";
        if (change != u"create"_s)
            QVERIFY(writeFile(iniPath(), "[a]\r\nx=1\r\n"));
        if (settle)
            QThread::msleep(300);
        const IniFile ini(iniPath());
        QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), change == u"create"_s ? u"-"_s : u"1"_s);
        const timespec mtime = statOf(iniPath()).st_mtim;

        if (change == u"in place"_s || change == u"keep mtime"_s || change == u"create"_s) {
            QVERIFY(writeFile(iniPath(), changed));
            setMtime(iniPath(), change == u"in place"_s ? timespec{mtime.tv_sec - 3600, 0} : mtime);
        } else if (change == u"rename"_s) {
            const QString other = m_dir->filePath(u"other.ini"_s);
            QVERIFY(writeFile(other, changed));
            QVERIFY(::rename(QFile::encodeName(other).constData(),
                             QFile::encodeName(iniPath()).constData()) == 0);
        } else {
            QVERIFY(QFile::remove(iniPath()));
        }
        QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), expected);
    }

    void readsAndWritesWholeLines_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("CR LF") << raw("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("mixed ends")
            << cp1251(u"a\r\nб\nc\rd"_s) << QStringList{u"a"_s, u"б"_s, u"c"_s, u"d"_s};
        QTest::newRow("empty lines")
            << raw("\r\n\r\nx\n\n") << QStringList{QString(), QString(), u"x"_s, QString()};
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("byte without a letter") << raw("\x98") << QStringList{QString(QChar(0x98))};
    }

    void readsAndWritesWholeLines() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, lines);
        QVERIFY(writeFile(iniPath(), file));
        IniFile ini(iniPath());
        QCOMPARE(ini.readLines(), lines);

        ini.writeLines(lines);
        const QString written = lines.join(u"\r\n"_s) + (lines.isEmpty() ? u""_s : u"\r\n"_s);
        QCOMPARE(fileBytes(iniPath()), cp1251(written));
        ini.writeLines(lines + QStringList{u"[Вид]"_s, u"k=Я"_s});
        QCOMPARE(ini.readString(u"вид"_s, u"K"_s, u"-"_s), u"Я"_s);
        QCOMPARE(folderEntries(), QStringList{u"envalo.ini"_s});
    }

    void missingFileGivesDefaultsButNoLines() {
        for (const bool folder : {false, true}) {
            if (folder)
                QVERIFY(QDir().mkpath(iniPath()));
            const IniFile ini(iniPath());
            QCOMPARE(ini.readString(u"a"_s, u"x"_s, u"-"_s), u"-"_s);
            QCOMPARE(ini.readInteger(u"a"_s, u"x"_s, 5), 5);
            QCOMPARE(ini.readBool(u"a"_s, u"x"_s, true), true);
            QCOMPARE(ini.sections(), QStringList());
            const QString prefix = u"Не удалось открыть файл настроек %1: "_s.arg(iniPath());
            const QString error = errorOf([&] { ini.readLines(); });
            QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
        }
    }

    void survivesDamagedFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value");

        QByteArray noise(64 * 1024, Qt::Uninitialized);
        QRandomGenerator random(1251);
        for (char& c : noise)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << noise << u"-"_s;
        QTest::newRow("UTF-8 BOM hides the first header")
            << raw("\xEF\xBB\xBF[main]\r\nk=1\r\n") << u"-"_s;
        QTest::newRow("NUL bytes") << raw("[ma\0in]\0\r\nk\0=\0\r\n") << u"-"_s;
        QTest::newRow("10 MB line")
            << "[main]\r\nk=" + QByteArray(10 << 20, 'x') + "\r\nm=2" << QString(2047, u'x');
    }

    void survivesDamagedFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QVERIFY(writeFile(iniPath(), file));
        IniFile ini(iniPath());
        QCOMPARE(ini.readString(u"main"_s, u"k"_s, u"-"_s), value);
        QVERIFY(ini.sections().size() < 16384);
        QVERIFY(!ini.readLines().isEmpty());
        ini.writeString(u"fresh"_s, u"k"_s, u"v"_s);
        const QByteArray after = fileBytes(iniPath());
        QVERIFY(after.startsWith(file));
        QVERIFY(after.endsWith("[fresh]\r\nk=v\r\n"));
        QCOMPARE(ini.readString(u"fresh"_s, u"k"_s, u"-"_s), u"v"_s);
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 7 && qstrcmp(argv[1], "--change-forever") == 0)
        return changeForever(QCoreApplication::arguments().mid(2));
    TestIniFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_inifile.moc"
