#include "EditorControls.h"
#include "MainControls.h"
#include "TestProgram.h"

#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/IniFile.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/Icons.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/SaveAsDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>
#include <QToolButton>

namespace {

const char* settings = "[option]\r\nprofile=Первый\r\nprintdelay=7\r\npdmode=1\r\n"
                       "[Первый]\r\nformat=(110 x 220 мм) DL\r\nprintprofiles=Первый\r\n"
                       "otkogo_x=30\r\notkogo_y=40\r\nt17_fname=Liberation Mono\r\n"
                       "t17_fcolor=255\r\n"
                       "[Второй]\r\nformat=(114 x 162 мм) C6\r\notkogo_x=60\r\n"
                       "[Третий]\r\nformat=(162 x 229 мм) C5\r\n";

const char* recipients = R"(
insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) values
  ('Абрамов', 'Абрамову', 'Москва', 101000, 0, '', 'Первый');
insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) values
  ('Борисова', 'Борисовой', 'Тверь', 170000, 0, '', 'Второй');
)";

// Typing any text, Cyrillic included, key by key.
void type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
}

QStringList entries(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->itemText(i));
    return result;
}

// The program on a settings file of our own, with the layout editor shown on
// the first recipient's profile "Первый".
struct Editor : TestProgram {
    LayoutEditor* v = nullptr;
    ProfileStore* opt = nullptr;

    explicit Editor(const QString& text = QString::fromUtf8(settings)) {
        folder.writeSettings(QStringEncoder("windows-1251").encode(text));
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + QString::fromUtf8(recipients));
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        opt = program->windows().profileStore;
        // As the main window shows it: modal, with every box in front of it.
        messages.holdInFront(*v);
        open();
        settle();
        messages.reset();
    }
    ~Editor() { v->hide(); }

    // Shows the editor and runs the load that the store's timer would run.
    void open() {
        v->show();
        if (opt->startLoadPending())
            opt->loadStartProfile();
    }
    // Lets the window finish its layout: a resize of the work area counts as a
    // change, which a test starts without.
    void settle() {
        QCoreApplication::sendPostedEvents();
        v->document().setModified(false);
    }
    IniFile ini() { return IniFile(folder.file("envalo.ini")); }
    QString option(const char* key) { return ini().readString("option", key, "<none>"); }
    QPoint pos(int n) const { return v->canvas().blockPos(n); }
    void choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    // A user's move of block 1: the editor is in the changed state afterwards.
    void change() {
        v->canvas().moveBlock(1, QPoint(55, 66));
        v->document().setModified(true);
    }
    void press(int n, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(blockLabel(*v, n), button, {}, QPoint(2, 2));
        QTest::mouseRelease(blockLabel(*v, n), button, {}, QPoint(2, 2));
        control<QMenu>(*v, "pp1")->hide();
    }
};

} // namespace

class EditorCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void saveAsksAboutAnEmptyPrintList_data();
    void saveAsksAboutAnEmptyPrintList();
    void saveThatCannotWriteStaysChanged();
    void profileChoice_data();
    void profileChoice();
    void profileCommands_data();
    void profileCommands();
    void formatChange_data();
    void formatChange();
    void saveAs_data();
    void saveAs();
    void saveAsRefusesBlanksAndKeepsTheDialogOpen();
    void boxesOpenInFrontOfTheWindowThatAsks_data();
    void boxesOpenInFrontOfTheWindowThatAsks();
    void fontOfSelectedBlocks_data();
    void fontOfSelectedBlocks();
    void visibility();
    void sheetPosition_data();
    void sheetPosition();
    void switches();
    void delaySettingsOnShow_data();
    void delaySettingsOnShow();
    void delayFieldAndSpinner();
    void closePaths_data();
    void closePaths();
    void reopeningShowsTheStoredProfile();
};

void EditorCommandsTest::saveAsksAboutAnEmptyPrintList_data() {
    QTest::addColumn<bool>("andClose");
    QTest::addColumn<bool>("ok");
    QTest::newRow("save, OK lets the user tick") << false << true;
    QTest::newRow("save, Cancel saves") << false << false;
    QTest::newRow("save and close, OK stays open") << true << true;
    QTest::newRow("save and close, Cancel saves and closes") << true << false;
}

void EditorCommandsTest::saveAsksAboutAnEmptyPrintList() {
    QFETCH(bool, andClose);
    QFETCH(bool, ok);
    Editor e;
    e.ini().writeString("option", "profile", "Третий");
    printList(*e.v)->DeSelectAll();
    e.change();
    control<QLineEdit>(*e.v, "Edit15")->setText("42");
    control<QRadioButton>(*e.v, "rb2")->setChecked(true);
    e.messages.answer(ok);
    (andClose ? control<QPushButton>(*e.v, "Button9") : saveButton(*e.v))->click();

    QCOMPARE(e.messages.shown.first().title, QStringLiteral("Пустой список профилей на печать"));
    QVERIFY(e.messages.shown.first().text.startsWith("Внимание, вы не пометили профили на печать"));
    const bool saved = !ok;
    QCOMPARE(e.ini().readString("Первый", "otkogo_x", ""), saved ? "55" : "30");
    QCOMPARE(e.option("profile"), saved ? "Первый" : "Третий");
    QCOMPARE(e.v->isVisible(), !(saved && andClose));
    QCOMPARE(e.option("printdelay"), saved && andClose ? "42" : "7");
    QCOMPARE(e.option("pdmode"), saved && andClose ? "2" : "1");
    if (!andClose) {
        QCOMPARE(saveButton(*e.v)->isEnabled(), !saved);
        QCOMPARE(control<QLabel>(*e.v, "formatPanel")->text() == "Сохранено", saved);
    }
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::saveThatCannotWriteStaysChanged() {
    Editor e;
    e.change();
    const QString path = e.folder.file("envalo.ini");
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    saveButton(*e.v)->click();
    QCOMPARE(e.messages.texts("error").size(), 1);
    const QString error = e.messages.texts("error").first();
    QVERIFY2(error.startsWith("Не удалось сохранить настройки: ") &&
                 error.contains("\r\nUnable to write to " + path),
             qPrintable(error));
    QVERIFY(saveButton(*e.v)->isEnabled());
    QVERIFY(control<QLabel>(*e.v, "formatPanel")->text() != "Сохранено");
}

void EditorCommandsTest::profileChoice_data() {
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::newRow("unchanged, no question") << false << -1;
    QTest::newRow("changed, OK drops the changes") << true << 1;
    QTest::newRow("changed, Cancel keeps everything") << true << 0;
}

void EditorCommandsTest::profileChoice() {
    QFETCH(bool, changed);
    QFETCH(int, answer);
    Editor e;
    const QByteArray file = e.folder.settingsBytes();
    if (changed)
        e.change();
    if (answer >= 0)
        e.messages.answer(answer == 1);
    e.choose(profileList(*e.v), 1);

    if (answer >= 0) {
        QCOMPARE(e.messages.shown.size(), 1);
        QCOMPARE(e.messages.shown[0].text,
                 QStringLiteral("Несохранённые данные будут потеряны, изменить текущий профиль?"));
        QCOMPARE(e.messages.shown[0].title, QStringLiteral("Смена профиля"));
    }
    const bool loaded = answer != 0;
    QCOMPARE(profileList(*e.v)->currentText(), loaded ? "Второй" : "Первый");
    QCOMPARE(e.pos(1), loaded ? QPoint(60, 1) : QPoint(55, 66));
    QCOMPARE(formatList(*e.v)->currentIndex(), loaded ? 2 : 0);
    QCOMPARE(saveButton(*e.v)->isEnabled(), !loaded);
    // Choosing writes nothing, not even the current profile.
    QCOMPARE(e.folder.settingsBytes(), file);
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::profileCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<QStringList>("profiles");
    QTest::newRow("delete, Cancel")
        << "delete" << false << 0 << QStringList{"Первый", "Второй", "Третий"};
    QTest::newRow("delete, OK") << "delete" << false << 1 << QStringList{"Второй", "Третий"};
    QTest::newRow("add, unchanged")
        << "add" << false << -1 << QStringList{"Первый", "Второй", "Третий", "Новый профиль"};
    QTest::newRow("add, changed, Cancel")
        << "add" << true << 0 << QStringList{"Первый", "Второй", "Третий"};
    QTest::newRow("add, changed, OK")
        << "add" << true << 1 << QStringList{"Первый", "Второй", "Третий", "Новый профиль"};
    QTest::newRow("rename asks nothing of its own")
        << "rename" << true << -1 << QStringList{"Главный", "Второй", "Третий"};
}

void EditorCommandsTest::profileCommands() {
    QFETCH(QString, command);
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(QStringList, profiles);
    Editor e;
    if (changed)
        e.change();
    if (answer >= 0)
        e.messages.answer(answer == 1);
    if (command == "delete") {
        control<QToolButton>(*e.v, "SpeedButton6")->click();
        QCOMPARE(e.messages.shown[0].text, QStringLiteral("Удалить текущий профиль \"Первый\"?"));
        QCOMPARE(e.messages.shown[0].title, QStringLiteral("Первый"));
    } else if (command == "add") {
        control<QToolButton>(*e.v, "SpeedButton5")->click();
        if (answer >= 0) {
            QCOMPARE(
                e.messages.shown[0].text,
                QStringLiteral("Несохранённые данные будут потеряны, добавить новый профиль?"));
            QCOMPARE(e.messages.shown[0].title, QStringLiteral("Смена профиля"));
        }
    } else {
        e.messages.answerInput(QStringLiteral("Главный"));
        control<QToolButton>(*e.v, "SpeedButton7")->click();
    }
    QCOMPARE(entries(profileList(*e.v)), profiles);
    if (answer < 0)
        QCOMPARE(e.messages.texts("question"), QStringList());
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::formatChange_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("confirmed") << true;
    QTest::newRow("cancelled") << false;
}

void EditorCommandsTest::formatChange() {
    QFETCH(bool, ok);
    Editor e;
    e.v->optionsBar().setSheetPosition(2);
    e.v->document().setModified(false);
    std::array<QPoint, blockCount> before;
    for (int n = 1; n <= blockCount; ++n)
        before[size_t(n - 1)] = e.pos(n);
    e.messages.answer(ok);
    e.choose(formatList(*e.v), 2);

    QCOMPARE(e.messages.shown[0].text,
             QStringLiteral("При смене формата конверта настройки координат будут сброшены, "
                            "изменить формат конверта?"));
    // The title begins with a Latin C.
    QCOMPARE(e.messages.shown[0].title, QStringLiteral("C") + QStringLiteral("мена формата"));
    QCOMPARE(formatList(*e.v)->currentIndex(), ok ? 2 : 0);
    for (int n = 1; n <= blockCount; ++n)
        QCOMPARE(e.pos(n), ok ? defaultBlockPosition(n) : before[size_t(n - 1)]);
    QVERIFY(positionItem(*e.v, ok ? 7 : 2)->isChecked());
    QCOMPARE(saveButton(*e.v)->isEnabled(), ok);
    QCOMPARE(surface(*e.v)->size(), ok ? QSize(612, 431) : QSize(831, 416));

    // A confirmed change is the new remembered entry: a later cancel returns to it.
    e.messages.answer(false);
    e.choose(formatList(*e.v), 1);
    QCOMPARE(formatList(*e.v)->currentIndex(), ok ? 2 : 0);
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::saveAs_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer"); // -1: no question expected
    QTest::addColumn<QString>("savedAs");
    QTest::addColumn<bool>("isNew");
    QTest::newRow("new name, Enter") << "Четвёртый"
                                     << "enter" << -1 << "Четвёртый" << true;
    QTest::newRow("new name, blanks around") << "  Пятый "
                                             << "ok" << -1 << "Пятый" << true;
    QTest::newRow("Escape") << "Четвёртый"
                            << "escape" << -1 << "" << false;
    QTest::newRow("Отмена") << "Четвёртый"
                            << "cancel" << -1 << "" << false;
    QTest::newRow("close box keeps the name") << "Шестой"
                                              << "closebox" << -1 << "Шестой" << true;
    QTest::newRow("existing, OK") << "Второй"
                                  << "ok" << 1 << "Второй" << false;
    QTest::newRow("existing, Cancel") << "Второй"
                                      << "ok" << 0 << "" << false;
    QTest::newRow("other letter case is that profile") << "ВТОРОЙ"
                                                       << "ok" << 1 << "Второй" << false;
    QTest::newRow("a name the file cannot keep") << "a]b"
                                                 << "ok" << -1 << "" << false;
}

void EditorCommandsTest::saveAs() {
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(int, answer);
    QFETCH(QString, savedAs);
    QFETCH(bool, isNew);
    Editor e;
    e.ini().writeString("option", "profile", "Третий");
    e.change();
    const QByteArray file = e.folder.settingsBytes();
    const QStringList profiles = entries(profileList(*e.v));
    e.messages.onModal([&](QDialog& d) {
        QVERIFY(qobject_cast<SaveAsDialog*>(&d));
        QLineEdit* edit = control<QLineEdit>(d, "Edit1");
        QVERIFY(edit->text().isEmpty());
        type(edit, typed);
        if (how == "enter")
            QTest::keyClick(edit, Qt::Key_Return);
        else if (how == "escape")
            QTest::keyClick(edit, Qt::Key_Escape);
        else if (how == "cancel")
            control<QPushButton>(d, "Button2")->click();
        else if (how == "closebox")
            d.close();
        else
            control<QPushButton>(d, "Button1")->click();
    });
    if (answer >= 0)
        e.messages.answer(answer == 1);
    control<QPushButton>(*e.v, "Button5")->click();

    if (answer >= 0) {
        QCOMPARE(e.messages.texts("question"),
                 QStringList{"Такой профиль уже существует, переписать?"});
        QVERIFY(!e.messages.shown.isEmpty());
        QCOMPARE(e.messages.shown.last().title, QStringLiteral("Внимание"));
    }
    QCOMPARE(e.option("profile"), QStringLiteral("Третий"));
    if (savedAs.isEmpty()) {
        QCOMPARE(e.folder.settingsBytes(), file);
        QCOMPARE(entries(profileList(*e.v)), profiles);
        QVERIFY(saveButton(*e.v)->isEnabled());
        QCOMPARE(e.messages.texts("error").size(), how == "ok" && answer < 0 ? 1 : 0);
    } else {
        QCOMPARE(e.ini().readString(savedAs, "otkogo_x", ""), QStringLiteral("55"));
        QCOMPARE(profileList(*e.v)->currentText(), savedAs);
        QVERIFY(!saveButton(*e.v)->isEnabled());
        // The profile shown before keeps what the file had.
        QCOMPARE(e.ini().readString("Первый", "otkogo_x", ""), QStringLiteral("30"));
        // One section of that name, whatever the case typed.
        QCOMPARE(e.ini().sections().filter(savedAs, Qt::CaseInsensitive).size(), 1);
        QCOMPARE(entries(profileList(*e.v)), isNew ? profiles + QStringList{savedAs} : profiles);
        QCOMPARE(entries(recipientProfile(e.mainWindow())), entries(profileList(*e.v)));
        if (isNew) {
            QVERIFY(!e.ini().sections().isEmpty());
            QCOMPARE(e.ini().sections().last(), savedAs);
            QVERIFY(!printList(*e.v)->Items().isEmpty());
            QCOMPARE(e.ini().readString(savedAs, "printprofiles", ""), "Первый," + savedAs);
            QVERIFY(printList(*e.v)->IsChecked(int(printList(*e.v)->Items().size()) - 1));
        }
    }
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::saveAsRefusesBlanksAndKeepsTheDialogOpen() {
    Editor e;
    e.messages.onModal([&](QDialog& d) {
        QLineEdit* edit = control<QLineEdit>(d, "Edit1");
        type(edit, "   ");
        control<QPushButton>(d, "Button1")->click();
        QVERIFY(d.isVisible());
        QCOMPARE(e.messages.texts("error"), QStringList{"Введите название."});
        edit->setText("Седьмой");
        QTest::keyClick(edit, Qt::Key_Enter);
    });
    control<QPushButton>(*e.v, "Button5")->click();
    QCOMPARE(profileList(*e.v)->currentText(), QStringLiteral("Седьмой"));
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::boxesOpenInFrontOfTheWindowThatAsks_data() {
    QTest::addColumn<QString>("command");
    // Each box shown, as "kind: the window it opened in front of".
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("save as an existing name")
        << "save as existing" << QStringList{"modal: editor", "question: editor"};
    QTest::newRow("save as a blank name")
        << "save as blank" << QStringList{"modal: editor", "error: save as"};
    QTest::newRow("delete the profile") << "delete" << QStringList{"question: editor"};
    QTest::newRow("add a profile over changes") << "add" << QStringList{"question: editor"};
    QTest::newRow("choose a profile over changes") << "choose" << QStringList{"question: editor"};
    QTest::newRow("rename to a name that exists")
        << "rename" << QStringList{"input: editor", "notice: editor"};
    QTest::newRow("change the format") << "format" << QStringList{"question: editor"};
    QTest::newRow("font of the blocks")
        << "font" << QStringList{"font dialog: editor", "notice: editor"};
    QTest::newRow("empty print list on saving") << "save" << QStringList{"question: editor"};
}

void EditorCommandsTest::boxesOpenInFrontOfTheWindowThatAsks() {
    QFETCH(QString, command);
    QFETCH(QStringList, boxes);
    Editor e;
    e.change();
    if (command.startsWith("save as")) {
        e.messages.onModal([&](QDialog& d) {
            QLineEdit* edit = control<QLineEdit>(d, "Edit1");
            edit->setText(command == "save as blank" ? "  " : "Второй");
            control<QPushButton>(d, "Button1")->click();
            if (d.isVisible())
                control<QPushButton>(d, "Button2")->click();
        });
        if (command == "save as existing")
            e.messages.answer(false);
        control<QPushButton>(*e.v, "Button5")->click();
    } else if (command == "delete") {
        e.messages.answer(false);
        control<QToolButton>(*e.v, "SpeedButton6")->click();
    } else if (command == "add") {
        e.messages.answer(false);
        control<QToolButton>(*e.v, "SpeedButton5")->click();
    } else if (command == "choose") {
        e.messages.answer(false);
        e.choose(profileList(*e.v), 1);
    } else if (command == "rename") {
        e.messages.answerInput(QStringLiteral("Второй"));
        control<QToolButton>(*e.v, "SpeedButton7")->click();
    } else if (command == "format") {
        e.messages.answer(false);
        e.choose(formatList(*e.v), 2);
    } else if (command == "font") {
        e.press(14);
        e.messages.onFontDialog([](QFont&, QColor&) -> bool { throw std::runtime_error("шрифт"); });
        control<QPushButton>(*e.v, "Button11")->click();
    } else if (command == "save") {
        printList(*e.v)->DeSelectAll();
        e.messages.answer(true);
        saveButton(*e.v)->click();
    }

    const QWidget* saveAs = e.program->windows().saveAs;
    const QWidget* mainWindow = &e.mainWindow();
    QStringList shown;
    for (const ScriptedMessages::Shown& box : e.messages.shown) {
        const QString owner = box.parent == e.v          ? "editor"
                              : box.parent == saveAs     ? "save as"
                              : box.parent == mainWindow ? "main window"
                                                         : "other";
        shown.append(box.kind + ": " + owner);
    }
    QCOMPARE(shown, boxes);
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::fontOfSelectedBlocks_data() {
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("accepted, button") << "accepted" << false;
    QTest::newRow("accepted, block menu") << "accepted" << true;
    QTest::newRow("cancelled") << "cancelled" << false;
    QTest::newRow("failed") << "failed" << false;
}

void EditorCommandsTest::fontOfSelectedBlocks() {
    QFETCH(QString, outcome);
    QFETCH(bool, fromMenu);
    Editor e;
    const TextBlock eleven = e.v->document().profile().block(11);
    e.press(14); // selects the six digit cells
    QVERIFY(blockLabel(*e.v, 12)->colour() == QColor(Qt::red));
    e.v->document().setModified(false);
    QFont offered;
    QColor offeredColour;
    e.messages.onFontDialog([&](QFont& font, QColor& colour) -> bool {
        offered = font;
        offeredColour = colour;
        if (outcome == "failed")
            throw std::runtime_error("no font");
        font = QFont("DejaVu Serif", 16);
        font.setBold(true);
        font.setItalic(true);
        colour = QColor(10, 20, 30);
        return outcome == "accepted";
    });
    if (fromMenu)
        control<QAction>(*e.v, "N10")->trigger();
    else
        control<QPushButton>(*e.v, "Button11")->click();

    // The last selected block in block order gives the dialog its font.
    QCOMPARE(offered.family(), QStringLiteral("Liberation Mono"));
    QCOMPARE(offeredColour, QColor(255, 0, 0));
    const bool accepted = outcome == "accepted";
    QCOMPARE(e.messages.texts("notice"),
             outcome == "failed" ? QStringList{"Не выделен текст"} : QStringList());
    for (int n = 12; n <= 17; ++n) {
        const TextBlock& b = e.v->document().profile().block(n);
        QCOMPARE(b.face, accepted ? "DejaVu Serif" : n == 17 ? "Liberation Mono" : "Arial");
        QCOMPARE(b.size, accepted ? 16 : 10);
        QCOMPARE(b.style, accepted ? StyleBold | StyleItalic : 0);
        QCOMPARE(b.colour, accepted ? bgrOf(QColor(10, 20, 30)) : n == 17 ? 255u : 0u);
        // Red marking is gone, accepted or not.
        QCOMPARE(blockLabel(*e.v, n)->colour(), colourOf(b.colour));
    }
    QCOMPARE(blockLabel(*e.v, 12)->font().pixelSize(),
             e.program->windows().screen->fontPixels(accepted ? 16 : 10));
    QVERIFY(e.v->document().profile().block(11) == eleven);
    QCOMPARE(saveButton(*e.v)->isEnabled(), accepted);
    e.verifyNothingUnexpected();
    if (!accepted)
        return;

    // The chosen colour is saved with the blocks; with nothing selected the dialog
    // opens on the last choice.
    saveButton(*e.v)->click();
    QCOMPARE(e.ini().readString("Первый", "t15_fcolor", ""),
             QString::number(bgrOf(QColor(10, 20, 30))));
    e.v->canvas().clearSelection();
    e.messages.onFontDialog([&](QFont& font, QColor& colour) {
        offered = font;
        offeredColour = colour;
        return false;
    });
    control<QPushButton>(*e.v, "Button11")->click();
    QCOMPARE(offered.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(offered.pointSize(), 16);
    QCOMPARE(offeredColour, QColor(10, 20, 30));
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::visibility() {
    Editor e;
    const QPoint start = e.pos(9);
    e.press(9, Qt::RightButton);
    QVERIFY(control<QAction>(*e.v, "N11")->isChecked());
    control<QAction>(*e.v, "N11")->trigger();
    QVERIFY(!e.v->document().profile().block(9).visible);
    QVERIFY(blockLabel(*e.v, 9)->colour() != colourOf(e.v->document().profile().block(9).colour));
    QVERIFY(saveButton(*e.v)->isEnabled());

    // Hidden, it still moves like any other block.
    e.v->document().setModified(false);
    const QPoint target = blockLabel(*e.v, 9)->mapToGlobal(QPoint(22, 32));
    QTest::mousePress(blockLabel(*e.v, 9), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(blockLabel(*e.v, 9), QPoint(22, 32));
    QTest::mouseRelease(blockLabel(*e.v, 9), Qt::LeftButton, {},
                        blockLabel(*e.v, 9)->mapFromGlobal(target));
    QCOMPARE(e.pos(9), start + QPoint(20, 30));

    e.press(9, Qt::RightButton);
    control<QMenu>(*e.v, "pp1")->popup(QPoint(0, 0));
    QVERIFY(!control<QAction>(*e.v, "N11")->isChecked());
    control<QMenu>(*e.v, "pp1")->hide();
    control<QAction>(*e.v, "N11")->trigger();
    QVERIFY(e.v->document().profile().block(9).visible);
    QCOMPARE(blockLabel(*e.v, 9)->colour(), colourOf(e.v->document().profile().block(9).colour));

    // The check mark shows the last selected block in block order, not the one clicked.
    e.v->document().setBlockVisible(17, false);
    QTest::mousePress(blockLabel(*e.v, 14), Qt::RightButton, {}, QPoint(2, 2));
    QVERIFY(!control<QAction>(*e.v, "N11")->isChecked());
    control<QMenu>(*e.v, "pp1")->hide();

    // "Выделить всё" selects every block but changes nothing of the profile.
    e.v->document().setModified(false);
    control<QPushButton>(*e.v, "Button12")->click();
    for (int n = 1; n <= blockCount; ++n)
        QVERIFY(e.v->canvas().isSelected(n));
    QCOMPARE(blockLabel(*e.v, 1)->colour(), QColor(Qt::red));
    QVERIFY(!saveButton(*e.v)->isEnabled());
}

void EditorCommandsTest::sheetPosition_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("menuItem"); // -1: the toolbar button
    QTest::addColumn<int>("expected");
    QTest::newRow("button steps on") << 3 << -1 << 4;
    QTest::newRow("button after 8 gives 0") << 8 << -1 << 0;
    QTest::newRow("menu item") << 3 << 6 << 6;
}

void EditorCommandsTest::sheetPosition() {
    QFETCH(int, from);
    QFETCH(int, menuItem);
    QFETCH(int, expected);
    Editor e;
    e.v->optionsBar().setSheetPosition(from);
    e.v->document().setModified(false);
    if (menuItem < 0)
        control<QToolButton>(*e.v, "ToolButton1")->click();
    else
        positionItem(*e.v, size_t(menuItem))->trigger();
    for (int i = 0; i < 9; ++i)
        QCOMPARE(positionItem(*e.v, size_t(i))->isChecked(), i == expected);
    QCOMPARE(control<QToolButton>(*e.v, "ToolButton1")->icon().cacheKey(),
             positionItem(*e.v, size_t(expected))->icon().cacheKey());
    QVERIFY(saveButton(*e.v)->isEnabled());
    saveButton(*e.v)->click();
    QCOMPARE(e.ini().readString("Первый", "listpos", ""), QString::number(expected));
}

void EditorCommandsTest::switches() {
    Editor e;
    const QString recipientIndex = control<QLineEdit>(e.mainWindow(), "intyda")->text();
    QVERIFY(blockLabel(*e.v, 5)->text() != recipientIndex);
    control<QCheckBox>(*e.v, "CheckBox1")->click();
    QVERIFY(e.v->document().profile().indexswitch);
    QCOMPARE(blockLabel(*e.v, 5)->text(), recipientIndex);
    QVERIFY(saveButton(*e.v)->isEnabled());

    e.v->document().setModified(false);
    control<QCheckBox>(*e.v, "cb3")->click();
    QVERIFY(!e.v->document().profile().printconfirm);
    QVERIFY(saveButton(*e.v)->isEnabled());
    saveButton(*e.v)->click();
    QCOMPARE(e.ini().readString("Первый", "indexswitch", ""), QStringLiteral("1"));
    QCOMPARE(e.ini().readString("Первый", "printconfirm", ""), QStringLiteral("0"));
}

void EditorCommandsTest::delaySettingsOnShow_data() {
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<bool>("mode2");
    QTest::newRow("mode 1") << "printdelay=15\r\npdmode=1\r\n"
                            << "15" << false;
    QTest::newRow("mode 2") << "printdelay=0\r\npdmode=2\r\n"
                            << "0" << true;
    QTest::newRow("01 is not 1") << "pdmode=01\r\n"
                                 << "10" << true;
    QTest::newRow("missing keys") << ""
                                  << "10" << false;
}

void EditorCommandsTest::delaySettingsOnShow() {
    QFETCH(QString, lines);
    QFETCH(QString, delay);
    QFETCH(bool, mode2);
    Editor e("[option]\r\n" + lines + "[Первый]\r\nprintprofiles=Первый\r\n");
    QCOMPARE(control<QLineEdit>(*e.v, "Edit15")->text(), delay);
    QCOMPARE(control<QSpinBox>(*e.v, "UpDown1")->value(), delay.toInt());
    QCOMPARE(control<QRadioButton>(*e.v, "rb2")->isChecked(), mode2);
    QCOMPARE(control<QRadioButton>(*e.v, "rb1")->isChecked(), !mode2);
    QVERIFY(!saveButton(*e.v)->isEnabled());
}

void EditorCommandsTest::delayFieldAndSpinner() {
    Editor e;
    control<QLineEdit>(*e.v, "Edit15")->clear();
    QTest::keyClicks(control<QLineEdit>(*e.v, "Edit15"), "12345");
    QCOMPARE(control<QLineEdit>(*e.v, "Edit15")->text(), QStringLiteral("123"));
    QCOMPARE(control<QSpinBox>(*e.v, "UpDown1")->value(), 100);
    control<QSpinBox>(*e.v, "UpDown1")->stepDown();
    QCOMPARE(control<QLineEdit>(*e.v, "Edit15")->text(), QStringLiteral("99"));
    // Enter in the field does nothing, and delay settings are no change of the profile.
    QTest::keyClick(control<QLineEdit>(*e.v, "Edit15"), Qt::Key_Return);
    control<QRadioButton>(*e.v, "rb2")->click();
    QVERIFY(e.v->isVisible());
    QVERIFY(!saveButton(*e.v)->isEnabled());
    QCOMPARE(e.option("printdelay"), QStringLiteral("7"));

    control<QPushButton>(*e.v, "Button9")->click();
    QCOMPARE(e.option("printdelay"), QStringLiteral("99"));
    QCOMPARE(e.option("pdmode"), QStringLiteral("2"));
    QVERIFY(!e.v->isVisible());
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::closePaths_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Отмена") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "closebox";
    QTest::newRow("Сохранить и выйти") << "save";
}

void EditorCommandsTest::closePaths() {
    QFETCH(QString, how);
    Editor e;
    e.change();
    control<QLineEdit>(*e.v, "Edit15")->setText("3");
    // Another program moves the recipient to another profile meanwhile: the
    // main window sees it once the editor closes.
    e.folder.execute("update `table` set profile='Второй' where name='Абрамов'");
    if (how == "cancel")
        control<QPushButton>(*e.v, "Button8")->click();
    else if (how == "escape")
        QTest::keyClick(profileList(*e.v), Qt::Key_Escape);
    else if (how == "closebox")
        e.v->close();
    else
        control<QPushButton>(*e.v, "Button9")->click();

    const bool saved = how == "save";
    QVERIFY(!e.v->isVisible());
    QVERIFY(!saveButton(*e.v)->isEnabled());
    QCOMPARE(e.ini().readString("Первый", "otkogo_x", ""), saved ? "55" : "30");
    QCOMPARE(e.option("printdelay"), saved ? "3" : "7");
    QCOMPARE(recipientProfile(e.mainWindow())->currentText(), QStringLiteral("Второй"));
    QCOMPARE(profileList(*e.v)->currentText(), QStringLiteral("Второй"));
    QCOMPARE(e.pos(1), QPoint(60, 1));
    e.verifyNothingUnexpected();
}

void EditorCommandsTest::reopeningShowsTheStoredProfile() {
    Editor e;
    e.v->hide();
    auto openAnd = [&](const std::function<void()>& then) {
        e.messages.onModal([&, then](QDialog&) {
            e.opt->loadStartProfile();
            then();
        });
        e.mainWindow().openLayoutEditor();
    };
    openAnd([&] {
        QCOMPARE(e.pos(1), QPoint(30, 40));
        e.change();
        control<QPushButton>(*e.v, "Button8")->click();
    });
    openAnd([&] {
        QCOMPARE(profileList(*e.v)->currentText(), QStringLiteral("Первый"));
        QCOMPARE(e.pos(1), QPoint(30, 40));
        QVERIFY(!saveButton(*e.v)->isEnabled());
        control<QPushButton>(*e.v, "Button8")->click();
    });
    e.verifyNothingUnexpected();
}

QTEST_MAIN(EditorCommandsTest)
#include "tst_editorcommands.moc"
