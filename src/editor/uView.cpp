#include "uView.h"

#include "app/Windows.h"
#include "app/Envalo.h"

#include <QComboBox>
#include <QVBoxLayout>

Tview::Tview(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Настройки"));
    auto* layout = new QVBoxLayout(this);
    cb1 = new QComboBox(this);
    cb1->setAccessibleName(QStringLiteral("Профиль"));
    cb1->setAccessibleDescription(QStringLiteral("cb1"));
    layout->addWidget(cb1);
    layout->addStretch(1);
    resize(1075, 800);
}
