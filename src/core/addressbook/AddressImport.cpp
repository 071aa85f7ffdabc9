#include "core/addressbook/AddressImport.h"

#include "core/Cp1251.h"
#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/splittext.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString groupDelimiter = QStringLiteral(";");

// How often the progress is told, in rows.
constexpr int progressStep = 500;

struct PageColumns {
    QString table;
    QString name;
    QString komy; // empty: the page has none
    QString kyda;
    QString index;
};

PageColumns columnsOf(AddressPage page) {
    if (page == AddressPage::Recipients)
        return {QStringLiteral("table"), QStringLiteral("name"), QStringLiteral("komy"),
                QStringLiteral("kyda"), QStringLiteral("intyda")};
    return {QStringLiteral("table2"), QStringLiteral("otkogo"), QString(), QStringLiteral("otkyda"),
            QStringLiteral("intyt")};
}

// The column names an export writes, which guess() knows again.
QStringList exportColumns(AddressPage page) {
    return ownCsvColumns(page == AddressPage::Recipients);
}

// A row of this program's own file keeps its values as they are, blanks included; only
// the empty parts of a card's address are left out.
QString joinedParts(const AddressRow& row, const QList<int>& columns) {
    QStringList parts;
    for (int column : columns) {
        const QString part = row.fields.value(column);
        if (row.exact ? !part.isEmpty() : !part.trimmed().isEmpty())
            parts.append(part);
    }
    return parts.join(crlf);
}

bool anyExact(const AddressTable& table) {
    return std::any_of(table.rows.begin(), table.rows.end(),
                       [](const AddressRow& row) { return row.exact; });
}

QString codePoint(char32_t code) {
    return QStringLiteral("U+%1").arg(QString::number(uint(code), 16).toUpper(), 4, u'0');
}

// Refuses, naming the record, the field and the character, a text that the file cannot
// carry back exactly: no text file holds U+0000 or half of a surrogate pair, and a
// Windows-1251 table holds only the characters of that code page.
void requireCarried(const QString& record, const QString& field, const QString& text,
                    ExportFormat format) {
    const QString where = QStringLiteral("Запись «%1» нельзя записать в файл: в поле «%2» ")
                              .arg(record.simplified(), field);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isNull())
            throw UserError(where + QStringLiteral("есть символ U+0000, которого не бывает в "
                                                   "текстовом файле."));
        if (c.isSurrogate())
            throw UserError(where + QStringLiteral("есть недопустимый символ %1 (половина пары "
                                                   "UTF-16).")
                                        .arg(codePoint(c.unicode())));
    }
    if (format != ExportFormat::CsvSpreadsheet)
        return;
    const qsizetype at = Cp1251::get().firstUnencodable(text);
    if (at < 0)
        return;
    QString character = text.mid(at, 1);
    char32_t code = text[at].unicode();
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        character = text.mid(at, 2);
        code = QChar::surrogateToUcs4(text[at], text[at + 1]);
    }
    throw UserError(
        QStringLiteral("Запись «%1» нельзя записать в таблицу Windows-1251: в поле «%2» есть "
                       "символ «%3» (%4), которого в этой кодировке нет. Выберите таблицу в "
                       "UTF-8 или карточки vCard: они хранят любые символы.")
            .arg(record.simplified(), field, character, codePoint(code)));
}

QList<int> numbers(const QString& text) {
    QList<int> list;
    for (const QString& piece : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = piece.trimmed().toInt(&ok);
        if (!ok || n < 0)
            return {};
        list.append(n);
    }
    return list;
}

QString numbersText(const QList<int>& list) {
    QStringList pieces;
    for (int n : list)
        pieces.append(QString::number(n));
    return pieces.join(u',');
}

int columnNamed(const QStringList& columns, const QStringList& names) {
    for (const QString& name : names) {
        for (qsizetype i = 0; i < columns.size(); ++i)
            if (columns[i].trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
    }
    return -1;
}

bool hasValues(const AddressTable& table, int column) {
    for (const AddressRow& row : table.rows)
        if (!row.fields.value(column).trimmed().isEmpty())
            return true;
    return false;
}

QString withGroup(const QString& groups, const QString& group) {
    QStringList pieces = splittext(groups, groupDelimiter);
    pieces.removeAll(QString());
    if (pieces.contains(group))
        return groups;
    pieces.append(group);
    return pieces.join(groupDelimiter);
}

// The vCard escapes, with a CR LF as "\\n" for every program; this program's own cards
// tell a lone LF ("\\N", a newline elsewhere too) and a lone CR ("\\r") from it.
QString vCardEscaped(const QString& text) {
    QString escaped;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' || c == u',' || c == u';')
            escaped += u'\\';
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            escaped += QStringLiteral("\\n");
            ++i;
            continue;
        }
        if (c == u'\n') {
            escaped += QStringLiteral("\\N");
            continue;
        }
        if (c == u'\r') {
            escaped += QStringLiteral("\\r");
            continue;
        }
        escaped += c;
    }
    return escaped;
}

// Lines longer than 75 bytes are folded, as the format asks, between characters.
QByteArray foldedLine(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    QByteArray folded;
    qsizetype width = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const bool startsCharacter = (uchar(bytes[i]) & 0xC0) != 0x80;
        if (startsCharacter && width >= 74) {
            folded += "\r\n ";
            width = 1;
        }
        folded += bytes[i];
        ++width;
    }
    return folded + "\r\n";
}

} // namespace

QString ColumnMapping::toText() const {
    return QStringLiteral("name=%1;komy=%2;kyda=%3;index=%4")
        .arg(name)
        .arg(numbersText(komy), numbersText(kyda))
        .arg(index);
}

ColumnMapping ColumnMapping::fromText(const QString& text) {
    ColumnMapping mapping;
    for (const QString& piece : text.split(u';', Qt::SkipEmptyParts)) {
        const QString key = piece.section(u'=', 0, 0).trimmed();
        const QString value = piece.section(u'=', 1);
        bool ok = true;
        if (key == u"name")
            mapping.name = value.trimmed().toInt(&ok);
        else if (key == u"index")
            mapping.index = value.trimmed().toInt(&ok);
        else if (key == u"komy")
            mapping.komy = numbers(value);
        else if (key == u"kyda")
            mapping.kyda = numbers(value);
        if (!ok)
            return {};
    }
    return mapping;
}

ColumnMapping ColumnMapping::parse(const QString& text, const QStringList& columns) {
    const QString fields = QStringLiteral("name, komy, kyda и index");
    auto column = [&](const QString& given) {
        const QString wanted = given.trimmed();
        bool isNumber = false;
        const int number = wanted.toInt(&isNumber);
        if (isNumber) {
            if (number < 0 || number >= columns.size())
                throw UserError(
                    QStringLiteral("Столбца %1 в файле нет: столбцы считаются с 0, их в файле %2.")
                        .arg(wanted)
                        .arg(columns.size()));
            return number;
        }
        const int found = columnNamed(columns, {wanted});
        if (found < 0)
            throw UserError(QStringLiteral("Столбца «%1» в файле нет. Столбцы файла: %2.")
                                .arg(wanted, columns.join(QStringLiteral(", "))));
        return found;
    };
    auto list = [&](const QString& value) {
        QList<int> chosen;
        for (const QString& piece : value.split(u',', Qt::SkipEmptyParts))
            if (!piece.trimmed().isEmpty())
                chosen.append(column(piece));
        return chosen;
    };
    auto single = [&](const QString& key, const QString& value) {
        const QList<int> chosen = list(value);
        if (chosen.size() > 1)
            throw UserError(QStringLiteral("Для %1 укажите один столбец.").arg(key));
        return chosen.isEmpty() ? -1 : chosen.front();
    };

    ColumnMapping mapping;
    for (const QString& piece : text.split(u';', Qt::SkipEmptyParts)) {
        if (piece.trimmed().isEmpty())
            continue;
        if (!piece.contains(u'='))
            throw UserError(
                QStringLiteral("«%1»: поле и столбцы пишутся через «=», например name=0.")
                    .arg(piece.trimmed()));
        const QString key = piece.section(u'=', 0, 0).trimmed();
        const QString value = piece.section(u'=', 1);
        if (key == u"name")
            mapping.name = single(key, value);
        else if (key == u"index")
            mapping.index = single(key, value);
        else if (key == u"komy")
            mapping.komy = list(value);
        else if (key == u"kyda")
            mapping.kyda = list(value);
        else
            throw UserError(QStringLiteral("Неизвестное поле «%1»: есть %2.").arg(key, fields));
    }
    return mapping;
}

bool ColumnMapping::fits(const QStringList& columns) const {
    auto within = [&](int column) { return column >= 0 && column < columns.size(); };
    return within(name) && within(index) && std::all_of(komy.begin(), komy.end(), within) &&
           std::all_of(kyda.begin(), kyda.end(), within);
}

ColumnMapping ColumnMapping::initial(const AddressTable& table, AddressPage page,
                                     const QString& remembered) {
    const ColumnMapping mapping = fromText(remembered);
    return mapping.fits(table.columns) ? mapping : guess(table, page);
}

ColumnMapping ColumnMapping::guess(const AddressTable& table, AddressPage page) {
    const QStringList& columns = table.columns;
    ColumnMapping mapping;
    // A card's "Имя" is the given name alone; its full name comes first.
    mapping.name = columnNamed(columns, {QStringLiteral("Полное имя"), QStringLiteral("Имя"),
                                         QStringLiteral("Отправитель"), QStringLiteral("Название"),
                                         QStringLiteral("Name")});
    if (page == AddressPage::Recipients) {
        int komy = columnNamed(columns, {QStringLiteral("Кому")});
        // Cards from phones have no addressee of their own: the person's full name is. This
        // program's own cards say when the addressee is empty.
        if (komy >= 0 && !hasValues(table, komy) && !anyExact(table))
            komy = columnNamed(columns, {QStringLiteral("Полное имя")});
        if (komy >= 0)
            mapping.komy = {komy};
    }
    const int kyda = columnNamed(columns, {QStringLiteral("Куда"), QStringLiteral("Адрес")});
    if (kyda >= 0 && columns.value(kyda) != QStringLiteral("Адрес")) {
        mapping.kyda = {kyda};
    } else {
        for (const QString& part : {QStringLiteral("Улица"), QStringLiteral("Город"),
                                    QStringLiteral("Регион"), QStringLiteral("Страна")}) {
            const int column = columnNamed(columns, {part});
            if (column >= 0)
                mapping.kyda.append(column);
        }
        if (mapping.kyda.isEmpty() && kyda >= 0)
            mapping.kyda = {kyda};
    }
    mapping.index =
        columnNamed(columns, {QStringLiteral("Индекс"), QStringLiteral("Почтовый индекс"),
                              QStringLiteral("Zip")});
    return mapping;
}

ImportReport importAddresses(AddressDb& db, const AddressTable& table, const ImportOptions& options,
                             const std::function<bool(int, int)>& progress) {
    const PageColumns page = columnsOf(options.page);
    const ColumnMapping& mapping = options.mapping;
    if (mapping.name < 0 || mapping.index < 0)
        throw UserError(QStringLiteral("Укажите, в каком столбце имя и в каком индекс."));
    const bool recipients = options.page == AddressPage::Recipients;
    const bool toGroup = recipients && !options.group.trimmed().isEmpty();
    QString group = options.group.trimmed();
    if (group.contains(u';'))
        throw UserError(QStringLiteral("Название группы не может содержать «;»"));

    static const QRegularExpression sixDigits(QStringLiteral("^\\d{1,6}$"));
    ImportReport report;
    const int total = int(table.rows.size());
    AddressDb::Transaction transaction(db);
    TableCursor cursor(db, page.table, page.name);
    cursor.open();
    if (toGroup) {
        TableCursor groups(db, QStringLiteral("groups"), QStringLiteral("pname"));
        groups.open();
        // The main window's group filter compares names exactly: members take the name
        // as the book keeps it.
        if (groups.locate(group))
            group = groups.text(QStringLiteral("pname"));
        else
            groups.insert({{QStringLiteral("pname"), group}});
    }
    int done = 0;
    for (const AddressRow& row : table.rows) {
        if (progress && done % progressStep == 0 && !progress(done, total)) {
            report = ImportReport{};
            report.cancelled = true;
            return report;
        }
        ++done;
        // This program's own file gives the name as the address book had it.
        QString name = row.fields.value(mapping.name);
        if (!row.exact) {
            name = name.trimmed();
            // A recipient's name is one line; a sender's may hold several.
            if (recipients)
                name.replace(crlf, QStringLiteral(" "));
        }
        const QString indexText = row.fields.value(mapping.index).trimmed();
        if (name.isEmpty()) {
            report.skipped.append({row.line, QStringLiteral("нет имени")});
            continue;
        }
        // A record with neither an address nor an index cannot go on an envelope.
        if (indexText.isEmpty() && joinedParts(row, mapping.kyda).trimmed().isEmpty()) {
            report.skipped.append({row.line, QStringLiteral("нет адреса")});
            continue;
        }
        bool anyNumber = false;
        if (row.exact)
            indexText.toInt(&anyNumber);
        if (!anyNumber && !sixDigits.match(indexText).hasMatch()) {
            report.skipped.append(
                {row.line,
                 indexText.isEmpty()
                     ? QStringLiteral("нет индекса")
                     : QStringLiteral("индекс «%1» — не число из 1–6 цифр").arg(indexText)});
            continue;
        }
        QHash<QString, QVariant> values{{page.kyda, joinedParts(row, mapping.kyda)},
                                        {page.index, indexText.toInt()}};
        if (recipients)
            values.insert(page.komy, joinedParts(row, mapping.komy));

        if (cursor.locate(name)) {
            if (options.duplicates == DuplicateChoice::Skip) {
                report.skipped.append(
                    {row.line, QStringLiteral("«%1» уже есть в адресной книге").arg(name)});
                continue;
            }
            if (options.duplicates == DuplicateChoice::Update) {
                if (toGroup)
                    values.insert(QStringLiteral("groups"),
                                  withGroup(cursor.text(QStringLiteral("groups")), group));
                if (!cursor.update(values))
                    throw UserError(
                        QStringLiteral("Запись «%1» удалена другой программой во время импорта.")
                            .arg(name));
                ++report.updated;
                report.names.append(cursor.text(page.name));
                continue;
            }
            const QString stem = name;
            for (int n = 2; cursor.locate(name); ++n)
                name = QStringLiteral("%1 (%2)").arg(stem).arg(n);
        }
        values.insert(page.name, name);
        if (recipients) {
            values.insert(QStringLiteral("galka"), 0);
            values.insert(QStringLiteral("groups"), toGroup ? group : QString());
            values.insert(QStringLiteral("profile"), options.profile);
        } else {
            values.insert(QStringLiteral("default"), 0);
        }
        cursor.insert(values);
        ++report.added;
        report.names.append(name);
    }
    if (progress && !progress(total, total)) {
        report = ImportReport{};
        report.cancelled = true;
        return report;
    }
    if (!options.dryRun)
        transaction.commit();
    return report;
}

QByteArray exportAddresses(AddressDb& db, AddressPage page, const QStringList& names,
                           ExportFormat format) {
    const PageColumns columns = columnsOf(page);
    TableCursor cursor(db, columns.table, columns.name);
    cursor.open();
    QSet<QString> wanted;
    for (const QString& name : names)
        wanted.insert(name.toCaseFolded());

    QString text;
    QByteArray cards;
    const QChar separator = format == ExportFormat::CsvSpreadsheet ? u';' : u',';
    if (format != ExportFormat::VCard)
        text += csvLine(exportColumns(page), separator);
    for (cursor.first(); !cursor.eof(); cursor.next()) {
        const QString name = cursor.text(columns.name);
        if (!wanted.isEmpty() && !wanted.contains(name.toCaseFolded()))
            continue;
        const QString komy = columns.komy.isEmpty() ? QString() : cursor.text(columns.komy);
        const QString kyda = cursor.text(columns.kyda);
        const QString index = QString::number(cursor.integer(columns.index));
        const QStringList labels = exportColumns(page);
        requireCarried(name, labels.first(), name, format);
        if (!columns.komy.isEmpty())
            requireCarried(name, QStringLiteral("Кому"), komy, format);
        requireCarried(name, QStringLiteral("Куда"), kyda, format);
        if (format != ExportFormat::VCard) {
            QStringList fields{name};
            if (!columns.komy.isEmpty())
                fields.append(komy);
            fields << kyda << index;
            text += csvLine(fields, separator);
            continue;
        }
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        // Marks the card as this program's, to be read back exactly.
        cards += foldedLine(QStringLiteral("PRODID:") + vCardEscaped(ownVCardProductId()));
        cards += foldedLine(QStringLiteral("FN:") + vCardEscaped(name));
        cards += foldedLine(QStringLiteral("N:") + vCardEscaped(name) + QStringLiteral(";;;;"));
        // Written also when empty, so that the name does not stand in for it when read back.
        if (!columns.komy.isEmpty())
            cards += foldedLine(QStringLiteral("X-ADDRESSEE:") + vCardEscaped(komy));
        cards += foldedLine(QStringLiteral("ADR;TYPE=postal:;;") + vCardEscaped(kyda) +
                            QStringLiteral(";;;") + index + QStringLiteral(";"));
        cards += "END:VCARD\r\n";
    }
    switch (format) {
    case ExportFormat::CsvSpreadsheet:
        return encodeText(text, TextEncoding::Windows1251);
    case ExportFormat::CsvUtf8:
        return encodeText(text, TextEncoding::Utf8WithBom);
    case ExportFormat::VCard:
        break;
    }
    return cards;
}
