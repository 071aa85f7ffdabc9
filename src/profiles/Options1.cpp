#include "Options1.h"

#include "app/Envalo.h"
#include "app/Messages.h"
#include "app/UserError.h"
#include "app/Windows.h"
#include "controls/CheckCombo.h"
#include "editor/EnvelopeFormat.h"
#include "editor/uView.h"
#include "profiles/ProgramOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString newProfileName = QStringLiteral("Новый профиль");

QString key(int block, const char* suffix) {
    return QStringLiteral("t%1_%2").arg(block).arg(QLatin1String(suffix));
}

QString stemKey(int block, char axis) {
    return QString::fromUtf8(blockInfo(block).stem) + QLatin1Char('_') + QLatin1Char(axis);
}

QString flag(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

QStringList names(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->itemText(i));
    return result;
}

} // namespace

Topt::Topt(Windows& windows)
    : w(windows), m_ini(windows.appdir + QStringLiteral("envalo.ini")) {
    startTimer.setSingleShot(true);
    startTimer.setInterval(10);
    connect(&startTimer, &QTimer::timeout, this,
            [this] { guarded(w.messages, [this] { startprofile(); }); });
    listprofiles();
}

void Topt::listprofiles() {
    QStringList sections = m_ini.sections();
    sections.removeAll(ProgramOptions::section);
    w.view->cb1->clear();
    w.view->cb1->addItems(sections);
    startTimer.start();
}

void Topt::startprofile() {
    startTimer.stop();
    QComboBox* cb1 = w.view->cb1;
    const QComboBox* cbp = w.frm->cbp;
    QString text = cbp->currentText();
    cb1->setCurrentIndex(cbp->currentIndex() < cb1->count() ? cbp->currentIndex() : -1);
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
    return names(w.view->cb1).contains(name);
}

void Topt::markmodified() { w.view->markmodified(); }

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
    for (const QString& other : names(w.view->cb1)) {
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
    return {names(v.cb1),     v.cb1->currentIndex(),   names(w.frm->cbp),
            w.frm->cbp->currentIndex(), v.ccb1->Items(), v.ccb1->CheckedText(),
            v.profile.name,   v.rememberedProfile};
}

void Topt::restore(const Lists& before) {
    Tview& v = *w.view;
    v.cb1->clear();
    v.cb1->addItems(before.names);
    v.cb1->setCurrentIndex(before.chosen);
    QComboBox* cbp = w.frm->cbp;
    cbp->clear();
    cbp->addItems(before.mainNames);
    cbp->setCurrentIndex(before.mainChosen);
    v.ccb1->SetItems(before.printNames);
    // Ticked again in the order they were ticked, which is the order the text keeps.
    for (const QString& name : before.printTicked.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int i = int(before.printNames.indexOf(name));
        if (i >= 0 && !v.ccb1->IsChecked(i))
            v.ccb1->SetChecked(i, true);
    }
    v.profile.name = before.profileName;
    v.rememberedProfile = before.rememberedProfile;
}

void Topt::appendsection(const QString& name) {
    QStringList lines = m_ini.readLines();
    lines.append(QLatin1Char('[') + name + QLatin1Char(']'));
    m_ini.writeLines(lines);
}

void Topt::rebuildPrintList(const QStringList& ticked) {
    TCheckedComboBox* ccb1 = w.view->ccb1;
    const QStringList items = names(w.view->cb1);
    ccb1->SetItems(items);
    for (int i = 0; i < items.size(); ++i)
        if (ticked.contains(items[i]))
            ccb1->SetChecked(i, true);
}

void Topt::loadprofile(const QString& name) {
    try {
        loadSteps(name);
    } catch (const std::exception& e) {
        // The cause names the picture or the value, so the user knows what to mend.
        throw UserError(QStringLiteral("Ошибка загрузки профиля «%1».\r\n%2")
                            .arg(name, errorMessage(e)));
    }
}

void Topt::loadSteps(const QString& name) {
    Tview& v = *w.view;
    PrintProfile& p = v.profile;
    p.name = name;
    for (size_t i = 0; i < keptValueKeys.size(); ++i)
        p.kept[i] = m_ini.readString(name, QLatin1String(keptValueKeys[i]), QStringLiteral("0"));

    for (int n = 1; n <= blockCount; ++n)
        v.moveBlock(n, QPoint(m_ini.readInteger(name, stemKey(n, 'x'), 1),
                              m_ini.readInteger(name, stemKey(n, 'y'), 1)));

    p.format = formatEntry(
        m_ini.readString(name, QStringLiteral("format"), QStringLiteral("dl (110 x 220 мм)")));
    v.cb2->setCurrentIndex(p.format);
    v.cb1->setCurrentIndex(entryindex(v.cb1, name));
    v.rememberedFormat = v.cb2->currentIndex();
    v.rememberedProfile = v.cb1->currentIndex();

    p.allx = m_ini.readString(name, QStringLiteral("allx"), QStringLiteral("0"));
    p.ally = m_ini.readString(name, QStringLiteral("ally"), QStringLiteral("0"));
    v.edit(8)->setText(p.allx);
    v.edit(9)->setText(p.ally);

    // A missing key puts the envelope where old files printed it: position 0.
    const int listpos = m_ini.readInteger(name, QStringLiteral("listpos"), 0);
    if (listpos < 0 || listpos > 8)
        throw UserError(
            QStringLiteral("Положение конверта на листе listpos=%1 должно быть от 0 до 8").arg(listpos));
    v.setSheetPosition(listpos);

    p.otkogo = m_ini.readBool(name, QStringLiteral("otkogo"), true);
    p.komu = m_ini.readBool(name, QStringLiteral("komu"), true);
    p.index = m_ini.readBool(name, QStringLiteral("index"), true);
    p.marka = m_ini.readBool(name, QStringLiteral("marka"), true);
    const std::array<bool, 4> toggles = {p.otkogo, p.komu, p.index, p.marka};
    for (size_t i = 0; i < 4; ++i)
        v.SpeedButton[i]->setChecked(toggles[i]);

    p.width = m_ini.readInteger(name, QStringLiteral("width"), 1075);
    p.height = m_ini.readInteger(name, QStringLiteral("height"), 800);
    v.resize(std::clamp(p.width, 100, 20000), std::clamp(p.height, 100, 20000));

    p.iz = m_ini.readString(name, QStringLiteral("iz"), QStringLiteral("10"));
    v.edit(3)->setText(p.iz);

    p.corx = m_ini.readInteger(name, QStringLiteral("corx"), 70);
    p.cory = m_ini.readInteger(name, QStringLiteral("cory"), 90);

    auto field = [&](int edit, int block, char axis) {
        v.edit(edit)->setText(QString::number(m_ini.readInteger(name, stemKey(block, axis), 0)));
    };
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

    p.printprofiles = m_ini.readString(name, QStringLiteral("printprofiles"), QString())
                          .split(QLatin1Char(','), Qt::SkipEmptyParts);
    rebuildPrintList(p.printprofiles);

    for (int n = 1; n <= blockCount; ++n) {
        TextBlock& b = p.block(n);
        b.face = m_ini.readString(name, key(n, "fname"), QStringLiteral("Arial"));
        b.size = m_ini.readInteger(name, key(n, "fsize"), 10);
        if (b.size < 1 || b.size > 1000)
            throw UserError(QStringLiteral("Размер шрифта %1=%2 должен быть от 1 до 1000")
                                .arg(key(n, "fsize"))
                                .arg(b.size));
        b.style = m_ini.readInteger(name, key(n, "fstyle"), 0);
        b.colour = quint32(m_ini.readInteger(name, key(n, "fcolor"), 0));
        b.charset = m_ini.readInteger(name, key(n, "fcharset"), 0);
        b.pitch = m_ini.readInteger(name, key(n, "fpitch"), 0);
    }
    v.applyFonts();
    for (int n = 1; n <= blockCount; ++n)
        p.block(n).visible = m_ini.readBool(name, key(n, "visible"), true);
    v.setvisible();

    p.printconfirm = m_ini.readBool(name, QStringLiteral("printconfirm"), true);
    p.indexswitch = m_ini.readBool(name, QStringLiteral("indexswitch"), false);
    v.cb3->setChecked(p.printconfirm);
    v.CheckBox1->setChecked(p.indexswitch);

    v.cb1->setCurrentIndex(entryindex(v.cb1, name));
    v.settext();
    v.setform();
    v.centreSurface();
    v.Button10->setEnabled(false);
}

void Topt::saveprofile(const QString& name) {
    const Tview& v = *w.view;
    const PrintProfile& p = v.profile;
    std::vector<std::pair<QString, QString>> values;
    values.reserve(200);
    auto put = [&](const QString& k, const QString& value) { values.emplace_back(k, value); };

    for (size_t i = 0; i < keptValueKeys.size(); ++i)
        put(QLatin1String(keptValueKeys[i]), p.kept[i]);
    for (const char* k : {"IndDown", "Sender", "Recipient"})
        put(QLatin1String(k), flag(false));

    auto position = [&](int block, char axis) {
        const TextBlock& b = p.block(block);
        put(stemKey(block, axis), QString::number(axis == 'x' ? b.x : b.y));
    };
    auto both = [&](int block) {
        position(block, 'x');
        position(block, 'y');
    };
    auto across = [&](std::initializer_list<int> blocks) {
        for (int b : blocks)
            position(b, 'x');
        for (int b : blocks)
            position(b, 'y');
    };
    both(1);
    both(18);
    both(19);
    across({2, 3, 4});
    both(5);
    across({7, 8, 20});
    across({9, 10, 11});
    both(6);
    for (int n = 12; n <= 17; ++n)
        both(n);

    put(QStringLiteral("format"), v.cb2->currentText());
    put(QStringLiteral("otkogo"), flag(v.SpeedButton[0]->isChecked()));
    put(QStringLiteral("komu"), flag(v.SpeedButton[1]->isChecked()));
    put(QStringLiteral("index"), flag(v.SpeedButton[2]->isChecked()));
    put(QStringLiteral("marka"), flag(v.SpeedButton[3]->isChecked()));
    put(QStringLiteral("iz"), v.edit(3)->text());
    put(QStringLiteral("listpos"), QString::number(v.sheetPosition()));
    put(QStringLiteral("corx"), QString::number(p.corx));
    put(QStringLiteral("cory"), QString::number(p.cory));
    put(QStringLiteral("allx"), v.edit(8)->text());
    put(QStringLiteral("ally"), v.edit(9)->text());
    put(QStringLiteral("width"), QString::number(v.width()));
    put(QStringLiteral("height"), QString::number(v.height()));
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& b = p.block(n);
        put(key(n, "fname"), b.face);
        put(key(n, "fsize"), QString::number(b.size));
        put(key(n, "fstyle"), QString::number(b.style));
        put(key(n, "fcolor"), QString::number(qint32(b.colour)));
        put(key(n, "fpitch"), QString::number(b.pitch));
        put(key(n, "fcharset"), QString::number(b.charset));
    }
    for (int n = 1; n <= blockCount; ++n)
        put(key(n, "visible"), flag(p.block(n).visible));
    put(QStringLiteral("printconfirm"), flag(v.cb3->isChecked()));
    put(QStringLiteral("printprofiles"), v.ccb1->CheckedText());
    put(QStringLiteral("indexswitch"), flag(v.CheckBox1->isChecked()));
    m_ini.writeKeys(name, values);
}

void Topt::newprofile() {
    Tview& v = *w.view;
    QString name = newProfileName;
    auto taken = [&](const QString& candidate) {
        for (const QString& other : names(v.cb1))
            if (other.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (int k = 2; taken(name); ++k)
        name = newProfileName + QLatin1Char(' ') + QString::number(k);

    const QString before = v.profile.name;
    try {
        asOneChange([&] {
            v.cb1->addItem(name);
            w.frm->cbp->addItem(name);
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
    QComboBox* cbp = w.frm->cbp;
    const QString old = v.cb1->currentText();
    const QString typed = w.messages.inputBox(QStringLiteral("Переименовать профиль"),
                                              QStringLiteral("Напишите новое название профиля"),
                                              old);
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

        const int chosen = v.cb1->currentIndex();
        v.cb1->setItemText(chosen, answer);
        v.cb1->setCurrentIndex(entryindex(v.cb1, answer));
        cbp->clear();
        cbp->addItems(names(v.cb1));
        cbp->setCurrentIndex(v.cb1->currentIndex());
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

            TCheckedComboBox* ccb1 = v.ccb1;
            const QStringList items = ccb1->Items();
            QStringList ticked;
            for (int i = 0; i < items.size(); ++i)
                if (ccb1->IsChecked(i) && items[i] != old)
                    ticked.append(items[i]);
            v.cb1->removeItem(entryindex(v.cb1, old));
            rebuildPrintList(ticked);

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
    QComboBox* cbp = w.frm->cbp;
    const int gone = cbp->findText(old, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (gone >= 0)
        cbp->removeItem(gone);
}
