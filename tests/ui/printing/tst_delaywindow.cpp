#include "Controls.h"
#include "TestProgram.h"
#include "TextFit.h"

#include "core/envelope/Envelope.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/ControlNames.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/DelayWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>

namespace {

// The program on the shipped data with the delay window about to be shown by a run.
struct Delay : TestProgram {
    DelayWindow* wait = nullptr;
    // What the run announces at the next showing.
    QString name = QStringLiteral("Иванов Иван Иванович");
    QString profile = QStringLiteral("Конверт DL");
    bool confirmation = false;
    // The envelope's lines that do not fit.
    std::vector<LineMisfit> misfits;

    Delay(const QString& printdelay, bool confirm) : confirmation(confirm) {
        folder.addSettings();
        folder.addPictures();
        folder.addDatabase();
        start();
        runDeferredStep();
        messages.reset();
        program->windows().profileStore->ini().writeString(
            QStringLiteral("option"), QStringLiteral("printdelay"), printdelay);
        wait = program->windows().delay;
    }
    // Shows the window as the run does; the script runs while it is open.
    int show(const std::function<void()>& script) {
        wait->prepare(name, profile, confirmation);
        wait->prepareMisfits(misfits);
        messages.onModal([&](QDialog&) { script(); });
        const int result = messages.showModal(*wait);
        [&] {
            QVERIFY2(messages.unexpected.isEmpty(), qPrintable(messages.unexpected.join('|')));
        }();
        return result;
    }
    QLabel* label(const char* programName) { return control<QLabel>(*wait, programName); }
    ElidedLabel* nameLabel(const char* programName) {
        return control<ElidedLabel>(*wait, programName);
    }
    QToolButton* button(const char* programName) {
        return control<QToolButton>(*wait, programName);
    }
    QTimer* timer() { return control<QTimer>(*wait, ControlNames::Printing::delayTimer); }
};

} // namespace

class DelayWindowTest : public QObject {
    Q_OBJECT

private slots:
    void countdown_data();
    void countdown();
    void buttons_data();
    void buttons();
    void textsShowWhole_data();
    void textsShowWhole();
    void spokenNamesFollowTheText_data();
    void spokenNamesFollowTheText();
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
            QCOMPARE(d.nameLabel(ControlNames::Printing::delayRecord)->text(),
                     QStringLiteral("Иванов Иван Иванович"));
            QCOMPARE(d.nameLabel(ControlNames::Printing::delayProfile)->text(),
                     QStringLiteral("Конверт DL"));
            QVERIFY(d.timer()->isActive());
            QCOMPARE(d.timer()->interval(), 1000);
            for (int left = seconds; left > 0; --left) {
                QCOMPARE(d.label(ControlNames::Printing::delayCountdown)->text(),
                         QString::number(left));
                QVERIFY(d.wait->isVisible());
                d.wait->tick();
            }
            QCOMPARE(d.label(ControlNames::Printing::delayCountdown)->text(), QStringLiteral("0"));
            QVERIFY(!d.wait->isVisible());
            QVERIFY(!d.timer()->isActive());
        });
        QCOMPARE(result, int(QDialog::Accepted));
    }
    QVERIFY(!d.wait->stopped());
}

namespace {
// How the user closes the window.
enum class Closing { Print, Cancel, Escape, CloseBox };
} // namespace
Q_DECLARE_METATYPE(Closing)

void DelayWindowTest::buttons_data() {
    QTest::addColumn<bool>("confirmation");
    QTest::addColumn<Closing>("closing");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("print during the countdown") << false << Closing::Print << false;
    QTest::newRow("cancel during the countdown") << false << Closing::Cancel << true;
    QTest::newRow("print after confirmation") << true << Closing::Print << false;
    QTest::newRow("cancel instead of confirming") << true << Closing::Cancel << true;
    // Esc says no: it stops the run as "Отмена" does, never printing the envelope.
    QTest::newRow("escape instead of confirming") << true << Closing::Escape << true;
    QTest::newRow("escape during the countdown") << false << Closing::Escape << true;
    // The close box closes the window without stopping the run, as it always did.
    QTest::newRow("close box instead of confirming") << true << Closing::CloseBox << false;
}

void DelayWindowTest::buttons() {
    QFETCH(bool, confirmation);
    QFETCH(Closing, closing);
    QFETCH(bool, cancel);
    Delay d(QStringLiteral("5"), confirmation);
    d.show([&] {
        QCOMPARE(d.label(ControlNames::Printing::delayCountdown)->text(),
                 confirmation ? QStringLiteral("Ожидание") : QStringLiteral("5"));
        // Waiting for confirmation, nothing closes the window but a button.
        QCOMPARE(d.timer()->isActive(), !confirmation);
        QCOMPARE(d.button(ControlNames::Printing::delayPrint)->text(), QStringLiteral("Печатать"));
        QCOMPARE(d.button(ControlNames::Printing::delayCancel)->text(), QStringLiteral("Отмена"));
        switch (closing) {
        case Closing::Print:
            d.button(ControlNames::Printing::delayPrint)->click();
            break;
        case Closing::Cancel:
            d.button(ControlNames::Printing::delayCancel)->click();
            break;
        case Closing::Escape:
            QTest::keyClick(d.wait, Qt::Key_Escape);
            break;
        case Closing::CloseBox:
            d.wait->close();
            break;
        }
        QVERIFY(!d.wait->isVisible());
        // A window closed early must not tick into the next showing.
        QVERIFY(!d.timer()->isActive());
    });
    QCOMPARE(d.wait->stopped(), cancel);
}

namespace {

const QString longName =
    QStringLiteral("Общество с ограниченной ответственностью «Северо-Западная торговая компания»");
const QString longProfile = QStringLiteral("Конверт C5 с окном, отправитель слева, индекс внизу");

// What a screen reader reads as the control's name.
QString spokenName(QWidget* control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

void DelayWindowTest::textsShowWhole_data() {
    QTest::addColumn<bool>("confirmation");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("profile");
    // The program's font in points; 0 keeps the platform's default.
    QTest::addColumn<int>("points");
    QTest::newRow("countdown") << false << "Иванов Иван Иванович"
                               << "Конверт DL" << 0;
    QTest::newRow("waiting for confirmation") << true << "Иванов Иван Иванович"
                                              << "Конверт DL" << 0;
    QTest::newRow("long names") << false << longName << longProfile << 0;
    QTest::newRow("larger font") << true << longName << longProfile << 14;
    QTest::newRow("lines that do not fit") << true << longName << longProfile << 0;
}

void DelayWindowTest::textsShowWhole() {
    QFETCH(bool, confirmation);
    QFETCH(QString, name);
    QFETCH(QString, profile);
    QFETCH(int, points);
    const QFont platformFont = QApplication::font();
    auto restore = qScopeGuard([&] { QApplication::setFont(platformFont); });
    if (points > 0) {
        QFont font = platformFont;
        font.setPointSize(points);
        QApplication::setFont(font);
    }
    Delay d(QStringLiteral("10"), confirmation);
    d.name = name;
    d.profile = profile;
    const bool misfits = QTest::currentDataTag() == QStringLiteral("lines that do not fit");
    if (misfits)
        d.misfits = {{LineMisfit::Kind::Cut, 9, 1, "ул. Маршала Баграмяна, д. 125, корп. 3", {}},
                     {LineMisfit::Kind::LeftOut, 11, 4, "Россия", {}}};
    d.show([&] {
        grabForReview(*d.wait, QStringLiteral("delay ") + QTest::currentDataTag());
        QLabel* named = d.label(ControlNames::Printing::delayMisfits);
        QCOMPARE(named->isHidden(), !misfits);
        if (misfits)
            QCOMPARE(named->text(), QStringLiteral("Не помещается:\n«Куда», строка 1 обрезана\n"
                                                   "«Куда», строка 4 не печатается"));
        const QStringList faults = textFaults(*d.wait);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        // 231 x 99 at the least, and no larger than the fonts need: a long
        // name is cut rather than widening the window.
        const QSize needed = d.wait->layout()->minimumSize().expandedTo(QSize(231, 99));
        QCOMPARE(d.wait->size(), needed);
        // The longest countdown text keeps room before the window's edge: more than the
        // margin, two letters' width.
        QLabel* countdown = d.label(ControlNames::Printing::delayCountdown);
        const QFontMetrics font = countdown->fontMetrics();
        const int room = d.wait->width() - countdown->geometry().x() -
                         font.horizontalAdvance(QStringLiteral("Ожидание"));
        QVERIFY2(room >= 6 + 2 * font.averageCharWidth(), qPrintable(QString::number(room)));
        d.button(ControlNames::Printing::delayPrint)->click();
    });
    // The next envelope fits: the window is as it always was.
    d.misfits.clear();
    d.show([&] {
        QVERIFY(d.label(ControlNames::Printing::delayMisfits)->isHidden());
        QCOMPARE(d.wait->size(), d.wait->layout()->minimumSize().expandedTo(QSize(231, 99)));
        d.button(ControlNames::Printing::delayPrint)->click();
    });
}

void DelayWindowTest::spokenNamesFollowTheText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("cut");
    QTest::newRow("names that fit") << "Иванов Иван Иванович"
                                    << "Конверт DL" << false;
    QTest::newRow("long names") << longName << longProfile << true;
}

void DelayWindowTest::spokenNamesFollowTheText() {
    QFETCH(QString, name);
    QFETCH(QString, profile);
    QFETCH(bool, cut);
    Delay d(QStringLiteral("3"), false);
    d.name = name;
    d.profile = profile;
    d.show([&] {
        for (auto [label, full] :
             {std::pair{d.nameLabel(ControlNames::Printing::delayRecord), name},
              std::pair{d.nameLabel(ControlNames::Printing::delayProfile), profile}}) {
            QCOMPARE(label->fullText(), full);
            QCOMPARE(spokenName(label), full);
            QCOMPARE(label->toolTip(), full);
            if (cut) {
                // Cut in the middle: both ends are still there.
                QVERIFY2(label->text().contains(QChar(0x2026)), qPrintable(label->text()));
                QVERIFY(label->text().size() < full.size());
                QVERIFY(full.startsWith(label->text().left(3)));
                QVERIFY(full.endsWith(label->text().right(3)));
            } else {
                QCOMPARE(label->text(), full);
            }
        }
        QCOMPARE(spokenName(d.label(ControlNames::Printing::delayCountdown)), QStringLiteral("3"));
        d.wait->tick();
        QCOMPARE(d.label(ControlNames::Printing::delayCountdown)->text(), QStringLiteral("2"));
        QCOMPARE(spokenName(d.label(ControlNames::Printing::delayCountdown)), QStringLiteral("2"));
        d.button(ControlNames::Printing::delayCancel)->click();
    });
    // Waiting for confirmation is spoken too.
    d.confirmation = true;
    d.show([&] {
        QCOMPARE(spokenName(d.label(ControlNames::Printing::delayCountdown)),
                 QStringLiteral("Ожидание"));
        d.button(ControlNames::Printing::delayPrint)->click();
    });
}

QTEST_MAIN(DelayWindowTest)
#include "tst_delaywindow.moc"
