#include "ui/editor/ProfileStore.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileBar.h"

namespace {

const QString newProfileName = QStringLiteral("Новый профиль");

} // namespace

ProfileStore::ProfileStore(Windows& windows)
    : w(windows), m_document(*windows.document),
      m_ini(windows.appdir + QStringLiteral("envalo.ini")) {
    w.layoutEditor->showProfileNames(&m_names);
    w.mainWindow->showProfileNames(&m_names);
    m_startTimer.setObjectName(QStringLiteral("startTimer"));
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(10);
    connect(&m_startTimer, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { loadStartProfile(); }); });
    refreshNames();
}

void ProfileStore::refreshNames() {
    QStringList sections = m_ini.sections();
    sections.removeAll(ProgramOptions::section);
    // A list read anew moves the main window's choice only when its name is gone.
    const int mainIndex = w.mainWindow->chosenProfile();
    const QString mainChosen = m_names.names().value(mainIndex);
    if (sections != m_names.names()) {
        m_names.setNames(sections);
        w.mainWindow->chooseProfile(mainIndex < 0 ? -1 : int(sections.indexOf(mainChosen)));
    }
    m_document.setName(sections.value(0));
    m_startTimer.start();
}

void ProfileStore::loadStartProfile() {
    m_startTimer.stop();
    // At start, the main window's deferred step loads its recipient's profile next.
    if (w.mainWindow->startLoadsProfile())
        return;
    // The main window's profile, or else the first one.
    QString text = m_names.names().value(w.mainWindow->chosenProfile());
    if (text.isEmpty())
        text = m_names.names().value(0);
    m_document.setName(text);
    load(text);
}

int ProfileStore::entryIndex(const QString& name) const {
    const QStringList& names = m_names.names();
    for (int i = int(names.size()) - 1; i >= 0; --i)
        if (names[i] == name)
            return i;
    return 0;
}

bool ProfileStore::exists(const QString& name) const {
    return m_names.names().contains(name);
}

QStringList ProfileStore::profilesToPrint() const {
    QStringList chosen;
    for (const QString& name : m_names.names())
        if (m_document.printList().contains(name))
            chosen.append(name);
    return chosen;
}

QString ProfileStore::checkedName(const QString& typed, const QString& keeping) const {
    const QString name = typed.trimmed();
    auto refuse = [&](const QString& why) {
        throw UserError(QStringLiteral("Название профиля «%1» не подходит: %2").arg(name, why));
    };
    if (name.isEmpty())
        throw UserError(QStringLiteral("Название профиля не может быть пустым."));
    if (name.contains(QLatin1Char(']')) || name.startsWith(QLatin1Char('[')))
        refuse(QStringLiteral("оно не может содержать «]» и начинаться с «[»."));
    if (name.contains(QLatin1Char(',')))
        refuse(QStringLiteral("запятая разделяет профили в списке профилей на печать."));
    if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r')))
        refuse(QStringLiteral("оно должно быть одной строкой."));
    if (name.compare(ProgramOptions::section, Qt::CaseInsensitive) == 0)
        refuse(QStringLiteral("это имя занято общими настройками программы."));
    for (const QString& other : m_names.names()) {
        if (other != name && other != keeping && other.compare(name, Qt::CaseInsensitive) == 0)
            refuse(QStringLiteral("есть профиль «%1», а файл настроек не различает заглавные и "
                                  "строчные буквы в названиях.")
                       .arg(other));
    }
    // Refused here, before anything changes, rather than halfway through a rename.
    IniFile::requireStorable(name);
    return name;
}

ProfileStore::Lists ProfileStore::lists() const {
    return {m_names.names(), m_document.name(), w.mainWindow->chosenProfile(),
            m_document.printList(), w.layoutEditor->profileBar().rememberedProfile()};
}

void ProfileStore::restore(const Lists& before) {
    m_names.setNames(before.names);
    m_document.setName(before.name);
    w.mainWindow->chooseProfile(before.mainChosen);
    m_document.setPrintList(before.printList);
    w.layoutEditor->profileBar().rememberProfile(before.rememberedProfile);
}

void ProfileStore::appendSection(const QString& name) {
    // A section of no keys: its header alone, at the end of the file.
    m_ini.writeKeys(name, {});
}

void ProfileStore::load(const QString& name) {
    try {
        loadSteps(name);
    } catch (const std::exception& e) {
        throw profileLoadError(name, e);
    }
}

void ProfileStore::loadSteps(const QString& name) {
    LayoutEditor& v = *w.layoutEditor;
    m_document.read([&](PrintProfile& profile) {
        readProfile(m_ini, name, profile, [&](LoadStep step) {
            if (step == LoadStep::KeptValues)
                // The steps of the profile shown before end with its load, also one that fails.
                m_document.forgetSteps();
            if (step == LoadStep::Format)
                m_document.setName(name);
            v.showProfileStep(step, name, m_ini);
        });
    });
    m_document.setName(name);
    v.showLoadedProfile();
}

void ProfileStore::save(const QString& name) {
    // The window's size is the one value of the profile the editor itself holds.
    writeProfile(m_ini, name, w.layoutEditor->currentProfile());
}

void ProfileStore::add() {
    LayoutEditor& v = *w.layoutEditor;
    QString name = newProfileName;
    auto taken = [&](const QString& candidate) {
        for (const QString& other : m_names.names())
            if (other.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (int k = 2; taken(name); ++k)
        name = newProfileName + QLatin1Char(' ') + QString::number(k);

    const QString before = m_document.name();
    try {
        asOneChange([&] {
            m_names.append(name);
            ProgramOptions::writeProfile(m_ini, name);
            appendSection(name);
            std::array<QString, 11> kept;
            for (size_t i = 0; i < keptValueKeys.size(); ++i)
                kept[i] = i == 2 ? QStringLiteral("29") : QStringLiteral("0");
            m_document.setKeptValues(kept);
            v.resetLayout();
            v.chooseFormat(1);
            m_document.setPrintList({name});
            save(name);
            m_document.setName(name);
            load(name);
        });
    } catch (...) {
        // The layout was reset for the profile that could not be made.
        load(before);
        throw;
    }
}

void ProfileStore::rename() {
    LayoutEditor& v = *w.layoutEditor;
    const QString old = v.shownProfileName();
    const QString typed =
        w.messages.inputBox(QStringLiteral("Переименовать профиль"),
                            QStringLiteral("Напишите новое название профиля"), old);
    if (typed.trimmed().isEmpty() || typed.trimmed() == old)
        return;
    if (exists(typed.trimmed())) {
        w.messages.notice(QStringLiteral("Профиль с таким именем уже существует."));
        return;
    }
    QString answer;
    try {
        answer = checkedName(typed, old);
    } catch (const UserError& e) {
        w.messages.notice(e.message());
        return;
    }

    // The recipients move to the new name only together with the file.
    ProfileMove recipients = w.addressBook.moveProfile(m_ini, old, answer);
    asOneChange([&] {
        ProgramOptions::writeProfile(m_ini, answer);
        m_ini.eraseSection(old);

        const QStringList chosen = m_document.printList();
        QStringList ticked;
        for (const QString& item : m_names.names())
            if (chosen.contains(item) || item == old)
                ticked.append(item == old ? answer : item);

        recipients.note();

        m_names.rename(entryIndex(old), answer);
        m_document.setName(answer);
        w.mainWindow->chooseProfile(entryIndex(answer));
        m_document.setPrintList(ticked);
        save(answer);
    });
    recipients.commit();
    // The file holds the profile as shown now.
    m_document.startHistory();
}

void ProfileStore::remove() {
    LayoutEditor& v = *w.layoutEditor;
    if (m_names.names().size() < 2) {
        w.messages.notice(QStringLiteral("Нельзя удалить все профили."));
        return;
    }
    const QString old = v.shownProfileName();
    // Its recipients go to the first profile of the list that remains.
    QStringList remaining = m_names.names();
    remaining.removeAt(entryIndex(old));
    try {
        ProfileMove recipients = w.addressBook.moveProfile(m_ini, old, remaining.value(0));
        asOneChange([&] {
            m_ini.eraseSection(old);
            // The print list loses the name and keeps its other ticks; the load below ticks
            // the shown profile's own list anyway.
            m_names.remove(entryIndex(old));

            const QString shown = m_names.names().value(m_names.names().size() - 1);
            m_document.setName(shown);
            load(shown);
            ProgramOptions::writeProfile(m_ini, shown);
            recipients.note();
        });
        recipients.commit();
    } catch (...) {
        // The editor shows the profile that is still there.
        load(old);
        throw;
    }
    w.addressBook.rereadRecipients();
}
