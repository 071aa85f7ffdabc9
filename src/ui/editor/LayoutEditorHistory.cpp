// The layout editor's undo and redo: every command records the profile it leaves as a
// step of the history, and undo and redo show a profile of the history again.
#include "ui/editor/LayoutEditor.h"

#include "core/profiles/ProfileFile.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"

#include <QAction>

void LayoutEditor::connectUndoKeys() {
    // The Latin keys are taken in eventFilter, ahead of the coordinate fields' own undo; with
    // another keyboard layout (Ctrl+Я) they reach these shortcuts through the Latin key.
    auto* undoKeys = new QAction(this);
    undoKeys->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    auto* redoKeys = new QAction(this);
    redoKeys->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    addActions({undoKeys, redoKeys});
    connect(undoKeys, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { m_document.undo(); }); });
    connect(redoKeys, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { m_document.redo(); }); });
}

void LayoutEditor::showProfile() {
    const PrintProfile shown = m_document.profile();
    const QString name = shownProfileName();
    // The steps of a load, less those that read the file or size the window.
    for (LoadStep step : {LoadStep::Positions, LoadStep::Format, LoadStep::SheetShifts,
                          LoadStep::SheetPosition, LoadStep::Pictures, LoadStep::DigitSpacing,
                          LoadStep::Fonts, LoadStep::Visibility, LoadStep::Switches})
        showProfileStep(step, name, w.profileStore->ini());
    // In the order they were ticked, as the profile keeps them.
    m_optionsBar->showPrintList(shown.printprofiles);
    for (int n : {firstDigitBlock, 1, 5, 7, 6})
        m_panels->showCoordinates(n);
    showEnvelope();
    m_canvas->showTexts();
    m_canvas->paintLabels();
}
