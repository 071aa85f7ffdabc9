// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/Envalo.h"

#include "ui/printing/PageOutput.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/Messages.h"
#include "ui/app/Windows.h"
#include "ui/controls/CheckCombo.h"
#include "ui/printing/desk1.h"
#include "ui/editor/uView.h"
#include "ui/editor/Options1.h"
#include "ui/printing/unWait.h"
#include "core/profiles/ProgramOptions.h"

#include <QComboBox>
#include <QLineEdit>

void Tfrm::printClick() {
    if (cb->count() == 0)
        return;
    printall();
}

void Tfrm::printall() {
    Tview& view = *w.view;
    loadrecords();

    QStringList chosen;
    const QStringList items = view.ccb1->Items();
    for (int i = 0; i < items.size(); ++i)
        if (view.ccb1->IsChecked(i))
            chosen.append(items[i]);
    const int ticked = cb->lines().checkedCount();
    const ProgramOptions options = ProgramOptions::read(w.opt->ini());
    const int printdelay = options.printDelaySeconds();
    const int pdmode = options.delayMode();
    stopPrint = false;
    output->resetFilesWritten();
    const bool delayed = printdelay > 0 && (pdmode == 1 || (pdmode == 2 && chosen.size() > 1));

    // Whatever way the run ends, a run that wrote files says where they are.
    struct FilesNotice {
        Tfrm& frm;
        ~FilesNotice() {
            const QString text = frm.output->filesNotice();
            if (!text.isEmpty())
                frm.w.messages.notice(text);
        }
    } filesNotice{*this};

    // One envelope; false when the user stopped the run.
    auto envelope = [&](const QString& profile) {
        if (delayed) {
            w.fWait->waitName = rname->text();
            w.fWait->waitProfile = profile;
            w.messages.showModal(*w.fWait);
        }
        if (stopPrint)
            return false;
        w.opt->loadprofile(profile);
        w.desk->compose();
        PageRequest request;
        request.c5 = view.cb2->currentIndex() == 1;
        request.listpos = view.sheetPosition();
        request.allx = view.edit(8)->text();
        request.ally = view.edit(9)->text();
        request.recipient = rname->text();
        request.profile = profile;
        output->printone(w.desk->envelope(), request);
        return true;
    };

    if (ticked == 0) {
        const QString saved = view.cb1->currentText();
        for (const QString& profile : chosen)
            if (!envelope(profile))
                return;
        w.opt->loadprofile(saved);
        return;
    }
    for (int row = 0; row < cb->count(); ++row) {
        if (!cb->isChecked(row))
            continue;
        cb->setCurrentRow(row);
        loadrecords();
        const QString saved = view.cb1->currentText();
        for (const QString& profile : chosen)
            if (!envelope(profile))
                return;
        w.opt->loadprofile(saved);
    }
}
