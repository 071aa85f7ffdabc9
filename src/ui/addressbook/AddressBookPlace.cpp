#include "ui/addressbook/AddressBookPlace.h"

#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/run/OpenAddressBook.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Messages.h"
#include "ui/controls/DialogParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

AddressBookPlace::AddressBookPlace(QWidget* parent, Messages& messages, const QString& current)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(QStringLiteral("Адресная книга"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Где хранится адресная книга:"), this));
    m_file = new QRadioButton(QStringLiteral("Файл Convert.mdb в папке программы"), this);
    setProgramName(m_file, QString::fromLatin1(ControlNames::Book::fileChoice));
    m_server = new QRadioButton(QStringLiteral("База данных на сервере PostgreSQL:"), this);
    setProgramName(m_server, QString::fromLatin1(ControlNames::Book::serverChoice));
    m_connection = new QLineEdit(current.trimmed(), this);
    setProgramName(m_connection, QString::fromLatin1(ControlNames::Book::connection));
    m_connection->setAccessibleName(QStringLiteral("Строка соединения с сервером"));
    m_connection->setPlaceholderText(QStringLiteral("postgresql://сервер:5432/база?user=имя"));
    m_connection->setMinimumWidth(360);
    auto* hint = new QLabel(QStringLiteral("Пароль не хранится в настройках: его берут из файла "
                                           "~/.pgpass или переменной PGPASSWORD."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(m_file);
    layout->addWidget(m_server);
    layout->addWidget(m_connection);
    layout->addWidget(hint);

    auto* buttons = new QHBoxLayout;
    auto* test = dialogButton(QStringLiteral("Проверить соединение"),
                              ControlNames::Book::tryConnection, false, this);
    auto* keep =
        dialogButton(QStringLiteral("Сохранить"), ControlNames::Book::keepPlace, true, this);
    auto* cancel =
        dialogButton(QStringLiteral("Отмена"), ControlNames::Book::cancelPlace, false, this);
    buttons->addWidget(test);
    buttons->addStretch();
    buttons->addWidget(keep);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    (current.trimmed().isEmpty() ? m_file : m_server)->setChecked(true);
    m_connection->setEnabled(m_server->isChecked());
    connect(m_server, &QRadioButton::toggled, m_connection, &QLineEdit::setEnabled);
    connect(test, &QPushButton::clicked, this, [this] {
        const QString failure = tryConnection();
        m_messages.notice(failure.isEmpty()
                              ? QStringLiteral("Соединение установлено, адресная книга доступна.")
                              : failure);
    });
    connect(keep, &QPushButton::clicked, this, &AddressBookPlace::accept);
    connect(cancel, &QPushButton::clicked, this, &AddressBookPlace::reject);
}

QString AddressBookPlace::location() const {
    return m_server->isChecked() ? m_connection->text().trimmed() : QString();
}

QString AddressBookPlace::tryConnection() const {
    const QString text = m_connection->text().trimmed();
    if (!text.startsWith(QLatin1String("postgresql://")) &&
        !text.startsWith(QLatin1String("postgres://")))
        return QStringLiteral("Строка соединения начинается с postgresql://, например "
                              "postgresql://сервер:5432/база?user=имя");
    try {
        OpenAddressBook::tryOpen(text);
    } catch (const std::exception& e) {
        return errorMessage(e);
    }
    return {};
}

void AddressBookPlace::accept() {
    if (m_server->isChecked()) {
        // A password in the text is never kept, whatever the connection says: the window stays
        // open for the text to be mended.
        try {
            AddressDb::refusePassword(location());
        } catch (const std::exception& e) {
            m_messages.notice(errorMessage(e) +
                              QStringLiteral("\r\nСтрока с паролем не сохраняется."));
            return;
        }
        const QString failure = tryConnection();
        if (!failure.isEmpty() &&
            !m_messages.question(failure + QStringLiteral("\r\nСохранить всё равно?"),
                                 windowTitle()))
            return;
    }
    QDialog::accept();
}
