#pragma once

#include <QSemaphore>
#include <QString>
#include <thread>

// Another program holding the database file: a connection of its own, on a thread
// of its own, that takes a lock and keeps it until release() or until holdMs have
// passed. The constructor returns once the lock is held.
class ForeignLock {
public:
    enum class Kind {
        // "begin immediate": the write lock; others may still read.
        Write,
        // "begin exclusive": in a file that is not in WAL mode, readers wait too.
        Exclusive,
    };

    // holdMs < 0 holds until release().
    ForeignLock(const QString& path, Kind kind, int holdMs = -1);
    ~ForeignLock();
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

    // False when the lock could not be taken; the error says why.
    bool held() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    void release();

private:
    QSemaphore m_taken;
    QSemaphore m_release;
    QString m_error;
    std::thread m_thread;
};
