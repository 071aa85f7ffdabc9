// The main window's address book: the lists, loading, comparing, saving, adding
// and deleting recipient and sender records.
#include "ui/app/Envalo.h"

#include "core/Numbers.h"
#include "core/UserError.h"
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

// Database texts keep CR LF between lines; the editors work with plain line feeds.
void setEditorText(QPlainTextEdit* editor, const QString& stored) {
    QString text = stored;
    text.replace(crlf, QStringLiteral("\n"));
    editor->setPlainText(text);
}

QString editorText(const QPlainTextEdit* editor) {
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), crlf);
    return text;
}

} // namespace

void Tfrm::loadlists() {
    cb2->clear();
    std::vector<std::pair<QString, bool>> recipients;
    recipients.reserve(size_t(table->rowCount()));
    for (table->first(); !table->eof(); table->next()) {
        QString name = table->text(QStringLiteral("name"));
        if (!name.isEmpty() && ingroups(table->text(QStringLiteral("groups"))))
            recipients.emplace_back(std::move(name), table->flag(QStringLiteral("galka")));
    }
    cb->lines().setLines(std::move(recipients));

    QStringList senders;
    QString previous;
    for (table2->first(); !table2->eof(); table2->next()) {
        QString name = table2->text(QStringLiteral("otkogo"));
        if (!name.isEmpty() && name != previous)
            senders.append(name);
        previous = std::move(name);
    }
    cb2->addItems(senders);
    selectdefaults();
}

void Tfrm::selectdefaults() {
    if (cb->count() > 0) {
        table->locate(cb->text(0));
        cb->setCurrentRow(0);
    }
    if (table2->locateMark())
        selectSenderLine(table2->text(QStringLiteral("otkogo")));
    loadrecords();
}

void Tfrm::selectSenderLine(const QString& name) {
    for (int i = 0; i < cb2->count(); ++i) {
        if (cb2->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) {
            cb2->setCurrentRow(i);
            return;
        }
    }
}

void Tfrm::selectRecipientLine(const QString& name) {
    for (int i = 0; i < cb->count(); ++i) {
        if (cb->text(i) == name) {
            cb->setCurrentRow(i);
            return;
        }
    }
}

void Tfrm::loadrecords() {
    if (!recipientPage() && cb->count() == 0)
        return;
    clearform();
    const QString recipientName = cb->currentText();
    const QListWidgetItem* senderItem = cb2->currentItem();
    const QString senderName = senderItem ? senderItem->text() : QString();

    m_loadedRecipient = {};
    if (table->locate(recipientName))
        m_loadedRecipient = storedRecipient();
    rname->setText(m_loadedRecipient.name);
    setEditorText(komy, m_loadedRecipient.komy);
    setEditorText(kyda, m_loadedRecipient.kyda);
    intyda->setText(QString::number(m_loadedRecipient.intyda));
    selectProfileEntry(m_loadedRecipient.profile);

    m_loadedSender = {};
    if (table2->locate(senderName))
        m_loadedSender = storedSender();
    setEditorText(otkogo, m_loadedSender.otkogo);
    setEditorText(otkyda, m_loadedSender.otkyda);
    intyt->setText(QString::number(m_loadedSender.intyt));
}

Tfrm::LoadedRecipient Tfrm::storedRecipient() const {
    return {table->text(QStringLiteral("name")), table->text(QStringLiteral("komy")),
            table->text(QStringLiteral("kyda")), table->text(QStringLiteral("profile")),
            table->integer(QStringLiteral("intyda"))};
}

Tfrm::LoadedSender Tfrm::storedSender() const {
    return {table2->text(QStringLiteral("otkogo")), table2->text(QStringLiteral("otkyda")),
            table2->integer(QStringLiteral("intyt"))};
}

bool Tfrm::overwriteOthersChange(bool changed) {
    // Another workstation sharing the address book saved this record meanwhile: a
    // silent save would undo its work.
    if (!changed || w.messages.question(QStringLiteral("Запись изменена другим пользователем. "
                                                       "Перезаписать?"),
                                        applicationTitle()))
        return true;
    loadrecords();
    return false;
}

void Tfrm::clearform() {
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

bool Tfrm::formChanged() const {
    if (recipientPage()) {
        const LoadedRecipient& r = m_loadedRecipient;
        return r.profile != cbp->currentText() || QString::number(r.intyda) != intyda->text() ||
               r.kyda != editorText(kyda) || r.komy != editorText(komy) || r.name != rname->text();
    }
    const LoadedSender& s = m_loadedSender;
    return s.otkogo != editorText(otkogo) || s.otkyda != editorText(otkyda) ||
           QString::number(s.intyt) != intyt->text();
}

void Tfrm::checkchanges() {
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

void Tfrm::saverecord() {
    if (recipientPage())
        saveRecipient();
    else
        saveSender();
}

void Tfrm::saveRecipient() {
    table->refresh();
    const QString line = cb->currentText();
    if (rname->text().isEmpty() || intyda->text().isEmpty())
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс получателя."));
    if (!table->locate(line))
        return;
    if (table->text(QStringLiteral("profile")) == cbp->currentText() &&
        QString::number(table->integer(QStringLiteral("intyda"))) == intyda->text() &&
        table->text(QStringLiteral("kyda")) == editorText(kyda) &&
        table->text(QStringLiteral("komy")) == editorText(komy) &&
        table->text(QStringLiteral("name")) == rname->text())
        return;
    if (!overwriteOthersChange(storedRecipient() != m_loadedRecipient))
        return;
    // The stored name is trimmed, so the duplicate test looks for the trimmed one.
    const QString name = rname->text().trimmed();
    if (table->locate(name) &&
        table->text(QStringLiteral("name")).compare(line, Qt::CaseInsensitive) != 0)
        throw UserError(nameExists);
    const int index = toWholeNumber(intyda->text());
    const int row = cb->currentRow();
    const bool ticked = row >= 0 && cb->isChecked(row);
    if (!table->locate(line))
        return;
    table->update({{QStringLiteral("name"), name},
                   {QStringLiteral("komy"), editorText(komy)},
                   {QStringLiteral("kyda"), editorText(kyda)},
                   {QStringLiteral("intyda"), index},
                   {QStringLiteral("galka"), ticked ? 1 : 0},
                   {QStringLiteral("profile"), cbp->currentText()}});
    if (row >= 0)
        cb->setCurrentRow(cb->lines().rename(row, name));
    loadrecords();
}

void Tfrm::saveSender() {
    // Read again where another workstation may have changed it, as for a recipient.
    table2->refresh();
    const QListWidgetItem* item = cb2->currentItem();
    const QString line = item ? item->text() : QString();
    if (otkogo->toPlainText().isEmpty() || intyt->text().isEmpty())
        throw UserError(QStringLiteral(
            "Нельзя сохранить заголовок письма, т.к. не указано имя или индекс отправителя."));
    const QString name = editorText(otkogo);
    if (table2->locate(name) &&
        table2->text(QStringLiteral("otkogo")).compare(line, Qt::CaseInsensitive) != 0)
        throw UserError(nameExists);
    if (!table2->locate(line))
        return;
    if (!overwriteOthersChange(storedSender() != m_loadedSender))
        return;
    if (!table2->locate(line))
        return;
    const int index = toWholeNumber(intyt->text());
    table2->update({{QStringLiteral("otkogo"), name},
                    {QStringLiteral("otkyda"), editorText(otkyda)},
                    {QStringLiteral("intyt"), index}});
    if (QListWidgetItem* current = cb2->currentItem())
        current->setText(name);
    loadrecords();
}

void Tfrm::addrecord() {
    if (recipientPage()) {
        w.newRecord->setPrompt(QStringLiteral("Название получателя"));
    } else {
        if (cb->count() == 0)
            throw UserError(QStringLiteral("Сначала добавьте получателя."));
        w.newRecord->setPrompt(QStringLiteral("Название отправителя"));
    }
    w.messages.showModal(*w.newRecord);
    const QString name = w.newRecord->name();
    if (name.isEmpty())
        return;
    if (recipientPage()) {
        if (table->locate(name))
            throw UserError(nameExists);
        table->insert(
            {{QStringLiteral("name"), name},
             {QStringLiteral("komy"), QString()},
             {QStringLiteral("kyda"), QString()},
             {QStringLiteral("galka"), 0},
             {QStringLiteral("intyda"), 0},
             {QStringLiteral("groups"), QString()},
             {QStringLiteral("profile"), cbp->count() > 0 ? cbp->itemText(0) : QString()}});
        cb->setCurrentRow(cb->lines().add(name, false));
    } else {
        if (table2->locate(name))
            throw UserError(nameExists);
        try {
            AddressDb::Transaction transaction(db);
            while (table2->locateMark())
                table2->update({{QStringLiteral("default"), 0}});
            table2->insert({{QStringLiteral("otkogo"), name},
                            {QStringLiteral("otkyda"), QString()},
                            {QStringLiteral("intyt"), 0},
                            {QStringLiteral("default"), 1}});
            transaction.commit();
        } catch (...) {
            rereadSenders();
            throw;
        }
        cb2->addItem(name);
        cb2->setCurrentRow(cb2->count() - 1);
    }
    loadrecords();
}

void Tfrm::deleterecords() {
    checkchanges();
    if (recipientPage())
        deleteRecipients();
    else
        deleteSender();
}

void Tfrm::deleteRecipients() {
    const int position = cb->currentRow();
    CheckListModel& lines = cb->lines();
    std::vector<int> ticked;
    for (int row = 0; row < lines.count(); ++row)
        if (lines.isChecked(row))
            ticked.push_back(row);

    // Read again: another workstation may have deleted some of them meanwhile.
    table->refresh();
    QStringList gone;
    if (ticked.empty()) {
        if (position < 0)
            return;
        if (table->locate(lines.text(position)))
            table->remove();
        else
            gone.append(lines.text(position));
        lines.removeAt(position);
        clearform();
    } else {
        // Rows already deleted stay deleted when a later one fails; the lines
        // then show exactly what the database holds.
        std::vector<int> removed;
        AddressDb::Transaction transaction(db);
        try {
            for (int row : ticked) {
                if (table->locate(lines.text(row)))
                    table->remove();
                else
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

void Tfrm::deleteSender() {
    const int position = cb2->currentRow();
    if (position < 0)
        return;
    table2->refresh();
    const QString name = cb2->item(position)->text();
    const bool there = table2->locate(name);
    if (there)
        table2->remove();
    delete cb2->takeItem(position);
    cb2->setCurrentRow(position < cb2->count() ? position : cb2->count() - 1);
    loadrecords();
    tellGone(there ? QStringList{} : QStringList{name});
}

void Tfrm::tellGone(const QStringList& names) {
    if (names.size() == 1)
        w.messages.notice(
            QStringLiteral("Запись «%1» уже удалена другим пользователем.").arg(names.front()));
    else if (names.size() > 1)
        w.messages.notice(QStringLiteral("Уже удалены другим пользователем: %1.")
                              .arg(names.join(QStringLiteral(", "))));
}

void Tfrm::moveDefaultMark() {
    const QListWidgetItem* item = cb2->currentItem();
    if (!item)
        return;
    const QString chosen = item->text();
    try {
        AddressDb::Transaction transaction(db);
        if (table2->locateMark())
            table2->update({{QStringLiteral("default"), 0}});
        if (table2->locate(chosen))
            table2->update({{QStringLiteral("default"), 1}});
        transaction.commit();
    } catch (...) {
        rereadSenders();
        throw;
    }
}

void Tfrm::rereadSenders() {
    // The rows as read hold the writes that the rollback undid; the next search or
    // list refill selects the default sender from them.
    try {
        table2->refresh();
    } catch (const std::exception&) {
    }
}

void Tfrm::applyPage() {
    const bool recipients = recipientPage();
    for (QWidget* editor : {static_cast<QWidget*>(komy), static_cast<QWidget*>(kyda),
                            static_cast<QWidget*>(intyda), static_cast<QWidget*>(rname)})
        editor->setEnabled(recipients);
    for (QWidget* editor : {static_cast<QWidget*>(otkogo), static_cast<QWidget*>(otkyda),
                            static_cast<QWidget*>(intyt)})
        editor->setEnabled(!recipients);
    loadrecords();
}

AddressTexts Tfrm::addressTexts() const {
    return {otkogo->toPlainText(), otkyda->toPlainText(), intyt->text(),
            komy->toPlainText(),   kyda->toPlainText(),   intyda->text()};
}
