#include "core/run/ReadOnlyFolder.h"

#include "core/UserError.h"
#include "core/run/ProgramFolder.h"

QStringList withFullFormatNames(QStringList lines) {
    static const QString prefix = QStringLiteral("format=");
    for (QString& line : lines) {
        for (int format = 0; format < 3; ++format) {
            const QString full = formatEntryText(format);
            // The short name is what follows the sizes: "(110 x 220 мм) DL" -> "DL".
            const QString shortName = full.section(QLatin1Char(' '), -1);
            if (line == prefix + shortName)
                line = prefix + full;
        }
    }
    return lines;
}

ReadOnlyFolder::ReadOnlyFolder(const QString& appdir, const QString& database)
    : m_appdir(appdir), m_ini(appdir + QStringLiteral("envalo.ini")),
      m_db(QStringLiteral("envalo-readonly")) {
    requireProgramFolder(appdir, database);
    const QString book = addressBookOf(appdir, database);

    const QStringList lines = m_ini.readLines();
    m_asStarted.emplace(m_ini);
    try {
        m_ini.writeLines(withFullFormatNames(lines));
    } catch (const UserError&) {
        // A line the file cannot keep was never written by the program either: the
        // file is read as it stands.
    }

    m_db.open(book, AddressDb::addressTables(), AddressDb::Access::ReadOnly);
    m_book.emplace(m_db);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    m_book.reset();
    m_db.close();
}
