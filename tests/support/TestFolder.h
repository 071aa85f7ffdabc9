#pragma once

#include "ScriptedMessages.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

class Program;
class Tfrm;

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

// The whole program on a test folder, with scripted messages.
struct TestProgram {
    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Program> program;

    TestProgram();
    ~TestProgram();
    // Creates every window as the program does at start.
    void start();
    // Runs the deferred start-up step as its timer would.
    void runDeferredStep();
    // The shipped settings, pictures and sample database, started and ready.
    void startAsShipped();
    Tfrm& frm();
    // Fails the test when a box was shown that no answer was queued for, or
    // when a queued answer was never asked for.
    void verifyNothingUnexpected() const;
};
