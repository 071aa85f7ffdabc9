#include "core/addressbook/Spreadsheet.h"

#include "core/addressbook/XlsxWorkbook.h"

#include "core/UserError.h"

#include <QDataStream>
#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QByteArray odsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

// Excel's own bounds: no sheet has more columns or rows.
constexpr int maxColumns = 16384;
constexpr int maxRows = 1048576;
// Cells a sheet may fill, through an .ods sheet's repeated rows and columns or as its
// rows are made as wide as the widest; beyond this a sheet is no address list.
constexpr qint64 maxFilledCells = 10'000'000;

QString shown(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

QString megabytes(qint64 bytes) {
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

UserError damagedZip(const QString& fileName) {
    return UserError(QStringLiteral("Файл «%1» повреждён: это архив ZIP (так хранятся книги "
                                    ".xlsx и .ods), но прочитать его не удалось.")
                         .arg(shown(fileName)));
}

UserError damagedBook(const QString& fileName, const QString& entry) {
    return UserError(QStringLiteral("Книга «%1» повреждена: её часть «%2» не читается. "
                                    "Откройте книгу в Excel или LibreOffice, сохраните её "
                                    "заново и импортируйте снова.")
                         .arg(shown(fileName), entry));
}

UserError passwordProtected(const QString& fileName) {
    return UserError(QStringLiteral("Книга «%1» защищена паролем, и программа не может её "
                                    "прочитать. Откройте её в Excel или LibreOffice, сохраните "
                                    "без пароля и импортируйте снова.")
                         .arg(shown(fileName)));
}

bool startsWith(const QByteArray& data, const char* magic, qsizetype size) {
    return data.size() >= size && std::equal(magic, magic + size, data.constData());
}

// Zip archives (.xlsx, .ods) read from memory through libzip.
class ZipArchive {
public:
    ZipArchive(const QByteArray& data, const QString& fileName) : m_fileName(fileName) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(data.constData(), data.size(), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!m_zip)
            throw damagedZip(fileName);
    }
    ~ZipArchive() { zip_discard(m_zip); }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool has(const QString& name) const {
        return zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
    }

    // The entry unpacked; never more than maxWorkbookEntryBytes, whatever its header says.
    QByteArray read(const QString& name) const {
        const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0)
            throw damagedBook(m_fileName, name);
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) != 0)
            throw damagedBook(m_fileName, name);
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE)
            throw passwordProtected(m_fileName);
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(maxWorkbookEntryBytes))
            throw tooLarge(name);
        zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!file)
            throw damagedBook(m_fileName, name);
        struct Closer {
            zip_file_t* file;
            ~Closer() { zip_fclose(file); }
        } closer{file};
        QByteArray bytes;
        char chunk[65536];
        for (;;) {
            const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
            if (n < 0)
                throw damagedBook(m_fileName, name);
            if (n == 0)
                break;
            if (bytes.size() + n > maxWorkbookEntryBytes)
                throw tooLarge(name);
            bytes.append(chunk, qsizetype(n));
        }
        return bytes;
    }

private:
    UserError tooLarge(const QString& name) const {
        return UserError(QStringLiteral("Книга «%1» повреждена или слишком велика: её часть "
                                        "«%2» распаковывается больше чем в %3 МБ, а программа "
                                        "читает части книги до %3 МБ.")
                             .arg(shown(m_fileName), name, megabytes(maxWorkbookEntryBytes)));
    }

    QString m_fileName;
    zip_t* m_zip = nullptr;
};

// Whether a compound file (the container of .xls, .doc and password-protected .xlsx) holds
// a stream of this name: its directory entries are 128 bytes each, in sectors after the
// 512-byte header, the name in UTF-16LE, its length in bytes (with the closing zero) at 64
// and the entry's type (2: a stream) at 66.
bool compoundFileHas(const QByteArray& data, const QString& stream) {
    if (data.size() < 512)
        return false;
    const int shift = uchar(data[30]) | uchar(data[31]) << 8;
    if (shift != 9 && shift != 12)
        return false;
    const int length = int(stream.size() + 1) * 2;
    for (qsizetype at = qsizetype(1) << shift; at + 128 <= data.size(); at += 128) {
        if ((uchar(data[at + 64]) | uchar(data[at + 65]) << 8) != length || data[at + 66] != 2)
            continue;
        const QString name = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(data.constData() + at), stream.size());
        if (name.compare(stream, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Numbers and dates as a spreadsheet shows them.

// A number in general format as the file writes it: a whole number without a point or an
// exponent, a fraction with a dot and at most 15 significant digits («12.5»).
QString generalNumber(const QString& written) {
    bool ok = false;
    const double value = written.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return written.trimmed();
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

struct NumberStyle {
    enum Kind { General, Date, DateTime, Time, ZeroPadded } kind = General;
    int digits = 0; // of a zero-padded format
};

// What a number format shows: the format code's first section without its quoted texts,
// escaped characters and [colour] or [$-419] pieces.
NumberStyle styleOfFormat(const QString& code) {
    QString bare;
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            ++bracket;
        else if (c == u']')
            bracket = std::max(0, bracket - 1);
        else if (c == u';' && bracket == 0)
            break;
        else if (bracket == 0)
            bare += c.toLower();
    }
    static const QRegularExpression zeros(QStringLiteral("^0+$"));
    if (bare.size() > 1 && zeros.match(bare).hasMatch())
        return {NumberStyle::ZeroPadded, int(bare.size())};
    const bool date = bare.contains(u'd') || bare.contains(u'y');
    const bool time = bare.contains(u'h') || bare.contains(u's');
    if (date && time)
        return {NumberStyle::DateTime};
    if (date)
        return {NumberStyle::Date};
    if (time)
        return {NumberStyle::Time};
    return {};
}

// Excel's built-in formats that show dates and times (the rest show numbers).
NumberStyle builtInStyle(int id) {
    if (id == 14 || (id >= 15 && id <= 17) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return {NumberStyle::Date};
    if (id == 22)
        return {NumberStyle::DateTime};
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return {NumberStyle::Time};
    return {};
}

QString timeText(const QTime& time) {
    return time.toString(time.second() ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm"));
}

// A cell's serial day number (days since the book's epoch, the fraction the time of day).
QString serialDate(double serial, bool date1904, NumberStyle::Kind kind) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466)
        return generalNumber(QString::number(serial, 'g', 17));
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    // Excel counts 29 February 1900, which never was: days from 1 March 1900 on are one less.
    const QDate epoch = date1904    ? QDate(1904, 1, 1)
                        : days < 61 ? QDate(1899, 12, 31)
                                    : QDate(1899, 12, 30);
    const QDate date = epoch.addDays(days);
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (kind == NumberStyle::Time)
        return timeText(time);
    if (kind == NumberStyle::DateTime)
        return date.toString(QStringLiteral("dd.MM.yyyy")) + u' ' + timeText(time);
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// An ISO date as the sheet shows it: dd.MM.yyyy, with the time when it is not midnight.
QString isoDate(const QString& written) {
    const QString text = written.trimmed();
    const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (!date.isValid())
        return text;
    const QTime time = text.size() > 11 ? QTime::fromString(text.mid(11, 8), Qt::ISODate) : QTime();
    if (time.isValid() && time != QTime(0, 0))
        return date.toString(QStringLiteral("dd.MM.yyyy")) + u' ' + timeText(time);
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString booleanText(bool value) {
    // As a Russian Excel and LibreOffice show them.
    return value ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
}

// A row of cells, each in its column; trailing empty cells never stored. A cell of blanks
// alone is kept: this program's own workbook holds such values as the address book had them.
void putCell(AddressRow& row, int column, const QString& text) {
    if (text.isEmpty() || column < 0 || column >= maxColumns)
        return;
    while (row.fields.size() < column)
        row.fields.append(QString());
    if (row.fields.size() == column)
        row.fields.append(text);
    else
        row.fields[column] = text;
}

bool blankRow(const AddressRow& row) {
    return std::all_of(row.fields.begin(), row.fields.end(),
                       [](const QString& field) { return field.trimmed().isEmpty(); });
}

// Office Open XML (.xlsx)

// Excel writes characters XML cannot carry (a CR among them) as _xHHHH_; "_x005F_" is a "_".
QString unescapedXlsx(const QString& text) {
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                result += QChar(code);
                i += 6;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

// The text of a shared or inline string: its text, or its rich-text runs joined, without
// the phonetic guides of East Asian texts. Reads to the element's end.
QString stringItemText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"rPh")
                xml.skipCurrentElement();
            else if (xml.name() == u"t")
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return unescapedXlsx(text);
}

QString relationshipId(const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& attribute : attributes)
        if (attribute.name() == u"id" && !attribute.prefix().isEmpty())
            return attribute.value().toString();
    return {};
}

struct XlsxBook {
    QStringList names;
    QStringList entries; // each sheet's entry in the zip
    QString sharedStrings = QStringLiteral("xl/sharedStrings.xml");
    QString styles = QStringLiteral("xl/styles.xml");
    bool date1904 = false;
};

XlsxBook xlsxBook(const ZipArchive& zip, const QString& fileName) {
    const QString workbookEntry = QStringLiteral("xl/workbook.xml");
    const QString relationsEntry = QStringLiteral("xl/_rels/workbook.xml.rels");
    XlsxBook book;
    QHash<QString, QString> targets;
    if (zip.has(relationsEntry)) {
        QXmlStreamReader xml(zip.read(relationsEntry));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            QString target = attributes.value(QLatin1String("Target")).toString();
            target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
            target = QDir::cleanPath(target);
            targets.insert(attributes.value(QLatin1String("Id")).toString(), target);
            const QStringView type = attributes.value(QLatin1String("Type"));
            if (type.endsWith(u"/sharedStrings"))
                book.sharedStrings = target;
            else if (type.endsWith(u"/styles"))
                book.styles = target;
        }
        if (xml.hasError())
            throw damagedBook(fileName, relationsEntry);
    }
    QXmlStreamReader xml(zip.read(workbookEntry));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"workbookPr") {
            const QStringView date1904 = xml.attributes().value(QLatin1String("date1904"));
            book.date1904 = date1904 == u"1" || date1904 == u"true";
        } else if (xml.name() == u"sheet") {
            const QXmlStreamAttributes attributes = xml.attributes();
            book.names.append(attributes.value(QLatin1String("name")).toString());
            const QString id = relationshipId(attributes);
            // Without the relations, Excel's own naming.
            book.entries.append(targets.value(
                id, QStringLiteral("xl/worksheets/sheet%1.xml").arg(book.names.size())));
        }
    }
    if (xml.hasError())
        throw damagedBook(fileName, workbookEntry);
    return book;
}

QStringList sharedStrings(const ZipArchive& zip, const XlsxBook& book, const QString& fileName) {
    QStringList strings;
    if (!zip.has(book.sharedStrings))
        return strings;
    QXmlStreamReader xml(zip.read(book.sharedStrings));
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            strings.append(stringItemText(xml));
    if (xml.hasError())
        throw damagedBook(fileName, book.sharedStrings);
    return strings;
}

// Each cell style's number format, by the style's number (a cell's "s").
QList<NumberStyle> cellStyles(const ZipArchive& zip, const XlsxBook& book,
                              const QString& fileName) {
    QList<NumberStyle> styles;
    if (!zip.has(book.styles))
        return styles;
    QHash<int, QString> formats;
    QList<int> formatIds;
    QXmlStreamReader xml(zip.read(book.styles));
    bool inCellStyles = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
            inCellStyles = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"numFmt")
            formats.insert(attributes.value(QLatin1String("numFmtId")).toInt(),
                           attributes.value(QLatin1String("formatCode")).toString());
        else if (xml.name() == u"cellXfs")
            inCellStyles = true;
        else if (xml.name() == u"xf" && inCellStyles)
            formatIds.append(attributes.value(QLatin1String("numFmtId")).toInt());
    }
    if (xml.hasError())
        throw damagedBook(fileName, book.styles);
    for (int id : formatIds)
        styles.append(formats.contains(id) ? styleOfFormat(formats.value(id)) : builtInStyle(id));
    return styles;
}

// The column of a cell reference ("C5": 2), or -1.
int columnOf(QStringView reference) {
    int column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (column > maxColumns)
            return -1;
        ++letters;
    }
    return letters > 0 ? column - 1 : -1;
}

struct XlsxCell {
    QStringView type;
    int style = 0;
    QString value;
    QString inlineText;
};

QString xlsxCellText(const XlsxCell& cell, const QStringList& strings,
                     const QList<NumberStyle>& styles, bool date1904) {
    if (cell.type == u"s")
        return strings.value(cell.value.trimmed().toInt());
    if (cell.type == u"inlineStr")
        return cell.inlineText;
    if (cell.type == u"str" || cell.type == u"e")
        return unescapedXlsx(cell.value);
    if (cell.type == u"b")
        return cell.value.isEmpty() ? QString() : booleanText(cell.value.trimmed() == u"1");
    if (cell.type == u"d")
        return isoDate(cell.value);
    if (cell.value.isEmpty())
        return {};
    const NumberStyle style = styles.value(cell.style);
    bool ok = false;
    const double number = cell.value.trimmed().toDouble(&ok);
    if (ok && (style.kind == NumberStyle::Date || style.kind == NumberStyle::DateTime ||
               style.kind == NumberStyle::Time))
        return serialDate(number, date1904, style.kind);
    if (ok && style.kind == NumberStyle::ZeroPadded && number == std::floor(number) &&
        number >= 0 && number < 1e15)
        return QString::number(qint64(number)).rightJustified(style.digits, u'0');
    return generalNumber(cell.value);
}

QList<AddressRow> xlsxRows(const QByteArray& sheet, const QStringList& strings,
                           const QList<NumberStyle>& styles, bool date1904, bool* ok) {
    QList<AddressRow> rows;
    QXmlStreamReader xml(sheet);
    int rowNumber = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"row")
            continue;
        const int written = xml.attributes().value(QLatin1String("r")).toInt();
        rowNumber = written > 0 ? written : rowNumber + 1;
        AddressRow row;
        row.line = rowNumber;
        int column = -1;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"c") {
                xml.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value(QLatin1String("r"));
            column = reference.isEmpty() ? column + 1 : columnOf(reference);
            XlsxCell cell;
            const QString type = attributes.value(QLatin1String("t")).toString();
            cell.type = type;
            cell.style = attributes.value(QLatin1String("s")).toInt();
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v")
                    cell.value = xml.readElementText();
                else if (xml.name() == u"is")
                    cell.inlineText = stringItemText(xml);
                else
                    xml.skipCurrentElement();
            }
            putCell(row, column, xlsxCellText(cell, strings, styles, date1904));
        }
        if (!blankRow(row))
            rows.append(row);
    }
    *ok = !xml.hasError();
    return rows;
}

// OpenDocument (.ods)

const QString officeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString textNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");

// A paragraph's text: spans and links as their text, text:s as its blanks, text:tab a tab,
// text:line-break a new line; notes and comments left out. Reads to the paragraph's end.
QString odsParagraph(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::StartElement:
            if (xml.namespaceUri() == textNs && xml.name() == u"s") {
                const int count = xml.attributes().value(textNs, QLatin1String("c")).toInt();
                text += QString(std::clamp(count, 1, 1000), u' ');
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == textNs && xml.name() == u"tab") {
                text += u'\t';
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == textNs && xml.name() == u"line-break") {
                text += crlf;
                xml.skipCurrentElement();
            } else if (xml.name() == u"note" || xml.name() == u"annotation") {
                xml.skipCurrentElement();
            } else {
                ++depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return text;
}

// A cell's text as LibreOffice shows it. Reads to the cell's end.
QString odsCellText(QXmlStreamReader& xml) {
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString type = attributes.value(officeNs, QLatin1String("value-type")).toString();
    QStringList paragraphs;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == textNs && (xml.name() == u"p" || xml.name() == u"h"))
            paragraphs.append(odsParagraph(xml));
        else
            xml.skipCurrentElement();
    }
    const QString shownText = withCrLf(paragraphs.join(crlf));
    if (type == u"float") {
        // A whole number as shown keeps the zeros of its format; otherwise the value as
        // written, with a dot whatever the locale shows.
        static const QRegularExpression digits(QStringLiteral("^\\d+$"));
        if (digits.match(shownText.trimmed()).hasMatch())
            return shownText.trimmed();
        return generalNumber(attributes.value(officeNs, QLatin1String("value")).toString());
    }
    if (type == u"date")
        return isoDate(attributes.value(officeNs, QLatin1String("date-value")).toString());
    if (type == u"boolean")
        return booleanText(attributes.value(officeNs, QLatin1String("boolean-value")) == u"true");
    if (shownText.isEmpty() && (type == u"percentage" || type == u"currency"))
        return generalNumber(attributes.value(officeNs, QLatin1String("value")).toString());
    return shownText;
}

int repeated(const QXmlStreamAttributes& attributes, const QString& name) {
    return std::max(1, attributes.value(tableNs, name).toInt());
}

// Reads the rows of the table the reader is in, into `rows` (rows and row groups alike;
// groups nested deeper than any sheet nests them are a crafted file's, and skipped).
void odsTableRows(QXmlStreamReader& xml, QList<AddressRow>& rows, int& rowNumber, qint64& filled,
                  const QString& fileName, int depth = 0) {
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() != tableNs) {
            xml.skipCurrentElement();
            continue;
        }
        if (xml.name() == u"table-header-rows" || xml.name() == u"table-rows" ||
            xml.name() == u"table-row-group") {
            if (depth < 64)
                odsTableRows(xml, rows, rowNumber, filled, fileName, depth + 1);
            else
                xml.skipCurrentElement();
            continue;
        }
        if (xml.name() != u"table-row") {
            xml.skipCurrentElement();
            continue;
        }
        const int rowRepeat = repeated(xml.attributes(), QStringLiteral("number-rows-repeated"));
        AddressRow row;
        int column = 0;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() != tableNs ||
                (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell")) {
                xml.skipCurrentElement();
                continue;
            }
            const int columnRepeat =
                repeated(xml.attributes(), QStringLiteral("number-columns-repeated"));
            const QString text = odsCellText(xml);
            // Empty cells repeated to the sheet's edge are only counted, never stored.
            if (!text.trimmed().isEmpty())
                for (int i = 0; i < columnRepeat && column + i < maxColumns; ++i)
                    putCell(row, column + i, text);
            column = int(std::min<qint64>(qint64(column) + columnRepeat, maxColumns));
        }
        if (!blankRow(row)) {
            for (int i = 0; i < rowRepeat && rowNumber + i < maxRows; ++i) {
                filled += row.fields.size();
                if (filled > maxFilledCells)
                    throw UserError(QStringLiteral("Книга «%1» слишком велика: в её листе "
                                                   "больше %2 заполненных ячеек, а в списке "
                                                   "адресов их куда меньше.")
                                        .arg(shown(fileName))
                                        .arg(maxFilledCells));
                row.line = rowNumber + i + 1;
                rows.append(row);
            }
        }
        rowNumber = int(std::min<qint64>(qint64(rowNumber) + rowRepeat, maxRows));
    }
}

// The names of the sheets, and the rows of sheet `wanted` (when it is not -1).
QStringList readOds(const QByteArray& content, const QString& fileName, int wanted,
                    QList<AddressRow>* rows) {
    QStringList names;
    QXmlStreamReader xml(content);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.namespaceUri() != tableNs || xml.name() != u"table")
            continue;
        names.append(xml.attributes().value(tableNs, QLatin1String("name")).toString());
        if (names.size() - 1 == wanted && rows) {
            int rowNumber = 0;
            qint64 filled = 0;
            odsTableRows(xml, *rows, rowNumber, filled, fileName);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        throw damagedBook(fileName, QStringLiteral("content.xml"));
    return names;
}

// Excel 97–2003 (.xls), read by FreeXL.

QString xlsCellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return generalNumber(QString::number(cell.value.double_value, 'g', 17));
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return withCrLf(QString::fromUtf8(cell.value.text_value));
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        return isoDate(QString::fromUtf8(cell.value.text_value).replace(u' ', u'T'));
    case FREEXL_CELL_TIME:
        return timeText(QTime::fromString(QString::fromUtf8(cell.value.text_value),
                                          QStringLiteral("HH:mm:ss")));
    default:
        return {};
    }
}

enum class XlsOutcome : qint32 { Read, Damaged, Password };

// What the child process finds in the book: the outcome, the sheets' names, the rows of
// sheet `wanted`. FreeXL opens books by path: it is given the book as a file in memory.
QByteArray readXlsHere(const QByteArray& data, int wanted) {
    QByteArray result;
    QDataStream out(&result, QIODevice::WriteOnly);
    const int fd = ::memfd_create("envalo-workbook", MFD_CLOEXEC);
    bool written = fd >= 0;
    for (qsizetype at = 0; written && at < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + at, size_t(data.size() - at));
        written = n > 0;
        at += n;
    }
    const void* handle = nullptr;
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    unsigned int password = 0;
    unsigned int sheets = 0;
    if (!written || freexl_open(path.constData(), &handle) != FREEXL_OK ||
        freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password) != FREEXL_OK ||
        freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK) {
        out << qint32(XlsOutcome::Damaged);
        return result;
    }
    if (password == FREEXL_BIFF_OBFUSCATED) {
        out << qint32(XlsOutcome::Password);
        return result;
    }
    QStringList names;
    for (unsigned short i = 0; i < sheets && i < 65535; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, i, &name) != FREEXL_OK) {
            out << qint32(XlsOutcome::Damaged);
            return result;
        }
        names.append(QString::fromUtf8(name));
    }
    QList<AddressRow> rows;
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    if (wanted >= 0 && wanted < names.size()) {
        if (freexl_select_active_worksheet(handle, ushort(wanted)) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rowCount, &columnCount) != FREEXL_OK) {
            out << qint32(XlsOutcome::Damaged);
            return result;
        }
    }
    for (unsigned int r = 0; r < rowCount && r < unsigned(maxRows); ++r) {
        AddressRow row;
        row.line = int(r) + 1;
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, r, c, &cell) == FREEXL_OK)
                putCell(row, c, xlsCellText(cell));
        }
        if (!blankRow(row))
            rows.append(row);
    }
    out << qint32(XlsOutcome::Read) << names << qint32(rows.size());
    for (const AddressRow& row : rows)
        out << qint32(row.line) << row.fields;
    return result;
}

// FreeXL is no parser hardened against damaged files (some crash it): it reads the book in
// a child process, so that a damaged book is refused rather than ending the program.
QStringList readXls(const QByteArray& data, const QString& fileName, int wanted,
                    QList<AddressRow>* rows) {
    const UserError damaged(QStringLiteral("Книга Excel 97–2003 «%1» повреждена и не читается. "
                                           "Откройте её в Excel или LibreOffice, сохраните "
                                           "заново и импортируйте снова.")
                                .arg(shown(fileName)));
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw damaged;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        int status = 0;
        try {
            const QByteArray result = readXlsHere(data, wanted);
            for (qsizetype at = 0; at < result.size();) {
                const ssize_t n =
                    ::write(pipeEnds[1], result.constData() + at, size_t(result.size() - at));
                if (n <= 0) {
                    status = 1;
                    break;
                }
                at += n;
            }
        } catch (...) {
            status = 1;
        }
        ::_exit(status);
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
        ::close(pipeEnds[0]);
        throw damaged;
    }
    QByteArray result;
    char chunk[65536];
    // A book of 60,000 rows (13 MB) is read and imported in under 3 s here, so a book at the
    // 100 MB limit in well under a minute; a child still at it after two is caught in a
    // damaged file, and is stopped.
    QDeadlineTimer deadline(std::chrono::seconds(120));
    bool finished = false;
    for (;;) {
        pollfd ready{pipeEnds[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, int(std::min<qint64>(deadline.remainingTime(), 1000)));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled == 0 && !deadline.hasExpired())
            continue;
        if (polled <= 0)
            break;
        const ssize_t n = ::read(pipeEnds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        finished = n == 0;
        if (n <= 0)
            break;
        result.append(chunk, qsizetype(n));
    }
    ::close(pipeEnds[0]);
    if (!finished)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw damaged;
    QDataStream in(result);
    qint32 outcome = 0;
    in >> outcome;
    if (outcome == qint32(XlsOutcome::Password))
        throw passwordProtected(fileName);
    QStringList names;
    qint32 count = 0;
    in >> names >> count;
    if (outcome != qint32(XlsOutcome::Read) || in.status() != QDataStream::Ok)
        throw damaged;
    for (qint32 i = 0; i < count && rows; ++i) {
        AddressRow row;
        qint32 line = 0;
        in >> line >> row.fields;
        row.line = line;
        rows->append(row);
    }
    return names;
}

// The sheets' names and, when `rows` is given, the rows of sheet `wanted`.
QStringList readWorkbook(const QByteArray& data, const QString& fileName, int wanted,
                         QList<AddressRow>* rows) {
    const std::optional<SpreadsheetFormat> format = spreadsheetFormat(data, fileName);
    if (!format)
        throw UserError(
            QStringLiteral("Файл «%1» — не книга Excel или LibreOffice.").arg(shown(fileName)));
    if (*format == SpreadsheetFormat::Xls)
        return readXls(data, fileName, rows ? wanted : -1, rows);
    const ZipArchive zip(data, fileName);
    if (*format == SpreadsheetFormat::Ods)
        return readOds(zip.read(QStringLiteral("content.xml")), fileName, wanted, rows);
    const XlsxBook book = xlsxBook(zip, fileName);
    if (rows && wanted >= 0 && wanted < book.names.size()) {
        const QString entry = book.entries[wanted];
        bool ok = false;
        *rows = xlsxRows(zip.read(entry), sharedStrings(zip, book, fileName),
                         cellStyles(zip, book, fileName), book.date1904, &ok);
        if (!ok)
            throw damagedBook(fileName, entry);
    }
    return book.names;
}

} // namespace

std::optional<SpreadsheetFormat> spreadsheetFormat(const QByteArray& data,
                                                   const QString& fileName) {
    if (startsWith(data, "PK\x03\x04", 4)) {
        const ZipArchive zip(data, fileName);
        const QString mimeType = QStringLiteral("mimetype");
        if (zip.has(mimeType) && zip.read(mimeType).trimmed().startsWith(odsMimeType)) {
            // A password-protected book keeps its entries encrypted, said in its manifest.
            const QString manifest = QStringLiteral("META-INF/manifest.xml");
            if (zip.has(manifest) && zip.read(manifest).contains("encryption-data"))
                throw passwordProtected(fileName);
            return SpreadsheetFormat::Ods;
        }
        if (zip.has(QStringLiteral("xl/workbook.xml")))
            return SpreadsheetFormat::Xlsx;
        if (zip.has(QStringLiteral("xl/workbook.bin")))
            throw UserError(QStringLiteral("Файл «%1» — двоичная книга Excel (.xlsb), а программа "
                                           "читает книги .xlsx, .xls и .ods. Сохраните книгу в "
                                           "Excel как «Книга Excel (*.xlsx)» и импортируйте "
                                           "снова.")
                                .arg(shown(fileName)));
        return std::nullopt;
    }
    if (startsWith(data, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // Excel keeps a book saved with a password as a compound file of these streams.
        if (compoundFileHas(data, QStringLiteral("EncryptedPackage")) &&
            compoundFileHas(data, QStringLiteral("EncryptionInfo")))
            throw passwordProtected(fileName);
        if (compoundFileHas(data, QStringLiteral("Workbook")) ||
            compoundFileHas(data, QStringLiteral("Book")))
            return SpreadsheetFormat::Xls;
    }
    return std::nullopt;
}

QStringList sheetNames(const QByteArray& data, const QString& fileName) {
    return readWorkbook(data, fileName, -1, nullptr);
}

QList<AddressRow> readSheetRows(const QByteArray& data, const QString& fileName, int sheet) {
    QList<AddressRow> rows;
    readWorkbook(data, fileName, sheet, &rows);
    // Cells of blanks at a row's end hold nothing a record needs (the program's own
    // workbook ends every row with the index).
    for (AddressRow& row : rows)
        while (!row.fields.isEmpty() && row.fields.last().trimmed().isEmpty())
            row.fields.removeLast();
    return rows;
}

AddressTable readSpreadsheet(const QByteArray& data, const QString& fileName, int sheet,
                             std::optional<bool> header) {
    QList<AddressRow> rows = readSheetRows(data, fileName, sheet);
    // Every row is made as wide as the widest: one stray cell far to the right would
    // otherwise give each row thousands of empty columns.
    qint64 width = 0;
    for (const AddressRow& row : rows)
        width = std::max<qint64>(width, row.fields.size());
    if (width * rows.size() > maxFilledCells)
        throw UserError(QStringLiteral("Лист книги «%1» слишком велик для списка адресов: %2 "
                                       "строк по %3 столбцов. Удалите с листа лишние строки и "
                                       "столбцы (или ячейки, заполненные далеко справа) и "
                                       "импортируйте снова.")
                            .arg(shown(fileName))
                            .arg(rows.size())
                            .arg(width));
    const bool hasHeader = header.value_or(firstRowNamesColumns(rows));
    // This program's own workbook is read as written: its cells hold the address book's
    // texts with each CR LF made the LF Excel keeps. Another book's line breaks, of any kind,
    // become CR LF.
    const QStringList first = rows.isEmpty() ? QStringList() : rows.first().fields;
    const bool own = hasHeader && spreadsheetFormat(data, fileName) == SpreadsheetFormat::Xlsx &&
                     (first == ownCsvColumns(true) || first == ownCsvColumns(false));
    for (AddressRow& row : rows) {
        row.exact = own;
        for (QString& field : row.fields)
            if (own)
                field = xlsxBookText(field);
            else if (field.contains(u'\r') || field.contains(u'\n'))
                field = withCrLf(field);
    }
    return tableOfRows(std::move(rows), hasHeader);
}

int sheetIndex(const QStringList& sheets, const QString& choice, const QString& fileName) {
    for (qsizetype i = 0; i < sheets.size(); ++i)
        if (sheets[i].compare(choice.trimmed(), Qt::CaseInsensitive) == 0)
            return int(i);
    bool ok = false;
    const int number = choice.trimmed().toInt(&ok);
    if (ok && number >= 1 && number <= sheets.size())
        return number - 1;
    QStringList quoted;
    for (const QString& sheet : sheets)
        quoted.append(QStringLiteral("«%1»").arg(sheet));
    throw UserError(QStringLiteral("В книге «%1» нет листа «%2». Листы книги: %3 (можно "
                                   "указать и номер листа, с 1).")
                        .arg(shown(fileName), choice, quoted.join(QStringLiteral(", "))));
}
