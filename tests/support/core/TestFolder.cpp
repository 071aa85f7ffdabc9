#include "TestFolder.h"

#include "core/addressbook/SqlScript.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

QString literal(QString text) {
    text.replace(u'\'', QStringLiteral("''"));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("' || char(13) || char(10) || '"));
    return u'\'' + text + u'\'';
}

} // namespace

QString rowsSql(const QList<Recipient>& recipients, const QList<Sender>& senders) {
    QString sql;
    for (const Recipient& r : recipients)
        sql += QStringLiteral("insert into `table` (name, komy, kyda, intyda, galka, `groups`, "
                              "profile) values (%1, %2, %3, %4, %5, '', %6);\n")
                   .arg(literal(r.name), literal(r.komy), literal(r.kyda))
                   .arg(r.intyda)
                   .arg(r.galka ? 1 : 0)
                   .arg(literal(r.profile));
    for (const Sender& s : senders)
        sql += QStringLiteral("insert into table2 (otkogo, otkyda, intyt, `default`) values (%1, "
                              "%2, %3, %4);\n")
                   .arg(literal(s.otkogo), literal(s.otkyda))
                   .arg(s.intyt)
                   .arg(s.isDefault ? 1 : 0);
    return sql;
}

TestFolder::TestFolder() {
    QVERIFY2(m_dir.isValid(), "no temporary folder");
}

QString TestFolder::appdir() const {
    return m_dir.path() + QLatin1Char('/');
}

void TestFolder::addSettings() {
    QFile::remove(file(QStringLiteral("envalo.ini")));
    QVERIFY(QFile::copy(QStringLiteral(ENVALO_DATA_DIR "/envalo.ini"),
                        file(QStringLiteral("envalo.ini"))));
    QFile::setPermissions(file(QStringLiteral("envalo.ini")), QFile::ReadOwner | QFile::WriteOwner |
                                                                  QFile::ReadGroup |
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

QString TestFolder::shippedSchema() {
    return readTextFile(QStringLiteral(ENVALO_DATA_DIR "/schema.sql"));
}

QString TestFolder::sampleRows() {
    return readTextFile(QStringLiteral(ENVALO_DATA_DIR "/sample.sql"));
}

void TestFolder::addDatabase(const QString& moreSql) {
    addDatabaseFromScript(shippedSchema() + '\n' + sampleRows() + '\n' + moreSql);
}

void TestFolder::addDatabaseFromScript(const QString& script) {
    runSqlScriptFile(file(QStringLiteral("Convert.mdb")), script);
}

namespace {

// Runs a statement on the database file through a connection that is not the program's.
void onOtherConnection(const QString& path, const QString& sql, QVariantList* column) {
    const QString name = QStringLiteral("another program");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            QTest::qFail(qPrintable(db.lastError().text()), __FILE__, __LINE__);
        } else {
            QSqlQuery query(db);
            if (!query.exec(sql))
                QTest::qFail(qPrintable(query.lastError().text() + ": " + sql), __FILE__, __LINE__);
            while (column && query.next())
                column->append(query.value(0));
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QVariantList TestFolder::column(const QString& sql) const {
    QVariantList values;
    onOtherConnection(file(QStringLiteral("Convert.mdb")), sql, &values);
    return values;
}

QVariant TestFolder::value(const QString& sql) const {
    const QVariantList values = column(sql);
    return values.isEmpty() ? QVariant() : values.first();
}

void TestFolder::execute(const QString& sql) const {
    onOtherConnection(file(QStringLiteral("Convert.mdb")), sql, nullptr);
}
