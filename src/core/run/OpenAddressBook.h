#pragma once

#include "core/addressbook/AddressDb.h"
#include "core/addressbook/AddressImport.h"
#include "core/run/AddressBook.h"
#include "core/run/AddressRules.h"
#include "core/run/ProfileMove.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class IniFile;

// The address book the windowed program has open: the database, file or server, with a
// cursor on each of its three tables, and the group filter of the recipient list. The
// windows ask it for what they show and tell it what the user changed; none of them holds
// the database or a cursor. Records are found by name as the cursors find them: the first
// row in table order whose name equals the text, letter case aside. Every change is written
// through at once; a failure is thrown as UserError with the database's words.
class OpenAddressBook : public RecordsByName {
public:
    explicit OpenAddressBook(QString connectionName = QStringLiteral("envalo"));
    ~OpenAddressBook();
    OpenAddressBook(const OpenAddressBook&) = delete;
    OpenAddressBook& operator=(const OpenAddressBook&) = delete;

    // Opening, in three steps, so that a noted profile move is finished in between.
    // Closes what was open, then opens the file or server at `location` with its three
    // tables, adding the recipients' profile column that an older one lacks.
    void open(const QString& location);
    // Whether the last open() added the profile column.
    bool columnAdded() const { return m_columnAdded; }
    // Finishes the profile move the settings file notes (finishNotedMove).
    void finishNotedMove(IniFile& ini);
    // Reads the three tables; the group filter starts empty.
    void readTables();
    void close();
    bool isOpen() const { return m_db.isOpen(); }
    // Whether the tables were read: the lists can be shown and the ticks stored.
    bool isRead() const { return m_recipients && m_recipients->isOpen(); }
    // The file as opened, absolute, or the server's connection text.
    const QString& location() const { return m_db.path(); }
    void setBusyTimeout(int milliseconds) { m_db.setBusyTimeout(milliseconds); }
    // Opens the address book at `location` on a connection of its own and closes it again;
    // throws UserError with the reason it cannot be used.
    static void tryOpen(const QString& location);

    // Other workstations, on a server: see AddressDb::othersChanges and sessionEnded.
    qint64 othersChanges() { return m_db.othersChanges(); }
    bool sessionEnded() const { return m_db.sessionEnded(); }
    // Whether a walk that writes many rows is under way.
    bool inTransaction() const { return m_db.inTransaction(); }

    // One transaction for many changes; rolled back unless committed.
    class Transaction {
    public:
        explicit Transaction(OpenAddressBook& book) : m_transaction(book.m_db) {}
        void commit() { m_transaction.commit(); }

    private:
        AddressDb::Transaction m_transaction;
    };

    // Reading again what another program or workstation may have changed.
    void rereadRecipients();
    void rereadSenders();
    void rereadGroups();
    void rereadAll();
    // As those, where a failure leaves the rows as last read.
    void tryRereadRecipients();
    void tryRereadSenders();

    // Every recipient and sender as read, in table order.
    std::vector<RecipientRecord> recipients() const;
    std::vector<SenderRecord> senders() const;
    int recipientCount() const { return m_recipients->rowCount(); }
    int senderCount() const { return m_senders->rowCount(); }

    // The recipient list's lines under the group filter, each with its tick, in table order;
    // the list orders them by NameOrder.
    std::vector<std::pair<QString, bool>> listedRecipients() const;
    // The named recipients ticked, in table order.
    QStringList tickedRecipients() const;
    // The search: recipients or senders whose name holds the text, letter case aside, or
    // unless `whole` any of its words; each name once, in table order, recipients with
    // their ticks.
    std::vector<std::pair<QString, bool>> findRecipients(const QString& text, bool whole) const;
    QStringList findSenders(const QString& text, bool whole) const;

    // The record found for the name; none when no row has it.
    std::optional<RecipientRecord> recipient(const QString& name) const;
    // A print run's records: the same as recipient(), and the default sender's texts.
    std::optional<RecipientRecord> recipientNamed(const QString& name) const override {
        return recipient(name);
    }
    AddressTexts senderTexts() const override;
    // Whether another record than the one at `line` (letter case aside) has this name.
    bool recipientNameTaken(const QString& name, const QString& line) const;
    // Stores the record's columns into the row found for `line`; false when none has it.
    bool updateRecipient(const QString& line, const RecipientRecord& values);
    // A new recipient without address, unticked, in no group.
    void addRecipient(const QString& name, const QString& profile);
    // Deletes the row found for the name; false when none has it.
    bool removeRecipient(const QString& name);
    // The recipient's tick: stored; false when no row has the name.
    bool storeTick(const QString& name, bool ticked);
    // The tick stored for the name; none when no row has it.
    std::optional<bool> storedTick(const QString& name) const;
    // Read again, then every named row given the tick, all or none.
    void tickAll(const QStringList& names, bool ticked);
    // Read again, then each line's tick stored where it differs.
    void storeTicks(const std::vector<std::pair<QString, bool>>& lines);

    // The senders' list (senderLines) and the one it starts on (defaultSender).
    QStringList senderLines() const;
    std::optional<QString> defaultSenderName() const;
    std::optional<SenderRecord> sender(const QString& name) const;
    bool senderNameTaken(const QString& name, const QString& line) const;
    bool updateSender(const QString& line, const SenderRecord& values);
    // A new sender without address, and the default one from now on. A failure leaves the
    // senders read again.
    void addSender(const QString& name);
    bool removeSender(const QString& name);
    // The sender of this name becomes the default one, alone. A failure leaves the senders
    // read again.
    void markDefaultSender(const QString& name);

    // The groups in table order, with their ticks as stored.
    std::vector<GroupRecord> groups() const;
    QStringList groupNames() const;
    // The group filter of the recipient list: the groups ticked in the groups window.
    const QStringList& groupFilter() const { return m_groupFilter; }
    void setGroupFilter(QStringList groups) { m_groupFilter = std::move(groups); }
    // The filter as the groups table holds it.
    void readGroupFilter();
    // Whether a group has this name, letter case aside.
    bool groupExists(const QString& name) const;
    void addGroup(const QString& name);
    // The groups window's line `line`, named `name`: the row at that place in table order when
    // it has the name, else the first row found for it.
    void removeGroup(int line, const QString& name);
    // False when another program removed the group meanwhile; the groups are read again then.
    bool renameGroup(int line, const QString& name, const QString& newName);
    // Every line's tick, in one transaction; the filter becomes the ticked lines. A failure
    // leaves the groups read again and the filter as it was.
    void storeGroupTicks(const std::vector<std::pair<QString, bool>>& lines);
    // Ticks the group when it is not; true when it was not.
    bool showGroup(const QString& name);
    // A recipient's groups column; empty when no row has the name.
    QString recipientGroups(const QString& name) const;
    // False when no row has the name.
    bool setRecipientGroups(const QString& name, const QString& groups);

    // The changes that go beyond a record.
    void resetProfiles(const QString& profile) { m_db.resetProfiles(profile); }
    ProfileMove moveProfile(IniFile& ini, const QString& from, const QString& to) {
        return ProfileMove(ini, m_db, from, to);
    }
    ImportReport importAddresses(const AddressTable& table, const ImportOptions& options,
                                 const std::function<bool(int done, int total)>& progress);
    QByteArray exportAddresses(AddressPage page, const QStringList& names, ExportFormat format);

private:
    bool locateGroupLine(int line, const QString& name);

    AddressDb m_db;
    std::unique_ptr<TableCursor> m_recipients;
    std::unique_ptr<TableCursor> m_senders;
    std::unique_ptr<TableCursor> m_groups;
    QStringList m_groupFilter;
    bool m_columnAdded = false;
};
