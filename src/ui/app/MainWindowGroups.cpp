// The main window's recipient groups: the filter of the recipient list and the
// commands that open the group windows.
#include "ui/app/MainWindow.h"

#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/MemberGroupsWindow.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

void MainWindow::readGroupFilter() {
    w.addressBook.readGroupFilter();
}

void MainWindow::openGroups() {
    offerToSaveChanges();
    w.messages.showModal(*w.groupsWindow);
}

void MainWindow::openMemberGroups() {
    if (m_recipients->currentRow() < 0)
        return;
    offerToSaveChanges();
    // The check may have saved the recipient under a new name.
    const QString recipient = m_recipients->currentText();
    if (recipient.isEmpty())
        return;
    MemberGroupsWindow window(w, recipient);
    if (w.messages.showModal(window) != QDialog::Accepted)
        return;
    refillLists();
    // The recipient stays selected while its groups still let it be listed.
    for (int row = 0; row < m_recipients->count(); ++row) {
        if (m_recipients->text(row) == recipient) {
            m_recipients->setCurrentRow(row);
            showSelectedRecords();
            break;
        }
    }
}
