// The layout editor's commands: profiles, saving, the format, fonts and
// visibility of blocks, the sheet position, the print options and closing.
#include "ui/editor/LayoutEditor.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/controls/NumberKeyFilter.h"
#include "ui/editor/DelayOptions.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/ProfileSwitches.h"
#include "ui/editor/SaveAsDialog.h"
#include "ui/editor/SheetPositionButton.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

namespace Editor = ControlNames::Editor;

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

void LayoutEditor::connectCommands() {
    auto on = [this](auto* sender, auto signal, void (LayoutEditor::*command)()) {
        connect(sender, signal, this,
                [this, command] { guarded(w.messages, [&] { (this->*command)(); }); });
    };
    connect(profileChoice, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { chooseProfile(index); }); });
    connect(formatChoice, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { changeFormat(index); }); });
    on(renameButton, &QToolButton::clicked, &LayoutEditor::renameProfile);
    on(deleteButton, &QToolButton::clicked, &LayoutEditor::deleteProfile);
    on(addButton, &QToolButton::clicked, &LayoutEditor::addProfile);
    on(saveAsButton, &QPushButton::clicked, &LayoutEditor::saveAs);
    connect(saveButton, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { save(); }); });
    on(fontButton, &QPushButton::clicked, &LayoutEditor::chooseFont);
    on(blockFontItem, &QAction::triggered, &LayoutEditor::chooseFont);
    on(visibilityItem, &QAction::triggered, &LayoutEditor::toggleVisibility);
    on(selectAllButton, &QPushButton::clicked, &LayoutEditor::selectAll);
    on(saveAndCloseButton, &QPushButton::clicked, &LayoutEditor::saveAndClose);
    connect(cancelButton, &QPushButton::clicked, this, &LayoutEditor::close);
    on(sheetPositionButton, &QToolButton::clicked, &LayoutEditor::nextSheetPosition);
    connect(sheetPositionButton, &SheetPositionButton::positionChosen, this,
            [this](int position) { guarded(w.messages, [&] { chooseSheetPosition(position); }); });

    // The check mark follows the last selected block in block order.
    connect(blockMenu, &QMenu::aboutToShow, this, [this] {
        for (int n = blockCount; n >= 1; --n) {
            if (isSelected(n)) {
                visibilityItem->setChecked(m_document.profile().block(n).visible);
                break;
            }
        }
    });

    connect(switches, &ProfileSwitches::userChanged, this,
            [this] { guarded(w.messages, [this] { markModified(); }); });
    connect(switches, &ProfileSwitches::indexesSwapped, this,
            [this] { guarded(w.messages, [this] { showTexts(); }); });

    // Every way of closing ("Отмена", "Сохранить и выйти", Escape, the close box) ends here.
    connect(this, &QDialog::finished, this,
            [this] { guarded(w.messages, [this] { finishClosing(); }); });
}

bool LayoutEditor::modified() const {
    return m_document.isModified();
}

void LayoutEditor::chooseProfile(int index) {
    if (index == m_rememberedProfile)
        return;
    if (modified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, изменить текущий профиль?"),
            QStringLiteral("Смена профиля"))) {
        profileChoice->setCurrentIndex(m_rememberedProfile);
        return;
    }
    w.profileStore->load(profileChoice->itemText(index));
    m_document.setModified(false);
}

void LayoutEditor::renameProfile() {
    w.profileStore->rename();
}

void LayoutEditor::deleteProfile() {
    const QString name = m_document.name();
    if (!w.messages.question(
            QStringLiteral("Удалить текущий профиль \"") + name + QStringLiteral("\"?"), name))
        return;
    w.profileStore->remove();
}

void LayoutEditor::addProfile() {
    if (modified() &&
        !w.messages.question(
            QStringLiteral("Несохранённые данные будут потеряны, добавить новый профиль?"),
            QStringLiteral("Смена профиля")))
        return;
    w.profileStore->add();
}

PrintProfile LayoutEditor::currentProfile() const {
    PrintProfile p = m_document.profile();
    // The window's size is the one value the window itself holds.
    p.width = width();
    p.height = height();
    return p;
}

QString LayoutEditor::shownProfileName() const {
    return m_document.name();
}

void LayoutEditor::showProfileNames(QAbstractItemModel* names) {
    profileChoice->setModel(names);
    printChoice->setModel(names);
    // The list shows the document's name as its entry whatever becomes of the list.
    const auto show = [this] { showName(); };
    connect(names, &QAbstractItemModel::modelReset, this, show);
    connect(names, &QAbstractItemModel::layoutChanged, this, show);
    connect(names, &QAbstractItemModel::rowsInserted, this, show);
    connect(names, &QAbstractItemModel::rowsRemoved, this, show);
    connect(names, &QAbstractItemModel::dataChanged, this, show);
}

int LayoutEditor::chosenProfileIndex() const {
    return profileChoice->currentIndex();
}

void LayoutEditor::showName() {
    const QString& name = m_document.name();
    profileChoice->setCurrentIndex(name.isEmpty() ? -1 : profileEntry(name));
}

int LayoutEditor::profileEntry(const QString& name) const {
    for (int i = profileChoice->count() - 1; i >= 0; --i)
        if (profileChoice->itemText(i) == name)
            return i;
    return 0;
}

void LayoutEditor::showPrintList(const QStringList& ticked) {
    if (printChoice->CheckedText() == ticked.join(QLatin1Char(',')))
        return;
    printChoice->DeSelectAll();
    const QStringList items = printChoice->Items();
    for (const QString& name : ticked) {
        const int i = int(items.indexOf(name));
        if (i >= 0 && !printChoice->IsChecked(i))
            printChoice->SetChecked(i, true);
    }
}

void LayoutEditor::setPrintTicks(QStringList ticked) {
    const QStringList items = printChoice->Items();
    printChoice->DeSelectAll();
    for (int i = 0; i < items.size(); ++i)
        if (ticked.contains(items[i]))
            printChoice->SetChecked(i, true);
}

void LayoutEditor::chooseFormat(int format) {
    if (format < 0) {
        // No format is shown, as before the first profile.
        formatChoice->setCurrentIndex(-1);
        m_formatShown = false;
        return;
    }
    m_document.setFormat(format);
    showFormat();
}

void LayoutEditor::showFormat() {
    formatChoice->setCurrentIndex(m_document.profile().format);
    m_formatShown = true;
}

void LayoutEditor::showSwitches() {
    switches->showDocument();
}

void LayoutEditor::showProfileStep(LoadStep step, const QString& name, const IniFile& ini) {
    const PrintProfile& p = m_document.profile();
    auto field = [&](int n, int block, char axis) {
        // The fields show a missing position as 0, though the block sits at 1.
        edit(n)->setText(QString::number(ini.readInteger(name, positionKey(block, axis), 0)));
    };
    switch (step) {
    case LoadStep::KeptValues:
        break;
    case LoadStep::Positions:
        for (int n = 1; n <= blockCount; ++n)
            moveBlock(n, QPoint(p.block(n).x, p.block(n).y));
        break;
    case LoadStep::Format:
        showFormat();
        showName();
        m_rememberedFormat = p.format;
        m_rememberedProfile = profileChoice->currentIndex();
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
            pictureToggles->showPrinted(int(i), toggles[i]);
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
        showEnvelope();
        break;
    case LoadStep::PrintList:
        setPrintTicks(p.printprofiles);
        break;
    case LoadStep::Fonts:
        applyFonts();
        break;
    case LoadStep::Visibility:
        showVisibility();
        break;
    case LoadStep::Switches:
        showSwitches();
        break;
    }
}

void LayoutEditor::showLoadedProfile() {
    showName();
    showTexts();
    showEnvelope();
    centreSurface();
    startHistory();
}

bool LayoutEditor::save() {
    return saveCurrentProfile(false);
}

void LayoutEditor::saveAndClose() {
    if (saveCurrentProfile(true))
        close();
}

bool LayoutEditor::saveCurrentProfile(bool withDelay) {
    if (m_document.printList().isEmpty() &&
        w.messages.question(
            QStringLiteral("Внимание, вы не пометили профили на печать, ни один конверт не будет "
                           "распечатан в данном профиле, отметьте какии профили вы хотите "
                           "печатать, либо нажмите отмена для сохранения данного профиля."),
            QStringLiteral("Пустой список профилей на печать")))
        return false;
    const QString name = m_document.name();
    // Without a chosen profile the save would write a section without a name.
    if (name.isEmpty())
        throw UserError(QStringLiteral("Не выбран профиль для сохранения"));
    w.profileStore->asOneChange([&] {
        IniFile& ini = w.profileStore->ini();
        w.profileStore->save(name);
        ProgramOptions::writeProfile(ini, name);
        if (withDelay)
            delayOptions->write(ini);
    });
    m_document.setModified(false);
    formatPanel->setText(QStringLiteral("Сохранено"));
    showTexts();
    startHistory();
    return true;
}

void LayoutEditor::saveAs() {
    SaveAsDialog& dialog = *w.saveAs;
    w.messages.showModal(dialog);
    const QString typed = dialog.name();
    // Blanks only can reach here by the close box; like an empty name they save nothing.
    if (typed.trimmed().isEmpty())
        return;

    // The settings file does not tell section names apart by letter case, so a
    // name in another case is that profile, saved under the name it is stored by.
    QString existing;
    const QStringList& names = w.profileStore->profileNames().names();
    for (auto i = names.size() - 1; i >= 0 && existing.isEmpty(); --i)
        if (names[i].compare(typed.trimmed(), Qt::CaseInsensitive) == 0)
            existing = names[i];
    if (!existing.isEmpty()) {
        if (!w.messages.question(QStringLiteral("Такой профиль уже существует, переписать?"),
                                 QStringLiteral("Внимание")))
            return;
        w.profileStore->save(existing);
        w.profileStore->load(existing);
        return;
    }

    const QString name = w.profileStore->checkedName(typed);
    try {
        w.profileStore->asOneChange([&] { saveAsNew(name); });
    } catch (...) {
        // What was typed is still not saved anywhere.
        markModified();
        throw;
    }
}

void LayoutEditor::saveAsNew(const QString& name) {
    w.profileStore->appendSection(name);
    // Every list shows the new name at its end; the print list keeps its ticks and adds it.
    w.profileStore->profileNames().append(name);
    printChoice->SetChecked(int(printChoice->Items().size()) - 1, true);

    w.profileStore->save(name);
    w.profileStore->load(name);
}

void LayoutEditor::changeFormat(int index) {
    if (index == m_rememberedFormat)
        return;
    // "Cмена" begins with a Latin C, as the program has always shown it.
    if (!w.messages.question(QStringLiteral("При смене формата конверта настройки координат будут "
                                            "сброшены, изменить формат конверта?"),
                             QStringLiteral("Cмена формата"))) {
        formatChoice->setCurrentIndex(m_rememberedFormat);
        return;
    }
    markModified();
    m_document.setFormat(index);
    resetLayout();
    showEnvelope();
    centreSurface();
    m_rememberedFormat = m_document.profile().format;
    recordChange(ProfileChange::Format);
}

void LayoutEditor::chooseFont() {
    try {
        for (int n = 1; n <= blockCount; ++n) {
            if (!isSelected(n))
                continue;
            m_fontDialog.setFontFrom(m_document.profile().block(n));
        }
        QFont font = dialogFont(m_fontDialog);
        QColor colour = colourOf(m_fontDialog.colour);
        if (w.messages.fontDialog(font, colour)) {
            TextBlock chosen = m_fontDialog;
            takeFont(chosen, font, screen().scrDpiY);
            chosen.colour = bgrOf(colour);
            m_fontDialog = chosen;
            markModified();
            for (int n = 1; n <= blockCount; ++n) {
                if (!isSelected(n))
                    continue;
                m_document.setBlockFont(n, m_fontDialog);
            }
            applyFonts();
        }
    } catch (const std::exception&) {
        w.messages.notice(QStringLiteral("Не выделен текст"));
    }
    showVisibility();
    recordChange(ProfileChange::Font);
}

void LayoutEditor::toggleVisibility() {
    markModified();
    for (int n = 1; n <= blockCount; ++n)
        if (isSelected(n))
            m_document.setBlockVisible(n, !m_document.profile().block(n).visible);
    showVisibility();
    recordChange(ProfileChange::Visibility);
}

void LayoutEditor::chooseSheetPosition(int position) {
    setSheetPosition(position);
    markModified();
    recordChange(ProfileChange::SheetPosition);
}

void LayoutEditor::nextSheetPosition() {
    setSheetPosition((sheetPosition() + 1) % 9);
    markModified();
    recordChange(ProfileChange::SheetPosition);
}

void LayoutEditor::finishClosing() {
    m_document.setModified(false);
    w.mainWindow->editorClosed();
}
