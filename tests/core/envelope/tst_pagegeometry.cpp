#include "core/UserError.h"
#include "core/envelope/PageGeometry.h"
#include "core/profiles/PrintProfile.h"

#include <QTest>

namespace {

// A 600 dpi printer with A4 paper and 100-dot offsets, against a 96 dpi screen.
const PrinterMetrics printer600{6.25, 6.25, 100, 100, 4960, 7016};
const QSize dl(831, 416);
const QSize c6(612, 431);
const QSize c5(1209, 869);        // 320 x 230 mm: larger than the page
const QSize c5Envelope(865, 612); // 229 x 162 mm

// The same printer on smaller paper, upright, in 600 dpi dots.
PrinterMetrics paper600(int width, int height) {
    return {6.25, 6.25, 0, 0, width, height};
}
const PrinterMetrics dlPaper = paper600(2598, 5197);     // 110 x 220 mm
const PrinterMetrics c6Paper = paper600(2693, 3827);     // 114 x 162 mm
const PrinterMetrics c5Paper = paper600(3827, 5409);     // 162 x 229 mm
const PrinterMetrics a5Paper = paper600(3496, 4960);     // 148 x 210 mm
const PrinterMetrics letterPaper = paper600(5100, 6600); // 8.5 x 11 in

} // namespace

Q_DECLARE_METATYPE(PrinterMetrics)

class PageGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void shrinkingKeepsTheExactRatio();
};

void PageGeometryTest::placement_data() {
    QTest::addColumn<PrinterMetrics>("metrics");
    QTest::addColumn<QSize>("surface");
    QTest::addColumn<bool>("isC5");
    QTest::addColumn<int>("listpos");
    QTest::addColumn<QString>("allx");
    QTest::addColumn<QString>("ally");
    QTest::addColumn<QRect>("expected"); // x, y, width, height in device pixels
    QTest::addColumn<QString>("failure");
    const auto row = [](const char* name, QSize surface, bool isC5, int listpos, QString allx,
                        QString ally, QRect expected, QString failure = {},
                        PrinterMetrics metrics = printer600) {
        QTest::newRow(name) << metrics << surface << isC5 << listpos << allx << ally << expected
                            << failure;
    };

    // C6 fits: natural size, margin 404; each of the nine positions has its own formula.
    const QList<QPoint> c6At = {{0, 0},       {0, 730},  {0, 1863},   {1192, 0},   {1192, 730},
                                {1596, 1863}, {2787, 0}, {2787, 730}, {2787, 1863}};
    for (int i = 0; i < 9; ++i) {
        QTest::addRow("C6 position %d", i) << printer600 << c6 << false << i << "0"
                                           << "0" << QRect(c6At[i], QSize(3825, 2693)) << QString();
    }
    row("C6 10 mm across", c6, false, 4, "10", "0", {1260, 730, 3825, 2693});
    row("C6 10 mm down", c6, false, 4, "0", "10", {1192, 798, 3825, 2693});
    row("negative shifts", c6, false, 0, "-10", "-10", {-68, -68, 3825, 2693});
    // DL is shrunk to the page: the ratio scales the margin, the position and the shifts.
    row("DL centred", dl, false, 4, "0", "0", {661, 863, 4860, 2383});
    row("DL position 5", dl, false, 5, "0", "0", {1029, 2093, 4860, 2383});
    row("DL position 8", dl, false, 8, "0", "0", {1691, 2093, 4860, 2383});
    row("DL shift scaled", dl, false, 4, "10", "0", {726, 863, 4860, 2383});
    // C5: natural size in the corner whatever the position and the shifts.
    row("C5 ignores position and shifts", c5, true, 8, "25", "-40", {0, 0, 7556, 5431});
    row("C5 ignores a bad shift down", c5, true, 4, "0", "вниз", {0, 0, 7556, 5431});

    // On the envelope's own paper the envelope is drawn 1:1 from the printable corner,
    // whatever the position; the sheet shifts still move it, unscaled.
    row("DL on DL paper", dl, false, 4, "0", "0", {0, 0, 5193, 2600}, {}, dlPaper);
    row("DL on DL paper, shifted", dl, false, 8, "10", "5", {68, 34, 5193, 2600}, {}, dlPaper);
    row("DL on DL paper, shifted back", dl, false, 0, "-1", "-2", {-7, -14, 5193, 2600}, {},
        dlPaper);
    row("C6 on C6 paper", c6, false, 4, "0", "0", {0, 0, 3825, 2693}, {}, c6Paper);
    row("C5 on C5 paper", c5Envelope, false, 4, "0", "0", {0, 0, 5406, 3825}, {}, c5Paper);
    row("C5 on C5 paper, C5 profile", c5Envelope, true, 4, "0", "0", {0, 0, 5406, 3825}, {},
        c5Paper);
    row("DL on C5 paper: larger than the envelope", dl, false, 4, "0", "0", {0, 0, 5193, 2600}, {},
        c5Paper);
    // Paper shorter than the envelope, or A4's width and more, keeps the formulas.
    row("C5 on DL paper: shrunk", c5Envelope, false, 0, "0", "0", {0, 0, 2598, 1838}, {}, dlPaper);
    row("DL on A5: shrunk", dl, false, 0, "0", "0", {0, 0, 3496, 1750}, {}, a5Paper);
    row("DL on Letter: shrunk", dl, false, 0, "0", "0", {0, 0, 5100, 2553}, {}, letterPaper);
    row("fraction across on DL paper", dl, false, 4, "1.5", "0", {},
        "«1.5» не является целым числом.", dlPaper);

    const QString notWhole = QStringLiteral("«%1» не является целым числом.");
    row("fraction across", dl, false, 4, "1.5", "0", {}, notWhole.arg("1.5"));
    row("fraction across on C5", c5, true, 4, "1.5", "0", {}, notWhole.arg("1.5"));
    row("empty across", c6, false, 4, "", "0", {}, notWhole.arg(""));
    row("bad shift down", dl, false, 4, "0", "abc", {}, notWhole.arg("abc"));
    row("huge shift", dl, false, 4, "2000000000", "0", {}, "Сдвиг 2000000000 мм слишком велик.");
    const QString unmeasured = "Размер страницы принтера неизвестен: принтер не измерен.";
    row("printer not measured", dl, false, 4, "0", "0", {}, unmeasured, PrinterMetrics{});
    row("printer not measured, C5", c5, true, 4, "0", "0", {}, unmeasured, PrinterMetrics{});
    row("empty surface", QSize(0, 0), false, 4, "0", "0", {}, "Конверт не имеет размера.");
}

void PageGeometryTest::placement() {
    QFETCH(PrinterMetrics, metrics);
    QFETCH(QSize, surface);
    QFETCH(bool, isC5);
    QFETCH(int, listpos);
    QFETCH(QString, allx);
    QFETCH(QString, ally);
    QFETCH(QRect, expected);
    QFETCH(QString, failure);

    try {
        const PagePlacement at =
            placeEnvelope(surface, metrics, isC5, listpos, allx, ally, ScreenConversions{});
        QVERIFY2(failure.isEmpty(), "the page was placed");
        QCOMPARE(QRect(int(at.x), int(at.y), int(at.width), int(at.height)), expected);
    } catch (const UserError& e) {
        QCOMPARE(e.message(), failure);
    }
}

void PageGeometryTest::shrinkingKeepsTheExactRatio() {
    const PageFit fit = fitpage(dl, printer600);
    QCOMPARE(fit.pageScale, 4960.0 / 5193.0);
    QCOMPARE(qRound(fit.pageScale * 100000), 95513);
    QCOMPARE(fitpage(c6, printer600).pageScale, 1.0);
}

QTEST_APPLESS_MAIN(PageGeometryTest)
#include "tst_pagegeometry.moc"
