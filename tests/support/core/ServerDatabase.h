#pragma once

#include <QString>

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

private:
    QString m_name;
    QString m_text;
};
