#include "core/run/OpenAddressBook.h"

#include "core/addressbook/AddressFile.h"
#include "core/addressbook/splittext.h"

#include <QSet>

namespace {

const QString name = QStringLiteral("name");
const QString komy = QStringLiteral("komy");
const QString kyda = QStringLiteral("kyda");
const QString intyda = QStringLiteral("intyda");
const QString galka = QStringLiteral("galka");
const QString groupsColumn = QStringLiteral("groups");
const QString profile = QStringLiteral("profile");
const QString otkogo = QStringLiteral("otkogo");
const QString otkyda = QStringLiteral("otkyda");
const QString intyt = QStringLiteral("intyt");
const QString defaultMark = QStringLiteral("default");
const QString pname = QStringLiteral("pname");
const QString check = QStringLiteral("check");

// The row at the cursor.
RecipientRecord recipientAt(const TableCursor& table) {
    return {table.text(name),  table.text(komy),         table.text(kyda),   table.integer(intyda),
            table.flag(galka), table.text(groupsColumn), table.text(profile)};
}

SenderRecord senderAt(const TableCursor& table) {
    return {table.text(otkogo), table.text(otkyda), table.integer(intyt), table.flag(defaultMark)};
}

// The search words: the whole text, or each of its words; in the search's form.
QStringList searchWords(const QString& text, bool whole) {
    const QString wanted = searchForm(text.trimmed());
    return whole ? QStringList{wanted} : splittext(wanted, QStringLiteral(" "));
}

// The names of the cursor's rows that hold one of the words, each once, in table order.
template <class Found>
void search(TableCursor& cursor, const QString& column, const QStringList& words, Found found) {
    QSet<QString> listed;
    for (cursor.first(); !cursor.eof(); cursor.next()) {
        const QString text = cursor.text(column);
        const QString form = searchForm(text);
        for (const QString& word : words) {
            if (!word.isEmpty() && form.contains(word) && !listed.contains(text)) {
                listed.insert(text);
                found(text);
            }
        }
    }
}

} // namespace

OpenAddressBook::OpenAddressBook(QString connectionName) : m_db(std::move(connectionName)) {}

OpenAddressBook::~OpenAddressBook() {
    close();
}

void OpenAddressBook::open(const QString& location) {
    close();
    m_db.open(location, AddressDb::addressTables());
    m_columnAdded = m_db.createcolumn();
    // Reopened so that the cursors see a column just added; otherwise the connection stands
    // (on a server, opening is a connection and a look at the catalogue).
    if (m_columnAdded) {
        m_db.close();
        m_db.open(location);
    }
}

void OpenAddressBook::finishNotedMove(IniFile& ini) {
    ::finishNotedMove(ini, m_db);
}

void OpenAddressBook::readTables() {
    m_recipients = std::make_unique<TableCursor>(m_db, QStringLiteral("table"), name);
    m_senders = std::make_unique<TableCursor>(m_db, QStringLiteral("table2"), otkogo, defaultMark);
    m_groups = std::make_unique<TableCursor>(m_db, QStringLiteral("groups"), pname, check);
    m_recipients->open();
    m_senders->open();
    m_groups->open();
}

void OpenAddressBook::close() {
    m_recipients.reset();
    m_senders.reset();
    m_groups.reset();
    m_groupFilter.clear();
    m_db.close();
}

void OpenAddressBook::tryOpen(const QString& location) {
    AddressDb probe(QStringLiteral("envalo-connection-test"));
    probe.open(location, AddressDb::addressTables());
    probe.close();
}

void OpenAddressBook::rereadRecipients() {
    m_recipients->refresh();
}

void OpenAddressBook::rereadSenders() {
    m_senders->refresh();
}

void OpenAddressBook::rereadGroups() {
    m_groups->refresh();
}

void OpenAddressBook::rereadAll() {
    m_recipients->refresh();
    m_senders->refresh();
    m_groups->refresh();
}

void OpenAddressBook::tryRereadRecipients() {
    try {
        m_recipients->refresh();
    } catch (const std::exception&) {
    }
}

void OpenAddressBook::tryRereadSenders() {
    try {
        m_senders->refresh();
    } catch (const std::exception&) {
    }
}

std::vector<RecipientRecord> OpenAddressBook::recipients() const {
    std::vector<RecipientRecord> records;
    records.reserve(size_t(m_recipients->rowCount()));
    for (m_recipients->first(); !m_recipients->eof(); m_recipients->next())
        records.push_back(recipientAt(*m_recipients));
    return records;
}

std::vector<SenderRecord> OpenAddressBook::senders() const {
    std::vector<SenderRecord> records;
    for (m_senders->first(); !m_senders->eof(); m_senders->next())
        records.push_back(senderAt(*m_senders));
    return records;
}

std::vector<std::pair<QString, bool>> OpenAddressBook::listedRecipients() const {
    std::vector<std::pair<QString, bool>> lines;
    lines.reserve(size_t(m_recipients->rowCount()));
    TableCursor& table = *m_recipients;
    for (table.first(); !table.eof(); table.next()) {
        QString text = table.text(name);
        if (!text.isEmpty() && listedUnderGroups(table.text(groupsColumn), m_groupFilter))
            lines.emplace_back(std::move(text), table.flag(galka));
    }
    return lines;
}

QStringList OpenAddressBook::tickedRecipients() const {
    QStringList ticked;
    TableCursor& table = *m_recipients;
    for (table.first(); !table.eof(); table.next())
        if (table.flag(galka) && !table.text(name).isEmpty())
            ticked.append(table.text(name));
    return ticked;
}

std::vector<std::pair<QString, bool>> OpenAddressBook::findRecipients(const QString& text,
                                                                      bool whole) const {
    std::vector<std::pair<QString, bool>> found;
    TableCursor& table = *m_recipients;
    search(table, name, searchWords(text, whole),
           [&](const QString& line) { found.emplace_back(line, table.flag(galka)); });
    return found;
}

QStringList OpenAddressBook::findSenders(const QString& text, bool whole) const {
    QStringList found;
    search(*m_senders, otkogo, searchWords(text, whole),
           [&](const QString& line) { found.append(line); });
    return found;
}

std::optional<RecipientRecord> OpenAddressBook::recipient(const QString& line) const {
    if (!m_recipients->locate(line))
        return std::nullopt;
    return recipientAt(*m_recipients);
}

bool OpenAddressBook::recipientNameTaken(const QString& newName, const QString& line) const {
    return m_recipients->locate(newName) &&
           m_recipients->text(name).compare(line, Qt::CaseInsensitive) != 0;
}

bool OpenAddressBook::updateRecipient(const QString& line, const RecipientRecord& values) {
    if (!m_recipients->locate(line))
        return false;
    m_recipients->update({{name, values.name},
                          {komy, values.komy},
                          {kyda, values.kyda},
                          {intyda, values.intyda},
                          {galka, values.ticked ? 1 : 0},
                          {profile, values.profile}});
    return true;
}

void OpenAddressBook::addRecipient(const QString& newName, const QString& newProfile) {
    m_recipients->insert({{name, newName},
                          {komy, QString()},
                          {kyda, QString()},
                          {galka, 0},
                          {intyda, 0},
                          {groupsColumn, QString()},
                          {profile, newProfile}});
}

bool OpenAddressBook::removeRecipient(const QString& line) {
    if (!m_recipients->locate(line))
        return false;
    m_recipients->remove();
    return true;
}

bool OpenAddressBook::storeTick(const QString& line, bool ticked) {
    if (!m_recipients->locate(line))
        return false;
    m_recipients->update({{galka, ticked ? 1 : 0}});
    return true;
}

std::optional<bool> OpenAddressBook::storedTick(const QString& line) const {
    if (!m_recipients->locate(line))
        return std::nullopt;
    return m_recipients->flag(galka);
}

void OpenAddressBook::tickAll(const QStringList& names, bool ticked) {
    m_recipients->refresh();
    m_recipients->setFlags(galka, names, ticked);
}

void OpenAddressBook::storeTicks(const std::vector<std::pair<QString, bool>>& lines) {
    m_recipients->refresh();
    m_recipients->storeFlags(galka, lines);
}

QStringList OpenAddressBook::senderLines() const {
    return ::senderLines(senders());
}

std::optional<QString> OpenAddressBook::defaultSenderName() const {
    const std::vector<SenderRecord> all = senders();
    const SenderRecord* chosen = defaultSender(all);
    if (!chosen)
        return std::nullopt;
    return chosen->otkogo;
}

AddressTexts OpenAddressBook::senderTexts() const {
    const std::optional<QString> name = defaultSenderName();
    const std::optional<SenderRecord> record = name ? sender(*name) : std::nullopt;
    return printedTexts(nullptr, record ? &*record : nullptr);
}

std::optional<SenderRecord> OpenAddressBook::sender(const QString& line) const {
    if (!m_senders->locate(line))
        return std::nullopt;
    return senderAt(*m_senders);
}

bool OpenAddressBook::senderNameTaken(const QString& newName, const QString& line) const {
    return m_senders->locate(newName) &&
           m_senders->text(otkogo).compare(line, Qt::CaseInsensitive) != 0;
}

bool OpenAddressBook::updateSender(const QString& line, const SenderRecord& values) {
    if (!m_senders->locate(line))
        return false;
    m_senders->update({{otkogo, values.otkogo}, {otkyda, values.otkyda}, {intyt, values.intyt}});
    return true;
}

void OpenAddressBook::addSender(const QString& newName) {
    try {
        AddressDb::Transaction transaction(m_db);
        while (m_senders->locateMark())
            m_senders->update({{defaultMark, 0}});
        m_senders->insert({{otkogo, newName}, {otkyda, QString()}, {intyt, 0}, {defaultMark, 1}});
        transaction.commit();
    } catch (...) {
        // The rows as read hold the writes that the rollback undid.
        tryRereadSenders();
        throw;
    }
}

bool OpenAddressBook::removeSender(const QString& line) {
    if (!m_senders->locate(line))
        return false;
    m_senders->remove();
    return true;
}

void OpenAddressBook::markDefaultSender(const QString& chosen) {
    try {
        AddressDb::Transaction transaction(m_db);
        if (m_senders->locateMark())
            m_senders->update({{defaultMark, 0}});
        if (m_senders->locate(chosen))
            m_senders->update({{defaultMark, 1}});
        transaction.commit();
    } catch (...) {
        tryRereadSenders();
        throw;
    }
}

std::vector<GroupRecord> OpenAddressBook::groups() const {
    std::vector<GroupRecord> records;
    for (m_groups->first(); !m_groups->eof(); m_groups->next())
        records.push_back({m_groups->text(pname), m_groups->flag(check)});
    return records;
}

QStringList OpenAddressBook::groupNames() const {
    QStringList names;
    for (m_groups->first(); !m_groups->eof(); m_groups->next())
        names.append(m_groups->text(pname));
    return names;
}

void OpenAddressBook::readGroupFilter() {
    m_groupFilter = tickedGroups(groups());
}

bool OpenAddressBook::groupExists(const QString& group) const {
    return m_groups->locate(group);
}

void OpenAddressBook::addGroup(const QString& group) {
    m_groups->insert({{pname, group}});
}

bool OpenAddressBook::locateGroupLine(int line, const QString& group) {
    // The lines follow the table order one to one, so the row at the line's place is its
    // group, also when another group's name differs from it only in case.
    m_groups->first();
    for (int i = 0; i < line && !m_groups->eof(); ++i)
        m_groups->next();
    if (!m_groups->eof() && m_groups->text(pname) == group)
        return true;
    return m_groups->locate(group);
}

void OpenAddressBook::removeGroup(int line, const QString& group) {
    if (locateGroupLine(line, group))
        m_groups->remove();
}

bool OpenAddressBook::renameGroup(int line, const QString& group, const QString& newName) {
    if (locateGroupLine(line, group) && !m_groups->update({{pname, newName}})) {
        m_groups->refresh();
        return false;
    }
    return true;
}

void OpenAddressBook::storeGroupTicks(const std::vector<std::pair<QString, bool>>& lines) {
    QStringList ticked;
    try {
        AddressDb::Transaction transaction(m_db);
        for (int i = 0; i < int(lines.size()); ++i) {
            const auto& [group, tick] = lines[size_t(i)];
            if (locateGroupLine(i, group))
                m_groups->update({{check, tick ? 1 : 0}});
            if (tick)
                ticked.append(group);
        }
        transaction.commit();
    } catch (...) {
        // The rows already written were rolled back; the cursor must forget them too.
        m_groups->refresh();
        throw;
    }
    m_groupFilter = ticked;
}

bool OpenAddressBook::showGroup(const QString& group) {
    if (!m_groups->locate(group) || m_groups->flag(check))
        return false;
    m_groups->update({{check, 1}});
    return true;
}

QString OpenAddressBook::recipientGroups(const QString& line) const {
    return m_recipients->locate(line) ? m_recipients->text(groupsColumn) : QString();
}

bool OpenAddressBook::setRecipientGroups(const QString& line, const QString& groups) {
    // update() is false when another program deleted the row meanwhile.
    return m_recipients->locate(line) && m_recipients->update({{groupsColumn, groups}});
}

ImportReport
OpenAddressBook::importAddresses(const AddressTable& table, const ImportOptions& options,
                                 const std::function<bool(int done, int total)>& progress) {
    return ::importAddresses(m_db, table, options, progress);
}

QByteArray OpenAddressBook::exportAddresses(AddressPage page, const QStringList& names,
                                            ExportFormat format) {
    return ::exportAddresses(m_db, page, names, format);
}
