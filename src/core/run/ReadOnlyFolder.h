#pragma once

#include "core/addressbook/AddressDb.h"
#include "core/profiles/IniFile.h"
#include "core/run/AddressBook.h"

#include <QString>
#include <optional>

// A program folder read without changing any of its files: the settings file as the
// program sees it once started, and the address book read whole from a database
// opened read-only. For programs that print from a folder another program keeps.
class ReadOnlyFolder {
public:
    // appdir: the folder with a trailing separator. Throws UserError naming the folder
    // or the file when the folder, its settings file or its database is missing or unreadable.
    // database: as --database gives it; empty for the address book the settings name.
    explicit ReadOnlyFolder(const QString& appdir, const QString& database = {});
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    const QString& appdir() const { return m_appdir; }
    const IniFile& ini() const { return m_ini; }
    const AddressBook& book() const { return *m_book; }
    // Opened read-only: SQLite refuses every write made through it.
    AddressDb& db() { return m_db; }

private:
    QString m_appdir;
    IniFile m_ini;
    // Holds the program's start-up rewrite of the settings file for the reads only: it
    // is never committed, so the file on disk stays as it is.
    std::optional<IniFile::Batch> m_asStarted;
    AddressDb m_db;
    std::optional<AddressBook> m_book;
};

// Lines of the settings file with the short format names of old files ("format=DL")
// written out in full, as the program rewrites them at every start.
QStringList withFullFormatNames(QStringList lines);
