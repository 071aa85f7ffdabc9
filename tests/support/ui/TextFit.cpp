#include "TextFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionToolButton>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <optional>

namespace {

QString nameOf(const QWidget& widget) {
    QString name = widget.accessibleDescription();
    if (name.isEmpty())
        name = widget.objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(widget.metaObject()->className());
    return name;
}

QString describe(const QWidget& widget, const QString& text) {
    return QStringLiteral("%1 «%2»").arg(nameOf(widget), text);
}

QString sizeText(QSize size) {
    return QStringLiteral("%1×%2").arg(size.width()).arg(size.height());
}

// The room a block of lines needs when laid out without wrapping.
QSize linesSize(const QFontMetrics& metrics, const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, metrics.height() + int(lines.size() - 1) * metrics.lineSpacing()};
}

QString withoutMnemonics(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

QString labelText(const QLabel& label) {
    const bool rich = label.textFormat() == Qt::RichText ||
                      (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
    if (!rich)
        return label.text();
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText();
}

void checkLabel(const QLabel& label, QStringList& faults) {
    const QString text = labelText(label);
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(label.font());
    QRect room = label.contentsRect();
    const int margin = label.margin();
    room.adjust(margin, margin, -margin, -margin);
    int indent = label.indent();
    if (indent < 0)
        indent = label.frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
    const Qt::Alignment align = label.alignment();
    if (align & (Qt::AlignLeft | Qt::AlignRight))
        room.setWidth(room.width() - indent);
    if (align & (Qt::AlignTop | Qt::AlignBottom))
        room.setHeight(room.height() - indent);

    QSize needed;
    if (label.wordWrap()) {
        needed = metrics
                     .boundingRect(QRect(0, 0, std::max(room.width(), 1), INT_MAX / 2),
                                   Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text)
                     .size();
    } else {
        needed = linesSize(metrics, text);
    }
    if (needed.width() > room.width() || needed.height() > room.height())
        faults << describe(label, text) + QStringLiteral(" needs %1, has %2")
                                              .arg(sizeText(needed), sizeText(room.size()));
}

QStyleOptionButton buttonOption(const QAbstractButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
        if (push->isFlat())
            option.features |= QStyleOptionButton::Flat;
        if (push->menu())
            option.features |= QStyleOptionButton::HasMenu;
        if (push->isDefault() || push->autoDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        if (push->isDefault())
            option.features |= QStyleOptionButton::DefaultButton;
    }
    return option;
}

// The rectangle a button's style draws its text into, or an empty optional
// when the button shows no text.
std::optional<QRect> buttonTextRoom(const QAbstractButton& button) {
    const QStyle* style = button.style();
    const QFontMetrics metrics(button.font());
    if (const auto* tool = qobject_cast<const QToolButton*>(&button)) {
        QStyleOptionToolButton option;
        option.initFrom(tool);
        Qt::ToolButtonStyle look = tool->toolButtonStyle();
        if (look == Qt::ToolButtonFollowStyle)
            look = Qt::ToolButtonStyle(style->styleHint(QStyle::SH_ToolButtonStyle, nullptr, tool));
        const bool hasPicture = !tool->icon().isNull() || tool->arrowType() != Qt::NoArrow;
        if (hasPicture && look == Qt::ToolButtonIconOnly)
            return std::nullopt;
        option.subControls = QStyle::SC_ToolButton;
        if (tool->popupMode() == QToolButton::MenuButtonPopup)
            option.subControls |= QStyle::SC_ToolButtonMenu;
        QRect room =
            style->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButton, tool);
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, tool);
        room.adjust(frame, frame, -frame, -frame);
        if (hasPicture && look == Qt::ToolButtonTextBesideIcon)
            room.setLeft(room.left() + tool->iconSize().width() + 4);
        if (hasPicture && look == Qt::ToolButtonTextUnderIcon)
            room.setTop(room.bottom() - metrics.height());
        return room;
    }
    const QStyleOptionButton option = buttonOption(button);
    if (qobject_cast<const QCheckBox*>(&button))
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, &button);
    if (qobject_cast<const QRadioButton*>(&button))
        return style->subElementRect(QStyle::SE_RadioButtonContents, &option, &button);
    QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    if (!button.icon().isNull())
        room.setLeft(room.left() + button.iconSize().width() + 4);
    if (option.features & QStyleOptionButton::HasMenu)
        room.setRight(room.right() -
                      style->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button));
    return room;
}

void checkButton(const QAbstractButton& button, QStringList& faults) {
    const QString text = withoutMnemonics(button.text());
    if (text.isEmpty())
        return;
    const std::optional<QRect> room = buttonTextRoom(button);
    if (!room)
        return;
    const QSize needed = linesSize(QFontMetrics(button.font()), text);
    if (needed.width() > room->width() || needed.height() > room->height())
        faults << describe(button, text) + QStringLiteral(" needs %1, has %2")
                                               .arg(sizeText(needed), sizeText(room->size()));
}

void checkGroupBox(const QGroupBox& box, QStringList& faults) {
    const QString text = withoutMnemonics(box.title());
    if (text.isEmpty())
        return;
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (box.isCheckable())
        option.subControls |= QStyle::SC_GroupBoxCheckBox;
    option.textAlignment = box.alignment();
    const QRect title =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    if (!box.rect().contains(title))
        faults << describe(box, text) + QStringLiteral(" needs %1, has %2")
                                            .arg(sizeText(title.size()), sizeText(box.size()));
}

bool showsSomething(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    return qobject_cast<const QAbstractButton*>(&widget) != nullptr;
}

QString shownText(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return labelText(*label);
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return withoutMnemonics(button->text());
    return {};
}

} // namespace

QStringList textFaults(const QWidget& window) {
    // Layouts settle through posted events; measure what the user would see.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QStringList faults;
    const auto children = window.findChildren<QWidget*>();
    QList<const QWidget*> shown;
    for (const QWidget* child : children) {
        // Pop-up menus and other windows of their own are checked on their own.
        if (child->window() != window.window() || !child->isVisibleTo(&window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(child))
            checkLabel(*label, faults);
        else if (const auto* button = qobject_cast<const QAbstractButton*>(child))
            checkButton(*button, faults);
        else if (const auto* box = qobject_cast<const QGroupBox*>(child))
            checkGroupBox(*box, faults);
        if (!showsSomething(*child))
            continue;
        shown << child;
        const QWidget* parent = child->parentWidget();
        if (parent && !parent->rect().contains(child->geometry()))
            faults << describe(*child, shownText(*child)) +
                          QStringLiteral(" sticks out of %1").arg(nameOf(*parent));
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            const QWidget& a = *shown[i];
            const QWidget& b = *shown[j];
            if (a.parentWidget() != b.parentWidget() || !a.geometry().intersects(b.geometry()))
                continue;
            faults << describe(a, shownText(a)) + QStringLiteral(" overlaps ") +
                          describe(b, shownText(b));
        }
    }
    return faults;
}

void grabForReview(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("ENVALO_GRAB_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
