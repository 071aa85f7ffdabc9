#include "EditorControls.h"
#include "ErrorOf.h"
#include "ForeignLock.h"
#include "MainControls.h"
#include "ServerDatabase.h"
#include "TestProgram.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/run/Notices.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>

namespace {

QByteArray cp1251(const QString& text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

const char* oldSchema = R"(
create table `table` (id integer primary key, name text, komy text, kyda text,
  intyda integer, galka integer, `groups` text);
create table table2 (id integer primary key, otkogo text, otkyda text, intyt integer,
  `default` integer);
create table `groups` (id integer primary key, pname text, `check` integer);
insert into `table` (name, komy, kyda, intyda, galka, `groups`) values
  ('Сидоров', 'Сидоров С.С.', 'Москва', 101000, 0, '');
insert into `table` (name, komy, kyda, intyda, galka, `groups`) values
  ('Орлов', 'Орлов О.О.', 'Тверь', 170000, 1, '');
insert into table2 (otkogo, otkyda, intyt, `default`) values ('Фирма', 'Казань', 420000, 1);
)";

// Every file of the folder with its size and time of change.
QStringList folderState(const QString& folder) {
    QStringList state;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& file : files)
        state.append(file.fileName() + ' ' + QString::number(file.size()) + ' ' +
                     QString::number(file.lastModified().toMSecsSinceEpoch()));
    return state;
}

} // namespace

// Set in the environment of this test program started again to report its locale.
const char localeChild[] = "ENVALO_TEST_LOCALE_CHILD";

class StartupTest : public QObject {
    Q_OBJECT

public:
    // Run before the application object exists; in the started copy, the program's own start:
    // the locale first, then the application, then the dates and numbers it writes.
    static void initMain();

private slots:
    void datesAreRussian_data();
    void datesAreRussian();
    void startsWithTheSampleRecords();
    void upgradesOldFormatLines();
    void upgradesAnOldDatabaseOnce_data();
    void upgradesAnOldDatabaseOnce();
    void emptyRecipientTable();
    void settingsFileProblems_data();
    void settingsFileProblems();
    void databaseProblems_data();
    void databaseProblems();
    void anAccessAddressBook_data();
    void anAccessAddressBook();
    void oddSettingsFilesStart_data();
    void oddSettingsFilesStart();
    void exitAndClose();
    void oneProgramPerFolder();
    void unloadableProfileReportedOnce_data();
    void unloadableProfileReportedOnce();
};

void StartupTest::initMain() {
    if (qEnvironmentVariableIsEmpty(localeChild))
        return;
    useRussianLocale();
    {
        int argc = 1;
        char name[] = "tst_startup";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        const QLocale system = QLocale::system();
        // As the file dialog writes a file's time.
        const QString lines =
            QStringList{
                system.toString(QDateTime(QDate(2026, 12, 8), QTime(7, 40)), QLocale::ShortFormat),
                system.toString(QDate(2026, 12, 8), QLocale::LongFormat),
                QLocale::languageToString(system.language()), system.toString(1.5)}
                .join(u'\n');
        std::fputs(lines.toUtf8().constData(), stdout);
        // The C library's numbers, as anything that parses them reads them.
        std::printf("\n%g %g\n", 1.5, std::strtod("2.5", nullptr));
        std::fflush(stdout);
    }
    std::_Exit(0);
}

void StartupTest::datesAreRussian_data() {
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("number");  // as QLocale::system() writes 1.5
    QTest::addColumn<QString>("cNumber"); // printf's 1.5 and strtod's "2.5"; empty: not checked
    const QString c = "1.5 2.5";
    QTest::newRow("C, as the tests run") << QStringList{"LC_ALL=C.UTF-8"} << "1.5" << c;
    QTest::newRow("an English desktop") << QStringList{"LANG=en_US.UTF-8"} << "1.5" << c;
    QTest::newRow("English, its language list too")
        << QStringList{"LANG=en_US.UTF-8", "LANGUAGE=en_US:en"} << "1.5" << c;
    QTest::newRow("LC_ALL over a numbers' locale of its own")
        << QStringList{"LC_ALL=en_US.UTF-8", "LC_NUMERIC=de_DE.UTF-8"} << "1.5" << c;
    // The C library writes German numbers too where the German locale is installed.
    QTest::newRow("German numbers stay German")
        << QStringList{"LANG=en_US.UTF-8", "LC_NUMERIC=de_DE.UTF-8"} << "1,5" << QString();
    QTest::newRow("nothing set") << QStringList{} << "1.5" << c;
}

// Dates in Russian wherever QLocale::system() writes them (the file dialog's list), as
// the program's start makes the locale; numbers keep the user's locale.
void StartupTest::datesAreRussian() {
    QFETCH(QStringList, environment);
    QFETCH(QString, number);
    QFETCH(QString, cNumber);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys())
        if (name.startsWith("LC_") || name == "LANG" || name == "LANGUAGE")
            env.remove(name);
    for (const QString& pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    env.insert(localeChild, "1");
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n');
    QCOMPARE(lines.mid(0, 4),
             (QStringList{"08.12.2026 07:40", "вторник, 8 декабря 2026 г.", "Russian", number}));
    if (!cNumber.isEmpty())
        QCOMPARE(lines.value(4), cNumber);
}

void StartupTest::startsWithTheSampleRecords() {
    TestProgram t;
    t.folder.addSettings();
    t.folder.addPictures();
    t.folder.addDatabase();
    t.start();
    QVERIFY2(t.messages.shown.isEmpty(), qPrintable(t.messages.texts("notice").join('|')));
    MainWindow& mainWindow = t.mainWindow();
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Печать конвертов"));
    QCOMPARE(recipientList(mainWindow)->count(), 2);
    QCOMPARE(recipientList(mainWindow)->currentRow(), 0);
    QCOMPARE(nameField(mainWindow)->text(), recipientList(mainWindow)->text(0));
    QVERIFY(!control<QPlainTextEdit>(mainWindow, "komy")->toPlainText().isEmpty());
    QVERIFY(!control<QPlainTextEdit>(mainWindow, "kyda")->toPlainText().contains('\r'));
    QCOMPARE(senderList(mainWindow)->count(), 1);
    QCOMPARE(senderList(mainWindow)->currentRow(), 0);
    QCOMPARE(control<QPlainTextEdit>(mainWindow, "otkogo")->toPlainText(),
             senderList(mainWindow)->item(0)->text().replace("\r\n", "\n"));
    QVERIFY(control<QPlainTextEdit>(mainWindow, "komy")->isEnabled());
    QVERIFY(!control<QPlainTextEdit>(mainWindow, "otkogo")->isEnabled());

    t.runDeferredStep();
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Печать конвертов v1.34"));
    QVERIFY(!mainWindow.endRequested());
    QCOMPARE(recipientProfile(mainWindow)->count(),
             profileList(*t.program->windows().layoutEditor)->count());
    QCOMPARE(recipientProfile(mainWindow)->currentText(), QStringLiteral("Конверт DL"));
    IniFile ini(t.folder.file("envalo.ini"));
    QCOMPARE(ini.readString("option", "profile", "?"), QStringLiteral("Конверт DL"));
    QVERIFY(t.messages.shown.isEmpty());
}

void StartupTest::upgradesOldFormatLines() {
    TestProgram t;
    const QString text = QStringLiteral(
        "[option]\nprofile=Старый\n[Старый]\nformat=C5\nkomu=1\n[Второй]\nformat=c5\n"
        "[Третий]\nformat=C5 \nformat=DL\n[Четвёртый]\nformat=C6\nformat=DL\nx=format=C6\n");
    t.folder.writeSettings(cp1251(text));
    t.folder.addDatabase();
    t.start();
    QVERIFY(t.messages.shown.isEmpty());
    const QByteArray expected = cp1251(QStringLiteral(
        "[option]\r\nprofile=Старый\r\n[Старый]\r\nformat=(162 x 229 мм) C5\r\nkomu=1\r\n"
        "[Второй]\r\nformat=c5\r\n[Третий]\r\nformat=C5 \r\nformat=(110 x 220 мм) DL\r\n"
        "[Четвёртый]\r\nformat=(114 x 162 мм) C6\r\nformat=(110 x 220 мм) DL\r\nx=format=C6\r\n"));
    QCOMPARE(t.folder.settingsBytes(), expected);
    IniFile ini(t.folder.file("envalo.ini"));
    QCOMPARE(ini.readString("Старый", "format", ""), QStringLiteral("(162 x 229 мм) C5"));
}

void StartupTest::upgradesAnOldDatabaseOnce_data() {
    QTest::addColumn<bool>("onServer");
    QTest::newRow("address book in the folder") << false;
    QTest::newRow("address book on a server") << true;
}

void StartupTest::upgradesAnOldDatabaseOnce() {
    QFETCH(bool, onServer);
    std::optional<ServerDatabase> server;
    if (onServer) {
        server.emplace();
        if (!server->available())
            QSKIP(qPrintable(ServerDatabase::skipReason()));
        server->runScript(QString::fromUtf8(oldSchema));
    }
    // The settings, and the address book in the folder or the key that names the server's.
    const auto prepare = [&](TestProgram& program) {
        program.folder.addSettings();
        program.folder.addPictures();
        if (server)
            IniFile(program.folder.file("envalo.ini"))
                .writeString("option", "addressbook", server->text());
    };
    TestProgram t;
    prepare(t);
    if (!server)
        t.folder.addDatabaseFromScript(QString::fromUtf8(oldSchema));
    t.start();
    QVERIFY(t.messages.shown.isEmpty());
    QVERIFY(t.openAddressBook().columnAdded());
    t.runDeferredStep();
    QCOMPARE(t.messages.texts("notice"),
             QStringList{"Структура базы успешно обновлена, необходимо перезапустить программу."});
    QVERIFY(t.mainWindow().endRequested());
    const QString profilesSql = "select profile from `table` order by id";
    const QVariantList profiles =
        server ? server->column(profilesSql) : t.folder.column(profilesSql);
    QCOMPARE(profiles.size(), 2);
    for (const QVariant& p : profiles)
        QCOMPARE(p.toString(), QString());

    t.program.reset();
    TestProgram second;
    if (!server)
        QVERIFY(QFile::copy(t.folder.file("Convert.mdb"), second.folder.file("Convert.mdb")));
    prepare(second);
    second.start();
    QVERIFY(!second.openAddressBook().columnAdded());
    second.runDeferredStep();
    QVERIFY(second.messages.shown.isEmpty());
    QVERIFY(!second.mainWindow().endRequested());
    QCOMPARE(recipientList(second.mainWindow())->count(), 2);
}

void StartupTest::emptyRecipientTable() {
    TestProgram t;
    t.folder.addSettings();
    t.folder.addPictures();
    t.folder.addDatabaseFromScript(TestFolder::shippedSchema() +
                                   "\ninsert into table2 (otkogo, otkyda, intyt, `default`)"
                                   " values ('Фирма', 'Казань', 420000, 1);\n");
    IniFile(t.folder.file("envalo.ini")).writeString("option", "profile", "Конверт C6");
    t.start();
    t.runDeferredStep();
    MainWindow& mainWindow = t.mainWindow();
    QVERIFY(t.messages.shown.isEmpty());
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Печать конвертов v1.34"));
    QCOMPARE(recipientList(mainWindow)->count(), 0);
    QVERIFY(recipientProfile(mainWindow)->count() >= 5);
    QCOMPARE(recipientProfile(mainWindow)->currentIndex(), -1);
    QCOMPARE(IniFile(t.folder.file("envalo.ini")).readString("option", "profile", "?"),
             QStringLiteral("Конверт C6"));
}

void StartupTest::settingsFileProblems_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "такого файла нет";
    QTest::newRow("a folder in its place") << "folder"
                                           << "на месте файла стоит папка";
}

// The notice names the file, and the address book, which is sound, still loads.
void StartupTest::settingsFileProblems() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TestProgram t;
    t.folder.addDatabase();
    if (kind == "folder")
        QVERIFY(QDir(t.folder.appdir()).mkdir("envalo.ini"));
    t.start();
    QCOMPARE(t.messages.texts("notice"), QStringList{"Не удалось открыть файл настроек " +
                                                     t.folder.file("envalo.ini") + ": " + reason});
    MainWindow& mainWindow = t.mainWindow();
    QVERIFY(t.openAddressBook().isOpen());
    QCOMPARE(recipientList(mainWindow)->count(),
             t.folder.value("select count(*) from `table`").toInt());
    QVERIFY(recipientList(mainWindow)->count() > 0);
    QVERIFY(senderList(mainWindow)->count() > 0);
    t.runDeferredStep();
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Печать конвертов v1.34"));
    t.verifyNothingUnexpected();
    // Nothing made or replaced in the file's place.
    QCOMPARE(QFileInfo(t.folder.file("envalo.ini")).isDir(), kind == "folder");
    QCOMPARE(QFileInfo::exists(t.folder.file("envalo.ini")), kind == "folder");
}

void StartupTest::databaseProblems_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // %1 is the database file's full path
    QTest::newRow("missing") << "missing"
                             << "Файл базы данных «%1» не найден.";
    QTest::newRow("empty") << "empty"
                           << "Файл базы данных «%1» пуст (0 байт).";
    QTest::newRow("a text file")
        << "text"
        << "Файл «%1» не является базой данных адресов (file is not a database).";
    QTest::newRow("a truncated copy")
        << "truncated"
        << "Файл базы данных «%1» повреждён (database disk image is malformed).";
    QTest::newRow("a table missing") << "table"
                                     << "В файле базы данных «%1» нет таблицы «groups».";
    QTest::newRow("held by another program")
        << "locked"
        << "Файл базы данных «%1» занят другой программой (database is locked). Попробуйте ещё "
           "раз чуть позже.";
}

void StartupTest::databaseProblems() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestProgram t;
    t.folder.addSettings();
    t.folder.addPictures();
    const QString path = t.folder.file("Convert.mdb");
    const auto write = [&path](const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    std::optional<ForeignLock> lock;
    if (kind == "empty") {
        write({});
    } else if (kind == "text") {
        write("Это не база данных, а письмо.\n");
    } else if (kind == "truncated") {
        t.folder.addDatabase();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(1500));
    } else if (kind == "table") {
        t.folder.addDatabaseFromScript(
            "create table `table` (id integer primary key, name text, komy text, kyda text,"
            " intyda integer, galka integer, `groups` text, profile text);\n"
            "create table table2 (id integer primary key, otkogo text, otkyda text,"
            " intyt integer, `default` integer);\n");
    } else if (kind == "locked") {
        // A file not yet in WAL mode, where another program's write shuts out readers.
        t.folder.addDatabase();
        lock.emplace(path, ForeignLock::Kind::Exclusive);
        QVERIFY2(lock->held(), qPrintable(lock->error()));
    }
    QByteArray before;
    if (QFile f(path); f.open(QIODevice::ReadOnly))
        before = f.readAll();

    t.start();
    lock.reset();
    QCOMPARE(t.messages.texts("notice"), QStringList{message.arg(path)});
    MainWindow& mainWindow = t.mainWindow();
    QCOMPARE(recipientList(mainWindow)->count(), 0);
    QVERIFY(!control<QTimer>(mainWindow, "Timer1")->isActive());
    t.program.reset();

    QCOMPARE(QFile::exists(path), kind != "missing");
    if (kind != "missing") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
    const QStringList left = QDir(t.folder.appdir()).entryList(QDir::Files);
    QVERIFY2(!left.contains("Convert.mdb-wal") || kind == "table", qPrintable(left.join(',')));
}

void StartupTest::anAccessAddressBook_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("cutAt");
    QTest::addColumn<int>("answer"); // -1: no question
    QTest::addColumn<QString>("keptAs");
    QTest::addColumn<QString>("message"); // what is said after the question; %1 the folder
    // The most any file of the process may grow to: a small file system filled up.
    QTest::addColumn<qint64>("fileSizeLimit");
    QTest::newRow("Jet 4, converted")
        << "Convert_V2003.mdb" << qint64(-1) << 1 << "Convert (Microsoft Access).mdb"
        << "Адресная книга «%1Convert.mdb» преобразована: получателей 503, отправителей 1, "
           "групп 2. Старый файл сохранён как «%1Convert (Microsoft Access).mdb»."
        << qint64(-1);
    QTest::newRow("ACE, converted")
        << "Convert_V2007.accdb" << qint64(-1) << 1 << "Convert (Microsoft Access).accdb"
        << "Адресная книга «%1Convert.mdb» преобразована: получателей 503, отправителей 1, "
           "групп 2. Старый файл сохранён как «%1Convert (Microsoft Access).accdb»."
        << qint64(-1);
    QTest::newRow("declined: the program ends")
        << "Convert_V2000.mdb" << qint64(-1) << 0 << "Convert (Microsoft Access).mdb"
        << "Программа не может работать с адресной книгой «%1Convert.mdb» в формате Microsoft "
           "Access и завершает работу. Файл не изменён."
        << qint64(-1);
    QTest::newRow("converting, the disk fills up: the program ends")
        << "Convert_V2000.mdb" << qint64(-1) << 1 << "Convert (Microsoft Access).mdb"
        << "Адресная книга «%1Convert.mdb» не преобразована и осталась как была. "
        << qint64(48 * 1024);
    // A Jet file's first page alone.
    QTest::newRow("a Jet header alone: nothing asked, the program ends")
        << "" << qint64(-1) << -1 << QString()
        << "Файл базы данных Microsoft Access «%1Convert.mdb» повреждён, обрезан или зашифрован "
           "паролем: его таблицы не читаются."
        << qint64(-1);
    QTest::newRow("damaged: nothing asked, the program ends")
        << "Convert_V2000.mdb" << qint64(49 * 4096) << -1 << QString()
        << "Файл базы данных Microsoft Access «%1Convert.mdb» повреждён или обрезан (в таблице "
           "«table» прочитано записей 248 из 503)."
        << qint64(-1);
}

// The folder of an older Windows installation: its Convert.mdb is an Access file.
void StartupTest::anAccessAddressBook() {
    QFETCH(QString, file);
    QFETCH(qint64, cutAt);
    QFETCH(int, answer);
    QFETCH(QString, keptAs);
    QFETCH(QString, message);
    QFETCH(qint64, fileSizeLimit);
    TestProgram t;
    t.folder.addSettings();
    t.folder.addPictures();
    const QString path = t.folder.file("Convert.mdb");
    QByteArray access = QByteArray("\0\x01\0\0Standard Jet DB\0", 20) + QByteArray(4076, '\0');
    if (!file.isEmpty()) {
        QFile source(ENVALO_TEST_ACCESS_DIR "/" + file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        access = source.readAll();
        if (cutAt >= 0)
            access.truncate(cutAt);
    }
    {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(access) == access.size());
    }
    const QStringList before = folderState(t.folder.appdir());
    if (answer >= 0)
        t.messages.answer(answer == 1);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit previous = limit;
    if (fileSizeLimit > 0) {
        // A write past the limit then fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = rlim_t(fileSizeLimit);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    }
    const QString error = errorOf([&] { t.start(); });
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, SIG_DFL);
    const QString folder = QDir::toNativeSeparators(t.folder.appdir());
    message = message.arg(folder);
    if (answer >= 0) {
        QCOMPARE(t.messages.texts("question"),
                 QStringList{"Адресная книга «" + folder +
                             "Convert.mdb» создана старой версией программы (Microsoft Access). "
                             "Преобразовать её? Старый файл останется рядом под именем «" +
                             keptAs + "»."});
    }
    if (fileSizeLimit > 0) {
        QVERIFY2(error.startsWith(message), qPrintable(error));
        QVERIFY2(error.contains(".Convert.mdb.envalo-new"), qPrintable(error));
    }
    if (answer != 1 || fileSizeLimit > 0) {
        if (fileSizeLimit < 0)
            QCOMPARE(error, message);
        QCOMPARE(folderState(t.folder.appdir()), before);
        QFile left(path);
        QVERIFY(left.open(QIODevice::ReadOnly));
        QCOMPARE(left.readAll(), access);
        return;
    }
    QCOMPARE(error, QString());
    QCOMPARE(t.messages.texts("notice"), QStringList{message});
    QFile kept(t.folder.file(keptAs));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), access);
    QCOMPARE(recipientList(t.mainWindow())->count(), 503);
    QCOMPARE(senderList(t.mainWindow())->count(), 1);
    QCOMPARE(t.folder.value("select count(*) from `groups`").toInt(), 2);
    t.runDeferredStep();
    t.verifyNothingUnexpected();
}

void StartupTest::oddSettingsFilesStart_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[option]\r\nprofile=x\r\n");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919) % 256));
    QTest::newRow("binary garbage") << garbage;
    QTest::newRow("a 10 MB line") << (QByteArray("[a]\r\nk=") + QByteArray(10 << 20, 'x'));
    QTest::newRow("section without bracket") << QByteArray("[Конверт\r\nformat=C5\r\n");
}

void StartupTest::oddSettingsFilesStart() {
    QFETCH(QByteArray, bytes);
    TestProgram t;
    t.folder.writeSettings(bytes);
    t.folder.addDatabase();
    t.start();
    QVERIFY2(t.messages.texts("notice").isEmpty(),
             qPrintable(t.messages.texts("notice").join('|')));
    QCOMPARE(recipientList(t.mainWindow())->count(), 2);
    t.runDeferredStep();
    QCOMPARE(t.mainWindow().windowTitle(), QStringLiteral("Печать конвертов v1.34"));
}

void StartupTest::exitAndClose() {
    TestProgram t;
    t.startAsShipped();
    MainWindow& mainWindow = t.mainWindow();
    const QByteArray settings = t.folder.settingsBytes();

    t.messages.answer(false);
    control<QAction>(mainWindow, "menuExit")->trigger();
    QCOMPARE(t.messages.shown.size(), 1);
    QCOMPARE(t.messages.shown[0].title, QStringLiteral("Подтвердите"));
    QCOMPARE(t.messages.shown[0].text,
             QStringLiteral("Нажмите ОК, чтобы завершить работу программы"));
    QVERIFY(!mainWindow.endRequested());
    QCOMPARE(t.folder.settingsBytes(), settings);

    t.messages.answer(true);
    control<QAction>(mainWindow, "menuExit")->trigger();
    QVERIFY(mainWindow.endRequested());

    TestProgram closing;
    closing.folder.addSettings();
    closing.folder.addPictures();
    closing.folder.addDatabase();
    closing.start();
    closing.mainWindow().show();
    QVERIFY(closing.mainWindow().close());
    QVERIFY(closing.messages.shown.isEmpty());
    QVERIFY(closing.mainWindow().endRequested());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"

void StartupTest::oneProgramPerFolder() {
    TestProgram first;
    first.startAsShipped();
    const QStringList before = folderState(first.folder.appdir());

    ScriptedMessages messages;
    const QString error = errorOf([&] { Program second(first.folder.appdir(), messages); });
    QCOMPARE(error, "Программа уже запущена с папкой «" +
                        QDir(first.folder.appdir()).absolutePath() +
                        "». Перейдите в её окно или закройте её, прежде чем запускать снова.");
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(folderState(first.folder.appdir()), before);

    // A lock left behind by a program that ended without releasing it is taken over.
    first.program.reset();
    QProcess ended;
    ended.start("sh", {"-c", "echo $$"});
    QVERIFY(ended.waitForFinished());
    QFile lock(first.folder.file(".envalo.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(ended.readAllStandardOutput().trimmed() + '\n' +
               QCoreApplication::applicationName().toUtf8() + '\n' +
               QSysInfo::machineHostName().toUtf8() + '\n');
    lock.close();
    first.start();
    first.runDeferredStep();
    QCOMPARE(first.mainWindow().windowTitle(), QStringLiteral("Печать конвертов v1.34"));
    first.verifyNothingUnexpected();
}

void StartupTest::unloadableProfileReportedOnce_data() {
    QTest::addColumn<bool>("storeFirst");
    QTest::newRow("the deferred step fires first") << false;
    QTest::newRow("the profile store's timer fires first") << true;
}

// Without the pictures no profile loads: the user hears of it once, not once per timer.
void StartupTest::unloadableProfileReportedOnce() {
    QFETCH(bool, storeFirst);
    TestProgram t;
    t.folder.addSettings();
    t.folder.addDatabase();
    t.start();
    ProfileStore& opt = *t.program->windows().profileStore;
    if (storeFirst)
        guarded(t.messages, [&] { opt.loadStartProfile(); });
    t.runDeferredStep();
    const QStringList errors = t.messages.texts("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith("Ошибка загрузки профиля «"), qPrintable(errors[0]));
}
