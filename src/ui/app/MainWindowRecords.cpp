// The main window's address book: the lists, loading, comparing, saving, adding
// and deleting recipient and sender records.
#include "ui/app/MainWindow.h"

#include "core/Numbers.h"
#include "core/UserError.h"
#include "core/addressbook/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/newr.h"
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

void MainWindow::loadlists() {
    cb2->clear();
    cb->lines().setLines(w.addressBook.listedRecipients());
    cb2->addItems(w.addressBook.senderLines());
    selectdefaults();
}

void MainWindow::selectdefaults() {
    if (cb->count() > 0)
        cb->setCurrentRow(0);
    if (const auto sender = w.addressBook.defaultSenderName())
        selectSenderLine(*sender);
    loadrecords();
}

void MainWindow::selectSenderLine(const QString& name) {
    for (int i = 0; i < cb2->count(); ++i) {
        if (cb2->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            cb2->setCurrentRow(i);
            return;
        }
    }
}

void MainWindow::selectRecipientLine(const QString& name) {
    for (int i = 0; i < cb->count(); ++i) {
        if (cb->text(i) == name) {
            cb->setCurrentRow(i);
            return;
        }
    }
}

void MainWindow::loadrecords() {
    if (!recipientPage() && cb->count() == 0)
        return;
    clearform();
    const QString recipientName = cb->currentText();
    const QListWidgetItem* senderItem = cb2->currentItem();
    const QString senderName = senderItem ? senderItem->text() : QString();

    // The editors show what an envelope prints for the records.
    const std::optional<RecipientRecord> recipient = w.addressBook.recipient(recipientName);
    const std::optional<SenderRecord> sender = w.addressBook.sender(senderName);
    const AddressTexts texts =
        printedTexts(recipient ? &*recipient : nullptr, sender ? &*sender : nullptr);

    m_loadedRecipient = recipient ? loaded(*recipient) : LoadedRecipient{};
    rname->setText(m_loadedRecipient.name);
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
    loadrecords();
    return false;
}

void MainWindow::clearform() {
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
        return r.profile != cbp->currentText() || QString::number(r.intyda) != intyda->text() ||
               r.kyda != editorText(kyda) || r.komy != editorText(komy) || r.name != rname->text();
    }
    const LoadedSender& s = m_loadedSender;
    return s.otkogo != editorText(otkogo) || s.otkyda != editorText(otkyda) ||
           QString::number(s.intyt) != intyt->text();
}

void MainWindow::checkchanges() {
    if (cb->count() == 0 || !formChanged())
        return;
    if (!w.messages.question(QStringLiteral("Данные были изменены, сохранить изменения?"),
                             QStringLiteral("Внимание"))) {
        loadrecords();
        return;
    }
    if (recipientPage())
        selectRecipientLine(m_loadedRecipient.name);
    else
        selectSenderLine(m_loadedSender.otkogo);
    try {
        saverecord();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

void MainWindow::saverecord() {
    if (recipientPage())
        saveRecipient();
    else
        saveSender();
}

void MainWindow::saveRecipient() {
    OpenAddressBook& book = w.addressBook;
    book.rereadRecipients();
    const QString line = cb->currentText();
    if (rname->text().isEmpty() || intyda->text().isEmpty())
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя."));
    const std::optional<RecipientRecord> stored = book.recipient(line);
    if (!stored)
        return;
    if (stored->profile == cbp->currentText() &&
        QString::number(stored->intyda) == intyda->text() && stored->kyda == editorText(kyda) &&
        stored->komy == editorText(komy) && stored->name == rname->text())
        return;
    if (!overwriteOthersChange(loaded(*stored) != m_loadedRecipient))
        return;
    // The stored name is trimmed, so the duplicate test looks for the trimmed one.
    const QString name = rname->text().trimmed();
    if (book.recipientNameTaken(name, line))
        throw UserError(nameExists);
    const int index = toWholeNumber(intyda->text());
    const int row = cb->currentRow();
    const bool ticked = row >= 0 && cb->isChecked(row);
    RecipientRecord values;
    values.name = name;
    values.komy = editorText(komy);
    values.kyda = editorText(kyda);
    values.intyda = index;
    values.ticked = ticked;
    values.profile = cbp->currentText();
    if (!book.updateRecipient(line, values))
        return;
    if (row >= 0)
        cb->setCurrentRow(cb->lines().rename(row, name));
    loadrecords();
}

void MainWindow::saveSender() {
    // Read again where another workstation may have changed it, as for a recipient.
    OpenAddressBook& book = w.addressBook;
    book.rereadSenders();
    const QListWidgetItem* item = cb2->currentItem();
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
    if (QListWidgetItem* current = cb2->currentItem())
        current->setText(name);
    loadrecords();
}

void MainWindow::addrecord() {
    if (recipientPage()) {
        w.newrec->setPrompt(QStringLiteral("Название получателя"));
    } else {
        if (cb->count() == 0)
            throw UserError(QStringLiteral("Сначала добавьте получателя."));
        w.newrec->setPrompt(QStringLiteral("Название отправителя"));
    }
    w.messages.showModal(*w.newrec);
    const QString name = w.newrec->name();
    if (name.isEmpty())
        return;
    OpenAddressBook& book = w.addressBook;
    if (recipientPage()) {
        if (book.recipient(name))
            throw UserError(nameExists);
        book.addRecipient(name, cbp->count() > 0 ? cbp->itemText(0) : QString());
        cb->setCurrentRow(cb->lines().add(name, false));
    } else {
        if (book.sender(name))
            throw UserError(nameExists);
        book.addSender(name);
        cb2->addItem(name);
        cb2->setCurrentRow(cb2->count() - 1);
    }
    loadrecords();
}

void MainWindow::deleterecords() {
    checkchanges();
    if (recipientPage())
        deleteRecipients();
    else
        deleteSender();
}

void MainWindow::deleteRecipients() {
    const int position = cb->currentRow();
    CheckListModel& lines = cb->lines();
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
        clearform();
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
            cb->setCurrentRow(std::min(position, lines.count() - 1));
            loadrecords();
            throw;
        }
        transaction.commit();
        lines.removeRows(removed);
    }
    cb->setCurrentRow(position >= 0 && position < cb->count() ? position : cb->count() - 1);
    loadrecords();
    tellGone(gone);
}

void MainWindow::deleteSender() {
    const int position = cb2->currentRow();
    if (position < 0)
        return;
    w.addressBook.rereadSenders();
    const QString name = cb2->item(position)->text();
    const bool there = w.addressBook.removeSender(name);
    delete cb2->takeItem(position);
    cb2->setCurrentRow(position < cb2->count() ? position : cb2->count() - 1);
    loadrecords();
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
    const QListWidgetItem* item = cb2->currentItem();
    if (!item)
        return;
    // A failure leaves the senders read again: the next search or list refill selects the
    // default sender from them.
    w.addressBook.markDefaultSender(item->text());
}

void MainWindow::applyPage() {
    const bool recipients = recipientPage();
    for (QWidget* editor : {static_cast<QWidget*>(komy), static_cast<QWidget*>(kyda),
                            static_cast<QWidget*>(intyda), static_cast<QWidget*>(rname)})
        editor->setEnabled(recipients);
    for (QWidget* editor : {static_cast<QWidget*>(otkogo), static_cast<QWidget*>(otkyda),
                            static_cast<QWidget*>(intyt)})
        editor->setEnabled(!recipients);
    loadrecords();
}

AddressTexts MainWindow::addressTexts() const {
    return {otkogo->toPlainText(), otkyda->toPlainText(), intyt->text(),
            komy->toPlainText(),   kyda->toPlainText(),   intyda->text()};
}
