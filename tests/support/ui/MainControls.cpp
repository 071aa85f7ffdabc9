#include "MainControls.h"

#include "ui/addressbook/CheckList.h"
#include "ui/common/ControlNames.h"

#include <QComboBox>
#include <QLineEdit>

CheckList* recipientList(QWidget& main) {
    return control<CheckList>(main, ControlNames::Main::recipientList);
}

ListBox* senderList(QWidget& main) {
    return control<ListBox>(main, ControlNames::Main::senderList);
}

QLineEdit* nameField(QWidget& main) {
    return control<QLineEdit>(main, ControlNames::Main::recordName);
}

QComboBox* recipientProfile(QWidget& main) {
    return control<QComboBox>(main, ControlNames::Main::recipientProfile);
}
