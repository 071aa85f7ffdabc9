#include "core/envelope/Envelope.h"

#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/IndexDigits.h"
#include "core/profiles/PrintProfile.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

bool isStencilDigit(const Envelope::Block& block) {
    return block.stencil && block.text.size() == 1 && block.text[0].isDigit() &&
           block.text[0].digitValue() >= 0;
}

// The name a person knows the block's field by: the main window's caption of its text.
QString fieldName(int number) {
    switch (blockInfo(number).source) {
    case BlockSource::SenderName:
        return QStringLiteral("От кого");
    case BlockSource::SenderAddress:
        return QStringLiteral("От куда");
    case BlockSource::RecipientName:
        return QStringLiteral("Кому");
    case BlockSource::RecipientAddress:
        return QStringLiteral("Куда");
    case BlockSource::FirstIndex:
    case BlockSource::SecondIndex:
    case BlockSource::IndexDigit:
        break;
    }
    return {};
}

} // namespace

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
    if (!isStencilDigit(block)) {
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

int blockTextWidth(const Envelope::Block& block) {
    if (isStencilDigit(block))
        return int(std::ceil(QFontMetricsF(block.font).height() / 2));
    return QFontMetrics(block.font).horizontalAdvance(block.text);
}

std::vector<LineMisfit> envelopeMisfits(const Envelope& envelope) {
    std::vector<LineMisfit> misfits;
    for (int n = 1; n <= blockCount; ++n) {
        const Envelope::Block& block = envelope.blocks[size_t(n - 1)];
        const bool printed = block.visible && !block.text.isEmpty();
        if (!printed && block.unprinted.isEmpty())
            continue;
        const QFontMetrics metrics(block.font);
        const int height = metrics.height();
        const int line = std::max(1, blockInfo(n).part);
        const int x = block.position.x();
        // Laying a line out is what measuring costs; no glyph is wider than the font's widest,
        // so a line far shorter than its room fits without it (a glyph's width to spare).
        const bool surelyFits = x >= 0 && (block.text.size() + 1) * qint64(metrics.maxWidth()) <=
                                              qint64(envelope.size.width()) - x;
        if (printed && !surelyFits) {
            const int width = blockTextWidth(block);
            if (x < 0 || x + width > envelope.size.width())
                misfits.push_back({LineMisfit::Kind::Cut, n, isDigitBlock(n) ? 1 : line, block.text,
                                   QRect(block.position, QSize(width, height))});
        }
        for (qsizetype i = 0; i < block.unprinted.size(); ++i) {
            const QString& text = block.unprinted[i];
            if (text.trimmed().isEmpty())
                continue;
            const QPoint place = block.position + QPoint(0, height * int(i + 1));
            const int width = metrics.horizontalAdvance(text);
            misfits.push_back({LineMisfit::Kind::LeftOut, n, line + int(i) + 1, text,
                               QRect(place, QSize(width, height))});
        }
    }
    return misfits;
}

QString misfitPlace(const LineMisfit& misfit) {
    const bool cut = misfit.kind == LineMisfit::Kind::Cut;
    const QString field = fieldName(misfit.block);
    if (!field.isEmpty())
        return QStringLiteral("«%1», строка %2 %3")
            .arg(field)
            .arg(misfit.line)
            .arg(cut ? QStringLiteral("обрезана") : QStringLiteral("не печатается"));
    if (isDigitBlock(misfit.block))
        return QStringLiteral("«Индекс», цифра %1 обрезана").arg(blockInfo(misfit.block).part);
    return QStringLiteral("«%1» обрезан").arg(QString::fromUtf8(blockInfo(misfit.block).caption));
}

QString misfitDescription(const LineMisfit& misfit) {
    return QStringLiteral("%1: «%2»").arg(misfitPlace(misfit), misfit.text);
}

QString misfitsNotice(const std::vector<LineMisfit>& misfits) {
    if (misfits.empty())
        return {};
    QStringList lines;
    for (const LineMisfit& misfit : misfits)
        lines.append(misfitDescription(misfit));
    return QStringLiteral("Не помещается: ") + lines.join(QStringLiteral(";\n"));
}
