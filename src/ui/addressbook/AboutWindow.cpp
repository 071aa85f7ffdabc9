#include "ui/addressbook/AboutWindow.h"

#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Windows.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AboutWindow::AboutWindow(Windows& windows) : QDialog(windows.mainWindow) {
    setWindowTitle(QStringLiteral("О программе Envalo"));
    setFixedSize(317, 257);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(224, 230, 226));
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QGridLayout(this);
    m_version =
        new QLabel(QStringLiteral("Версия программы ") + windows.mainWindow->appVersion(), this);
    m_version->setObjectName(QString::fromLatin1(ControlNames::Book::aboutVersion));
    auto* emblem = new QLabel(this);
    emblem->setPixmap(envelopeIcon().pixmap(64, 64));
    emblem->setFixedSize(73, 73);
    emblem->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("<b>Печать конвертов</b>"), this);
    auto* purpose = new QLabel(
        QStringLiteral("Адреса получателей и отправителей на почтовых конвертах и бланках"), this);
    purpose->setWordWrap(true);
    m_edition = new QLabel(QStringLiteral("Envalo, версия 1.0b (32bit) (07.07.2008)"), this);
    m_edition->setObjectName(QString::fromLatin1(ControlNames::Book::aboutEdition));
    m_settingsFile = new QLabel(
        QStringLiteral("INI-File: ") + windows.appdir + QStringLiteral("envalo.ini"), this);
    m_settingsFile->setObjectName(QString::fromLatin1(ControlNames::Book::aboutSettingsFile));
    m_settingsFile->setWordWrap(true);
    m_settingsFile->setFixedWidth(281);
    m_settingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QString::fromLatin1(ControlNames::Book::aboutOk));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    layout->addWidget(m_version, 0, 0, 1, 2);
    layout->addWidget(emblem, 1, 0, 2, 1);
    layout->addWidget(name, 1, 1);
    layout->addWidget(purpose, 2, 1);
    layout->addWidget(m_edition, 3, 0, 1, 2);
    layout->addWidget(m_settingsFile, 4, 0, 1, 2);
    layout->addWidget(m_ok, 5, 0, 1, 2, Qt::AlignHCenter);
}
