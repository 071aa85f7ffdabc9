// The layout editor's commands: a profile's load steps, saving, a new format and closing.
#include "ui/editor/LayoutEditor.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/ScreenFit.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileBar.h"
#include "ui/editor/ProfileStore.h"

#include <QLabel>

PrintProfile LayoutEditor::currentProfile() const {
    PrintProfile p = m_document.profile();
    // The window's size is the one value the window itself holds. Made smaller only to fit
    // a small screen, it keeps the size stored; resized by the user, it is the new size.
    const QSize kept = size() == m_fittedSize ? m_storedSize : size();
    p.width = kept.width();
    p.height = kept.height();
    return p;
}

QString LayoutEditor::shownProfileName() const {
    return m_document.name();
}

void LayoutEditor::showProfileNames(QAbstractItemModel* names) {
    m_profileBar->showProfileNames(names);
    m_optionsBar->showProfileNames(names);
}

void LayoutEditor::chooseFormat(int format) {
    m_optionsBar->chooseFormat(format);
}

void LayoutEditor::showEnvelope() {
    const int format = m_optionsBar->currentFormat();
    m_canvas->showEnvelope(format);
    if (format >= 0)
        formatPanel->setText(QString::fromUtf8(envelopeFormats()[size_t(format)].status));
    m_document.setModified(true);
    m_optionsBar->showPictures();
}

void LayoutEditor::resetLayout() {
    for (int n = 1; n <= blockCount; ++n)
        m_canvas->moveBlock(n, defaultBlockPosition(n));
    m_optionsBar->setSheetPosition(7);
    m_document.setPadMarker({70, 90});
    showEnvelope();
}

void LayoutEditor::startFormat() {
    resetLayout();
    showEnvelope();
    m_canvas->centreSurface();
    m_optionsBar->rememberFormat();
    m_document.record(ProfileChange::Format);
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
        m_optionsBar->showFormat();
        m_profileBar->showName();
        m_optionsBar->rememberFormat();
        m_profileBar->rememberProfile(m_profileBar->chosenProfileIndex());
        break;
    case LoadStep::SheetShifts:
        m_panels->showSheetShifts();
        break;
    case LoadStep::SheetPosition:
        m_optionsBar->setSheetPosition(p.listpos);
        break;
    case LoadStep::Pictures:
        m_optionsBar->showPrintedPictures();
        break;
    case LoadStep::WindowSize:
        // The stored size where the screen has room for it.
        m_storedSize = QSize(std::clamp(p.width, 100, 20000), std::clamp(p.height, 100, 20000));
        fitOnScreen(*this, m_storedSize);
        m_fittedSize = size();
        break;
    case LoadStep::DigitSpacing:
        m_panels->showDigitSpacing();
        break;
    case LoadStep::PadMarker:
        m_panels->showStoredPositions(ini, name);
        showEnvelope();
        break;
    case LoadStep::PrintList:
        m_optionsBar->setPrintTicks(p.printprofiles);
        break;
    case LoadStep::Fonts:
        m_canvas->applyFonts();
        break;
    case LoadStep::Visibility:
        m_canvas->showVisibility();
        break;
    case LoadStep::Switches:
        m_optionsBar->showSwitches();
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
            m_optionsBar->writeDelay(ini);
    });
    m_document.setModified(false);
    formatPanel->setText(QStringLiteral("Сохранено"));
    m_canvas->showTexts();
    m_document.startHistory();
    return true;
}

void LayoutEditor::finishClosing() {
    m_document.setModified(false);
    w.mainWindow->editorClosed();
}
