#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>

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
