#include "ui/controls/CheckedComboBox.h"

#include "ui/controls/CheckedComboBoxDropDown.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <algorithm>

namespace {

constexpr int buttonWidth = 16;
constexpr int fieldGap = 3;

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

} // namespace

void CheckedComboBox::makeField() {
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
