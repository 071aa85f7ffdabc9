#pragma once

#include "core/profiles/PrintProfile.h"
#include "core/run/AddressRules.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class AddressDb;

// The whole address book read at once, for a program that only reads it, under the rules
// of AddressRules.h that the main window follows too.
class AddressBook : public RecordsByName {
public:
    // Reads the three tables of an open database whole; throws UserError like the cursors.
    explicit AddressBook(AddressDb& db);

    const std::vector<RecipientRecord>& recipients() const { return m_recipients; }

    // The main window's recipient list: every named recipient in no group or in one of
    // the ticked groups, in the list's order.
    std::vector<const RecipientRecord*> listed() const;
    // Every named recipient, in the list's order.
    QStringList recipientNames() const;
    // The members of a group, in the list's order.
    QStringList members(const QString& group) const;
    // The groups in table order, as the groups window shows them.
    QStringList groupNames() const;
    // The group as stored: the exact name, else the one name equal to it letter case
    // aside; empty when there is none.
    QString groupNamed(const QString& name) const;

    // The record the main window loads for a line: the first row in table order whose
    // name equals the text, letter case aside; nullptr when none does.
    const RecipientRecord* recipient(const QString& name) const;
    // The sender the main window starts with: the first row named like the first one
    // marked as default; nullptr when none is marked.
    const SenderRecord* defaultSender() const;
    // The record recipient() finds, or an empty one (no texts, index 0) when there is none,
    // as the main window's editors show a name without a record.
    const RecipientRecord& recordOf(const QString& name) const;
    // What the main window's editors hold for this recipient and the default sender,
    // and so what an envelope prints.
    AddressTexts textsFor(const RecipientRecord& recipient) const;
    std::optional<RecipientRecord> recipientNamed(const QString& name) const override;
    AddressTexts senderTexts() const override;

private:
    std::vector<RecipientRecord> m_recipients;
    std::vector<SenderRecord> m_senders;
    std::vector<GroupRecord> m_groups;
    // Case-folded name to the first recipient row of that name.
    QHash<QString, qsizetype> m_byName;
    RecipientRecord m_none;
};
