// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/MainWindow.h"

#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintRun.h"
#include "core/run/RunChoice.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/WindowPrintRun.h"

#include <QScopeGuard>

void MainWindow::printClick() {
    if (m_recipients->count() == 0)
        return;
    printall();
}

void MainWindow::printall() {
    m_printing = true;
    const auto printed = qScopeGuard([this] { m_printing = false; });
    showSelectedRecords();
    m_printStopped = false;

    PrintRunSetup setup;
    for (int row = 0; row < m_recipients->count(); ++row) {
        setup.recipients.lines.append(m_recipients->text(row));
        setup.recipients.ticked.append(m_recipients->isChecked(row));
    }
    setup.recipients.current = m_recipients->currentRow();
    setup.profiles = w.profileStore->profilesToPrint();
    // The sender the editors show.
    setup.sender = addressTexts();
    setup.delays = true;

    LoadedProfiles profiles(w.profileStore->ini(), *w.pictureCache, false);
    WindowPrintRun shown(w, [this](int row) {
        m_recipients->setCurrentRow(row);
        showSelectedRecords();
    });
    m_printStopped = PrintRun(w.profileStore->ini(), w.addressBook, profiles, *m_output, *w.screen)
                         .run(setup, shown)
                         .stopped;
}
