#pragma once

#include <QString>

class Messages;
class OpenAddressBook;
class MainWindowInterface;
class Tview;
class Topt;
class Tdesk;
class Tnewrec;
class GroupsWindow;
class TAddGroup;
class Ttpos;
class TpAbout;
class TfSaveAs;
class TfWait;

// The program's windows, created once in this order; each window's constructor
// receives this context and may use only the windows created before it. The main
// window is known here by what the other windows may ask of it.
struct Windows {
    Messages& messages;
    QString appdir;
    // The address book the windows show, open from the main window's start on.
    OpenAddressBook& addressBook;

    MainWindowInterface* mainWindow = nullptr;
    Tview* view = nullptr;
    Topt* opt = nullptr;
    Tdesk* desk = nullptr;
    Tnewrec* newrec = nullptr;
    GroupsWindow* groupsWindow = nullptr;
    TAddGroup* AddGroup = nullptr;
    Ttpos* tpos = nullptr;
    TpAbout* pAbout = nullptr;
    TfSaveAs* fSaveAs = nullptr;
    TfWait* fWait = nullptr;
};
