#include "ui/editor/Options1.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/MainWindow.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckCombo.h"
#include "ui/editor/uView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString newProfileName = QStringLiteral("Новый профиль");

} // namespace

Topt::Topt(Windows& windows) : w(windows), m_ini(windows.appdir + QStringLiteral("envalo.ini")) {
    w.view->cb1->setModel(&m_names);
    w.frm->showProfileNames(&m_names);
    w.view->ccb1->setModel(&m_names);
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
    const int mainIndex = w.frm->chosenProfile();
    const QString mainChosen = m_names.names().value(mainIndex);
    if (sections != m_names.names()) {
        m_names.setNames(sections);
        w.frm->chooseProfile(mainIndex < 0 ? -1 : int(sections.indexOf(mainChosen)));
    }
    w.view->cb1->setCurrentIndex(sections.isEmpty() ? -1 : 0);
    startTimer.start();
}

void Topt::startprofile() {
    startTimer.stop();
    // At start, the main window's deferred step loads its recipient's profile next.
    if (w.frm->startLoadsProfile())
        return;
    QComboBox* cb1 = w.view->cb1;
    const int mainIndex = w.frm->chosenProfile();
    QString text = m_names.names().value(mainIndex);
    cb1->setCurrentIndex(mainIndex < cb1->count() ? mainIndex : -1);
    if (text.isEmpty() || cb1->currentIndex() < 0 || cb1->currentText() != text) {
        cb1->setCurrentIndex(cb1->count() > 0 ? 0 : -1);
        text = cb1->currentText();
    }
    loadprofile(text);
}

int Topt::entryindex(const QComboBox* list, const QString& text) {
    for (int i = list->count() - 1; i >= 0; --i)
        if (list->itemText(i) == text)
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
    return {m_names.names(),       v.cb1->currentIndex(), w.frm->chosenProfile(),
            v.ccb1->CheckedText(), v.profile.name,        v.rememberedProfile};
}

void Topt::restore(const Lists& before) {
    Tview& v = *w.view;
    m_names.setNames(before.names);
    v.cb1->setCurrentIndex(before.chosen);
    w.frm->chooseProfile(before.mainChosen);
    // Ticked again in the order they were ticked, which is the order the text keeps.
    TCheckedComboBox* ccb1 = v.ccb1;
    if (ccb1->CheckedText() != before.printTicked) {
        ccb1->DeSelectAll();
        const QStringList items = ccb1->Items();
        for (const QString& name : before.printTicked.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int i = int(items.indexOf(name));
            if (i >= 0 && !ccb1->IsChecked(i))
                ccb1->SetChecked(i, true);
        }
    }
    v.profile.name = before.profileName;
    v.rememberedProfile = before.rememberedProfile;
}

void Topt::appendsection(const QString& name) {
    QStringList lines = m_ini.readLines();
    lines.append(QLatin1Char('[') + name + QLatin1Char(']'));
    m_ini.writeLines(lines);
}

void Topt::rebuildPrintList(QStringList ticked) {
    TCheckedComboBox* ccb1 = w.view->ccb1;
    const QStringList items = ccb1->Items();
    ccb1->DeSelectAll();
    for (int i = 0; i < items.size(); ++i)
        if (ticked.contains(items[i]))
            ccb1->SetChecked(i, true);
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
    PrintProfile& p = v.profile;
    auto field = [&](int edit, int block, char axis) {
        // The fields show a missing position as 0, though the block sits at 1.
        v.edit(edit)->setText(
            QString::number(m_ini.readInteger(name, positionKey(block, axis), 0)));
    };
    readProfile(m_ini, name, p, [&](LoadStep step) {
        switch (step) {
        case LoadStep::KeptValues:
            break;
        case LoadStep::Positions:
            for (int n = 1; n <= blockCount; ++n)
                v.moveBlock(n, QPoint(p.block(n).x, p.block(n).y));
            break;
        case LoadStep::Format:
            v.cb2->setCurrentIndex(p.format);
            v.cb1->setCurrentIndex(entryindex(v.cb1, name));
            v.rememberedFormat = v.cb2->currentIndex();
            v.rememberedProfile = v.cb1->currentIndex();
            break;
        case LoadStep::SheetShifts:
            v.edit(8)->setText(p.allx);
            v.edit(9)->setText(p.ally);
            break;
        case LoadStep::SheetPosition:
            v.setSheetPosition(p.listpos);
            break;
        case LoadStep::Pictures: {
            const std::array<bool, 4> toggles = {p.otkogo, p.komu, p.index, p.marka};
            for (size_t i = 0; i < 4; ++i)
                v.SpeedButton[i]->setChecked(toggles[i]);
            break;
        }
        case LoadStep::WindowSize:
            v.resize(std::clamp(p.width, 100, 20000), std::clamp(p.height, 100, 20000));
            break;
        case LoadStep::DigitSpacing:
            v.edit(3)->setText(p.iz);
            break;
        case LoadStep::PadMarker:
            field(1, 12, 'x');
            field(2, 12, 'y');
            field(4, 1, 'x');
            field(5, 1, 'y');
            field(10, 5, 'x');
            field(11, 5, 'y');
            field(6, 7, 'x');
            field(7, 7, 'y');
            field(12, 6, 'x');
            field(13, 6, 'y');
            v.setform();
            break;
        case LoadStep::PrintList:
            rebuildPrintList(p.printprofiles);
            break;
        case LoadStep::Fonts:
            v.applyFonts();
            break;
        case LoadStep::Visibility:
            v.setvisible();
            break;
        case LoadStep::Switches:
            v.cb3->setChecked(p.printconfirm);
            v.CheckBox1->setChecked(p.indexswitch);
            break;
        }
    });
    v.cb1->setCurrentIndex(entryindex(v.cb1, name));
    v.settext();
    v.setform();
    v.centreSurface();
    v.Button10->setEnabled(false);
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
            v.cb2->setCurrentIndex(1);
            rebuildPrintList({name});
            saveprofile(name);
            v.cb1->setCurrentIndex(entryindex(v.cb1, name));
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
    const QString old = v.cb1->currentText();
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
    AddressDb::Transaction recipients(w.frm->db);
    asOneChange([&] {
        ProgramOptions::writeProfile(m_ini, answer);
        m_ini.eraseSection(old);

        TCheckedComboBox* ccb1 = v.ccb1;
        const QStringList items = ccb1->Items();
        QStringList ticked;
        for (int i = 0; i < items.size(); ++i)
            if (ccb1->IsChecked(i) || items[i] == old)
                ticked.append(items[i] == old ? answer : items[i]);

        w.frm->db.renameProfile(answer, old);

        m_names.rename(v.cb1->currentIndex(), answer);
        v.cb1->setCurrentIndex(entryindex(v.cb1, answer));
        w.frm->chooseProfile(v.cb1->currentIndex());
        rebuildPrintList(ticked);
        v.profile.name = answer;
        saveprofile(answer);
    });
    recipients.commit();
}

void Topt::deleteprofile() {
    Tview& v = *w.view;
    if (v.cb1->count() < 2) {
        w.messages.notice(QStringLiteral("Нельзя удалить все профили."));
        return;
    }
    const QString old = v.cb1->currentText();
    try {
        AddressDb::Transaction recipients(w.frm->db);
        asOneChange([&] {
            m_ini.eraseSection(old);
            // The print list loses the name and keeps its other ticks; the load below ticks
            // the shown profile's own list anyway.
            m_names.remove(entryindex(v.cb1, old));

            v.cb1->setCurrentIndex(v.cb1->count() - 1);
            const QString shown = v.cb1->currentText();
            loadprofile(shown);
            ProgramOptions::writeProfile(m_ini, shown);
            w.frm->db.removeProfile(v.cb1->itemText(0), old);
        });
        recipients.commit();
    } catch (...) {
        // The editor shows the profile that is still there.
        loadprofile(old);
        throw;
    }
    w.frm->table->refresh();
}
