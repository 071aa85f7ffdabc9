#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

// What a program reading a FIFO gets: everything written until the last writer closes it.
// The FIFO is opened at once without waiting (so that a writer finds its reader) and drained
// on a thread of its own, so that a writer of more than the pipe's buffer is never stuck.
class FifoReader {
public:
    explicit FifoReader(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {
        if (m_fd < 0)
            return;
        m_thread = std::thread([this] {
            for (;;) {
                const bool last = m_stop;
                char chunk[4096];
                ssize_t n = 0;
                while ((n = ::read(m_fd, chunk, sizeof chunk)) > 0)
                    m_bytes.append(chunk, qsizetype(n));
                if (last)
                    return;
                pollfd wait{m_fd, POLLIN, 0};
                ::poll(&wait, 1, 20);
            }
        });
    }
    ~FifoReader() { finish(); }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // What was read; call once every writer is done.
    QByteArray finish() {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
        }
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return m_bytes;
    }

private:
    int m_fd;
    std::atomic<bool> m_stop{false};
    QByteArray m_bytes;
    std::thread m_thread;
};
