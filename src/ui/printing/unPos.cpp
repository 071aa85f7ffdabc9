#include "ui/printing/unPos.h"
#include "ui/controls/DialogParts.h"

#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"
#include "ui/editor/uView.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QPixmap envelopeMarker() {
    QPixmap pixmap(70, 49);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 69, 48);
    // The flap.
    painter.drawLine(0, 0, 35, 24);
    painter.drawLine(35, 24, 69, 0);
    return pixmap;
}

} // namespace

Ttpos::Ttpos(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("position"));
    setAccessibleName(windowTitle());
    setProgramName(this, QStringLiteral("tpos"));
    pad = new QWidget(this);
    pad->setFixedSize(200, 200);
    pad->setAutoFillBackground(true);
    pad->setAccessibleName(QStringLiteral("Лист"));
    setProgramName(pad, QStringLiteral("pad"));
    Image1 = new QLabel(pad);
    Image1->setPixmap(envelopeMarker());
    Image1->setFixedSize(70, 49);
    Image1->setAccessibleName(QStringLiteral("Конверт"));
    setProgramName(Image1, QStringLiteral("Image1"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pad);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Image1->move(w.view->profile.corx, w.view->profile.cory);
}

void Ttpos::setMarker(int x, int y) {
    w.view->profile.corx = x;
    w.view->profile.cory = y;
    Image1->move(x, y);
}

QPoint Ttpos::marker() const {
    return {w.view->profile.corx, w.view->profile.cory};
}

void Ttpos::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A profile loaded since the last showing may have moved the envelope.
    Image1->move(w.view->profile.corx, w.view->profile.cory);
}
