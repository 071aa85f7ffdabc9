#include "core/run/AddressBook.h"

#include "core/addressbook/AddressDb.h"
#include "core/addressbook/NameOrder.h"

AddressBook::AddressBook(AddressDb& db) {
    TableCursor table(db, QStringLiteral("table"), QStringLiteral("name"));
    TableCursor table2(db, QStringLiteral("table2"), QStringLiteral("otkogo"),
                       QStringLiteral("default"));
    TableCursor groups(db, QStringLiteral("groups"), QStringLiteral("pname"),
                       QStringLiteral("check"));
    table.open();
    table2.open();
    groups.open();
    m_recipients.reserve(size_t(table.rowCount()));
    for (table.first(); !table.eof(); table.next()) {
        m_recipients.push_back(
            {table.text(QStringLiteral("name")), table.text(QStringLiteral("komy")),
             table.text(QStringLiteral("kyda")), table.integer(QStringLiteral("intyda")),
             table.flag(QStringLiteral("galka")), table.text(QStringLiteral("groups")), QString()});
        const QString key = m_recipients.back().name.toCaseFolded();
        if (!m_byName.contains(key))
            m_byName.insert(key, qsizetype(m_recipients.size() - 1));
    }
    for (table2.first(); !table2.eof(); table2.next())
        m_senders.push_back(
            {table2.text(QStringLiteral("otkogo")), table2.text(QStringLiteral("otkyda")),
             table2.integer(QStringLiteral("intyt")), table2.flag(QStringLiteral("default"))});
    for (groups.first(); !groups.eof(); groups.next())
        m_groups.push_back(
            {groups.text(QStringLiteral("pname")), groups.flag(QStringLiteral("check"))});
}

std::vector<const RecipientRecord*> AddressBook::listed() const {
    return listedRecipients(m_recipients, tickedGroups(m_groups));
}

QStringList AddressBook::recipientNames() const {
    QStringList names;
    for (const RecipientRecord& r : m_recipients)
        if (!r.name.isEmpty())
            names.append(r.name);
    NameOrder().sort(names);
    return names;
}

QStringList AddressBook::members(const QString& group) const {
    QStringList names;
    for (const RecipientRecord& r : m_recipients)
        if (!r.name.isEmpty() && memberOf(r.groups, group))
            names.append(r.name);
    NameOrder().sort(names);
    return names;
}

QStringList AddressBook::groupNames() const {
    QStringList names;
    for (const GroupRecord& group : m_groups)
        names.append(group.name);
    return names;
}

QString AddressBook::groupNamed(const QString& name) const {
    if (name.isEmpty())
        return {};
    QString found;
    for (const GroupRecord& group : m_groups) {
        if (group.name == name)
            return group.name;
        if (found.isEmpty() && group.name.compare(name, Qt::CaseInsensitive) == 0)
            found = group.name;
    }
    return found;
}

const RecipientRecord* AddressBook::recipient(const QString& name) const {
    const auto found = m_byName.constFind(name.toCaseFolded());
    return found == m_byName.cend() ? nullptr : &m_recipients[size_t(*found)];
}

const SenderRecord* AddressBook::defaultSender() const {
    return ::defaultSender(m_senders);
}

const RecipientRecord& AddressBook::recordOf(const QString& name) const {
    const RecipientRecord* found = recipient(name);
    return found ? *found : m_none;
}

AddressTexts AddressBook::senderTexts() const {
    return printedTexts(nullptr, defaultSender());
}

AddressTexts AddressBook::textsFor(const RecipientRecord& recipient) const {
    return printedTexts(&recipient, defaultSender());
}

std::optional<RecipientRecord> AddressBook::recipientNamed(const QString& name) const {
    const RecipientRecord* found = recipient(name);
    return found ? std::optional<RecipientRecord>(*found) : std::nullopt;
}
