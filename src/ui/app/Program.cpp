#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/UnAddG.h"
#include "ui/addressbook/UnGroups.h"
#include "ui/addressbook/newr.h"
#include "ui/addressbook/unAbout.h"
#include "ui/app/Envalo.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/unSaveAs.h"
#include "ui/printing/desk1.h"
#include "ui/printing/unPos.h"
#include "ui/printing/unWait.h"

#include <QLockFile>

Program::Program(const QString& appdir, Messages& messages)
    : m_lock(lockFolder(appdir, QStringLiteral("Программа уже запущена с папкой «%1». Перейдите в "
                                               "её окно или закройте её, прежде чем запускать "
                                               "снова."))),
      m_document(std::make_unique<EnvelopeDocument>()),
      m_pictureCache(std::make_unique<PictureCache>(appdir)),
      m_screen(std::make_unique<ScreenConversions>()), m_windows{messages, appdir} {
    auto& w = m_windows;
    w.document = m_document.get();
    w.pictureCache = m_pictureCache.get();
    w.screen = m_screen.get();
    IniFile::removeStaleTemporaries(appdir + QStringLiteral("envalo.ini"));
    try {
        w.frm = new Tfrm(w);
        // The main window measures the screen.
        *m_screen = {w.frm->scrDpiX, w.frm->scrDpiY};
        w.layoutEditor = new LayoutEditor(w);
        w.profileStore = new ProfileStore(w);
        w.desk = new Tdesk(w);
        w.newrec = new Tnewrec(w);
        w.Groups = new TGroups(w);
        w.AddGroup = new TAddGroup(w);
        w.tpos = new Ttpos(w);
        w.pAbout = new TpAbout(w);
        w.fSaveAs = new TfSaveAs(w);
        w.fWait = new TfWait(w);
    } catch (...) {
        destroyAll();
        throw;
    }
}

Program::~Program() {
    destroyAll();
}

void Program::destroyAll() {
    auto& w = m_windows;
    delete w.fWait;
    delete w.fSaveAs;
    delete w.pAbout;
    delete w.tpos;
    delete w.AddGroup;
    delete w.Groups;
    delete w.newrec;
    delete w.desk;
    delete w.profileStore;
    delete w.layoutEditor;
    delete w.frm;
    w.frm = nullptr;
    w.layoutEditor = nullptr;
    w.profileStore = nullptr;
    w.desk = nullptr;
    w.newrec = nullptr;
    w.Groups = nullptr;
    w.AddGroup = nullptr;
    w.tpos = nullptr;
    w.pAbout = nullptr;
    w.fSaveAs = nullptr;
    w.fWait = nullptr;
}

Tfrm& Program::frm() {
    return static_cast<Tfrm&>(*m_windows.frm);
}
