#include "TestFolder.h"

#include "addressbook/SqlScript.h"
#include "app/Envalo.h"
#include "app/Windows.h"
#include "profiles/Options1.h"

#include <QDir>
#include <QFile>
#include <QTest>

TestFolder::TestFolder() { QVERIFY2(m_dir.isValid(), "no temporary folder"); }

QString TestFolder::appdir() const { return m_dir.path() + QLatin1Char('/'); }

void TestFolder::addSettings() {
    QFile::remove(file(QStringLiteral("envalo.ini")));
    QVERIFY(QFile::copy(QStringLiteral(ENVALO_DATA_DIR "/envalo.ini"),
                        file(QStringLiteral("envalo.ini"))));
    QFile::setPermissions(file(QStringLiteral("envalo.ini")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                              QFile::ReadOther);
}

void TestFolder::addPictures() {
    const QDir source(QStringLiteral(ENVALO_DATA_DIR "/images"));
    QDir(appdir()).mkpath(QStringLiteral("images"));
    const QStringList names = source.entryList({QStringLiteral("*.jpg")}, QDir::Files);
    QVERIFY2(names.size() == 28, "the shipped pictures are missing");
    for (const QString& name : names)
        QVERIFY(QFile::copy(source.filePath(name), file(QStringLiteral("images/") + name)));
}

void TestFolder::writeSettings(const QByteArray& bytes) {
    QFile f(file(QStringLiteral("envalo.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray TestFolder::settingsBytes() const {
    QFile f(file(QStringLiteral("envalo.ini")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString TestFolder::shippedSchema() { return readTextFile(QStringLiteral(ENVALO_DATA_DIR "/schema.sql")); }

QString TestFolder::sampleRows() { return readTextFile(QStringLiteral(ENVALO_DATA_DIR "/sample.sql")); }

void TestFolder::addDatabase(const QString& moreSql) {
    addDatabaseFromScript(shippedSchema() + '\n' + sampleRows() + '\n' + moreSql);
}

void TestFolder::addDatabaseFromScript(const QString& script) {
    runSqlScriptFile(file(QStringLiteral("Convert.mdb")), script);
}

TestProgram::TestProgram() = default;

TestProgram::~TestProgram() { program.reset(); }

void TestProgram::start() { program = std::make_unique<Program>(folder.appdir(), messages); }

void TestProgram::runDeferredStep() {
    QVERIFY2(frm().Timer1.isActive(), "the deferred step was not scheduled");
    // Both start-up timers, the profile store's first: the main window's choice wins.
    Topt& opt = *program->windows().opt;
    if (opt.startTimer.isActive())
        guarded(messages, [&] { opt.startprofile(); });
    guarded(messages, [&] { frm().Timer1Timer(); });
}

Tfrm& TestProgram::frm() { return *program->windows().frm; }
