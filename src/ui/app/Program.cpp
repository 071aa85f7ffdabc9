#include "ui/app/Program.h"

#include "core/UserError.h"
#include "core/addressbook/AccessBook.h"
#include "core/addressbook/AddressDb.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/ProgramFolder.h"
#include "ui/addressbook/AboutWindow.h"
#include "ui/addressbook/AccessConversion.h"
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

#include <QDir>
#include <QLockFile>

namespace {

// An address book that an older Windows version kept in Microsoft Access becomes the
// program's own file, once the user agrees, before any window reads it; declined, the program
// ends without touching it.
void convertAccessBook(const QString& appdir, Messages& messages) {
    QString book = appdir + QStringLiteral("Convert.mdb");
    try {
        book = ProgramOptions::read(IniFile(appdir + QStringLiteral("envalo.ini")))
                   .addressBookIn(appdir);
    } catch (const std::exception&) {
        // The main window reports unreadable settings; the folder's file is opened then.
    }
    if (AddressDb::isServerText(book) || !isAccessFile(book))
        return;
    if (!offerAccessConversion(book, messages))
        throw UserError(QStringLiteral("Программа не может работать с адресной книгой «%1» в "
                                       "формате Microsoft Access и завершает работу. Файл не "
                                       "изменён.")
                            .arg(QDir::toNativeSeparators(book)));
}

} // namespace

Program::Program(const QString& appdir, Messages& messages, const QString& shared)
    : m_lock(lockFolder(appdir, QStringLiteral("Программа уже запущена с папкой «%1». Перейдите в "
                                               "её окно или закройте её, прежде чем запускать "
                                               "снова."))),
      m_addressBook(std::make_unique<OpenAddressBook>()),
      m_document(std::make_unique<EnvelopeDocument>()),
      m_pictureCache(std::make_unique<PictureCache>(appdir, shared)),
      m_screen(std::make_unique<ScreenConversions>()), m_windows{messages, appdir, *m_addressBook} {
    auto& w = m_windows;
    w.document = m_document.get();
    w.pictureCache = m_pictureCache.get();
    w.screen = m_screen.get();
    IniFile::removeStaleTemporaries(appdir + QStringLiteral("envalo.ini"));
    convertAccessBook(appdir, messages);
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
