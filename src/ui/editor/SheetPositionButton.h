#pragma once

#include <QToolButton>
#include <array>

class QAction;

// The layout editor's button of the envelope's position on the sheet: it shows the
// position's picture, and its menu lists the nine positions with the shown one checked.
class SheetPositionButton : public QToolButton {
    Q_OBJECT

public:
    explicit SheetPositionButton(QWidget* parent);

    // Checks the position's item and shows its picture, without telling anyone.
    void showPosition(int position);

signals:
    // The user chose an item of the menu.
    void positionChosen(int position);

private:
    std::array<QAction*, 9> items{};
};
