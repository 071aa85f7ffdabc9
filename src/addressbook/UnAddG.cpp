#include "UnAddG.h"

#include "app/Envalo.h"
#include "app/Windows.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAddGroup::TAddGroup(Windows& windows) : QDialog(windows.frm) {
    setWindowTitle(QStringLiteral("Новая группа"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    Label1 = new QLabel(QStringLiteral("Укажите название группы"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setAccessibleName(Label1->text());
    Edit1->setAccessibleDescription(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    // No fixed accessible name: the caller changes the text, and the spoken name follows it.
    Button1->setAccessibleDescription(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setAccessibleName(Button2->text());
    Button2->setAccessibleDescription(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addWidget(Edit1, 1, 0, 1, 2);
    layout->addWidget(Button1, 2, 0);
    layout->addWidget(Button2, 2, 1);
    setFixedSize(169, 87);

    connect(Button1, &QPushButton::clicked, this, &TAddGroup::accept);
    connect(Button2, &QPushButton::clicked, this, &TAddGroup::reject);
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
