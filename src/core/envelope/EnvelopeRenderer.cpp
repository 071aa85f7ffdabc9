#include "core/envelope/Envelope.h"

#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/IndexDigits.h"

#include <QFontMetrics>
#include <QPainter>

void paintEnvelope(QPainter& painter, const Envelope& envelope) {
    painter.save();
    painter.fillRect(QRect(QPoint(0, 0), envelope.size), Qt::white);
    for (PictureSlot slot : pictureStackingOrder) {
        const Envelope::Picture& picture = envelope.pictures[slot];
        if (picture.visible && !picture.image.isNull())
            painter.drawImage(picture.position, picture.image);
    }
    for (const Envelope::Block& block : envelope.blocks)
        if (block.visible && !block.text.isEmpty())
            paintBlock(painter, block);
    painter.restore();
}

void paintBlock(QPainter& painter, const Envelope::Block& block) {
    const bool digit = block.stencil && block.text.size() == 1 && block.text[0].isDigit() &&
                       block.text[0].digitValue() >= 0;
    if (!digit) {
        painter.setFont(block.font);
        painter.setPen(block.colour);
        const QFontMetrics metrics(block.font);
        painter.drawText(block.position + QPoint(0, metrics.ascent()), block.text);
        return;
    }
    const qreal side = QFontMetricsF(block.font).height() / 2;
    const qreal width = side * 0.12;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(block.colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // The strokes stay inside the block's box.
    const QPointF origin = QPointF(block.position) + QPointF(width, width) / 2;
    drawStencilSegments(painter, origin, side - width / 2,
                        stencilDigit(block.text[0].digitValue()));
    painter.restore();
}

QImage captureEnvelope(const Envelope& envelope) {
    QImage image(envelope.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintEnvelope(painter, envelope);
    return image;
}
