#pragma once

#include <QString>

class Messages;
class MainWindow;
class Tview;
class Topt;
class PreviewWindow;
class NewRecordDialog;
class TGroups;
class GroupNameDialog;
class PositionPad;
class AboutWindow;
class SaveAsDialog;
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
    NewRecordDialog* newRecord = nullptr;
    TGroups* Groups = nullptr;
    GroupNameDialog* groupName = nullptr;
    PositionPad* positionPad = nullptr;
    AboutWindow* aboutWindow = nullptr;
    SaveAsDialog* saveAs = nullptr;
    DelayWindow* delay = nullptr;
};
