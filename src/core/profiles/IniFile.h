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
// atomically (a new file beside it, flushed, then renamed over it; never
// rewritten in place), so an interrupted write leaves the old file or the new one.
class IniFile {
public:
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Several changes made as one: while a batch is open, writes change the file as the
    // reads of this object see it, and commit() replaces the file on disk once. A batch
    // that ends without commit() leaves the file as it was. Batches may nest; the
    // outermost commit writes.
    class Batch {
    public:
        explicit Batch(IniFile& ini);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

    private:
        IniFile& m_ini;
        bool m_done = false;
    };

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& def) const;
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Each throws UserError when the file cannot be replaced: a Russian sentence naming
    // the folder and the reason, then "Unable to write to <path>"; and UserError with a Russian
    // text when the value or a name holds a character that Windows-1251 cannot carry (nothing is
    // written then).
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Writes many keys of one section at once, with the file replaced once: the
    // result is byte for byte what writing them one after another gives.
    void writeKeys(const QString& section, const std::vector<std::pair<QString, QString>>& values);

    // Section names in file order, bounded like the system's 16,384-byte buffer.
    QStringList sections() const;
    // Throws like a write when the file exists but cannot be read.
    void eraseSection(const QString& section);

    // The whole file as decoded lines (any line end), for whole-file rewrites.
    // Throws UserError with the system's text when the file is missing or unreadable.
    QStringList readLines() const;
    // Writes the lines back, each ended by CR LF. The file must exist.
    void writeLines(const QStringList& lines);

    // Throws the UserError a write would give for a text the file cannot keep
    // (a line break, or a character Windows-1251 cannot carry).
    static void requireStorable(const QString& text);

    // Removes what interrupted replacements of the file at `path` left beside it. Only
    // for a program that knows no other writer of the file is running.
    static void removeStaleTemporaries(const QString& path);

    // True when a change made after the stamps were taken must show in them: the file's
    // last change lies further back than its file system's clock resolution.
    static bool stampSettled(qint64 changedNs, bool wholeSeconds, qint64 checkedAtNs);

    // The integer rule: decimal, or hexadecimal after "0x"/"0X" when longer than
    // two characters; anything unreadable gives def.
    static int parseInteger(const QString& text, int def);

private:
    struct Snapshot;
    // The parsed file as it is on disk now; parsed again only when the file changed.
    std::shared_ptr<const Snapshot> snapshot() const;
    // As snapshot(), but refuses a file that cannot be rewritten without losing its content.
    std::shared_ptr<const Snapshot> snapshotForWrite() const;
    // Replaces the file, or within a batch only what the reads see.
    void replaceFile(const QByteArray& bytes);
    void replaceOnDisk(const QByteArray& bytes);
    [[noreturn]] void refuseWrite(const QString& reason) const;
    QString fullPath() const;

    QString m_path;
    mutable std::shared_ptr<Snapshot> m_snapshot;
    // Within a batch: the file as the batch has changed it, and the file it started from.
    int m_batchDepth = 0;
    std::shared_ptr<Snapshot> m_pending;
    std::shared_ptr<const Snapshot> m_batchBase;
};
