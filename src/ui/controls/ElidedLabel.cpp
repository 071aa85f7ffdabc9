#include "ui/controls/ElidedLabel.h"

#include <QEvent>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    // The user's text, never markup.
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
    m_full = text;
    setToolTip(text);
    setAccessibleName(text);
    updateGeometry();
    elide();
}

QSize ElidedLabel::sizeHint() const {
    return roomFor(fontMetrics().horizontalAdvance(m_full));
}

QSize ElidedLabel::minimumSizeHint() const {
    // Room for the ellipsis and a letter either side of it.
    return roomFor(fontMetrics().horizontalAdvance(QStringLiteral("W…W")));
}

QSize ElidedLabel::roomFor(int textWidth) const {
    const QMargins frame = contentsMargins();
    return {textWidth + 2 * margin() + frame.left() + frame.right(),
            fontMetrics().height() + 2 * margin() + frame.top() + frame.bottom()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide() {
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_full, Qt::ElideMiddle, room);
    if (shown != text())
        setText(shown);
}
