// The main window's check marks and search.
#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/addressbook/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/Options1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

void MainWindow::recipientTicked(int row) {
    // A tick made from the keyboard comes without a selection step: the
    // editors may still hold edits the user has not been asked about.
    checkchanges();
    loadrecords();
    if (row < 0 || row >= cb->count())
        return;
    try {
        w.addressBook.storeTick(cb->text(row), cb->isChecked(row));
    } catch (...) {
        // The tick the user made is not stored: it must not stay on screen.
        showStoredTicks();
        throw;
    }
}

void MainWindow::checkAll() {
    if (cb->count() == 0)
        return;
    CheckListModel& lines = cb->lines();
    const bool state = !lines.isChecked(0);
    // The lines change once the file holds the new state, so that a store that fails
    // (the file held by another program, say) leaves every tick as stored.
    try {
        w.addressBook.tickAll(lines.texts(), state);
    } catch (...) {
        showStoredTicks();
        throw;
    }
    lines.setAllChecked(state);
}

void MainWindow::storechecks() {
    // Ticks are stored as they are made, so mostly nothing differs: then nothing is
    // written, and a file that another program holds or that is read-only is no error.
    try {
        w.addressBook.storeTicks(cb->lines().entries());
    } catch (const std::exception& e) {
        showStoredTicks();
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::showStoredTicks() {
    // Read again when the file lets us; otherwise the rows as last read are the best
    // account of it, and a write that failed changed none of them.
    w.addressBook.tryRereadRecipients();
    CheckListModel& lines = cb->lines();
    for (int row = 0; row < lines.count(); ++row) {
        const std::optional<bool> stored = w.addressBook.storedTick(lines.text(row));
        if (stored && lines.isChecked(row) != *stored)
            lines.setChecked(row, *stored);
    }
}

void MainWindow::listTicked() {
    std::vector<std::pair<QString, bool>> ticked;
    for (QString& name : w.addressBook.tickedRecipients())
        ticked.emplace_back(std::move(name), true);
    cb->lines().setLines(std::move(ticked));
}

void MainWindow::othersChangesStep() {
    // A question, an import or the print run works with the lists as they are; so does a
    // user typing or holding an unsaved record.
    OpenAddressBook& book = w.addressBook;
    if (m_printing || book.inTransaction() || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget() || formChanged())
        return;
    const QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused) &&
        (qobject_cast<const QLineEdit*>(focused) || qobject_cast<const QPlainTextEdit*>(focused)))
        return;
    const qint64 seen = book.othersChanges();
    if (seen < 0 && book.sessionEnded()) {
        // The user is asked rather than the window connecting by itself: a connection from the
        // timer would hold the window for as long as libpq waits on a broken network, time
        // after time. Asked once, as the steps stop with it; after "no" every action says the
        // link broke, as before, until the address book is opened again.
        if (!m_othersChanges.isActive())
            return;
        m_othersChanges.stop();
        const QString server = book.location();
        if (w.messages.question(
                QStringLiteral("Связь с сервером базы данных «%1» прервалась: изменения, "
                               "сделанные на других рабочих местах, больше не показываются. "
                               "Подключиться к серверу заново?")
                    .arg(server),
                applicationTitle()))
            openAddressBook(server, w.opt->ini());
        return;
    }
    if (seen < 0 || seen == m_othersSeen)
        return;
    m_othersSeen = seen;
    showOthersChanges();
}

void MainWindow::showOthersChanges() {
    const QString recipient = cb->currentText();
    const QListWidgetItem* senderItem = cb2->currentItem();
    const QString sender = senderItem ? senderItem->text() : QString();
    w.addressBook.rereadAll();
    loadgroups();
    if (!editfind->text().isEmpty()) {
        findrecords();
    } else if (showall) {
        loadlists();
    } else {
        listTicked();
        cb->setCurrentRow(0);
    }
    selectRecipientLine(recipient);
    selectSenderLine(sender);
    loadrecords();
}

void MainWindow::findrecords() {
    const QString searchText = editfind->text();
    if (searchText.isEmpty()) {
        if (showall && cb->lines().checkedCount() > 0) {
            listTicked();
            showall = false;
            cb->setCurrentRow(0);
            loadrecords();
        } else {
            loadlists();
            showall = true;
        }
        return;
    }

    if (recipientPage()) {
        cb->lines().setLines(w.addressBook.findRecipients(searchText, cb1->isChecked()));
    } else {
        cb2->clear();
        cb2->addItems(w.addressBook.findSenders(searchText, cb1->isChecked()));
    }
    selectdefaults();
}
