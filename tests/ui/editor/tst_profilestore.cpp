#include "EditorControls.h"
#include "ErrorOf.h"
#include "MainControls.h"
#include "TestProgram.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray cp1251(const QString& text) {
    return QStringEncoder("windows-1251").encode(text);
}

const char* threeProfiles = "[option]\r\nprofile=Первый\r\n"
                            "[Первый]\r\nformat=(114 x 162 мм) C6\r\n"
                            "[Второй]\r\nformat=(110 x 220 мм) DL\r\n"
                            "[Третий]\r\nformat=(162 x 229 мм) C5\r\n";

const QString recipients = rowsSql({{"Абрамов", "Абрамову", "Москва", 101000, false, "Первый"},
                                    {"Борисова", "Борисовой", "Тверь", 170000, false, "Второй"},
                                    {"Власов", "Власову", "Омск", 644000, false, "Первый"}});

QStringList entries(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->itemText(i));
    return result;
}

// The program started on a settings file of our own.
struct Store : TestProgram {
    LayoutEditor* v = nullptr;
    ProfileStore* opt = nullptr;

    explicit Store(const QByteArray& settings = cp1251(QString::fromUtf8(threeProfiles)),
                   const QString& rows = recipients) {
        folder.writeSettings(settings);
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + rows);
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        opt = program->windows().profileStore;
    }
    IniFile ini() { return IniFile(folder.file("envalo.ini")); }
    QStringList recipientProfiles() {
        QStringList profiles;
        for (const QVariant& profile : folder.column("select profile from `table` order by id"))
            profiles.append(profile.toString());
        return profiles;
    }
    QStringList section(const QString& name) {
        const QStringList lines = ini().readLines();
        const int start = int(lines.indexOf('[' + name + ']'));
        QStringList result;
        for (int i = start + 1; start >= 0 && i < lines.size() && !lines[i].startsWith('['); ++i)
            result.append(lines[i]);
        return result;
    }
};

} // namespace

class ProfileStoreTest : public QObject {
    Q_OBJECT

private slots:
    void startsOnTheRecipientsProfile();
    void emptySectionLoadsDefaults();
    void saveWritesEveryKeyInOrder();
    void sizeLargerThanTheScreen();
    void saveAndLoadRoundTrip();
    void batchedWritesEqualSingleWrites();
    void newProfiles();
    void renameKeepsRecipientsInStep();
    void startFinishesANotedMove_data();
    void startFinishesANotedMove();
    void nameRules_data();
    void nameRules();
    void deleteProfiles();
    void failedChangeLeavesFileAndLists_data();
    void failedChangeLeavesFileAndLists();
    void choicesStayWithTheirNames_data();
    void choicesStayWithTheirNames();
    void printListTicksWholeNames();
    void badValueStopsTheLoad();
    void brokenPictureIsNamed_data();
    void brokenPictureIsNamed();
};

void ProfileStoreTest::startsOnTheRecipientsProfile() {
    Store s;
    MainWindow& mainWindow = s.mainWindow();
    QCOMPARE(nameField(mainWindow)->text(), QStringLiteral("Абрамов"));
    QCOMPARE(entries(recipientProfile(mainWindow)), (QStringList{"Первый", "Второй", "Третий"}));
    QCOMPARE(recipientProfile(mainWindow)->currentText(), QStringLiteral("Первый"));
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Первый"));
    QCOMPARE(formatList(*s.v)->currentIndex(), 2);
    QCOMPARE(surface(*s.v)->size(), QSize(612, 431));
    QVERIFY(!saveButton(*s.v)->isEnabled());

    // Choosing another recipient loads its profile.
    recipientList(mainWindow)->setCurrentRow(1);
    emit recipientList(mainWindow)->userSelected(1);
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Второй"));
    QCOMPARE(formatList(*s.v)->currentIndex(), 0);
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::emptySectionLoadsDefaults() {
    Store s(cp1251("[option]\r\nprofile=\r\n[Пустой]\r\n"));
    s.opt->load("Пустой");
    const PrintProfile& p = s.v->document().profile();
    QCOMPARE(formatList(*s.v)->currentIndex(), 0);
    for (int n = 1; n <= blockCount; ++n) {
        QCOMPARE(QPoint(p.block(n).x, p.block(n).y), QPoint(1, 1));
        QCOMPARE(p.block(n).face, QStringLiteral("Arial"));
        QCOMPARE(p.block(n).size, 10);
        QCOMPARE(p.block(n).colour, quint32(0));
        QVERIFY(p.block(n).visible);
    }
    for (QToolButton* toggle : pictureToggles(*s.v))
        QVERIFY(toggle->isChecked());
    QVERIFY(control<QCheckBox>(*s.v, "cb3")->isChecked());
    QVERIFY(!control<QCheckBox>(*s.v, "CheckBox1")->isChecked());
    QCOMPARE(printList(*s.v)->CheckedCount(), 0);
    QCOMPARE(s.v->size(), QSize(1075, 800));
    QCOMPARE(s.v->optionsBar().sheetPosition(), 0);
    QCOMPARE(field(*s.v, 3)->text(), QStringLiteral("10"));
    QCOMPARE(field(*s.v, 4)->text(), QStringLiteral("0"));
    QVERIFY(!saveButton(*s.v)->isEnabled());
}

void ProfileStoreTest::sizeLargerThanTheScreen() {
    // A profile saved on a larger screen than the test's 1920 x 1080.
    Store s(cp1251("[option]\r\nprofile=Большой\r\n"
                   "[Большой]\r\nformat=(162 x 229 мм) C5\r\nwidth=2400\r\nheight=1400\r\n"));
    s.opt->load("Большой");
    const QRect available = s.v->screen()->availableGeometry();
    QVERIFY(s.v->width() < available.width() && s.v->height() < available.height());
    QVERIFY(available.contains(s.v->frameGeometry()));
    // Made smaller to fit, the window keeps the size the profile stores.
    s.opt->save("Большой");
    QCOMPARE(s.ini().readString("Большой", "width", ""), QStringLiteral("2400"));
    QCOMPARE(s.ini().readString("Большой", "height", ""), QStringLiteral("1400"));
    // Resized by the user, it stores the new size.
    s.v->resize(1000, 700);
    s.opt->save("Большой");
    QCOMPARE(s.ini().readString("Большой", "width", ""), QStringLiteral("1000"));
    QCOMPARE(s.ini().readString("Большой", "height", ""), QStringLiteral("700"));
}

void ProfileStoreTest::saveWritesEveryKeyInOrder() {
    Store s;
    s.opt->appendSection("Новый");
    s.opt->save("Новый");
    const QStringList section = s.section("Новый");
    QStringList keys;
    for (const QString& line : section)
        keys.append(line.section('=', 0, 0));
    QStringList expected = {
        "IndDown_X", "IndDown_Y",   "IndDown_Z",   "IndUp1_X",    "IndUp1_Y",    "IndUp2_X",
        "IndUp2_Y",  "IndRight1_X", "IndRight1_Y", "IndRight2_X", "IndRight2_Y", "IndDown",
        "Sender",    "Recipient",   "otkogo_x",    "otkogo_y",    "otkogo2_x",   "otkogo2_y",
        "otkogo3_x", "otkogo3_y",   "otkuda1_x",   "otkuda2_x",   "otkuda3_x",   "otkuda1_y",
        "otkuda2_y", "otkuda3_y",   "index1_x",    "index1_y",    "komu1_x",     "komu2_x",
        "komu3_x",   "komu1_y",     "komu2_y",     "komu3_y",     "kuda1_x",     "kuda2_x",
        "kuda3_x",   "kuda1_y",     "kuda2_y",     "kuda3_y",     "index2_x",    "index2_y"};
    for (int i = 1; i <= 6; ++i)
        expected << QStringLiteral("index3%1_x").arg(i) << QStringLiteral("index3%1_y").arg(i);
    expected << "format"
             << "otkogo"
             << "komu"
             << "index"
             << "marka"
             << "iz"
             << "listpos"
             << "corx"
             << "cory"
             << "allx"
             << "ally"
             << "width"
             << "height";
    for (int n = 1; n <= 20; ++n)
        for (const char* suffix : {"fname", "fsize", "fstyle", "fcolor", "fpitch", "fcharset"})
            expected << QStringLiteral("t%1_%2").arg(n).arg(suffix);
    for (int n = 1; n <= 20; ++n)
        expected << QStringLiteral("t%1_visible").arg(n);
    expected << "printconfirm"
             << "printprofiles"
             << "indexswitch";
    QCOMPARE(keys, expected);
    QVERIFY(section.contains("IndDown=0"));
    QVERIFY(section.contains("format=(114 x 162 мм) C6"));
    // Nothing else in the file changed.
    QCOMPARE(s.section("Второй"), QStringList{"format=(110 x 220 мм) DL"});
}

void ProfileStoreTest::saveAndLoadRoundTrip() {
    Store s;
    EnvelopeDocument& document = s.v->document();
    for (int n = 1; n <= blockCount; ++n) {
        TextBlock b = document.profile().block(n);
        b.face = n % 2 ? "Liberation Serif" : "DejaVu Sans";
        b.size = 8 + n;
        b.style = n % 16;
        b.colour = n == 7 ? 255 : quint32(n * 1000);
        b.charset = n == 3 ? 204 : 0;
        b.pitch = n % 3;
        b.visible = n % 4 != 0;
        document.setBlockFont(n, b);
        document.setBlockVisible(n, b.visible);
        s.v->canvas().moveBlock(n, QPoint(10 * n, 5 * n));
    }
    std::array<QString, 11> kept = document.profile().kept;
    kept[4] = "17";
    document.setKeptValues(kept);
    document.setPadMarker({12, document.profile().cory});
    pictureToggle(*s.v, 2)->setChecked(false);
    control<QCheckBox>(*s.v, "cb3")->setChecked(false);
    control<QCheckBox>(*s.v, "CheckBox1")->setChecked(true);
    field(*s.v, 8)->setText("-4");
    field(*s.v, 3)->setText("15");
    s.v->optionsBar().setSheetPosition(5);
    printList(*s.v)->SetChecked(2, true);
    const PrintProfile before = document.profile();
    s.opt->save("Первый");

    s.opt->load("Второй");
    QVERIFY(s.v->document().profile().block(7).colour != 255);
    s.opt->load("Первый");
    const PrintProfile& after = s.v->document().profile();
    for (int n = 1; n <= blockCount; ++n)
        QVERIFY2(after.block(n) == before.block(n), qPrintable(QString::number(n)));
    QCOMPARE(after.kept, before.kept);
    QCOMPARE(after.corx, 12);
    QVERIFY(!after.index);
    QVERIFY(!after.printconfirm);
    QVERIFY(after.indexswitch);
    QCOMPARE(after.allx, QStringLiteral("-4"));
    QCOMPARE(after.iz, QStringLiteral("15"));
    QCOMPARE(after.listpos, 5);
    QCOMPARE(after.printprofiles, QStringList{"Третий"});
    // Hidden blocks show in the hidden colour, the red one in its own red.
    QCOMPARE(blockLabel(*s.v, 7)->colour(), QColor(255, 0, 0));
    QVERIFY(blockLabel(*s.v, 4)->colour() != colourOf(before.block(4).colour));
}

void ProfileStoreTest::batchedWritesEqualSingleWrites() {
    const QByteArray start = "; head\r\n[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny = 2\nX=old\r\n[c]";
    const std::vector<std::pair<QString, QString>> values = {
        {"x", "9"}, {"new", "1"}, {"y", "3"}, {"new", "2"}, {"другой", "Да"}};
    QTemporaryDir dir;
    for (const char* section : {"a", "b", "c", "d"}) {
        IniFile one(dir.filePath("one.ini"));
        IniFile batch(dir.filePath("batch.ini"));
        for (const QString& path : {one.path(), batch.path()}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(start);
        }
        for (const auto& [key, value] : values)
            one.writeString(section, key, value);
        batch.writeKeys(section, values);
        QFile a(one.path()), b(batch.path());
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
    }
}

void ProfileStoreTest::newProfiles() {
    Store s;
    for (int i = 0; i < 3; ++i)
        s.opt->add();
    const QStringList all = entries(profileList(*s.v));
    QCOMPARE(all.mid(3), (QStringList{"Новый профиль", "Новый профиль 2", "Новый профиль 3"}));
    QCOMPARE(entries(recipientProfile(s.mainWindow())), all);
    for (const QString& name : all.mid(3)) {
        QCOMPARE(s.ini().readString(name, "format", ""), QStringLiteral("(162 x 229 мм) C5"));
        QCOMPARE(s.ini().readString(name, "printprofiles", ""), name);
        QCOMPARE(s.ini().readString(name, "IndDown_Z", ""), QStringLiteral("29"));
        QCOMPARE(s.ini().readInteger(name, "listpos", -1), 7);
    }
    QCOMPARE(s.ini().readString("option", "profile", ""), QStringLiteral("Новый профиль 3"));
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Новый профиль 3"));
    QCOMPARE(printList(*s.v)->CheckedText(), QStringLiteral("Новый профиль 3"));
    QCOMPARE(surface(*s.v)->size(), QSize(1209, 869));

    // A deleted "Новый профиль 2" is the first free name again.
    s.v->document().setName(profileList(*s.v)->itemText(4));
    s.opt->remove();
    s.opt->add();
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Новый профиль 2"));
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::renameKeepsRecipientsInStep() {
    Store s;
    s.messages.answerInput(QStringLiteral("  Главный  "));
    s.opt->rename();
    QCOMPARE(entries(profileList(*s.v)), (QStringList{"Главный", "Второй", "Третий"}));
    QCOMPARE(entries(recipientProfile(s.mainWindow())), entries(profileList(*s.v)));
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Главный"));
    QCOMPARE(recipientProfile(s.mainWindow())->currentText(), QStringLiteral("Главный"));
    QCOMPARE(s.recipientProfiles(), (QStringList{"Главный", "Второй", "Главный"}));
    QCOMPARE(s.ini().readString("Главный", "format", ""), QStringLiteral("(114 x 162 мм) C6"));
    QVERIFY(!s.ini().sections().contains("Первый"));
    QCOMPARE(s.ini().readString("option", "profile", ""), QStringLiteral("Главный"));
    QVERIFY(printList(*s.v)->CheckedText().contains("Главный"));
    // Both files hold the rename whole: nothing is left noted for the next start.
    QVERIFY(!s.folder.settingsBytes().contains("recipients"));

    s.messages.answerInput(QStringLiteral("Второй"));
    s.opt->rename();
    QVERIFY(!s.messages.texts("notice").isEmpty());
    QCOMPARE(s.messages.texts("notice").last(),
             QStringLiteral("Профиль с таким именем уже существует."));
    // Cancel, the same name and an empty answer change nothing.
    const QByteArray file = s.folder.settingsBytes();
    s.messages.answerInput(std::nullopt);
    s.opt->rename();
    s.messages.answerInput(QStringLiteral("Главный"));
    s.opt->rename();
    s.messages.answerInput(QStringLiteral("   "));
    s.opt->rename();
    QCOMPARE(s.folder.settingsBytes(), file);

    // Only the letter case of its own name: allowed, written anew.
    s.messages.answerInput(QStringLiteral("ГЛАВНЫЙ"));
    s.opt->rename();
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("ГЛАВНЫЙ"));
    QCOMPARE(s.recipientProfiles(), (QStringList{"ГЛАВНЫЙ", "Второй", "ГЛАВНЫЙ"}));
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::startFinishesANotedMove_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("move");
    QTest::addColumn<QStringList>("expected");
    const QString renamed = "recipientsfrom=\"Первый\"\r\nrecipientsto=\"Главный\"\r\n";
    QTest::newRow("a rename the address book lacks")
        << "Главный" << renamed << QStringList{"Главный", "Второй", "Главный"};
    QTest::newRow("a rename the address book holds already")
        << "Главный" << renamed << QStringList{"Главный", "Второй", "Главный"};
    QTest::newRow("a delete") << "Четвёртый"
                              << "recipientsfrom=\"Первый\"\r\nrecipientsto=\"Второй\"\r\n"
                              << QStringList{"Второй", "Второй", "Второй"};
    QTest::newRow("a rename to a name in quotes")
        << "\"Главный\""
        << "recipientsfrom=\"Первый\"\r\nrecipientsto=\"\"Главный\"\"\r\n"
        << QStringList{"\"Главный\"", "Второй", "\"Главный\""};
}

// A program stopped between the settings file and the address book during a rename or a
// delete left the move noted in the file; the next start finishes it before the lists.
void ProfileStoreTest::startFinishesANotedMove() {
    QFETCH(QString, first);
    QFETCH(QString, move);
    QFETCH(QStringList, expected);
    const QString settings = QString::fromUtf8(threeProfiles)
                                 .replace("profile=Первый\r\n", "profile=Второй\r\n" + move)
                                 .replace("[Первый]", '[' + first + ']');
    QString rows = recipients;
    if (QString(QTest::currentDataTag()).contains("already"))
        rows.replace("'Первый'", "'Главный'");
    Store s(cp1251(settings), rows);
    QCOMPARE(s.recipientProfiles(), expected);
    QCOMPARE(s.ini().readString("option", "recipientsfrom", "-"), QStringLiteral("-"));
    QCOMPARE(s.ini().readString("option", "recipientsto", "-"), QStringLiteral("-"));
    // The first recipient's profile is shown, as at every start.
    QCOMPARE(recipientProfile(s.mainWindow())->currentText(), expected[0]);
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::nameRules_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("a quote") << "Д'Артаньян" << true;
    QTest::newRow("another case of another profile") << "ВТОРОЙ" << false;
    QTest::newRow("option, any case") << "Option" << false;
    QTest::newRow("a closing bracket") << "a]b" << false;
    QTest::newRow("an opening bracket first") << "[a" << false;
    QTest::newRow("a comma") << "a,b" << false;
    QTest::newRow("not in Windows-1251") << "Профиль ✓" << false;
}

void ProfileStoreTest::nameRules() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    Store s;
    const QByteArray file = s.folder.settingsBytes();
    s.messages.answerInput(typed);
    s.opt->rename();
    if (accepted) {
        QCOMPARE(profileList(*s.v)->currentText(), typed);
        QCOMPARE(s.recipientProfiles(), (QStringList{typed, "Второй", typed}));
        QVERIFY(s.messages.texts("notice").isEmpty());
    } else {
        QCOMPARE(s.messages.texts("notice").size(), 1);
        QCOMPARE(s.folder.settingsBytes(), file);
        QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Первый"));
    }
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::deleteProfiles() {
    Store s;
    s.opt->remove();
    QCOMPARE(entries(profileList(*s.v)), (QStringList{"Второй", "Третий"}));
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Третий"));
    QCOMPARE(formatList(*s.v)->currentIndex(), 1);
    QCOMPARE(s.recipientProfiles(), (QStringList{"Второй", "Второй", "Второй"}));
    QCOMPARE(entries(recipientProfile(s.mainWindow())), (QStringList{"Второй", "Третий"}));
    QCOMPARE(s.ini().readString("option", "profile", ""), QStringLiteral("Третий"));
    QVERIFY(!s.ini().sections().contains("Первый"));
    QVERIFY(!s.folder.settingsBytes().contains("recipients"));

    s.opt->remove();
    s.opt->remove();
    QCOMPARE(s.messages.texts("notice"), QStringList{"Нельзя удалить все профили."});
    QCOMPARE(entries(profileList(*s.v)), QStringList{"Второй"});
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::failedChangeLeavesFileAndLists_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("settings");
    const QByteArray plain =
        cp1251(QString::fromUtf8(threeProfiles))
            .replace("C6\r\n", cp1251("C6\r\nprintprofiles=Третий,Первый\r\n"));
    // The last profile, shown after a delete, cannot be loaded.
    const QByteArray damagedLast = plain + cp1251("[Четвёртый]\r\nlistpos=9\r\n");
    QTest::newRow("rename, the save refused") << "rename" << plain;
    QTest::newRow("new, the save refused") << "new" << plain;
    QTest::newRow("delete, the next profile unreadable") << "delete" << damagedLast;
}

// Every step of a change that fails halfway is undone: the file, the recipients and
// the three lists of names stay as they were.
void ProfileStoreTest::failedChangeLeavesFileAndLists() {
    QFETCH(QString, operation);
    QFETCH(QByteArray, settings);
    Store s(settings);
    const QByteArray file = s.folder.settingsBytes();
    const QStringList names = entries(profileList(*s.v));
    if (operation == "rename") {
        // Ticked again, so the order of the ticks is no longer the order of the list.
        printList(*s.v)->SetChecked(0, false);
        printList(*s.v)->SetChecked(0, true);
    }
    const QString ticked = printList(*s.v)->CheckedText();
    QCOMPARE(ticked, operation == "rename" ? "Третий,Первый" : "Первый,Третий");
    const QStringList profiles = s.recipientProfiles();
    recipientProfile(s.mainWindow())->setCurrentIndex(2);
    if (operation != "delete")
        field(*s.v, 3)->setText("1✓"); // a spacing the file cannot carry
    const QString error = errorOf([&] {
        if (operation == "rename") {
            s.messages.answerInput(QStringLiteral("Главный"));
            s.opt->rename();
        } else if (operation == "new") {
            s.opt->add();
        } else {
            s.opt->remove();
        }
    });
    QVERIFY(!error.isEmpty());
    QCOMPARE(s.folder.settingsBytes(), file);
    QCOMPARE(s.recipientProfiles(), profiles);
    QCOMPARE(entries(profileList(*s.v)), names);
    QCOMPARE(entries(recipientProfile(s.mainWindow())), names);
    QCOMPARE(printList(*s.v)->Items(), names);
    QCOMPARE(printList(*s.v)->CheckedText(), ticked);
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Первый"));
    QCOMPARE(recipientProfile(s.mainWindow())->currentText(), QStringLiteral("Третий"));
    QCOMPARE(s.v->document().name(), QStringLiteral("Первый"));
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::choicesStayWithTheirNames_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("shown");   // cb1 after it
    QTest::addColumn<QString>("main");    // cbp after it
    QTest::addColumn<QString>("printed"); // ccb1 after it
    QTest::newRow("rename") << "rename"
                            << "Главный"
                            << "Главный"
                            << "Главный,Второй,Третий";
    QTest::newRow("delete") << "delete"
                            << "Третий"
                            << "Третий"
                            << "";
    QTest::newRow("new") << "new"
                         << "Новый профиль"
                         << "Третий"
                         << "Новый профиль";
    QTest::newRow("listed again") << "list"
                                  << "Первый"
                                  << "Третий"
                                  << "Третий,Второй";
}

// Every list shows the one list of names and keeps its own choice: the main window's
// choice of another profile and the ticks of the other profiles outlive a change.
void ProfileStoreTest::choicesStayWithTheirNames() {
    QFETCH(QString, operation);
    QFETCH(QString, shown);
    QFETCH(QString, main);
    QFETCH(QString, printed);
    Store s;
    QCOMPARE(profileList(*s.v)->currentText(), QStringLiteral("Первый"));
    recipientProfile(s.mainWindow())->setCurrentIndex(2);
    printList(*s.v)->SetChecked(2, true);
    printList(*s.v)->SetChecked(1, true);
    if (operation == "rename") {
        s.messages.answerInput(QStringLiteral("Главный"));
        s.opt->rename();
    } else if (operation == "delete") {
        s.opt->remove();
    } else if (operation == "new") {
        s.opt->add();
    } else {
        s.opt->refreshNames();
        s.opt->cancelStartLoad();
    }
    QCOMPARE(profileList(*s.v)->currentText(), shown);
    QCOMPARE(recipientProfile(s.mainWindow())->currentText(), main);
    QCOMPARE(printList(*s.v)->CheckedText(), printed);
    QCOMPARE(printList(*s.v)->Items(), entries(profileList(*s.v)));
    QCOMPARE(entries(recipientProfile(s.mainWindow())), entries(profileList(*s.v)));
    s.verifyNothingUnexpected();
}

void ProfileStoreTest::printListTicksWholeNames() {
    Store s(cp1251("[option]\r\n[Новый профиль]\r\n[Новый профиль 2]\r\n"
                   "printprofiles=Новый профиль 2\r\n"));
    s.opt->load("Новый профиль 2");
    QVERIFY(!printList(*s.v)->IsChecked(0));
    QVERIFY(printList(*s.v)->IsChecked(1));
    QCOMPARE(printList(*s.v)->CheckedText(), QStringLiteral("Новый профиль 2"));
}

void ProfileStoreTest::badValueStopsTheLoad() {
    Store s(cp1251("[option]\r\n[Плохой]\r\nIndDown_X=5\r\notkogo_x=300\r\n"
                   "format=(114 x 162 мм) C6\r\nallx=7\r\nlistpos=9\r\niz=42\r\n[Хороший]\r\n"));
    s.opt->load("Хороший");
    s.v->optionsBar().setSheetPosition(3);
    try {
        s.opt->load("Плохой");
        QFAIL("the load went through");
    } catch (const UserError& e) {
        QCOMPARE(e.message(), QStringLiteral("Ошибка загрузки профиля «Плохой».\r\nПоложение "
                                             "конверта на листе listpos=9 должно быть от 0 до 8"));
    }
    QCOMPARE(s.v->document().profile().kept[0], QStringLiteral("5"));
    QCOMPARE(s.v->canvas().blockPos(1).x(), 300);
    QCOMPARE(formatList(*s.v)->currentIndex(), 2);
    QCOMPARE(field(*s.v, 8)->text(), QStringLiteral("7"));
    QCOMPARE(s.v->optionsBar().sheetPosition(), 3);
    QCOMPARE(field(*s.v, 3)->text(), QStringLiteral("10"));
}

void ProfileStoreTest::brokenPictureIsNamed_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray() << "файл не найден";
    QTest::newRow("not a picture") << QByteArray("not a JPEG") << "";
}

void ProfileStoreTest::brokenPictureIsNamed() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    Store s;
    const QString picture = s.folder.file("images/c6_komy.jpg");
    QVERIFY(QFile::remove(picture));
    if (!bytes.isEmpty()) {
        QFile file(picture);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QString error = errorOf([&] { s.opt->load("Первый"); });
    const QString start = "Ошибка загрузки профиля «Первый».\r\nНе удалось прочитать рисунок " +
                          QDir::toNativeSeparators(picture) + ": ";
    QVERIFY2(error.startsWith(start) && error.size() > start.size(), qPrintable(error));
    if (!reason.isEmpty())
        QCOMPARE(error.mid(start.size()), reason);
}

QTEST_MAIN(ProfileStoreTest)
#include "tst_profilestore.moc"
