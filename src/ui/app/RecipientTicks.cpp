// The main window's check marks and search.
#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

void MainWindow::recipientTicked(int row) {
    // A tick made from the keyboard comes without a selection step: the
    // editors may still hold edits the user has not been asked about.
    offerToSaveChanges();
    showSelectedRecords();
    if (row < 0 || row >= m_recipients->count())
        return;
    try {
        w.addressBook.storeTick(m_recipients->text(row), m_recipients->isChecked(row));
    } catch (...) {
        // The tick the user made is not stored: it must not stay on screen.
        showStoredTicks();
        throw;
    }
}

void MainWindow::toggleAllTicks() {
    if (m_recipients->count() == 0)
        return;
    CheckListModel& lines = m_recipients->lines();
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

void MainWindow::storeTicks() {
    // Ticks are stored as they are made, so mostly nothing differs: then nothing is
    // written, and a file that another program holds or that is read-only is no error.
    try {
        w.addressBook.storeTicks(m_recipients->lines().entries());
    } catch (const std::exception& e) {
        showStoredTicks();
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::showStoredTicks() {
    // Read again when the file lets us; otherwise the rows as last read are the best
    // account of it, and a write that failed changed none of them.
    w.addressBook.tryRereadRecipients();
    CheckListModel& lines = m_recipients->lines();
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
    m_recipients->lines().setLines(std::move(ticked));
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
            openAddressBook(server, w.profileStore->ini());
        return;
    }
    if (seen < 0 || seen == m_othersSeen)
        return;
    m_othersSeen = seen;
    showOthersChanges();
}

void MainWindow::showOthersChanges() {
    const QString recipient = m_recipients->currentText();
    const QListWidgetItem* senderItem = m_senders->currentItem();
    const QString sender = senderItem ? senderItem->text() : QString();
    w.addressBook.rereadAll();
    readGroupFilter();
    if (!m_searchText->text().isEmpty()) {
        search();
    } else if (m_showingAll) {
        refillLists();
    } else {
        listTicked();
        m_recipients->setCurrentRow(0);
    }
    selectRecipientLine(recipient);
    selectSenderLine(sender);
    showSelectedRecords();
}

void MainWindow::search() {
    const QString searchText = m_searchText->text();
    if (searchText.isEmpty()) {
        if (m_showingAll && m_recipients->lines().checkedCount() > 0) {
            listTicked();
            m_showingAll = false;
            m_recipients->setCurrentRow(0);
            showSelectedRecords();
        } else {
            refillLists();
            m_showingAll = true;
        }
        return;
    }

    if (recipientPage()) {
        m_recipients->lines().setLines(
            w.addressBook.findRecipients(searchText, m_wholeName->isChecked()));
    } else {
        m_senders->clear();
        m_senders->addItems(w.addressBook.findSenders(searchText, m_wholeName->isChecked()));
    }
    selectFirstLines();
}
