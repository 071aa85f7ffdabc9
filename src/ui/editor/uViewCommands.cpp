// The layout editor's commands: profiles, saving, the format, fonts and
// visibility of blocks, the sheet position, the print options and closing.
#include "ui/editor/uView.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckCombo.h"
#include "ui/controls/NumberKeyFilter.h"
#include "ui/editor/Options1.h"
#include "ui/editor/unSaveAs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>

namespace {

QFont dialogFont(const TextBlock& block) {
    QFont font = styledFont(block);
    font.setPointSize(block.size);
    return font;
}

// The chosen font into the block's stored fields; the character set stays,
// since Qt's font dialog does not choose one.
void takeFont(TextBlock& block, const QFont& font, int dpiY) {
    int size = font.pointSize();
    if (size <= 0 && font.pointSizeF() > 0)
        size = int(std::lround(font.pointSizeF()));
    if (size <= 0 && font.pixelSize() > 0)
        size = int(std::lround(font.pixelSize() * 72.0 / dpiY));
    // A size the profile load refuses would make the saved profile unloadable.
    if (size < 1 || size > 1000)
        throw UserError(QStringLiteral("font size %1").arg(size));
    block.face = font.family();
    block.size = size;
    block.style = (font.bold() ? StyleBold : 0) | (font.italic() ? StyleItalic : 0) |
                  (font.underline() ? StyleUnderline : 0) | (font.strikeOut() ? StyleStrikeOut : 0);
    const bool fixed = font.fixedPitch() ||
                       QFontDatabase::isFixedPitch(font.family(), QFontDatabase::styleString(font));
    if (fixed)
        block.pitch = 2;
    else if (block.pitch == 2)
        block.pitch = 0;
}

} // namespace

void Tview::connectCommands() {
    auto on = [this](auto* sender, auto signal, void (Tview::*command)()) {
        connect(sender, signal, this,
                [this, command] { guarded(w.messages, [&] { (this->*command)(); }); });
    };
    connect(cb1, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { cb1Change(index); }); });
    connect(cb2, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { cb2Change(index); }); });
    on(SpeedButton7, &QToolButton::clicked, &Tview::SpeedButton7Click);
    on(SpeedButton6, &QToolButton::clicked, &Tview::SpeedButton6Click);
    on(SpeedButton5, &QToolButton::clicked, &Tview::SpeedButton5Click);
    on(Button5, &QPushButton::clicked, &Tview::Button5Click);
    connect(Button10, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { Button10Click(); }); });
    on(Button11, &QPushButton::clicked, &Tview::fontClick);
    on(N10, &QAction::triggered, &Tview::fontClick);
    on(N11, &QAction::triggered, &Tview::N11Click);
    on(Button12, &QPushButton::clicked, &Tview::selectAll);
    on(Button9, &QPushButton::clicked, &Tview::Button9Click);
    connect(Button8, &QPushButton::clicked, this, &Tview::close);
    on(ToolButton1, &QToolButton::clicked, &Tview::ToolButton1Click);
    for (int i = 0; i < 9; ++i)
        connect(positionItems[size_t(i)], &QAction::triggered, this,
                [this, i] { guarded(w.messages, [&] { positionClick(i); }); });

    // The check mark follows the last selected block in block order.
    connect(pp1, &QMenu::aboutToShow, this, [this] {
        for (int n = blockCount; n >= 1; --n) {
            if (isSelected(n)) {
                N11->setChecked(profile.block(n).visible);
                break;
            }
        }
    });

    connect(CheckBox1, &QCheckBox::clicked, this, [this](bool checked) {
        guarded(w.messages, [&] {
            profile.indexswitch = checked;
            markmodified();
            settext();
        });
    });
    connect(stencilBox, &QCheckBox::clicked, this, [this] { markmodified(); });
    connect(cb3, &QCheckBox::clicked, this, [this](bool checked) {
        profile.printconfirm = checked;
        markmodified();
    });
    connect(ccb1, &TCheckedComboBox::userChanged, this, [this] {
        profile.printprofiles = ccb1->CheckedText().split(QLatin1Char(','), Qt::SkipEmptyParts);
    });

    // The spinner and the field move together; the field alone is saved, as typed.
    new NumberKeyFilter(Edit15, 2);
    connect(UpDown1, &QSpinBox::valueChanged, this, [this](int value) {
        if (Edit15->text() != QString::number(value))
            Edit15->setText(QString::number(value));
    });
    connect(Edit15, &QLineEdit::textChanged, this, [this](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (!ok)
            return;
        const QSignalBlocker blocker(UpDown1);
        UpDown1->setValue(std::clamp(value, UpDown1->minimum(), UpDown1->maximum()));
    });

    // Every way of closing ("Отмена", "Сохранить и выйти", Escape, the close box) ends here.
    connect(this, &QDialog::finished, this,
            [this] { guarded(w.messages, [this] { FormClose(); }); });
}

bool Tview::modified() const {
    return Button10->isEnabled();
}

void Tview::cb1Change(int index) {
    if (index == m_rememberedProfile)
        return;
    if (modified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, изменить текущий профиль?"),
            QStringLiteral("Смена профиля"))) {
        cb1->setCurrentIndex(m_rememberedProfile);
        return;
    }
    w.opt->loadprofile(cb1->itemText(index));
    Button10->setEnabled(false);
}

void Tview::SpeedButton7Click() {
    w.opt->renameprofile();
}

void Tview::SpeedButton6Click() {
    const QString name = cb1->currentText();
    if (!w.messages.question(
            QStringLiteral("Удалить текущий профиль \"") + name + QStringLiteral("\"?"), name))
        return;
    w.opt->deleteprofile();
}

void Tview::SpeedButton5Click() {
    if (modified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, добавить новый профиль?"),
            QStringLiteral("Смена профиля")))
        return;
    w.opt->newprofile();
}

PrintProfile Tview::currentProfile() const {
    PrintProfile p = profile;
    // The window's size is the one value the window itself holds.
    p.width = width();
    p.height = height();
    return p;
}

QString Tview::shownProfileName() const {
    return cb1->currentText();
}

void Tview::showProfileNames(QAbstractItemModel* names) {
    cb1->setModel(names);
    ccb1->setModel(names);
}

int Tview::chosenProfileIndex() const {
    return cb1->currentIndex();
}

void Tview::chooseProfileIndex(int index) {
    cb1->setCurrentIndex(index);
}

int Tview::profileEntry(const QString& name) const {
    for (int i = cb1->count() - 1; i >= 0; --i)
        if (cb1->itemText(i) == name)
            return i;
    return 0;
}

QString Tview::printTicks() const {
    return ccb1->CheckedText();
}

void Tview::restorePrintTicks(const QString& ticks) {
    if (ccb1->CheckedText() == ticks)
        return;
    ccb1->DeSelectAll();
    const QStringList items = ccb1->Items();
    for (const QString& name : ticks.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int i = int(items.indexOf(name));
        if (i >= 0 && !ccb1->IsChecked(i))
            ccb1->SetChecked(i, true);
    }
}

void Tview::setPrintTicks(QStringList ticked) {
    const QStringList items = ccb1->Items();
    ccb1->DeSelectAll();
    for (int i = 0; i < items.size(); ++i)
        if (ticked.contains(items[i]))
            ccb1->SetChecked(i, true);
}

void Tview::chooseFormat(int format) {
    cb2->setCurrentIndex(format);
}

void Tview::showProfileStep(LoadStep step, const QString& name, const IniFile& ini) {
    PrintProfile& p = profile;
    auto field = [&](int n, int block, char axis) {
        // The fields show a missing position as 0, though the block sits at 1.
        edit(n)->setText(QString::number(ini.readInteger(name, positionKey(block, axis), 0)));
    };
    switch (step) {
    case LoadStep::KeptValues:
        // The steps of the profile shown before end with its load, also one that fails.
        m_history.start(profile);
        break;
    case LoadStep::Positions:
        for (int n = 1; n <= blockCount; ++n)
            moveBlock(n, QPoint(p.block(n).x, p.block(n).y));
        break;
    case LoadStep::Format:
        cb2->setCurrentIndex(p.format);
        cb1->setCurrentIndex(profileEntry(name));
        m_rememberedFormat = cb2->currentIndex();
        m_rememberedProfile = cb1->currentIndex();
        break;
    case LoadStep::SheetShifts:
        edit(8)->setText(p.allx);
        edit(9)->setText(p.ally);
        break;
    case LoadStep::SheetPosition:
        setSheetPosition(p.listpos);
        break;
    case LoadStep::Pictures: {
        const std::array<bool, 4> toggles = {p.otkogo, p.komu, p.index, p.marka};
        for (size_t i = 0; i < 4; ++i)
            SpeedButton[i]->setChecked(toggles[i]);
        break;
    }
    case LoadStep::WindowSize:
        resize(std::clamp(p.width, 100, 20000), std::clamp(p.height, 100, 20000));
        break;
    case LoadStep::DigitSpacing:
        edit(3)->setText(p.iz);
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
        setform();
        break;
    case LoadStep::PrintList:
        setPrintTicks(p.printprofiles);
        break;
    case LoadStep::Fonts:
        applyFonts();
        break;
    case LoadStep::Visibility:
        setvisible();
        break;
    case LoadStep::Switches:
        cb3->setChecked(p.printconfirm);
        CheckBox1->setChecked(p.indexswitch);
        stencilBox->setChecked(p.indexstencil);
        break;
    }
}

void Tview::showLoadedProfile(const QString& name) {
    cb1->setCurrentIndex(profileEntry(name));
    settext();
    setform();
    centreSurface();
    Button10->setEnabled(false);
    startHistory();
}

QStringList Tview::profilesToPrint() const {
    QStringList chosen;
    const QStringList items = ccb1->Items();
    for (int i = 0; i < items.size(); ++i)
        if (ccb1->IsChecked(i))
            chosen.append(items[i]);
    return chosen;
}

bool Tview::Button10Click() {
    return saveCurrentProfile(false);
}

void Tview::Button9Click() {
    if (saveCurrentProfile(true))
        close();
}

bool Tview::saveCurrentProfile(bool withDelay) {
    if (ccb1->CheckedCount() == 0 &&
        w.messages.question(
            QStringLiteral("Внимание, вы не пометили профили на печать, ни один конверт не будет "
                           "распечатан в данном профиле, отметьте какии профили вы хотите "
                           "печатать, либо нажмите отмена для сохранения данного профиля."),
            QStringLiteral("Пустой список профилей на печать")))
        return false;
    const QString name = cb1->currentText();
    // Without a chosen profile the save would write a section without a name.
    if (name.isEmpty())
        throw UserError(QStringLiteral("Не выбран профиль для сохранения"));
    w.opt->asOneChange([&] {
        IniFile& ini = w.opt->ini();
        w.opt->saveprofile(name);
        ProgramOptions::writeProfile(ini, name);
        if (withDelay)
            ProgramOptions::writeDelay(
                ini, Edit15->text(), rb1->isChecked() ? QStringLiteral("1") : QStringLiteral("2"));
    });
    Button10->setEnabled(false);
    formatPanel->setText(QStringLiteral("Сохранено"));
    settext();
    startHistory();
    return true;
}

void Tview::Button5Click() {
    TfSaveAs& dialog = *w.fSaveAs;
    w.messages.showModal(dialog);
    const QString typed = dialog.name();
    // Blanks only can reach here by the close box; like an empty name they save nothing.
    if (typed.trimmed().isEmpty())
        return;

    // The settings file does not tell section names apart by letter case, so a
    // name in another case is that profile, saved under the name it is stored by.
    QString existing;
    for (int i = cb1->count() - 1; i >= 0 && existing.isEmpty(); --i)
        if (cb1->itemText(i).compare(typed.trimmed(), Qt::CaseInsensitive) == 0)
            existing = cb1->itemText(i);
    if (!existing.isEmpty()) {
        if (!w.messages.question(QStringLiteral("Такой профиль уже существует, переписать?"),
                                 QStringLiteral("Внимание")))
            return;
        w.opt->saveprofile(existing);
        w.opt->loadprofile(existing);
        return;
    }

    const QString name = w.opt->checkedName(typed);
    try {
        w.opt->asOneChange([&] { saveAsNew(name); });
    } catch (...) {
        // What was typed is still not saved anywhere.
        markmodified();
        throw;
    }
}

void Tview::saveAsNew(const QString& name) {
    w.opt->appendsection(name);
    // Every list shows the new name at its end; the print list keeps its ticks and adds it.
    w.opt->profileNames().append(name);
    ccb1->SetChecked(int(ccb1->Items().size()) - 1, true);

    w.opt->saveprofile(name);
    w.opt->loadprofile(name);
}

void Tview::cb2Change(int index) {
    if (index == m_rememberedFormat)
        return;
    // "Cмена" begins with a Latin C, as the program has always shown it.
    if (!w.messages.question(QStringLiteral("При смене формата конверта настройки координат будут "
                                            "сброшены, изменить формат конверта?"),
                             QStringLiteral("Cмена формата"))) {
        cb2->setCurrentIndex(m_rememberedFormat);
        return;
    }
    markmodified();
    profile.format = index;
    resetlayout();
    setform();
    centreSurface();
    m_rememberedFormat = cb2->currentIndex();
    recordChange(ProfileChange::Format);
}

void Tview::fontClick() {
    try {
        for (int n = 1; n <= blockCount; ++n) {
            if (!isSelected(n))
                continue;
            m_fontDialog.setFontFrom(profile.block(n));
        }
        QFont font = dialogFont(m_fontDialog);
        QColor colour = colourOf(m_fontDialog.colour);
        if (w.messages.fontDialog(font, colour)) {
            TextBlock chosen = m_fontDialog;
            takeFont(chosen, font, screen.scrDpiY);
            chosen.colour = bgrOf(colour);
            m_fontDialog = chosen;
            markmodified();
            for (int n = 1; n <= blockCount; ++n) {
                if (!isSelected(n))
                    continue;
                profile.block(n).setFontFrom(m_fontDialog);
            }
            applyFonts();
        }
    } catch (const std::exception&) {
        w.messages.notice(QStringLiteral("Не выделен текст"));
    }
    setvisible();
    recordChange(ProfileChange::Font);
}

void Tview::N11Click() {
    markmodified();
    for (int n = 1; n <= blockCount; ++n)
        if (isSelected(n))
            profile.block(n).visible = !profile.block(n).visible;
    setvisible();
    recordChange(ProfileChange::Visibility);
}

void Tview::positionClick(int position) {
    setSheetPosition(position);
    markmodified();
    recordChange(ProfileChange::SheetPosition);
}

void Tview::ToolButton1Click() {
    setSheetPosition((sheetPosition() + 1) % 9);
    markmodified();
    recordChange(ProfileChange::SheetPosition);
}

void Tview::readDelaySettings() {
    const ProgramOptions options = ProgramOptions::read(w.opt->ini());
    Edit15->setText(options.printdelay);
    if (options.delayBeforeEveryEnvelope())
        rb1->setChecked(true);
    else
        rb2->setChecked(true);
}

void Tview::FormClose() {
    Button10->setEnabled(false);
    w.mainWindow->editorClosed();
}
