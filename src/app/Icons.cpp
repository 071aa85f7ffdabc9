#include "Icons.h"

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
    label->setStyleSheet(QStringLiteral(
        "QLabel { color: white; font-weight: bold; padding: 3px 6px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #5a7fb5, stop:0.5 #3d64a0, stop:1 #2c4f86); }"));
    return label;
}
