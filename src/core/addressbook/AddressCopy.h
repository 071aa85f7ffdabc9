#pragma once

#include "core/UserError.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class AddressDb;

// The rows of each table of the address book a copy carried.
struct CopyCounts {
    int recipients = 0;
    int senders = 0;
    int groups = 0;
};

// A copy refused because the address book it was to fill holds rows already; the text names
// it and what it holds. `counts` are its rows.
class AddressBookNotEmpty : public UserError {
public:
    AddressBookNotEmpty(const QString& message, CopyCounts counts)
        : UserError(message), m_counts(counts) {}
    CopyCounts counts() const { return m_counts; }

private:
    CopyCounts m_counts;
};

// Copies the three tables of the address book `from` into `to`, both open, whatever each is
// kept in (a file or a server): every row with its id, so that the lists keep their order, and
// every column both tables have, each value as it is (text, integer or NULL). The recipients'
// ticks are read as the program reads them and stored as the program stores them. A column of
// `from` that `to` lacks is an error, but for profile, which `to` gains as the program adds it
// at start; `from` without profile leaves it empty in `to`.
//
// One transaction on `to`: everything arrives or nothing changes. `to` holding any row is
// refused with AddressBookNotEmpty unless `replace`, which deletes its rows first within the
// same transaction. On a server, rows added later get ids after the largest copied one.
// `from` is only read, within one read of its own, so that its tables match each other.
// Throws UserError saying what is wrong.
CopyCounts copyAddressBook(AddressDb& from, AddressDb& to, bool replace);

// One table's rows in table order, each value as the database gives it.
struct TableRows {
    QString table;
    QStringList columns;
    std::vector<QVariantList> rows;
};

// The same copy from rows read elsewhere (an address book of another format): the three tables
// in the order of AddressDb::addressTables(), the recipients' ticks as 0 or 1 in "galka".
// `fromShown` names the source in messages.
CopyCounts copyAddressBook(const std::vector<TableRows>& from, const QString& fromShown,
                           AddressDb& to, bool replace);
