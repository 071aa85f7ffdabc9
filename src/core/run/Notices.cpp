#include "core/run/Notices.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>

QString applicationTitle() {
    return QStringLiteral("Печать конвертов");
}

void installQtRussian() {
    static QTranslator qtRussian;
    if (qtRussian.load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtRussian);
}

void useRussianLocale() {
    // The C library takes the user's locale now. The application object sets it from the
    // environment again, and that call fails as a whole, keeping this one, where the
    // Russian locale is not installed (Qt's own locale data needs no installed locale).
    std::setlocale(LC_ALL, "");
    // LC_ALL would outrank the categories set below: each other category takes its value
    // instead, so the numbers' locale (which anything parsing numbers relies on) stays.
    const QByteArray all = qgetenv("LC_ALL");
    if (!all.isEmpty()) {
        for (const char* category :
             {"LC_CTYPE", "LC_NUMERIC", "LC_COLLATE", "LC_MONETARY", "LC_PAPER", "LC_NAME",
              "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            qputenv(category, all);
        qunsetenv("LC_ALL");
    }
    const QByteArray russian("ru_RU.UTF-8");
    qputenv("LC_TIME", russian);
    // QLocale::system()'s language is that of messages; LANGUAGE outranks both for it.
    qputenv("LC_MESSAGES", russian);
    qputenv("LANGUAGE", "ru");
}
