#include "core/run/ProfileMove.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString fromKey = QStringLiteral("recipientsfrom");
const QString toKey = QStringLiteral("recipientsto");

// In quotes, which a read takes off again, so that a name keeps blanks or quotes at its ends.
QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

struct NotedMove {
    QString from;
    QString to;
};

std::optional<NotedMove> notedMove(const IniFile& ini) {
    const QString from = ini.readString(ProgramOptions::section, fromKey, QString());
    const QString to = ini.readString(ProgramOptions::section, toKey, QString());
    if (from.isEmpty() && to.isEmpty())
        return std::nullopt;
    return NotedMove{from, to};
}

void removeNote(IniFile& ini) {
    ini.eraseKeys(ProgramOptions::section, {fromKey, toKey});
}

} // namespace

bool finishNotedMove(IniFile& ini, AddressDb& db) {
    const std::optional<NotedMove> move = notedMove(ini);
    if (!move)
        return false;
    // A note without both names is no move this program wrote.
    if (!move->from.isEmpty() && !move->to.isEmpty()) {
        try {
            AddressDb::Transaction transaction(db);
            db.renameProfile(move->to, move->from);
            transaction.commit();
        } catch (const std::exception& e) {
            const QString book = AddressDb::isServerText(db.path())
                                     ? db.path()
                                     : QDir::toNativeSeparators(db.path());
            throw UserError(
                QStringLiteral("Профиль «%1» переименован или удалён в файле настроек «%2», но "
                               "получатели в адресной книге «%3» ещё не переведены на профиль "
                               "«%4»: %5\r\nПрограмма попробует сделать это снова при следующем "
                               "запуске.")
                    .arg(move->from,
                         QDir::toNativeSeparators(QFileInfo(ini.path()).absoluteFilePath()), book,
                         move->to, errorMessage(e)));
        }
    }
    removeNote(ini);
    return true;
}

ProfileMove::ProfileMove(IniFile& ini, AddressDb& db, QString from, QString to)
    : m_ini(ini), m_db(db), m_from(std::move(from)), m_to(std::move(to)) {
    // A new note would take the place of the old one, whose move would then be lost.
    finishNotedMove(m_ini, m_db);
    m_transaction.emplace(m_db);
    // The same statement serves a rename and a delete: the recipients change profiles.
    m_db.renameProfile(m_to, m_from);
}

ProfileMove::~ProfileMove() = default;

void ProfileMove::note() {
    m_ini.writeKeys(ProgramOptions::section, {{fromKey, quoted(m_from)}, {toKey, quoted(m_to)}});
}

void ProfileMove::commit() {
    m_transaction->commit();
    try {
        removeNote(m_ini);
    } catch (const std::exception&) {
        // The move is whole in both files; the next start finishes the note left behind
        // once more, which finds nobody left to move, and removes it.
    }
}
