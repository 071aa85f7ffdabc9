#pragma once

#include "core/addressbook/AddressDb.h"

#include <QString>
#include <optional>

class IniFile;

// A profile renamed or deleted changes two files: the settings file loses the profile's
// section, and the recipients of the address book that name the profile are given another
// name (the new one, or the profile that takes over from a deleted one). Neither file can
// join the other's transaction, so the settings file notes the move in its section "option"
// (the keys recipientsfrom and recipientsto), in the same replacement that changes the
// profiles; the address book commits after that, and the note goes once it has. A program
// stopped in between leaves the note, and the next start finishes the move before it reads
// the recipients. Moving the recipients twice gives what moving them once does, so a note
// whose move the address book already holds is finished harmlessly. An address book that
// predates this stays as it is; a settings file holds the note only between the two writes.
class ProfileMove {
public:
    // Finishes a move that an earlier change left noted, then moves the recipients of
    // `from` to `to` in a transaction of the address book, held until commit(). Throws
    // UserError when either cannot be done; nothing of this move is kept then.
    ProfileMove(IniFile& ini, AddressDb& db, QString from, QString to);
    ~ProfileMove();
    ProfileMove(const ProfileMove&) = delete;
    ProfileMove& operator=(const ProfileMove&) = delete;

    // Notes the move: one of the writes of the batch that changes the profiles.
    void note();
    // Once that batch is written: commits the address book, then removes the note. A note
    // that cannot be removed stays for the next start to finish again; the move is done.
    void commit();

private:
    IniFile& m_ini;
    AddressDb& m_db;
    QString m_from;
    QString m_to;
    std::optional<AddressDb::Transaction> m_transaction;
};

// At start, before the recipients are read: finishes the move the settings file notes,
// if any, and removes the note. True when there was one. Throws UserError naming both
// files when the address book cannot take it; the note then stays for the next start.
bool finishNotedMove(IniFile& ini, AddressDb& db);
