#pragma once

#include <QString>

class Messages;
class MainWindow;
class Tview;
class Topt;
class Tdesk;
class NewRecordDialog;
class TGroups;
class GroupNameDialog;
class Ttpos;
class AboutWindow;
class SaveAsDialog;
class TfWait;

// The program's windows, created once in this order; each window's constructor
// receives this context and may use only the windows created before it. The main
// window is known here by what the other windows may ask of it.
struct Windows {
    Messages& messages;
    QString appdir;

    MainWindow* frm = nullptr;
    Tview* view = nullptr;
    Topt* opt = nullptr;
    Tdesk* desk = nullptr;
    NewRecordDialog* newRecord = nullptr;
    TGroups* Groups = nullptr;
    GroupNameDialog* groupName = nullptr;
    Ttpos* tpos = nullptr;
    AboutWindow* aboutWindow = nullptr;
    SaveAsDialog* saveAs = nullptr;
    TfWait* fWait = nullptr;
};
