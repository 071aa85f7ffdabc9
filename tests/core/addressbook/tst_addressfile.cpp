#include "ErrorOf.h"

#include "core/Cp1251.h"
#include "core/addressbook/AddressFile.h"

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
    QTest::newRow("workbook") << QByteArray("PK\x03\x04rest", 8) << "книга Excel (.xlsx)";
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
                 error.contains(kind) && error.contains("CSV") && error.contains("vCard"),
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
}

void AddressFileTest::filesWithoutRows() {
    QFETCH(QByteArray, data);
    QFETCH(QString, error);
    const AddressFileKind kind = addressFileKind(data, "адреса.csv");
    const AddressTable table =
        kind == AddressFileKind::VCard ? readVCards(data) : readCsv(data, detectCsvFormat(data));
    QCOMPARE(errorOf([&] { requireRows(table, kind, "/home/user/адреса.csv"); }), error);
}

QTEST_MAIN(AddressFileTest)

#include "tst_addressfile.moc"
