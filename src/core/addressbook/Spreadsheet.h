#pragma once

#include "core/addressbook/AddressFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Workbooks as offices keep address lists: Excel (.xlsx, and .xls of Excel 97–2003) and
// LibreOffice Calc (.ods), read straight from the file's bytes, each sheet into the same
// table of text columns that a CSV file gives, with each row's number in the sheet as its
// line.
//
// Cells read as the spreadsheet shows them: text as it is (its line breaks CR LF, as the
// program keeps them); a number in general format as written in the file, with a dot
// («101000», «12.5»: never «101000.0» or «1.01E+05»); a whole number in a zero-padded
// format («000000») with its leading zeros; a date as dd.MM.yyyy; a boolean as ИСТИНА or
// ЛОЖЬ; a formula by its last computed value. Empty rows are skipped and empty columns at
// the right end dropped.

enum class SpreadsheetFormat {
    Xlsx, // Office Open XML: a zip holding xl/workbook.xml
    Xls,  // Excel 97–2003: a compound file holding the stream Workbook (or Book)
    Ods,  // OpenDocument: a zip whose mimetype names a spreadsheet
};

// The most an entry of a workbook's zip may unpack to: some five times the sheet of
// 300,000 addresses, so that a zip bomb is refused before it fills the memory.
constexpr qint64 maxWorkbookEntryBytes = 256 * 1024 * 1024;

// The workbook format of these bytes, or nothing when they are no workbook (a text, a
// .docx, a .doc, a picture). Throws UserError naming the file for a workbook that cannot
// be read: a damaged zip, a password-protected book.
std::optional<SpreadsheetFormat> spreadsheetFormat(const QByteArray& data, const QString& fileName);

// The names of the workbook's sheets, in the book's order. Throws UserError naming the
// file when the book is damaged or protected by a password.
QStringList sheetNames(const QByteArray& data, const QString& fileName);

// The rows of the sheet (counting from 0) that are not empty, each with its row number.
QList<AddressRow> readSheetRows(const QByteArray& data, const QString& fileName, int sheet);

// The sheet as a table of columns: its first row names the columns when the rows say so
// (the rule a CSV file's header row follows), or as `header` says. Throws UserError
// naming the file for a sheet of more than 10 million cells once every row is as wide as
// the widest.
AddressTable readSpreadsheet(const QByteArray& data, const QString& fileName, int sheet,
                             std::optional<bool> header = std::nullopt);

// The sheet a person names: by its name (letter case aside) or its number from 1. Throws
// UserError naming the file and the sheets it has when there is no such sheet.
int sheetIndex(const QStringList& sheets, const QString& choice, const QString& fileName);
