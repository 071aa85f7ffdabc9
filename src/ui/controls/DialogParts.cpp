#include "ui/controls/DialogParts.h"

#include <QGridLayout>
#include <QPushButton>

QPushButton* dialogButton(const QString& text, const char* programName, bool isDefault,
                          QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    button->setAccessibleDescription(QString::fromLatin1(programName));
    button->setObjectName(QString::fromLatin1(programName));
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
