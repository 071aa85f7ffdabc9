#include "core/addressbook/AddressImport.h"

#include "core/Cp1251.h"
#include "core/UserError.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/Dative.h"
#include "core/addressbook/XlsxWorkbook.h"
#include "core/addressbook/splittext.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <vector>

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

// The columns of a house, its building and a flat, which join the street's line.
enum class HousePart { House, Building, Flat, Other };

HousePart housePartOf(const QString& column) {
    const QString name = column.trimmed().toCaseFolded();
    static const QList<std::pair<HousePart, QStringList>> names{
        {HousePart::House, {u"дом"_qs, u"номер дома"_qs, u"house"_qs, u"house number"_qs}},
        {HousePart::Building, {u"корпус"_qs, u"корп."_qs, u"building"_qs}},
        {HousePart::Flat,
         {u"квартира"_qs, u"кв."_qs, u"flat"_qs, u"apartment"_qs, u"apt"_qs, u"apt."_qs}},
    };
    for (const auto& [part, partNames] : names)
        if (partNames.contains(name))
            return part;
    return HousePart::Other;
}

// A house, building or flat as the street's line writes it: «д. 12», «корп. 2», «кв. 45»;
// a value that already says what it is («д. 12», «дом 12», «к2», «стр. 1», «оф. 5») stays.
QString withHousePrefix(HousePart part, const QString& value) {
    static const QRegularExpression house(QStringLiteral("^(д|дом|вл|владение)(\\.|\\s|\\d)"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression building(
        QStringLiteral("^(к|корп|корпус|стр|строение)(\\.|\\s|\\d)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression flat(
        QStringLiteral("^(кв|квартира|оф|офис|комн|пом)(\\.|\\s|\\d)"),
        QRegularExpression::CaseInsensitiveOption);
    switch (part) {
    case HousePart::House:
        return house.match(value).hasMatch() ? value : QStringLiteral("д. ") + value;
    case HousePart::Building:
        return building.match(value).hasMatch() ? value : QStringLiteral("корп. ") + value;
    case HousePart::Flat:
        return flat.match(value).hasMatch() ? value : QStringLiteral("кв. ") + value;
    case HousePart::Other:
        break;
    }
    return value;
}

// A town column: «Город» or «City», also as the mail programs' exports name it
// («Город (раб. адрес)», «Home City», «Address 1 - City»).
bool isTownColumn(const QString& column) {
    const QString name = column.trimmed().toCaseFolded();
    return name == u"город"_qs || name.startsWith(u"город ("_qs) || name == u"city"_qs ||
           name.endsWith(u" city"_qs) || name == u"town"_qs || name == u"населённый пункт"_qs ||
           name == u"населенный пункт"_qs;
}

// A town as an envelope writes it: «г. Москва». A value that already names its kind of
// settlement, before the name or after it («с. Ивановка», «пгт Лесной», «Москва г.»), stays;
// so does one without Russian letters («London»), which no Russian prefix suits.
QString withTownPrefix(const QString& value) {
    static const QString kinds = QStringLiteral(
        "г|гор|город|с|село|пос|посёлок|поселок|п|пгт|рп|р\\.\\s?п|дп|кп|д|дер|деревня|ст|"
        "ст-ца|станица|х|хут|хутор|сл|слобода|аул|мкр|микрорайон|нп|снт|зато|сп|ж/д\\s?ст");
    static const QRegularExpression before(QStringLiteral("^(%1)(\\.|\\s|$)").arg(kinds),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression after(QStringLiteral("\\s(%1)\\.?$").arg(kinds),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression russian(QStringLiteral("[А-Яа-яЁё]"));
    const QString town = value.trimmed();
    if (before.match(town).hasMatch() || after.match(town).hasMatch() ||
        !russian.match(town).hasMatch())
        return value;
    return QStringLiteral("г. ") + town;
}

// «Куда» of a row: the columns' lines, a house, building or flat column joined to the line
// before it (the street's), «ул. Ленина, д. 12, кв. 45», and «г.» before a town that has
// no prefix of its kind.
QString addressLines(const AddressRow& row, const QList<int>& columns, const QStringList& names) {
    if (row.exact)
        return joinedParts(row, columns);
    QStringList lines;
    for (int column : columns) {
        const QString part = row.fields.value(column);
        if (part.trimmed().isEmpty())
            continue;
        const HousePart house = housePartOf(names.value(column));
        if (house == HousePart::Other && isTownColumn(names.value(column)))
            lines.append(withTownPrefix(part));
        else if (house == HousePart::Other || lines.isEmpty())
            lines.append(house == HousePart::Other ? part : withHousePrefix(house, part.trimmed()));
        else
            lines.last() += QStringLiteral(", ") + withHousePrefix(house, part.trimmed());
    }
    return lines.join(crlf);
}

bool anyExact(const AddressTable& table) {
    return std::any_of(table.rows.begin(), table.rows.end(),
                       [](const AddressRow& row) { return row.exact; });
}

QString codePoint(char32_t code) {
    return QStringLiteral("U+%1").arg(QString::number(uint(code), 16).toUpper(), 4, u'0');
}

// Refuses, naming the record and the field, a text that a cell of an Excel workbook cannot
// carry back exactly: a character no cell holds, a lone LF (a cell's own line break, which
// stands for the address book's CR LF) and a text past Excel's limit.
void requireInCell(const QString& record, const QString& field, const QString& text) {
    const QString where = QStringLiteral("Запись «%1» нельзя записать в книгу Excel: в поле «%2» ")
                              .arg(record.simplified(), field);
    const QString instead = QStringLiteral(" Выберите таблицу CSV в UTF-8 или карточки vCard: они "
                                           "хранят любой текст.");
    const qsizetype at = firstUnkeptXlsxCharacter(text);
    if (at >= 0)
        throw UserError(where +
                        QStringLiteral("есть символ %1, которого ячейка Excel не хранит.")
                            .arg(codePoint(text[at].unicode())) +
                        instead);
    if (firstUnkeptLineBreak(text) >= 0)
        throw UserError(where +
                        QStringLiteral("есть перевод строки LF без CR перед ним: в книге Excel он "
                                       "не отличается от обычного (CR LF) и при импорте стал "
                                       "бы им.") +
                        instead);
    const qsizetype length = xlsxCellText(text).size();
    if (length > maxXlsxCellText)
        throw UserError(where +
                        QStringLiteral("%1 знаков, а ячейка Excel вмещает не больше %2.")
                            .arg(length)
                            .arg(maxXlsxCellText) +
                        instead);
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
    if (format == ExportFormat::Xlsx) {
        requireInCell(record, field, text);
        return;
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

enum class NamePart { Family, Given, Middle, Other };

QStringList namePartNames(NamePart part) {
    switch (part) {
    case NamePart::Family:
        return {QStringLiteral("Фамилия"), QStringLiteral("Last Name"),
                QStringLiteral("Family Name"), QStringLiteral("Surname")};
    case NamePart::Given:
        return {QStringLiteral("Имя"), QStringLiteral("First Name"), QStringLiteral("Given Name")};
    case NamePart::Middle:
        return {QStringLiteral("Отчество"), QStringLiteral("Middle Name"),
                QStringLiteral("Additional Name")};
    case NamePart::Other:
        break;
    }
    return {};
}

NamePart namePartOf(const QString& column) {
    for (NamePart part : {NamePart::Family, NamePart::Given, NamePart::Middle})
        if (columnNamed({column}, namePartNames(part)) == 0)
            return part;
    return NamePart::Other;
}

// The name's columns as an envelope writes the name: family name, given name, middle
// name; columns of other names keep their places after a family name.
QList<int> nameInEnvelopeOrder(const QStringList& columns, QList<int> chosen) {
    const auto rank = [&](int column) {
        const NamePart part = namePartOf(columns.value(column));
        return part == NamePart::Family ? 0 : part == NamePart::Middle ? 2 : 1;
    };
    std::stable_sort(chosen.begin(), chosen.end(), [&](int a, int b) { return rank(a) < rank(b); });
    return chosen;
}

// Fills what guess() left unmapped from the columns that mail programs export: a full
// name, and one address (street lines, town, region, country and its postal code) of
// Outlook (business or home, English or Russian), Google Contacts or Thunderbird: the
// first of them that has values in the file.
void guessExportColumns(const AddressTable& table, ColumnMapping& mapping) {
    const QStringList& columns = table.columns;
    if (mapping.name < 0)
        mapping.name = columnNamed(columns, {QStringLiteral("Display Name"),
                                             QStringLiteral("Full Name"), QStringLiteral("ФИО")});
    // No full name but its parts (a given name is not the whole name where a family name
    // stands beside it): family, given and middle name, as an envelope writes them.
    const int family = columnNamed(columns, namePartNames(NamePart::Family));
    const bool givenOnly =
        mapping.name < 0 || namePartOf(columns.value(mapping.name)) == NamePart::Given;
    if (givenOnly && family >= 0 && hasValues(table, family)) {
        QList<int> parts{family};
        for (NamePart part : {NamePart::Given, NamePart::Middle}) {
            const int column = columnNamed(columns, namePartNames(part));
            if (column >= 0)
                parts.append(column);
        }
        mapping.name = parts.takeFirst();
        mapping.moreName = parts;
    }
    if (!mapping.kyda.isEmpty())
        return;
    struct Layout {
        std::vector<const char*> parts; // in the order of the lines of «Куда»
        const char* postcode;
    };
    static const std::vector<Layout> layouts{
        {{"Business Street", "Business Street 2", "Business Street 3", "Business City",
          "Business State", "Business Country/Region"},
         "Business Postal Code"},
        {{"Home Street", "Home Street 2", "Home Street 3", "Home City", "Home State",
          "Home Country/Region"},
         "Home Postal Code"},
        {{"Улица (раб. адрес)", "Город (раб. адрес)", "Область (раб. адрес)",
          "Страна или регион (раб. адрес)"},
         "Индекс (раб. адрес)"},
        {{"Улица (дом. адрес)", "Город (дом. адрес)", "Область (дом. адрес)",
          "Страна или регион (дом. адрес)"},
         "Почтовый код (дом. адрес)"},
        {{"Address 1 - Street", "Address 1 - Extended Address", "Address 1 - PO Box",
          "Address 1 - City", "Address 1 - Region", "Address 1 - Country"},
         "Address 1 - Postal Code"},
        {{"Home Address", "Home Address 2", "Home City", "Home State", "Home Country"},
         "Home ZipCode"},
        {{"Work Address", "Work Address 2", "Work City", "Work State", "Work Country"},
         "Work ZipCode"},
    };
    for (const Layout& layout : layouts) {
        QList<int> parts;
        for (const char* part : layout.parts) {
            const int column = columnNamed(columns, {QString::fromUtf8(part)});
            if (column >= 0)
                parts.append(column);
        }
        const int postcode = columnNamed(columns, {QString::fromUtf8(layout.postcode)});
        const bool used = std::any_of(parts.begin(), parts.end(),
                                      [&](int column) { return hasValues(table, column); });
        if (!used)
            continue;
        mapping.kyda = parts;
        if (mapping.index < 0)
            mapping.index = postcode;
        return;
    }
}

// What a remembered mapping is keyed by: the header row's names (letter case and outer
// blanks aside), or "none" for a file without one.
QString headerDigest(const AddressTable& table) {
    if (!table.named)
        return QStringLiteral("none");
    QStringList names;
    for (const QString& column : table.columns)
        names.append(column.trimmed().toCaseFolded());
    return QString::fromLatin1(
        QCryptographicHash::hash(names.join(u'\n').toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

bool isRussianIndex(const QString& text) {
    static const QRegularExpression index(QStringLiteral("^[1-6][0-9]{5}$"));
    return index.match(text).hasMatch();
}

QString ColumnMapping::toText() const {
    return QStringLiteral("name=%1;komy=%2;kyda=%3;index=%4")
        .arg(moreName.isEmpty() ? QString::number(name) : numbersText(QList<int>{name} + moreName),
             numbersText(komy), numbersText(kyda))
        .arg(index);
}

ColumnMapping ColumnMapping::fromText(const QString& text) {
    ColumnMapping mapping;
    for (const QString& piece : text.split(u';', Qt::SkipEmptyParts)) {
        const QString key = piece.section(u'=', 0, 0).trimmed();
        const QString value = piece.section(u'=', 1);
        bool ok = true;
        if (key == u"name" && value.contains(u',')) {
            mapping.moreName = numbers(value);
            ok = !mapping.moreName.isEmpty();
            if (ok)
                mapping.name = mapping.moreName.takeFirst();
        } else if (key == u"name") {
            mapping.name = value.trimmed().toInt(&ok);
        } else if (key == u"index") {
            mapping.index = value.trimmed().toInt(&ok);
        } else if (key == u"komy")
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
        if (key == u"name") {
            mapping.moreName = nameInEnvelopeOrder(columns, list(value));
            mapping.name = mapping.moreName.isEmpty() ? -1 : mapping.moreName.takeFirst();
        } else if (key == u"index") {
            mapping.index = single(key, value);
        } else if (key == u"komy") {
            mapping.komy = list(value);
        } else if (key == u"kyda") {
            mapping.kyda = list(value);
        } else {
            throw UserError(QStringLiteral("Неизвестное поле «%1»: есть %2.").arg(key, fields));
        }
    }
    return mapping;
}

bool ColumnMapping::fits(const QStringList& columns) const {
    auto within = [&](int column) { return column >= 0 && column < columns.size(); };
    return within(name) && within(index) && std::all_of(komy.begin(), komy.end(), within) &&
           std::all_of(moreName.begin(), moreName.end(), within) &&
           std::all_of(kyda.begin(), kyda.end(), within);
}

QString ColumnMapping::rememberedText(const AddressTable& table) const {
    const auto names = [&](const QList<int>& list) {
        QStringList pieces;
        for (int column : list)
            if (column >= 0 && column < table.columns.size())
                pieces.append(QString::fromLatin1(QUrl::toPercentEncoding(table.columns[column])));
        return pieces.join(u',');
    };
    return QStringLiteral("columns=%1;header=%2;name=%3;komy=%4;kyda=%5;index=%6")
        .arg(QString::number(table.columns.size()), headerDigest(table),
             names(QList<int>{name} + moreName), names(komy), names(kyda), names({index}));
}

ColumnMapping ColumnMapping::initial(const AddressTable& table, AddressPage page,
                                     const QString& remembered, Source* source) {
    const auto answer = [&](const ColumnMapping& mapping, Source given) {
        if (source)
            *source = given;
        return mapping;
    };
    QHash<QString, QString> keys;
    for (const QString& piece : remembered.split(u';', Qt::SkipEmptyParts))
        keys.insert(piece.section(u'=', 0, 0).trimmed(), piece.section(u'=', 1));
    if (!keys.contains(QStringLiteral("header"))) {
        // Column numbers alone say nothing of what the columns hold: only a file without
        // names for its columns takes them.
        const ColumnMapping mapping = fromText(remembered);
        if (!table.named && mapping.fits(table.columns))
            return answer(mapping, Source::RememberedByNumber);
        return answer(guess(table, page), Source::Guessed);
    }
    const bool sameColumns =
        keys.value(QStringLiteral("columns")) == QString::number(table.columns.size()) &&
        keys.value(QStringLiteral("header")) == headerDigest(table);
    bool found = sameColumns;
    const auto columns = [&](const QString& key) {
        QList<int> list;
        for (const QString& piece : keys.value(key).split(u',', Qt::SkipEmptyParts)) {
            const int column = columnNamed(
                table.columns, {QUrl::fromPercentEncoding(piece.trimmed().toLatin1()).trimmed()});
            if (column < 0)
                found = false;
            list.append(column);
        }
        return list;
    };
    ColumnMapping mapping;
    mapping.moreName = columns(QStringLiteral("name"));
    mapping.name = mapping.moreName.isEmpty() ? -1 : mapping.moreName.takeFirst();
    mapping.komy = columns(QStringLiteral("komy"));
    mapping.kyda = columns(QStringLiteral("kyda"));
    mapping.index = columns(QStringLiteral("index")).value(0, -1);
    if (!found || mapping.name < 0)
        return answer(guess(table, page), Source::Guessed);
    return answer(mapping, Source::Remembered);
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
            // The house, building and flat follow the street, on its line.
            if (column >= 0 && part == QStringLiteral("Улица")) {
                for (HousePart house : {HousePart::House, HousePart::Building, HousePart::Flat})
                    for (int i = 0; i < columns.size(); ++i)
                        if (housePartOf(columns[i]) == house) {
                            mapping.kyda.append(i);
                            break;
                        }
            }
        }
        if (mapping.kyda.isEmpty() && kyda >= 0)
            mapping.kyda = {kyda};
    }
    mapping.index =
        columnNamed(columns, {QStringLiteral("Индекс"), QStringLiteral("Почтовый индекс"),
                              QStringLiteral("Zip")});
    guessExportColumns(table, mapping);
    return mapping;
}

namespace {

// How the rows of a file become records under one mapping: the name, «Кому», «Куда» and
// the index as import stores them, or why a row makes none. The import and the mapping
// window's first envelope read rows through it alike.
class RowReader {
public:
    // The mapping's name of several columns is read as an envelope writes it.
    RowReader(const AddressTable& table, const ColumnMapping& chosen, AddressPage page)
        : m_table(table), m_mapping(chosen), m_recipients(page == AddressPage::Recipients) {
        if (!m_mapping.moreName.isEmpty() && m_mapping.name >= 0) {
            m_mapping.moreName =
                nameInEnvelopeOrder(table.columns, QList<int>{m_mapping.name} + m_mapping.moreName);
            m_mapping.name = m_mapping.moreName.takeFirst();
        }
        // Russia in a country column is left out of «Куда», as a domestic envelope has it.
        for (int column = 0; column < table.columns.size(); ++column)
            if (const QString name = table.columns[column].toCaseFolded();
                name.contains(QStringLiteral("country")) || name.contains(QStringLiteral("страна")))
                m_countries.append(column);
        // Without an addressee, «Кому» is the name in the dative when the name is made of
        // family name, given name and patronymic columns.
        m_komyInDative = m_recipients && m_mapping.komy.isEmpty() && !m_mapping.moreName.isEmpty();
        if (m_komyInDative) {
            for (int column : QList<int>{m_mapping.name} + m_mapping.moreName) {
                const NamePart part = namePartOf(table.columns.value(column));
                int* slot = part == NamePart::Family   ? &m_familyColumn
                            : part == NamePart::Given  ? &m_givenColumn
                            : part == NamePart::Middle ? &m_middleColumn
                                                       : nullptr;
                // A column of another kind, or a part twice: the name is not one to decline.
                if (!slot || *slot >= 0)
                    m_komyInDative = false;
                else
                    *slot = column;
            }
            m_komyInDative = m_komyInDative && m_familyColumn >= 0 && m_givenColumn >= 0;
        }
    }

    const ColumnMapping& mapping() const { return m_mapping; }

    struct Record {
        ImportedRecord texts;
        // Stored with index 0: no index, or a postcode that is not a Russian index.
        bool noIndex = false;
        // «Кому» written from the name's columns, left in the nominative.
        bool nominative = false;
        // Why the row makes no record; empty when it makes one.
        QString skipped;
        // What names a skipped row for the user.
        QString record;
    };

    Record read(const AddressRow& row) const {
        static const QRegularExpression sixDigits(QStringLiteral("^\\d{1,6}$"));
        Record result;
        // This program's own file gives the name as the address book had it.
        QString name = row.fields.value(m_mapping.name);
        if (!row.exact || !m_mapping.moreName.isEmpty()) {
            // The parts of a name of several columns on one line.
            QStringList parts;
            for (int column : QList<int>{m_mapping.name} + m_mapping.moreName)
                if (const QString part = row.fields.value(column).trimmed(); !part.isEmpty())
                    parts.append(part);
            name = parts.join(u' ');
            // A recipient's name is one line; a sender's may hold several.
            if (m_recipients)
                name.replace(crlf, QStringLiteral(" "));
        }
        const QString indexText =
            m_mapping.index < 0 ? QString() : row.fields.value(m_mapping.index).trimmed();
        if (name.isEmpty()) {
            QString record = joinedParts(row, m_mapping.komy);
            if (record.trimmed().isEmpty())
                record = joinedParts(row, m_mapping.kyda);
            result.skipped = QStringLiteral("нет имени");
            result.record = record.section(crlf, 0, 0).simplified();
            return result;
        }
        QList<int> kydaColumns = m_mapping.kyda;
        if (!row.exact)
            kydaColumns.removeIf([&](int column) {
                return m_countries.contains(column) && isRussia(row.fields.value(column));
            });
        QString kyda = addressLines(row, kydaColumns, m_table.columns);
        int index = 0;
        if (row.exact) {
            // This program's own file: the index as the address book had it.
            bool anyNumber = false;
            index = indexText.toInt(&anyNumber);
            if (!anyNumber && !sixDigits.match(indexText).hasMatch()) {
                result.skipped =
                    indexText.isEmpty()
                        ? QStringLiteral("нет индекса")
                        : QStringLiteral("индекс «%1» — не число из 1–6 цифр").arg(indexText);
                result.record = name.simplified();
                return result;
            }
        } else if (isRussianIndex(indexText)) {
            index = indexText.toInt();
        } else {
            if (kyda.trimmed().isEmpty() && indexText.isEmpty()) {
                result.skipped = QStringLiteral("нет адреса");
                result.record = name;
                return result;
            }
            // A foreign postcode (or one with its leading zero) stays as written.
            if (!indexText.isEmpty())
                kyda = kyda.isEmpty() ? indexText : kyda + crlf + indexText;
            result.noIndex = true;
        }
        result.texts.name = name;
        result.texts.kyda = kyda;
        result.texts.index = index;
        if (m_komyInDative) {
            const DativeName dative =
                dativeName(row.fields.value(m_familyColumn), row.fields.value(m_givenColumn),
                           row.fields.value(m_middleColumn));
            result.texts.komy = dative.text;
            result.nominative = !dative.declined;
        } else if (m_recipients) {
            result.texts.komy = joinedParts(row, m_mapping.komy);
        }
        return result;
    }

private:
    const AddressTable& m_table;
    ColumnMapping m_mapping;
    bool m_recipients;
    QList<int> m_countries;
    bool m_komyInDative = false;
    int m_familyColumn = -1, m_givenColumn = -1, m_middleColumn = -1;
};

} // namespace

std::optional<ImportedRecord> firstImportedRecord(const AddressTable& table,
                                                  const ColumnMapping& mapping, AddressPage page) {
    if (mapping.name < 0)
        return std::nullopt;
    const RowReader reader(table, mapping, page);
    for (const AddressRow& row : table.rows)
        if (RowReader::Record record = reader.read(row); record.skipped.isEmpty())
            return record.texts;
    return std::nullopt;
}

ImportReport importAddresses(AddressDb& db, const AddressTable& table, const ImportOptions& options,
                             const std::function<bool(int, int)>& progress) {
    const PageColumns page = columnsOf(options.page);
    // However chosen, a name of several columns reads as an envelope writes it.
    const RowReader reader(table, options.mapping, options.page);
    if (reader.mapping().name < 0)
        throw UserError(QStringLiteral("Укажите, в каком столбце имя."));
    const bool recipients = options.page == AddressPage::Recipients;
    const bool toGroup = recipients && !options.group.trimmed().isEmpty();
    QString group = options.group.trimmed();
    if (group.contains(u';'))
        throw UserError(QStringLiteral("Название группы не может содержать «;»"));

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
        const RowReader::Record read = reader.read(row);
        if (!read.skipped.isEmpty()) {
            report.skipped.append({row.line, read.skipped, read.record});
            continue;
        }
        QString name = read.texts.name;
        const bool noIndex = read.noIndex;
        const bool nominative = read.nominative;
        QHash<QString, QVariant> values{{page.kyda, read.texts.kyda},
                                        {page.index, read.texts.index}};
        if (recipients)
            values.insert(page.komy, read.texts.komy);

        if (cursor.locate(name)) {
            if (options.duplicates == DuplicateChoice::Skip) {
                report.skipped.append(
                    {row.line, QStringLiteral("«%1» уже есть в адресной книге").arg(name), name});
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
                if (noIndex)
                    report.withoutIndex.append(cursor.text(page.name));
                if (nominative)
                    report.nominative.append(cursor.text(page.name));
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
        if (noIndex)
            report.withoutIndex.append(name);
        if (nominative)
            report.nominative.append(name);
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
    QList<QStringList> cells;
    const QChar separator = format == ExportFormat::CsvSpreadsheet ? u';' : u',';
    const bool csv = format == ExportFormat::CsvSpreadsheet || format == ExportFormat::CsvUtf8;
    if (csv)
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
            if (csv) {
                text += csvLine(fields, separator);
            } else {
                for (QString& field : fields)
                    field = xlsxCellText(field);
                cells.append(fields);
            }
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
    case ExportFormat::Xlsx:
        return xlsxWorkbook(page == AddressPage::Recipients ? QStringLiteral("Получатели")
                                                            : QStringLiteral("Отправители"),
                            exportColumns(page), cells);
    }
    return cards;
}
