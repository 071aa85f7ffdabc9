#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary program folder at the sizes real offices reach: the shipped pictures,
// an address book of many recipients and senders, and a settings file with many profiles.
class BenchFolder {
public:
    struct Sizes {
        int recipients = 100'000;
        int senders = 1'000;
        int profiles = 200;
    };

    // Throws UserError when the folder cannot be built.
    explicit BenchFolder(const Sizes& sizes);

    // With a trailing separator, as the program holds it.
    QString appdir() const { return m_dir.path() + QLatin1Char('/'); }
    const Sizes& sizes() const { return m_sizes; }
    // Section names in file order, the option section left out.
    const QStringList& profiles() const { return m_profiles; }
    // A profile of format DL, which prints all four pictures.
    const QString& dlProfile() const { return m_dlProfile; }
    // A spreadsheet of this many recipients as a Russian Excel saves it (Windows-1251, ";",
    // the address in one quoted cell of three lines), and an empty address database of
    // the shipped layout for it: its path.
    QByteArray spreadsheet(int rows) const;
    QString emptyDatabase(const QString& name) const;
    // Moves the address book into an empty database on a PostgreSQL server: the rows of
    // the three tables copied with their ids, and the settings pointing there.
    void moveAddressBookTo(const QString& connection);
    // Leaves the folder in place when the benchmark ends, for a look at what it measured.
    void keep() { m_dir.setAutoRemove(false); }

private:
    void addPictures();
    void addSettings();
    void addDatabase();

    QTemporaryDir m_dir;
    Sizes m_sizes;
    QStringList m_profiles;
    QString m_dlProfile;
};
