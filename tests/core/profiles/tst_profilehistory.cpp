#include "core/profiles/PrintProfile.h"
#include "core/profiles/ProfileHistory.h"

#include <QTest>

namespace {

// The editor's part in the history: the profile it shows, kept by its steps and put
// back by undo and redo.
struct Editor {
    PrintProfile shown;
    int shows = 0;
    ProfileHistory history{[this](const PrintProfile& p) {
        shown = p;
        ++shows;
    }};

    Editor() {
        shown.name = QStringLiteral("Первый");
        history.start(shown);
    }
    void step(ProfileChange kind, const std::function<void(PrintProfile&)>& change) {
        change(shown);
        history.record(shown, kind);
    }
    void moveBlock(int dx) {
        step(ProfileChange::Move, [&](PrintProfile& p) { p.block(1).x += dx; });
    }
};

} // namespace

class ProfileHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void undoneInReverseOrder();
    void steps_data();
    void steps();
    void burstBackWhereItBeganIsNoStep();
    void startEmptiesTheHistory();
    void stepAfterUndoDropsRedo();
    void quickChangeNeverJoinsAnEarlierStep_data();
    void quickChangeNeverJoinsAnEarlierStep();
};

void ProfileHistoryTest::undoneInReverseOrder() {
    Editor e;
    const PrintProfile loaded = e.shown;
    e.moveBlock(25);
    const PrintProfile moved = e.shown;
    e.step(ProfileChange::Font,
           [](PrintProfile& p) { p.block(7).face = QStringLiteral("Courier"); });
    const PrintProfile fonted = e.shown;
    e.step(ProfileChange::Format, [](PrintProfile& p) { p.format = 2; });
    const PrintProfile changed = e.shown;
    QCOMPARE(e.history.stack().count(), 3);
    QVERIFY(!e.history.isClean());
    QCOMPARE(e.shows, 0);

    for (const PrintProfile& expected : {fonted, moved, loaded}) {
        QVERIFY(e.history.stack().canUndo());
        e.history.undo();
        QVERIFY(e.shown == expected);
        QVERIFY(e.history.last() == expected);
    }
    QVERIFY(!e.history.stack().canUndo());
    QVERIFY(e.history.isClean());

    for (const PrintProfile& expected : {moved, fonted, changed}) {
        e.history.redo();
        QVERIFY(e.shown == expected);
        QVERIFY(!e.history.isClean());
    }
    QVERIFY(!e.history.stack().canRedo());
}

void ProfileHistoryTest::steps_data() {
    QTest::addColumn<bool>("sameKind");
    QTest::addColumn<bool>("burstEnded");
    QTest::addColumn<int>("burstMilliseconds");
    QTest::addColumn<int>("steps");
    QTest::newRow("held key") << true << false << 800 << 1;
    QTest::newRow("another kind") << false << false << 800 << 2;
    QTest::newRow("a new drag") << true << true << 800 << 2;
    QTest::newRow("after a pause") << true << false << 0 << 2;
}

void ProfileHistoryTest::steps() {
    QFETCH(bool, sameKind);
    QFETCH(bool, burstEnded);
    QFETCH(int, burstMilliseconds);
    QFETCH(int, steps);
    Editor e;
    const PrintProfile loaded = e.shown;
    e.history.burstMilliseconds = burstMilliseconds;
    e.moveBlock(1);
    if (burstEnded)
        e.history.endBurst();
    if (sameKind)
        e.moveBlock(1);
    else
        e.step(ProfileChange::Visibility, [](PrintProfile& p) { p.block(3).visible = false; });
    QCOMPARE(e.history.stack().count(), steps);
    for (int i = 0; i < steps; ++i)
        e.history.undo();
    QVERIFY(e.shown == loaded);
    QVERIFY(e.history.isClean());
}

void ProfileHistoryTest::burstBackWhereItBeganIsNoStep() {
    Editor e;
    e.moveBlock(1);
    QVERIFY(!e.history.isClean());
    e.moveBlock(-1);
    QCOMPARE(e.history.stack().count(), 0);
    QVERIFY(e.history.isClean());
    // Nothing changed at all is no step either.
    e.history.record(e.shown, ProfileChange::Font);
    QCOMPARE(e.history.stack().count(), 0);
}

void ProfileHistoryTest::startEmptiesTheHistory() {
    Editor e;
    e.moveBlock(5);
    e.step(ProfileChange::PrintList, [](PrintProfile& p) { p.printprofiles = {"Второй"}; });
    e.history.undo();
    e.history.start(e.shown);
    QVERIFY(!e.history.stack().canUndo());
    QVERIFY(!e.history.stack().canRedo());
    QVERIFY(e.history.isClean());
    QVERIFY(e.history.last() == e.shown);
}

void ProfileHistoryTest::stepAfterUndoDropsRedo() {
    Editor e;
    e.moveBlock(5);
    e.history.undo();
    e.step(ProfileChange::SheetPosition, [](PrintProfile& p) { p.listpos = 4; });
    QVERIFY(!e.history.stack().canRedo());
    QCOMPARE(e.history.stack().count(), 1);
    e.history.undo();
    QCOMPARE(e.shown.listpos, 0);
    QCOMPARE(e.shown.block(1).x, 1);
}

void ProfileHistoryTest::quickChangeNeverJoinsAnEarlierStep_data() {
    // What happens before the quick change, one letter a step: m a move of block 1 by 10,
    // b the same move back, u an undo, | the end of a burst.
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("kept");
    QTest::newRow("after an undo") << "m|mu" << 1;
    QTest::newRow("after an undo right after an undo") << "m|m|muu" << 1;
    QTest::newRow("after every step undone") << "m|muu" << 0;
    QTest::newRow("after a burst back where it began") << "m|mb" << 1;
    QTest::newRow("after a burst back, then an undo") << "m|m|mbu" << 1;
}

void ProfileHistoryTest::quickChangeNeverJoinsAnEarlierStep() {
    QFETCH(QString, before);
    QFETCH(int, kept);
    Editor e;
    // However quick, the change joins no step made before the undo or the burst back.
    e.history.burstMilliseconds = 1000 * 1000;
    for (QChar step : before) {
        if (step == u'm')
            e.moveBlock(10);
        else if (step == u'b')
            e.moveBlock(-10);
        else if (step == u'u')
            e.history.undo();
        else
            e.history.endBurst();
    }
    QCOMPARE(e.history.stack().index(), kept);
    const PrintProfile keptProfile = e.shown;
    e.moveBlock(3);
    QCOMPARE(e.history.stack().index(), kept + 1);
    // One undo takes back the quick change alone.
    e.history.undo();
    QVERIFY(e.shown == keptProfile);
    QCOMPARE(e.history.stack().index(), kept);
}

QTEST_GUILESS_MAIN(ProfileHistoryTest)
#include "tst_profilehistory.moc"
