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
#include "ui/printing/desk1.h"
#include "ui/printing/unPos.h"
#include "ui/printing/unWait.h"

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
        w.desk = new Tdesk(w);
        w.newRecord = new NewRecordDialog(w);
        w.Groups = new TGroups(w);
        w.groupName = new GroupNameDialog(w);
        w.tpos = new Ttpos(w);
        w.aboutWindow = new AboutWindow(w);
        w.saveAs = new SaveAsDialog(w);
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
    delete w.saveAs;
    delete w.aboutWindow;
    delete w.tpos;
    delete w.groupName;
    delete w.Groups;
    delete w.newRecord;
    delete w.desk;
    delete w.opt;
    delete w.view;
    delete w.frm;
    w.frm = nullptr;
    w.view = nullptr;
    w.opt = nullptr;
    w.desk = nullptr;
    w.newRecord = nullptr;
    w.Groups = nullptr;
    w.groupName = nullptr;
    w.tpos = nullptr;
    w.aboutWindow = nullptr;
    w.saveAs = nullptr;
    w.fWait = nullptr;
}

Tfrm& Program::frm() {
    return static_cast<Tfrm&>(*m_windows.frm);
}
