#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

// A file the user names for the program's output: an export of addresses, the one PDF file
// of a print run. What stands in that place decides how it is written:
// - nothing, or a regular file (through any links): the file is written beside its place
//   and renamed over it when complete, so that a failure or a kill leaves the old file as
//   it was and never a part of the new one;
// - a character device or a FIFO (/dev/stdout into a pipe, a named pipe a script reads):
//   written straight into, as the user means; nothing is renamed over it, so a device never
//   becomes a file;
// - anything else (a folder, a socket, a block device) is refused.
// Every failure is a UserError naming the file and the reason in Russian.
class OutputFile : public QIODevice {
public:
    explicit OutputFile(const QString& path);
    // An output never committed is dropped: the replacement removed, the device closed.
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Throws UserError when what stands at `path` cannot take an output file. Whether its
    // folder can hold a new file is the caller's to check (see Destination.h).
    static void requirePlace(const QString& path);
    // Whether the output goes straight into what stands at `path` (a character device or a
    // FIFO) rather than replacing it.
    static bool writesDirectly(const QString& path);

    // Opens the output for writing (a FIFO waits here for its reader); throws UserError.
    void start();
    // Everything written is in place: the new file renamed over the old one, or the device
    // written and closed. Throws UserError naming the file and the reason.
    void commit();
    // Drops what was written to a replacement; a device is only closed.
    void cancel();

    bool isSequential() const override { return m_direct; }

protected:
    qint64 readData(char* data, qint64 size) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool flushBuffer();
    [[noreturn]] void fail(int error);

    QString m_path;
    QByteArray m_target;    // the file replaced or written into
    QByteArray m_temporary; // the replacement under way; empty when direct
    QByteArray m_buffer;
    int m_fd = -1;
    int m_error = 0;
    bool m_direct = false;
};

// `bytes` into the output file `path`, as OutputFile writes it; throws UserError.
void writeOutputFile(const QString& path, const QByteArray& bytes);

// Writes bytes to an open file as ::write does: the bytes written, or -1 with errno set.
using WriteFunction = std::function<qint64(int fd, const char* data, qint64 size)>;

// Writes all `size` bytes to `fd`, going on after a short write or an interrupted one, with
// `write` (::write when empty). Returns 0, or the errno of the write that failed.
int writeAll(int fd, const char* data, qint64 size, const WriteFunction& write = {});

// The file that a replacement of `path` is renamed over: the end of any links, also one
// that is not made yet, so that a link stays a link; `path` itself (absolute) when its
// links go round in a loop.
QString replacedFile(const QString& path);

// Flushes the folder of `file`, so that a rename into it survives a power loss along with
// the file's content.
void syncFolderOf(const QString& file);

// Gives the file open as `fd`, written to replace the file `replaced`, that file's
// permissions and owner (as far as this process may), or a new file's usual permissions
// when there is none. Returns 0, or the errno of what failed.
int takeOverMode(int fd, const QByteArray& replaced);

// Why a file could not be read or written, as the end of a Russian sentence
// ("нет места на диске", "нет права доступа", ...).
QString fileErrorReason(int error);
