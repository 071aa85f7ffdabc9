#include "EditorControls.h"
#include "MainControls.h"
#include "ServerDatabase.h"
#include "TestProgram.h"
#include "Tools.h"

#include "core/UserError.h"
#include "core/envelope/Envelope.h"
#include "core/profiles/IniFile.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintQueue.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Messages.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/WindowPrintRun.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <optional>

#include <csignal>
#include <sys/resource.h>

namespace {

// Pages as the printer would get them.
struct Recorder : PageTarget {
    struct Page {
        QString recipient, profile, block7;
        qint64 x, y;
    };
    QList<Page> pages;
    // How many times the queue refuses the next envelope for its limit of jobs.
    int full = 0;
    void printDocument(const Envelope& envelope, const PagePlacement& placement,
                       const PageRequest& request) override {
        if (full > 0) {
            --full;
            throw QueueFull(QStringLiteral("Очередь печати «PDF» заполнена."));
        }
        pages.append({request.recipient, request.profile, envelope.blocks[6].text, placement.x,
                      placement.y});
    }
    QStringList order() const {
        QStringList result;
        for (const Page& page : pages)
            result.append(page.recipient + '/' + page.profile);
        return result;
    }
};

const QString recipients = rowsSql({{"Агеев", "Агееву", "Москва", 101000, false, "Конверт DL"},
                                    {"Борисов", "Борисову", "Тверь", 170000, false, "Конверт DL"},
                                    {"Волков", "Волкову", "Омск", 644000, false, "Конверт DL"}},
                                   {{"Фирма", "Казань", 420000, true}});

struct Run : TestProgram {
    Recorder recorder;
    LayoutEditor* v = nullptr;

    // The address book is the folder's file, or a database on the server when one is given.
    // `changes` is run on the folder's address book after its rows are in.
    explicit Run(int printdelay = 0, const QString& pdmode = "1",
                 const ServerDatabase* server = nullptr, const QString& changes = {}) {
        folder.addSettings();
        folder.addPictures();
        IniFile ini(folder.file("envalo.ini"));
        if (server) {
            server->runScript(TestFolder::shippedSchema() + recipients);
            ini.writeString("option", "addressbook", server->text());
        } else {
            folder.addDatabaseFromScript(TestFolder::shippedSchema() + recipients + changes);
        }
        ini.writeString("option", "printdelay", QString::number(printdelay));
        ini.writeString("option", "pdmode", pdmode);
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        mainWindow().pageOutput().setTarget(&recorder);
        messages.reset();
    }
    void choose(const QStringList& profiles) {
        const QStringList items = printList(*v)->Items();
        for (int i = 0; i < items.size(); ++i)
            printList(*v)->SetChecked(i, profiles.contains(items[i]));
    }
    void tick(const QStringList& names) {
        for (int i = 0; i < recipientList(mainWindow())->count(); ++i)
            recipientList(mainWindow())
                ->lines()
                .setChecked(i, names.contains(recipientList(mainWindow())->text(i)));
    }
    void print() { control<QToolButton>(mainWindow(), "ToolButton1")->click(); }
    int delayWindows() const { return int(messages.texts("modal").count("Задержка")); }
};

void pressPrint(QDialog& d) {
    control<QToolButton>(d, ControlNames::Printing::delayPrint)->click();
}

} // namespace

class PrintRunTest : public QObject {
    Q_OBJECT

private slots:
    void recipientsOutsideProfilesInside_data();
    void recipientsOutsideProfilesInside();
    void nothingTickedPrintsTheSelectedOne();
    void noChosenProfilePrintsNothing();
    void delays_data();
    void delays();
    void cancelStopsTheRun();
    void confirmationFollowsTheProfileJustPrinted();
    void profileThatCannotBeLoadedEndsTheRun();
    void emptyListDoesNothing();
    void filesThatCannotBeWrittenEndTheRun();
    void aFullQueueIsWaitedForOrStopped_data();
    void aFullQueueIsWaitedForOrStopped();
    void theClosingNoticeNamesWhatTheQueueRefused();
    void textThatDoesNotFitIsAskedAboutBeforeTheRun_data();
    void textThatDoesNotFitIsAskedAboutBeforeTheRun();
    void misfitsQuestionCountsWhatItDoesNotName();
    void oneJobUnlessTheRunWaits_data();
    void oneJobUnlessTheRunWaits();
};

void PrintRunTest::recipientsOutsideProfilesInside_data() {
    QTest::addColumn<bool>("onServer");
    QTest::newRow("address book in the folder") << false;
    QTest::newRow("address book on a server") << true;
}

void PrintRunTest::recipientsOutsideProfilesInside() {
    QFETCH(bool, onServer);
    std::optional<ServerDatabase> server;
    if (onServer) {
        server.emplace();
        if (!server->available())
            QSKIP(qPrintable(ServerDatabase::skipReason()));
    }
    Run r(0, "1", server ? &*server : nullptr);
    r.tick({"Агеев", "Борисов", "Волков"});
    r.choose({"Конверт DL", "Конверт C6"});
    r.print();
    QCOMPARE(r.recorder.order(),
             (QStringList{"Агеев/Конверт DL", "Агеев/Конверт C6", "Борисов/Конверт DL",
                          "Борисов/Конверт C6", "Волков/Конверт DL", "Волков/Конверт C6"}));
    QCOMPARE(r.recorder.pages[2].block7, QStringLiteral("Борисову"));
    // Back on the profile that was current, with the last recipient in the editors.
    QCOMPARE(profileList(*r.v)->currentText(), QStringLiteral("Конверт DL"));
    QCOMPARE(nameField(r.mainWindow())->text(), QStringLiteral("Волков"));
    r.verifyNothingUnexpected();
}

void PrintRunTest::nothingTickedPrintsTheSelectedOne() {
    Run r;
    recipientList(r.mainWindow())->setCurrentRow(1);
    nameField(r.mainWindow())->setText("не сохранено");
    r.program->windows().profileStore->load("Конверт C5");
    r.choose({"Конверт DL", "Конверт C6"});
    r.print();
    QCOMPARE(r.recorder.order(), (QStringList{"Борисов/Конверт DL", "Борисов/Конверт C6"}));
    QCOMPARE(profileList(*r.v)->currentText(), QStringLiteral("Конверт C5"));
    r.verifyNothingUnexpected();
}

void PrintRunTest::noChosenProfilePrintsNothing() {
    Run r;
    r.choose({});
    r.print();
    // The run loads the saved profile again, and with it that profile's own choice.
    QCOMPARE(printList(*r.v)->CheckedText(), QStringLiteral("Конверт DL"));
    r.choose({});
    r.tick({"Агеев", "Волков"});
    r.print();
    QVERIFY(r.recorder.pages.isEmpty());
    QCOMPARE(nameField(r.mainWindow())->text(), QStringLiteral("Волков"));
    r.verifyNothingUnexpected();
}

void PrintRunTest::delays_data() {
    QTest::addColumn<int>("printdelay");
    QTest::addColumn<QString>("pdmode");
    QTest::addColumn<int>("profiles");
    QTest::addColumn<int>("windows");
    QTest::newRow("no delay, confirmation on") << 0 << "1" << 2 << 0;
    QTest::newRow("before every envelope") << 3 << "1" << 1 << 2;
    QTest::newRow("only by profiles, one profile") << 3 << "2" << 1 << 0;
    QTest::newRow("only by profiles, two profiles") << 3 << "2" << 2 << 4;
    QTest::newRow("another mode") << 3 << "7" << 2 << 0;
}

void PrintRunTest::delays() {
    QFETCH(int, printdelay);
    QFETCH(QString, pdmode);
    QFETCH(int, profiles);
    QFETCH(int, windows);
    Run r(printdelay, pdmode);
    control<QCheckBox>(*r.v, "cb3")->setChecked(true);
    r.tick({"Агеев", "Волков"});
    r.choose(QStringList{"Конверт DL", "Конверт C6"}.mid(0, profiles));
    for (int i = 0; i < windows; ++i)
        r.messages.onModal(pressPrint);
    r.print();
    QCOMPARE(r.delayWindows(), windows);
    QCOMPARE(r.recorder.pages.size(), 2 * profiles);
    r.verifyNothingUnexpected();
}

void PrintRunTest::cancelStopsTheRun() {
    Run r(5);
    r.tick({"Агеев", "Борисов", "Волков"});
    r.program->windows().profileStore->load("Конверт C5");
    r.choose({"Конверт C6", "Конверт DL"});
    for (int i = 0; i < 3; ++i)
        r.messages.onModal(pressPrint);
    r.messages.onModal([](QDialog& d) {
        QCOMPARE(control<QLabel>(d, ControlNames::Printing::delayRecord)->text(),
                 QStringLiteral("Борисов"));
        QCOMPARE(control<QLabel>(d, ControlNames::Printing::delayProfile)->text(),
                 QStringLiteral("Конверт C6"));
        control<QToolButton>(d, ControlNames::Printing::delayCancel)->click();
    });
    r.print();
    QCOMPARE(r.recorder.pages.size(), 3);
    QVERIFY(r.mainWindow().printStopped());
    // The profile of the last envelope printed, not the one current before the run.
    QCOMPARE(profileList(*r.v)->currentText(), QStringLiteral("Конверт DL"));
    r.verifyNothingUnexpected();
}

void PrintRunTest::confirmationFollowsTheProfileJustPrinted() {
    Run r(3);
    IniFile ini(r.folder.file("envalo.ini"));
    ini.writeString("Конверт DL", "printconfirm", "0");
    r.program->windows().profileStore->load("Конверт C5");
    QVERIFY(control<QCheckBox>(*r.v, "cb3")->isChecked());
    r.tick({"Агеев", "Борисов"});
    r.choose({"Конверт DL", "Конверт C6"});
    QStringList counts;
    for (int i = 0; i < 4; ++i)
        r.messages.onModal([&](QDialog& d) {
            counts.append(control<QLabel>(d, ControlNames::Printing::delayCountdown)->text());
            control<QToolButton>(d, ControlNames::Printing::delayPrint)->click();
        });
    r.print();
    // A recipient's first envelope waits as the editor's profile says, every other one
    // as the profile of the envelope printed just before it.
    QCOMPARE(counts, (QStringList{"Ожидание", "3", "Ожидание", "3"}));
    QCOMPARE(r.recorder.pages.size(), 4);
    r.verifyNothingUnexpected();
}

void PrintRunTest::profileThatCannotBeLoadedEndsTheRun() {
    Run r;
    IniFile ini(r.folder.file("envalo.ini"));
    ini.writeString("Конверт C6", "listpos", "9");
    r.tick({"Агеев", "Борисов"});
    r.choose({"Конверт DL", "Конверт C6"});
    r.print();
    QCOMPARE(r.recorder.order(), QStringList{"Агеев/Конверт DL"});
    QString expected;
    try {
        r.program->windows().profileStore->load("Конверт C6");
    } catch (const UserError& e) {
        expected = e.message();
    }
    QVERIFY(expected.startsWith("Ошибка загрузки профиля «Конверт C6».\r\n"));
    QCOMPARE(r.messages.texts("error"), QStringList{errorNoticeText(expected)});
    r.messages.reset();
}

void PrintRunTest::emptyListDoesNothing() {
    Run r;
    control<QLineEdit>(r.mainWindow(), "editfind")->setText("никого");
    r.mainWindow().records().search();
    QCOMPARE(recipientList(r.mainWindow())->count(), 0);
    r.choose({"Конверт DL"});
    r.print();
    QVERIFY(r.recorder.pages.isEmpty());
    r.verifyNothingUnexpected();
}

// Without a print queue, each envelope becomes a file; a file that cannot be written (here
// larger than this process may write, as a full disk refuses it) ends the run at once with
// one notice, and the delay window is not shown again.
void PrintRunTest::filesThatCannotBeWrittenEndTheRun() {
    Run r(5);
    r.mainWindow().setPageOutput(std::make_unique<PageOutput>(r.messages, r.folder.appdir(),
                                                              PrintDestination::intoFolder()));
    QTemporaryDir out;
    r.mainWindow().pageOutput().setFilesFolder(out.path());
    r.mainWindow().pageOutput().checkprinter({r.mainWindow().scrDpiX(), r.mainWindow().scrDpiY()});
    r.tick({"Агеев", "Борисов", "Волков"});
    r.program->windows().profileStore->load("Конверт DL");
    r.choose({"Конверт DL"});
    r.messages.onModal(pressPrint);
    rlimit before{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &before) == 0);
    const auto ignored = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = before;
    limited.rlim_cur = 30000;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    r.print();
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, ignored);
    const QString file = QDir::toNativeSeparators(out.filePath("Агеев - Конверт DL - 1.pdf"));
    QCOMPARE(r.messages.texts("notice"),
             QStringList{QStringLiteral("Не удалось записать файл «%1»: файл больше, чем разрешено "
                                        "системой. Печать остановлена; в папке «%2» готовых файлов "
                                        "с конвертами: 0.")
                             .arg(file, QDir::toNativeSeparators(out.path()))});
    QVERIFY(r.mainWindow().printStopped());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    r.verifyNothingUnexpected();
}

void PrintRunTest::aFullQueueIsWaitedForOrStopped_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("the queue takes the envelope again: the run goes on") << false;
    QTest::newRow("stopped in the progress window: nothing more is printed") << true;
}

// A queue at its limit of jobs refuses the first envelope twice: the progress window shows
// the wait while the envelope is sent again, and its "Отмена" stops the run.
void PrintRunTest::aFullQueueIsWaitedForOrStopped() {
    QFETCH(bool, cancel);
    Run r;
    r.tick({"Агеев", "Борисов", "Волков"});
    r.choose({"Конверт DL"});
    r.recorder.full = 2;
    if (cancel)
        r.messages.cancelProgressAt(0);
    r.print();
    if (cancel) {
        QCOMPARE(r.recorder.pages.size(), 0);
        QVERIFY(r.mainWindow().printStopped());
        QCOMPARE(r.messages.progressSteps, 1);
    } else {
        QCOMPARE(r.recorder.order(),
                 QStringList({"Агеев/Конверт DL", "Борисов/Конверт DL", "Волков/Конверт DL"}));
        QVERIFY(!r.mainWindow().printStopped());
        // Two waits, each shown before and after its pause, then the window closes.
        QCOMPARE(r.messages.progressSteps, 5);
    }
    // No envelope is reported as failed.
    r.verifyNothingUnexpected();
    QVERIFY(r.messages.texts("notice").isEmpty());
}

// After a run into a queue the window says how many envelopes the queue accepted and which
// it did not, each refusal having been told as it happened.
void PrintRunTest::theClosingNoticeNamesWhatTheQueueRefused() {
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    const DiscardingQueue discarding(QStringLiteral("REFUSING"));
    const QString& queue = discarding.name;
    runTool("cupsreject", {queue});
    Run r;
    r.mainWindow().setPageOutput(std::make_unique<PageOutput>(r.messages, r.folder.appdir(),
                                                              PrintDestination::toQueue(queue)));
    r.mainWindow().pageOutput().checkprinter({r.mainWindow().scrDpiX(), r.mainWindow().scrDpiY()});
    r.tick({"Агеев", "Борисов"});
    r.choose({"Конверт DL"});
    r.print();
    const QString refused = QStringLiteral("Принтер «%1» не принял документ.").arg(queue);
    QCOMPARE(r.messages.texts("notice"),
             QStringList({refused, refused,
                          QStringLiteral("Очередь печати «%1» приняла конвертов: 0 из 2.\r\n"
                                         "Не принят: Агеев, профиль «Конверт DL».\r\n"
                                         "Не принят: Борисов, профиль «Конверт DL».")
                              .arg(queue)}));
    r.verifyNothingUnexpected();
}

void PrintRunTest::textThatDoesNotFitIsAskedAboutBeforeTheRun_data() {
    QTest::addColumn<int>("printdelay");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("printed");
    // What each delay window named under its countdown, by recipient.
    QTest::addColumn<QStringList>("named");
    const QStringList all{"Агеев/Конверт DL", "Борисов/Конверт DL", "Волков/Конверт DL"};
    QTest::newRow("«Да»: printed without a wait") << 0 << true << all << QStringList();
    QTest::newRow("«Нет»: nothing printed") << 0 << false << QStringList() << QStringList();
    QTest::newRow("«Да» with a print delay: each envelope waits as it says, naming the lines")
        << 3 << true << all
        << QStringList{"Агеев: ", "Борисов: Не помещается:\n«Куда», строка 4 не печатается",
                       "Волков: "};
}

// The window asks once, before the first envelope, naming the envelopes whose text does not
// fit; the run then goes as the print delay says, and never stops for them on its own.
void PrintRunTest::textThatDoesNotFitIsAskedAboutBeforeTheRun() {
    QFETCH(int, printdelay);
    QFETCH(bool, yes);
    QFETCH(QStringList, printed);
    QFETCH(QStringList, named);
    Run r(printdelay, "1", nullptr,
          "update `table` set kyda = 'ул. Мира, д. 1' || char(10) || 'кв. 2' || char(10) || "
          "'г. Тверь' || char(10) || 'Россия' where name = 'Борисов';\n");
    r.tick({"Агеев", "Борисов", "Волков"});
    r.choose({"Конверт DL"});
    r.messages.answer(yes);
    QStringList shown;
    for (int i = 0; i < named.size(); ++i)
        r.messages.onModal([&](QDialog& d) {
            auto* misfits = control<QLabel>(d, ControlNames::Printing::delayMisfits);
            shown.append(control<QLabel>(d, ControlNames::Printing::delayRecord)->text() + ": " +
                         (misfits->isHidden() ? QString() : misfits->text()));
            pressPrint(d);
        });
    r.print();
    QCOMPARE(r.messages.texts("question"),
             QStringList{"Текст не помещается на конвертах (1):\r\n"
                         "Борисов, профиль «Конверт DL»: «Куда», строка 4 не печатается\r\n"
                         "Печатать всё равно?"});
    QCOMPARE(r.recorder.order(), printed);
    QCOMPARE(r.delayWindows(), int(named.size()));
    QCOMPARE(shown, named);
    QCOMPARE(r.mainWindow().printStopped(), !yes);
    r.verifyNothingUnexpected();
}

// A long list names the first fifteen envelopes and counts the rest.
void PrintRunTest::misfitsQuestionCountsWhatItDoesNotName() {
    const LineMisfit cut{LineMisfit::Kind::Cut, 9, 1, "ул. Баграмяна", {}};
    std::vector<EnvelopeMisfits> misfits;
    for (int i = 1; i <= 17; ++i)
        misfits.push_back({QString::number(i), "Конверт C6", {cut}});
    misfits[1].recipient.clear();
    const QStringList lines = misfitsQuestion(misfits).split("\r\n");
    QCOMPARE(lines.size(), 1 + 15 + 2);
    QCOMPARE(lines.first(), "Текст не помещается на конвертах (17):");
    QCOMPARE(lines[1], "1, профиль «Конверт C6»: «Куда», строка 1 обрезана");
    QCOMPARE(lines[2], "профиль «Конверт C6»: «Куда», строка 1 обрезана");
    QCOMPARE(lines[15], "15, профиль «Конверт C6»: «Куда», строка 1 обрезана");
    QCOMPARE(lines[16], "… и ещё 2");
    QCOMPARE(lines.last(), "Печатать всё равно?");
}

void PrintRunTest::oneJobUnlessTheRunWaits_data() {
    QTest::addColumn<int>("printdelay");
    QTest::addColumn<int>("jobs");
    QTest::newRow("no delay: the run is one job") << 0 << 1;
    QTest::newRow("a delay before every envelope: a job each") << 3 << 4;
}

// «Весь тираж одним заданием» is kept in [option]; a run that waits between envelopes still
// sends a job per envelope.
void PrintRunTest::oneJobUnlessTheRunWaits() {
    QFETCH(int, printdelay);
    QFETCH(int, jobs);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    const DiscardingQueue discarding(QStringLiteral("WINDOWJOB"));
    const QString& queue = discarding.name;
    Run r(printdelay);
    auto* oneJob = r.mainWindow().findChild<QAction*>(ControlNames::Main::oneJobCommand);
    QVERIFY(oneJob && oneJob->isCheckable() && !oneJob->isChecked());
    QVERIFY(oneJob->toolTip().contains("задержка печати"));
    oneJob->trigger();
    QVERIFY(oneJob->isChecked());
    QCOMPARE(IniFile(r.folder.file("envalo.ini")).readString("option", "onejob", {}), "1");
    r.mainWindow().pageOutput().setTarget(nullptr);
    r.mainWindow().pageOutput().setDestination(PrintDestination::toQueue(queue));
    r.tick({"Агеев", "Волков"});
    r.choose({"Конверт DL", "Конверт C6"});
    for (int i = 0; i < (printdelay > 0 ? 4 : 0); ++i)
        r.messages.onModal(pressPrint);
    r.print();
    QCOMPARE(r.delayWindows(), printdelay > 0 ? 4 : 0);
    QCOMPARE(runTool("lpstat", {"-W", "all", "-o", queue}).split('\n', Qt::SkipEmptyParts).size(),
             jobs);
    r.verifyNothingUnexpected();
    oneJob->trigger();
    QCOMPARE(IniFile(r.folder.file("envalo.ini")).readString("option", "onejob", {}), "0");
}

QTEST_MAIN(PrintRunTest)
#include "tst_printrun.moc"
