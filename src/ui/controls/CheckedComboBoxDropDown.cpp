#include "ui/controls/CheckedComboBoxDropDown.h"

#include <QAction>
#include <QScreen>
#include <algorithm>

namespace {

// Room the list's own sunken border takes in the drop-down's height.
constexpr int listBorders = 4;
// The drop-down keeps this far from the screen's bottom, or it opens upwards.
constexpr int bottomMargin = 20;

} // namespace

void CheckedComboBox::makeDropDown() {
    m_dropDown = new CheckDropDown(*this);
    m_dropDown->setFont(font());
    m_list = m_dropDown->list();
    m_list->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    m_list->setUniformItemSizes(true);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* selectAll = new QAction(m_capSelectAll, m_list);
    auto* deSelectAll = new QAction(m_capDeSelectAll, m_list);
    connect(selectAll, &QAction::triggered, this, [this] { userSelectAll(true); });
    connect(deSelectAll, &QAction::triggered, this, [this] { userSelectAll(false); });
    m_list->addAction(selectAll);
    m_list->addAction(deSelectAll);
    connect(m_list, &QListWidget::itemChanged, this, &CheckedComboBox::userToggled);
}

void CheckedComboBox::showDropDown() {
    if (isDroppedDown())
        return;
    m_dropDownLines = linesToShow();
    m_dropDown->setFont(font());
    m_list->setAccessibleName(accessibleName());
    const QRect where = dropDownGeometry();
    if (m_columns > 1) {
        m_list->setFlow(QListView::TopToBottom);
        m_list->setWrapping(true);
        m_list->setGridSize(QSize((where.width() - listBorders) / m_columns, itemHeight()));
    } else {
        m_list->setWrapping(false);
        m_list->setGridSize(QSize());
    }
    m_dropDown->setGeometry(where);
    m_dropDown->show();
    m_list->setFocus(Qt::PopupFocusReason);
    if (m_list->currentRow() < 0 && m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void CheckedComboBox::hideDropDown() {
    m_dropDown->hide();
}

bool CheckedComboBox::isDroppedDown() const {
    return m_dropDown->isVisible();
}

QRect CheckedComboBox::dropDownGeometry() const {
    const QRect control(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* where = screen();
    const QRect screenRect = where ? where->geometry() : QRect(control.topLeft(), QSize(0, 0));
    return dropDownGeometry(control, itemHeight() * linesToShow() + listBorders, screenRect);
}

QRect CheckedComboBox::dropDownGeometry(const QRect& control, int height, const QRect& screen) {
    QRect below(control.left(), control.top() + control.height(), control.width(), height);
    if (below.top() + height > screen.top() + screen.height() - bottomMargin)
        below.moveTop(control.top() - height);
    return below;
}

void CheckedComboBox::fillList() {
    // The count goes with the boxes, which all start unticked.
    m_settingBoxes = true;
    m_list->clear();
    for (const QString& text : std::as_const(m_items)) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_settingBoxes = false;
}

void CheckedComboBox::setBox(int index, bool checked) {
    QListWidgetItem* item = m_list->item(index);
    if (!item)
        return;
    m_settingBoxes = true;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    m_settingBoxes = false;
}

void CheckedComboBox::userToggled(QListWidgetItem* item) {
    if (m_settingBoxes)
        return;
    const int row = m_list->row(item);
    if (row < 0 || row >= m_items.size())
        return;
    const QString text = m_items[row];
    if (item->checkState() == Qt::Checked) {
        switch (addText(text)) {
        case Added::Yes:
            ++m_checkedCount;
            break;
        case Added::AlreadyThere:
            break;
        case Added::NoRoom:
            // A box left ticked would be printed but never stored with the profile.
            setBox(row, false);
            return;
        }
    } else if (removeText(text)) {
        --m_checkedCount;
    }
    refresh();
    emit changed();
    emit userChanged();
}

void CheckedComboBox::userSelectAll(bool select) {
    if (select)
        SelectAll();
    else
        DeSelectAll();
    emit userChanged();
}

int CheckedComboBox::linesToShow() const {
    if (m_columns > 1)
        return std::clamp(int(m_items.size()) / m_columns + 1, 6, 10);
    return m_dropDownLines;
}

int CheckedComboBox::itemHeight() const {
    if (m_list->count() > 0) {
        const int row = m_list->sizeHintForRow(0);
        if (row > 0)
            return row;
    }
    return QFontMetrics(m_list->font()).height();
}
