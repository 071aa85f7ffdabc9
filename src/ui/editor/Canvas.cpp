#include "ui/editor/Canvas.h"
#include "ui/common/ControlNames.h"
#include "ui/controls/DialogParts.h"
#include "ui/controls/MisfitMarks.h"

#include "core/envelope/Envelope.h"
#include "core/envelope/EnvelopeFormat.h"

#include <QMouseEvent>
#include <QPainter>

namespace Editor = ControlNames::Editor;

BlockLabel::BlockLabel(int number, QWidget* parent) : QWidget(parent), m_number(number) {
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::SizeAllCursor);
    setProgramName(this, QLatin1String(Editor::blockLabel) + QString::number(number));
}

void BlockLabel::setText(const QString& text) {
    m_text = text;
    setAccessibleName(text);
    fitToText();
}

void BlockLabel::setBlockFont(const QFont& font) {
    setFont(font);
    fitToText();
}

void BlockLabel::setColour(const QColor& colour) {
    m_colour = colour;
    update();
}

void BlockLabel::fitToText() {
    const QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance(m_text), metrics.height());
    update();
}

void BlockLabel::setStencil(bool stencil) {
    if (stencil == m_stencil)
        return;
    m_stencil = stencil;
    update();
}

void BlockLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Envelope::Block block;
    block.text = m_text;
    block.font = font();
    block.colour = m_colour;
    block.stencil = m_stencil;
    paintBlock(painter, block);
}

void BlockLabel::mousePressEvent(QMouseEvent* event) {
    emit pressed(m_number, event);
}

void BlockLabel::mouseMoveEvent(QMouseEvent* event) {
    emit moved(m_number, event);
}

void BlockLabel::mouseReleaseEvent(QMouseEvent* event) {
    emit released(m_number, event);
}

Surface::Surface(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void Surface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (PictureSlot slot : pictureStackingOrder) {
        const Picture& picture = m_pictures[slot];
        if (picture.shown && !picture.image.isNull())
            painter.drawImage(picture.position, picture.image);
    }
    paintMisfitMarks(painter, m_misfits, size());
}

void Surface::setMisfits(std::vector<LineMisfit> misfits) {
    if (misfits == m_misfits)
        return;
    m_misfits = std::move(misfits);
    update();
}
