// Changes of the address book's records made in the main window: saving the editors, adding
// and deleting records.
#include "ui/app/RecordChanges.h"

#include "core/UserError.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/app/RecordEditors.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

namespace {

const QString nameExists = QStringLiteral("Такое название уже существует.");

} // namespace

RecordChanges::RecordChanges(Windows& windows, RecordsPane& pane, CheckList& recipients,
                             ListBox& senders)
    : w(windows), m_pane(pane), m_recipients(recipients), m_senders(senders) {}

void RecordChanges::offerToSaveChanges() {
    if (m_recipients.count() == 0 || !m_pane.formChanged())
        return;
    if (!w.messages.question(QStringLiteral("Данные были изменены, сохранить изменения?"),
                             QStringLiteral("Внимание"))) {
        m_pane.showSelectedRecords();
        return;
    }
    if (m_pane.recipientPage())
        m_pane.selectRecipientLine(m_pane.editors().loadedRecipient());
    else
        m_pane.selectSenderLine(m_pane.editors().loadedSender());
    try {
        saveRecord();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

bool RecordChanges::overwriteOthersChange(bool changed) {
    // Another workstation sharing the address book saved this record meanwhile: a
    // silent save would undo its work.
    if (!changed || w.messages.question(QStringLiteral("Запись изменена другим пользователем. "
                                                       "Перезаписать?"),
                                        applicationTitle()))
        return true;
    m_pane.showSelectedRecords();
    return false;
}

void RecordChanges::saveRecord() {
    if (m_pane.recipientPage())
        saveRecipient();
    else
        saveSender();
}

void RecordChanges::saveRecipient() {
    OpenAddressBook& book = w.addressBook;
    book.rereadRecipients();
    const QString line = m_recipients.currentText();
    if (!m_pane.editors().recipientComplete()) {
        m_pane.editors().focusMissingField(true);
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя."));
    }
    const std::optional<RecipientRecord> stored = book.recipient(line);
    if (!stored || m_pane.editors().holds(*stored))
        return;
    if (!overwriteOthersChange(m_pane.editors().changedSinceLoaded(*stored)))
        return;
    // The stored name is trimmed, so the duplicate test looks for the trimmed one.
    const QString name = m_pane.editors().recordName().trimmed();
    if (book.recipientNameTaken(name, line))
        throw UserError(nameExists);
    const int row = m_recipients.currentRow();
    const RecipientRecord values =
        m_pane.editors().recipientToStore(name, row >= 0 && m_recipients.isChecked(row));
    if (!book.updateRecipient(line, values))
        return;
    if (row >= 0)
        m_recipients.setCurrentRow(m_recipients.lines().rename(row, name));
    m_pane.showSelectedRecords();
}

void RecordChanges::saveSender() {
    // Read again where another workstation may have changed it, as for a recipient.
    OpenAddressBook& book = w.addressBook;
    book.rereadSenders();
    const QListWidgetItem* item = m_senders.currentItem();
    const QString line = item ? item->text() : QString();
    if (!m_pane.editors().senderComplete()) {
        m_pane.editors().focusMissingField(false);
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс отправителя."));
    }
    const QString name = m_pane.editors().senderName();
    if (book.senderNameTaken(name, line))
        throw UserError(nameExists);
    const std::optional<SenderRecord> stored = book.sender(line);
    if (!stored)
        return;
    if (!overwriteOthersChange(m_pane.editors().changedSinceLoaded(*stored)))
        return;
    if (!book.updateSender(line, m_pane.editors().senderToStore(name)))
        return;
    if (QListWidgetItem* current = m_senders.currentItem())
        current->setText(name);
    m_pane.showSelectedRecords();
}

bool RecordChanges::addRecord() {
    if (m_pane.recipientPage()) {
        w.newRecord->setPrompt(QStringLiteral("Название получателя"));
    } else {
        if (m_recipients.count() == 0)
            throw UserError(QStringLiteral("Сначала добавьте получателя."));
        w.newRecord->setPrompt(QStringLiteral("Название отправителя"));
    }
    w.messages.showModal(*w.newRecord);
    const QString name = w.newRecord->name();
    if (name.isEmpty())
        return false;
    OpenAddressBook& book = w.addressBook;
    if (m_pane.recipientPage()) {
        if (book.recipient(name))
            throw UserError(nameExists);
        book.addRecipient(name, m_pane.editors().firstProfile());
        m_recipients.setCurrentRow(m_recipients.lines().add(name, false));
    } else {
        if (book.sender(name))
            throw UserError(nameExists);
        book.addSender(name);
        m_senders.addItem(name);
        m_senders.setCurrentRow(m_senders.count() - 1);
    }
    m_pane.showSelectedRecords();
    return true;
}

void RecordChanges::deleteRecords() {
    offerToSaveChanges();
    if (m_pane.recipientPage())
        deleteRecipients();
    else
        deleteSender();
}
void RecordChanges::deleteRecipients() {
    const int position = m_recipients.currentRow();
    CheckListModel& lines = m_recipients.lines();
    std::vector<int> ticked;
    for (int row = 0; row < lines.count(); ++row)
        if (lines.isChecked(row))
            ticked.push_back(row);

    // Read again: another workstation may have deleted some of them meanwhile.
    OpenAddressBook& book = w.addressBook;
    book.rereadRecipients();
    QStringList gone;
    if (ticked.empty()) {
        if (position < 0)
            return;
        if (!book.removeRecipient(lines.text(position)))
            gone.append(lines.text(position));
        lines.removeAt(position);
        m_pane.clearEditors();
    } else {
        // Rows already deleted stay deleted when a later one fails; the lines
        // then show exactly what the database holds.
        std::vector<int> removed;
        OpenAddressBook::Transaction transaction(book);
        try {
            for (int row : ticked) {
                if (!book.removeRecipient(lines.text(row)))
                    gone.append(lines.text(row));
                removed.push_back(row);
            }
        } catch (...) {
            transaction.commit();
            lines.removeRows(removed);
            m_recipients.setCurrentRow(std::min(position, lines.count() - 1));
            m_pane.showSelectedRecords();
            throw;
        }
        transaction.commit();
        lines.removeRows(removed);
    }
    m_recipients.setCurrentRow(
        position >= 0 && position < m_recipients.count() ? position : m_recipients.count() - 1);
    m_pane.showSelectedRecords();
    tellGone(gone);
}

void RecordChanges::deleteSender() {
    const int position = m_senders.currentRow();
    if (position < 0)
        return;
    w.addressBook.rereadSenders();
    const QString name = m_senders.item(position)->text();
    const bool there = w.addressBook.removeSender(name);
    delete m_senders.takeItem(position);
    m_senders.setCurrentRow(position < m_senders.count() ? position : m_senders.count() - 1);
    m_pane.showSelectedRecords();
    tellGone(there ? QStringList{} : QStringList{name});
}

void RecordChanges::tellGone(const QStringList& names) {
    if (names.size() == 1)
        w.messages.notice(
            QStringLiteral("Запись «%1» уже удалена другим пользователем.").arg(names.front()));
    else if (names.size() > 1)
        w.messages.notice(QStringLiteral("Уже удалены другим пользователем: %1.")
                              .arg(names.join(QStringLiteral(", "))));
}
