#include "core/envelope/Compose.h"
#include "core/envelope/Envelope.h"
#include "core/envelope/IndexDigits.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The middle of each segment of a template at the origin with this side.
QPointF segmentMiddle(int segment, qreal side) {
    static const std::array<QPointF, stencilSegmentCount> middles{{
        {0.5, 0},
        {1, 0.5},
        {1, 1.5},
        {0.5, 2},
        {0, 1.5},
        {0, 0.5},
        {0.5, 1},
        // The diagonals, a quarter of the way along: their middles meet other segments.
        {0.75, 0.25},
        {0.75, 1.25},
    }};
    return middles[size_t(segment)] * side;
}

} // namespace

class IndexDigitsTest : public QObject {
    Q_OBJECT

private slots:
    void eachDigitLightsItsSegments_data();
    void eachDigitLightsItsSegments();
    void theSwitchIsKeptWithTheProfile();
};

void IndexDigitsTest::eachDigitLightsItsSegments_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("lit");
    // The digits as the postal stencil writes them, segment by segment (numbered as in
    // IndexDigits.h): written out here, so that a changed digit in the code shows.
    QTest::newRow("0") << u"0"_s << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("1") << u"1"_s << QList<int>{1, 2, 7};
    QTest::newRow("2") << u"2"_s << QList<int>{0, 1, 3, 8};
    QTest::newRow("3") << u"3"_s << QList<int>{0, 2, 3, 6, 7};
    QTest::newRow("4") << u"4"_s << QList<int>{1, 2, 5, 6};
    QTest::newRow("5") << u"5"_s << QList<int>{0, 2, 3, 5, 6};
    QTest::newRow("6") << u"6"_s << QList<int>{2, 3, 4, 6, 7};
    QTest::newRow("7") << u"7"_s << QList<int>{0, 4, 7};
    QTest::newRow("8") << u"8"_s << QList<int>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("9") << u"9"_s << QList<int>{0, 1, 5, 6, 8};
}

void IndexDigitsTest::eachDigitLightsItsSegments() {
    QFETCH(QString, text);
    QFETCH(QList<int>, lit);
    QList<int> segments = stencilDigit(text.toInt());
    std::sort(segments.begin(), segments.end());
    QCOMPARE(segments, lit);
    Envelope::Block block;
    block.text = text;
    block.font.setPixelSize(120);
    block.colour = Qt::black;
    block.stencil = true;
    QImage cell(200, 200, QImage::Format_RGB32);
    cell.fill(Qt::white);
    {
        QPainter painter(&cell);
        paintBlock(painter, block);
    }
    // Squares of half the font's height, drawn inside the block's box with lines of an
    // eighth of the side or so.
    const qreal height = QFontMetricsF(block.font).height();
    const qreal line = height / 2 * 0.12;
    for (int segment = 0; segment < stencilSegmentCount; ++segment) {
        const QPoint at =
            (QPointF(line, line) / 2 + segmentMiddle(segment, (height - line) / 2)).toPoint();
        const bool dark = qGray(cell.pixel(at)) < 128;
        QVERIFY2(
            dark == lit.contains(segment),
            qPrintable(QStringLiteral("segment %1 at %2,%3").arg(segment).arg(at.x()).arg(at.y())));
    }
}

// Off, the key is not written, so a section saved without it stays as it was; on, it is
// kept; off again, it is written off. Only the digit blocks are drawn as segments.
void IndexDigitsTest::theSwitchIsKeptWithTheProfile() {
    QTemporaryDir dir;
    IniFile ini(dir.filePath("envalo.ini"));
    PrintProfile profile = readProfile(ini, "DL");
    writeProfile(ini, "DL", profile);
    QVERIFY(!ini.readLines().join('\n').contains("indexstencil"));
    QVERIFY(!readProfile(ini, "DL").indexstencil);

    profile.indexstencil = true;
    writeProfile(ini, "DL", profile);
    QVERIFY(readProfile(ini, "DL").indexstencil);
    const Envelope envelope = composeEnvelope(readProfile(ini, "DL"), {}, {}, {});
    for (int n = 1; n <= blockCount; ++n)
        QCOMPARE(envelope.blocks[size_t(n - 1)].stencil, isDigitBlock(n));

    profile.indexstencil = false;
    writeProfile(ini, "DL", profile);
    QVERIFY(ini.readLines().join('\n').contains("indexstencil=0"));
    QVERIFY(!readProfile(ini, "DL").indexstencil);
}

QTEST_MAIN(IndexDigitsTest)

#include "tst_indexdigits.moc"
