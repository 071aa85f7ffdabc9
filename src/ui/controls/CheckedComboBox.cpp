#include "ui/controls/CheckedComboBox.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCollator>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QChar separator = QLatin1Char(',');
constexpr int buttonWidth = 16;
constexpr int fieldGap = 3;
// Room the list's own sunken border takes in the drop-down's height.
constexpr int listBorders = 4;
// The drop-down keeps this far from the screen's bottom, or it opens upwards.
constexpr int bottomMargin = 20;
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

// The read-only field; the control keeps the keyboard focus, so the field draws its focus cue.
class ComboField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent* event) override {
        QLineEdit::paintEvent(event);
        if (!parentWidget() || !parentWidget()->hasFocus())
            return;
        QPainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        option.backgroundColor = palette().color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
};

// Screen readers meet the control as a combo box whose value is the closed field's text.
class CheckedComboAccessible : public QAccessibleWidget {
public:
    explicit CheckedComboAccessible(CheckedComboBox* box)
        : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return box()->Text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            box()->showDropDown();
        else
            QAccessibleWidget::doAction(name);
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == showMenuAction())
            return {QStringLiteral("Alt+Down")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }

private:
    CheckedComboBox* box() const { return static_cast<CheckedComboBox*>(object()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CheckedComboBox") && object && object->isWidgetType())
        return new CheckedComboAccessible(static_cast<CheckedComboBox*>(object));
    return nullptr;
}

} // namespace

class CheckDropDown : public QFrame {
public:
    explicit CheckDropDown(CheckedComboBox& owner)
        : QFrame(&owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        list = new QListWidget(this);
        layout->addWidget(list);
    }

    QListWidget* list = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A press on the control's own button only closes the drop-down: were the press passed
        // on to the button once the drop-down has closed, it would open it again at once.
        const QToolButton* button = m_owner.m_button;
        const QPoint global = event->globalPosition().toPoint();
        if (!rect().contains(event->position().toPoint()) &&
            button->rect().contains(button->mapFromGlobal(global)))
            setAttribute(Qt::WA_NoMouseReplay);
        QFrame::mousePressEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            hide();
            return;
        }
        QFrame::keyPressEvent(event);
    }
    void hideEvent(QHideEvent* event) override {
        QFrame::hideEvent(event);
        emit m_owner.closedUp();
    }

private:
    CheckedComboBox& m_owner;
};

CheckedComboBox::CheckedComboBox(QWidget* parent) : QFrame(parent) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);

    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_edit = new ComboField(this);
    m_edit->setReadOnly(true);
    m_edit->setFrame(false);
    m_edit->setFocusPolicy(Qt::NoFocus);
    // A click on the field focuses the control, as on the rest of it.
    m_edit->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_button = new QToolButton(this);
    m_button->setArrowType(Qt::DownArrow);
    m_button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAccessibleName(QStringLiteral("Открыть список"));
    connect(m_button, &QToolButton::clicked, this, &CheckedComboBox::showDropDown);

    m_dropDown = new CheckDropDown(*this);
    m_dropDown->setFont(font());
    m_list = m_dropDown->list;
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

QSize CheckedComboBox::sizeHint() const {
    // Like a standard combo box: the text's height with room for the borders.
    return {121, fontMetrics().height() + 8};
}

QSize CheckedComboBox::minimumSizeHint() const {
    return {buttonWidth + fieldGap + 2 * frameWidth() + fontMetrics().averageCharWidth() * 3,
            sizeHint().height()};
}

void CheckedComboBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutParts();
}

void CheckedComboBox::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    m_edit->update();
    // Coming back from the drop-down or from another window is no entry into the control.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    paintField(Qt::white);
    emit entered();
}

void CheckedComboBox::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    m_edit->update();
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    paintField(m_notFocusColor);
    emit exited();
}

void CheckedComboBox::keyPressEvent(QKeyEvent* event) {
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (event->key() == Qt::Key_F4 ||
        (alt && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up))) {
        event->accept();
        showDropDown();
        return;
    }
    QFrame::keyPressEvent(event);
}

void CheckedComboBox::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_dropDown->setFont(font());
        updateGeometry();
        layoutParts();
    }
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

void CheckedComboBox::refresh() {
    const QString shown = Text();
    if (m_edit->text() == shown)
        return;
    m_edit->setText(shown);
    // A long text shows from its start.
    m_edit->setCursorPosition(0);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, shown);
        QAccessible::updateAccessibility(&event);
    }
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

void CheckedComboBox::layoutParts() {
    const QRect inner = contentsRect();
    const int buttonHeight = std::max(0, height() - 2);
    m_button->setGeometry(inner.right() + 1 - buttonWidth, (height() - buttonHeight) / 2,
                          buttonWidth, buttonHeight);
    m_edit->setGeometry(inner.left(), inner.top(),
                        std::max(0, m_button->x() - fieldGap - inner.left()), inner.height());
}

void CheckedComboBox::paintField(const QColor& base) {
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Base, base);
    m_edit->setPalette(palette);
}

void CheckedComboBox::notify(const QString& text) const {
    if (m_notice)
        m_notice(text);
    else
        qWarning().noquote() << text;
}
