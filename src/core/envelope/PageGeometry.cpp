#include "core/envelope/PageGeometry.h"

#include "core/Numbers.h"
#include "core/UserError.h"
#include "core/profiles/PrintProfile.h"

#include <cmath>
#include <cstdlib>

namespace {

qint64 truncated(double value) {
    return qint64(std::trunc(value));
}

// The sheet shift is scaled by this fixed factor, not by the printer-to-screen ratio.
constexpr double shiftFactor = 1.8;
// The margin kept from the sheet's far edges, in device pixels before shrinking.
constexpr int sheetMargin = 404;
// Beyond this a shift in millimetres would overflow the pixel conversion; no sheet is
// anywhere near this size.
constexpr int largestShiftMm = 1000000;

int shiftMillimetres(const QString& text) {
    const int mm = toWholeNumber(text);
    if (std::abs(qint64(mm)) > largestShiftMm)
        throw UserError(QStringLiteral("Сдвиг %1 мм слишком велик.").arg(mm));
    return mm;
}

qint64 scaledShift(int pixels, double pageScale) {
    return truncated(pixels * shiftFactor * pageScale);
}

// How far, in millimetres, the paper's side may fall short of the envelope's and still be
// the envelope's own paper: paper sizes of one envelope differ by a few millimetres between
// standards and drivers (a C6 of 114 x 162 mm, an envelope surface of 162 x 114.3 mm).
constexpr double envelopePaperSlackMm = 3;
// A4's sides less a millimetre for rounding: paper this large or larger keeps the
// shrink-to-fit placement that users' sheet shifts are set on.
constexpr double a4ShortMm = 209;
constexpr double a4LongMm = 296;

// Whether the paper is the envelope's own: each of its landscape sides within a few
// millimetres of the envelope's, or longer, and the paper smaller than A4 on both sides.
bool envelopePaper(qint64 width, qint64 height, const PrinterMetrics& metrics,
                   const ScreenConversions& screen) {
    const double dotsPerMm = metrics.prnScaleY * screen.scrDpiY / 25.4;
    if (dotsPerMm <= 0)
        return false;
    const double across = metrics.prnHeight / dotsPerMm;
    const double down = metrics.prnWidth / dotsPerMm;
    const bool fits = across >= width / dotsPerMm - envelopePaperSlackMm &&
                      down >= height / dotsPerMm - envelopePaperSlackMm;
    const bool belowA4 = across < a4LongMm && down < a4ShortMm;
    return fits && belowA4;
}

} // namespace

PageFit fitpage(QSize surface, const PrinterMetrics& metrics) {
    if (metrics.prnScaleX <= 0 || metrics.prnScaleY <= 0 || metrics.prnWidth <= 0 ||
        metrics.prnHeight <= 0)
        throw UserError(QStringLiteral("Размер страницы принтера неизвестен: принтер не измерен."));
    const qint64 a = truncated(surface.width() * metrics.prnScaleX);
    const qint64 b = truncated(surface.height() * metrics.prnScaleY);
    if (a <= 0 || b <= 0)
        throw UserError(QStringLiteral("Конверт не имеет размера."));
    const double ratio =
        b < a ? double(metrics.prnWidth) / double(a) : double(metrics.prnHeight) / double(b);
    if (ratio > 1)
        return {a, b, 1.0};
    return {truncated(double(a) * ratio) - metrics.prnOffsetX,
            truncated(double(b) * ratio) - metrics.prnOffsetY, ratio};
}

SheetPosition sheetpos(qint64 width, qint64 height, int listpos, double pageScale,
                       const PrinterMetrics& metrics) {
    const qint64 m = truncated(sheetMargin * pageScale);
    const qint64 ph = metrics.prnHeight;
    const qint64 pw = metrics.prnWidth;
    const qint64 left = 0;
    const qint64 centreX = ph / 2 - width / 2 - m;
    const qint64 right = ph - width - m;
    const qint64 top = 0;
    const qint64 middleY = pw / 2 - height / 2 - m;
    const qint64 bottom = pw - height - m;

    qint64 x0 = 0;
    qint64 y0 = 0;
    switch (listpos) {
    case 1:
        x0 = left;
        y0 = middleY;
        break;
    case 2:
        x0 = left;
        y0 = bottom;
        break;
    case 3:
        x0 = centreX;
        y0 = top;
        break;
    case 4:
        x0 = centreX;
        y0 = middleY;
        break;
    // Centred across with no margin term and at the bottom, whatever the caption says:
    // sheets printed so far were placed this way.
    case 5:
        x0 = ph / 2 - width / 2;
        y0 = bottom;
        break;
    case 6:
        x0 = right;
        y0 = top;
        break;
    case 7:
        x0 = right;
        y0 = middleY;
        break;
    case 8:
        x0 = right;
        y0 = bottom;
        break;
    default:
        break;
    }
    return {truncated(double(x0) * pageScale), truncated(double(y0) * pageScale)};
}

PagePlacement placeEnvelope(QSize surface, const PrinterMetrics& metrics, bool c5, int listpos,
                            const QString& allx, const QString& ally,
                            const ScreenConversions& screen) {
    const PageFit fit = fitpage(surface, metrics);
    const SheetPosition at = sheetpos(fit.width, fit.height, listpos, fit.pageScale, metrics);
    const int acrossMm = shiftMillimetres(allx);
    if (c5) {
        return {0, 0, truncated(surface.width() * metrics.prnScaleX),
                truncated(surface.height() * metrics.prnScaleY), fit.pageScale};
    }
    const int downMm = shiftMillimetres(ally);
    const qint64 a = truncated(surface.width() * metrics.prnScaleX);
    const qint64 b = truncated(surface.height() * metrics.prnScaleY);
    if (envelopePaper(a, b, metrics, screen)) {
        // On the envelope's own paper the envelope is drawn 1:1 from the printable corner;
        // the sheet shifts move it as they do an envelope that is not shrunk.
        return {scaledShift(screen.pxCoordX(acrossMm), 1.0),
                scaledShift(screen.pxCoordY(downMm), 1.0), a, b, 1.0};
    }
    const qint64 down = scaledShift(screen.pxCoordY(downMm), fit.pageScale);
    const qint64 across = scaledShift(screen.pxCoordX(acrossMm), fit.pageScale);
    return {at.x + across, at.y + down, fit.width, fit.height, fit.pageScale};
}
