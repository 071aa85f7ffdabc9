#include "EditorControls.h"
#include "TestProgram.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/LayoutEditor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The program on the shipped data, with the layout editor open on a DL
// envelope with the built-in layout.
struct Editor : TestProgram {
    LayoutEditor* v = nullptr;

    Editor() {
        folder.addSettings();
        folder.addDatabase();
        folder.addPictures();
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        v->show();
        v->chooseFormat(0);
        v->resetLayout();
        v->canvas().clearSelection();
        messages.reset();
    }
    ~Editor() { v->hide(); }

    QPoint pos(int n) const { return v->canvas().blockPos(n); }
    // A point of block n's label in its own coordinates.
    static QPoint inside() { return {2, 2}; }
    void press(int n, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(blockLabel(*v, n), button, {}, inside());
    }
    // Drags block n by (dx, dy) in one move and releases it there.
    void drag(int n, QPoint by) {
        const QPoint target = blockLabel(*v, n)->mapToGlobal(inside()) + by;
        press(n);
        QTest::mouseMove(blockLabel(*v, n), inside() + by);
        QTest::mouseRelease(blockLabel(*v, n), Qt::LeftButton, {},
                            blockLabel(*v, n)->mapFromGlobal(target));
    }
};

} // namespace

class LayoutEditorTest : public QObject {
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void noFormatChosen();
    void printTogglesAndForms();
    void resetLayout();
    void digitCellsMoveTogether();
    void rightButtonSelectsOnly();
    void dragStopsAtTheEdge();
    void dragRewritesFollowingFields();
    void arrowKeys();
    void senderApplyOutsideTheEnvelope();
    void blockAtTheEdgeIsInside_data();
    void blockAtTheEdgeIsInside();
    void gapRule();
    void arrowButtonsAndHoldToRepeat();
    void badFieldsAndBadPictures();
    void statusBar();
};

void LayoutEditorTest::formats_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QPoint>>("positions");
    QTest::addColumn<QString>("status");
    QTest::newRow("DL") << 0 << QSize(831, 416)
                        << QList<QPoint>{{26, 34}, {410, 200}, {35, 325}, {709, 15}}
                        << "Загружен формат DL";
    QTest::newRow("C5") << 1 << QSize(1209, 869)
                        << QList<QPoint>{{20, 80}, {609, 629}, {0, 759}, {1009, 60}}
                        << "Загружен формат C5";
    QTest::newRow("C6") << 2 << QSize(612, 431)
                        << QList<QPoint>{{16, 31}, {320, 195}, {24, 337}, {509, 39}}
                        << "Загружен формат C6";
    QTest::newRow("F119_1") << 3 << QSize(548, 378) << QList<QPoint>{{0, 0}}
                            << "Загружен формат F119_1";
    QTest::newRow("F119_2") << 4 << QSize(548, 378) << QList<QPoint>{{0, 0}}
                            << "Загружен формат F119_2";
}

void LayoutEditorTest::formats() {
    QFETCH(int, format);
    QFETCH(QSize, size);
    QFETCH(QList<QPoint>, positions);
    QFETCH(QString, status);
    Editor e;
    e.v->chooseFormat(format);
    e.v->showEnvelope();
    QCOMPARE(surface(*e.v)->size(), size);
    for (int slot = 0; slot < positions.size(); ++slot) {
        QCOMPARE(surface(*e.v)->picture(slot).position, positions[slot]);
        QVERIFY(!surface(*e.v)->picture(slot).image.isNull());
        QVERIFY(surface(*e.v)->picture(slot).shown);
    }
    for (int slot = int(positions.size()); slot < 4; ++slot)
        QVERIFY(!surface(*e.v)->picture(slot).shown);
    QCOMPARE(control<QLabel>(*e.v, "formatPanel")->text(), status);
    // The surface stands in the middle of the work area.
    QCOMPARE(surface(*e.v)->x(), control<QWidget>(*e.v, "P1")->width() / 2 - size.width() / 2);
    QVERIFY(saveButton(*e.v)->isEnabled());
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::noFormatChosen() {
    Editor e;
    e.v->chooseFormat(4);
    e.v->showEnvelope();
    QVERIFY(!pictureToggle(*e.v, 2)->isVisibleTo(e.v));
    e.v->chooseFormat(-1);
    e.v->showEnvelope();
    QCOMPARE(surface(*e.v)->size(), QSize(548, 378));
    QVERIFY(pictureToggle(*e.v, 2)->isVisibleTo(e.v));
}

void LayoutEditorTest::printTogglesAndForms() {
    Editor e;
    auto sameAs = [&](int slot, const QString& file) {
        QImage expected(e.folder.file(file));
        return surface(*e.v)->picture(slot).image.size() == expected.size() &&
               surface(*e.v)->picture(slot).image.pixel(5, 5) == expected.pixel(5, 5);
    };
    QVERIFY(sameAs(0, "images/dl_otkogo.jpg"));
    pictureToggle(*e.v, 0)->click();
    QVERIFY(sameAs(0, "images/dl_otkogo_b.jpg"));
    QVERIFY(sameAs(1, "images/dl_komy.jpg"));
    QVERIFY(!e.v->document().profile().otkogo);
    pictureToggle(*e.v, 0)->click();
    QVERIFY(sameAs(0, "images/dl_otkogo.jpg"));

    // A form has its own picture alone; the other three toggles are hidden and up.
    e.v->chooseFormat(3);
    e.v->showEnvelope();
    for (int slot : {1, 2, 3}) {
        QVERIFY(!pictureToggle(*e.v, size_t(slot))->isVisibleTo(e.v));
        QVERIFY(!pictureToggle(*e.v, size_t(slot))->isChecked());
    }
    QVERIFY(sameAs(0, "images/f119_otkogo.jpg"));
    // Back on C6 the three stay up: their pictures show as not printed.
    e.v->chooseFormat(2);
    e.v->showEnvelope();
    QVERIFY(pictureToggle(*e.v, 1)->isVisibleTo(e.v));
    QVERIFY(sameAs(1, "images/c6_komy_b.jpg"));
    QVERIFY(sameAs(3, "images/c6_marka_b.jpg"));
    QVERIFY(sameAs(0, "images/c6_otkogo.jpg"));
    QVERIFY(!e.v->document().profile().komu);
    QVERIFY(e.v->document().profile().otkogo);
}

void LayoutEditorTest::resetLayout() {
    Editor e;
    e.v->canvas().moveBlock(3, QPoint(500, 300));
    e.v->document().setSheetPosition(2);
    e.v->document().setPadMarker({5, e.v->document().profile().cory});
    e.v->resetLayout();
    QCOMPARE(e.pos(3), QPoint(112, 71));
    QCOMPARE(e.pos(18), QPoint(224, 280));
    QCOMPARE(blockLabel(*e.v, 3)->pos(), QPoint(112, 71));
    QCOMPARE(e.v->document().profile().listpos, 7);
    QVERIFY(positionItem(*e.v, 7)->isChecked());
    QCOMPARE(e.v->document().profile().corx, 70);
    QCOMPARE(e.v->document().profile().cory, 90);
}

void LayoutEditorTest::digitCellsMoveTogether() {
    Editor e;
    std::array<QPoint, 6> before;
    for (int n = 12; n <= 17; ++n)
        before[size_t(n - 12)] = e.pos(n);
    e.drag(14, QPoint(30, -20));
    for (int n = 12; n <= 17; ++n) {
        QVERIFY(e.v->canvas().isSelected(n));
        QCOMPARE(e.pos(n), before[size_t(n - 12)] + QPoint(30, -20));
    }
    QVERIFY(!e.v->canvas().isSelected(11));
    QCOMPARE(field(*e.v, 1)->text(), QString::number(e.pos(12).x()));
    QCOMPARE(field(*e.v, 2)->text(), QString::number(e.pos(12).y()));
    QCOMPARE(blockLabel(*e.v, 13)->colour(), QColor(Qt::red));
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::rightButtonSelectsOnly() {
    Editor e;
    const QPoint before = e.pos(9);
    e.press(9, Qt::RightButton);
    QTest::mouseMove(blockLabel(*e.v, 9), Editor::inside() + QPoint(40, 40));
    QCOMPARE(e.pos(9), before);
    QVERIFY(e.v->canvas().isSelected(9));
    QCOMPARE(blockLabel(*e.v, 9)->colour(), QColor(Qt::red));
    QVERIFY(control<QMenu>(*e.v, "pp1")->isVisible());
    // Its items carry letters, as every menu of the program does.
    QStringList texts;
    for (const QAction* item : control<QMenu>(*e.v, "pp1")->actions())
        texts.append(item->text());
    QCOMPARE(texts, (QStringList{"&Шрифт", "&Видимость"}));
    // The letter works the item: «в» hides the block and closes the menu.
    QTest::sendKeyEvent(QTest::Click, control<QMenu>(*e.v, "pp1"), Qt::Key_unknown,
                        QStringLiteral("в"), Qt::NoModifier);
    QVERIFY(!e.v->document().profile().block(9).visible);
    QVERIFY(!control<QMenu>(*e.v, "pp1")->isVisible());
}

void LayoutEditorTest::dragStopsAtTheEdge() {
    Editor e;
    // The target's left would be below 0: the block keeps its left, follows down.
    e.drag(2, QPoint(-200, 30));
    QCOMPARE(e.pos(2), QPoint(112, 47 + 30));
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::dragRewritesFollowingFields() {
    Editor e;
    field(*e.v, 6)->setText("0");
    e.drag(7, QPoint(-20, 10));
    QCOMPARE(field(*e.v, 6)->text(), QStringLiteral("372"));
    QCOMPARE(field(*e.v, 7)->text(), QStringLiteral("190"));
    QCOMPARE(millimetreLabel(*e.v, 6)->text(), QStringLiteral("(98мм)"));
    QCOMPARE(millimetreLabel(*e.v, 7)->text(), QStringLiteral("(50мм)"));

    const QString x6 = field(*e.v, 6)->text();
    const QString x4 = field(*e.v, 4)->text();
    e.drag(9, QPoint(15, 15));
    QCOMPARE(e.pos(9), QPoint(392 + 15, 236 + 15));
    QCOMPARE(field(*e.v, 6)->text(), x6);
    QCOMPARE(field(*e.v, 4)->text(), x4);
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::arrowKeys() {
    Editor e;
    e.press(7);
    QTest::mouseRelease(blockLabel(*e.v, 7), Qt::LeftButton, {}, Editor::inside());
    QTest::keyClick(field(*e.v, 4), Qt::Key_Down); // even from a coordinate field
    QCOMPARE(e.pos(7), QPoint(392, 181));
    QCOMPARE(field(*e.v, 7)->text(), QStringLiteral("181"));
    QTest::keyClick(e.v, Qt::Key_Left);
    QCOMPARE(e.pos(7), QPoint(391, 181));

    // A label touching an edge stops every arrow key, even for blocks far from it.
    e.v->canvas().moveBlock(3, QPoint(0, 71));
    QTest::keyClick(e.v, Qt::Key_Up);
    QCOMPARE(e.pos(7), QPoint(391, 181));
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::senderApplyOutsideTheEnvelope() {
    Editor e;
    const std::array<int, 6> group = {1, 2, 3, 4, 18, 19};
    std::array<QPoint, 6> before;
    for (size_t i = 0; i < group.size(); ++i)
        before[i] = e.pos(group[i]);
    field(*e.v, 4)->setText("-5");
    field(*e.v, 5)->setText("25");
    e.messages.answer(false);
    QTest::keyClick(field(*e.v, 4), Qt::Key_Return);
    QVERIFY(!e.messages.shown.isEmpty());
    QCOMPARE(e.messages.shown.last().text,
             QStringLiteral("Текст находится за пределами конверта, продолжить?"));
    QCOMPARE(e.messages.shown.last().title, QStringLiteral("Внимание!"));
    for (size_t i = 0; i < group.size(); ++i)
        QCOMPARE(e.pos(group[i]), before[i]);
    QCOMPARE(field(*e.v, 4)->text(), QStringLiteral("-5"));

    e.messages.answer(true);
    QTest::keyClick(field(*e.v, 4), Qt::Key_Return);
    QCOMPARE(e.pos(1), QPoint(-5, 25));
    QCOMPARE(e.pos(2), before[1] + QPoint(-117, 0));
    QCOMPARE(field(*e.v, 10)->text(), QString::number(e.pos(5).x()));
    // Disarmed: the next move outside passes without a question.
    field(*e.v, 4)->setText("-7");
    e.v->panels().applySenderBlock();
    QCOMPARE(e.pos(1), QPoint(-7, 25));
    QCOMPARE(e.messages.texts("question").size(), 2);
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::blockAtTheEdgeIsInside_data() {
    // The way out of the envelope across that edge.
    QTest::addColumn<QPoint>("outward");
    QTest::newRow("left") << QPoint(-1, 0);
    QTest::newRow("top") << QPoint(0, -1);
    QTest::newRow("right") << QPoint(1, 0);
    QTest::newRow("bottom") << QPoint(0, 1);
}

void LayoutEditorTest::blockAtTheEdgeIsInside() {
    QFETCH(QPoint, outward);
    Editor e;
    // Block 5 placed through its fields, its side exactly on the envelope's edge.
    const QSize room = surface(*e.v)->size() - blockLabel(*e.v, 5)->size();
    QPoint at = e.pos(5);
    if (outward.x() != 0)
        at.setX(outward.x() < 0 ? 0 : room.width());
    if (outward.y() != 0)
        at.setY(outward.y() < 0 ? 0 : room.height());
    auto place = [&](QPoint p) {
        field(*e.v, 10)->setText(QString::number(p.x()));
        field(*e.v, 11)->setText(QString::number(p.y()));
        control<QPushButton>(*e.v, "Button6")->click();
    };
    place(at);
    QCOMPARE(e.pos(5), at);
    QCOMPARE(e.messages.texts("question"), QStringList());

    // One pixel further is outside, and Cancel puts the block back on the edge.
    e.messages.answer(false);
    place(at + outward);
    QCOMPARE(e.messages.texts("question"),
             QStringList{"Текст находится за пределами конверта, продолжить?"});
    QCOMPARE(e.pos(5), at);
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::gapRule() {
    Editor e;
    field(*e.v, 1)->setText("40");
    field(*e.v, 2)->setText("330");
    field(*e.v, 3)->setText("12");
    e.v->panels().applyDigitCells();
    QCOMPARE(e.pos(12), QPoint(40, 330));
    for (int n = 13; n <= 17; ++n)
        QCOMPARE(e.pos(n).x(), e.pos(n - 1).x() + blockLabel(*e.v, n - 1)->width() - 10 + 12);
    QCOMPARE(e.pos(17).y(), 330);

    const QPoint thirteen = e.pos(13);
    for (const char* z : {"0", "100"}) {
        field(*e.v, 3)->setText(z);
        e.v->panels().applyDigitSpacing();
        QCOMPARE(e.pos(13), thirteen);
    }
    control<QToolButton>(*e.v, "SpeedButton9")->click();
    QCOMPARE(field(*e.v, 3)->text(), QStringLiteral("100"));
    field(*e.v, 3)->setText("0");
    control<QToolButton>(*e.v, "SpeedButton8")->click();
    QCOMPARE(field(*e.v, 3)->text(), QStringLiteral("0"));
    field(*e.v, 3)->setText("99");
    control<QToolButton>(*e.v, "SpeedButton9")->click();
    QCOMPARE(field(*e.v, 3)->text(), QStringLiteral("100"));
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::arrowButtonsAndHoldToRepeat() {
    Editor e;
    field(*e.v, 6)->setText(QString::number(e.pos(7).x()));
    field(*e.v, 7)->setText(QString::number(e.pos(7).y()));
    std::array<QPoint, 6> before;
    const std::array<int, 6> group = {7, 8, 9, 10, 11, 20};
    for (size_t i = 0; i < group.size(); ++i)
        before[i] = e.pos(group[i]);
    QToolButton* down = arrowButton(*e.v, QStringLiteral("Сдвиг блок Получатель вниз"));
    QTest::mouseClick(down, Qt::LeftButton);
    for (size_t i = 0; i < group.size(); ++i)
        QCOMPARE(e.pos(group[i]), before[i] + QPoint(0, 1));
    QCOMPARE(field(*e.v, 7)->text(), QStringLiteral("181"));

    // Held: one step after 500 ms, then every 10 ms, and one more on release.
    QTest::mousePress(down, Qt::LeftButton);
    QVERIFY(control<QTimer>(*e.v, "T2")->isActive());
    QCOMPARE(control<QTimer>(*e.v, "T2")->interval(), 500);
    e.v->panels().repeatHeldArrow();
    QCOMPARE(control<QTimer>(*e.v, "T2")->interval(), 10);
    e.v->panels().repeatHeldArrow();
    e.v->panels().repeatHeldArrow();
    QCOMPARE(field(*e.v, 7)->text(), QStringLiteral("184"));
    QTest::mouseRelease(down, Qt::LeftButton);
    QVERIFY(!control<QTimer>(*e.v, "T2")->isActive());
    QCOMPARE(control<QTimer>(*e.v, "T2")->interval(), 500);
    QCOMPARE(field(*e.v, 7)->text(), QStringLiteral("185"));
    QCOMPARE(e.pos(7), before[0] + QPoint(0, 5));
    e.verifyNothingUnexpected();
}

void LayoutEditorTest::badFieldsAndBadPictures() {
    Editor e;
    // Typing keeps to three characters and a leading minus.
    field(*e.v, 4)->clear();
    QTest::keyClicks(field(*e.v, 4), "-12a34");
    QCOMPARE(field(*e.v, 4)->text(), QStringLiteral("-12"));
    QCOMPARE(millimetreLabel(*e.v, 4)->text(), QStringLiteral("(-3мм)"));
    field(*e.v, 4)->setText("-");
    QCOMPARE(millimetreLabel(*e.v, 4)->text(), QString());
    QVERIFY(e.messages.shown.isEmpty());
    QTest::keyClick(field(*e.v, 4), Qt::Key_Return);
    QCOMPARE(e.messages.texts("error"), QStringList{"«-» не является целым числом."});
    field(*e.v, 12)->clear();
    control<QPushButton>(*e.v, "Button7")->click();
    QCOMPARE(e.messages.texts("error").size(), 2);
    QCOMPARE(e.messages.texts("error").last(), QStringLiteral("«» не является целым числом."));

    // A damaged picture is named in the error notice.
    QFile damaged(e.folder.file("images/c6_index.jpg"));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a picture");
    damaged.close();
    e.v->chooseFormat(2);
    guarded(e.messages, [&] { e.v->showEnvelope(); });
    QVERIFY(!e.messages.texts("error").isEmpty());
    QVERIFY2(e.messages.texts("error").last().contains("c6_index.jpg"),
             qPrintable(e.messages.texts("error").last()));

    // Absurd positions load without a crash and are questioned.
    e.v->canvas().moveBlock(8, QPoint(-5000, 99999));
    e.messages.answer(true);
    e.v->canvas().checkInside();
    QCOMPARE(e.messages.texts("question").size(), 1);
}

void LayoutEditorTest::statusBar() {
    Editor e;
    e.v->showStatus();
    QCOMPARE(control<QLabel>(*e.v, "statusPanel")->text(), QStringLiteral("112:25(пкс) 30:7(мм)"));
    QVERIFY(control<QTimer>(*e.v, "Timer1")->isActive());
    e.v->hide();
    QVERIFY(!control<QTimer>(*e.v, "Timer1")->isActive());
}

QTEST_MAIN(LayoutEditorTest)
#include "tst_layouteditor.moc"
