#pragma once

#include <QString>

class Messages;
class OpenAddressBook;
class MainWindowInterface;
class EnvelopeDocument;
class PictureCache;
struct ScreenConversions;
class LayoutEditor;
class ProfileStore;
class PreviewWindow;
class NewRecordDialog;
class GroupsWindow;
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
    // The address book the windows show, open from the main window's start on.
    OpenAddressBook& addressBook;

    // What the layout editor edits and the other windows read: the current print profile.
    EnvelopeDocument* document = nullptr;
    // The decoded envelope pictures and the screen's conversions between millimetres and
    // pixels, one of each for the program: the editor, the preview and the print run use them.
    PictureCache* pictureCache = nullptr;
    const ScreenConversions* screen = nullptr;

    MainWindowInterface* mainWindow = nullptr;
    LayoutEditor* layoutEditor = nullptr;
    ProfileStore* profileStore = nullptr;
    PreviewWindow* preview = nullptr;
    NewRecordDialog* newRecord = nullptr;
    GroupsWindow* groupsWindow = nullptr;
    GroupNameDialog* groupName = nullptr;
    PositionPad* positionPad = nullptr;
    AboutWindow* aboutWindow = nullptr;
    SaveAsDialog* saveAs = nullptr;
    DelayWindow* delay = nullptr;
};
