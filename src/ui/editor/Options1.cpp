#include "ui/editor/Options1.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/uView.h"

namespace {

const QString newProfileName = QStringLiteral("Новый профиль");

} // namespace

Topt::Topt(Windows& windows) : w(windows), m_ini(windows.appdir + QStringLiteral("envalo.ini")) {
    w.view->showProfileNames(&m_names);
    w.mainWindow->showProfileNames(&m_names);
    startTimer.setSingleShot(true);
    startTimer.setInterval(10);
    connect(&startTimer, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { startprofile(); }); });
    listprofiles();
}

void Topt::listprofiles() {
    QStringList sections = m_ini.sections();
    sections.removeAll(ProgramOptions::section);
    // A list read anew moves the main window's choice only when its name is gone.
    const int mainIndex = w.mainWindow->chosenProfile();
    const QString mainChosen = m_names.names().value(mainIndex);
    if (sections != m_names.names()) {
        m_names.setNames(sections);
        w.mainWindow->chooseProfile(mainIndex < 0 ? -1 : int(sections.indexOf(mainChosen)));
    }
    w.view->chooseProfileIndex(sections.isEmpty() ? -1 : 0);
    startTimer.start();
}

void Topt::startprofile() {
    startTimer.stop();
    // At start, the main window's deferred step loads its recipient's profile next.
    if (w.mainWindow->startLoadsProfile())
        return;
    Tview& v = *w.view;
    const int count = int(m_names.names().size());
    const int mainIndex = w.mainWindow->chosenProfile();
    QString text = m_names.names().value(mainIndex);
    v.chooseProfileIndex(mainIndex < count ? mainIndex : -1);
    if (text.isEmpty() || v.chosenProfileIndex() < 0 || v.shownProfileName() != text) {
        v.chooseProfileIndex(count > 0 ? 0 : -1);
        text = v.shownProfileName();
    }
    loadprofile(text);
}

int Topt::entryindex(const QString& name) const {
    const QStringList& names = m_names.names();
    for (int i = int(names.size()) - 1; i >= 0; --i)
        if (names[i] == name)
            return i;
    return 0;
}

bool Topt::profileexists(const QString& name) const {
    return m_names.names().contains(name);
}

void Topt::markmodified() {
    w.view->markmodified();
}

QString Topt::checkedName(const QString& typed, const QString& keeping) const {
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

Topt::Lists Topt::lists() const {
    const Tview& v = *w.view;
    return {m_names.names(), v.chosenProfileIndex(), w.mainWindow->chosenProfile(),
            v.printTicks(),  v.profile.name,         v.rememberedProfile()};
}

void Topt::restore(const Lists& before) {
    Tview& v = *w.view;
    m_names.setNames(before.names);
    v.chooseProfileIndex(before.chosen);
    w.mainWindow->chooseProfile(before.mainChosen);
    v.restorePrintTicks(before.printTicked);
    v.profile.name = before.profileName;
    v.rememberProfile(before.rememberedProfile);
}

void Topt::appendsection(const QString& name) {
    // A section of no keys: its header alone, at the end of the file.
    m_ini.writeKeys(name, {});
}

void Topt::loadprofile(const QString& name) {
    try {
        loadSteps(name);
    } catch (const std::exception& e) {
        throw profileLoadError(name, e);
    }
}

void Topt::loadSteps(const QString& name) {
    Tview& v = *w.view;
    readProfile(m_ini, name, v.profile,
                [&](LoadStep step) { v.showProfileStep(step, name, m_ini); });
    v.showLoadedProfile(name);
}

void Topt::saveprofile(const QString& name) {
    writeProfile(m_ini, name, w.view->currentProfile());
}

void Topt::newprofile() {
    Tview& v = *w.view;
    QString name = newProfileName;
    auto taken = [&](const QString& candidate) {
        for (const QString& other : m_names.names())
            if (other.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (int k = 2; taken(name); ++k)
        name = newProfileName + QLatin1Char(' ') + QString::number(k);

    const QString before = v.profile.name;
    try {
        asOneChange([&] {
            m_names.append(name);
            ProgramOptions::writeProfile(m_ini, name);
            appendsection(name);
            for (size_t i = 0; i < keptValueKeys.size(); ++i)
                v.profile.kept[i] = i == 2 ? QStringLiteral("29") : QStringLiteral("0");
            v.resetlayout();
            v.chooseFormat(1);
            v.setPrintTicks({name});
            saveprofile(name);
            v.chooseProfileIndex(entryindex(name));
            loadprofile(name);
        });
    } catch (...) {
        // The layout was reset for the profile that could not be made.
        loadprofile(before);
        throw;
    }
}

void Topt::renameprofile() {
    Tview& v = *w.view;
    const QString old = v.shownProfileName();
    const QString typed =
        w.messages.inputBox(QStringLiteral("Переименовать профиль"),
                            QStringLiteral("Напишите новое название профиля"), old);
    if (typed.trimmed().isEmpty() || typed.trimmed() == old)
        return;
    if (profileexists(typed.trimmed())) {
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

        const QStringList chosen = v.profilesToPrint();
        QStringList ticked;
        for (const QString& item : m_names.names())
            if (chosen.contains(item) || item == old)
                ticked.append(item == old ? answer : item);

        recipients.note();

        m_names.rename(v.chosenProfileIndex(), answer);
        v.chooseProfileIndex(entryindex(answer));
        w.mainWindow->chooseProfile(v.chosenProfileIndex());
        v.setPrintTicks(ticked);
        v.profile.name = answer;
        saveprofile(answer);
    });
    recipients.commit();
    // The file holds the profile as shown now.
    v.startHistory();
}

void Topt::deleteprofile() {
    Tview& v = *w.view;
    if (m_names.names().size() < 2) {
        w.messages.notice(QStringLiteral("Нельзя удалить все профили."));
        return;
    }
    const QString old = v.shownProfileName();
    // Its recipients go to the first profile of the list that remains.
    QStringList remaining = m_names.names();
    remaining.removeAt(entryindex(old));
    try {
        ProfileMove recipients = w.addressBook.moveProfile(m_ini, old, remaining.value(0));
        asOneChange([&] {
            m_ini.eraseSection(old);
            // The print list loses the name and keeps its other ticks; the load below ticks
            // the shown profile's own list anyway.
            m_names.remove(entryindex(old));

            v.chooseProfileIndex(int(m_names.names().size()) - 1);
            const QString shown = v.shownProfileName();
            loadprofile(shown);
            ProgramOptions::writeProfile(m_ini, shown);
            recipients.note();
        });
        recipients.commit();
    } catch (...) {
        // The editor shows the profile that is still there.
        loadprofile(old);
        throw;
    }
    w.addressBook.rereadRecipients();
}
