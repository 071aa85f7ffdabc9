#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>

struct ScreenConversions;

// The printer as measured at start-up, in device pixels (printer dots), with
// the page in the orientation it had before the switch to landscape: normally
// portrait, so prnWidth is the short side. Zero until measured.
struct PrinterMetrics {
    // Printer dots per screen pixel, both measured against the screen's vertical resolution.
    double prnScaleX = 0;
    double prnScaleY = 0;
    // From the paper edge to the printable area.
    int prnOffsetX = 0;
    int prnOffsetY = 0;
    // The whole paper.
    int prnWidth = 0;
    int prnHeight = 0;

    bool operator==(const PrinterMetrics&) const = default;
};

// The envelope's size on paper and the factor it was shrunk by (1 when it fits).
struct PageFit {
    qint64 width = 0;
    qint64 height = 0;
    double pageScale = 1;
};

struct SheetPosition {
    qint64 x = 0;
    qint64 y = 0;
};

// Where the envelope is drawn on the landscape page: device pixels from the
// top-left corner of the printable area. Positions may be negative (what falls
// on the page is printed) and exceed 16 bits.
struct PagePlacement {
    qint64 x = 0;
    qint64 y = 0;
    qint64 width = 0;
    qint64 height = 0;
    double pageScale = 1;

    bool operator==(const PagePlacement&) const = default;
};

// The natural size of a surface of screen pixels on this printer, shrunk to the
// page when it is larger. Throws a UserError when there is no size to work with
// (an unmeasured printer or an empty surface).
PageFit fitpage(QSize surface, const PrinterMetrics& metrics);

// The top-left corner for sheet position listpos (0 to 8, as the layout editor's
// position menu numbers them); the printer's long side runs across.
SheetPosition sheetpos(qint64 width, qint64 height, int listpos, double pageScale,
                       const PrinterMetrics& metrics);

// The whole placement of one envelope: fitted, positioned and shifted by the
// sheet shifts in whole millimetres (allx across, ally down). The C5 format is
// drawn at natural size at the top-left corner with no position and no shifts,
// yet a shift across that is not a whole number fails every page, C5 included;
// the shift down is read only off the C5 path. On paper of the envelope's own size (each
// landscape side of the paper no more than 3 mm shorter than the envelope's, and both
// smaller than A4's) any envelope is drawn 1:1 from the printable area's corner, shifted
// by the sheet shifts as an envelope that is not shrunk; A4 and larger keep the placement
// above.
PagePlacement placeEnvelope(QSize surface, const PrinterMetrics& metrics, bool c5, int listpos,
                            const QString& allx, const QString& ally,
                            const ScreenConversions& screen);
