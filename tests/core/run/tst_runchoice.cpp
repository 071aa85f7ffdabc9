#include "ErrorOf.h"
#include "FifoReader.h"
#include "TestFolder.h"
#include "Tools.h"

#include "core/OutputFile.h"
#include "core/envelope/Envelope.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/run/AddressBook.h"
#include "core/run/AddressRules.h"
#include "core/run/Destination.h"
#include "core/run/JobFates.h"
#include "core/run/Notices.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintRun.h"
#include "core/run/ProgramFolder.h"
#include "core/run/ReadOnlyFolder.h"
#include "core/run/RunChoice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Table order differs from list order; Гусев is only in a group not ticked for the list.
const QString addressBook =
    QStringLiteral("insert into `table` (name, komy, kyda, intyda, galka, `groups`) values\n"
                   "  ('Волков', 'Волкову', 'Омск', 644000, 1, ''),\n"
                   "  ('Агеев', 'Агееву', 'Москва', 101000, 0, 'Партнёры'),\n"
                   "  ('борисов', 'Борисову', 'Тверь', 170000, 1, 'Партнёры;Архив'),\n"
                   "  ('Гусев', 'Гусеву', 'Чита', 672000, 1, 'Архив');\n"
                   "insert into `groups` (pname, `check`) values ('Партнёры', 1), ('Архив', 0);\n");

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// SQLite's side files aside: a reader of a database in WAL mode makes them to read safely
// while another program writes, and they hold nothing of the address book.
QStringList folderEntries(const QString& path) {
    QStringList entries =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    entries.removeIf([](const QString& name) {
        return name.endsWith(QLatin1String(".mdb-wal")) || name.endsWith(QLatin1String(".mdb-shm"));
    });
    return entries;
}

const QString runBook = rowsSql({{"Агеев", "Агееву", "Москва", 101000, false, "Конверт DL"},
                                 {"Борисов", "Борисову", "Тверь", 170000, false, "Конверт DL"},
                                 {"Волков", "Волкову", "Омск", 644000, false, "Конверт DL"}},
                                {{"Фирма", "Казань", 420000, true}});

struct NoticeList : Notices {
    QStringList texts;
    void notice(const QString& text) override { texts.append(text); }
};

// Pages as the printer would get them: recipient/profile/the addressee's block.
struct PageList : PageTarget {
    QStringList pages;
    QList<Envelope> envelopes;
    void printDocument(const Envelope& envelope, const PagePlacement&,
                       const PageRequest& request) override {
        pages.append(request.recipient + '/' + request.profile + '/' + envelope.blocks[6].text);
        envelopes.append(envelope);
    }
};

// The window's side of a run as a script: what it is shown, in order, and its answers to
// the waits ('p' print, 's' stop; print when none is left).
struct RunScript : PrintRunObserver {
    QString answers;
    bool editorConfirms = true;
    QStringList events;
    void recipientStarts(int line, const QString& name) override {
        events.append(QStringLiteral("recipient %1 %2").arg(line).arg(name));
    }
    bool confirmsAtRecipientStart() override { return editorConfirms; }
    bool proceed(const QString& recipient, const QString& profile, bool confirm) override {
        events.append(QStringLiteral("wait %1/%2%3")
                          .arg(recipient, profile, confirm ? QStringLiteral(" confirm") : ""));
        const bool print = answers.isEmpty() || answers.front() == u'p';
        answers.remove(0, 1);
        return print;
    }
    void ending(bool early, const QString& last) override {
        events.append(early ? QStringLiteral("ended early after «%1»").arg(last)
                            : QStringLiteral("ended"));
    }
    void filesNotice(const QString& text) override { events.append("notice " + text); }
    // What the run says does not fit, as misfitList() writes it.
    QStringList misfits;
    void doesNotFit(const QString& recipient, const QString& profile,
                    const std::vector<LineMisfit>& lines) override {
        misfits.append(misfitLine({recipient, profile, lines}));
    }
    static QString misfitLine(const EnvelopeMisfits& envelope) {
        QStringList places;
        for (const LineMisfit& misfit : envelope.lines)
            places.append(misfitPlace(misfit));
        return envelope.recipient + '/' + envelope.profile + ": " + places.join("; ");
    }
};

// A program folder with the shipped profiles and pictures, and three recipients.
struct RunFolder {
    TestFolder folder;
    RunFolder() {
        folder.addSettings();
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + runBook);
    }
    // Runs with the window's list of the three recipients; the error, if any, is kept.
    // Without pages to record them in, the envelopes go to the destination itself.
    QString run(const PrintRunSetup& setup, RunScript& script, PageList& pages,
                PrintRunResult* result = nullptr) {
        NoticeList notices;
        return run(setup, script, &pages, PrintDestination::intoFolder(), notices, result);
    }
    QString run(const PrintRunSetup& setup, RunScript& script, PageList* pages,
                const PrintDestination& destination, NoticeList& notices,
                PrintRunResult* result = nullptr) {
        PrintRunResult done;
        const QString error = with(pages, destination, notices,
                                   [&](PrintRun& run) { done = run.run(setup, script); });
        if (result)
            *result = done;
        return error;
    }
    // The run's pre-pass, as misfitLine() writes each envelope; pages drawn, if any, go to
    // `pages`.
    QStringList misfits(const PrintRunSetup& setup, PageList& pages) {
        QStringList found;
        NoticeList notices;
        const QString error =
            with(&pages, PrintDestination::intoFolder(), notices, [&](PrintRun& run) {
                for (const EnvelopeMisfits& envelope : run.misfits(setup))
                    found.append(RunScript::misfitLine(envelope));
            });
        if (!error.isEmpty())
            found.append(error);
        return found;
    }

private:
    QString with(PageList* pages, const PrintDestination& destination, NoticeList& notices,
                 const std::function<void(PrintRun&)>& use) {
        IniFile ini(folder.file("envalo.ini"));
        AddressDb db(QStringLiteral("run"));
        db.open(folder.file("Convert.mdb"), {}, AddressDb::Access::ReadOnly);
        const AddressBook book(db);
        PictureCache pictures(folder.appdir());
        LoadedProfiles profiles(ini, pictures, false);
        PageOutput output(notices, folder.appdir(), destination);
        output.setTarget(pages);
        const ScreenConversions screen{96, 96};
        output.checkprinter(screen);
        return errorOf([&] {
            PrintRun run(ini, book, profiles, output, screen);
            use(run);
        });
    }
};

QList<bool> ticks(const QString& marks) {
    QList<bool> result;
    for (const QChar mark : marks)
        result.append(mark == u'x');
    return result;
}

} // namespace

class RunChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void recipients_data();
    void recipients();
    void senderOfEveryEnvelope_data();
    void senderOfEveryEnvelope();
    void editorText_data();
    void editorText();
    void indexText_data();
    void indexText();
    void searchReadsYoAsYe_data();
    void searchReadsYoAsYe();
    void groupFilter_data();
    void groupFilter();
    void profiles_data();
    void profiles();
    void recipientsOutsideProfilesInside();
    void recipientsOfTheWindowsList_data();
    void recipientsOfTheWindowsList();
    void runWaits_data();
    void runWaits();
    void printRun_data();
    void printRun();
    void senderGivenOrTheDefaultOne();
    void aQueueRemovedMidRun_data();
    void aQueueRemovedMidRun();
    void whatIsSaidOfTheJobsEnds_data();
    void whatIsSaidOfTheJobsEnds();
    void misfitsBeforeTheRun_data();
    void misfitsBeforeTheRun();
    void unreadableProfileNamesItsFile_data();
    void unreadableProfileNamesItsFile();
    void folderErrors_data();
    void folderErrors();
    void folderIsOnlyRead();
    void destinations_data();
    void destinations();
    void whatStandsInAnOutputFilesPlace_data();
    void whatStandsInAnOutputFilesPlace();
    void programPlace_data();
    void programPlace();
    void userFolderLaidOut();
    void picturesOfTheSharedDefaults();
};

void RunChoiceTest::recipients_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("error");

    using Kind = RecipientChoice::Kind;
    const QString noTicks = QStringLiteral("update `table` set galka=0");
    QTest::newRow("as window: the ticked lines, in list order")
        << QString() << int(Kind::AsWindow) << QString() << QStringList()
        << QStringList{"борисов", "Волков"} << QString();
    QTest::newRow("as window, none ticked: the first line")
        << noTicks << int(Kind::AsWindow) << QString() << QStringList() << QStringList{"Агеев"}
        << QString();
    QTest::newRow("as window, no line at all")
        << QStringLiteral("delete from `table`") << int(Kind::AsWindow) << QString()
        << QStringList() << QStringList() << QString();
    QTest::newRow("ticked only, none ticked")
        << noTicks << int(Kind::Ticked) << QString() << QStringList() << QStringList() << QString();
    QTest::newRow("group: every member, listed or not")
        << QString() << int(Kind::Group) << "Архив" << QStringList()
        << QStringList{"борисов", "Гусев"} << QString();
    QTest::newRow("group named in another case")
        << QString() << int(Kind::Group) << "партнёры" << QStringList()
        << QStringList{"Агеев", "борисов"} << QString();
    QTest::newRow("unknown group")
        << QString() << int(Kind::Group) << "Соседи" << QStringList() << QStringList()
        << "Группа «Соседи» не найдена в базе данных адресов.";
    QTest::newRow("named: in the order given, as stored")
        << QString() << int(Kind::Named) << QString() << QStringList{"гусев", "Борисов"}
        << QStringList{"Гусев", "борисов"} << QString();
    QTest::newRow("unknown recipient")
        << QString() << int(Kind::Named) << QString() << QStringList{"Волков", "Зайцев"}
        << QStringList() << "Получатель «Зайцев» не найден в базе данных адресов.";
}

void RunChoiceTest::recipients() {
    QFETCH(QString, change);
    QFETCH(int, kind);
    QFETCH(QString, group);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);

    TestFolder folder;
    folder.addDatabaseFromScript(TestFolder::shippedSchema() + addressBook);
    if (!change.isEmpty())
        folder.execute(change);
    AddressDb db(QStringLiteral("choice"));
    db.open(folder.file("Convert.mdb"), {}, AddressDb::Access::ReadOnly);
    const AddressBook book(db);
    RecipientChoice choice{RecipientChoice::Kind(kind), group, names};
    QStringList chosen;
    QCOMPARE(errorOf([&] { chosen = chooseRecipients(book, choice); }), error);
    QCOMPARE(chosen, expected);
}

void RunChoiceTest::senderOfEveryEnvelope_data() {
    QTest::addColumn<QString>("senders");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the one marked default, lines ending in LF")
        << QStringLiteral("('Фирма', 'Казань', 420000, 0), ('Завод', 'Тула' || char(13) || "
                          "char(10) || 'Тульская обл.', 300000, 1)")
        << QStringList{"Завод", "Тула\nТульская обл.", "300000"};
    QTest::newRow("none marked: no sender")
        << QStringLiteral("('Фирма', 'Казань', 420000, 0)") << QStringList{"", "", ""};
    // A sender added in the main window gets the index 0 until one is typed: no index.
    QTest::newRow("index 0 prints nothing")
        << QStringLiteral("('Фирма', 'Казань', 0, 1)") << QStringList{"Фирма", "Казань", ""};
    QTest::newRow("the first of that name, letter case aside")
        << QStringLiteral("('ЗАВОД', 'Тула', 1, 0), ('Завод', 'Орёл', 2, 1)")
        << QStringList{"ЗАВОД", "Тула", "1"};
}

void RunChoiceTest::senderOfEveryEnvelope() {
    QFETCH(QString, senders);
    QFETCH(QStringList, expected);

    TestFolder folder;
    folder.addDatabaseFromScript(TestFolder::shippedSchema() + addressBook +
                                 "insert into table2 (otkogo, otkyda, intyt, `default`) values " +
                                 senders + ";\n");
    AddressDb db(QStringLiteral("choice"));
    db.open(folder.file("Convert.mdb"), {}, AddressDb::Access::ReadOnly);
    const AddressBook book(db);
    const AddressTexts texts = book.textsFor(*book.recipient("Агеев"));
    QCOMPARE((QStringList{texts.otkogo, texts.otkyda, texts.intyt}), expected);
    QCOMPARE((QStringList{texts.komy, texts.kyda, texts.intyda}),
             (QStringList{"Агееву", "Москва", "101000"}));

    // The window's print run finds the same records through the cursors of its open book.
    OpenAddressBook open(QStringLiteral("choice-open"));
    open.open(folder.file("Convert.mdb"));
    open.readTables();
    for (const RecordsByName* records : std::initializer_list<const RecordsByName*>{&book, &open}) {
        const AddressTexts sender = records->senderTexts();
        QCOMPARE((QStringList{sender.otkogo, sender.otkyda, sender.intyt}), expected);
        QCOMPARE(records->recipientNamed("АГЕЕВ").value_or(RecipientRecord{}).komy, "Агееву");
        QVERIFY(!records->recipientNamed("Агеева"));
    }
}

void RunChoiceTest::editorText_data() {
    addStoredTextRows();
}

void RunChoiceTest::indexText_data() {
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("printed");
    QTest::newRow("0 is no index") << qint64(0) << "";
    QTest::newRow("an index") << qint64(101000) << "101000";
    QTest::newRow("a short one as stored") << qint64(1) << "1";
}

void RunChoiceTest::indexText() {
    QFETCH(qint64, stored);
    QFETCH(QString, printed);
    QCOMPARE(::indexText(stored), printed);
    // Both sides of an envelope print it so.
    RecipientRecord recipient;
    recipient.komy = QStringLiteral("Агееву");
    recipient.intyda = stored;
    SenderRecord sender;
    sender.otkogo = QStringLiteral("Завод");
    sender.intyt = stored;
    const AddressTexts texts = printedTexts(&recipient, &sender);
    QCOMPARE(texts.intyda, printed);
    QCOMPARE(texts.intyt, printed);
    QCOMPARE(printedTexts(nullptr, nullptr).intyda, QString());
}

void RunChoiceTest::searchReadsYoAsYe_data() {
    QTest::addColumn<bool>("senders");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("е finds ё") << false << false << "Петр" << QStringList{"Пётр Ёлкин", "Петров"};
    QTest::newRow("ё finds е") << false << false << "пётров" << QStringList{"Петров"};
    QTest::newRow("capital Ё, any case") << false << false << "елкин" << QStringList{"Пётр Ёлкин"};
    QTest::newRow("capital Е finds capital Ё")
        << false << false << "АРТЕМ" << QStringList{"АРТЁМ Семёнов"};
    QTest::newRow("whole text") << false << true << "петр елкин" << QStringList{"Пётр Ёлкин"};
    QTest::newRow("two words") << false << false << "семенов алена"
                               << QStringList{"Семёнова Алёна", "АРТЁМ Семёнов"};
    QTest::newRow("senders") << true << false << "елочка" << QStringList{"Ёлочка"};
    QTest::newRow("other letters stay apart") << false << false << "пэтр" << QStringList{};
}

void RunChoiceTest::searchReadsYoAsYe() {
    QFETCH(bool, senders);
    QFETCH(bool, whole);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    TestFolder folder;
    folder.addDatabaseFromScript(TestFolder::shippedSchema() +
                                 rowsSql({{"Пётр Ёлкин", "", "", 0, false, ""},
                                          {"Петров", "", "", 0, false, ""},
                                          {"Семёнова Алёна", "", "", 0, false, ""},
                                          {"АРТЁМ Семёнов", "", "", 0, false, ""}},
                                         {{"Ёлочка", "", 0, true}, {"Берёзка", "", 0, false}}));
    OpenAddressBook book(QStringLiteral("search"));
    book.open(folder.file("Convert.mdb"));
    book.readTables();
    QStringList shown;
    if (senders) {
        shown = book.findSenders(text, whole);
    } else {
        for (const auto& [name, ticked] : book.findRecipients(text, whole))
            shown.append(name);
    }
    QCOMPARE(shown, found);
    QCOMPARE(searchForm(QStringLiteral("ЁЛКА ёлка Елка")), QStringLiteral("елка елка елка"));
}

void RunChoiceTest::groupFilter_data() {
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<bool>("listed");

    QTest::newRow("in no group, nothing ticked") << "" << QStringList{} << true;
    QTest::newRow("in a ticked group") << "Друзья" << QStringList{"Друзья"} << true;
    QTest::newRow("in two, the second ticked") << "Друзья;Работа" << QStringList{"Работа"} << true;
    QTest::newRow("in a group not ticked") << "Работа" << QStringList{"Друзья"} << false;
    QTest::newRow("a part of the name is no match") << "Друзья" << QStringList{"Друз"} << false;
    QTest::newRow("other letter case is no match") << "друзья" << QStringList{"Друзья"} << false;
    QTest::newRow("a name before a trailing ;") << "Соседи;" << QStringList{"Соседи"} << true;
    QTest::newRow("empty pieces never match") << ";" << QStringList{""} << false;
}

void RunChoiceTest::groupFilter() {
    QFETCH(QString, groups);
    QFETCH(QStringList, ticked);
    QFETCH(bool, listed);
    QCOMPARE(listedUnderGroups(groups, ticked), listed);
}

void RunChoiceTest::editorText() {
    QFETCH(QString, stored);
    QFETCH(QString, printed);
    QCOMPARE(asEditorText(stored), printed);
}

void RunChoiceTest::profiles_data() {
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("printList");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("error");

    QTest::newRow("the current profile's print list, in file order")
        << "Конверт C5"
        << "Конверт C6,Конверт DL,Удалённый" << QStringList()
        << QStringList{"Конверт DL", "Конверт C6"} << QString();
    QTest::newRow("current profile named in another case")
        << "конверт c5"
        << "Конверт C6" << QStringList() << QStringList{"Конверт C6"} << QString();
    QTest::newRow("nothing ticked") << "Конверт C5"
                                    << "" << QStringList() << QStringList() << QString();
    QTest::newRow("asked: in that order, as stored")
        << "Конверт C5"
        << "Конверт C6" << QStringList{"конверт c6", "Конверт DL", "Конверт C6"}
        << QStringList{"Конверт C6", "Конверт DL", "Конверт C6"} << QString();
    QTest::newRow("asked for an unknown profile")
        << "Конверт C5"
        << "Конверт C6" << QStringList{"Конверт DL", "Конверт B4"} << QStringList()
        << "Профиль «Конверт B4» не найден в файле настроек.";
    QTest::newRow("current profile gone")
        << "Старый"
        << "Конверт C6" << QStringList() << QStringList()
        << "Текущего профиля «Старый» нет в файле настроек; укажите профили для печати явно.";
    QTest::newRow("no current profile")
        << ""
        << "Конверт C6" << QStringList() << QStringList()
        << "В файле настроек не указан текущий профиль; укажите профили для печати явно.";
}

void RunChoiceTest::profiles() {
    QFETCH(QString, current);
    QFETCH(QString, printList);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);

    TestFolder folder;
    folder.addSettings();
    IniFile ini(folder.file("envalo.ini"));
    ini.writeString("option", "profile", current);
    ini.writeString("Конверт C5", "printprofiles", printList);
    QStringList chosen;
    QCOMPARE(errorOf([&] { chosen = chooseProfiles(ini, asked); }), error);
    QCOMPARE(chosen, expected);
}

void RunChoiceTest::recipientsOutsideProfilesInside() {
    const std::vector<PlannedEnvelope> plan =
        planEnvelopes({"Агеев", "Волков"}, {"Конверт DL", "Конверт C6"});
    const std::vector<PlannedEnvelope> expected{{"Агеев", "Конверт DL", 0},
                                                {"Агеев", "Конверт C6", 0},
                                                {"Волков", "Конверт DL", 1},
                                                {"Волков", "Конверт C6", 1}};
    QVERIFY(plan == expected);
    for (size_t i = 0; i < plan.size(); ++i)
        QCOMPARE(plan[i].recipientIndex, expected[i].recipientIndex);
}

void RunChoiceTest::recipientsOfTheWindowsList_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("expected");

    const QStringList three{"Агеев", "Борисов", "Волков"};
    QTest::newRow("the ticked lines, in list order")
        << three << "x.x" << 1 << QStringList{"0 Агеев", "2 Волков"};
    QTest::newRow("nobody ticked: the current line")
        << three << "..." << 1 << QStringList{"1 Борисов"};
    QTest::newRow("fewer ticks than lines") << three << ".x" << 0 << QStringList{"1 Борисов"};
    QTest::newRow("nobody ticked and no current line: the editors' empty record")
        << three << "" << -1 << QStringList{"-1 "};
    QTest::newRow("no line at all: nobody") << QStringList() << "" << 0 << QStringList();
    QTest::newRow("the same name twice: both lines")
        << QStringList{"Агеев", "Агеев"} << "xx" << 0 << QStringList{"0 Агеев", "1 Агеев"};
}

void RunChoiceTest::recipientsOfTheWindowsList() {
    QFETCH(QStringList, lines);
    QFETCH(QString, ticked);
    QFETCH(int, current);
    QFETCH(QStringList, expected);
    QStringList chosen;
    for (const RunRecipient& recipient : runRecipients({lines, ticks(ticked), current}))
        chosen.append(QStringLiteral("%1 %2").arg(recipient.line).arg(recipient.name));
    QCOMPARE(chosen, expected);
}

void RunChoiceTest::runWaits_data() {
    QTest::addColumn<int>("printdelay");
    QTest::addColumn<int>("pdmode");
    QTest::addColumn<int>("profiles");
    QTest::addColumn<bool>("waits");
    QTest::newRow("no delay") << 0 << 1 << 2 << false;
    QTest::newRow("before every envelope") << 3 << 1 << 1 << true;
    QTest::newRow("only by profiles, one profile") << 3 << 2 << 1 << false;
    QTest::newRow("only by profiles, two profiles") << 3 << 2 << 2 << true;
    QTest::newRow("another mode") << 3 << 7 << 2 << false;
}

void RunChoiceTest::runWaits() {
    QFETCH(int, printdelay);
    QFETCH(int, pdmode);
    QFETCH(int, profiles);
    QFETCH(bool, waits);
    QCOMPARE(::runWaits(printdelay, pdmode, profiles), waits);
}

void RunChoiceTest::printRun_data() {
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<int>("printdelay");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("change"); // profile key=value written before the run
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("error");

    const QStringList both{"Конверт DL", "Конверт C6"};
    QTest::newRow("recipients outside, profiles inside")
        << "xxx" << 0 << both << 0 << ""
        << "" << QStringList{"Агеев/Конверт DL/Агееву",     "Агеев/Конверт C6/Агееву",
                             "Борисов/Конверт DL/Борисову", "Борисов/Конверт C6/Борисову",
                             "Волков/Конверт DL/Волкову",   "Волков/Конверт C6/Волкову"}
        << QStringList{"recipient 0 Агеев", "recipient 1 Борисов", "recipient 2 Волков", "ended"}
        << false << "";
    QTest::newRow("nobody ticked: the current recipient")
        << "..." << 1 << both << 0 << ""
        << "" << QStringList{"Борисов/Конверт DL/Борисову", "Борисов/Конверт C6/Борисову"}
        << QStringList{"recipient 1 Борисов", "ended"} << false << "";
    QTest::newRow("no profile chosen: each recipient shown, nothing printed")
        << "x.x" << 0 << QStringList() << 0 << ""
        << "" << QStringList() << QStringList{"recipient 0 Агеев", "recipient 2 Волков", "ended"}
        << false << "";
    QTest::newRow("a wait before every envelope, confirmation as the profile just printed says")
        << "xx." << 0 << both << 3 << ""
        << "Конверт DL:printconfirm=0"
        << QStringList{"Агеев/Конверт DL/Агееву", "Агеев/Конверт C6/Агееву",
                       "Борисов/Конверт DL/Борисову", "Борисов/Конверт C6/Борисову"}
        << QStringList{"recipient 0 Агеев",
                       "wait Агеев/Конверт DL confirm",
                       "wait Агеев/Конверт C6",
                       "recipient 1 Борисов",
                       "wait Борисов/Конверт DL confirm",
                       "wait Борисов/Конверт C6",
                       "ended"}
        << false << "";
    QTest::newRow("stopped at a wait: the editor on the recipient's last profile")
        << "xxx" << 0 << both << 5 << "ppps"
        << ""
        << QStringList{"Агеев/Конверт DL/Агееву", "Агеев/Конверт C6/Агееву",
                       "Борисов/Конверт DL/Борисову"}
        << QStringList{"recipient 0 Агеев",
                       "wait Агеев/Конверт DL confirm",
                       "wait Агеев/Конверт C6 confirm",
                       "recipient 1 Борисов",
                       "wait Борисов/Конверт DL confirm",
                       "wait Борисов/Конверт C6 confirm",
                       "ended early after «Конверт DL»"}
        << true << "";
    QTest::newRow("stopped at a recipient's first wait: the editor keeps its profile")
        << "xx." << 0 << both << 5 << "pps"
        << "" << QStringList{"Агеев/Конверт DL/Агееву", "Агеев/Конверт C6/Агееву"}
        << QStringList{"recipient 0 Агеев",
                       "wait Агеев/Конверт DL confirm",
                       "wait Агеев/Конверт C6 confirm",
                       "recipient 1 Борисов",
                       "wait Борисов/Конверт DL confirm",
                       "ended early after «»"}
        << true << "";
    QTest::newRow("a profile that cannot be loaded ends the run at its first envelope")
        << "xx." << 0 << both << 0 << ""
        << "Конверт C6:listpos=9" << QStringList{"Агеев/Конверт DL/Агееву"}
        << QStringList{"recipient 0 Агеев", "ended early after «Конверт DL»"} << false
        << "Ошибка загрузки профиля «Конверт C6».\r\n";
}

void RunChoiceTest::printRun() {
    QFETCH(QString, ticked);
    QFETCH(int, current);
    QFETCH(QStringList, profiles);
    QFETCH(int, printdelay);
    QFETCH(QString, answers);
    QFETCH(QString, change);
    QFETCH(QStringList, pages);
    QFETCH(QStringList, events);
    QFETCH(bool, stopped);
    QFETCH(QString, error);

    RunFolder f;
    IniFile ini(f.folder.file("envalo.ini"));
    ini.writeString("option", "printdelay", QString::number(printdelay));
    ini.writeString("option", "pdmode", "1");
    if (!change.isEmpty()) {
        const QStringList parts = change.split(QRegularExpression("[:=]"));
        ini.writeString(parts[0], parts[1], parts[2]);
    }
    PrintRunSetup setup;
    setup.recipients = {{"Агеев", "Борисов", "Волков"}, ticks(ticked), current};
    setup.profiles = profiles;
    setup.delays = true;
    RunScript script;
    script.answers = answers;
    PageList printed;
    PrintRunResult result;
    const QString failure = f.run(setup, script, printed, &result);
    QVERIFY2(error.isEmpty() ? failure.isEmpty() : failure.startsWith(error), qPrintable(failure));
    QCOMPARE(printed.pages, pages);
    QCOMPARE(script.events, events);
    if (error.isEmpty()) {
        QCOMPARE(result.stopped, stopped);
        QCOMPARE(result.planned, int(runRecipients(setup.recipients).size() * profiles.size()));
    }
}

void RunChoiceTest::aQueueRemovedMidRun_data() {
    QTest::addColumn<bool>("waits");
    QTest::newRow("a run that waits: each envelope is sent before the next") << true;
    QTest::newRow("in batches: removed before the batch went, none accepted") << false;
}

// A queue removed between two envelopes (by an administrator, say): each envelope after it
// is refused with a message naming the queue, and only the one it accepted counts as sent.
// A run nobody waits in sends its envelopes in batches: the removal comes before its batch.
void RunChoiceTest::aQueueRemovedMidRun() {
    QFETCH(bool, waits);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    // A queue of this test's own, which discards what it prints.
    const QString queue = QStringLiteral("REMOVED%1").arg(QCoreApplication::applicationPid());
    runTool("lpadmin", {"-p", queue, "-E", "-v", "file:///dev/null"});
    bool removed = false;
    const auto cleanup = qScopeGuard([&] {
        if (!removed)
            runTool("lpadmin", {"-x", queue});
    });
    struct Removing : RunScript {
        std::function<void()> remove;
        int composedCount = 0;
        void composed(const Envelope&) override {
            if (++composedCount == 2)
                remove();
        }
    } script;
    script.remove = [&] {
        runTool("lpadmin", {"-x", queue});
        removed = true;
    };
    RunFolder f;
    PrintRunSetup setup;
    setup.recipients = {{"Агеев", "Борисов", "Волков"}, ticks("xxx"), 0};
    setup.profiles = {"Конверт DL"};
    if (waits) {
        // A print delay before every envelope, which the script lets pass at once.
        IniFile ini(f.folder.file("envalo.ini"));
        ini.writeString("option", "printdelay", "5");
        ini.writeString("option", "pdmode", "1");
        setup.delays = true;
    }
    NoticeList notices;
    PrintRunResult result;
    QCOMPARE(f.run(setup, script, nullptr, PrintDestination::toQueue(queue), notices, &result),
             QString());
    QVERIFY(removed);
    // A connection made before the removal is refused; none is made after it.
    const QString refused = (waits ? QStringLiteral("Принтер «%1» не принял документ.")
                                   : QStringLiteral("Очередь печати «%1» не найдена."))
                                .arg(queue);
    const int accepted = waits ? 1 : 0;
    QCOMPARE(notices.texts, QStringList(3 - accepted, refused));
    QCOMPARE(result.planned, 3);
    QCOMPARE(result.failed, 3 - accepted);
    QCOMPARE(result.queue, queue);
    QCOMPARE(result.queued.size(), size_t(accepted));
    if (waits) {
        QCOMPARE(result.queued[0].recipient, QStringLiteral("Агеев"));
        QVERIFY(result.queued[0].job > 0);
    }
    QCOMPARE(
        result.queueNotice(),
        QStringLiteral("Очередь печати «%1» приняла конвертов: %2 из 3.\r\n")
                .arg(queue)
                .arg(accepted) +
            (waits ? QString() : QStringLiteral("Не принят: Агеев, профиль «Конверт DL».\r\n")) +
            QStringLiteral("Не принят: Борисов, профиль «Конверт DL».\r\n"
                           "Не принят: Волков, профиль «Конверт DL»."));
}

void RunChoiceTest::whatIsSaidOfTheJobsEnds_data() {
    QTest::addColumn<int>("printed");
    QTest::addColumn<int>("cancelled");
    QTest::addColumn<int>("aborted");
    QTest::addColumn<int>("forgotten");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("allPrinted");
    QTest::newRow("all completed")
        << 3 << 0 << 0 << 0 << QStringList{"Напечатаны все принятые очередью конверты: 3."} << true;
    QTest::newRow("cancelled and aborted, named in print order")
        << 1 << 1 << 1 << 0
        << QStringList{"Задание отменено: Агеев, профиль «Конверт DL».",
                       "Задание прервано принтером: Агеев, профиль «Конверт DL».",
                       "Напечатано конвертов: 1 из 3 принятых очередью."}
        << false;
    // A spooler that keeps no history, or a job removed from it: not known to be printed.
    QTest::newRow("forgotten by the spooler")
        << 2 << 0 << 0 << 1
        << QStringList{"Очередь печати «Q» уже не хранит сведений о заданиях конвертов: 1; чем "
                       "они закончились, неизвестно.",
                       "Напечатано конвертов: 2 из 3 принятых очередью."}
        << false;
}

void RunChoiceTest::whatIsSaidOfTheJobsEnds() {
    QFETCH(int, printed);
    QFETCH(int, cancelled);
    QFETCH(int, aborted);
    QFETCH(int, forgotten);
    QFETCH(QStringList, lines);
    QFETCH(bool, allPrinted);
    JobFates fates;
    fates.queue = "Q";
    fates.printed = printed;
    fates.cancelled.assign(size_t(cancelled), {"Агеев", "Конверт DL", 7});
    fates.aborted.assign(size_t(aborted), {"Агеев", "Конверт DL", 8});
    fates.forgotten = forgotten;
    QCOMPARE(fates.lines(), lines);
    QCOMPARE(fates.allPrinted(), allPrinted);
}

// The window gives the sender it shows; without one the envelopes carry the default sender.
void RunChoiceTest::senderGivenOrTheDefaultOne() {
    RunFolder f;
    auto blocks = [](const Envelope& envelope) {
        QStringList texts;
        for (const Envelope::Block& block : envelope.blocks)
            texts.append(block.text);
        return texts;
    };
    PrintRunSetup setup;
    setup.recipients = {{"Борисов"}, {}, 0};
    setup.profiles = {"Конверт DL"};
    RunScript script;
    PageList byDefault;
    QCOMPARE(f.run(setup, script, byDefault), QString());
    QCOMPARE(byDefault.envelopes.size(), 1);
    QVERIFY(blocks(byDefault.envelopes[0]).contains("Фирма"));

    setup.sender = AddressTexts{"Завод", "Тула", "300000", "не печатается", "", ""};
    PageList given;
    QCOMPARE(f.run(setup, script, given), QString());
    const QStringList texts = blocks(given.envelopes.value(0));
    QVERIFY2(texts.contains("Завод") && !texts.contains("Фирма") && texts.contains("Борисову") &&
                 !texts.contains("не печатается"),
             qPrintable(texts.join('|')));
}

void RunChoiceTest::misfitsBeforeTheRun_data() {
    QTest::addColumn<QString>("ticked");
    QTest::addColumn<QString>("change"); // run on the address book first
    QTest::addColumn<QString>("otkyda"); // the sender's address given; none: the default sender
    QTest::addColumn<QString>("broken"); // a profile that cannot be loaded
    QTest::addColumn<QStringList>("found");

    const QString fourLines = "'ул. Мира, д. 1' || char(10) || 'кв. 2' || char(10) || "
                              "'г. Тверь' || char(10) || 'Россия'";
    const QString overlong = "ул. Маршала Баграмяна, д. 125, корп. 3, кв. 478, подъезд 4, этаж "
                             "12, код домофона 478";
    const QString changes = "update `table` set kyda = " + fourLines +
                            " where name = 'Борисов';\n"
                            "update `table` set kyda = '" +
                            overlong + "' where name = 'Волков';\n";
    QTest::newRow("each envelope that does not fit, in print order")
        << "xxx" << changes << QString() << QString()
        << QStringList{"Борисов/Конверт DL: «Куда», строка 4 не печатается",
                       "Борисов/Конверт C6: «Куда», строка 4 не печатается",
                       "Волков/Конверт DL: «Куда», строка 1 обрезана",
                       "Волков/Конверт C6: «Куда», строка 1 обрезана"};
    QTest::newRow("a sender with a fourth line: every envelope")
        << "x.x" << QString() << "ул. 1\nкв. 2\nг. Тула\nРоссия" << QString()
        << QStringList{"Агеев/Конверт DL: «От куда», строка 4 не печатается",
                       "Агеев/Конверт C6: «От куда», строка 4 не печатается",
                       "Волков/Конверт DL: «От куда», строка 4 не печатается",
                       "Волков/Конверт C6: «От куда», строка 4 не печатается"};
    QTest::newRow("everything fits: nothing")
        << "xxx" << QString() << QString() << QString() << QStringList();
    QTest::newRow("a profile that cannot be loaded: the envelopes before it")
        << ".x." << changes << QString() << "Конверт C6"
        << QStringList{"Борисов/Конверт DL: «Куда», строка 4 не печатается"};
}

// The window asks about text that does not fit before the run: the pre-pass composes every
// envelope as the run does (the run says the same lines of the same envelopes) and draws
// no page.
void RunChoiceTest::misfitsBeforeTheRun() {
    QFETCH(QString, ticked);
    QFETCH(QString, change);
    QFETCH(QString, otkyda);
    QFETCH(QString, broken);
    QFETCH(QStringList, found);

    RunFolder f;
    for (const QString& statement : change.split(";\n", Qt::SkipEmptyParts))
        f.folder.execute(statement);
    IniFile ini(f.folder.file("envalo.ini"));
    if (!broken.isEmpty())
        ini.writeString(broken, "listpos", "9");
    PrintRunSetup setup;
    setup.recipients = {{"Агеев", "Борисов", "Волков"}, ticks(ticked), 0};
    setup.profiles = {"Конверт DL", "Конверт C6"};
    if (!otkyda.isEmpty())
        setup.sender = AddressTexts{"Завод", otkyda, "300000", "", "", ""};
    PageList drawn;
    QCOMPARE(f.misfits(setup, drawn), found);
    QVERIFY(drawn.pages.isEmpty());

    RunScript script;
    PageList printed;
    const QString error = f.run(setup, script, printed);
    QCOMPARE(error.isEmpty(), broken.isEmpty());
    QCOMPARE(script.misfits, found);
}

void RunChoiceTest::unreadableProfileNamesItsFile_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("error");

    const QString sheet = "Положение конверта на листе listpos=2147483647 должно быть от 0 до 8";
    QTest::newRow("the current profile's print list") << "listpos"
                                                      << "2147483647" << QStringList() << sheet;
    QTest::newRow("a profile asked for") << "listpos"
                                         << "2147483647" << QStringList{"Конверт C5"} << sheet;
    QTest::newRow("a font size") << "t7_fsize"
                                 << "0" << QStringList{"Конверт C5"}
                                 << "Размер шрифта t7_fsize=0 должен быть от 1 до 1000";
}

// A command line may be given any folder: the profile, the key and the file are named.
void RunChoiceTest::unreadableProfileNamesItsFile() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QStringList, asked);
    QFETCH(QString, error);

    TestFolder folder;
    folder.addSettings();
    folder.addPictures();
    IniFile ini(folder.file("envalo.ini"));
    ini.writeString("option", "profile", "Конверт C5");
    ini.writeString("Конверт C5", "printprofiles", "Конверт C5");
    ini.writeString("Конверт C5", key, value);
    PictureCache pictures(folder.appdir());
    const QString message = errorOf([&] {
        const QStringList chosen = chooseProfiles(ini, asked);
        LoadedProfiles{ini, pictures, chosen};
    });
    QCOMPARE(message, "Ошибка загрузки профиля «Конверт C5» из файла настроек «" +
                          QDir::toNativeSeparators(folder.file("envalo.ini")) + "».\r\n" + error);
}

void RunChoiceTest::folderErrors_data() {
    QTest::addColumn<bool>("settings");
    QTest::addColumn<bool>("database");
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QString>("error");

    QTest::newRow("no folder") << true << true << "нет/"
                               << "Папка программы «%1нет» не найдена.";
    QTest::newRow("no settings file") << false << true << ""
                                      << "В папке «%1» нет файла настроек envalo.ini.";
    QTest::newRow("no database") << true << false << ""
                                 << "В папке «%1» нет базы данных адресов Convert.mdb.";
}

void RunChoiceTest::folderErrors() {
    QFETCH(bool, settings);
    QFETCH(bool, database);
    QFETCH(QString, subfolder);
    QFETCH(QString, error);

    TestFolder folder;
    if (settings)
        folder.addSettings();
    if (database)
        folder.addDatabase();
    const QString shown = QDir::toNativeSeparators(QDir(folder.appdir()).absolutePath());
    QCOMPARE(errorOf([&] { ReadOnlyFolder{folder.appdir() + subfolder}; }),
             error.arg(subfolder.isEmpty() ? shown : shown + '/'));
}

void RunChoiceTest::folderIsOnlyRead() {
    TestFolder folder;
    folder.addSettings();
    folder.addDatabase();
    // An address book the program has used is in WAL mode; an old settings file keeps
    // short format names, which the program writes out in full at start.
    folder.execute("pragma journal_mode=WAL");
    QStringList lines = IniFile(folder.file("envalo.ini")).readLines();
    const int format = int(lines.indexOf("format=(162 x 229 мм) C5"));
    QVERIFY(format > 0);
    lines[format] = "format=C5";
    IniFile(folder.file("envalo.ini")).writeLines(lines);
    const QByteArray settings = folder.settingsBytes();
    const QByteArray database = contents(folder.file("Convert.mdb"));
    const QStringList entries = folderEntries(folder.appdir());

    {
        const ReadOnlyFolder read(folder.appdir());
        QCOMPARE(readProfile(read.ini(), "Конверт C5").format, 1);
        QCOMPARE(read.book().recipientNames(),
                 (QStringList{"Иванов Иван Иванович", "Петрова Мария Сергеевна"}));
    }
    QCOMPARE(folder.settingsBytes(), settings);
    QCOMPARE(contents(folder.file("Convert.mdb")), database);
    QCOMPARE(folderEntries(folder.appdir()), entries);
}

void RunChoiceTest::destinations_data() {
    QTest::addColumn<bool>("file");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");

    QTest::newRow("file in a folder to be made") << true << "новая/папка/конверты.pdf"
                                                 << "";
    QTest::newRow("folder to be made") << false << "новая/папка"
                                       << "";
    QTest::newRow("file where a folder is")
        << true << "папка"
        << "Нельзя записать файл «%1папка»: на его месте папка.";
    QTest::newRow("folder where a file is") << false << "файл"
                                            << "Нельзя записать файлы в «%1файл»: это не папка.";
    QTest::newRow("file beneath a file")
        << true << "файл/конверты.pdf"
        << "Нельзя записать «%1файл/конверты.pdf»: «%1файл» не является папкой.";
    QTest::newRow("folder beneath a file")
        << false << "файл/PDF"
        << "Нельзя записать «%1файл/PDF»: «%1файл» не является папкой.";
}

void RunChoiceTest::destinations() {
    QFETCH(bool, file);
    QFETCH(QString, path);
    QFETCH(QString, error);

    TestFolder folder;
    QVERIFY(QDir(folder.appdir()).mkdir("папка"));
    QFile plain(folder.file("файл"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString full = folder.file(path);
    QCOMPARE(errorOf([&] { file ? requireWritableFile(full) : requireWritableFolder(full); }),
             error.isEmpty() ? QString() : error.arg(folder.appdir()));
    QVERIFY(!QFileInfo::exists(folder.file("новая")));
}

namespace {

enum class Place {
    Missing,
    File,
    Link,
    Fifo,
    UnreadFifo,
    NullDevice,
    FullDevice,
    Folder,
    Socket,
    Disk
};

// Puts a thing of the kind at `path`; false when only root may make it and this is not root.
bool make(Place place, const QString& path, const QString& linked) {
    const QByteArray name = QFile::encodeName(path);
    const auto device = [&](mode_t kind, unsigned minor, unsigned major) {
        return ::mknod(name.constData(), kind | 0666, makedev(major, minor)) == 0;
    };
    switch (place) {
    case Place::Missing:
        return true;
    case Place::File:
    case Place::Link: {
        QFile file(place == Place::Link ? linked : path);
        const bool written = file.open(QIODevice::WriteOnly) && file.write("старое") > 0;
        file.close();
        QFile::setPermissions(file.fileName(), QFile::ReadOwner | QFile::WriteOwner);
        return written && (place == Place::File || QFile::link(linked, path));
    }
    case Place::Fifo:
    case Place::UnreadFifo:
        return ::mkfifo(name.constData(), 0600) == 0;
    case Place::NullDevice:
        return device(S_IFCHR, 3, 1);
    case Place::FullDevice:
        return device(S_IFCHR, 7, 1);
    case Place::Disk:
        return device(S_IFBLK, 0, 7);
    case Place::Folder:
        return QDir().mkdir(path);
    case Place::Socket:
        return makeSocket(path);
    }
    return false;
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

mode_t kindAt(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

} // namespace

// Export files and the one PDF file of a run follow one rule: a regular file (or none) is
// replaced whole, a character device or a FIFO is written into and stays what it was, and
// anything else is refused with its name, as is a write that fails.
void RunChoiceTest::whatStandsInAnOutputFilesPlace_data() {
    QTest::addColumn<int>("place");
    QTest::addColumn<bool>("rootOnly");
    QTest::addColumn<QString>("refused"); // by the check made before a run
    QTest::addColumn<QString>("failed");  // by the writing

    QTest::newRow("nothing: a new file") << int(Place::Missing) << false << ""
                                         << "";
    QTest::newRow("a file: replaced, its permissions kept") << int(Place::File) << false << ""
                                                            << "";
    QTest::newRow("a link: the file it names replaced, the link kept")
        << int(Place::Link) << false << ""
        << "";
    QTest::newRow("a FIFO: written into, still a FIFO") << int(Place::Fifo) << false << ""
                                                        << "";
    QTest::newRow("a FIFO nobody reads: refused at once, not waited on")
        << int(Place::UnreadFifo) << false << ""
        << "Не удалось записать в канал «%1»: его не читает ни одна программа.";
    QTest::newRow("a null device: written into, still a device")
        << int(Place::NullDevice) << true << ""
        << "";
    QTest::newRow("a full device: no room, said so")
        << int(Place::FullDevice) << true << ""
        << "Не удалось записать файл «%1»: нет места на устройстве.";
    QTest::newRow("a folder") << int(Place::Folder) << false
                              << "Нельзя записать файл «%1»: на его месте папка."
                              << "=";
    QTest::newRow("a socket") << int(Place::Socket) << false
                              << "Нельзя записать файл «%1»: на его месте сокет. Программа пишет "
                                 "в обычный файл, в устройство вроде /dev/stdout или в "
                                 "именованный канал."
                              << "=";
    QTest::newRow("a block device")
        << int(Place::Disk) << true
        << "Нельзя записать файл «%1»: на его месте блочное устройство (диск). Программа пишет "
           "в обычный файл, в устройство вроде /dev/stdout или в именованный канал."
        << "=";
}

void RunChoiceTest::whatStandsInAnOutputFilesPlace() {
    QFETCH(int, place);
    QFETCH(bool, rootOnly);
    QFETCH(QString, refused);
    QFETCH(QString, failed);
    if (rootOnly && ::geteuid() != 0)
        QSKIP("Only root makes device nodes");

    TestFolder folder;
    const QString path = folder.file("адреса.csv");
    const QString linked = folder.file("настоящие адреса.csv");
    QVERIFY(make(Place(place), path, linked));
    const mode_t kind = kindAt(path);
    refused = refused.arg(path);
    failed = failed == u"=" ? refused : failed.arg(path);
    QCOMPARE(errorOf([&] { requireWritableFile(path); }), refused);

    std::unique_ptr<FifoReader> reader;
    if (Place(place) == Place::Fifo) {
        reader = std::make_unique<FifoReader>(path);
        QVERIFY(reader->isOpen());
    }
    const QByteArray bytes = QStringLiteral("Имя;Кому;Куда;Индекс\r\n").toUtf8().repeated(20000);
    QCOMPARE(errorOf([&] { writeOutputFile(path, bytes); }), failed);
    if (reader)
        QCOMPARE(reader->finish(), bytes);

    // Only a file is ever replaced; nothing is left beside it.
    QCOMPARE(kindAt(path), Place(place) == Place::Missing ? mode_t(S_IFREG) : kind);
    QStringList left =
        QDir(folder.appdir())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    left.removeAll("адреса.csv");
    left.removeAll("настоящие адреса.csv");
    QCOMPARE(left, QStringList());
    if (Place(place) == Place::Missing || Place(place) == Place::File ||
        Place(place) == Place::Link) {
        const QString written = Place(place) == Place::Link ? linked : path;
        QCOMPARE(contents(written), bytes);
        if (Place(place) != Place::Missing)
            QCOMPARE(modeOf(written), mode_t(0600));
    }
}

// An installed tree (bin/ beside share/envalo with the defaults) or a folder laid out by the
// build, in a temporary folder, with the user's data folder in it too.
struct InstalledTree {
    QTemporaryDir dir;
    QString bin = dir.filePath("usr/bin");
    QString shared = dir.filePath("usr/share/envalo");
    QString data = dir.filePath("home/.local/share");
    QByteArray oldData = qgetenv("XDG_DATA_HOME");

    InstalledTree() {
        QDir().mkpath(bin);
        QDir().mkpath(shared + "/images");
        qputenv("XDG_DATA_HOME", data.toUtf8());
    }
    ~InstalledTree() {
        if (oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

void RunChoiceTest::programPlace_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("settingsBeside");
    QTest::addColumn<QString>("expected");

    // A folder with its settings file beside the executable is the program folder,
    // installed defaults or not: a portable folder, or one copied from an older installation.
    QTest::newRow("portable folder") << false << true << "bin";
    QTest::newRow("portable folder in an installed tree") << true << true << "bin";
    QTest::newRow("installed: the user's folder") << true << false << "user";
    // Neither: the executable's folder, which says what it lacks.
    QTest::newRow("no settings anywhere") << false << false << "bin";
}

void RunChoiceTest::programPlace() {
    QFETCH(bool, installed);
    QFETCH(bool, settingsBeside);
    QFETCH(QString, expected);

    InstalledTree tree;
    if (installed)
        tree.write(tree.shared + "/envalo.ini", "[option]\r\n");
    if (settingsBeside)
        tree.write(tree.bin + "/envalo.ini", "[option]\r\n");
    const ProgramPlace place = ::programPlace(tree.bin);
    const QString user = QDir::cleanPath(tree.data + "/envalo") + '/';
    QCOMPARE(userProgramFolder(), user);
    QCOMPARE(place.folder, expected == "user" ? user : QDir::cleanPath(tree.bin) + '/');
    QCOMPARE(place.user, expected == "user");
    QCOMPARE(place.shared, installed ? QDir::cleanPath(tree.shared) + '/' : QString());
    // Looking changes nothing.
    QVERIFY(!QFileInfo::exists(tree.data));
    // Envelopes without a print queue go into the folder's PDF, but not into a hidden one.
    QCOMPARE(pdfFolderOf(place.folder),
             expected == "user"
                 ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Конверты"
                 : place.folder + "PDF");
}

void RunChoiceTest::userFolderLaidOut() {
    InstalledTree tree;
    tree.write(tree.shared + "/envalo.ini", "shared settings");
    tree.write(tree.shared + "/Convert.mdb", "shared book");
    tree.write(tree.shared + "/images/dl_komy.jpg", "picture");
    QFile::setPermissions(tree.shared + "/Convert.mdb", QFile::ReadOwner | QFile::ReadOther);
    const ProgramPlace place = ::programPlace(tree.bin);
    QVERIFY(place.user);

    // The first start copies the defaults; the pictures stay where they are installed.
    layOutUserFolder(place);
    QCOMPARE(contents(place.folder + "envalo.ini"), "shared settings");
    QCOMPARE(contents(place.folder + "Convert.mdb"), "shared book");
    QVERIFY(QFile::permissions(place.folder + "Convert.mdb") & QFile::WriteOwner);
    QCOMPARE(folderEntries(place.folder), (QStringList{"Convert.mdb", "envalo.ini"}));

    // The user's files are theirs: a later start, or newer defaults, never replace them; a
    // missing one comes back.
    tree.write(place.folder + "envalo.ini", "user settings");
    QFile::remove(place.folder + "Convert.mdb");
    tree.write(tree.shared + "/envalo.ini", "newer shared settings");
    layOutUserFolder(::programPlace(tree.bin));
    QCOMPARE(contents(place.folder + "envalo.ini"), "user settings");
    QCOMPARE(contents(place.folder + "Convert.mdb"), "shared book");

    // A folder that cannot be made is named.
    InstalledTree blocked;
    blocked.write(blocked.shared + "/envalo.ini", "shared settings");
    blocked.write(blocked.data, "a file where the folder belongs");
    QCOMPARE(errorOf([&] { layOutUserFolder(::programPlace(blocked.bin)); }),
             "Не удалось создать папку «" +
                 QDir::toNativeSeparators(QDir::cleanPath(blocked.data + "/envalo")) + "».");
}

void RunChoiceTest::picturesOfTheSharedDefaults() {
    TestFolder shared;
    shared.addPictures();
    TestFolder own;
    const QString name = "images/dl_komy.jpg";
    QVERIFY(QFileInfo::exists(shared.file(name)));
    // The folder has no pictures: the installed ones serve.
    const QImage installed = PictureCache(own.appdir(), shared.appdir()).picture(name);
    QVERIFY(!installed.isNull());
    // The folder's own picture wins over the installed one.
    QDir().mkpath(own.file("images"));
    QImage small(8, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    QVERIFY(small.save(own.file(name), "JPG"));
    QCOMPARE(PictureCache(own.appdir(), shared.appdir()).picture(name).size(), QSize(8, 4));
    QVERIFY(installed.size() != QSize(8, 4));
    // Without installed defaults a missing picture is named in the folder, as before.
    TestFolder bare;
    QVERIFY(errorOf([&] {
                PictureCache(bare.appdir()).picture(name);
            }).contains(QDir::toNativeSeparators(bare.file(name))));
}

// A run into a print queue draws its pages, and the run measures each envelope's lines
// with their fonts: both need a GUI application.
QTEST_MAIN(RunChoiceTest)
#include "tst_runchoice.moc"
