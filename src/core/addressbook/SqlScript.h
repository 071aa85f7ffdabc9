#pragma once

#include <QString>
#include <QStringList>

// Runs the statements of an SQL script, one after another, on a database file;
// the file is created when missing. Statements end with ";" at the end of a line;
// lines starting with "--" are comments. Throws UserError on the first failure.
void runSqlScriptFile(const QString& databasePath, const QString& script);

// The statements of a script, split as runSqlScriptFile splits them, comments left out.
QStringList sqlStatements(const QString& script);

// Reads a text file in UTF-8; throws UserError when it cannot be read.
QString readTextFile(const QString& path);
