#include "core/profiles/EnvelopeDocument.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Edit = std::function<void(EnvelopeDocument&)>;
using Check = std::function<bool(const PrintProfile&)>;

PrintProfile loadedProfile() {
    PrintProfile p;
    p.name = QStringLiteral("Первый");
    p.format = 1;
    p.block(1) = {};
    p.printprofiles = {QStringLiteral("Первый")};
    return p;
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Check)

class EnvelopeDocumentTest : public QObject {
    Q_OBJECT

private slots:
    void edits_data();
    void edits();
    void readShowsEachStepAndKeepsWhatWasRead();
    void name();
    void printList();
    void modifiedFollowsTheHistory_data();
    void modifiedFollowsTheHistory();
    void undoAndRedoRestoreWholeProfiles();
    void undoTakesAnUnrecordedChangeFirst();
};

void EnvelopeDocumentTest::edits_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Check>("done");
    auto row = [](const char* name, Edit edit, Check done) { QTest::newRow(name) << edit << done; };
    row(
        "block position",
        [](EnvelopeDocument& d) {
            d.setBlockPosition(7, {120, 45});
        },
        [](const PrintProfile& p) { return p.block(7).x == 120 && p.block(7).y == 45; });
    row(
        "block font",
        [](EnvelopeDocument& d) {
            TextBlock font;
            font.face = QStringLiteral("Courier New");
            font.size = 16;
            font.colour = 255;
            d.setBlockFont(3, font);
        },
        [](const PrintProfile& p) {
            return p.block(3).face == QStringLiteral("Courier New") && p.block(3).size == 16 &&
                   p.block(3).colour == 255 && p.block(3).x == loadedProfile().block(3).x;
        });
    row(
        "block hidden", [](EnvelopeDocument& d) { d.setBlockVisible(9, false); },
        [](const PrintProfile& p) { return !p.block(9).visible && p.block(8).visible; });
    row(
        "format", [](EnvelopeDocument& d) { d.setFormat(3); },
        [](const PrintProfile& p) { return p.format == 3; });
    row(
        "stamp not printed", [](EnvelopeDocument& d) { d.setPicturePrinted(3, false); },
        [](const PrintProfile& p) { return !p.marka && p.otkogo && p.komu && p.index; });
    row(
        "sender picture not printed", [](EnvelopeDocument& d) { d.setPicturePrinted(0, false); },
        [](const PrintProfile& p) { return !p.otkogo && p.marka; });
    row(
        "digit spacing", [](EnvelopeDocument& d) { d.setDigitSpacing(QStringLiteral("12")); },
        [](const PrintProfile& p) { return p.iz == QStringLiteral("12"); });
    row(
        "sheet position", [](EnvelopeDocument& d) { d.setSheetPosition(5); },
        [](const PrintProfile& p) { return p.listpos == 5; });
    row(
        "sheet shifts",
        [](EnvelopeDocument& d) {
            d.setSheetShiftAcross(QStringLiteral("-3"));
            d.setSheetShiftDown(QStringLiteral("012"));
        },
        [](const PrintProfile& p) {
            return p.allx == QStringLiteral("-3") && p.ally == QStringLiteral("012");
        });
    row(
        "pad marker",
        [](EnvelopeDocument& d) {
            d.setPadMarker({5, 6});
        },
        [](const PrintProfile& p) { return p.corx == 5 && p.cory == 6; });
    row(
        "switches",
        [](EnvelopeDocument& d) {
            d.setPrintConfirm(false);
            d.setIndexSwitch(true);
            d.setIndexStencil(true);
        },
        [](const PrintProfile& p) { return !p.printconfirm && p.indexswitch && p.indexstencil; });
    row(
        "kept values",
        [](EnvelopeDocument& d) {
            std::array<QString, 11> kept;
            kept.fill(QStringLiteral("0"));
            kept[2] = QStringLiteral("29");
            d.setKeptValues(kept);
        },
        [](const PrintProfile& p) { return p.kept[2] == QStringLiteral("29"); });
}

void EnvelopeDocumentTest::edits() {
    QFETCH(Edit, edit);
    QFETCH(Check, done);
    EnvelopeDocument document;
    document.setProfile(loadedProfile());
    QSignalSpy changed(&document, &EnvelopeDocument::profileChanged);
    QSignalSpy printList(&document, &EnvelopeDocument::printListChanged);
    edit(document);
    QVERIFY(done(document.profile()));
    QVERIFY(changed.count() >= 1);
    QCOMPARE(printList.count(), 0);
    // An edit is no step by itself, and does not mark the profile: the view records it.
    QVERIFY(!document.isModified());
    QVERIFY(!document.canUndo());
    // The same edit again changes nothing and says nothing.
    changed.clear();
    edit(document);
    QCOMPARE(changed.count(), 0);
}

void EnvelopeDocumentTest::readShowsEachStepAndKeepsWhatWasRead() {
    EnvelopeDocument document;
    QSignalSpy changed(&document, &EnvelopeDocument::profileChanged);
    QList<int> seenFormats;
    try {
        document.read([&](PrintProfile& p) {
            p.format = 2;
            seenFormats.append(document.profile().format);
            p.listpos = 4;
            throw std::runtime_error("a value out of range");
        });
        QFAIL("the reader's error is passed on");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(seenFormats, QList<int>{2});
    QCOMPARE(document.profile().format, 2);
    QCOMPARE(document.profile().listpos, 4);
    QCOMPARE(changed.count(), 1);
}

void EnvelopeDocumentTest::name() {
    EnvelopeDocument document;
    QSignalSpy named(&document, &EnvelopeDocument::nameChanged);
    document.setName(QStringLiteral("Второй"));
    document.setName(QStringLiteral("Второй"));
    QCOMPARE(document.name(), QStringLiteral("Второй"));
    QCOMPARE(named.count(), 1);
    QCOMPARE(named.at(0).at(0).toString(), QStringLiteral("Второй"));
    // The name is not part of the profile's steps.
    QVERIFY(!document.canUndo());
}

void EnvelopeDocumentTest::printList() {
    EnvelopeDocument document;
    document.setProfile(loadedProfile());
    document.startHistory();
    QSignalSpy listed(&document, &EnvelopeDocument::printListChanged);
    const QStringList ticked = {QStringLiteral("Второй"), QStringLiteral("Первый")};
    document.setPrintList(ticked);
    document.setPrintList(ticked);
    QCOMPARE(document.printList(), ticked);
    QCOMPARE(document.profile().printprofiles, ticked);
    QCOMPARE(listed.count(), 1);
    document.record(ProfileChange::PrintList);
    QVERIFY(document.isModified());
    document.undo();
    QCOMPARE(document.printList(), QStringList{QStringLiteral("Первый")});
    QCOMPARE(listed.count(), 2);
    QVERIFY(!document.isModified());
}

void EnvelopeDocumentTest::modifiedFollowsTheHistory_data() {
    QTest::addColumn<Edit>("steps");
    QTest::addColumn<bool>("modified");
    QTest::newRow("loaded") << Edit([](EnvelopeDocument&) {}) << false;
    QTest::newRow("one step") << Edit([](EnvelopeDocument& d) {
        d.setFormat(2);
        d.record(ProfileChange::Format);
    }) << true;
    QTest::newRow("a step undone") << Edit([](EnvelopeDocument& d) {
        d.setFormat(2);
        d.record(ProfileChange::Format);
        d.undo();
    }) << false;
    QTest::newRow("undone and made again") << Edit([](EnvelopeDocument& d) {
        d.setFormat(2);
        d.record(ProfileChange::Format);
        d.undo();
        d.redo();
    }) << true;
    QTest::newRow("marked by the view")
        << Edit([](EnvelopeDocument& d) { d.setModified(true); }) << true;
    QTest::newRow("a step back where it began") << Edit([](EnvelopeDocument& d) {
        d.setBlockPosition(1, {5, 5});
        d.record(ProfileChange::Move);
        d.setBlockPosition(1, {loadedProfile().block(1).x, loadedProfile().block(1).y});
        d.record(ProfileChange::Move);
    }) << true;
    QTest::newRow("saved after a step") << Edit([](EnvelopeDocument& d) {
        d.setFormat(2);
        d.record(ProfileChange::Format);
        d.startHistory();
    }) << false;
}

void EnvelopeDocumentTest::modifiedFollowsTheHistory() {
    QFETCH(Edit, steps);
    QFETCH(bool, modified);
    EnvelopeDocument document;
    document.setProfile(loadedProfile());
    document.startHistory();
    QSignalSpy flag(&document, &EnvelopeDocument::modifiedChanged);
    steps(document);
    QCOMPARE(document.isModified(), modified);
    if (modified)
        QCOMPARE(flag.last().at(0).toBool(), true);
}

void EnvelopeDocumentTest::undoAndRedoRestoreWholeProfiles() {
    EnvelopeDocument document;
    const PrintProfile loaded = loadedProfile();
    document.setProfile(loaded);
    document.startHistory();
    QSignalSpy restored(&document, &EnvelopeDocument::profileRestored);
    QSignalSpy canUndo(&document, &EnvelopeDocument::canUndoChanged);
    QSignalSpy canRedo(&document, &EnvelopeDocument::canRedoChanged);
    document.setFormat(4);
    document.record(ProfileChange::Format);
    document.endBurst();
    document.setBlockPosition(2, {1, 2});
    document.record(ProfileChange::Move);
    const PrintProfile changed = document.profile();
    QVERIFY(canUndo.last().at(0).toBool());

    // A view that echoes the restored profile into the document makes no new step.
    connect(&document, &EnvelopeDocument::profileRestored, &document, [&] {
        document.setFormat(document.profile().format);
        document.record(ProfileChange::Other);
    });
    document.undo();
    document.undo();
    QVERIFY(document.profile() == loaded);
    QCOMPARE(restored.count(), 2);
    QVERIFY(!document.canUndo());
    QVERIFY(document.canRedo());
    QVERIFY(!document.isModified());
    QVERIFY(canRedo.last().at(0).toBool());
    document.redo();
    document.redo();
    QVERIFY(document.profile() == changed);
    QVERIFY(!document.canRedo());
    QVERIFY(document.isModified());
    // Nothing left to redo: nothing happens.
    document.redo();
    QCOMPARE(restored.count(), 4);
}

void EnvelopeDocumentTest::undoTakesAnUnrecordedChangeFirst() {
    EnvelopeDocument document;
    const PrintProfile loaded = loadedProfile();
    document.setProfile(loaded);
    document.startHistory();
    document.setFormat(2);
    document.record(ProfileChange::Format);
    document.setSheetPosition(6);
    document.undo();
    QCOMPARE(document.profile().listpos, loaded.listpos);
    QCOMPARE(document.profile().format, 2);
    document.undo();
    QVERIFY(document.profile() == loaded);
}

QTEST_GUILESS_MAIN(EnvelopeDocumentTest)
#include "tst_envelopedocument.moc"
