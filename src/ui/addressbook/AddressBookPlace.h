#pragma once

#include <QDialog>

class Messages;
class QLineEdit;
class QRadioButton;

// Where the address book is kept: the file Convert.mdb in the program folder, or a
// database on a PostgreSQL server that several workstations share. The connection can
// be tried before it is kept; one that fails is kept only when the user says so, and one
// that carries a password never.
class AddressBookPlace : public QDialog {
    Q_OBJECT

public:
    // current: the settings' text, empty for the file.
    AddressBookPlace(QWidget* parent, Messages& messages, const QString& current);

    // The text to keep: empty for the file, else the connection text.
    QString location() const;

    void accept() override;

private:
    // The connection tried: empty when it works, else why it does not.
    QString tryConnection() const;

    Messages& m_messages;
    QRadioButton* m_file = nullptr;
    QRadioButton* m_server = nullptr;
    QLineEdit* m_connection = nullptr;
};
