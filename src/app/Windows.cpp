#include "Windows.h"

#include "addressbook/UnAddG.h"
#include "addressbook/UnGroups.h"
#include "addressbook/newr.h"
#include "addressbook/unAbout.h"
#include "app/Envalo.h"
#include "editor/uView.h"
#include "editor/unSaveAs.h"
#include "printing/desk1.h"
#include "printing/unPos.h"
#include "printing/unWait.h"
#include "profiles/Options1.h"

Program::Program(const QString& appdir, Messages& messages) : m_windows{messages, appdir} {
    auto& w = m_windows;
    try {
        w.frm = new Tfrm(w);
        w.view = new Tview(w);
        w.opt = new Topt(w);
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

Program::~Program() { destroyAll(); }

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
    delete w.opt;
    delete w.view;
    delete w.frm;
    w.frm = nullptr;
    w.view = nullptr;
    w.opt = nullptr;
    w.desk = nullptr;
    w.newrec = nullptr;
    w.Groups = nullptr;
    w.AddGroup = nullptr;
    w.tpos = nullptr;
    w.pAbout = nullptr;
    w.fSaveAs = nullptr;
    w.fWait = nullptr;
}
