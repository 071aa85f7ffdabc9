#include "ui/controls/MisfitMarks.h"

#include "core/envelope/Envelope.h"

#include <QPainter>

void paintMisfitMarks(QPainter& painter, const std::vector<LineMisfit>& misfits, QSize envelope) {
    if (misfits.empty())
        return;
    const QColor red(220, 0, 0);
    constexpr int bar = 3;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(red, 1, Qt::DotLine));
    const QRect surface(QPoint(0, 0), envelope);
    for (const LineMisfit& misfit : misfits) {
        // The frame stays on the envelope, so that its cut side is seen too.
        const QRect box = misfit.box.intersected(surface);
        if (!box.isEmpty())
            painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    // A bar on the edge that cuts a line; one before the place of a line left out.
    for (const LineMisfit& misfit : misfits) {
        int x = misfit.box.left() - bar;
        if (misfit.kind == LineMisfit::Kind::Cut)
            x = misfit.box.left() < 0 ? 0 : envelope.width() - bar;
        painter.fillRect(QRect(x, misfit.box.top(), bar, misfit.box.height()), red);
    }
    painter.restore();
}
