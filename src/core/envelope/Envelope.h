#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class QPainter;

// One composed envelope, exactly as it is printed: a white surface of the
// envelope's size in screen pixels, four pictures and twenty one-line blocks.
struct Envelope {
    struct Picture {
        QImage image;
        QPoint position;
        bool visible = false;
    };
    struct Block {
        QString text;
        QPoint position; // the top-left corner of the text
        QFont font;      // sized in screen pixels
        QColor colour = Qt::black;
        bool visible = true;
        // A single digit drawn in the index stencil's segments.
        bool stencil = false;
        // On the last block of a multi-line field (the third line of «Куда», say): the
        // field's lines after this one, which no block prints.
        QStringList unprinted;
    };

    QSize size;
    // Sender frame, recipient frame, index stencil, stamp place.
    std::array<Picture, 4> pictures;
    std::array<Block, 20> blocks;
};

// Paints the envelope in its own coordinates (screen pixels); a caller that
// wants it elsewhere or larger transforms the painter first.
void paintEnvelope(QPainter& painter, const Envelope& envelope);

// One block at its position: its text, or a single digit of a stencil block as the
// stencil's segments, sized to the font's height (each square half of it) and drawn
// in the block's colour with lines in proportion.
void paintBlock(QPainter& painter, const Envelope::Block& block);

// The envelope as a picture of its own size.
QImage captureEnvelope(const Envelope& envelope);

// The width of a block's text as paintBlock draws it.
int blockTextWidth(const Envelope::Block& block);

// A text line that the envelope does not print whole.
struct LineMisfit {
    enum class Kind {
        Cut,     // printed, but past the envelope's edge, where the print stops
        LeftOut, // a line of a field beyond the lines its blocks print
    };
    Kind kind = Kind::Cut;
    // The block (1 to 20) that prints the cut line; for a line left out, the last block of
    // its field, under which it would stand.
    int block = 0;
    // The line of the block's field, from 1 (4 for a fourth line of «Куда»).
    int line = 1;
    QString text;
    // Where the whole line would stand, in the envelope's pixels: a cut one reaches past
    // the edge; a left-out one is the place of a next line under its field's last block.
    QRect box;

    bool operator==(const LineMisfit&) const = default;
};

// Every visible line that the envelope cuts at its left or right edge (measured as
// paintBlock draws it), and every non-empty line of a field beyond its blocks, in block
// order. Hidden blocks are the layout's choice and are not counted.
std::vector<LineMisfit> envelopeMisfits(const Envelope& envelope);

// Which line it is and what happens to it, as a person reads it:
// «Куда», строка 1 обрезана; «Куда», строка 4 не печатается.
QString misfitPlace(const LineMisfit& misfit);
// The place and the line's text: «Куда», строка 1 обрезана: «ул. Баграмяна, д. 125».
QString misfitDescription(const LineMisfit& misfit);
// «Не помещается: » and each misfit's description, one a line; empty when all fits.
QString misfitsNotice(const std::vector<LineMisfit>& misfits);
