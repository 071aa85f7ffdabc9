#pragma once

#include <QString>
#include <QVariantList>

// A database of its own on the PostgreSQL server the test command starts (named by
// ENVALO_TEST_PG), dropped again at the end; none when there is no server.
class ServerDatabase {
public:
    ServerDatabase();
    ~ServerDatabase();
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;

    // Whether a server is there; a test without one skips with skipReason.
    bool available() const { return !m_text.isEmpty(); }
    static QString skipReason();
    // The connection text of the database, as the program takes it.
    const QString& text() const { return m_text; }

    // A script or statement written for the address book file, in PostgreSQL's words: the
    // shipped schema.sql becomes schema-postgresql.sql with sharing-postgresql.sql, the
    // recipients' galka read is the role's own tick, `name` becomes "name", char() chr().
    static QString inServerWords(QString script);
    // Runs the statements of such a script, and gives the first column of the rows of such a
    // query, through a connection of their own (another program's).
    void runScript(const QString& script) const;
    QVariantList column(const QString& sql) const;
    // Ends every other session on the database, as an administrator or a broken network
    // would, and waits until they have ended.
    void endOtherSessions() const;

private:
    QString m_admin;
    QString m_name;
    QString m_text;
};
