// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/Envalo.h"

#include "core/run/AddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintRun.h"
#include "core/run/RunChoice.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/WindowPrintRun.h"

#include <QScopeGuard>

void Tfrm::printClick() {
    if (cb->count() == 0)
        return;
    printall();
}

void Tfrm::printall() {
    m_printing = true;
    const auto printed = qScopeGuard([this] { m_printing = false; });
    loadrecords();
    stopPrint = false;

    PrintRunSetup setup;
    for (int row = 0; row < cb->count(); ++row) {
        setup.recipients.lines.append(cb->text(row));
        setup.recipients.ticked.append(cb->isChecked(row));
    }
    setup.recipients.current = cb->currentRow();
    setup.profiles = w.profileStore->profilesToPrint();
    // The sender the editors show.
    setup.sender = addressTexts();
    setup.delays = true;

    const AddressBook book(db);
    LoadedProfiles profiles(w.profileStore->ini(), *w.pictureCache, false);
    WindowPrintRun shown(w, [this](int row) {
        cb->setCurrentRow(row);
        loadrecords();
    });
    stopPrint =
        PrintRun(w.profileStore->ini(), book, profiles, *output, *w.screen).run(setup, shown).stopped;
}
