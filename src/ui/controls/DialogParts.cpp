#include "ui/controls/DialogParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void setProgramName(QWidget* control, const QString& programName) {
    control->setAccessibleDescription(programName);
    control->setObjectName(programName);
}

QLineEdit* promptField(QLabel* label, const QString& spoken, const char* programName,
                       QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setAccessibleName(spoken);
    setProgramName(field, QString::fromLatin1(programName));
    label->setBuddy(field);
    return field;
}

QPushButton* dialogButton(const QString& text, const char* programName, bool isDefault,
                          QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    setProgramName(button, QString::fromLatin1(programName));
    button->setDefault(isDefault);
    button->setAutoDefault(isDefault);
    return button;
}

void layOutPrompt(QGridLayout* layout, QWidget* label, QWidget* field, QWidget* confirm,
                  QWidget* cancel) {
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(field, 1, 0, 1, 2);
    layout->addWidget(confirm, 2, 0);
    layout->addWidget(cancel, 2, 1);
}
