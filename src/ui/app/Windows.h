#pragma once

#include <QString>
#include <memory>

class QLockFile;
class Messages;
class Tfrm;
class Tview;
class Topt;
class Tdesk;
class Tnewrec;
class TGroups;
class TAddGroup;
class Ttpos;
class TpAbout;
class TfSaveAs;
class TfWait;

// The program's windows, created once in this order; each window's constructor
// receives this context and may use only the windows created before it.
struct Windows {
    Messages& messages;
    QString appdir;

    Tfrm* frm = nullptr;
    Tview* view = nullptr;
    Topt* opt = nullptr;
    Tdesk* desk = nullptr;
    Tnewrec* newrec = nullptr;
    TGroups* Groups = nullptr;
    TAddGroup* AddGroup = nullptr;
    Ttpos* tpos = nullptr;
    TpAbout* pAbout = nullptr;
    TfSaveAs* fSaveAs = nullptr;
    TfWait* fWait = nullptr;
};

// Owns the windows for the life of the program and destroys them in reverse order.
// One program runs per program folder: it holds the folder's lock while it lives.
class Program {
public:
    // appdir is the program folder with a trailing separator. Throws UserError, having
    // touched no file, when another program holds the folder.
    Program(const QString& appdir, Messages& messages);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Windows& windows() { return m_windows; }

private:
    void destroyAll();

    std::unique_ptr<QLockFile> m_lock;
    Windows m_windows;
};
