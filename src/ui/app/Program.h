#pragma once

#include "ui/common/Windows.h"

#include <QString>
#include <memory>

class EnvelopeDocument;
class PictureCache;
struct ScreenConversions;
class QLockFile;
class Messages;
class OpenAddressBook;
class MainWindow;

// Owns the windows for the life of the program and destroys them in reverse order.
// One program runs per program folder: it holds the folder's lock while it lives.
class Program {
public:
    // appdir is the program folder with a trailing separator; shared, the installed defaults
    // whose pictures serve where the folder has none. Throws UserError, having touched no
    // file, when another program holds the folder.
    Program(const QString& appdir, Messages& messages, const QString& shared = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Windows& windows() { return m_windows; }
    MainWindow& mainWindow();

private:
    void destroyAll();

    std::unique_ptr<QLockFile> m_lock;
    // Closed after the windows that show it.
    std::unique_ptr<OpenAddressBook> m_addressBook;
    std::unique_ptr<EnvelopeDocument> m_document;
    std::unique_ptr<PictureCache> m_pictureCache;
    std::unique_ptr<ScreenConversions> m_screen;
    Windows m_windows;
};
