#include "MainControls.h"

#include "ui/addressbook/CheckList.h"

#include <QComboBox>
#include <QLineEdit>

CheckList* recipientList(QWidget& main) {
    return control<CheckList>(main, "cb");
}

ListBox* senderList(QWidget& main) {
    return control<ListBox>(main, "cb2");
}

QLineEdit* nameField(QWidget& main) {
    return control<QLineEdit>(main, "rname");
}

QComboBox* recipientProfile(QWidget& main) {
    return control<QComboBox>(main, "cbp");
}
