#pragma once

#include <QString>
#include <memory>

class QLockFile;

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
