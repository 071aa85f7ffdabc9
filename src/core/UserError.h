#pragma once

#include <QString>
#include <stdexcept>

// An operation's failure that the user is told about: the text is shown as it stands.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

// The user's text of any error that escaped an operation.
inline QString errorMessage(const std::exception& e) {
    if (auto* user = dynamic_cast<const UserError*>(&e))
        return user->message();
    return QString::fromUtf8(e.what());
}
