// The main window's address book: the lists, loading, comparing, saving, adding
// and deleting recipient and sender records.
#include "ui/app/MainWindow.h"

#include "core/Numbers.h"
#include "core/UserError.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString nameExists = QStringLiteral("Такое название уже существует.");

QString editorText(const QPlainTextEdit* editor) {
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), crlf);
    return text;
}

} // namespace

void MainWindow::refillLists() {
    m_senders->clear();
    m_recipients->lines().setLines(w.addressBook.listedRecipients());
    m_senders->addItems(w.addressBook.senderLines());
    selectFirstLines();
}

void MainWindow::selectFirstLines() {
    if (m_recipients->count() > 0)
        m_recipients->setCurrentRow(0);
    if (const auto sender = w.addressBook.defaultSenderName())
        selectSenderLine(*sender);
    showSelectedRecords();
}

void MainWindow::selectSenderLine(const QString& name) {
    for (int i = 0; i < m_senders->count(); ++i) {
        if (m_senders->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            m_senders->setCurrentRow(i);
            return;
        }
    }
}

void MainWindow::selectRecipientLine(const QString& name) {
    for (int i = 0; i < m_recipients->count(); ++i) {
        if (m_recipients->text(i) == name) {
            m_recipients->setCurrentRow(i);
            return;
        }
    }
}

void MainWindow::showSelectedRecords() {
    if (!recipientPage() && m_recipients->count() == 0)
        return;
    clearEditors();
    const QString recipientName = m_recipients->currentText();
    const QListWidgetItem* senderItem = m_senders->currentItem();
    const QString senderName = senderItem ? senderItem->text() : QString();

    // The editors show what an envelope prints for the records.
    const std::optional<RecipientRecord> recipient = w.addressBook.recipient(recipientName);
    const std::optional<SenderRecord> sender = w.addressBook.sender(senderName);
    const AddressTexts texts =
        printedTexts(recipient ? &*recipient : nullptr, sender ? &*sender : nullptr);

    m_loadedRecipient = recipient ? loaded(*recipient) : LoadedRecipient{};
    m_name->setText(m_loadedRecipient.name);
    komy->setPlainText(texts.komy);
    kyda->setPlainText(texts.kyda);
    intyda->setText(texts.intyda);
    selectProfileEntry(m_loadedRecipient.profile);

    m_loadedSender = sender ? loaded(*sender) : LoadedSender{};
    otkogo->setPlainText(texts.otkogo);
    otkyda->setPlainText(texts.otkyda);
    intyt->setText(texts.intyt);
}

MainWindow::LoadedRecipient MainWindow::loaded(const RecipientRecord& r) {
    return {r.name, r.komy, r.kyda, r.profile, r.intyda};
}

MainWindow::LoadedSender MainWindow::loaded(const SenderRecord& s) {
    return {s.otkogo, s.otkyda, s.intyt};
}

bool MainWindow::overwriteOthersChange(bool changed) {
    // Another workstation sharing the address book saved this record meanwhile: a
    // silent save would undo its work.
    if (!changed || w.messages.question(QStringLiteral("Запись изменена другим пользователем. "
                                                       "Перезаписать?"),
                                        applicationTitle()))
        return true;
    showSelectedRecords();
    return false;
}

void MainWindow::clearEditors() {
    if (recipientPage()) {
        komy->clear();
        kyda->clear();
        intyda->clear();
    } else {
        otkogo->clear();
        otkyda->clear();
        intyt->clear();
    }
}

bool MainWindow::formChanged() const {
    if (recipientPage()) {
        const LoadedRecipient& r = m_loadedRecipient;
        return r.profile != m_profile->currentText() ||
               QString::number(r.intyda) != intyda->text() || r.kyda != editorText(kyda) ||
               r.komy != editorText(komy) || r.name != m_name->text();
    }
    const LoadedSender& s = m_loadedSender;
    return s.otkogo != editorText(otkogo) || s.otkyda != editorText(otkyda) ||
           QString::number(s.intyt) != intyt->text();
}

void MainWindow::offerToSaveChanges() {
    if (m_recipients->count() == 0 || !formChanged())
        return;
    if (!w.messages.question(QStringLiteral("Данные были изменены, сохранить изменения?"),
                             QStringLiteral("Внимание"))) {
        showSelectedRecords();
        return;
    }
    if (recipientPage())
        selectRecipientLine(m_loadedRecipient.name);
    else
        selectSenderLine(m_loadedSender.otkogo);
    try {
        saveRecord();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::saveRecord() {
    if (recipientPage())
        saveRecipient();
    else
        saveSender();
}

void MainWindow::saveRecipient() {
    OpenAddressBook& book = w.addressBook;
    book.rereadRecipients();
    const QString line = m_recipients->currentText();
    if (m_name->text().isEmpty() || intyda->text().isEmpty())
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя."));
    const std::optional<RecipientRecord> stored = book.recipient(line);
    if (!stored)
        return;
    if (stored->profile == m_profile->currentText() &&
        QString::number(stored->intyda) == intyda->text() && stored->kyda == editorText(kyda) &&
        stored->komy == editorText(komy) && stored->name == m_name->text())
        return;
    if (!overwriteOthersChange(loaded(*stored) != m_loadedRecipient))
        return;
    // The stored name is trimmed, so the duplicate test looks for the trimmed one.
    const QString name = m_name->text().trimmed();
    if (book.recipientNameTaken(name, line))
        throw UserError(nameExists);
    const int index = toWholeNumber(intyda->text());
    const int row = m_recipients->currentRow();
    const bool ticked = row >= 0 && m_recipients->isChecked(row);
    RecipientRecord values;
    values.name = name;
    values.komy = editorText(komy);
    values.kyda = editorText(kyda);
    values.intyda = index;
    values.ticked = ticked;
    values.profile = m_profile->currentText();
    if (!book.updateRecipient(line, values))
        return;
    if (row >= 0)
        m_recipients->setCurrentRow(m_recipients->lines().rename(row, name));
    showSelectedRecords();
}

void MainWindow::saveSender() {
    // Read again where another workstation may have changed it, as for a recipient.
    OpenAddressBook& book = w.addressBook;
    book.rereadSenders();
    const QListWidgetItem* item = m_senders->currentItem();
    const QString line = item ? item->text() : QString();
    if (otkogo->toPlainText().isEmpty() || intyt->text().isEmpty())
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс отправителя."));
    const QString name = editorText(otkogo);
    if (book.senderNameTaken(name, line))
        throw UserError(nameExists);
    const std::optional<SenderRecord> stored = book.sender(line);
    if (!stored)
        return;
    if (!overwriteOthersChange(loaded(*stored) != m_loadedSender))
        return;
    SenderRecord values;
    values.otkogo = name;
    values.otkyda = editorText(otkyda);
    values.intyt = toWholeNumber(intyt->text());
    if (!book.updateSender(line, values))
        return;
    if (QListWidgetItem* current = m_senders->currentItem())
        current->setText(name);
    showSelectedRecords();
}

void MainWindow::addRecord() {
    if (recipientPage()) {
        w.newRecord->setPrompt(QStringLiteral("Название получателя"));
    } else {
        if (m_recipients->count() == 0)
            throw UserError(QStringLiteral("Сначала добавьте получателя."));
        w.newRecord->setPrompt(QStringLiteral("Название отправителя"));
    }
    w.messages.showModal(*w.newRecord);
    const QString name = w.newRecord->name();
    if (name.isEmpty())
        return;
    OpenAddressBook& book = w.addressBook;
    if (recipientPage()) {
        if (book.recipient(name))
            throw UserError(nameExists);
        book.addRecipient(name, m_profile->count() > 0 ? m_profile->itemText(0) : QString());
        m_recipients->setCurrentRow(m_recipients->lines().add(name, false));
    } else {
        if (book.sender(name))
            throw UserError(nameExists);
        book.addSender(name);
        m_senders->addItem(name);
        m_senders->setCurrentRow(m_senders->count() - 1);
    }
    showSelectedRecords();
}

void MainWindow::deleteRecords() {
    offerToSaveChanges();
    if (recipientPage())
        deleteRecipients();
    else
        deleteSender();
}

void MainWindow::deleteRecipients() {
    const int position = m_recipients->currentRow();
    CheckListModel& lines = m_recipients->lines();
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
        clearEditors();
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
            m_recipients->setCurrentRow(std::min(position, lines.count() - 1));
            showSelectedRecords();
            throw;
        }
        transaction.commit();
        lines.removeRows(removed);
    }
    m_recipients->setCurrentRow(
        position >= 0 && position < m_recipients->count() ? position : m_recipients->count() - 1);
    showSelectedRecords();
    tellGone(gone);
}

void MainWindow::deleteSender() {
    const int position = m_senders->currentRow();
    if (position < 0)
        return;
    w.addressBook.rereadSenders();
    const QString name = m_senders->item(position)->text();
    const bool there = w.addressBook.removeSender(name);
    delete m_senders->takeItem(position);
    m_senders->setCurrentRow(position < m_senders->count() ? position : m_senders->count() - 1);
    showSelectedRecords();
    tellGone(there ? QStringList{} : QStringList{name});
}

void MainWindow::tellGone(const QStringList& names) {
    if (names.size() == 1)
        w.messages.notice(
            QStringLiteral("Запись «%1» уже удалена другим пользователем.").arg(names.front()));
    else if (names.size() > 1)
        w.messages.notice(QStringLiteral("Уже удалены другим пользователем: %1.")
                              .arg(names.join(QStringLiteral(", "))));
}

void MainWindow::moveDefaultMark() {
    const QListWidgetItem* item = m_senders->currentItem();
    if (!item)
        return;
    // A failure leaves the senders read again: the next search or list refill selects the
    // default sender from them.
    w.addressBook.markDefaultSender(item->text());
}

void MainWindow::applyPage() {
    const bool recipients = recipientPage();
    for (QWidget* editor : {static_cast<QWidget*>(komy), static_cast<QWidget*>(kyda),
                            static_cast<QWidget*>(intyda), static_cast<QWidget*>(m_name)})
        editor->setEnabled(recipients);
    for (QWidget* editor : {static_cast<QWidget*>(otkogo), static_cast<QWidget*>(otkyda),
                            static_cast<QWidget*>(intyt)})
        editor->setEnabled(!recipients);
    showSelectedRecords();
}

AddressTexts MainWindow::addressTexts() const {
    return {otkogo->toPlainText(), otkyda->toPlainText(), intyt->text(),
            komy->toPlainText(),   kyda->toPlainText(),   intyda->text()};
}
