// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/MainWindow.h"

#include "core/UserError.h"
#include "core/envelope/Compose.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/Options1.h"
#include "ui/editor/uView.h"
#include "ui/printing/PageOutput.h"
#include "ui/printing/desk1.h"
#include "ui/printing/unWait.h"

#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QScopeGuard>

void MainWindow::printClick() {
    if (m_recipients->count() == 0)
        return;
    printall();
}

void MainWindow::printall() {
    m_printing = true;
    const auto printed = qScopeGuard([this] { m_printing = false; });
    Tview& view = *w.view;
    showSelectedRecords();

    const QStringList chosen = view.profilesToPrint();
    const int ticked = m_recipients->lines().checkedCount();
    const ProgramOptions options = ProgramOptions::read(w.opt->ini());
    const int printdelay = options.printDelaySeconds();
    const int pdmode = options.delayMode();
    stopPrint = false;
    output->resetFilesWritten();
    const bool delayed = printdelay > 0 && (pdmode == 1 || (pdmode == 2 && chosen.size() > 1));

    // Whatever way the run ends, a run that wrote files says where they are.
    struct FilesNotice {
        MainWindow& frm;
        ~FilesNotice() {
            const QString text = frm.output->filesNotice();
            if (!text.isEmpty())
                frm.w.messages.notice(text);
        }
    } filesNotice{*this};
    // The run's envelopes share their files (one chosen file, or a batch cut into files).
    PageOutput::Run run(*output);

    // Each chosen profile is read from the settings file once, at its first envelope, so
    // a profile that cannot be loaded stops the run where it always did.
    struct Loaded {
        PrintProfile profile;
        EnvelopePictures pictures;
    };
    QHash<QString, Loaded> loaded;
    auto load = [&](const QString& name) -> const Loaded& {
        auto found = loaded.constFind(name);
        if (found != loaded.constEnd())
            return *found;
        try {
            Loaded profile{readProfile(w.opt->ini(), name), {}};
            profile.pictures = loadEnvelopePictures(view.pictureCache, profile.profile);
            return *loaded.insert(name, std::move(profile));
        } catch (const std::exception& e) {
            throw profileLoadError(name, e);
        }
    };

    const QString saved = view.shownProfileName();
    // Whether the delay window waits for a confirmation: as the profile of the envelope
    // printed just before says, and at a recipient's first envelope as the editor says.
    bool confirm = view.profile.printconfirm;
    // A run that ends early (stopped, or a profile that cannot be loaded) leaves the editor
    // on the profile of the last envelope printed for the current recipient, as it always
    // has; at a recipient's start the editor keeps its own.
    QString last;
    auto endEarly = [&] {
        if (!last.isEmpty())
            w.opt->loadprofile(last);
    };

    // One envelope; false when the user stopped the run.
    auto envelope = [&](const QString& name) {
        if (delayed) {
            // What is printed is on disk while the user decides.
            output->settle();
            if (output->runStopped()) {
                stopPrint = true;
            } else {
                w.fWait->prepare(m_name->text(), name, confirm);
                w.messages.showModal(*w.fWait);
                if (w.fWait->stopped())
                    stopPrint = true;
            }
        }
        if (stopPrint) {
            endEarly();
            return false;
        }
        const Loaded* profile = nullptr;
        try {
            profile = &load(name);
        } catch (...) {
            endEarly();
            throw;
        }
        const PrintProfile& p = profile->profile;
        w.desk->setEnvelope(composeEnvelope(p, addressTexts(), profile->pictures, view.screen));
        confirm = p.printconfirm;
        last = name;
        PageRequest request;
        request.c5 = p.format == 1;
        request.listpos = p.listpos;
        request.allx = p.allx;
        request.ally = p.ally;
        request.recipient = m_name->text();
        request.profile = name;
        output->printone(w.desk->envelope(), request);
        // Files that cannot be written (a full disk) end the run; the user was told.
        if (output->runStopped())
            stopPrint = true;
        return true;
    };

    if (ticked == 0) {
        for (const QString& profile : chosen)
            if (!envelope(profile))
                return;
    } else {
        for (int row = 0; row < m_recipients->count(); ++row) {
            if (!m_recipients->isChecked(row))
                continue;
            m_recipients->setCurrentRow(row);
            showSelectedRecords();
            for (const QString& profile : chosen)
                if (!envelope(profile))
                    return;
            last.clear();
            confirm = view.profile.printconfirm;
        }
    }
    // The editor shows the profile it showed before, as stored, and that profile's own
    // list of profiles to print.
    w.opt->loadprofile(saved);
}
