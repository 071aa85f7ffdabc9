#include "core/run/Notices.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QString applicationTitle() {
    return QStringLiteral("Печать конвертов");
}

void installQtRussian() {
    static QTranslator qtRussian;
    if (qtRussian.load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtRussian);
}
