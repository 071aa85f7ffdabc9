#include "core/addressbook/AddressFile.h"

#include "core/Cp1251.h"
#include "core/OutputFile.h"
#include "core/UserError.h"
#include "core/addressbook/Spreadsheet.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString crlf = QStringLiteral("\r\n");

bool startsWith(const QByteArray& data, const char* magic, qsizetype size) {
    return data.size() >= size && std::equal(magic, magic + size, data.constData());
}

// What a file that is no text most likely is, for the message; empty when it is text.
QString binaryKind(const QByteArray& data) {
    struct Magic {
        const char* bytes;
        qsizetype size;
        const char* kind;
    };
    static const std::array<Magic, 9> known{{
        {"PK\x03\x04", 4, "архив ZIP или документ Word (.docx)"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8,
         "документ Word 97–2003 (.doc) или другой файл Office"},
        {"\x00\x01\x00\x00Standard Jet DB", 19, "база данных Access (.mdb)"},
        {"\x00\x01\x00\x00Standard ACE DB", 19, "база данных Access (.accdb)"},
        {"SQLite format 3", 16, "база данных SQLite"},
        {"\xFF\xD8\xFF", 3, "рисунок JPEG"},
        {"\x89PNG", 4, "рисунок PNG"},
        {"GIF8", 4, "рисунок GIF"},
        {"%PDF", 4, "документ PDF"},
    }};
    for (const Magic& magic : known)
        if (startsWith(data, magic.bytes, magic.size))
            return QString::fromUtf8(magic.kind);
    // Text has no NUL bytes, but for UTF-16, which begins with its byte order mark.
    if (startsWith(data, "\xFF\xFE", 2) || startsWith(data, "\xFE\xFF", 2))
        return {};
    const QByteArray head = data.left(8192);
    if (head.contains('\0'))
        return QStringLiteral("двоичный файл");
    return {};
}

bool validUtf8(const QByteArray& data) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    // The decoding runs only when its result is taken.
    const QString text = decoder.decode(data);
    return !decoder.hasError();
}

// Separators outside quotes on each of the first lines.
std::vector<int> separatorCounts(QStringView text, QChar separator, int lines) {
    std::vector<int> counts;
    int count = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size() && int(counts.size()) < lines; ++i) {
        const QChar c = text[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == separator)
            ++count;
        else if (!quoted && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            counts.push_back(count);
            count = 0;
        }
    }
    if (count > 0)
        counts.push_back(count);
    return counts;
}

bool looksLikeNumber(const QString& field) {
    static const QRegularExpression number(QStringLiteral("^\\s*\\d+\\s*$"));
    return number.match(field).hasMatch();
}

// Column names of the address books people export: Outlook (English and Russian), Google
// Contacts, Thunderbird, Apple, Russian mail services, this program; letter case aside.
bool knownColumnName(const QString& field) {
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const char* name :
             {// Outlook
              "First Name", "Middle Name", "Last Name", "Title", "Suffix", "Company", "Department",
              "Job Title", "Business Street", "Business Street 2", "Business City",
              "Business State", "Business Postal Code", "Business Country/Region", "Home Street",
              "Home Street 2", "Home City", "Home State", "Home Postal Code", "Home Country/Region",
              "Other Street", "Other City", "Other Postal Code", "E-mail Address",
              "E-mail Display Name", "Business Phone", "Home Phone", "Mobile Phone", "Notes",
              "Обращение", "Отчество", "Фамилия", "Суффикс", "Организация", "Отдел", "Должность",
              "Улица (раб. адрес)", "Город (раб. адрес)", "Область (раб. адрес)",
              "Индекс (раб. адрес)", "Страна или регион (раб. адрес)", "Улица (дом. адрес)",
              "Город (дом. адрес)", "Область (дом. адрес)", "Индекс (дом. адрес)",
              "Почтовый код (дом. адрес)", "Почтовый код (раб. адрес)",
              "Страна или регион (дом. адрес)", "Адрес эл. почты", "Рабочий телефон",
              "Домашний телефон", "Мобильный телефон", "Заметки",
              // Google Contacts
              "Name", "Given Name", "Additional Name", "Family Name", "Name Prefix", "Name Suffix",
              "Nickname", "Organization Name", "Organization 1 - Name", "E-mail 1 - Value",
              "Phone 1 - Value", "Address 1 - Formatted", "Address 1 - Street", "Address 1 - City",
              "Address 1 - Region", "Address 1 - Postal Code", "Address 1 - Country",
              "Group Membership",
              // Thunderbird
              "Display Name", "Primary Email", "Secondary Email", "Work Phone", "Mobile Number",
              "Home Address", "Home Address 2", "Home ZipCode", "Home Country", "Work Address",
              "Work Address 2", "Work City", "Work State", "Work ZipCode", "Work Country",
              "Organization",
              // Apple and others
              "Full Name", "Street", "City", "State", "ZIP", "Zip Code", "Postal Code", "Country",
              "Address", "Email", "E-mail", "Phone",
              // Russian mail services and spreadsheets, this program
              "Имя", "Полное имя", "Кому", "Куда", "Индекс", "Почтовый индекс", "Адрес", "Улица",
              "Город", "Регион", "Область", "Район", "Страна", "Телефон", "Мобильный",
              "Электронная почта", "Компания", "Комментарий", "Отправитель", "Название", "Никнейм",
              "Псевдоним"})
            set.insert(QString::fromUtf8(name).toCaseFolded());
        return set;
    }();
    return names.contains(field.trimmed().toCaseFolded());
}

bool hasDigit(const QString& field) {
    return std::any_of(field.begin(), field.end(), [](QChar c) { return c.isDigit(); });
}

// Whether the first of these rows names the columns: it holds two names that exports
// write; or no field of it is a number while some field below is; or its fields are
// distinct texts without a digit while the rows below have digits (house numbers,
// indexes, phones).
bool namesColumns(const QList<AddressRow>& rows) {
    const QStringList& first = rows.first().fields;
    if (std::count_if(first.begin(), first.end(), knownColumnName) >=
        std::min<qsizetype>(2, first.size()))
        return true;
    const auto below = [&](const std::function<bool(const QString&)>& test) {
        return std::any_of(rows.begin() + 1, rows.begin() + std::min<qsizetype>(rows.size(), 20),
                           [&](const AddressRow& row) {
                               return std::any_of(row.fields.begin(), row.fields.end(), test);
                           });
    };
    if (std::none_of(first.begin(), first.end(), looksLikeNumber) && below(looksLikeNumber))
        return true;
    QSet<QString> distinct;
    for (const QString& field : first) {
        if (field.trimmed().isEmpty() || hasDigit(field))
            return false;
        distinct.insert(field.trimmed().toCaseFolded());
    }
    return distinct.size() == first.size() && below(hasDigit);
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString megabytes(qint64 bytes) {
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

} // namespace

QString withCrLf(const QString& text) {
    QString result = text;
    result.replace(crlf, QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    result.replace(QLatin1Char('\n'), crlf);
    return result;
}

QByteArray readAddressFile(const QString& path) {
    // Opened without waiting, so that a FIFO without a writer is refused rather than waited
    // for; what the descriptor is decides, not what the name was a moment before.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            throw UserError(QStringLiteral("Файл «%1» не найден.").arg(native(path)));
        throw UserError(QStringLiteral("Не удалось открыть файл «%1»: %2.")
                            .arg(native(path), fileErrorReason(error)));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw UserError(QStringLiteral("Не удалось прочитать файл «%1»: %2")
                            .arg(native(path), fileErrorReason(errno)));
    if (S_ISDIR(st.st_mode))
        throw UserError(QStringLiteral("«%1» — папка, а не файл.").arg(native(path)));
    if (!S_ISREG(st.st_mode)) {
        const QString kind = S_ISCHR(st.st_mode) ? QStringLiteral("устройство")
                             : S_ISFIFO(st.st_mode) ? QStringLiteral("именованный канал")
                             : S_ISSOCK(st.st_mode) ? QStringLiteral("сокет")
                             : S_ISBLK(st.st_mode) ? QStringLiteral("блочное устройство (диск)")
                                                   : QStringLiteral("не обычный файл");
        throw UserError(QStringLiteral("«%1» — %2, а не файл: адреса читаются только из "
                                       "обычного файла CSV или vCard.")
                            .arg(native(path), kind));
    }
    const auto tooLarge = [&](qint64 size) {
        return UserError(QStringLiteral("Файл «%1» слишком велик для файла адресов: %2 МБ, а "
                                        "программа читает файлы до %3 МБ. Разделите его на "
                                        "несколько файлов.")
                             .arg(native(path), megabytes(size), megabytes(maxAddressFileBytes)));
    };
    if (st.st_size > maxAddressFileBytes)
        throw tooLarge(st.st_size);
    QByteArray data;
    data.reserve(qsizetype(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw UserError(QStringLiteral("Не удалось прочитать файл «%1»: %2")
                                .arg(native(path), fileErrorReason(errno)));
        if (n == 0)
            break;
        // A file that grows while it is read is held to the same limit.
        if (data.size() + n > maxAddressFileBytes)
            throw tooLarge(data.size() + n);
        data.append(chunk, qsizetype(n));
    }
    return data;
}

void requireRows(const AddressTable& table, AddressFileKind kind, const QString& fileName) {
    if (!table.rows.isEmpty())
        return;
    const QString file = native(fileName);
    if (kind == AddressFileKind::VCard && !table.columns.isEmpty())
        throw UserError(
            QStringLiteral("В файле «%1» нет ни одной карточки vCard: импортировать нечего.")
                .arg(file));
    throw UserError(table.columns.isEmpty()
                        ? QStringLiteral("Файл «%1» пуст: импортировать нечего.").arg(file)
                        : QStringLiteral("В файле «%1» нет ни одной строки с адресом, только "
                                         "названия столбцов: импортировать нечего.")
                              .arg(file));
}

AddressFileKind addressFileKind(const QByteArray& data, const QString& fileName) {
    if (spreadsheetFormat(data, fileName))
        return AddressFileKind::Spreadsheet;
    const QString kind = binaryKind(data);
    if (!kind.isEmpty())
        throw UserError(QStringLiteral("Файл «%1» — не текстовый файл (похоже, это %2). "
                                       "Программа читает адреса из файлов CSV (таблица, "
                                       "сохранённая как текст с разделителями), vCard (.vcf) "
                                       "и книг Excel и LibreOffice (.xlsx, .xls, .ods).")
                            .arg(QDir::toNativeSeparators(fileName), kind));
    const bool utf16Le = startsWith(data, "\xFF\xFE", 2);
    if (utf16Le || startsWith(data, "\xFE\xFF", 2)) {
        // The card reader takes 8-bit text: cards in UTF-16 are refused rather than read
        // as a table of garbled rows.
        const QString head =
            decodeText(data.left(8192), utf16Le ? TextEncoding::Utf16Le : TextEncoding::Utf16Be);
        if (head.contains(QStringLiteral("BEGIN:VCARD"), Qt::CaseInsensitive))
            throw UserError(QStringLiteral("Файл «%1» — карточки vCard в кодировке UTF-16, а "
                                           "программа читает карточки в UTF-8 или Windows-1251. "
                                           "Сохраните их в UTF-8 и импортируйте снова.")
                                .arg(QDir::toNativeSeparators(fileName)));
        return AddressFileKind::Csv;
    }
    const qsizetype begin = startsWith(data, "\xEF\xBB\xBF", 3) ? 3 : 0;
    const QByteArray head = data.mid(begin, 4096).trimmed().toUpper();
    if (head.startsWith("BEGIN:VCARD"))
        return AddressFileKind::VCard;
    if (QFileInfo(fileName).suffix().compare(QStringLiteral("vcf"), Qt::CaseInsensitive) == 0 &&
        head.contains("BEGIN:VCARD"))
        return AddressFileKind::VCard;
    return AddressFileKind::Csv;
}

CsvFormat detectCsvFormat(const QByteArray& data) {
    CsvFormat format;
    if (startsWith(data, "\xEF\xBB\xBF", 3))
        format.encoding = TextEncoding::Utf8WithBom;
    else if (startsWith(data, "\xFF\xFE", 2))
        format.encoding = TextEncoding::Utf16Le;
    else if (startsWith(data, "\xFE\xFF", 2))
        format.encoding = TextEncoding::Utf16Be;
    else
        format.encoding = validUtf8(data) ? TextEncoding::Utf8 : TextEncoding::Windows1251;
    const QString text = decodeText(data.left(65536), format.encoding);

    // The separator that gives most lines the same, largest number of fields.
    constexpr int sampleLines = 20;
    int bestScore = -1;
    for (const QChar candidate : {QChar(u';'), QChar(u','), QChar(u'\t')}) {
        const std::vector<int> counts = separatorCounts(text, candidate, sampleLines);
        std::map<int, int> lines; // separators per line -> lines
        for (int count : counts)
            if (count > 0)
                ++lines[count];
        int score = 0;
        for (const auto& [count, many] : lines)
            score = std::max(score, many * 1000 + count);
        if (score > bestScore) {
            bestScore = score;
            format.separator = candidate;
        }
    }
    format.hasHeader = firstRowNamesColumns(parseCsv(text, format.separator));
    return format;
}

bool firstRowNamesColumns(const QList<AddressRow>& rows) {
    if (rows.size() > 1)
        return namesColumns(rows);
    // One row without a number cannot be a record, which has its index: it names columns.
    return rows.size() == 1 &&
           std::none_of(rows.first().fields.begin(), rows.first().fields.end(), looksLikeNumber);
}

QString decodeText(const QByteArray& data, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Windows1251:
        return Cp1251::get().decode(data);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        const bool little = encoding == TextEncoding::Utf16Le;
        const QByteArray mark = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        return decoder.decode(data.startsWith(mark) ? data.mid(2) : data);
    }
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom:
        break;
    }
    const qsizetype begin = startsWith(data, "\xEF\xBB\xBF", 3) ? 3 : 0;
    return QString::fromUtf8(data.constData() + begin, data.size() - begin);
}

QByteArray encodeText(const QString& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Windows1251:
        return Cp1251::get().encode(text);
    case TextEncoding::Utf8WithBom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16Le:
        return QByteArray("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    case TextEncoding::Utf16Be:
        return QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE).encode(text);
    case TextEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QList<AddressRow> parseCsv(QStringView text, QChar separator, LineBreaks lineBreaks) {
    const bool asWritten = lineBreaks == LineBreaks::AsWritten;
    QList<AddressRow> rows;
    AddressRow row;
    QString field;
    int line = 1;
    row.line = line;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field under way began with a quote
    auto endField = [&] {
        row.fields.append(field);
        field.clear();
        wasQuoted = false;
    };
    auto endRow = [&] {
        // A row that has a separator has a last field, however empty.
        if (wasQuoted || !field.isEmpty() || !row.fields.isEmpty())
            endField();
        const bool blank = std::all_of(row.fields.begin(), row.fields.end(),
                                       [](const QString& f) { return f.trimmed().isEmpty(); });
        if (!blank)
            rows.append(row);
        row = AddressRow{};
        row.line = line;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                const bool pair = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
                if (pair)
                    ++i;
                ++line;
                if (!asWritten)
                    field += crlf;
                else if (pair)
                    field += crlf;
                else
                    field += c;
                continue;
            }
            field += c;
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++line;
            endRow();
        } else {
            field += c;
        }
    }
    endRow();
    return rows;
}

QStringList ownCsvColumns(bool recipients) {
    if (recipients)
        return {QStringLiteral("Имя"), QStringLiteral("Кому"), QStringLiteral("Куда"),
                QStringLiteral("Индекс")};
    return {QStringLiteral("Отправитель"), QStringLiteral("Куда"), QStringLiteral("Индекс")};
}

AddressTable readCsv(const QByteArray& data, const CsvFormat& format) {
    AddressTable table;
    table.rows =
        parseCsv(decodeText(data, format.encoding), format.separator, LineBreaks::AsWritten);
    const QStringList header = table.rows.isEmpty() ? QStringList() : table.rows.first().fields;
    const bool own =
        format.hasHeader && (header == ownCsvColumns(true) || header == ownCsvColumns(false));
    for (AddressRow& row : table.rows) {
        row.exact = own;
        if (own)
            continue;
        for (QString& field : row.fields)
            if (field.contains(u'\r') || field.contains(u'\n'))
                field = withCrLf(field);
    }
    return tableOfRows(std::move(table.rows), format.hasHeader);
}

AddressTable tableOfRows(QList<AddressRow> rows, bool hasHeader) {
    AddressTable table;
    table.rows = std::move(rows);
    qsizetype width = 0;
    for (const AddressRow& row : table.rows)
        width = std::max(width, row.fields.size());
    table.named = hasHeader;
    if (hasHeader && !table.rows.isEmpty())
        table.columns = table.rows.takeFirst().fields;
    for (qsizetype i = 0; i < width; ++i) {
        if (i >= table.columns.size())
            table.columns.append(QStringLiteral("Столбец %1").arg(i + 1));
        else if (table.columns[i].trimmed().isEmpty())
            table.columns[i] = QStringLiteral("Столбец %1").arg(i + 1);
    }
    for (AddressRow& row : table.rows)
        while (row.fields.size() < width)
            row.fields.append(QString());
    return table;
}

QString csvLine(const QStringList& fields, QChar separator) {
    QStringList quoted;
    for (const QString& field : fields) {
        const bool needsQuotes = field.contains(separator) || field.contains(u'"') ||
                                 field.contains(u'\n') || field.contains(u'\r') ||
                                 field.startsWith(u' ') || field.endsWith(u' ');
        if (!needsQuotes) {
            quoted.append(field);
            continue;
        }
        QString doubled = field;
        doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        quoted.append(u'"' + doubled + u'"');
    }
    return quoted.join(separator) + crlf;
}

// vCard

namespace {

enum VCardColumn {
    FullName,
    Family,
    Given,
    Middle,
    Organisation,
    Street,
    Locality,
    Region,
    PostalCode,
    Country,
    Label,
    Addressee,
    ColumnCount
};

struct Property {
    QString name; // upper case, group dropped
    QHash<QString, QStringList> parameters;
    QByteArray rawValue;
};

QByteArray decodeQuotedPrintable(const QByteArray& value) {
    QByteArray bytes;
    bytes.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '=') {
            bytes += c;
            continue;
        }
        // A soft line break: "=" at the end of a line.
        if (i + 1 < value.size() && (value[i + 1] == '\r' || value[i + 1] == '\n')) {
            ++i;
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            continue;
        }
        bool ok = false;
        const int byte = i + 2 < value.size() ? value.mid(i + 1, 2).toInt(&ok, 16) : 0;
        if (ok) {
            bytes += char(byte);
            i += 2;
        } else {
            bytes += c;
        }
    }
    return bytes;
}

// Without a CHARSET the value is read as the CSV reader reads a file: UTF-8 when the bytes
// are valid UTF-8, else Windows-1251 (older phones and mail programs write it undeclared).
QString decodeCharset(const QByteArray& bytes, const QString& charset) {
    if (charset.isEmpty())
        return validUtf8(bytes) ? QString::fromUtf8(bytes) : Cp1251::get().decode(bytes);
    if (charset.compare(QStringLiteral("utf-8"), Qt::CaseInsensitive) == 0)
        return QString::fromUtf8(bytes);
    if (charset.compare(QStringLiteral("windows-1251"), Qt::CaseInsensitive) == 0 ||
        charset.compare(QStringLiteral("cp1251"), Qt::CaseInsensitive) == 0)
        return Cp1251::get().decode(bytes);
    QStringDecoder decoder(charset.toLatin1().constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
    return QString::fromUtf8(bytes);
}

// The value's components (split at unescaped ";"), escapes resolved. In this program's own
// cards "\\n" is a CR LF, "\\N" a lone LF and "\\r" a lone CR; elsewhere either newline
// escape is a CR LF.
QStringList components(const QString& value, bool escapes, bool exact = false) {
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            if (!escapes)
                part += c;
            if (escapes && exact && next == u'N')
                part += u'\n';
            else if (escapes && exact && next == u'r')
                part += u'\r';
            else if (escapes && (next == u'n' || next == u'N'))
                part += crlf;
            else
                part += next;
        } else if (c == u';') {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

struct Line {
    QByteArray text;
    int number = 0; // the file's line it begins on
};

// Lines of the file unfolded: a line that begins with a blank continues the one
// before; in QUOTED-PRINTABLE values a line that ends with "=" goes on in the next.
QList<Line> unfoldedLines(const QByteArray& data) {
    QList<Line> lines;
    bool softBreak = false;
    int number = 0;
    for (QByteArray line : data.split('\n')) {
        ++number;
        if (line.endsWith('\r'))
            line.chop(1);
        if (softBreak && !lines.isEmpty())
            lines.last().text.append("\r\n").append(line);
        else if ((line.startsWith(' ') || line.startsWith('\t')) && !lines.isEmpty())
            lines.last().text.append(line.mid(1));
        else
            lines.append({line, number});
        const QByteArray& last = lines.last().text;
        const qsizetype colon = last.indexOf(':');
        softBreak = colon > 0 && last.left(colon).toUpper().contains("QUOTED-PRINTABLE") &&
                    last.endsWith('=');
    }
    return lines;
}

Property parseProperty(const QByteArray& line) {
    Property property;
    // The name and parameters end at the first colon outside a quoted parameter value.
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        return property;
    property.rawValue = line.mid(colon + 1);
    const QList<QByteArray> head = line.left(colon).split(';');
    QByteArray name = head.first().trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    property.name = QString::fromLatin1(dot >= 0 ? name.mid(dot + 1) : name);
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QByteArray parameter = head[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0) {
            // vCard 2.1 names a type or an encoding alone ("HOME", "QUOTED-PRINTABLE").
            const QString bare = QString::fromLatin1(parameter).toUpper();
            const bool encoding = bare == u"QUOTED-PRINTABLE" || bare == u"BASE64" || bare == u"B";
            property.parameters[encoding ? QStringLiteral("ENCODING") : QStringLiteral("TYPE")]
                .append(bare);
            continue;
        }
        const QString key = QString::fromLatin1(parameter.left(equals)).trimmed().toUpper();
        QString value = QString::fromUtf8(parameter.mid(equals + 1)).trimmed();
        if (value.startsWith(u'"') && value.endsWith(u'"') && value.size() >= 2)
            value = value.mid(1, value.size() - 2);
        for (const QString& part : value.split(u','))
            property.parameters[key].append(key == u"LABEL" ? part : part.toUpper());
    }
    return property;
}

QString propertyText(const Property& property, bool escapes) {
    const QStringList encoding = property.parameters.value(QStringLiteral("ENCODING"));
    QByteArray bytes = property.rawValue;
    if (encoding.contains(QStringLiteral("QUOTED-PRINTABLE")))
        bytes = decodeQuotedPrintable(bytes);
    const QString charset = property.parameters.value(QStringLiteral("CHARSET")).value(0);
    QString text = decodeCharset(bytes, charset);
    return escapes ? text : withCrLf(text);
}

bool isOwnProductId(const Property& property) {
    return property.name == u"PRODID" &&
           components(QString::fromUtf8(property.rawValue), true).join(u';') == ownVCardProductId();
}

// Whether the card that begins at lines[begin] carries this program's PRODID.
bool ownCard(const QList<Line>& lines, qsizetype begin) {
    for (qsizetype i = begin + 1; i < lines.size(); ++i) {
        const QByteArray head = lines[i].text.left(7).toUpper();
        if (head.startsWith("END:") || head.startsWith("BEGIN:"))
            return false;
        if (head.startsWith("PRODID") && isOwnProductId(parseProperty(lines[i].text.trimmed())))
            return true;
    }
    return false;
}

// The parts that are not blank, as they are.
QString joined(const QStringList& parts, const QString& separator) {
    QStringList kept;
    for (const QString& part : parts)
        if (!part.trimmed().isEmpty())
            kept.append(part);
    return kept.join(separator);
}

// Another program's card as the address book wants it: a card without FN is named by N
// (family, given, middle) or by ORG; the organisation goes into "Кому" under the person's
// name (or alone for a company card).
void completeCard(AddressRow& card) {
    if (card.exact)
        return;
    QStringList& fields = card.fields;
    if (fields[FullName].isEmpty())
        fields[FullName] =
            joined({fields[Family], fields[Given], fields[Middle]}, QStringLiteral(" "));
    if (fields[FullName].isEmpty())
        fields[FullName] = fields[Organisation];
    if (fields[Addressee].trimmed().isEmpty() && !fields[Organisation].trimmed().isEmpty()) {
        const QString& organisation = fields[Organisation];
        fields[Addressee] = fields[FullName] == organisation
                                ? organisation
                                : joined({fields[FullName], organisation}, crlf);
    }
}

} // namespace

bool isRussia(const QString& country) {
    static const QStringList names{QStringLiteral("россия"),
                                   QStringLiteral("russia"),
                                   QStringLiteral("российская федерация"),
                                   QStringLiteral("russian federation"),
                                   QStringLiteral("рф"),
                                   QStringLiteral("ru"),
                                   QStringLiteral("rus")};
    return names.contains(country.trimmed().toLower());
}

QString ownVCardProductId() {
    return QStringLiteral("-//Печать конвертов//Экспорт адресов//RU");
}

QStringList vCardColumns() {
    return {QStringLiteral("Полное имя"), QStringLiteral("Фамилия"),     QStringLiteral("Имя"),
            QStringLiteral("Отчество"),   QStringLiteral("Организация"), QStringLiteral("Улица"),
            QStringLiteral("Город"),      QStringLiteral("Регион"),      QStringLiteral("Индекс"),
            QStringLiteral("Страна"),     QStringLiteral("Адрес"),       QStringLiteral("Кому")};
}

AddressTable readVCards(const QByteArray& data) {
    AddressTable table;
    const qsizetype begin = startsWith(data, "\xEF\xBB\xBF", 3) ? 3 : 0;
    const QByteArray bytes = data.mid(begin);
    // A file of nothing but blanks is empty, not a file of cards without a card.
    if (bytes.trimmed().isEmpty())
        return table;
    table.columns = vCardColumns();

    const QList<Line> lines = unfoldedLines(bytes);
    AddressRow card;
    bool inCard = false;
    bool escapes = true;
    bool addressTaken = false;
    bool preferredAddress = false;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const Line& line = lines[at];
        const QByteArray trimmed = line.text.trimmed();
        if (trimmed.isEmpty())
            continue;
        // This program's cards keep the blanks at the ends of their values.
        const Property property = parseProperty(inCard && card.exact ? line.text : trimmed);
        if (property.name == u"BEGIN" && property.rawValue.trimmed().toUpper() == "VCARD") {
            card = AddressRow{line.number, QStringList(ColumnCount, QString()), ownCard(lines, at)};
            inCard = true;
            escapes = true;
            addressTaken = false;
            preferredAddress = false;
            continue;
        }
        const bool exact = card.exact;
        if (!inCard)
            continue;
        if (property.name == u"END") {
            completeCard(card);
            table.rows.append(card);
            inCard = false;
            continue;
        }
        if (property.name == u"VERSION") {
            // vCard 2.1 has no backslash escapes of its own.
            escapes = property.rawValue.trimmed() != "2.1";
            continue;
        }
        const QString text = propertyText(property, escapes);
        if (property.name == u"FN") {
            card.fields[FullName] =
                exact ? components(text, escapes, true).join(u';')
                      : joined(components(text, escapes), QStringLiteral(" ")).trimmed();
        } else if (property.name == u"X-ADDRESSEE") {
            card.fields[Addressee] = components(text, escapes, exact).join(u';');
        } else if (property.name == u"N") {
            const QStringList n = components(text, escapes);
            card.fields[Family] = n.value(0).trimmed();
            card.fields[Given] = n.value(1).trimmed();
            card.fields[Middle] = n.value(2).trimmed();
        } else if (property.name == u"ORG") {
            card.fields[Organisation] = joined(components(text, escapes), QStringLiteral(", "));
        } else if (property.name == u"ADR") {
            const QStringList types = property.parameters.value(QStringLiteral("TYPE")) +
                                      property.parameters.value(QStringLiteral("PREF"));
            const bool preferred = types.contains(QStringLiteral("PREF")) ||
                                   property.parameters.contains(QStringLiteral("PREF"));
            if (addressTaken && (preferredAddress || !preferred))
                continue;
            addressTaken = true;
            preferredAddress = preferred;
            const QStringList adr = components(text, escapes, exact);
            if (exact) {
                // As written: the address as the street, the index as the postal code.
                card.fields[Street] = adr.value(2);
                card.fields[PostalCode] = adr.value(5);
                continue;
            }
            // As a Russian envelope writes it: the street with the extended address after
            // it, then the post-office box on its own line just before the city.
            card.fields[Street] = joined(
                {joined({adr.value(2).trimmed(), adr.value(1).trimmed()}, QStringLiteral(", ")),
                 adr.value(0).trimmed()},
                crlf);
            card.fields[Locality] = adr.value(3).trimmed();
            card.fields[Region] = adr.value(4).trimmed();
            card.fields[PostalCode] = adr.value(5).trimmed();
            // Russia is left out for domestic mail; another country is the last line of "Куда".
            card.fields[Country] = isRussia(adr.value(6)) ? QString() : adr.value(6).trimmed();
            const QString label = property.parameters.value(QStringLiteral("LABEL")).join(u',');
            if (!label.isEmpty())
                card.fields[Label] = withCrLf(components(label, true).join(u';'));
        } else if (property.name == u"LABEL" && card.fields[Label].isEmpty()) {
            card.fields[Label] = components(text, escapes).join(u';');
        }
    }
    // When some cards fill "Кому", the others' addressee is the person's full name, as
    // the import takes it when none does.
    const bool anyAddressee =
        std::any_of(table.rows.begin(), table.rows.end(), [](const AddressRow& row) {
            return !row.exact && !row.fields[Addressee].trimmed().isEmpty();
        });
    for (AddressRow& row : table.rows)
        if (anyAddressee && !row.exact && row.fields[Addressee].trimmed().isEmpty())
            row.fields[Addressee] = row.fields[FullName];
    return table;
}
