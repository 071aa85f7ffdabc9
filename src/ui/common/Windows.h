#pragma once

#include <QString>

class Messages;
class MainWindow;
class Tview;
class Topt;
class PreviewWindow;
class Tnewrec;
class TGroups;
class TAddGroup;
class PositionPad;
class TpAbout;
class TfSaveAs;
class DelayWindow;

// The program's windows, created once in this order; each window's constructor
// receives this context and may use only the windows created before it. The main
// window is known here by what the other windows may ask of it.
struct Windows {
    Messages& messages;
    QString appdir;

    MainWindow* frm = nullptr;
    Tview* view = nullptr;
    Topt* opt = nullptr;
    PreviewWindow* preview = nullptr;
    Tnewrec* newrec = nullptr;
    TGroups* Groups = nullptr;
    TAddGroup* AddGroup = nullptr;
    PositionPad* positionPad = nullptr;
    TpAbout* pAbout = nullptr;
    TfSaveAs* fSaveAs = nullptr;
    DelayWindow* delay = nullptr;
};
