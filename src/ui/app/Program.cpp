#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/GroupNameDialog.h"
#include "ui/addressbook/GroupsWindow.h"
#include "ui/addressbook/NewRecordDialog.h"
#include "ui/app/MainWindow.h"
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
      m_addressBook(std::make_unique<OpenAddressBook>()),
      m_document(std::make_unique<EnvelopeDocument>()),
      m_pictureCache(std::make_unique<PictureCache>(appdir)),
      m_screen(std::make_unique<ScreenConversions>()), m_windows{messages, appdir, *m_addressBook} {
    auto& w = m_windows;
    w.document = m_document.get();
    w.pictureCache = m_pictureCache.get();
    w.screen = m_screen.get();
    IniFile::removeStaleTemporaries(appdir + QStringLiteral("envalo.ini"));
    try {
        w.mainWindow = new MainWindow(w);
        // The main window measures the screen.
        *m_screen = {w.mainWindow->scrDpiX(), w.mainWindow->scrDpiY()};
        w.layoutEditor = new LayoutEditor(w);
        w.profileStore = new ProfileStore(w);
        w.preview = new PreviewWindow(w);
        w.newRecord = new NewRecordDialog(w);
        w.groupsWindow = new GroupsWindow(w);
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
    delete w.groupsWindow;
    delete w.newRecord;
    delete w.preview;
    delete w.profileStore;
    delete w.layoutEditor;
    delete w.mainWindow;
    w.mainWindow = nullptr;
    w.layoutEditor = nullptr;
    w.profileStore = nullptr;
    w.preview = nullptr;
    w.newRecord = nullptr;
    w.groupsWindow = nullptr;
    w.groupName = nullptr;
    w.positionPad = nullptr;
    w.aboutWindow = nullptr;
    w.saveAs = nullptr;
    w.delay = nullptr;
}

MainWindow& Program::mainWindow() {
    return static_cast<MainWindow&>(*m_windows.mainWindow);
}
