#include "ui/common/Icons.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon themeIcon(const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QApplication::style()->standardIcon(fallback));
}

static QPixmap drawEnvelope(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF body(s * 0.06, s * 0.22, s * 0.88, s * 0.58);
    p.setPen(QPen(QColor(70, 90, 120), s / 24.0));
    p.setBrush(QColor(250, 246, 232));
    p.drawRect(body);
    QPainterPath flap;
    flap.moveTo(body.topLeft());
    flap.lineTo(body.center().x(), body.top() + body.height() * 0.55);
    flap.lineTo(body.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(body.right() - s * 0.22, body.top() + s * 0.06, s * 0.14, s * 0.16));
    return pixmap;
}

QIcon envelopeIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawEnvelope(size));
    return icon;
}

QLabel* titleBar(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(
        QStringLiteral("QLabel { color: white; font-weight: bold; padding: 3px 6px;"
                       " background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                       " stop:0 #5a7fb5, stop:0.5 #3d64a0, stop:1 #2c4f86); }"));
    return label;
}

namespace {

QPixmap blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon arrowIcon(ArrowDirection direction) {
    QPixmap pixmap = blank(12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 120));
    QPolygonF triangle;
    switch (direction) {
    case ArrowDirection::Left:
        triangle << QPointF(2, 6) << QPointF(10, 1) << QPointF(10, 11);
        break;
    case ArrowDirection::Right:
        triangle << QPointF(10, 6) << QPointF(2, 1) << QPointF(2, 11);
        break;
    case ArrowDirection::Up:
        triangle << QPointF(6, 2) << QPointF(1, 10) << QPointF(11, 10);
        break;
    case ArrowDirection::Down:
        triangle << QPointF(6, 10) << QPointF(1, 2) << QPointF(11, 2);
        break;
    }
    p.drawPolygon(triangle);
    return QIcon(pixmap);
}

QIcon applyIcon() {
    QPixmap pixmap = blank(14);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 130, 50), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(2, 7.5) << QPointF(5.5, 11) << QPointF(12, 3));
    return QIcon(pixmap);
}

QIcon plusMinusIcon(bool plus) {
    QPixmap pixmap = blank(12);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(40, 70, 120), 2));
    p.drawLine(2, 6, 10, 6);
    if (plus)
        p.drawLine(6, 2, 6, 10);
    return QIcon(pixmap);
}

QIcon printToggleIcon(int part) {
    QPixmap pixmap = blank(30);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 5.5, 27, 19));
    const QColor ink(30, 60, 140);
    p.setPen(QPen(ink, 1.4));
    p.setBrush(Qt::NoBrush);
    switch (part) {
    case 0:
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(4, 9.5 + i * 3), QPointF(15, 9.5 + i * 3));
        break;
    case 1:
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(13, 14.5 + i * 3), QPointF(26, 14.5 + i * 3));
        break;
    case 2:
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(4 + i * 4.5, 16, 3, 6));
        break;
    default:
        p.setPen(QPen(ink, 1.2, Qt::DashLine));
        p.drawRect(QRectF(18.5, 7.5, 8, 8));
        break;
    }
    return QIcon(pixmap);
}

QIcon sheetPositionIcon(int position) {
    QPixmap pixmap(30, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 27, 21);
    // Positions: 0-2 on the left, 3-5 in the middle, 6-8 on the right.
    const int column = position / 3;
    const int row = position < 3 || position > 5 ? position % 3
                    : position == 3              ? 0
                    : position == 4              ? 2
                                                 : 1;
    const int x = 3 + column * 8;
    const int y = 3 + row * 6;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 60, 140));
    p.drawRect(x, y, 8, 5);
    return QIcon(pixmap);
}
