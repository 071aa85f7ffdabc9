// The main window's recipient groups: the filter of the recipient list and the
// commands that open the group windows.
#include "ui/app/MainWindow.h"

#include "core/addressbook/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/MemberGroupsWindow.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

void MainWindow::loadgroups() {
    w.addressBook.readGroupFilter();
}

void MainWindow::groupsClick() {
    checkchanges();
    w.messages.showModal(*w.groupsWindow);
}

void MainWindow::memberGroupsClick() {
    if (cb->currentRow() < 0)
        return;
    checkchanges();
    // The check may have saved the recipient under a new name.
    const QString recipient = cb->currentText();
    if (recipient.isEmpty())
        return;
    MemberGroupsWindow window(w, recipient);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return;
    loadlists();
    // The recipient stays selected while its groups still let it be listed.
    for (int row = 0; row < cb->count(); ++row) {
        if (cb->text(row) == recipient) {
            cb->setCurrentRow(row);
            loadrecords();
            break;
        }
    }
}
