#include "ui/printing/PositionPad.h"
#include "ui/controls/DialogParts.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"

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

PositionPad::PositionPad(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("position"));
    setAccessibleName(windowTitle());
    setProgramName(this, ControlNames::Printing::positionPad);
    m_sheet = new QWidget(this);
    m_sheet->setFixedSize(200, 200);
    m_sheet->setAutoFillBackground(true);
    m_sheet->setAccessibleName(QStringLiteral("Лист"));
    setProgramName(m_sheet, ControlNames::Printing::positionSheet);
    m_marker = new QLabel(m_sheet);
    m_marker->setPixmap(envelopeMarker());
    m_marker->setFixedSize(70, 49);
    m_marker->setAccessibleName(QStringLiteral("Конверт"));
    setProgramName(m_marker, ControlNames::Printing::positionMarker);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sheet);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_marker->move(marker());
}

void PositionPad::setMarker(int x, int y) {
    w.document->setPadMarker({x, y});
    m_marker->move(x, y);
}

QPoint PositionPad::marker() const {
    return {w.document->profile().corx, w.document->profile().cory};
}

void PositionPad::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A profile loaded since the last showing may have moved the envelope.
    m_marker->move(marker());
}
