#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Where a program whose executable lies in a given folder keeps its files.
struct ProgramPlace {
    // The program folder, with a trailing separator.
    QString folder;
    // The installed defaults (envalo.ini, Convert.mdb, images/) at ../share/envalo beside the
    // executable, with a trailing separator; empty when there are none.
    QString shared;
    // folder is the user's own folder, made from shared.
    bool user = false;
};

// The executable's own folder when it holds envalo.ini (the folder the build lays out, or one
// copied from an older installation); else, when the executable lies in an installed tree
// (../share/envalo holds the defaults), the user's folder $XDG_DATA_HOME/envalo (by default
// ~/.local/share/envalo); else the executable's folder. Looks only: changes no file.
ProgramPlace programPlace(const QString& exeDir);

// The user's own folder, $XDG_DATA_HOME/envalo/ (~/.local/share/envalo/ by default).
QString userProgramFolder();

// Makes the user's folder when place.user and copies into it each default it lacks
// (envalo.ini, Convert.mdb); a file already there is never replaced. Throws UserError naming
// the folder or the file that could not be made.
void layOutUserFolder(const ProgramPlace& place);

// Where envelopes go as PDF files when there is no print queue: PDF in the program folder;
// for the user's own folder, which is hidden, Конверты in the user's documents folder.
QString pdfFolderOf(const QString& appdir);

// The address book of the folder: `database` when given (a PostgreSQL connection text
// or a file), else as the folder's settings say (the file Convert.mdb in it by default).
QString addressBookOf(const QString& appdir, const QString& database = {});

// Throws UserError naming the folder when it is missing, is no folder, or lacks its
// settings file envalo.ini, or the file its address book is kept in (Convert.mdb unless
// `database` or the settings name another). appdir ends with a separator.
void requireProgramFolder(const QString& appdir, const QString& database = {});

// Two programs changing one folder would undo each other's saves and stored ticks, so
// a program that changes it holds the lock file .envalo.lock there meanwhile. A lock left
// by a program that ended without releasing it is taken over. Throws UserError with
// heldMessage, its %1 the folder, when a running program holds the lock; gives nullptr
// when no lock file can be made there (a folder where none can be made holds files no
// program can replace either, and the first write says so).
std::unique_ptr<QLockFile> lockFolder(const QString& appdir, const QString& heldMessage);
