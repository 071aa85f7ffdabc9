#include "EditorControls.h"
#include "TestProgram.h"
#include "TextFit.h"

#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/MemberGroupsWindow.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/app/Program.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/controls/ScreenFit.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/SaveAsDialog.h"
#include "ui/printing/DelayWindow.h"
#include "ui/printing/PositionPad.h"
#include "ui/printing/PreviewWindow.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {

// The windows a person sees, each as the program shows it, picked out of the
// program's windows by the rows below.
using WindowOf = std::function<QWidget*(Windows&)>;

} // namespace

Q_DECLARE_METATYPE(WindowOf)
Q_DECLARE_METATYPE(std::function<void(QWidget&)>)

// Every text of every window shows whole at this platform's default fonts.
class WindowTextsTest : public QObject {
    Q_OBJECT

private slots:
    void textsShowWhole_data();
    void textsShowWhole();
    void faultsAreFound_data();
    void faultsAreFound();
    void windowsFitTheScreen_data();
    void windowsFitTheScreen();
    void fittedGeometry_data();
    void fittedGeometry();
};

void WindowTextsTest::textsShowWhole_data() {
    QTest::addColumn<WindowOf>("window");
    QTest::newRow("main window") << WindowOf([](Windows& w) -> QWidget* { return w.mainWindow; });
    QTest::newRow("layout editor") << WindowOf([](Windows& w) -> QWidget* {
        w.layoutEditor->show();
        // The status bar as its timer fills it.
        w.layoutEditor->showStatus();
        return w.layoutEditor;
    });
    QTest::newRow("layout editor, widest coordinates") << WindowOf([](Windows& w) -> QWidget* {
        w.layoutEditor->show();
        for (int n = 1; n <= 13; ++n)
            field(*w.layoutEditor, n)->setText(QStringLiteral("-999"));
        w.layoutEditor->chooseFormat(3);
        w.layoutEditor->showEnvelope();
        return w.layoutEditor;
    });
    QTest::newRow("main window, senders") << WindowOf([](Windows& w) -> QWidget* {
        control<QTabWidget>(*w.mainWindow, "PageControl1")->setCurrentIndex(1);
        return w.mainWindow;
    });
    QTest::newRow("preview") << WindowOf([](Windows& w) -> QWidget* { return w.preview; });
    QTest::newRow("new record") << WindowOf([](Windows& w) -> QWidget* { return w.newRecord; });
    QTest::newRow("new sender") << WindowOf([](Windows& w) -> QWidget* {
        w.newRecord->setPrompt(QStringLiteral("Название отправителя"));
        return w.newRecord;
    });
    QTest::newRow("groups") << WindowOf([](Windows& w) -> QWidget* { return w.groupsWindow; });
    QTest::newRow("group name") << WindowOf([](Windows& w) -> QWidget* { return w.groupName; });
    QTest::newRow("group name, renaming") << WindowOf([](Windows& w) -> QWidget* {
        w.groupName->setAction(QStringLiteral("Изменить"));
        return w.groupName;
    });
    QTest::newRow("position pad") << WindowOf([](Windows& w) -> QWidget* { return w.positionPad; });
    QTest::newRow("about") << WindowOf([](Windows& w) -> QWidget* { return w.aboutWindow; });
    QTest::newRow("about, deep program folder") << WindowOf([](Windows& w) -> QWidget* {
        const QString appdir = w.appdir;
        w.appdir =
            QStringLiteral("/home/пользователь/Документы/Программы/Печать конвертов/версия 1.34/");
        auto* about = new AboutWindow(w);
        w.appdir = appdir;
        about->setAttribute(Qt::WA_DeleteOnClose);
        return about;
    });
    QTest::newRow("save as") << WindowOf([](Windows& w) -> QWidget* { return w.saveAs; });
    QTest::newRow("delay") << WindowOf([](Windows& w) -> QWidget* {
        w.delay->prepare(QStringLiteral("Иванов Иван Иванович"), QStringLiteral("Конверт DL"),
                         false);
        return w.delay;
    });
    QTest::newRow("checked combo box") << WindowOf([](Windows& w) -> QWidget* {
        w.layoutEditor->show();
        printList(*w.layoutEditor)->showDropDown();
        return printList(*w.layoutEditor)->dropDownList()->window();
    });
    QTest::newRow("recipient's groups") << WindowOf([](Windows& w) -> QWidget* {
        auto* member = new MemberGroupsWindow(w, QStringLiteral("Иванов Иван Иванович"));
        member->setAttribute(Qt::WA_DeleteOnClose);
        return member;
    });
}

void WindowTextsTest::textsShowWhole() {
    QFETCH(WindowOf, window);
    TestProgram t;
    t.startAsShipped();
    QWidget* shown = window(t.program->windows());
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    grabForReview(*shown, QString::fromUtf8(QTest::currentDataTag()));
    const QStringList faults = textFaults(*shown);
    shown->close();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

namespace {

// Builds a control into a plain window; the check must find what it says.
using Build = std::function<void(QWidget&)>;

} // namespace

void WindowTextsTest::faultsAreFound_data() {
    QTest::addColumn<Build>("build");
    QTest::addColumn<QString>("fault");
    QTest::newRow("label that fits")
        << Build([](QWidget& window) { new QLabel(QStringLiteral("Профиль:"), &window); })
        << QString();
    QTest::newRow("narrow label") << Build([](QWidget& window) {
        (new QLabel(QStringLiteral("Печать начнётся через:"), &window))->setFixedWidth(60);
    }) << "«Печать начнётся через:» needs";
    QTest::newRow("wrapped label too low") << Build([](QWidget& window) {
        auto* label = new QLabel(QStringLiteral("Адреса получателей и отправителей"), &window);
        label->setWordWrap(true);
        label->setFixedSize(80, 16);
    }) << "«Адреса получателей и отправителей» needs";
    QTest::newRow("narrow check box") << Build([](QWidget& window) {
        (new QCheckBox(QStringLiteral("Подтверждение печати"), &window))->setFixedWidth(70);
    }) << "«Подтверждение печати» needs";
    QTest::newRow("narrow button") << Build([](QWidget& window) {
        (new QPushButton(QStringLiteral("Сохранить и выйти"), &window))->setFixedWidth(50);
    }) << "«Сохранить и выйти» needs";
    QTest::newRow("narrow group box") << Build([](QWidget& window) {
        (new QGroupBox(QStringLiteral("Сдвиг конверта на листе"), &window))->setFixedWidth(60);
    }) << "«Сдвиг конверта на листе» needs";
    QTest::newRow("overlapping labels") << Build([](QWidget& window) {
        new QLabel(QStringLiteral("Печать"), &window);
        (new QLabel(QStringLiteral("3"), &window))->move(20, 0);
    }) << "«Печать» overlaps";
    QTest::newRow("label past the window's edge") << Build([](QWidget& window) {
        (new QLabel(QStringLiteral("Отмена"), &window))->move(190, 0);
    }) << "«Отмена» sticks out";
}

void WindowTextsTest::faultsAreFound() {
    QFETCH(Build, build);
    QFETCH(QString, fault);
    QWidget window;
    window.setFixedSize(200, 100);
    build(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList faults = textFaults(window);
    if (fault.isEmpty()) {
        QCOMPARE(faults, QStringList());
    } else {
        QCOMPARE(faults.size(), 1);
        QVERIFY2(faults.first().contains(fault), qPrintable(faults.first()));
    }
}

namespace {

// The controls a person acts on that cannot be reached: outside the window and not inside
// a part that scrolls.
QStringList unreachable(const QWidget& window) {
    QStringList faults;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&window) || control->window() != &window)
            continue;
        if (!qobject_cast<const QAbstractButton*>(control) &&
            !qobject_cast<const QComboBox*>(control) && !qobject_cast<const QLineEdit*>(control) &&
            !qobject_cast<const QAbstractSpinBox*>(control) &&
            !qobject_cast<const QAbstractScrollArea*>(control))
            continue;
        bool scrolls = false;
        for (const QWidget* up = control->parentWidget(); up && up != &window;
             up = up->parentWidget())
            if (qobject_cast<const QAbstractScrollArea*>(up) || qobject_cast<const QScrollBar*>(up))
                scrolls = true;
        if (scrolls)
            continue;
        const QRect where(control->mapTo(&window, QPoint(0, 0)), control->size());
        if (!window.rect().contains(where))
            faults.append(QStringLiteral("%1 «%2» at %3,%4 %5x%6 outside the window's %7x%8")
                              .arg(QString::fromLatin1(control->metaObject()->className()),
                                   control->accessibleName().isEmpty() ? control->objectName()
                                                                       : control->accessibleName())
                              .arg(where.x())
                              .arg(where.y())
                              .arg(where.width())
                              .arg(where.height())
                              .arg(window.width())
                              .arg(window.height()));
    }
    return faults;
}

} // namespace

void WindowTextsTest::windowsFitTheScreen_data() {
    textsShowWhole_data();
}

// Every window fits the screen's available area, opens on it and keeps every control within
// reach, on whatever screen the test runs on (see the test's entries in CMakeLists.txt).
void WindowTextsTest::windowsFitTheScreen() {
    QFETCH(WindowOf, window);
    TestProgram t;
    t.startAsShipped();
    QWidget* shown = window(t.program->windows());
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    QCoreApplication::sendPostedEvents();
    const QRect available = shown->screen()->availableGeometry();
    const QRect frame = shown->frameGeometry();
    const QString where = QStringLiteral("%1x%2%3%4%5%6 on %7x%8")
                              .arg(frame.width())
                              .arg(frame.height())
                              .arg(frame.x() < 0 ? "" : "+")
                              .arg(frame.x())
                              .arg(frame.y() < 0 ? "" : "+")
                              .arg(frame.y())
                              .arg(available.width())
                              .arg(available.height());
    const QStringList faults = unreachable(*shown);
    shown->close();
    QVERIFY2(available.contains(frame), qPrintable(where));
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
    // Where there is room the main window keeps the size it asks for.
    if (shown == t.program->windows().mainWindow && available.height() >= 788 + 40 &&
        available.width() >= 853 + 10)
        QCOMPARE(shown->size(), QSize(853, 788));
}

void WindowTextsTest::fittedGeometry_data() {
    QTest::addColumn<QSize>("wanted");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<QRect>("fitted");
    const QRect desktop(0, 0, 1920, 1040);
    const QRect laptop(0, 0, 1366, 728);
    const QRect scaled(0, 0, 1280, 690);
    QTest::newRow("room: the size asked for, centred")
        << QSize(853, 788) << QSize(400, 300) << desktop << QPoint() << QRect(533, 125, 853, 788);
    QTest::newRow("laptop: as high as the area less the frame")
        << QSize(853, 788) << QSize(400, 300) << laptop << QPoint() << QRect(256, 30, 853, 694);
    QTest::newRow("scaled: both ways")
        << QSize(1400, 788) << QSize(400, 300) << scaled << QPoint() << QRect(4, 30, 1272, 656);
    QTest::newRow("centred on its parent, moved inside the area")
        << QSize(600, 400) << QSize(100, 100) << laptop << QPoint(1300, 700)
        << QRect(762, 324, 600, 400);
    QTest::newRow("an area below a top panel")
        << QSize(853, 788) << QSize(400, 300) << QRect(0, 28, 1366, 740) << QPoint()
        << QRect(256, 58, 853, 706);
    QTest::newRow("a minimum larger than the area keeps the title bar on it")
        << QSize(853, 788) << QSize(400, 900) << laptop << QPoint() << QRect(256, 30, 853, 900);
}

void WindowTextsTest::fittedGeometry() {
    QFETCH(QSize, wanted);
    QFETCH(QSize, minimum);
    QFETCH(QRect, available);
    QFETCH(QPoint, centre);
    QFETCH(QRect, fitted);
    QCOMPARE(::fittedGeometry(wanted, minimum, QMargins(4, 30, 4, 4), available, centre), fitted);
}

QTEST_MAIN(WindowTextsTest)
#include "tst_windowtexts.moc"
