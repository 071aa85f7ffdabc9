#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The settings file: sections of key=value lines in Windows-1251, read and
// written with the rules of the Windows profile-file format. Section and key
// names match without regard to letter case; the first matching section and
// key win. Every read sees the file as it is now; a write replaces the file
// atomically (a new file beside it, flushed, then renamed over it; never
// rewritten in place), so an interrupted write leaves the old file or the new one.
//
// Another program may change the file meanwhile (a text editor, a second copy of this
// one). A write is therefore a change of keys and sections, not a whole file: right
// before the replacement the file is read once more and, when it changed since, the
// change is made again on what it holds now, so that only a change made in that same
// instant can be lost. Whatever the change does not touch keeps its bytes and order.
class IniFile {
public:
    explicit IniFile(QString path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Several changes made as one: while a batch is open, writes change the file as the
    // reads of this object see it, and commit() replaces the file on disk once, with every
    // change of the batch made on the file as it is then. A batch that ends without
    // commit() leaves the file as it was. Batches may nest; the outermost commit writes.
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
    // Removes the keys from the first section of that name, every line of each; throws
    // like eraseSection.
    void eraseKeys(const QString& section, const QStringList& keys);

    // The whole file as decoded lines (any line end), for whole-file rewrites.
    // Throws UserError with the system's text when the file is missing or unreadable.
    QStringList readLines() const;
    // Writes the lines back, each ended by CR LF, in place of whatever the file holds
    // then. The file must exist.
    void writeLines(const QStringList& lines);
    // Rewrites the whole file as `edit` turns its lines, each then ended by CR LF; the
    // edit is made on the file as it is when written. Nothing is written when the edit
    // leaves the lines as they are. The file must exist.
    void editLines(const std::function<QStringList(const QStringList&)>& edit);

    // Runs `step` after each new file is flushed, right before the file is looked at once
    // more and replaced: where a test lets another program write.
    void setBeforeReplace(std::function<void()> step) { m_beforeReplace = std::move(step); }

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
    // One change: the bytes the file becomes when the change is made on it as it is.
    using Edit = std::function<QByteArray(const Snapshot&)>;

    // The parsed file as it is on disk now; parsed again only when the file changed.
    std::shared_ptr<const Snapshot> snapshot() const;
    // As snapshot(), but refuses a file that cannot be rewritten without losing its content.
    std::shared_ptr<const Snapshot> snapshotForWrite() const;
    // Makes the change on the file, or within a batch only on what the reads see.
    void change(Edit edit);
    // Makes the changes, in order, on the file as it is right before it is replaced.
    void replaceOnDisk(const std::vector<Edit>& edits);
    // Whether the file at the path still holds what `read` holds.
    bool stillAsRead(const Snapshot& read) const;
    [[noreturn]] void refuseWrite(const QString& reason) const;
    QString fullPath() const;

    QString m_path;
    mutable std::shared_ptr<Snapshot> m_snapshot;
    // Within a batch: the file as the batch has changed it, and the changes made.
    int m_batchDepth = 0;
    std::shared_ptr<Snapshot> m_pending;
    std::vector<Edit> m_edits;
    std::function<void()> m_beforeReplace;
};
