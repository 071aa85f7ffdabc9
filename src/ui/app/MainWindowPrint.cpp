// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/MainWindow.h"

#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintRun.h"
#include "core/run/RunChoice.h"
#include "ui/app/RecordsPane.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/WindowPrintRun.h"

#include <QScopeGuard>

void MainWindow::printClick() {
    if (!m_records->hasRecipients())
        return;
    printall();
}

void MainWindow::printall() {
    m_printing = true;
    const auto printed = qScopeGuard([this] { m_printing = false; });
    m_records->showSelectedRecords();
    m_printStopped = false;

    PrintRunSetup setup;
    setup.recipients = m_records->printRecipients();
    setup.profiles = w.profileStore->profilesToPrint();
    // The sender the editors show.
    setup.sender = addressTexts();
    setup.delays = true;
    setup.oneJob = ProgramOptions::read(w.profileStore->ini()).oneJob();

    LoadedProfiles profiles(w.profileStore->ini(), *w.pictureCache, false);
    PrintRun run(w.profileStore->ini(), w.addressBook, profiles, *m_output, *w.screen);
    // Text that does not fit is asked about once, before the first envelope, while the user
    // is at the machine; the run then goes as the print delay says, unattended if it may.
    if (const std::vector<EnvelopeMisfits> misfits = run.misfits(setup);
        !misfits.empty() && !w.messages.yesNo(misfitsQuestion(misfits), applicationTitle())) {
        m_printStopped = true;
        return;
    }
    WindowPrintRun shown(w, [this](int row) { m_records->showRecipientAt(row); });
    const PrintRunResult result = run.run(setup, shown);
    m_printStopped = result.stopped;
    // What the queue did with the run's envelopes, as the files notice says for files.
    if (const QString notice = result.queueNotice(); !notice.isEmpty())
        w.messages.notice(notice);
}
