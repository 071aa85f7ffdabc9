#include "core/addressbook/SqlScript.h"

#include "core/UserError.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <atomic>
#include <vector>

namespace {

struct Statement {
    QString text;
    int line = 0;
};

std::vector<Statement> splitStatements(const QString& script) {
    std::vector<Statement> statements;
    Statement current;
    const QStringList lines = script.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines.at(i).trimmed();
        if (trimmed.startsWith(QStringLiteral("--")) ||
            (trimmed.isEmpty() && current.text.isEmpty())) {
            continue;
        }
        if (current.text.isEmpty())
            current.line = i + 1;
        current.text += lines.at(i) + u'\n';
        if (trimmed.endsWith(u';')) {
            statements.push_back({current.text.trimmed(), current.line});
            current = {};
        }
    }
    if (!current.text.trimmed().isEmpty())
        statements.push_back({current.text.trimmed(), current.line});
    return statements;
}

QString errorText(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

} // namespace

void runSqlScriptFile(const QString& databasePath, const QString& script) {
    static std::atomic<int> serial = 0;
    const QString connectionName = QStringLiteral("envalo-script-%1").arg(++serial);
    const std::vector<Statement> statements = splitStatements(script);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(databasePath);
        if (!db.open()) {
            failure = errorText(db.lastError());
        } else if (!db.transaction()) {
            failure = errorText(db.lastError());
        } else {
            for (const Statement& statement : statements) {
                QSqlQuery query(db);
                if (!query.exec(statement.text)) {
                    failure =
                        QStringLiteral("Ошибка в строке %1 сценария SQL: %2\n%3")
                            .arg(statement.line)
                            .arg(errorText(query.lastError()), statement.text.section(u'\n', 0, 0));
                    break;
                }
            }
            if (!failure.isEmpty())
                db.rollback();
            else if (!db.commit())
                failure = errorText(db.lastError());
        }
        db.close();
    }
    // Removed only once every handle above is gone, or Qt reports it still in use.
    QSqlDatabase::removeDatabase(connectionName);
    if (!failure.isEmpty())
        throw UserError(failure);
}

QStringList sqlStatements(const QString& script) {
    QStringList texts;
    for (const Statement& statement : splitStatements(script))
        texts.append(statement.text);
    return texts;
}

QString readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw UserError(QStringLiteral("Не удалось прочитать файл %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw UserError(QStringLiteral("Не удалось прочитать файл %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    // The decoder drops a leading byte order mark, which SQLite would not parse.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        throw UserError(
            QStringLiteral("Файл %1 не в кодировке UTF-8.").arg(QDir::toNativeSeparators(path)));
    }
    return text;
}
