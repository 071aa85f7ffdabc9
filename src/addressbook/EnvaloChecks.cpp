// The main window's check marks and search.
#include "app/Envalo.h"

#include "CheckList.h"
#include "app/Messages.h"
#include "app/Windows.h"
#include "app/UserError.h"
#include "splittext.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSet>

void Tfrm::recipientTicked(int row) {
    // A tick made from the keyboard comes without a selection step: the
    // editors may still hold edits the user has not been asked about.
    checkchanges();
    loadrecords();
    if (row < 0 || row >= cb->count())
        return;
    if (table->locate(cb->text(row)))
        table->update({{QStringLiteral("galka"), cb->isChecked(row) ? 1 : 0}});
}

void Tfrm::checkAll() {
    if (cb->count() == 0)
        return;
    table->refresh();
    CheckListModel& lines = cb->lines();
    const bool state = !lines.isChecked(0);
    lines.setAllChecked(state);
    AddressDb::Transaction transaction(db);
    for (int row = 0; row < lines.count(); ++row)
        if (table->locate(lines.text(row)))
            table->update({{QStringLiteral("galka"), state ? 1 : 0}});
    transaction.commit();
    table->locate(cb->currentText());
}

void Tfrm::storechecks() {
    try {
        table->refresh();
        const CheckListModel& lines = cb->lines();
        AddressDb::Transaction transaction(db);
        try {
            for (int row = 0; row < lines.count(); ++row)
                if (table->locate(lines.text(row)))
                    table->update({{QStringLiteral("galka"), lines.isChecked(row) ? 1 : 0}});
        } catch (...) {
            // The marks stored before the error stay.
            transaction.commit();
            throw;
        }
        transaction.commit();
    } catch (const std::exception& e) {
        w.messages.notice(errorMessage(e));
    }
}

void Tfrm::findrecords() {
    const QString searchText = editfind->text();
    if (searchText.isEmpty()) {
        if (showall && cb->lines().checkedCount() > 0) {
            std::vector<std::pair<QString, bool>> ticked;
            for (table->first(); !table->eof(); table->next())
                if (table->flag(QStringLiteral("galka")) &&
                    !table->text(QStringLiteral("name")).isEmpty())
                    ticked.emplace_back(table->text(QStringLiteral("name")), true);
            cb->lines().setLines(std::move(ticked));
            showall = false;
            cb->setCurrentRow(0);
            table->locate(cb->currentText());
            loadrecords();
        } else {
            loadlists();
            showall = true;
        }
        return;
    }

    const bool recipients = recipientPage();
    TableCursor& cursor = recipients ? *table : *table2;
    const QString column = recipients ? QStringLiteral("name") : QStringLiteral("otkogo");
    const QString wanted = searchText.trimmed().toLower();
    const QStringList words =
        cb1->isChecked() ? QStringList{wanted} : splittext(wanted, QStringLiteral(" "));

    std::vector<std::pair<QString, bool>> found;
    QSet<QString> listed;
    for (cursor.first(); !cursor.eof(); cursor.next()) {
        const QString name = cursor.text(column);
        const QString lowered = name.toLower();
        for (const QString& word : words) {
            if (!word.isEmpty() && lowered.contains(word) && !listed.contains(name)) {
                listed.insert(name);
                found.emplace_back(name, recipients && cursor.flag(QStringLiteral("galka")));
            }
        }
    }
    if (recipients) {
        cb->lines().setLines(std::move(found));
    } else {
        cb2->clear();
        for (const auto& [name, ticked] : found)
            cb2->addItem(name);
    }
    selectdefaults();
}
