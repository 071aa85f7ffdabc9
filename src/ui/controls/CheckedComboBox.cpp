#include "ui/controls/CheckedComboBox.h"

#include "ui/controls/CheckedComboBoxAccessible.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QListWidget>
#include <algorithm>

namespace {

const QChar separator = QLatin1Char(',');
constexpr int textLimit = 256;

// Where text stands in joined as a whole piece between commas (or the ends), or -1. A text that
// holds commas itself still matches only as a whole run of pieces.
qsizetype pieceAt(const QString& joined, const QString& text) {
    for (qsizetype from = 0; from <= joined.size();) {
        const qsizetype at = joined.indexOf(text, from);
        if (at < 0)
            return -1;
        const qsizetype end = at + text.size();
        const bool startsPiece = at == 0 || joined[at - 1] == separator;
        const bool endsPiece = end == joined.size() || joined[end] == separator;
        if (startsPiece && endsPiece)
            return at;
        from = at + 1;
    }
    return -1;
}

// Items sort the way a Russian reader expects, letter case not separating them.
const QCollator& itemCollator() {
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Russian, QLocale::Russia)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

void sortItems(QStringList& items) {
    std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
        return itemCollator().compare(a, b) < 0;
    });
}

} // namespace

CheckedComboBox::CheckedComboBox(QWidget* parent) : QFrame(parent) {
    installCheckedComboBoxAccessible();

    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    makeField();
    makeDropDown();

    resize(121, sizeHint().height());
    paintField(m_notFocusColor);
    refresh();
}

CheckedComboBox::~CheckedComboBox() = default;

void CheckedComboBox::SetItems(const QStringList& items) {
    releaseModel();
    m_items = items;
    if (m_sorted)
        sortItems(m_items);
    itemsChanged();
}

void CheckedComboBox::AddItem(const QString& text) {
    releaseModel();
    auto at = m_items.end();
    if (m_sorted)
        at = std::upper_bound(
            m_items.begin(), m_items.end(), text,
            [](const QString& a, const QString& b) { return itemCollator().compare(a, b) < 0; });
    m_items.insert(at, text);
    itemsChanged();
}

void CheckedComboBox::Clear() {
    releaseModel();
    m_items.clear();
    itemsChanged();
}

void CheckedComboBox::setModel(QAbstractItemModel* model) {
    if (model == m_model)
        return;
    releaseModel();
    if (!model)
        return;
    m_model = model;
    auto follow = [this] { followModel(); };
    connect(model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(model, &QAbstractItemModel::rowsMoved, this, follow);
    connect(model, &QAbstractItemModel::modelReset, this, follow);
    connect(model, &QAbstractItemModel::layoutChanged, this, follow);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.parent().isValid() || topLeft.column() > 0)
                    return;
                QStringList from;
                QStringList to;
                for (int row = topLeft.row(); row <= bottomRight.row() && row < m_modelTexts.size();
                     ++row) {
                    const QString now = m_model->index(row, 0).data().toString();
                    if (now != m_modelTexts[row]) {
                        from.append(m_modelTexts[row]);
                        to.append(now);
                    }
                }
                if (!from.isEmpty())
                    followModel(from, to);
            });
    followModel();
}

bool CheckedComboBox::IsChecked(int index) const {
    const QListWidgetItem* item = m_list->item(index);
    return item && item->checkState() == Qt::Checked;
}

void CheckedComboBox::SetChecked(int index, bool checked) {
    if (index < 0 || index >= m_items.size() || checked == IsChecked(index))
        return;
    const QString& text = m_items[index];
    if (checked) {
        if (addText(text) != Added::Yes)
            return;
        ++m_checkedCount;
    } else {
        if (!removeText(text))
            return;
        --m_checkedCount;
    }
    setBox(index, checked);
    refresh();
    emit changed();
}

void CheckedComboBox::SelectAll() {
    for (int i = 0; i < m_list->count(); ++i)
        setBox(i, true);
    m_checkedText = m_items.join(separator);
    m_checkedCount = int(m_items.size());
    refresh();
    update();
    emit changed();
}

void CheckedComboBox::DeSelectAll() {
    m_checkedCount = 0;
    for (int i = 0; i < m_list->count(); ++i)
        setBox(i, false);
    m_checkedText.clear();
    refresh();
    emit changed();
}

QString CheckedComboBox::QuotedText() const {
    if (m_checkedText.isEmpty() || m_quoteStyle == qsNone)
        return m_checkedText;
    const QString quote = m_quoteStyle == qsSingle ? QStringLiteral("'") : QStringLiteral("\"");
    QString pieces = m_checkedText;
    pieces.replace(separator, quote + separator + quote);
    return quote + pieces + quote;
}

QString CheckedComboBox::Text() const {
    if (m_checkedText.isEmpty())
        return m_emptyValue;
    if (!m_sortDisplay)
        return m_checkedText;
    QStringList shown;
    for (const QString& item : m_items)
        if (pieceAt(m_checkedText, item) >= 0 && !shown.contains(item))
            shown.append(item);
    return shown.join(separator);
}

void CheckedComboBox::SetCapSelectAll(const QString& caption) {
    m_capSelectAll = caption;
    m_list->actions().at(0)->setText(caption);
}

void CheckedComboBox::SetCapDeSelectAll(const QString& caption) {
    m_capDeSelectAll = caption;
    m_list->actions().at(1)->setText(caption);
}

void CheckedComboBox::SetNotFocusColor(const QColor& color) {
    m_notFocusColor = color;
    if (!hasFocus())
        paintField(color);
}

void CheckedComboBox::SetSorted(bool sorted) {
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (sorted && m_items.size() > 1) {
        sortItems(m_items);
        itemsChanged();
    }
}

void CheckedComboBox::SetColumns(int columns) {
    m_columns = std::max(0, columns);
}

void CheckedComboBox::SetDropDownLines(int lines) {
    if (lines >= 6 && lines <= 10)
        m_dropDownLines = lines;
}

void CheckedComboBox::SetEmptyValue(const QString& text) {
    m_emptyValue = text;
    refresh();
}

void CheckedComboBox::SetSortDisplay(bool sortDisplay) {
    m_sortDisplay = sortDisplay;
    refresh();
}

void CheckedComboBox::setNoticeHandler(std::function<void(const QString&)> notice) {
    m_notice = std::move(notice);
}

CheckedComboBox::Added CheckedComboBox::addText(const QString& text) {
    if (m_checkedText.size() + text.size() + 1 >= textLimit) {
        notify(QStringLiteral("There is no room for Selected"));
        return Added::NoRoom;
    }
    if (m_checkedText.isEmpty()) {
        m_checkedText = text;
        return Added::Yes;
    }
    if (pieceAt(m_checkedText, text) >= 0)
        return Added::AlreadyThere;
    m_checkedText += separator + text;
    return Added::Yes;
}

bool CheckedComboBox::removeText(const QString& text) {
    const qsizetype at = pieceAt(m_checkedText, text);
    if (at < 0)
        return false;
    if (at == 0 && text.size() < m_checkedText.size())
        m_checkedText.remove(0, text.size() + 1);
    else if (at == 0)
        m_checkedText.clear();
    else
        m_checkedText.remove(at - 1, text.size() + 1);
    return true;
}

void CheckedComboBox::releaseModel() {
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = nullptr;
    m_modelTexts.clear();
}

void CheckedComboBox::followModel(const QStringList& renamedFrom, const QStringList& renamedTo) {
    // The ticked texts in the order they were ticked, which is their order in the checked text.
    QList<std::pair<qsizetype, QString>> ticked;
    for (int i = 0; i < m_items.size(); ++i)
        if (IsChecked(i))
            ticked.append({pieceAt(m_checkedText, m_items[i]), m_items[i]});
    std::stable_sort(ticked.begin(), ticked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const QString textBefore = m_checkedText;
    const int countBefore = m_checkedCount;

    m_modelTexts.clear();
    if (m_model)
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_modelTexts.append(m_model->index(row, 0).data().toString());
    m_items = m_modelTexts;
    if (m_sorted)
        sortItems(m_items);
    fillList();
    m_checkedText.clear();
    m_checkedCount = 0;

    for (const auto& [at, old] : std::as_const(ticked)) {
        const qsizetype renamed = renamedFrom.indexOf(old);
        const QString text = renamed >= 0 ? renamedTo.value(renamed) : old;
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_items[i] != text || IsChecked(i))
                continue;
            // The program did not ask for this tick, so a text with no room is left out quietly.
            if (m_checkedText.size() + text.size() + 1 < textLimit && addText(text) == Added::Yes) {
                ++m_checkedCount;
                setBox(i, true);
            }
            break;
        }
    }
    refresh();
    if (m_checkedText != textBefore || m_checkedCount != countBefore)
        emit changed();
}

void CheckedComboBox::itemsChanged() {
    fillList();
    m_checkedText.clear();
    m_checkedCount = 0;
    refresh();
}

void CheckedComboBox::notify(const QString& text) const {
    if (m_notice)
        m_notice(text);
    else
        qWarning().noquote() << text;
}
