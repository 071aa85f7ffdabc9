#include "ui/controls/CheckedComboBoxAccessible.h"

#include "ui/controls/CheckedComboBox.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

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

void installCheckedComboBoxAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
