#include "core/envelope/Envelope.h"

#include "core/envelope/EnvelopeFormat.h"

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
    for (const Envelope::Block& block : envelope.blocks) {
        if (!block.visible || block.text.isEmpty())
            continue;
        painter.setFont(block.font);
        painter.setPen(block.colour);
        const QFontMetrics metrics(block.font);
        painter.drawText(block.position + QPoint(0, metrics.ascent()), block.text);
    }
    painter.restore();
}

QImage captureEnvelope(const Envelope& envelope) {
    QImage image(envelope.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintEnvelope(painter, envelope);
    return image;
}
