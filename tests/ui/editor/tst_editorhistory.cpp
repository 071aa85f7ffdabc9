#include "EditorControls.h"
#include "TestProgram.h"

#include "core/profiles/IniFile.h"
#include "ui/app/Program.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStringEncoder>
#include <QTest>
#include <QToolButton>

namespace {

const char* settings = "[option]\r\nprofile=Первый\r\nprintdelay=7\r\npdmode=1\r\n"
                       "[Первый]\r\nformat=(110 x 220 мм) DL\r\nprintprofiles=Первый\r\n"
                       "otkogo_x=30\r\notkogo_y=40\r\nkomu1_x=300\r\nkomu1_y=200\r\n"
                       "[Второй]\r\nformat=(114 x 162 мм) C6\r\notkogo_x=60\r\n";

const char* recipients = R"(
insert into `table` (name, komy, kyda, intyda, galka, `groups`, profile) values
  ('Абрамов', 'Абрамову', 'Москва', 101000, 0, '', 'Первый');
)";

// The program on a settings file of our own, with the layout editor shown on "Первый".
struct Editor : TestProgram {
    LayoutEditor* v = nullptr;

    Editor() {
        folder.writeSettings(QStringEncoder("windows-1251").encode(QString::fromUtf8(settings)));
        folder.addPictures();
        folder.addDatabaseFromScript(TestFolder::shippedSchema() + QString::fromUtf8(recipients));
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        v->show();
        if (program->windows().profileStore->startLoadPending())
            program->windows().profileStore->loadStartProfile();
        // The window's first layout resizes the work area, which counts as a change.
        QCoreApplication::sendPostedEvents();
        v->document().setModified(false);
        messages.reset();
    }
    ~Editor() { v->hide(); }

    QToolButton* undoButton() { return control<QToolButton>(*v, "undoButton"); }
    QToolButton* redoButton() { return control<QToolButton>(*v, "redoButton"); }
    void press(int n) {
        QTest::mousePress(blockLabel(*v, n), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(blockLabel(*v, n), Qt::LeftButton, {}, QPoint(2, 2));
    }
    // Drags block n by (dx, dy) in one move and releases it there.
    void drag(int n, QPoint by) {
        BlockLabel* label = blockLabel(*v, n);
        const QPoint target = label->mapToGlobal(QPoint(2, 2)) + by;
        QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseMove(label, QPoint(2, 2) + by);
        QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFromGlobal(target));
    }
    void fontOfBlock(int n, const QString& family) {
        press(n);
        messages.onFontDialog([family](QFont& font, QColor& colour) {
            font = QFont(family, 14);
            colour = QColor(200, 0, 0);
            return true;
        });
        control<QPushButton>(*v, "Button11")->click();
    }
    void chooseFormat(int format) {
        messages.answer(true);
        formatList(*v)->setCurrentIndex(format);
        emit formatList(*v)->activated(format);
    }
    void undoKey() { QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier); }
    void redoKey(bool shiftZ) {
        if (shiftZ)
            QTest::keyClick(v, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::keyClick(v, Qt::Key_Y, Qt::ControlModifier);
    }
};

} // namespace

class EditorHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void buttons();
    void undoneInReverseOrder();
    void undoBackToTheSavedProfileAsksNothing_data();
    void undoBackToTheSavedProfileAsksNothing();
    void profileCommandsEmptyTheHistory_data();
    void profileCommandsEmptyTheHistory();
    void everyKindOfChange_data();
    void everyKindOfChange();
    void quickStepsOfOneKindAreOne_data();
    void quickStepsOfOneKindAreOne();
};

void EditorHistoryTest::buttons() {
    Editor e;
    for (auto [button, text] :
         {std::pair{e.undoButton(), "Отменить"}, std::pair{e.redoButton(), "Повторить"}}) {
        QCOMPARE(button->toolTip(), QString::fromUtf8(text));
        QCOMPARE(button->accessibleName(), QString::fromUtf8(text));
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->isEnabled());
    }
    e.drag(1, QPoint(10, 10));
    QVERIFY(e.undoButton()->isEnabled());
    QVERIFY(!e.redoButton()->isEnabled());
    e.undoButton()->click();
    QVERIFY(!e.undoButton()->isEnabled());
    QVERIFY(e.redoButton()->isEnabled());
}

void EditorHistoryTest::undoneInReverseOrder() {
    Editor e;
    const PrintProfile loaded = e.v->currentProfile();
    e.drag(1, QPoint(20, 15));
    const PrintProfile dragged = e.v->currentProfile();
    QVERIFY(!(dragged == loaded));
    e.fontOfBlock(7, QStringLiteral("DejaVu Serif"));
    const PrintProfile fonted = e.v->currentProfile();
    QCOMPARE(fonted.block(7).size, 14);
    e.chooseFormat(1);
    const PrintProfile changed = e.v->currentProfile();
    QCOMPARE(changed.format, 1);

    e.undoKey();
    QVERIFY(e.v->currentProfile() == fonted);
    QCOMPARE(formatList(*e.v)->currentIndex(), 0);
    e.undoButton()->click();
    QVERIFY(e.v->currentProfile() == dragged);
    QCOMPARE(blockLabel(*e.v, 7)->font().family(), QFont(loaded.block(7).face).family());
    e.undoKey();
    QVERIFY(e.v->currentProfile() == loaded);
    QCOMPARE(blockLabel(*e.v, 1)->pos(), QPoint(30, 40));
    QVERIFY(!saveButton(*e.v)->isEnabled());
    // Nothing further back than the load.
    e.undoKey();
    QVERIFY(e.v->currentProfile() == loaded);

    e.redoKey(false);
    QVERIFY(e.v->currentProfile() == dragged);
    e.redoButton()->click();
    QVERIFY(e.v->currentProfile() == fonted);
    e.redoKey(true);
    QVERIFY(e.v->currentProfile() == changed);
    QCOMPARE(formatList(*e.v)->currentIndex(), 1);
    QVERIFY(saveButton(*e.v)->isEnabled());
    e.verifyNothingUnexpected();
}

void EditorHistoryTest::undoBackToTheSavedProfileAsksNothing_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("redone");
    QTest::newRow("choose another profile") << "choose" << false;
    QTest::newRow("add a profile") << "add" << false;
    QTest::newRow("choose after redo asks") << "choose" << true;
    QTest::newRow("add after redo asks") << "add" << true;
}

void EditorHistoryTest::undoBackToTheSavedProfileAsksNothing() {
    QFETCH(QString, command);
    QFETCH(bool, redone);
    Editor e;
    e.drag(1, QPoint(20, 15));
    control<QToolButton>(*e.v, "SpeedButton4")->click();
    QVERIFY(e.v->document().isModified());
    e.undoKey();
    e.undoKey();
    QVERIFY(!e.v->document().isModified());
    if (redone) {
        e.redoKey(false);
        QVERIFY(e.v->document().isModified());
        e.messages.answer(true);
    }
    if (command == "choose") {
        profileList(*e.v)->setCurrentIndex(1);
        emit profileList(*e.v)->activated(1);
        QCOMPARE(e.v->shownProfileName(), QStringLiteral("Второй"));
    } else {
        control<QToolButton>(*e.v, "SpeedButton5")->click();
        QCOMPARE(e.v->shownProfileName(), QStringLiteral("Новый профиль"));
    }
    QCOMPARE(e.messages.texts("question").size(), redone ? 1 : 0);
    e.verifyNothingUnexpected();
}

void EditorHistoryTest::profileCommandsEmptyTheHistory_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("load") << "load";
    QTest::newRow("save") << "save";
    QTest::newRow("rename") << "rename";
    QTest::newRow("delete") << "delete";
}

void EditorHistoryTest::profileCommandsEmptyTheHistory() {
    QFETCH(QString, command);
    Editor e;
    e.drag(1, QPoint(20, 15));
    e.undoKey();
    e.drag(5, QPoint(10, 10));
    QVERIFY(e.undoButton()->isEnabled());
    QVERIFY(!e.redoButton()->isEnabled());
    if (command == "load") {
        e.messages.answer(true);
        profileList(*e.v)->setCurrentIndex(1);
        emit profileList(*e.v)->activated(1);
    } else if (command == "save") {
        saveButton(*e.v)->click();
    } else if (command == "rename") {
        e.messages.answerInput(QStringLiteral("Главный"));
        control<QToolButton>(*e.v, "SpeedButton7")->click();
    } else {
        e.messages.answer(true);
        control<QToolButton>(*e.v, "SpeedButton6")->click();
    }
    QVERIFY(!e.undoButton()->isEnabled());
    QVERIFY(!e.redoButton()->isEnabled());
    const PrintProfile after = e.v->currentProfile();
    e.undoKey();
    QVERIFY(e.v->currentProfile() == after);
    QVERIFY(!e.v->document().isModified());
    e.verifyNothingUnexpected();
}

void EditorHistoryTest::everyKindOfChange_data() {
    QTest::addColumn<QString>("change");
    for (const char* change : {"visibility", "picture", "position menu", "next position",
                               "digit spacing", "index swap", "print confirmation", "print list"})
        QTest::newRow(change) << change;
}

void EditorHistoryTest::everyKindOfChange() {
    QFETCH(QString, change);
    Editor e;
    const PrintProfile loaded = e.v->currentProfile();
    if (change == "visibility") {
        e.press(7);
        control<QAction>(*e.v, "N11")->trigger();
    } else if (change == "picture") {
        pictureToggle(*e.v, 1)->click();
    } else if (change == "position menu") {
        positionItem(*e.v, 4)->trigger();
    } else if (change == "next position") {
        control<QToolButton>(*e.v, "ToolButton1")->click();
    } else if (change == "digit spacing") {
        control<QToolButton>(*e.v, "SpeedButton9")->click();
    } else if (change == "index swap") {
        control<QCheckBox>(*e.v, "CheckBox1")->click();
    } else if (change == "print confirmation") {
        control<QCheckBox>(*e.v, "cb3")->click();
    } else {
        printList(*e.v)->dropDownList()->item(1)->setCheckState(Qt::Checked);
    }
    const PrintProfile changed = e.v->currentProfile();
    QVERIFY(!(changed == loaded));
    QVERIFY(e.v->document().isModified());
    e.undoKey();
    QVERIFY(e.v->currentProfile() == loaded);
    QVERIFY(!e.v->document().isModified());
    e.redoKey(false);
    QVERIFY(e.v->currentProfile() == changed);
    QCOMPARE(printList(*e.v)->CheckedText(), changed.printprofiles.join(','));
    e.verifyNothingUnexpected();
}

void EditorHistoryTest::quickStepsOfOneKindAreOne_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("steps");
    QTest::newRow("a held arrow key") << "keys" << 1;
    QTest::newRow("typing a shift on the sheet") << "typing" << 1;
    QTest::newRow("clicks of an arrow button, each its own") << "clicks" << 3;
}

void EditorHistoryTest::quickStepsOfOneKindAreOne() {
    QFETCH(QString, how);
    QFETCH(int, steps);
    Editor e;
    const PrintProfile loaded = e.v->currentProfile();
    if (how == "keys") {
        e.press(1);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(e.v, Qt::Key_Right);
        QCOMPARE(e.v->canvas().blockPos(1), QPoint(35, 40));
    } else if (how == "typing") {
        QTest::keyClicks(field(*e.v, 8), QStringLiteral("12"));
        QCOMPARE(e.v->document().profile().allx, QStringLiteral("012"));
    } else {
        for (int i = 0; i < 3; ++i)
            arrowButton(*e.v, QStringLiteral("Сдвиг блок Отправитель вправо"))->click();
        QCOMPARE(e.v->canvas().blockPos(1), QPoint(33, 40));
    }
    int undone = 0;
    for (; e.undoButton()->isEnabled(); ++undone)
        e.undoKey();
    QCOMPARE(undone, steps);
    QVERIFY(e.v->currentProfile() == loaded);
    QCOMPARE(field(*e.v, 8)->text(), loaded.allx);
    e.verifyNothingUnexpected();
}

QTEST_MAIN(EditorHistoryTest)
#include "tst_editorhistory.moc"
