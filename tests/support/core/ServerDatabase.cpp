#include "ServerDatabase.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QtDebug>

namespace {

const QString admin = QStringLiteral("test server admin");

bool onAdmin(const QString& sql) {
    QSqlQuery query(QSqlDatabase::database(admin, false));
    if (query.exec(sql))
        return true;
    qWarning() << sql << query.lastError().text();
    return false;
}

} // namespace

ServerDatabase::ServerDatabase() {
    const QString server = qEnvironmentVariable("ENVALO_TEST_PG");
    if (server.isEmpty())
        return;
    const QUrl url(server);
    const QUrlQuery query(url);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), admin);
        db.setDatabaseName(url.path().mid(1));
        db.setHostName(query.hasQueryItem(QStringLiteral("host"))
                           ? query.queryItemValue(QStringLiteral("host"))
                           : url.host());
        if (url.port() > 0)
            db.setPort(url.port());
        db.setUserName(query.queryItemValue(QStringLiteral("user")));
        if (!db.open()) {
            qWarning() << "test server:" << db.lastError().text();
            return;
        }
    }
    static int serial = 0;
    m_name = QStringLiteral("envalo_s%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    onAdmin(QStringLiteral("drop database if exists %1").arg(m_name));
    if (!onAdmin(QStringLiteral("create database %1").arg(m_name)))
        return;
    QUrl mine(url);
    mine.setPath(QLatin1Char('/') + m_name);
    m_text = mine.toString();
}

ServerDatabase::~ServerDatabase() {
    if (!QSqlDatabase::contains(admin))
        return;
    if (!m_name.isEmpty())
        onAdmin(QStringLiteral("drop database if exists %1 with (force)").arg(m_name));
    QSqlDatabase::database(admin, false).close();
    QSqlDatabase::removeDatabase(admin);
}

QString ServerDatabase::skipReason() {
    return QStringLiteral("ENVALO_TEST_PG is not set: no PostgreSQL server for this run "
                          "(scripts/test.sh starts one with scripts/pg-test.sh)");
}
