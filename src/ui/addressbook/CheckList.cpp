#include "ui/addressbook/CheckList.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

CheckListModel::CheckListModel(QObject* parent) : QAbstractListModel(parent) {}

int CheckListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const Item& item = m_items[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item.text;
    case Qt::CheckStateRole:
        return item.checked ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= count())
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (m_items[size_t(index.row())].checked == checked)
        return true;
    setChecked(index.row(), checked);
    emit userChecked(index.row());
    return true;
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

void CheckListModel::setChecked(int row, bool checked) {
    m_items[size_t(row)].checked = checked;
    const QModelIndex i = index(row);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

void CheckListModel::setAllChecked(bool checked) {
    for (Item& item : m_items)
        item.checked = checked;
    if (!m_items.empty())
        emit dataChanged(index(0), index(count() - 1), {Qt::CheckStateRole});
}

QStringList CheckListModel::texts() const {
    QStringList result;
    result.reserve(count());
    for (const Item& item : m_items)
        result.append(item.text);
    return result;
}

std::vector<std::pair<QString, bool>> CheckListModel::entries() const {
    std::vector<std::pair<QString, bool>> result;
    result.reserve(m_items.size());
    for (const Item& item : m_items)
        result.emplace_back(item.text, item.checked);
    return result;
}

CheckListModel::Item CheckListModel::makeItem(const QString& text, bool checked) const {
    return Item{text, checked, m_order.key(text)};
}

bool CheckListModel::less(const Item& a, const Item& b) {
    return NameOrder::less(a.key, a.text, b.key, b.text);
}

int CheckListModel::insertionRow(const Item& item) const {
    auto at = std::upper_bound(m_items.begin(), m_items.end(), item, less);
    return int(at - m_items.begin());
}

void CheckListModel::setLines(std::vector<std::pair<QString, bool>> lines) {
    beginResetModel();
    m_items.clear();
    m_items.reserve(lines.size());
    for (auto& [text, checked] : lines)
        m_items.push_back(makeItem(text, checked));
    NameOrder::sort(
        m_items, [](const Item& item) -> const QCollatorSortKey& { return item.key; },
        [](const Item& item) -> const QString& { return item.text; });
    endResetModel();
}

void CheckListModel::clear() {
    beginResetModel();
    m_items.clear();
    endResetModel();
}

int CheckListModel::add(const QString& text, bool checked) {
    Item item = makeItem(text, checked);
    const int row = insertionRow(item);
    beginInsertRows({}, row, row);
    m_items.insert(m_items.begin() + row, std::move(item));
    endInsertRows();
    return row;
}

void CheckListModel::removeAt(int row) {
    beginRemoveRows({}, row, row);
    m_items.erase(m_items.begin() + row);
    endRemoveRows();
}

void CheckListModel::removeRows(const std::vector<int>& rows) {
    if (rows.empty())
        return;
    if (rows.size() == 1) {
        removeAt(rows.front());
        return;
    }
    beginResetModel();
    std::vector<Item> kept;
    kept.reserve(m_items.size() - rows.size());
    size_t next = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (next < rows.size() && size_t(rows[next]) == i)
            ++next;
        else
            kept.push_back(std::move(m_items[i]));
    }
    m_items = std::move(kept);
    endResetModel();
}

int CheckListModel::checkedCount() const {
    return int(std::count_if(m_items.begin(), m_items.end(),
                             [](const Item& item) { return item.checked; }));
}

int CheckListModel::rename(int row, const QString& text) {
    const bool checked = isChecked(row);
    removeAt(row);
    return add(text, checked);
}

CheckList::CheckList(QWidget* parent) : QListView(parent), m_model(new CheckListModel(this)) {
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void CheckList::reportUserSelection(int before, bool evenIfSame) {
    const int after = currentRow();
    if (after >= 0 && (evenIfSame || after != before))
        emit userSelected(after);
}

void CheckList::mousePressEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListView::mousePressEvent(event);
    reportUserSelection(before, indexAt(event->position().toPoint()).isValid());
}

void CheckList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListView::keyPressEvent(event);
    reportUserSelection(before, false);
}

int CheckList::currentRow() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void CheckList::setCurrentRow(int row) {
    if (row < 0 || row >= count()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex i = m_model->index(row);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

QString CheckList::currentText() const {
    const int row = currentRow();
    return row < 0 ? QString() : text(row);
}

void ListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (itemAt(event->position().toPoint()))
        emit userSelected(currentRow());
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() >= 0 && currentRow() != before)
        emit userSelected(currentRow());
}
