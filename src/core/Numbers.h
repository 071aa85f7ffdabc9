#pragma once

#include "core/UserError.h"

#include <QString>

// A field's text as a whole number; anything else (empty, a lone "-", out of
// range) is the conversion error that names the text.
inline int toWholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw UserError(QStringLiteral("«%1» не является целым числом.").arg(text));
    return value;
}
