// The print run: one envelope per ticked recipient and per chosen profile.
#include "ui/app/Envalo.h"

#include "core/UserError.h"
#include "core/envelope/Compose.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/ProfileFile.h"
#include "core/profiles/ProgramOptions.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PageOutput.h"
#include "ui/printing/desk1.h"
#include "ui/printing/unWait.h"

#include <QComboBox>
#include <QHash>
#include <QLineEdit>
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

    const QStringList chosen = w.profileStore->profilesToPrint();
    const int ticked = cb->lines().checkedCount();
    const ProgramOptions options = ProgramOptions::read(w.profileStore->ini());
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
            Loaded profile{readProfile(w.profileStore->ini(), name), {}};
            profile.pictures = loadEnvelopePictures(*w.pictureCache, profile.profile);
            return *loaded.insert(name, std::move(profile));
        } catch (const std::exception& e) {
            throw profileLoadError(name, e);
        }
    };

    const QString saved = w.document->name();
    // Whether the delay window waits for a confirmation: as the profile of the envelope
    // printed just before says, and at a recipient's first envelope as the editor says.
    bool confirm = w.document->profile().printconfirm;
    // A run that ends early (stopped, or a profile that cannot be loaded) leaves the editor
    // on the profile of the last envelope printed for the current recipient, as it always
    // has; at a recipient's start the editor keeps its own.
    QString last;
    auto endEarly = [&] {
        if (!last.isEmpty())
            w.profileStore->load(last);
    };

    // One envelope; false when the user stopped the run.
    auto envelope = [&](const QString& name) {
        if (delayed) {
            // What is printed is on disk while the user decides.
            output->settle();
            if (output->runStopped()) {
                stopPrint = true;
            } else {
                w.fWait->prepare(rname->text(), name, confirm);
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
        w.desk->setEnvelope(composeEnvelope(p, addressTexts(), profile->pictures, *w.screen));
        confirm = p.printconfirm;
        last = name;
        PageRequest request;
        request.c5 = p.format == 1;
        request.listpos = p.listpos;
        request.allx = p.allx;
        request.ally = p.ally;
        request.recipient = rname->text();
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
        for (int row = 0; row < cb->count(); ++row) {
            if (!cb->isChecked(row))
                continue;
            cb->setCurrentRow(row);
            loadrecords();
            for (const QString& profile : chosen)
                if (!envelope(profile))
                    return;
            last.clear();
            confirm = w.document->profile().printconfirm;
        }
    }
    // The editor shows the profile it showed before, as stored, and that profile's own
    // list of profiles to print.
    w.profileStore->load(saved);
}
