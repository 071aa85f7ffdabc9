#pragma once

#include <QString>
#include <QStringList>

// Splits a text at every occurrence of the delimiter, keeping empty pieces:
// two delimiters in a row or one at the end give an empty piece, and an empty
// text gives one empty piece.
inline QStringList splittext(const QString& text, const QString& delimiter) {
    return text.split(delimiter, Qt::KeepEmptyParts);
}
