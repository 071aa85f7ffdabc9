#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/profiles/IniFile.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/UnAddG.h"
#include "ui/addressbook/newr.h"
#include "ui/addressbook/unAbout.h"
#include "ui/app/MainWindow.h"
#include "ui/editor/Options1.h"
#include "ui/editor/uView.h"
#include "ui/editor/unSaveAs.h"
#include "ui/printing/desk1.h"
#include "ui/printing/unPos.h"
#include "ui/printing/unWait.h"

#include <QLockFile>

Program::Program(const QString& appdir, Messages& messages)
    : m_lock(lockFolder(appdir, QStringLiteral("Программа уже запущена с папкой «%1». Перейдите в "
                                               "её окно или закройте её, прежде чем запускать "
                                               "снова."))),
      m_addressBook(std::make_unique<OpenAddressBook>()), m_windows{messages, appdir,
                                                                    *m_addressBook} {
    auto& w = m_windows;
    IniFile::removeStaleTemporaries(appdir + QStringLiteral("envalo.ini"));
    try {
        w.mainWindow = new MainWindow(w);
        w.view = new Tview(w);
        w.opt = new Topt(w);
        w.desk = new Tdesk(w);
        w.newrec = new Tnewrec(w);
        w.groupsWindow = new GroupsWindow(w);
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
    delete w.groupsWindow;
    delete w.newrec;
    delete w.desk;
    delete w.opt;
    delete w.view;
    delete w.mainWindow;
    w.mainWindow = nullptr;
    w.view = nullptr;
    w.opt = nullptr;
    w.desk = nullptr;
    w.newrec = nullptr;
    w.groupsWindow = nullptr;
    w.AddGroup = nullptr;
    w.tpos = nullptr;
    w.pAbout = nullptr;
    w.fSaveAs = nullptr;
    w.fWait = nullptr;
}

MainWindow& Program::mainWindow() {
    return static_cast<MainWindow&>(*m_windows.mainWindow);
}
