#include "ForeignLock.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

ForeignLock::ForeignLock(const QString& path, Kind kind, int holdMs) {
    static std::atomic<int> serial = 0;
    const QString name = QStringLiteral("foreign lock %1").arg(++serial);
    m_thread = std::thread([this, path, kind, holdMs, name] {
        {
            // A connection belongs to the thread that made it.
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            QSqlQuery query(db);
            if (!db.open())
                m_error = db.lastError().text();
            else if (!query.exec(kind == Kind::Write ? QStringLiteral("begin immediate")
                                                     : QStringLiteral("begin exclusive")))
                m_error = query.lastError().text();
            m_taken.release();
            if (m_error.isEmpty()) {
                m_release.tryAcquire(1, holdMs < 0 ? -1 : holdMs);
                query.exec(QStringLiteral("rollback"));
            }
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
    m_taken.acquire();
}

ForeignLock::~ForeignLock() {
    release();
    m_thread.join();
}

void ForeignLock::release() {
    if (m_release.available() == 0)
        m_release.release();
}
