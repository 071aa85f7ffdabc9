#include "TestFolder.h"
#include "TextFit.h"

#include "addressbook/MemberGroups.h"
#include "addressbook/UnAddG.h"
#include "addressbook/UnGroups.h"
#include "addressbook/newr.h"
#include "addressbook/unAbout.h"
#include "app/Envalo.h"
#include "app/Windows.h"
#include "controls/CheckCombo.h"
#include "editor/unSaveAs.h"
#include "editor/uView.h"
#include "printing/desk1.h"
#include "printing/unPos.h"
#include "printing/unWait.h"

#include <QDialog>
#include <QListWidget>
#include <QTest>

namespace {

// The windows a person sees, each as the program shows it, picked out of the
// program's windows by the rows below.
using WindowOf = std::function<QWidget*(Windows&)>;

} // namespace

Q_DECLARE_METATYPE(WindowOf)

// Every text of every window shows whole at this platform's default fonts.
class WindowTextsTest : public QObject {
    Q_OBJECT

private slots:
    void textsShowWhole_data();
    void textsShowWhole();
};

void WindowTextsTest::textsShowWhole_data() {
    QTest::addColumn<WindowOf>("window");
    QTest::newRow("main window") << WindowOf([](Windows& w) -> QWidget* { return w.frm; });
    QTest::newRow("layout editor") << WindowOf([](Windows& w) -> QWidget* { return w.view; });
    QTest::newRow("preview") << WindowOf([](Windows& w) -> QWidget* { return w.desk; });
    QTest::newRow("new record") << WindowOf([](Windows& w) -> QWidget* { return w.newrec; });
    QTest::newRow("groups") << WindowOf([](Windows& w) -> QWidget* { return w.Groups; });
    QTest::newRow("group name") << WindowOf([](Windows& w) -> QWidget* { return w.AddGroup; });
    QTest::newRow("position pad") << WindowOf([](Windows& w) -> QWidget* { return w.tpos; });
    QTest::newRow("about") << WindowOf([](Windows& w) -> QWidget* { return w.pAbout; });
    QTest::newRow("save as") << WindowOf([](Windows& w) -> QWidget* { return w.fSaveAs; });
    QTest::newRow("delay") << WindowOf([](Windows& w) -> QWidget* {
        w.fWait->waitName = QStringLiteral("Иванов Иван Иванович");
        w.fWait->waitProfile = QStringLiteral("Конверт DL");
        return w.fWait;
    });
    QTest::newRow("checked combo box") << WindowOf([](Windows& w) -> QWidget* {
        w.view->show();
        w.view->ccb1->showDropDown();
        return w.view->ccb1->dropDownList()->window();
    });
    QTest::newRow("recipient's groups") << WindowOf([](Windows& w) -> QWidget* {
        auto* member = new TMemberGroups(w, QStringLiteral("Иванов Иван Иванович"));
        member->setAttribute(Qt::WA_DeleteOnClose);
        return member;
    });
}

void WindowTextsTest::textsShowWhole() {
    QFETCH(WindowOf, window);
    TestProgram t;
    t.folder.addSettings();
    t.folder.addPictures();
    t.folder.addDatabase();
    t.start();
    t.runDeferredStep();
    QWidget* shown = window(t.program->windows());
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    grabForReview(*shown, QString::fromUtf8(QTest::currentDataTag()));
    const QStringList faults = textFaults(*shown);
    shown->close();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("\n"))));
}

QTEST_MAIN(WindowTextsTest)
#include "tst_windowtexts.moc"
