#include "ErrorOf.h"

#include "core/Cp1251.h"
#include "core/addressbook/AddressFile.h"
#include "core/addressbook/AddressImport.h"
#include "core/addressbook/Spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray cp1251(const QString& text) {
    return Cp1251::get().encode(text);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString workbook(const QString& name) {
    return QStringLiteral(ENVALO_WORKBOOKS_DIR "/") + name;
}

void putNumber(QByteArray& bytes, quint32 value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.append(char(i < 4 ? (value >> (8 * i)) & 0xFF : 0));
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    // An entry deflated, its header saying it unpacks to this many bytes (a zip bomb's).
    qint64 claimedSize = -1;
};

// A zip archive of these entries, stored as they are (or deflated, for a claimed size).
QByteArray zipOf(const QList<ZipEntry>& entries) {
    QByteArray archive;
    QByteArray directory;
    for (const ZipEntry& entry : entries) {
        const bool deflated = entry.claimedSize >= 0;
        // qCompress gives a zlib stream after the length: the raw deflate data is inside it.
        const QByteArray stored = deflated ? qCompress(entry.data).mid(6).chopped(4) : entry.data;
        const quint32 size = deflated ? quint32(entry.claimedSize) : quint32(entry.data.size());
        QByteArray common;
        putNumber(common, 20, 2);               // version needed
        putNumber(common, 0x0800, 2);           // UTF-8 names
        putNumber(common, deflated ? 8 : 0, 2); // method
        putNumber(common, 0, 4);                // time and date
        putNumber(common, crc32(entry.data), 4);
        putNumber(common, quint32(stored.size()), 4);
        putNumber(common, size, 4);
        putNumber(common, quint32(entry.name.size()), 2);
        putNumber(common, 0, 2); // extra field
        const quint32 offset = quint32(archive.size());
        putNumber(archive, 0x04034b50, 4);
        archive += common + entry.name + stored;
        putNumber(directory, 0x02014b50, 4);
        putNumber(directory, 20, 2); // made by
        directory += common;
        putNumber(directory, 0, 2 + 2 + 2 + 4); // comment, disk, attributes
        putNumber(directory, offset, 4);
        directory += entry.name;
    }
    const quint32 directoryOffset = quint32(archive.size());
    archive += directory;
    putNumber(archive, 0x06054b50, 4);
    putNumber(archive, 0, 4);
    putNumber(archive, quint32(entries.size()), 2);
    putNumber(archive, quint32(entries.size()), 2);
    putNumber(archive, quint32(directory.size()), 4);
    putNumber(archive, directoryOffset, 4);
    putNumber(archive, 0, 2);
    return archive;
}

// A workbook of one sheet whose sheetData holds these rows.
QByteArray xlsxOf(const QString& rows, const QString& sharedStrings = {},
                  const QString& styles = {}) {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    QList<ZipEntry> entries{
        {"[Content_Types].xml", "<Types/>"},
        {"xl/workbook.xml",
         "<workbook " + ns +
             " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
             "<sheets><sheet name=\"Лист1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "worksheet\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<worksheet " + ns + "><sheetData>" + rows.toUtf8() + "</sheetData></worksheet>"},
    };
    if (!sharedStrings.isEmpty())
        entries.append(
            {"xl/sharedStrings.xml", "<sst " + ns + ">" + sharedStrings.toUtf8() + "</sst>"});
    if (!styles.isEmpty())
        entries.append(
            {"xl/styles.xml", "<styleSheet " + ns + ">" + styles.toUtf8() + "</styleSheet>"});
    return zipOf(entries);
}

// A compound file (the container of .xls and .doc) whose directory names these streams.
QByteArray compoundFileOf(const QStringList& streams) {
    QByteArray data("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    data.resize(512, '\0');
    data[30] = 9; // sectors of 512 bytes
    for (const QString& stream : streams) {
        QByteArray entry(reinterpret_cast<const char*>(stream.utf16()), stream.size() * 2);
        entry.resize(64, '\0');
        putNumber(entry, quint32((stream.size() + 1) * 2), 2);
        entry.append(char(2)); // a stream
        entry.resize(128, '\0');
        data += entry;
    }
    data.resize(1536, '\0');
    return data;
}

// A card's fields by column name.
QString field(const AddressTable& table, int row, const QString& column) {
    return table.rows.value(row).fields.value(table.columns.indexOf(column));
}

} // namespace

class AddressFileTest : public QObject {
    Q_OBJECT

private slots:
    void csvFilesAsProgramsWriteThem_data();
    void csvFilesAsProgramsWriteThem();
    void headerRowsAndSeparators_data();
    void headerRowsAndSeparators();
    void utf16Cards();
    void csvLinesReadBack_data();
    void csvLinesReadBack();
    void vCards_data();
    void vCards();
    void vCardsFromPhones_data();
    void vCardsFromPhones();
    void filesThatAreNoText_data();
    void filesThatAreNoText();
    void sourcesThatAreNoFile_data();
    void sourcesThatAreNoFile();
    void filesWithoutRows_data();
    void filesWithoutRows();
    void workbooks_data();
    void workbooks();
    void xlsxCells_data();
    void xlsxCells();
    void odsCells_data();
    void odsCells();
    void workbooksRefused_data();
    void workbooksRefused();
    void sheetChoice_data();
    void sheetChoice();
};

void AddressFileTest::csvFilesAsProgramsWriteThem_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("encoding");
    QTest::addColumn<bool>("header");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("lastRow");
    QTest::addColumn<int>("lastLine");

    QTest::newRow("Russian Excel: Windows-1251, ';', a quoted address of two lines")
        << cp1251("Имя;Кому;Адрес;Индекс\r\n"
                  "Иванов;Иванову И. И.;\"ул. Ленина, д. 1\r\nг. Москва\";101000\r\n"
                  "\r\n"
                  "ООО \"Рога\";\"ООО \"\"Рога\"\"\";\"пр. Мира; 5\";129110\r\n")
        << QChar(u';') << int(TextEncoding::Windows1251) << true << 2
        << QStringList{"ООО \"Рога\"", "ООО \"Рога\"", "пр. Мира; 5", "129110"} << 5;
    QTest::newRow("UTF-8 with a byte order mark and ','")
        << QByteArray("\xEF\xBB\xBF") +
               QStringLiteral("Name,Address,Zip\nПетров,\"Невский, 1\",190000\n").toUtf8()
        << QChar(u',') << int(TextEncoding::Utf8WithBom) << true << 1
        << QStringList{"Петров", "Невский, 1", "190000"} << 2;
    QTest::newRow("another program's line breaks inside a field: each a CR LF")
        << QStringLiteral("Имя;Адрес;Индекс\r\nИванов;\"  ул. Мира\nг. Тула\r\";300000\r\n")
               .toUtf8()
        << QChar(u';') << int(TextEncoding::Utf8) << true << 1
        << QStringList{"Иванов", "  ул. Мира\r\nг. Тула\r\n", "300000"} << 2;
    QTest::newRow("this program's own header: every field as written")
        << QStringLiteral(
               "Имя;Кому;Куда;Индекс\r\n\" Иванов \";\"\n\";\"ул. Мира\nг. Тула\r\";300000\r\n")
               .toUtf8()
        << QChar(u';') << int(TextEncoding::Utf8) << true << 1
        << QStringList{" Иванов ", "\n", "ул. Мира\nг. Тула\r", "300000"} << 2;
    QTest::newRow("tabs, UTF-8, no header, a last line without its end")
        << QStringLiteral("Сидоров\tг. Тула\t300000\rКозлов\tг. Орёл\t302000").toUtf8()
        << QChar(u'\t') << int(TextEncoding::Utf8) << false << 2
        << QStringList{"Козлов", "г. Орёл", "302000"} << 2;
    // Excel's «Unicode text»: tabs, UTF-16 with its byte order mark.
    const QString unicodeText =
        QStringLiteral("Имя\tАдрес\tИндекс\r\nСидоров\t\"г. Тула,\r\nул. Мира\"\t300000\r\n");
    QTest::newRow("UTF-16 LE, tabs")
        << encodeText(unicodeText, TextEncoding::Utf16Le) << QChar(u'\t')
        << int(TextEncoding::Utf16Le) << true << 1
        << QStringList{"Сидоров", "г. Тула,\r\nул. Мира", "300000"} << 2;
    QTest::newRow("UTF-16 BE, tabs")
        << QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE).encode(unicodeText)
        << QChar(u'\t') << int(TextEncoding::Utf16Be) << true << 1
        << QStringList{"Сидоров", "г. Тула,\r\nул. Мира", "300000"} << 2;
}

void AddressFileTest::csvFilesAsProgramsWriteThem() {
    QFETCH(QByteArray, data);
    QFETCH(QChar, separator);
    QFETCH(int, encoding);
    QFETCH(bool, header);
    QFETCH(int, rows);
    QFETCH(QStringList, lastRow);
    QFETCH(int, lastLine);
    const CsvFormat format = detectCsvFormat(data);
    QCOMPARE(format.separator, separator);
    QCOMPARE(int(format.encoding), encoding);
    QCOMPARE(format.hasHeader, header);
    QCOMPARE(addressFileKind(data, "адреса.csv"), AddressFileKind::Csv);
    const AddressTable table = readCsv(data, format);
    QCOMPARE(table.rows.size(), rows);
    QCOMPARE(table.rows.last().fields, lastRow);
    QCOMPARE(table.rows.last().exact,
             QTest::currentDataTag() ==
                 QLatin1String("this program's own header: every field as written"));
    QCOMPARE(table.rows.last().line, lastLine);
    QCOMPARE(table.columns.size(), lastRow.size());
    if (encoding == int(TextEncoding::Windows1251))
        QCOMPARE(table.rows.first().fields[2], "ул. Ленина, д. 1\r\nг. Москва");
}

void AddressFileTest::headerRowsAndSeparators_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("header");

    QTest::newRow("Thunderbird: names with digits, a last empty one, no number below")
        << "First Name,Last Name,Display Name,Nickname,Primary Email,Mobile Number,Home "
           "Address,Home City,Home ZipCode,Custom 1,\r\n"
           "Иван,Петров,Иван Петров,,ivan@mail.ru,+7 900 123-45-67,ул. Мира 1,Тула,,,\r\n"
        << QChar(u',') << true;
    QTest::newRow("Google Contacts")
        << "Name,Given Name,Family Name,Address 1 - Street,Address 1 - City,Address 1 - Postal "
           "Code\r\nIvan Petrov,Ivan,Petrov,ul. Mira 1,Tula,\r\n"
        << QChar(u',') << true;
    QTest::newRow("Outlook in Russian")
        << "Имя,Отчество,Фамилия,Улица (дом. адрес),Город (дом. адрес),Почтовый код (дом. "
           "адрес)\r\nИван,Иванович,Петров,\"ул. Мира, 1\",Тула,\r\n"
        << QChar(u',') << true;
    QTest::newRow("a phone list: names of its own, «+7» numbers below")
        << "Сотрудник;Мобильный номер;Место\r\nИванов;+7 900 123-45-67;Москва, ул. Ленина, 1\r\n"
        << QChar(u';') << true;
    QTest::newRow("records only, separator counts tied: «;» as a Russian Excel writes")
        << "Иванов;г. Москва, ул. Ленина, 1;101000\r\nПетров;г. Тула, ул. Мира, 2;300000\r\n"
        << QChar(u';') << false;
    QTest::newRow("records only, no digit anywhere") << "Иванов;Москва\r\nПетров;Тула\r\n"
                                                     << QChar(u';') << false;
}

void AddressFileTest::headerRowsAndSeparators() {
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(bool, header);
    const CsvFormat format = detectCsvFormat(text.toUtf8());
    QCOMPARE(format.separator, separator);
    QCOMPARE(format.hasHeader, header);
}

// UTF-16 is read as a table; cards in UTF-16 are refused by name, not read as one.
void AddressFileTest::utf16Cards() {
    const QByteArray cards =
        encodeText(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Анна\r\nEND:VCARD\r\n"),
                   TextEncoding::Utf16Le);
    QCOMPARE(errorOf([&] { addressFileKind(cards, "/home/user/адреса.vcf"); }),
             "Файл «/home/user/адреса.vcf» — карточки vCard в кодировке UTF-16, а программа "
             "читает карточки в UTF-8 или Windows-1251. Сохраните их в UTF-8 и импортируйте "
             "снова.");
}

void AddressFileTest::csvLinesReadBack_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QChar>("separator");
    QTest::newRow("plain") << QStringList{"Иванов", "Москва", "101000"} << QChar(u';');
    QTest::newRow("separator, quotes, line breaks, outer blanks")
        << QStringList{"a;b", "\"кавычки\"", "две\r\nстроки", " отступ", ""} << QChar(u';');
    QTest::newRow("comma") << QStringList{"Невский, 1", "x"} << QChar(u',');
}

void AddressFileTest::csvLinesReadBack() {
    QFETCH(QStringList, fields);
    QFETCH(QChar, separator);
    const QList<AddressRow> rows = parseCsv(csvLine(fields, separator), separator);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].fields, fields);
}

void AddressFileTest::vCards_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("cards");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("line");

    const QByteArray qp21 =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=98=D0=B2=D0=B0=D0=BD=\r\n"
        "=D0=BE=D0=B2;=D0=98=D0=B2=D0=B0=D0=BD\r\n"
        "ADR;HOME;CHARSET=windows-1251;QUOTED-PRINTABLE:;;=F3=EB. =CC=E8=F0=E0, 5;"
        "=CC=EE=F1=EA=E2=E0;;129110;\r\n"
        "END:VCARD\r\n";
    QTest::newRow("2.1: QUOTED-PRINTABLE UTF-8 with a soft break") << qp21 << 1 << "Фамилия"
                                                                   << "Иванов" << 1;
    QTest::newRow("2.1: QUOTED-PRINTABLE Windows-1251 address") << qp21 << 1 << "Улица"
                                                                << "ул. Мира, 5" << 1;
    QTest::newRow("2.1: postal code") << qp21 << 1 << "Индекс"
                                      << "129110" << 1;

    const QByteArray folded30 = QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nFN:Пётр Петров\n"
                                               "END:VCARD\n"
                                               "BEGIN:VCARD\nVERSION:3.0\nFN:Анна\n  Сидорова\n"
                                               "ORG:ООО \"Ромашка\"\\, филиал;Отдел\n"
                                               "item1.ADR;TYPE=work:;;Невский пр.\\, 1\\nкв. 2;"
                                               "Санкт-Петербург;;190000;Россия\n"
                                               "END:VCARD\n")
                                    .toUtf8();
    QTest::newRow("3.0: a folded line") << folded30 << 2 << "Полное имя"
                                        << "Анна Сидорова" << 5;
    QTest::newRow("3.0: escapes in a structured value") << folded30 << 2 << "Улица"
                                                        << "Невский пр., 1\r\nкв. 2" << 5;
    QTest::newRow("3.0: organisation") << folded30 << 2 << "Организация"
                                       << "ООО \"Ромашка\", филиал, Отдел" << 5;

    const QByteArray v40 =
        QStringLiteral(
            "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Козлов\r\n"
            "ADR;TYPE=home:;;ул. Старая;Тула;;300000;\r\n"
            "ADR;PREF=1;LABEL=\"ул. Новая, 2\\nг. Орёл\":;;ул. Новая, 2;Орёл;;302000;\r\n"
            "END:VCARD\r\n")
            .toUtf8();
    QTest::newRow("4.0: the preferred address") << v40 << 1 << "Индекс"
                                                << "302000" << 1;
    QTest::newRow("4.0: its label") << v40 << 1 << "Адрес"
                                    << "ул. Новая, 2\r\nг. Орёл" << 1;

    // Another program's card: blanks at the ends trimmed, either newline escape a CR LF.
    const QByteArray other = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN: Анна  \r\n"
                                            "X-ADDRESSEE:Анне\\Nлично  \r\n"
                                            "ADR:;;ул. Мира  ;Тула;;300000;\r\nEND:VCARD\r\n")
                                 .toUtf8();
    QTest::newRow("another program's card: its name trimmed") << other << 1 << "Полное имя"
                                                              << "Анна" << 1;
    QTest::newRow("another program's card: \\N a line break") << other << 1 << "Кому"
                                                              << "Анне\r\nлично" << 1;
    // This program's own card: every value as the address book had it.
    const QByteArray own = (QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN: Анна  \r\nPRODID:") +
                            ownVCardProductId() +
                            QStringLiteral("\r\nX-ADDRESSEE:а\\nб\\Nв\\rг  \r\n"
                                           "ADR:;;  ул. Мира\\, 1  ;;;300000;\r\nEND:VCARD\r\n"))
                               .toUtf8();
    QTest::newRow("own card: the name untrimmed") << own << 1 << "Полное имя"
                                                  << " Анна  " << 1;
    QTest::newRow("own card: CR LF, lone LF, lone CR") << own << 1 << "Кому"
                                                       << "а\r\nб\nв\rг  " << 1;
    QTest::newRow("own card: the address as it stands") << own << 1 << "Улица"
                                                        << "  ул. Мира, 1  " << 1;
}

void AddressFileTest::vCards() {
    QFETCH(QByteArray, data);
    QFETCH(int, cards);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(int, line);
    QCOMPARE(addressFileKind(data, "контакты.vcf"), AddressFileKind::VCard);
    const AddressTable table = readVCards(data);
    QCOMPARE(table.rows.size(), cards);
    QCOMPARE(field(table, cards - 1, column), value);
    QCOMPARE(table.rows.last().line, line);
}

// What phones and mail programs write: one card, one column checked per row.
void AddressFileTest::vCardsFromPhones_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");

    auto card = [](const QString& body) {
        return (QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n") + body +
                QStringLiteral("END:VCARD\r\n"))
            .toUtf8();
    };
    // "Пётр" and "ул. Мира" in Windows-1251, no CHARSET given.
    const QByteArray cp1251 = "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:\xCF\xB8\xF2\xF0\r\n"
                              "ADR;HOME:;;\xF3\xEB. \xCC\xE8\xF0\xE0;;;300000;\r\nEND:VCARD\r\n";
    QTest::newRow("Windows-1251 without CHARSET: name") << cp1251 << "Полное имя"
                                                        << "Пётр";
    QTest::newRow("Windows-1251 without CHARSET: street") << cp1251 << "Улица"
                                                          << "ул. Мира";
    QTest::newRow("no FN: the name from N") << card("N:Иванов;Иван;Иванович;;\r\n") << "Полное имя"
                                            << "Иванов Иван Иванович";
    QTest::newRow("no FN nor N: the name from ORG") << card("ORG:ООО Ромашка\r\n") << "Полное имя"
                                                    << "ООО Ромашка";
    QTest::newRow("company card: ORG alone in Кому") << card("ORG:ООО Ромашка\r\n") << "Кому"
                                                     << "ООО Ромашка";
    QTest::newRow("ORG in Кому under the name")
        << card("FN:Анна Петрова\r\nORG:ООО Ромашка;Отдел\r\n") << "Кому"
        << "Анна Петрова\r\nООО Ромашка, Отдел";
    QTest::newRow("a foreign country kept")
        << card("FN:Jean\r\nADR:;;1 rue Haute;Québec;QC;G1V 2M2;Canada\r\n") << "Страна"
        << "Canada";
    QTest::newRow("Russia left out")
        << card("FN:Анна\r\nADR:;;ул. Мира;Тула;;300000;Российская федерация\r\n") << "Страна"
        << "";
    QTest::newRow("RU left out") << card("FN:Анна\r\nADR:;;ул. Мира;Тула;;300000;ru\r\n")
                                 << "Страна"
                                 << "";
    QTest::newRow("the postcode as written")
        << card("FN:Анна\r\nADR:;;ул. Мира;Тула;;012345;\r\n") << "Индекс"
        << "012345";
    QTest::newRow("PO box and extended address")
        << card("FN:Анна\r\nADR:а/я 15;кв. 2;ул. Мира, 1;Тула;;300000;\r\n") << "Улица"
        << "ул. Мира, 1, кв. 2\r\nа/я 15";
    QTest::newRow("4.0 backslash escapes")
        << QStringLiteral("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:a\\\\b\\,c\\;d\\ne\\Nf\r\n"
                          "END:VCARD\r\n")
               .toUtf8()
        << "Полное имя"
        << "a\\b,c;d\r\ne\r\nf";
    QTest::newRow("quoted-printable =XX at the very end")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                      "=D0=90=D0=BD=D0=BD=D0=B0\r\nEND:VCARD\r\n")
        << "Полное имя"
        << "Анна";
}

void AddressFileTest::vCardsFromPhones() {
    QFETCH(QByteArray, data);
    QFETCH(QString, column);
    QFETCH(QString, value);
    const AddressTable table = readVCards(data);
    QCOMPARE(table.rows.size(), 1);
    QCOMPARE(field(table, 0, column), value);
    for (const QString& text : table.rows[0].fields)
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), qPrintable(text));
}

void AddressFileTest::filesThatAreNoText_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("kind");
    QTest::newRow("a document in a zip (.docx)")
        << zipOf({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", "<w:document/>"}})
        << "архив ZIP или документ Word (.docx)";
    QTest::newRow("a document of Word 97–2003 (.doc)")
        << compoundFileOf({"WordDocument", "1Table"}) << "документ Word 97–2003 (.doc)";
    QTest::newRow("Jet database") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20)
                                  << "база данных Access";
    QTest::newRow("picture") << QByteArray("\xFF\xD8\xFF\xE0", 4) << "рисунок JPEG";
    QTest::newRow("other binary") << QByteArray("abc\0"
                                                "def",
                                                7)
                                  << "двоичный файл";
}

void AddressFileTest::filesThatAreNoText() {
    QFETCH(QByteArray, data);
    QFETCH(QString, kind);
    const QString error = errorOf([&] { addressFileKind(data, "/home/user/адреса.csv"); });
    QVERIFY2(error.startsWith("Файл «/home/user/адреса.csv» — не текстовый файл") &&
                 error.contains(kind) && error.contains("CSV") && error.contains("vCard") &&
                 error.contains("(.xlsx, .xls, .ods)"),
             qPrintable(error));
}

// An import reads only a regular file, and not past a size no address file has: a device
// that never ends, a FIFO or a huge file is refused at once with its name.
void AddressFileTest::sourcesThatAreNoFile_data() {
    QTest::addColumn<QString>("path"); // %1: a temporary folder
    QTest::addColumn<QString>("error");
    QTest::newRow("an endless device") << "/dev/zero"
                                       << "«/dev/zero» — устройство, а не файл: адреса читаются "
                                          "только из обычного файла CSV или vCard.";
    QTest::newRow("a FIFO") << "%1/канал"
                            << "«%1/канал» — именованный канал, а не файл: адреса читаются "
                               "только из обычного файла CSV или vCard.";
    QTest::newRow("a folder") << "%1"
                              << "«%1» — папка, а не файл.";
    QTest::newRow("missing") << "%1/нет.csv"
                             << "Файл «%1/нет.csv» не найден.";
    QTest::newRow("past the limit")
        << "%1/огромный.csv"
        << "Файл «%1/огромный.csv» слишком велик для файла адресов: 101 МБ, а программа читает "
           "файлы до 100 МБ. Разделите его на несколько файлов.";
    QTest::newRow("a file at the limit") << "%1/большой.csv"
                                         << "";
}

void AddressFileTest::sourcesThatAreNoFile() {
    QFETCH(QString, path);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("канал")).constData(), 0600) == 0);
    // Sparse: nothing is stored but the size.
    QFile huge(dir.filePath("огромный.csv"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(maxAddressFileBytes + 1));
    huge.close();
    QFile large(dir.filePath("большой.csv"));
    QVERIFY(large.open(QIODevice::WriteOnly) && large.write("Имя;Индекс\r\n") > 0 &&
            large.resize(maxAddressFileBytes));
    large.close();
    path.replace("%1", dir.path());
    QByteArray data;
    QCOMPARE(errorOf([&] { data = readAddressFile(path); }), error.replace("%1", dir.path()));
    if (error.isEmpty())
        QCOMPARE(qint64(data.size()), maxAddressFileBytes);
}

// A file with nothing to import says so, naming the file, rather than asking for columns.
void AddressFileTest::filesWithoutRows_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");
    const QString none = QStringLiteral("В файле «/home/user/адреса.csv» нет ни одной строки с "
                                        "адресом, только названия столбцов: импортировать нечего.");
    QTest::newRow("empty") << QByteArray()
                           << "Файл «/home/user/адреса.csv» пуст: импортировать нечего.";
    QTest::newRow("blank lines") << QByteArray("\r\n  \r\n;;\r\n")
                                 << "Файл «/home/user/адреса.csv» пуст: импортировать нечего.";
    QTest::newRow("this program's header alone") << cp1251("Имя;Кому;Куда;Индекс\r\n") << none;
    QTest::newRow("another program's header alone") << cp1251("Фамилия,Улица,Почта\n") << none;
    QTest::newRow("cards without a card")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Анна\r\n")
        << "В файле «/home/user/адреса.csv» нет ни одной карточки vCard: импортировать нечего.";
    QTest::newRow("one row with its index") << cp1251("Иванов;101000\r\n") << "";
    // Read as cards whatever it holds (envalo-cli import --format vcard).
    QTest::newRow("empty, read as cards")
        << QByteArray("\xEF\xBB\xBF\r\n")
        << "Файл «/home/user/адреса.csv» пуст: импортировать нечего.";
}

void AddressFileTest::filesWithoutRows() {
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    const AddressFileKind kind = QString(QTest::currentDataTag()).endsWith("read as cards")
                                     ? AddressFileKind::VCard
                                     : addressFileKind(data, "адреса.csv");
    const AddressTable table =
        kind == AddressFileKind::VCard ? readVCards(data) : readCsv(data, detectCsvFormat(data));
    QCOMPARE(errorOf([&] { requireRows(table, kind, "/home/user/адреса.csv"); }), error);
}

// Workbooks made by the spreadsheet programs' own libraries (workbooks/make-workbooks.py):
// each read as its cells show, each row with its number in the sheet.
void AddressFileTest::workbooks_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    for (const char* file : {"addresses.xlsx", "addresses.xls", "addresses.ods"}) {
        const QString name = QString::fromLatin1(file);
        const auto row = [&](const char* behaviour) -> QTestData& {
            return QTest::newRow(
                       qPrintable(name + QStringLiteral(": ") + QString::fromUtf8(behaviour)))
                   << name;
        };
        row("Cyrillic") << 0 << 0 << "Кому"
                        << "ООО «Ромашка»" << 2;
        row("a cell of two lines") << 0 << 0 << "Куда"
                                   << "г. Москва\r\nул. Ленина, д. 1" << 2;
        row("an index stored as a number") << 0 << 0 << "Индекс"
                                           << "101000" << 2;
        row("an empty row skipped") << 0 << 1 << "Имя"
                                    << "Петрова Анна" << 4;
        row("the second sheet") << 1 << 0 << "Куда"
                                << "г. Казань, ул. Баумана, 2" << 2;
    }
    QTest::newRow("addresses.xlsx: a leading zero by the number format")
        << "addresses.xlsx" << 2 << 0 << "Индекс"
        << "001327" << 2;
    QTest::newRow("addresses.xlsx: a date") << "addresses.xlsx" << 2 << 0 << "Дата"
                                            << "05.03.2024" << 2;
    QTest::newRow("addresses.xlsx: a sparse row") << "addresses.xlsx" << 2 << 1 << "Дата"
                                                  << "только A и D" << 3;
}

void AddressFileTest::workbooks() {
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(int, line);
    const QByteArray data = fileBytes(workbook(file));
    QVERIFY(!data.isEmpty());
    QCOMPARE(addressFileKind(data, file), AddressFileKind::Spreadsheet);
    QCOMPARE(sheetNames(data, file).mid(0, 2), (QStringList{"Адреса", "Партнёры"}));
    const AddressTable table = readSpreadsheet(data, file, sheet);
    QVERIFY(table.named);
    QVERIFY2(table.columns.contains(column), qPrintable(table.columns.join(u'|')));
    QCOMPARE(table.rows.value(row).fields.value(table.columns.indexOf(column)), text);
    QCOMPARE(table.rows.value(row).line, line);
    for (const AddressRow& each : table.rows)
        QCOMPARE(each.fields.size(), table.columns.size());
    if (sheet == 0) {
        QCOMPARE(table.columns, (QStringList{"Имя", "Кому", "Куда", "Индекс"}));
        QCOMPARE(table.rows.size(), 2);
        // The same mapping as a CSV of these columns.
        const ColumnMapping guessed = ColumnMapping::guess(table, AddressPage::Recipients);
        QCOMPARE(guessed.name, 0);
        QCOMPARE(guessed.index, 3);
    }
}

// Cells of an .xlsx as Excel writes them.
void AddressFileTest::xlsxCells_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("sharedStrings");
    QTest::addColumn<QString>("styles");
    QTest::addColumn<QStringList>("fields");
    const auto inlined = [](const char* reference, const char* text) {
        return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
            .arg(QLatin1String(reference), QString::fromUtf8(text));
    };
    QTest::newRow("shared strings, rich-text runs joined, phonetic guides left out")
        << "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"s\"><v>0</v></c></row>"
        << "<si><t>Иванов</t></si><si><r><t>ул. </t></r><r><rPr><b/></rPr><t "
           "xml:space=\"preserve\">Ленина, 1</t></r><rPh><t>ヨミ</t></rPh></si>"
        << "" << QStringList{"ул. Ленина, 1", "Иванов"};
    QTest::newRow("an inline string of two lines, its CR escaped as Excel writes it")
        << "<row r=\"1\">" + inlined("A1", "г. Тула_x000D_\nул. Мира, а_x005F_x000D_") + "</row>"
        << ""
        << "" << QStringList{"г. Тула\r\nул. Мира, а_x000D_"};
    QTest::newRow("numbers in general format as written, with a dot")
        << "<row r=\"1\"><c r=\"A1\"><v>101000</v></c><c r=\"B1\" t=\"n\"><v>12.5</v></c>"
           "<c r=\"C1\"><v>1.01E5</v></c><c r=\"D1\"><v>0.30000000000000004</v></c></row>"
        << ""
        << "" << QStringList{"101000", "12.5", "101000", "0.3"};
    QTest::newRow("formulas by their computed values")
        << "<row r=\"1\"><c r=\"A1\" t=\"str\"><f>B9&amp;C9</f><v>Иванов И.</v></c>"
           "<c r=\"B1\"><f>100000+1000</f><v>101000</v></c><c r=\"C1\"><f>D9</f></c>"
           "<c r=\"D1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>"
        << ""
        << "" << QStringList{"Иванов И.", "101000", "", "#DIV/0!"};
    QTest::newRow("booleans as a Russian Excel shows them")
        << "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v></c></row>"
        << ""
        << "" << QStringList{"ИСТИНА", "ЛОЖЬ"};
    const QString styles = QStringLiteral(
        "<numFmts><numFmt numFmtId=\"164\" formatCode=\"000000\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"[$-419]dd\\.mm\\.yyyy\\ hh:mm;@\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"#,##0.00&quot;р.&quot;\"/></numFmts>"
        "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/>"
        "<xf numFmtId=\"165\"/><xf numFmtId=\"166\"/><xf numFmtId=\"49\"/></cellXfs>");
    QTest::newRow("an index of a zero-padded format keeps its zeros")
        << "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1327</v></c><c r=\"B1\" s=\"1\"><v>101000</v></c>"
           "<c r=\"C1\" s=\"0\"><v>1327</v></c></row>"
        << "" << styles << QStringList{"001327", "101000", "1327"};
    QTest::newRow("dates as dd.MM.yyyy, and with the time where the format shows it")
        << "<row r=\"1\"><c r=\"A1\" s=\"2\"><v>45356</v></c><c r=\"B1\" s=\"3\"><v>45356.5</v>"
           "</c><c r=\"C1\" s=\"2\"><v>59</v></c><c r=\"D1\" t=\"d\"><v>2024-03-05T00:00:00</v>"
           "</c><c r=\"E1\" s=\"4\"><v>1500</v></c><c r=\"F1\" s=\"5\"><v>170000</v></c></row>"
        << "" << styles
        << QStringList{"05.03.2024", "05.03.2024 12:00", "28.02.1900", "05.03.2024", "1500",
                       "170000"};
    QTest::newRow("a sparse row: cells in their columns, trailing blank cells dropped")
        << "<row r=\"3\">" + inlined("B3", "Иванов") + inlined("D3", "г. Тула") +
               "<c t=\"inlineStr\"><is><t>"
               "без ссылки</t></is></c>" +
               inlined("H3", " ") + "</row>"
        << ""
        << "" << QStringList{"", "Иванов", "", "г. Тула", "без ссылки"};
}

void AddressFileTest::xlsxCells() {
    QFETCH(QString, rows);
    QFETCH(QString, sharedStrings);
    QFETCH(QString, styles);
    QFETCH(QStringList, fields);
    const QByteArray data = xlsxOf(rows, sharedStrings, styles);
    QCOMPARE(addressFileKind(data, "книга.xlsx"), AddressFileKind::Spreadsheet);
    QCOMPARE(sheetNames(data, "книга.xlsx"), QStringList{"Лист1"});
    const QList<AddressRow> read = readSheetRows(data, "книга.xlsx", 0);
    QCOMPARE(read.size(), 1);
    QCOMPARE(read.first().fields, fields);
}

// Cells of an .ods as LibreOffice writes them.
void AddressFileTest::odsCells_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("line");
    QTest::newRow("spaces, tabs, line breaks and spans of a paragraph; a comment left out")
        << "<table:table-row><table:table-cell office:value-type=\"string\"><office:annotation>"
           "<text:p>заметка</text:p></office:annotation><text:p>ул.<text:s text:c=\"2\"/>Мира,"
           "<text:tab/><text:span>д. 1</text:span><text:line-break/>кв. 2</text:p>"
           "<text:p>г. Тула</text:p></table:table-cell></table:table-row>"
        << QStringList{"ул.  Мира,\tд. 1\r\nкв. 2\r\nг. Тула"} << 1;
    QTest::newRow("numbers: shown digits kept, others as written with a dot")
        << "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1327\">"
           "<text:p>001327</text:p></table:table-cell><table:table-cell "
           "office:value-type=\"float\" office:value=\"12.5\"><text:p>12,50</text:p>"
           "</table:table-cell><table:table-cell office:value-type=\"float\" "
           "office:value=\"101000\"><text:p>101 000</text:p></table:table-cell></table:table-row>"
        << QStringList{"001327", "12.5", "101000"} << 1;
    QTest::newRow("a date and booleans")
        << "<table:table-row><table:table-cell office:value-type=\"date\" "
           "office:date-value=\"2024-03-05\"><text:p>5 марта 2024</text:p></table:table-cell>"
           "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\">"
           "<text:p>TRUE</text:p></table:table-cell><table:table-cell "
           "office:value-type=\"boolean\" office:boolean-value=\"false\"/></table:table-row>"
        << QStringList{"05.03.2024", "ИСТИНА", "ЛОЖЬ"} << 1;
    QTest::newRow("repeated rows and cells: empty ones counted, filled ones expanded")
        << "<table:table-row table:number-rows-repeated=\"1000000\"><table:table-cell "
           "table:number-columns-repeated=\"16000\"/></table:table-row>"
           "<table:table-row><table:table-cell table:number-columns-repeated=\"2\"/>"
           "<table:table-cell office:value-type=\"string\" table:number-columns-repeated=\"2\">"
           "<text:p>да</text:p></table:table-cell><table:table-cell "
           "table:number-columns-repeated=\"1000000\"/></table:table-row>"
           "<table:table-row table:number-rows-repeated=\"48000\"/>"
        << QStringList{"", "", "да", "да"} << 1000001;
    QTest::newRow("row groups nested 100,000 deep, as only a crafted file has: skipped")
        << QString("<table:table-row-group>").repeated(100000) +
               "<table:table-row><table:table-cell><text:p>глубоко</text:p></table:table-cell>"
               "</table:table-row>" +
               QString("</table:table-row-group>").repeated(100000) +
               "<table:table-row><table:table-cell><text:p>да</text:p></table:table-cell>"
               "</table:table-row>"
        << QStringList{"да"} << 1;
}

void AddressFileTest::odsCells() {
    QFETCH(QString, rows);
    QFETCH(QStringList, fields);
    QFETCH(int, line);
    const QByteArray content =
        "<office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
        "<office:spreadsheet><table:table table:name=\"Лист1\">" +
        rows.toUtf8() +
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    const QByteArray data = zipOf(
        {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
    QCOMPARE(addressFileKind(data, "книга.ods"), AddressFileKind::Spreadsheet);
    const QList<AddressRow> read = readSheetRows(data, "книга.ods", 0);
    QCOMPARE(read.size(), 1);
    QCOMPARE(read.first().fields, fields);
    QCOMPARE(read.first().line, line);
}

// A workbook that cannot be read is refused naming the file and saying why.
void AddressFileTest::workbooksRefused_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("error");
    QTest::newRow("a damaged zip: a workbook cut short")
        << fileBytes(workbook("addresses.xlsx")).left(3000)
        << "Файл «/home/user/книга.xlsx» повреждён: это архив ZIP (так хранятся книги .xlsx и "
           ".ods), но прочитать его не удалось.";
    QTest::newRow("a sheet whose XML breaks off")
        << zipOf({{"xl/workbook.xml",
                   "<workbook><sheets><sheet name=\"Лист1\"/></sheets></workbook>"},
                  {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\"><c"}})
        << "Книга «/home/user/книга.xlsx» повреждена: её часть «xl/worksheets/sheet1.xml» не "
           "читается. Откройте книгу в Excel или LibreOffice, сохраните её заново и "
           "импортируйте снова.";
    QTest::newRow("a zip bomb")
        << zipOf({{"xl/workbook.xml", QByteArray(1000, ' '), 300 * 1024 * 1024}})
        << "Книга «/home/user/книга.xlsx» повреждена или слишком велика: её часть "
           "«xl/workbook.xml» распаковывается больше чем в 256 МБ, а программа читает части "
           "книги до 256 МБ.";
    const QString password =
        QStringLiteral("Книга «/home/user/книга.xlsx» защищена паролем, и программа не может её "
                       "прочитать. Откройте её в Excel или LibreOffice, сохраните без пароля и "
                       "импортируйте снова.");
    QTest::newRow("an .xlsx saved with a password")
        << compoundFileOf({"EncryptionInfo", "EncryptedPackage"}) << password;
    QTest::newRow("an .ods saved with a password")
        << zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"META-INF/manifest.xml",
                   "<manifest:manifest><manifest:file-entry manifest:full-path=\"content.xml\">"
                   "<manifest:encryption-data/></manifest:file-entry></manifest:manifest>"},
                  {"content.xml", "\x8F\x01\xFE"}})
        << password;
    QString farRight =
        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Имя</t></is></c></row>");
    for (int row = 2; row <= 700; ++row)
        farRight += QStringLiteral("<row r=\"%1\"><c r=\"XFD%1\"><v>1</v></c></row>").arg(row);
    QTest::newRow("rows made 16,384 columns wide by cells far to the right")
        << xlsxOf(farRight)
        << "Лист книги «/home/user/книга.xlsx» слишком велик для списка адресов: 700 строк по "
           "16384 столбцов. Удалите с листа лишние строки и столбцы (или ячейки, заполненные "
           "далеко справа) и импортируйте снова.";
    QTest::newRow("a binary workbook (.xlsb)")
        << zipOf({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "\x83\x01"}})
        << "Файл «/home/user/книга.xlsx» — двоичная книга Excel (.xlsb), а программа читает "
           "книги .xlsx, .xls и .ods. Сохраните книгу в Excel как «Книга Excel (*.xlsx)» и "
           "импортируйте снова.";
    QTest::newRow("a damaged .xls")
        << compoundFileOf({"Workbook"})
        << "Книга Excel 97–2003 «/home/user/книга.xlsx» повреждена и не читается. Откройте её "
           "в Excel или LibreOffice, сохраните заново и импортируйте снова.";
}

void AddressFileTest::workbooksRefused() {
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    const QString file = QStringLiteral("/home/user/книга.xlsx");
    QCOMPARE(errorOf([&] {
                 if (addressFileKind(data, file) == AddressFileKind::Spreadsheet)
                     readSpreadsheet(data, file, 0);
             }),
             error);
}

void AddressFileTest::sheetChoice_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("error");
    QTest::newRow("by name, letter case aside") << "партнёры" << 1 << "";
    QTest::newRow("by number from 1") << "2" << 1 << "";
    QTest::newRow("a sheet named as a number") << "1" << 2 << "";
    QTest::newRow("unknown")
        << "Клиенты" << -1
        << "В книге «адреса.xlsx» нет листа «Клиенты». Листы книги: «Адреса», «Партнёры», «1» "
           "(можно указать и номер листа, с 1).";
    QTest::newRow("past the last") << "4" << -1
                                   << "В книге «адреса.xlsx» нет листа «4». Листы книги: "
                                      "«Адреса», «Партнёры», «1» (можно указать и номер листа, с "
                                      "1).";
}

void AddressFileTest::sheetChoice() {
    QFETCH(QString, choice);
    QFETCH(int, sheet);
    QFETCH(QString, error);
    int chosen = -1;
    QCOMPARE(errorOf([&] {
                 chosen = sheetIndex({"Адреса", "Партнёры", "1"}, choice, "адреса.xlsx");
             }),
             error);
    QCOMPARE(chosen, sheet);
}

QTEST_MAIN(AddressFileTest)

#include "tst_addressfile.moc"
