#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A recipient or a sender as a test writes it into the address database; line breaks
// in texts are stored as CR LF, as the program stores them.
struct Recipient {
    QString name, komy, kyda;
    int intyda = 0;
    bool galka = false;
    QString profile;
};
struct Sender {
    QString otkogo, otkyda;
    int intyt = 0;
    bool isDefault = false;
};
// The statements that add them, in order.
QString rowsSql(const QList<Recipient>& recipients, const QList<Sender>& senders = {});

// A temporary program folder with the shipped settings file and a database
// built from the shipped schema and sample rows.
class TestFolder {
public:
    TestFolder();

    // The folder with a trailing separator, as the program holds it.
    QString appdir() const;
    QString file(const QString& name) const { return appdir() + name; }

    void addSettings();
    // The shipped envelope pictures, in images/.
    void addPictures();
    void writeSettings(const QByteArray& bytes);
    QByteArray settingsBytes() const;

    // The shipped schema and sample rows, then any further statements.
    void addDatabase(const QString& moreSql = {});
    void addDatabaseFromScript(const QString& script);

    // The first column of every row a query gives, and a statement run, on the
    // folder's database through a connection of their own (another program's).
    QVariantList column(const QString& sql) const;
    QVariant value(const QString& sql) const;
    void execute(const QString& sql) const;

    static QString shippedSchema();
    static QString sampleRows();

private:
    QTemporaryDir m_dir;
};
