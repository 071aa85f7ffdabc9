#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/addressbook/UnGroups.h"
#include "ui/app/Envalo.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/SaveAsDialog.h"
#include "ui/printing/DelayWindow.h"
#include "ui/printing/PositionPad.h"
#include "ui/printing/PreviewWindow.h"

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
        w.preview = new PreviewWindow(w);
        w.newRecord = new NewRecordDialog(w);
        w.Groups = new TGroups(w);
        w.groupName = new GroupNameDialog(w);
        w.positionPad = new PositionPad(w);
        w.aboutWindow = new AboutWindow(w);
        w.saveAs = new SaveAsDialog(w);
        w.delay = new DelayWindow(w);
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
    delete w.delay;
    delete w.saveAs;
    delete w.aboutWindow;
    delete w.positionPad;
    delete w.groupName;
    delete w.Groups;
    delete w.newRecord;
    delete w.preview;
    delete w.profileStore;
    delete w.layoutEditor;
    delete w.frm;
    w.frm = nullptr;
    w.layoutEditor = nullptr;
    w.profileStore = nullptr;
    w.preview = nullptr;
    w.newRecord = nullptr;
    w.Groups = nullptr;
    w.groupName = nullptr;
    w.positionPad = nullptr;
    w.aboutWindow = nullptr;
    w.saveAs = nullptr;
    w.delay = nullptr;
}

Tfrm& Program::frm() {
    return static_cast<Tfrm&>(*m_windows.frm);
}
