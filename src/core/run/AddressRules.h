#pragma once

#include "core/profiles/PrintProfile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The rows of the address book as the program reads them, in table order; an empty value
// reads as "", 0 or false.
struct RecipientRecord {
    QString name, komy, kyda;
    qint64 intyda = 0;
    bool ticked = false;
    // Group names separated by ";".
    QString groups;
    // The recipient's print profile; read only where a window shows it.
    QString profile;
};
struct SenderRecord {
    QString otkogo, otkyda;
    qint64 intyt = 0;
    bool isDefault = false;
};
struct GroupRecord {
    QString name;
    // Ticked in the groups window: its members are listed in the main window.
    bool checked = false;
};

// The rules of the recipient list, the sender and the envelope's texts, for the main window
// and the command line alike.

// The group filter: the names of the ticked groups, in table order.
QStringList tickedGroups(const std::vector<GroupRecord>& groups);
// Whether a recipient with this groups column is listed: it is in no group, or in one of
// the ticked ones (compared exactly).
bool listedUnderGroups(const QString& recipientGroups, const QStringList& tickedGroups);
// Whether the groups column names the group, exactly.
bool memberOf(const QString& recipientGroups, const QString& group);

// The recipient list: every named recipient listed under the group filter, in the list's
// order (NameOrder).
std::vector<const RecipientRecord*> listedRecipients(const std::vector<RecipientRecord>& records,
                                                     const QStringList& tickedGroups);
// The sender list: the named senders in table order, a name repeated on the next row shown
// once.
QStringList senderLines(const std::vector<SenderRecord>& senders);
// The default sender: the first row named like the first one marked as default, letter case
// aside; nullptr when none is marked.
const SenderRecord* defaultSender(const std::vector<SenderRecord>& senders);

// A name or a search text as the search compares them: lower case, and «ё» read as «е»,
// which people type for it more often than not.
QString searchForm(const QString& text);

// A stored text as an envelope prints it and the main window's editors show it: lines end
// with LF, and the characters a multi-line editor keeps as line or paragraph ends or as a
// plain space become those, so that the editor gives the text back unchanged.
QString asEditorText(const QString& stored);
// An index as an envelope prints it and the main window's field shows it: 0, which a record
// added in the window gets and the address book keeps, is no index and reads as "".
QString indexText(qint64 index);
// What an envelope prints for this recipient and sender; a missing one prints empty texts
// and no index.
AddressTexts printedTexts(const RecipientRecord* recipient, const SenderRecord* sender);
// The same with the sender's texts given: its fields otkogo, otkyda and intyt are taken.
AddressTexts printedTexts(const RecipientRecord& recipient, const AddressTexts& sender);

// Records found by name as the main window's lists find them, for a print run: the whole
// book read at once (the command line) or the cursors of the book the window has open,
// whose records the window's editors show as the run goes.
class RecordsByName {
public:
    virtual ~RecordsByName() = default;
    // The recipient found for a list line: the first row in table order whose name equals
    // the text, letter case aside; none when no row has it.
    virtual std::optional<RecipientRecord> recipientNamed(const QString& name) const = 0;
    // The default sender as the main window's editors hold it (the recipient's texts empty).
    virtual AddressTexts senderTexts() const = 0;
};
