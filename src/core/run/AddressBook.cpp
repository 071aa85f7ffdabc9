#include "core/run/AddressBook.h"

#include "core/addressbook/AddressDb.h"
#include "core/addressbook/NameOrder.h"
#include "core/addressbook/splittext.h"

#include <algorithm>

namespace {

const QString separator = QStringLiteral(";");

bool inGroup(const QString& groups, const QString& group) {
    // Compared as the main window's group filter compares: exactly.
    const QStringList pieces = splittext(groups, separator);
    return std::find(pieces.begin(), pieces.end(), group) != pieces.end();
}

} // namespace

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
             table.flag(QStringLiteral("galka")), table.text(QStringLiteral("groups"))});
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
    QStringList checked;
    for (const GroupRecord& group : m_groups)
        if (group.checked)
            checked.append(group.name);
    auto shown = [&](const QString& groups) {
        if (groups.isEmpty())
            return true;
        const QStringList pieces = splittext(groups, separator);
        return std::any_of(pieces.begin(), pieces.end(), [&](const QString& piece) {
            return !piece.isEmpty() && checked.contains(piece);
        });
    };
    const NameOrder order;
    struct Line {
        QCollatorSortKey key;
        const RecipientRecord* record;
    };
    std::vector<Line> lines;
    for (const RecipientRecord& r : m_recipients)
        if (!r.name.isEmpty() && shown(r.groups))
            lines.push_back({order.key(r.name), &r});
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return NameOrder::less(a.key, a.record->name, b.key, b.record->name);
    });
    std::vector<const RecipientRecord*> result;
    result.reserve(lines.size());
    for (const Line& line : lines)
        result.push_back(line.record);
    return result;
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
        if (!r.name.isEmpty() && inGroup(r.groups, group))
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
    const auto marked = std::find_if(m_senders.begin(), m_senders.end(),
                                     [](const SenderRecord& s) { return s.isDefault; });
    if (marked == m_senders.end())
        return nullptr;
    const QString name = marked->otkogo.toCaseFolded();
    for (const SenderRecord& s : m_senders)
        if (s.otkogo.toCaseFolded() == name)
            return &s;
    return nullptr;
}

const RecipientRecord& AddressBook::recordOf(const QString& name) const {
    const RecipientRecord* found = recipient(name);
    return found ? *found : m_none;
}

AddressTexts AddressBook::senderTexts() const {
    const SenderRecord none;
    const SenderRecord* sender = defaultSender();
    const SenderRecord& s = sender ? *sender : none;
    return {asEditorText(s.otkogo), asEditorText(s.otkyda), QString::number(s.intyt), {}, {}, {}};
}

AddressTexts AddressBook::textsFor(const RecipientRecord& recipient) const {
    return textsFor(recipient, senderTexts());
}

AddressTexts AddressBook::textsFor(const RecipientRecord& recipient,
                                   const AddressTexts& sender) const {
    return {sender.otkogo,
            sender.otkyda,
            sender.intyt,
            asEditorText(recipient.komy),
            asEditorText(recipient.kyda),
            QString::number(recipient.intyda)};
}

QString asEditorText(const QString& stored) {
    QString text = stored;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar& c : text) {
        if (c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return text;
}
