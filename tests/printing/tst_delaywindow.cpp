#include "TestFolder.h"

#include "app/Envalo.h"
#include "app/Windows.h"
#include "editor/uView.h"
#include "printing/unWait.h"
#include "profiles/Options1.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

namespace {

// The program on the shipped data with the delay window about to be shown by a run.
struct Delay : TestProgram {
    TfWait* wait = nullptr;

    Delay(const QString& printdelay, bool confirmation) {
        folder.addSettings();
        folder.addPictures();
        folder.addDatabase();
        start();
        runDeferredStep();
        messages.reset();
        program->windows().opt->ini().writeString(QStringLiteral("option"),
                                                  QStringLiteral("printdelay"), printdelay);
        program->windows().view->cb3->setChecked(confirmation);
        wait = program->windows().fWait;
        wait->waitName = QStringLiteral("Иванов Иван Иванович");
        wait->waitProfile = QStringLiteral("Конверт DL");
    }
    // Shows the window as the run does; the script runs while it is open.
    int show(const std::function<void()>& script) {
        messages.onModal([&](QDialog&) { script(); });
        const int result = messages.showModal(*wait);
        [&] {
            QVERIFY2(messages.unexpected.isEmpty(), qPrintable(messages.unexpected.join('|')));
        }();
        return result;
    }
};

} // namespace

class DelayWindowTest : public QObject {
    Q_OBJECT

private slots:
    void countdown_data();
    void countdown();
    void buttons_data();
    void buttons();
};

void DelayWindowTest::countdown_data() {
    QTest::addColumn<QString>("printdelay");
    QTest::addColumn<int>("seconds");
    QTest::newRow("three") << "3" << 3;
    QTest::newRow("one closes on the first tick") << "1" << 1;
    QTest::newRow("not a number counts the default") << "abc" << 10;
}

void DelayWindowTest::countdown() {
    QFETCH(QString, printdelay);
    QFETCH(int, seconds);
    Delay d(printdelay, false);
    // Shown twice: each showing starts again from the settings.
    for (int showing = 0; showing < 2; ++showing) {
        const int result = d.show([&] {
            QCOMPARE(d.wait->Label2->text(), QStringLiteral("Иванов Иван Иванович"));
            QCOMPARE(d.wait->Label4->text(), QStringLiteral("Конверт DL"));
            QVERIFY(d.wait->Timer1.isActive());
            QCOMPARE(d.wait->Timer1.interval(), 1000);
            for (int left = seconds; left > 0; --left) {
                QCOMPARE(d.wait->Label6->text(), QString::number(left));
                QVERIFY(d.wait->isVisible());
                d.wait->Timer1Timer();
            }
            QCOMPARE(d.wait->Label6->text(), QStringLiteral("0"));
            QVERIFY(!d.wait->isVisible());
            QVERIFY(!d.wait->Timer1.isActive());
        });
        QCOMPARE(result, int(QDialog::Accepted));
    }
    QVERIFY(!d.frm().stopPrint);
}

void DelayWindowTest::buttons_data() {
    QTest::addColumn<bool>("confirmation");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("print during the countdown") << false << false;
    QTest::newRow("cancel during the countdown") << false << true;
    QTest::newRow("print after confirmation") << true << false;
    QTest::newRow("cancel instead of confirming") << true << true;
}

void DelayWindowTest::buttons() {
    QFETCH(bool, confirmation);
    QFETCH(bool, cancel);
    Delay d(QStringLiteral("5"), confirmation);
    d.show([&] {
        QCOMPARE(d.wait->Label6->text(),
                 confirmation ? QStringLiteral("Ожидание") : QStringLiteral("5"));
        // Waiting for confirmation, nothing closes the window but a button.
        QCOMPARE(d.wait->Timer1.isActive(), !confirmation);
        QCOMPARE(d.wait->SpeedButton2->text(), QStringLiteral("Печатать"));
        QCOMPARE(d.wait->SpeedButton1->text(), QStringLiteral("Отмена"));
        (cancel ? d.wait->SpeedButton1 : d.wait->SpeedButton2)->click();
        QVERIFY(!d.wait->isVisible());
        // A window closed early must not tick into the next showing.
        QVERIFY(!d.wait->Timer1.isActive());
    });
    QCOMPARE(d.frm().stopPrint, cancel);
}

QTEST_MAIN(DelayWindowTest)
#include "tst_delaywindow.moc"
