#pragma once

#include <QString>

class IniFile;

// The program-wide values of the settings file's section "option", as stored (the
// editor shows and keeps the texts), with each default in this one place.
struct ProgramOptions {
    static const QString section;

    // The profile made current last.
    QString profile;
    // Seconds the delay window counts down before an envelope.
    QString printdelay = QStringLiteral("10");
    // "1": a delay before every envelope; anything else: only when the profile changes.
    QString pdmode = QStringLiteral("1");
    // The column mapping of the last address import, as ColumnMapping keeps it in text.
    QString importmap;
    // Where the address book is: empty for the file Convert.mdb in the program folder,
    // else a PostgreSQL connection text.
    QString addressbook;
    // "1": a print run with no wait between envelopes goes to the queue as one job of a page
    // per envelope; anything else (and a file without the key): a job per envelope.
    QString onejob;

    // The texts as the print run and the delay window count with them.
    int printDelaySeconds() const;
    int delayMode() const;
    bool delayBeforeEveryEnvelope() const { return pdmode == QLatin1String("1"); }
    bool oneJob() const { return onejob == QLatin1String("1"); }

    // `currentProfile` stands in for a missing `profile`.
    static ProgramOptions read(const IniFile& ini, const QString& currentProfile = {});
    static void writeProfile(IniFile& ini, const QString& name);
    static void writeDelay(IniFile& ini, const QString& printdelay, const QString& pdmode);
    static void writeImportMap(IniFile& ini, const QString& mapping);
    static void writeAddressBook(IniFile& ini, const QString& location);
    static void writeOneJob(IniFile& ini, bool oneJob);

    // The address book to open: the connection text, or the file in the program
    // folder `appdir` (with a trailing separator).
    QString addressBookIn(const QString& appdir) const;
};
