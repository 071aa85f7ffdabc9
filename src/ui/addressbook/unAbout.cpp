#include "ui/addressbook/unAbout.h"

#include "ui/common/Icons.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TpAbout::TpAbout(Windows& windows) : QDialog(windows.mainWindow) {
    setWindowTitle(QStringLiteral("О программе Envalo"));
    setFixedSize(317, 257);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(224, 230, 226));
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QGridLayout(this);
    Label5 =
        new QLabel(QStringLiteral("Версия программы ") + windows.mainWindow->appVersion(), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    auto* emblem = new QLabel(this);
    emblem->setPixmap(envelopeIcon().pixmap(64, 64));
    emblem->setFixedSize(73, 73);
    emblem->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("<b>Печать конвертов</b>"), this);
    auto* purpose = new QLabel(
        QStringLiteral("Адреса получателей и отправителей на почтовых конвертах и бланках"), this);
    purpose->setWordWrap(true);
    Label3 = new QLabel(QStringLiteral("Envalo, версия 1.0b (32bit) (07.07.2008)"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(
        QStringLiteral("INI-File: ") + windows.appdir + QStringLiteral("envalo.ini"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setWordWrap(true);
    Label4->setFixedWidth(281);
    Label4->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    layout->addWidget(Label5, 0, 0, 1, 2);
    layout->addWidget(emblem, 1, 0, 2, 1);
    layout->addWidget(name, 1, 1);
    layout->addWidget(purpose, 2, 1);
    layout->addWidget(Label3, 3, 0, 1, 2);
    layout->addWidget(Label4, 4, 0, 1, 2);
    layout->addWidget(Button1, 5, 0, 1, 2, Qt::AlignHCenter);
}
