#include "core/run/RunChoice.h"

#include "core/UserError.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/AddressBook.h"
#include "core/run/PrintRun.h"

QStringList chooseRecipients(const AddressBook& book, const RecipientChoice& choice) {
    using Kind = RecipientChoice::Kind;
    switch (choice.kind) {
    case Kind::AsWindow:
    case Kind::Ticked: {
        // The main window's list as it starts, on its first line.
        RunRecipients list;
        for (const RecipientRecord* line : book.listed()) {
            list.lines.append(line->name);
            list.ticked.append(line->ticked);
        }
        if (choice.kind == Kind::Ticked && !list.ticked.contains(true))
            return {};
        QStringList names;
        for (const RunRecipient& recipient : runRecipients(list))
            names.append(recipient.name);
        return names;
    }
    case Kind::Group: {
        const QString group = book.groupNamed(choice.group);
        if (group.isEmpty())
            throw UserError(
                QStringLiteral("Группа «%1» не найдена в базе данных адресов.").arg(choice.group));
        return book.members(group);
    }
    case Kind::Named: {
        QStringList names;
        for (const QString& name : choice.names) {
            const RecipientRecord* found = book.recipient(name.trimmed());
            if (!found || name.trimmed().isEmpty())
                throw UserError(
                    QStringLiteral("Получатель «%1» не найден в базе данных адресов.").arg(name));
            names.append(found->name);
        }
        return names;
    }
    }
    return {};
}

QStringList profileNames(const IniFile& ini) {
    QStringList sections = ini.sections();
    sections.removeAll(ProgramOptions::section);
    return sections;
}

QStringList chooseProfiles(const IniFile& ini, const QStringList& asked) {
    const QStringList names = profileNames(ini);
    auto stored = [&](const QString& name) {
        for (const QString& profile : names)
            if (profile.compare(name, Qt::CaseInsensitive) == 0)
                return profile;
        return QString();
    };
    if (!asked.isEmpty()) {
        QStringList chosen;
        for (const QString& name : asked) {
            const QString profile = stored(name);
            if (profile.isEmpty())
                throw UserError(
                    QStringLiteral("Профиль «%1» не найден в файле настроек.").arg(name));
            chosen.append(profile);
        }
        return chosen;
    }
    const QString current = ProgramOptions::read(ini).profile;
    const QString profile = stored(current);
    if (current.isEmpty())
        throw UserError(QStringLiteral("В файле настроек не указан текущий профиль; укажите "
                                       "профили для печати явно."));
    if (profile.isEmpty())
        throw UserError(QStringLiteral("Текущего профиля «%1» нет в файле настроек; укажите "
                                       "профили для печати явно.")
                            .arg(current));
    // The print list is ticked entry by entry in the list of profiles, so it follows the
    // file's order and takes only names stored exactly so.
    QStringList ticked;
    try {
        ticked = readProfile(ini, profile).printprofiles;
    } catch (const std::exception& e) {
        throw profileLoadError(profile, e, ini);
    }
    QStringList chosen;
    for (const QString& name : names)
        if (ticked.contains(name))
            chosen.append(name);
    return chosen;
}

std::vector<PlannedEnvelope> planEnvelopes(const QStringList& recipients,
                                           const QStringList& profiles) {
    std::vector<PlannedEnvelope> plan;
    plan.reserve(size_t(recipients.size() * profiles.size()));
    for (qsizetype index = 0; index < recipients.size(); ++index)
        for (const QString& profile : profiles)
            plan.push_back({recipients[index], profile, int(index)});
    return plan;
}

LoadedProfiles::LoadedProfiles(const IniFile& ini, PictureCache& pictures, bool nameSettingsFile)
    : m_ini(ini), m_pictures(pictures), m_nameSettingsFile(nameSettingsFile) {}

LoadedProfiles::LoadedProfiles(const IniFile& ini, PictureCache& pictures, const QStringList& names)
    : LoadedProfiles(ini, pictures, true) {
    for (const QString& name : names)
        load(name);
}

const LoadedProfiles::Loaded& LoadedProfiles::load(const QString& name) {
    const auto found = m_loaded.constFind(name);
    if (found != m_loaded.cend())
        return *found;
    try {
        Loaded loaded{readProfile(m_ini, name), {}};
        loaded.pictures = loadEnvelopePictures(m_pictures, loaded.profile);
        return *m_loaded.insert(name, std::move(loaded));
    } catch (const std::exception& e) {
        if (m_nameSettingsFile)
            throw profileLoadError(name, e, m_ini);
        throw profileLoadError(name, e);
    }
}

const LoadedProfiles::Loaded& LoadedProfiles::loaded(const QString& name) const {
    const auto found = m_loaded.constFind(name);
    if (found == m_loaded.cend())
        throw UserError(QStringLiteral("Профиль «%1» не загружен.").arg(name));
    return *found;
}

Envelope LoadedProfiles::compose(const AddressBook& book, const PlannedEnvelope& envelope,
                                 const ScreenConversions& screen) const {
    const Loaded& loaded = this->loaded(envelope.profile);
    return composeEnvelope(loaded.profile, book.textsFor(book.recordOf(envelope.recipient)),
                           loaded.pictures, screen);
}
