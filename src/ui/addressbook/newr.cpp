#include "ui/addressbook/newr.h"

#include "core/UserError.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/DialogParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Tnewrec::Tnewrec(Windows& windows) : QDialog(windows.mainWindow), w(windows) {
    setWindowTitle(QStringLiteral("Новая запись"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    Label1 = new QLabel(QStringLiteral("Название получателя:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = promptField(Label1, QStringLiteral("Название"), this);
    Edit1->setFixedWidth(221);
    Button2 = dialogButton(QStringLiteral("Добавить"), "Button2", true, this);
    Button1 = dialogButton(QStringLiteral("Отмена"), "Button1", false, this);
    layOutPrompt(layout, Label1, Edit1, Button2, Button1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button2, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, &Tnewrec::reject);
}

void Tnewrec::setPrompt(const QString& text) {
    Label1->setText(text);
}

QString Tnewrec::name() const {
    return Edit1->text();
}

void Tnewrec::showEvent(QShowEvent* event) {
    Edit1->clear();
    Edit1->setFocus();
    QDialog::showEvent(event);
}

void Tnewrec::Button2Click() {
    Edit1->setText(Edit1->text().trimmed());
    if (Edit1->text().isEmpty())
        throw UserError(QStringLiteral("Введите название"));
    accept();
}

void Tnewrec::reject() {
    Edit1->clear();
    QDialog::reject();
}
