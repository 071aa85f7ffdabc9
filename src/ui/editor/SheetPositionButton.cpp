#include "ui/editor/SheetPositionButton.h"

#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/controls/DialogParts.h"

#include <QActionGroup>
#include <QMenu>

namespace Editor = ControlNames::Editor;

SheetPositionButton::SheetPositionButton(QWidget* parent) : QToolButton(parent) {
    setToolTip(QStringLiteral("Положение конверта на листе"));
    setPopupMode(QToolButton::MenuButtonPopup);
    setIconSize(QSize(30, 24));
    setAccessibleName(QStringLiteral("Положение конверта на листе"));
    setProgramName(this, Editor::sheetPositionButton);
    auto* positionMenu = new QMenu(this);
    positionMenu->setObjectName(Editor::sheetPositionMenu);
    auto* positions = new QActionGroup(this);
    const std::array<const char*, 9> captions = {
        "слева вверху",    "слева поцентру",  "слева внизу",
        "поцентру вверху", "поцентру внизу",  "поцентру вцентре",
        "справа вверху",   "справа поцентру", "справа внизу"};
    for (int i = 0; i < 9; ++i) {
        QAction* item =
            positionMenu->addAction(sheetPositionIcon(i), QString::fromUtf8(captions[size_t(i)]));
        item->setCheckable(true);
        positions->addAction(item);
        items[size_t(i)] = item;
        connect(item, &QAction::triggered, this, [this, i] { emit positionChosen(i); });
    }
    setMenu(positionMenu);
    setIcon(sheetPositionIcon(0));
}

void SheetPositionButton::showPosition(int position) {
    items[size_t(position)]->setChecked(true);
    setIcon(items[size_t(position)]->icon());
}
