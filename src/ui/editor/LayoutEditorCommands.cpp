// The layout editor's commands: a profile's load steps, saving, the format, the pictures,
// the sheet position, the print list and closing.
#include "ui/editor/LayoutEditor.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/DelayOptions.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/ProfileBar.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/ProfileSwitches.h"
#include "ui/editor/SheetPositionButton.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

void LayoutEditor::connectCommands() {
    auto on = [this](auto* sender, auto signal, auto command) {
        connect(sender, signal, this, [this, command] { guarded(w.messages, command); });
    };
    connect(formatChoice, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { changeFormat(index); }); });
    on(m_profileBar, &ProfileBar::saveRequested, [this] { save(); });
    connect(m_profileBar, &ProfileBar::profileAppended, this,
            [this] { printChoice->SetChecked(int(printChoice->Items().size()) - 1, true); });
    on(fontButton, &QPushButton::clicked, [this] { m_canvas->chooseFont(); });
    on(selectAllButton, &QPushButton::clicked, [this] { m_canvas->selectAll(); });
    on(saveAndCloseButton, &QPushButton::clicked, [this] { saveAndClose(); });
    connect(cancelButton, &QPushButton::clicked, this, &LayoutEditor::close);
    on(sheetPositionButton, &QToolButton::clicked, [this] { nextSheetPosition(); });
    connect(sheetPositionButton, &SheetPositionButton::positionChosen, this,
            [this](int position) { guarded(w.messages, [&] { chooseSheetPosition(position); }); });
    connect(m_canvas, &BlockCanvas::blockMoved, m_panels, &CoordinatePanels::showCoordinates);

    on(switches, &ProfileSwitches::userChanged, [this] { m_document.setModified(true); });
    on(switches, &ProfileSwitches::indexesSwapped, [this] { m_canvas->showTexts(); });

    // Every way of closing ("Отмена", "Сохранить и выйти", Escape, the close box) ends here.
    on(this, &QDialog::finished, [this] { finishClosing(); });
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
    m_profileBar->showProfileNames(names);
    printChoice->setModel(names);
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

int LayoutEditor::currentFormat() const {
    return m_formatShown ? m_document.profile().format : -1;
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

void LayoutEditor::showEnvelope() {
    const int format = currentFormat();
    m_canvas->showEnvelope(format);
    if (format >= 0)
        formatPanel->setText(QString::fromUtf8(envelopeFormats()[size_t(format)].status));
    m_document.setModified(true);
    showPictures();
}

void LayoutEditor::showPictures() {
    for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot})
        pictureToggles->showOffered(slot, true);
    const int format = currentFormat();
    if (format < 0)
        return;
    const bool all = envelopeFormats()[size_t(format)].allPictures;
    // A format with one picture prints none of the other three.
    if (!all)
        for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot})
            m_document.setPicturePrinted(slot, false);
    const PrintProfile& p = m_document.profile();
    const std::array<bool, 4> printed = {p.otkogo, p.komu, p.index, p.marka};
    for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
        pictureToggles->showPrinted(slot, printed[slot]);
        if (!all && slot != SenderSlot)
            pictureToggles->showOffered(slot, false);
        else
            m_canvas->showPicture(format, slot, printed[slot]);
    }
}

void LayoutEditor::resetLayout() {
    for (int n = 1; n <= blockCount; ++n)
        m_canvas->moveBlock(n, defaultBlockPosition(n));
    setSheetPosition(7);
    m_document.setPadMarker({70, 90});
    showEnvelope();
}

int LayoutEditor::sheetPosition() const {
    return m_document.profile().listpos;
}

void LayoutEditor::setSheetPosition(int position) {
    m_document.setSheetPosition(position);
    sheetPositionButton->showPosition(position);
}

void LayoutEditor::showProfileStep(LoadStep step, const QString& name, const IniFile& ini) {
    const PrintProfile& p = m_document.profile();
    switch (step) {
    case LoadStep::KeptValues:
        break;
    case LoadStep::Positions:
        for (int n = 1; n <= blockCount; ++n)
            m_canvas->moveBlock(n, QPoint(p.block(n).x, p.block(n).y));
        break;
    case LoadStep::Format:
        showFormat();
        m_profileBar->showName();
        m_rememberedFormat = p.format;
        m_profileBar->rememberProfile(m_profileBar->chosenProfileIndex());
        break;
    case LoadStep::SheetShifts:
        m_panels->showSheetShifts();
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
        m_panels->showDigitSpacing();
        break;
    case LoadStep::PadMarker:
        m_panels->showStoredPositions(ini, name);
        showEnvelope();
        break;
    case LoadStep::PrintList:
        setPrintTicks(p.printprofiles);
        break;
    case LoadStep::Fonts:
        m_canvas->applyFonts();
        break;
    case LoadStep::Visibility:
        m_canvas->showVisibility();
        break;
    case LoadStep::Switches:
        switches->showDocument();
        break;
    }
}

void LayoutEditor::showLoadedProfile() {
    m_profileBar->showName();
    m_canvas->showTexts();
    showEnvelope();
    m_canvas->centreSurface();
    m_document.startHistory();
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
    m_canvas->showTexts();
    m_document.startHistory();
    return true;
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
    m_document.setModified(true);
    m_document.setFormat(index);
    resetLayout();
    showEnvelope();
    m_canvas->centreSurface();
    m_rememberedFormat = m_document.profile().format;
    m_document.record(ProfileChange::Format);
}

void LayoutEditor::chooseSheetPosition(int position) {
    setSheetPosition(position);
    m_document.setModified(true);
    m_document.record(ProfileChange::SheetPosition);
}

void LayoutEditor::nextSheetPosition() {
    setSheetPosition((sheetPosition() + 1) % 9);
    m_document.setModified(true);
    m_document.record(ProfileChange::SheetPosition);
}

void LayoutEditor::finishClosing() {
    m_document.setModified(false);
    w.mainWindow->editorClosed();
}
