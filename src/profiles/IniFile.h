#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

// The settings file: sections of key=value lines in Windows-1251, read and
// written with the rules of the Windows profile-file format. Section and key
// names match without regard to letter case; the first matching section and
// key win. Every read sees the file as it is now; a write replaces the file
// atomically, so an interrupted write never leaves a half-written file.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Each throws UserError("Unable to write to <path>") when the file cannot be
    // written, and UserError with a Russian text when the value or a name holds a
    // character that Windows-1251 cannot carry (nothing is written then).
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Writes many keys of one section at once, with the file replaced once: the
    // result is byte for byte what writing them one after another gives.
    void writeKeys(const QString& section, const std::vector<std::pair<QString, QString>>& values);

    // Section names in file order, bounded like the system's 16,384-byte buffer.
    QStringList sections() const;
    void eraseSection(const QString& section);

    // The whole file as decoded lines (any line end), for whole-file rewrites.
    // Throws UserError with the system's text when the file is missing or unreadable.
    QStringList readLines() const;
    // Writes the lines back, each ended by CR LF. The file must exist.
    void writeLines(const QStringList& lines);

    // Throws the UserError a write would give for a text the file cannot keep
    // (a line break, or a character Windows-1251 cannot carry).
    static void requireStorable(const QString& text);

    // The integer rule: decimal, or hexadecimal after "0x"/"0X" when longer than
    // two characters; anything unreadable gives def.
    static int parseInteger(const QString& text, int def);

private:
    struct Snapshot;
    // The parsed file as it is on disk now; parsed again only when the file changed.
    std::shared_ptr<const Snapshot> snapshot() const;
    // As snapshot(), but refuses a file that cannot be rewritten without losing its content.
    std::shared_ptr<const Snapshot> snapshotForWrite() const;
    void replaceFile(const QByteArray& bytes);
    QString fullPath() const;

    QString m_path;
    mutable std::shared_ptr<Snapshot> m_snapshot;
};
