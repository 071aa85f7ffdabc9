// The layout editor's bottom rows: the pictures, the sheet position, the print list, the
// format, the switches, the block commands, the delay and the leaving buttons.
#include "ui/editor/OptionsBar.h"

#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/DelayOptions.h"
#include "ui/editor/NamedControls.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/ProfileSwitches.h"
#include "ui/editor/SheetPositionButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

OptionsBar::OptionsBar(Windows& windows, BlockCanvas& canvas, QWidget* parent)
    : QWidget(parent), w(windows), m_document(*windows.document), m_canvas(canvas) {
    buildRows();
    for (int format = 0; format < formatCount; ++format)
        formatChoice->addItem(formatEntryText(format));
    formatChoice->setCurrentIndex(-1);
    setSheetPosition(sheetPosition());
    showSwitches();

    auto on = [this](auto* sender, auto signal, auto command) {
        connect(sender, signal, this, [this, command] { guarded(w.messages, command); });
    };
    connect(formatChoice, &QComboBox::activated, this,
            [this](int index) { guarded(w.messages, [&] { changeFormat(index); }); });
    on(fontButton, &QPushButton::clicked, [this] { m_canvas.chooseFont(); });
    on(selectAllButton, &QPushButton::clicked, [this] { m_canvas.selectAll(); });
    connect(saveAndCloseButton, &QPushButton::clicked, this, &OptionsBar::saveAndCloseRequested);
    connect(cancelButton, &QPushButton::clicked, this, &OptionsBar::cancelRequested);
    on(sheetPositionButton, &QToolButton::clicked, [this] { nextSheetPosition(); });
    connect(sheetPositionButton, &SheetPositionButton::positionChosen, this,
            [this](int position) { guarded(w.messages, [&] { chooseSheetPosition(position); }); });
    on(switches, &ProfileSwitches::userChanged, [this] { m_document.setModified(true); });
    on(switches, &ProfileSwitches::indexesSwapped, [this] { m_canvas.showTexts(); });
    connectDocument();
}

void OptionsBar::buildRows() {
    auto* bottom = new QHBoxLayout;
    pictureToggles = new PictureToggles(m_document, this);
    bottom->addWidget(pictureToggles);
    connect(pictureToggles, &PictureToggles::userChanged, this, [this] {
        guarded(w.messages, [&] {
            showPictures();
            m_document.setModified(true);
        });
    });

    sheetPositionButton = new SheetPositionButton(this);
    bottom->addWidget(sheetPositionButton);

    auto* printLabel = new QLabel(QStringLiteral("Профили на печать:"), this);
    printChoice = new CheckedComboBox(this);
    printChoice->setMinimumWidth(220);
    printChoice->SetEmptyValue(QStringLiteral("Профили на печать"));
    printChoice->setAccessibleName(QStringLiteral("Профили на печать"));
    setProgramName(printChoice, Editor::printChoice);
    printChoice->setNoticeHandler([this](const QString& text) { w.messages.notice(text); });
    printLabel->setBuddy(printChoice);
    connect(printChoice, &CheckedComboBox::userChanged, this,
            [this] { m_document.setModified(true); });
    bottom->addWidget(printLabel);
    bottom->addWidget(printChoice);

    auto* formatLabel = new QLabel(QStringLiteral("Тип конверта:"), this);
    formatChoice = new QComboBox(this);
    formatChoice->setToolTip(QStringLiteral("Выбор формата конверта"));
    formatChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    describe(formatChoice, QStringLiteral("Тип конверта:"), Editor::formatChoice);
    formatLabel->setBuddy(formatChoice);
    bottom->addWidget(formatLabel);
    bottom->addWidget(formatChoice);

    bottom->addStretch(1);
    // The switches, the block commands, the delay and the leaving buttons on a second row.
    auto* second = new QHBoxLayout;
    switches = new ProfileSwitches(m_document, this);
    second->addWidget(switches);

    fontButton = new QPushButton(QStringLiteral("Шрифт"), this);
    describe(fontButton, fontButton->text(), Editor::fontButton);
    selectAllButton = new QPushButton(QStringLiteral("Выделить всё"), this);
    describe(selectAllButton, selectAllButton->text(), Editor::selectAllButton);
    second->addWidget(fontButton);
    second->addWidget(selectAllButton);

    delayOptions = new DelayOptions(this);
    second->addWidget(delayOptions);
    second->addStretch(1);

    saveAndCloseButton = new QPushButton(QStringLiteral("Сохранить и выйти"), this);
    describe(saveAndCloseButton, saveAndCloseButton->text(), Editor::saveAndCloseButton);
    cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    describe(cancelButton, cancelButton->text(), Editor::cancelButton);
    for (QPushButton* button : {fontButton, selectAllButton, saveAndCloseButton, cancelButton})
        button->setAutoDefault(false);
    second->addWidget(saveAndCloseButton);
    second->addWidget(cancelButton);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    rows->addLayout(bottom);
    rows->addLayout(second);
}

void OptionsBar::connectDocument() {
    EnvelopeDocument& d = m_document;
    connect(switches, &ProfileSwitches::stencilChanged, this, [this] { m_canvas.showStencil(); });
    connect(printChoice, &CheckedComboBox::changed, this, [this, &d] {
        d.setPrintList(printChoice->CheckedText().split(QLatin1Char(','), Qt::SkipEmptyParts));
    });
    connect(&d, &EnvelopeDocument::printListChanged, this,
            [this](const QStringList& ticked) { showPrintList(ticked); });

    // These follow the commands' own connections, so the profile has already changed.
    connect(pictureToggles, &PictureToggles::userChanged, this,
            [this] { m_document.record(ProfileChange::Pictures); });
    // Every switch of the profile, whichever it is.
    for (QCheckBox* box : findChildren<QCheckBox*>())
        connect(box, &QCheckBox::clicked, this,
                [this] { m_document.record(ProfileChange::Switches); });
    connect(printChoice, &CheckedComboBox::userChanged, this,
            [this] { m_document.record(ProfileChange::PrintList); });
}

void OptionsBar::showProfileNames(QAbstractItemModel* names) {
    printChoice->setModel(names);
}

void OptionsBar::showPrintList(const QStringList& ticked) {
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

void OptionsBar::setPrintTicks(QStringList ticked) {
    const QStringList items = printChoice->Items();
    printChoice->DeSelectAll();
    for (int i = 0; i < items.size(); ++i)
        if (ticked.contains(items[i]))
            printChoice->SetChecked(i, true);
}

void OptionsBar::tickLastProfile() {
    printChoice->SetChecked(int(printChoice->Items().size()) - 1, true);
}

int OptionsBar::currentFormat() const {
    return m_formatShown ? m_document.profile().format : -1;
}

void OptionsBar::chooseFormat(int format) {
    if (format < 0) {
        // No format is shown, as before the first profile.
        formatChoice->setCurrentIndex(-1);
        m_formatShown = false;
        return;
    }
    m_document.setFormat(format);
    showFormat();
}

void OptionsBar::showFormat() {
    formatChoice->setCurrentIndex(m_document.profile().format);
    m_formatShown = true;
}

void OptionsBar::rememberFormat() {
    m_rememberedFormat = m_document.profile().format;
}

void OptionsBar::changeFormat(int index) {
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
    emit formatChanged();
}

void OptionsBar::showPictures() {
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
    const std::array<bool, 4> printed = printedPictures();
    for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
        pictureToggles->showPrinted(slot, printed[slot]);
        if (!all && slot != SenderSlot)
            pictureToggles->showOffered(slot, false);
        else
            m_canvas.showPicture(format, slot, printed[slot]);
    }
}

std::array<bool, 4> OptionsBar::printedPictures() const {
    const PrintProfile& p = m_document.profile();
    return {p.otkogo, p.komu, p.index, p.marka};
}

void OptionsBar::showPrintedPictures() {
    const std::array<bool, 4> printed = printedPictures();
    for (size_t i = 0; i < 4; ++i)
        pictureToggles->showPrinted(int(i), printed[i]);
}

int OptionsBar::sheetPosition() const {
    return m_document.profile().listpos;
}

void OptionsBar::setSheetPosition(int position) {
    m_document.setSheetPosition(position);
    sheetPositionButton->showPosition(position);
}

void OptionsBar::chooseSheetPosition(int position) {
    setSheetPosition(position);
    m_document.setModified(true);
    m_document.record(ProfileChange::SheetPosition);
}

void OptionsBar::nextSheetPosition() {
    setSheetPosition((sheetPosition() + 1) % 9);
    m_document.setModified(true);
    m_document.record(ProfileChange::SheetPosition);
}

void OptionsBar::showSwitches() {
    switches->showDocument();
}

void OptionsBar::readDelay(const IniFile& ini) {
    delayOptions->read(ini);
}

void OptionsBar::writeDelay(IniFile& ini) const {
    delayOptions->write(ini);
}
