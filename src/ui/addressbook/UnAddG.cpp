#include "ui/addressbook/UnAddG.h"

#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"
#include "ui/controls/DialogParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAddGroup::TAddGroup(Windows& windows) : QDialog(windows.mainWindow) {
    setWindowTitle(QStringLiteral("Новая группа"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    Label1 = new QLabel(QStringLiteral("Укажите название группы"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = promptField(Label1, Label1->text(), this);
    Button1 = dialogButton(QStringLiteral("Добавить"), "Button1", true, this);
    // No fixed accessible name: the caller changes the text, and the spoken name follows it.
    Button1->setAccessibleName(QString());
    Button2 = dialogButton(QStringLiteral("Отмена"), "Button2", false, this);
    layOutPrompt(layout, Label1, Edit1, Button1, Button2);
    // 169 x 87 is two pixels too narrow for the prompt at the default font here:
    // the window keeps that size where the fonts allow and grows where they need.
    setMinimumSize(169, 87);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, &TAddGroup::accept);
    connect(Button2, &QPushButton::clicked, this, &TAddGroup::reject);
}

void TAddGroup::setAction(const QString& action) {
    setWindowTitle(action);
    Button1->setText(action);
}

QString TAddGroup::name() const {
    return Edit1->text();
}

void TAddGroup::showEvent(QShowEvent* event) {
    Edit1->setFocus();
    Edit1->selectAll();
    QDialog::showEvent(event);
}

void TAddGroup::reject() {
    Edit1->clear();
    QDialog::reject();
}
