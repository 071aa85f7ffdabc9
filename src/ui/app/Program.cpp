#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/addressbook/UnGroups.h"
#include "ui/app/Envalo.h"
#include "ui/editor/Options1.h"
#include "ui/editor/SaveAsDialog.h"
#include "ui/editor/uView.h"
#include "ui/printing/DelayWindow.h"
#include "ui/printing/PositionPad.h"
#include "ui/printing/PreviewWindow.h"

#include <QLockFile>

Program::Program(const QString& appdir, Messages& messages)
    : m_lock(lockFolder(appdir, QStringLiteral("Программа уже запущена с папкой «%1». Перейдите в "
                                               "её окно или закройте её, прежде чем запускать "
                                               "снова."))),
      m_windows{messages, appdir} {
    auto& w = m_windows;
    IniFile::removeStaleTemporaries(appdir + QStringLiteral("envalo.ini"));
    try {
        w.frm = new Tfrm(w);
        w.view = new Tview(w);
        w.opt = new Topt(w);
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
    delete w.opt;
    delete w.view;
    delete w.frm;
    w.frm = nullptr;
    w.view = nullptr;
    w.opt = nullptr;
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
