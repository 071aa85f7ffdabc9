#include "ErrorOf.h"
#include "ServerDatabase.h"
#include "TestFolder.h"

#include "core/Cp1251.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/AddressFile.h"
#include "core/addressbook/AddressImport.h"
#include "core/addressbook/Dative.h"
#include "core/addressbook/Spreadsheet.h"
#include "core/addressbook/XlsxWorkbook.h"

#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>
#include <zip.h>

namespace {

// ENVALO_TEST_BACKEND=postgresql runs the same cases on the server ENVALO_TEST_PG names.
bool onServer() {
    static const bool server =
        qEnvironmentVariable("ENVALO_TEST_BACKEND") == QStringLiteral("postgresql");
    return server;
}

// The address book of a case, made by a script written for the file: the database file of a
// program folder or, on the server, a database of its own there. Queries and statements go
// through a connection of their own, as another program's would.
class Book {
public:
    explicit Book(const QString& script) {
        if (!onServer()) {
            m_folder.addDatabaseFromScript(script);
            return;
        }
        m_server = std::make_unique<ServerDatabase>();
        m_server->runScript(script);
    }
    // The path or connection text AddressDb opens.
    QString target() const { return m_server ? m_server->text() : m_folder.file("Convert.mdb"); }
    QVariantList column(const QString& sql) const {
        return m_server ? m_server->column(sql) : m_folder.column(sql);
    }
    QVariant value(const QString& sql) const {
        const QVariantList values = column(sql);
        return values.isEmpty() ? QVariant() : values.first();
    }
    void execute(const QString& sql) const { column(sql); }
    void endOtherSessions() const { m_server->endOtherSessions(); }

private:
    TestFolder m_folder;
    std::unique_ptr<ServerDatabase> m_server;
};

QString shippedBook(const QString& moreSql = {}) {
    return TestFolder::shippedSchema() + '\n' + TestFolder::sampleRows() + '\n' + moreSql;
}

// The stored fields of every recipient, in table order, one text per recipient.
QStringList storedRecipients(const Book& book) {
    QStringList rows;
    for (const QVariant& row :
         book.column("select name || '|' || komy || '|' || kyda || '|' || intyda || '|' || "
                     "coalesce(`groups`, '') from `table` order by id"))
        rows.append(row.toString());
    return rows;
}

const QByteArray office = Cp1251::get().encode(
    QStringLiteral("Имя;Кому;Улица;Город;Индекс\r\n"
                   "Иванов;Иванову И. И.;ул. Ленина, 1;г. Москва;101000\r\n"
                   ";Без имени;ул. Мира;г. Тула;300000\r\n"
                   "Петров;Петрову П. П.;\"Невский пр., 2\r\nкв. 3\";;1900001\r\n"
                   "иванов;Иванову И. И.;ул. Новая, 5;г. Москва;101001\r\n"
                   "Сидоров;Сидорову;;г. Орёл;\r\n"));

// Each file of a zip archive (a workbook), by its name.
QHash<QString, QByteArray> zipParts(const QByteArray& zipped) {
    QHash<QString, QByteArray> parts;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zipped.constData(), zipped.size(), 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!zip) {
        if (source)
            zip_source_free(source);
        return parts;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t stat;
        zip_file_t* part = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (!part || zip_stat_index(zip, zip_uint64_t(i), 0, &stat) != 0) {
            if (part)
                zip_fclose(part);
            continue;
        }
        QByteArray bytes(qsizetype(stat.size), '\0');
        if (zip_fread(part, bytes.data(), stat.size) == zip_int64_t(stat.size))
            parts.insert(QString::fromUtf8(stat.name), bytes);
        zip_fclose(part);
    }
    zip_discard(zip);
    return parts;
}

// A text of a workbook's XML as Excel reads it: "_xHHHH_" is the character of that code.
QString excelUnescaped(const QString& text) {
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString plain;
    qsizetype from = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        plain += text.mid(from, match.capturedStart() - from);
        plain += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        from = match.capturedEnd();
    }
    return plain + text.mid(from);
}

// The cells of a workbook's first sheet, row by row, as Excel reads them.
QList<QStringList> workbookCells(const QByteArray& workbook) {
    const QHash<QString, QByteArray> parts = zipParts(workbook);
    QStringList shared;
    QXmlStreamReader strings(parts.value("xl/sharedStrings.xml"));
    while (!strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == u"si")
            shared.append(QString());
        else if (strings.isStartElement() && strings.name() == u"t" && !shared.isEmpty())
            shared.last() += excelUnescaped(strings.readElementText());
    }
    QList<QStringList> rows;
    QXmlStreamReader sheet(parts.value("xl/worksheets/sheet1.xml"));
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement())
            continue;
        if (sheet.name() == u"row") {
            rows.append(QStringList());
        } else if (sheet.name() == u"c") {
            const QString place = sheet.attributes().value("r").toString();
            const bool isShared = sheet.attributes().value("t") == u"s";
            int column = 0;
            for (QChar c : place) {
                if (!c.isLetter())
                    break;
                column = column * 26 + (c.unicode() - u'A' + 1);
            }
            QString text;
            while (sheet.readNextStartElement())
                if (sheet.name() == u"v")
                    text = sheet.readElementText();
                else
                    sheet.skipCurrentElement();
            // A value other than a shared text (a number) is marked, never taken for text.
            text = isShared ? shared.value(text.toInt()) : QStringLiteral("[number %1]").arg(text);
            if (text == QStringLiteral("[number ]"))
                text.clear();
            QStringList& row = rows.last();
            while (row.size() < column)
                row.append(QString());
            row[column - 1] = text;
        }
    }
    return rows;
}

ColumnMapping officeMapping() {
    ColumnMapping mapping;
    mapping.name = 0;
    mapping.komy = {1};
    mapping.kyda = {2, 3};
    mapping.index = 4;
    return mapping;
}

} // namespace

class AddressImportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void importsWhatTheUserChose_data();
    void importsWhatTheUserChose();
    void cancelledOrFailedLeavesTheBookAsItWas();
    void serverSessionEndsMidway();
    void exportThenImportGivesTheSameRecords_data();
    void exportThenImportGivesTheSameRecords();
    void exportThenImportKeepsEveryText_data();
    void exportThenImportKeepsEveryText();
    void workbookOfTextCells_data();
    void workbookOfTextCells();
    void workbookRefusesWhatACellCannotHold_data();
    void workbookRefusesWhatACellCannotHold();
    void mappingTextAndGuess();
    void mappingAsWritten_data();
    void mappingAsWritten();
    void recordsWithoutARussianIndex_data();
    void recordsWithoutARussianIndex();
    void exportRowsStored_data();
    void exportRowsStored();
    void exportColumnsPreselected_data();
    void exportColumnsPreselected();
    void rememberedMappingOnlyForTheSameColumns_data();
    void rememberedMappingOnlyForTheSameColumns();
    void cardsFromPhones_data();
    void cardsFromPhones();
    void dativeOfNames_data();
    void dativeOfNames();
    void importWritesKomyInTheDative_data();
    void importWritesKomyInTheDative();
    void houseBuildingAndFlatJoinTheStreet_data();
    void houseBuildingAndFlatJoinTheStreet();
    void townGetsItsPrefix_data();
    void townGetsItsPrefix();
};

void AddressImportTest::initTestCase() {
    if (onServer() && qEnvironmentVariableIsEmpty("ENVALO_TEST_PG"))
        QSKIP(qPrintable(ServerDatabase::skipReason()));
}

void AddressImportTest::importsWhatTheUserChose_data() {
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("groupInBook");
    QTest::addColumn<bool>("dryRun");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("updated");
    QTest::addColumn<QStringList>("lastStored");

    // The file's own second "иванов" meets the first as an existing name. Петров's postcode
    // is no Russian index and Сидоров has none: both come in with index 0.
    const QString petrov = "Петров|Петрову П. П.|Невский пр., 2\r\nкв. 3\r\n1900001|0|";
    const QString sidorov = "Сидоров|Сидорову|г. Орёл|0|";
    QTest::newRow("skip") << int(DuplicateChoice::Skip) << QString() << QString() << false << 3 << 0
                          << QStringList{"Иванов|Иванову И. И.|ул. Ленина, 1\r\nг. Москва|101000|",
                                         petrov, sidorov};
    QTest::newRow("update, into a new group")
        << int(DuplicateChoice::Update) << "Импорт" << QString() << false << 3 << 1
        << QStringList{"Иванов|Иванову И. И.|ул. Новая, 5\r\nг. Москва|101001|Импорт",
                       petrov + "Импорт", sidorov + "Импорт"};
    QTest::newRow("update, into a new group, dry run: the same report, nothing stored")
        << int(DuplicateChoice::Update) << "Импорт" << QString() << true << 3 << 1 << QStringList{};
    QTest::newRow("skip, into a group the book has, written in other letters")
        << int(DuplicateChoice::Skip) << "импорт"
        << "Импорт" << false << 3 << 0
        << QStringList{"Иванов|Иванову И. И.|ул. Ленина, 1\r\nг. Москва|101000|Импорт",
                       petrov + "Импорт", sidorov + "Импорт"};
    QTest::newRow("number")
        << int(DuplicateChoice::Number) << QString() << QString() << false << 4 << 0
        << QStringList{"Иванов|Иванову И. И.|ул. Ленина, 1\r\nг. Москва|101000|", petrov,
                       "иванов (2)|Иванову И. И.|ул. Новая, 5\r\nг. Москва|101001|", sidorov};
}

void AddressImportTest::importsWhatTheUserChose() {
    QFETCH(int, duplicates);
    QFETCH(QString, group);
    QFETCH(QString, groupInBook);
    QFETCH(bool, dryRun);
    QFETCH(int, added);
    QFETCH(int, updated);
    QFETCH(QStringList, lastStored);
    const Book book(TestFolder::shippedSchema());
    if (!groupInBook.isEmpty())
        book.execute("insert into `groups` (pname) values ('" + groupInBook + "')");
    AddressDb db;
    db.open(book.target());

    const AddressTable table = readCsv(office, detectCsvFormat(office));
    ImportOptions options;
    options.mapping = officeMapping();
    options.duplicates = DuplicateChoice(duplicates);
    options.group = group;
    options.profile = "Конверт DL";
    options.dryRun = dryRun;
    const ImportReport report = importAddresses(db, table, options);

    QCOMPARE(report.added, added);
    QCOMPARE(report.updated, updated);
    QStringList reasons;
    for (const ImportReport::Skipped& skipped : report.skipped)
        reasons.append(QString::number(skipped.line) + ": " + skipped.reason);
    QStringList expected{"3: нет имени"};
    if (duplicates == int(DuplicateChoice::Skip))
        expected.append("6: «иванов» уже есть в адресной книге");
    QCOMPARE(reasons, expected);
    // Each skipped record named: a row without a name by its addressee.
    QCOMPARE(report.skipped.first().record, "Без имени");
    QCOMPARE(report.skipped.last().record,
             duplicates == int(DuplicateChoice::Skip) ? "иванов" : "Без имени");
    QCOMPARE(report.withoutIndex, (QStringList{"Петров", "Сидоров"}));
    QCOMPARE(storedRecipients(book), lastStored);
    QCOMPARE(book.value("select count(*) from `groups`").toInt(),
             (group.isEmpty() || dryRun) && groupInBook.isEmpty() ? 0 : 1);
    if (!dryRun)
        QCOMPARE(book.value("select profile from `table` where id = 1").toString(), "Конверт DL");
}

void AddressImportTest::cancelledOrFailedLeavesTheBookAsItWas() {
    const Book book(shippedBook());
    const QStringList before = storedRecipients(book);
    AddressDb db;
    db.open(book.target());
    const AddressTable table = readCsv(office, detectCsvFormat(office));
    ImportOptions options;
    options.mapping = officeMapping();
    options.group = "Новая";

    int calls = 0;
    const ImportReport cancelled = importAddresses(db, table, options, [&](int done, int total) {
        ++calls;
        return done < total;
    });
    QVERIFY(cancelled.cancelled);
    QVERIFY(calls >= 2);
    QCOMPARE(storedRecipients(book), before);
    QCOMPARE(book.value("select count(*) from `groups` where pname = 'Новая'").toInt(), 0);

    // A failure midway: the table refuses a row.
    book.execute(onServer() ? "alter table `table` add constraint refuse check (name <> 'Петров')"
                            : "create trigger refuse before insert on `table` when new.name = "
                              "'Петров' begin select raise(abort, 'refused'); end");
    AddressTable refused = table;
    refused.rows[2].fields[4] = "190000";
    QVERIFY(!errorOf([&] { importAddresses(db, refused, options); }).isEmpty());
    QCOMPARE(storedRecipients(book), before);
    QCOMPARE(book.value("select count(*) from `groups` where pname = 'Новая'").toInt(), 0);
}

// The server ends the session halfway through an import: nothing of it is stored, and the user
// is told that the link broke and nothing was saved.
void AddressImportTest::serverSessionEndsMidway() {
    if (!onServer())
        QSKIP("A session of the server's own; a file has none");
    const Book book(shippedBook());
    const QStringList before = storedRecipients(book);
    AddressDb db;
    db.open(book.target());
    AddressTable table;
    table.columns = QStringList{"Имя", "Индекс"};
    for (int i = 0; i < 700; ++i)
        table.rows.append({i + 2, {QStringLiteral("Получатель %1").arg(i), "101000"}});
    ImportOptions options;
    options.mapping.name = 0;
    options.mapping.index = 1;
    options.group = "Новая";
    const auto endSessionAfter500 = [&](int done, int) {
        if (done == 500)
            book.endOtherSessions();
        return true;
    };

    const QString lost = QStringLiteral("Связь с сервером базы данных «%1» прервалась, изменения "
                                        "не сохранены")
                             .arg(book.target());
    QString error = errorOf([&] { importAddresses(db, table, options, endSessionAfter500); });
    QVERIFY2(error.startsWith(lost), qPrintable(error));
    QCOMPARE(storedRecipients(book), before);
    QCOMPARE(book.value("select count(*) from `groups`").toInt(), 0);
    // So is the next import, or an export, until the address book is opened again.
    error = errorOf([&] { importAddresses(db, table, options); });
    QVERIFY2(error.startsWith(lost), qPrintable(error));
    error =
        errorOf([&] { exportAddresses(db, AddressPage::Recipients, {}, ExportFormat::CsvUtf8); });
    QVERIFY2(error.startsWith(lost), qPrintable(error));
    db.open(book.target());
    QCOMPARE(importAddresses(db, table, options).added, 700);
    QCOMPARE(storedRecipients(book).size(), before.size() + 700);
}

// A file the export wrote, read as the import reads it.
static AddressTable readExported(const QByteArray& file) {
    switch (addressFileKind(file, "out")) {
    case AddressFileKind::VCard:
        return readVCards(file);
    case AddressFileKind::Spreadsheet:
        return readSpreadsheet(file, "out", 0);
    default:
        return readCsv(file, detectCsvFormat(file));
    }
}

void AddressImportTest::exportThenImportGivesTheSameRecords_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("format");
    for (const auto& [pageName, page] :
         {std::pair{"recipients", AddressPage::Recipients}, {"senders", AddressPage::Senders}}) {
        QTest::addRow("%s, spreadsheet CSV", pageName)
            << int(page) << int(ExportFormat::CsvSpreadsheet);
        QTest::addRow("%s, UTF-8 CSV", pageName) << int(page) << int(ExportFormat::CsvUtf8);
        QTest::addRow("%s, vCard", pageName) << int(page) << int(ExportFormat::VCard);
        QTest::addRow("%s, Excel workbook", pageName) << int(page) << int(ExportFormat::Xlsx);
    }
}

void AddressImportTest::exportThenImportGivesTheSameRecords() {
    QFETCH(int, page);
    QFETCH(int, format);
    const bool recipients = AddressPage(page) == AddressPage::Recipients;
    const QString sql =
        recipients ? QStringLiteral("select name || '|' || komy || '|' || kyda || '|' || intyda "
                                    "from `table` order by id")
                   : QStringLiteral("select otkogo || '|' || otkyda || '|' || intyt from table2 "
                                    "order by id");
    const Book source(shippedBook(rowsSql(
        {{"ООО \"Рога; и копыта\"", "Директору,\r\nлично", "пр. Мира, 5\r\nг. Москва\\центр",
          129110, false, ""},
         {"Длинное имя получателя, которое не уместится в одну строку визитной карточки", "Кому",
          " с отступом ", 7, false, ""}},
        {{"Отдел кадров\r\nООО \"Ромашка\"", "ул. Садовая, 1;\r\nг. Тверь", 170000, false}})));
    AddressDb db;
    db.open(source.target());
    const QByteArray file = exportAddresses(db, AddressPage(page), {}, ExportFormat(format));

    const Book target(TestFolder::shippedSchema());
    AddressDb empty(QStringLiteral("target"));
    empty.open(target.target());
    const AddressFileKind kind = addressFileKind(file, "out");
    QCOMPARE(kind == AddressFileKind::VCard, format == int(ExportFormat::VCard));
    QCOMPARE(kind == AddressFileKind::Spreadsheet, format == int(ExportFormat::Xlsx));
    const AddressTable table = readExported(file);
    ImportOptions options;
    options.page = AddressPage(page);
    options.mapping = ColumnMapping::guess(table, AddressPage(page));
    const ImportReport report = importAddresses(empty, table, options);
    QVERIFY(report.skipped.isEmpty());
    QCOMPARE(target.column(sql), source.column(sql));
}

void AddressImportTest::exportThenImportKeepsEveryText_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("komy");
    QTest::addColumn<QString>("kyda");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("refused");

    struct Values {
        const char* what;
        QString name, komy, kyda;
        int index;
        // The character a Windows-1251 table cannot hold, if any.
        QString beyond1251;
    };
    const QString longLine =
        QStringLiteral("Очень длинный адрес, ").repeated(6) + QStringLiteral("дом 1  ");
    const QList<Values> values{
        {"an empty Кому", "Петров", "", "ул. Мира, 1\r\nг. Тула", 300000, {}},
        {"blanks at the ends", "  Сидоров  ", " Сидорову ", "ул. Мира  \r\n  г. Орёл ", 302000, {}},
        {"values of blanks alone", "Пустов", "   ", "\t", 0, {}},
        {"line breaks of every kind", "Имя\r\nв две строки", "а\nб", "в\rг\r\n\r\nд\n", 101000, {}},
        {"quotes, separators, backslashes",
         "ООО \"Рога; и, копыта\"",
         "\"\"",
         "\\n — не перевод строки \\\\;,\\",
         129110,
         {}},
        {"control characters", "Ctl\u0001\u001A\u007F", "\ttab\u000B\u000C", "\u001F", 7, {}},
        {"a long line", longLine, longLine, longLine, 999999, {}},
        {"an index past six digits", "Номер", "Кому", "Куда", 1234567, {}},
        {"beyond Windows-1251", "Знак ✓", "😀", "東京", 1, "✓"},
        {"U+0000, which no text file holds",
         "Нуль",
         "Кому",
         QStringLiteral("до") + QChar(u'\0') + QStringLiteral("после"),
         1,
         {}},
    };
    for (const auto& [pageName, page] :
         {std::pair{"recipients", AddressPage::Recipients}, {"senders", AddressPage::Senders}}) {
        for (const auto& [formatName, format] :
             {std::pair{"spreadsheet CSV", ExportFormat::CsvSpreadsheet},
              {"UTF-8 CSV", ExportFormat::CsvUtf8},
              {"vCard", ExportFormat::VCard},
              {"Excel workbook", ExportFormat::Xlsx}}) {
            for (const Values& v : values) {
                const bool recipients = page == AddressPage::Recipients;
                // Senders have no Кому: what stands in it is not theirs to carry.
                const QString komy = recipients ? v.komy : QString();
                // A cell holds no control character but TAB, LF and CR, and its line break is
                // the address book's CR LF: a lone LF would come back changed.
                QString notInCell;
                if (format == ExportFormat::Xlsx && QByteArray(v.what) == "control characters")
                    notInCell = QStringLiteral("«%1» есть символ U+0001")
                                    .arg(recipients ? "Имя" : "Отправитель");
                if (format == ExportFormat::Xlsx &&
                    QByteArray(v.what) == "line breaks of every kind")
                    notInCell = QStringLiteral("«%1» есть перевод строки LF без CR")
                                    .arg(recipients ? "Кому" : "Куда");
                const QString refused =
                    v.kyda.contains(QChar(u'\0'))
                        ? QStringLiteral("Запись «Нуль» нельзя записать в файл: в поле «Куда» "
                                         "есть символ U+0000")
                    : format == ExportFormat::CsvSpreadsheet && !v.beyond1251.isEmpty()
                        ? QStringLiteral("Запись «%1» нельзя записать в таблицу Windows-1251: в "
                                         "поле «%2» есть символ «%3»")
                              .arg(v.name, recipients ? "Имя" : "Отправитель", v.beyond1251)
                    : !notInCell.isEmpty()
                        ? QStringLiteral("Запись «%1» нельзя записать в книгу Excel: в поле %2")
                              .arg(v.name.simplified(), notInCell)
                        : QString();
                QTest::addRow("%s, %s, %s", pageName, formatName, v.what)
                    << int(page) << int(format) << v.name << komy << v.kyda << v.index << refused;
            }
        }
    }
}

// Whatever text the address book holds comes back the same from the program's own file, or
// the export refuses up front, naming the record and the character.
void AddressImportTest::exportThenImportKeepsEveryText() {
    QFETCH(int, page);
    QFETCH(int, format);
    QFETCH(QString, name);
    QFETCH(QString, komy);
    QFETCH(QString, kyda);
    QFETCH(int, index);
    QFETCH(QString, refused);
    const bool recipients = AddressPage(page) == AddressPage::Recipients;
    const QString table = recipients ? QStringLiteral("table") : QStringLiteral("table2");
    const QStringList fields = recipients ? QStringList{"name", "komy", "kyda", "intyda"}
                                          : QStringList{"otkogo", "otkyda", "intyt"};
    const auto stored = [&](const Book& book) {
        QList<QVariantList> columns;
        for (const QString& field : fields)
            columns.append(
                book.column(QStringLiteral("select %1 from `%2` order by id").arg(field, table)));
        return columns;
    };

    if (onServer() && kyda.contains(QChar(u'\0')))
        QSKIP("A server's text holds no U+0000");
    const Book source(TestFolder::shippedSchema());
    AddressDb db;
    db.open(source.target());
    {
        TableCursor cursor(db, table, fields.first());
        cursor.open();
        if (recipients)
            cursor.insert({{"name", name},
                           {"komy", komy},
                           {"kyda", kyda},
                           {"intyda", index},
                           {"galka", 0},
                           {"groups", QString()},
                           {"profile", QString()}});
        else
            cursor.insert({{"otkogo", name}, {"otkyda", kyda}, {"intyt", index}, {"default", 0}});
    }
    QByteArray file;
    const QString error =
        errorOf([&] { file = exportAddresses(db, AddressPage(page), {}, ExportFormat(format)); });
    if (!refused.isEmpty()) {
        QVERIFY2(error.startsWith(refused), qPrintable(error));
        return;
    }
    QCOMPARE(error, QString());

    const Book target(TestFolder::shippedSchema());
    AddressDb empty(QStringLiteral("target"));
    empty.open(target.target());
    const AddressTable read = readExported(file);
    ImportOptions options;
    options.page = AddressPage(page);
    options.mapping = ColumnMapping::guess(read, AddressPage(page));
    const ImportReport report = importAddresses(empty, read, options);
    QCOMPARE(report.skipped.size(), 0);
    QCOMPARE(report.added, 1);
    QCOMPARE(stored(target), stored(source));
}

void AddressImportTest::workbookOfTextCells_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QList<QStringList>>("cells");

    QTest::newRow("recipients") << int(AddressPage::Recipients) << "Получатели"
                                << QList<QStringList>{
                                       {"Имя", "Кому", "Куда", "Индекс"},
                                       {"Иванов Иван", "Директору\nлично",
                                        "ул. Мира, 1-2\n01327 Dresden", "101000"},
                                       {"_x0041_ Ромашка", "", "  с пробелами  ", "7"}};
    QTest::newRow("senders") << int(AddressPage::Senders) << "Отправители"
                             << QList<QStringList>{
                                    {"Отправитель", "Куда", "Индекс"},
                                    {"ООО «Ромашка»", "ул. Садовая, 1-2\n01327 Dresden", "170000"},
                                    {"_x0041_ Ромашка", "  с пробелами  ", "7"}};
}

// The workbook's cells are all text, so that Excel keeps «01327», «1-2» and the index as
// written; a multi-line value is one wrapped cell; the sheet is named for the page.
void AddressImportTest::workbookOfTextCells() {
    QFETCH(int, page);
    QFETCH(QString, sheet);
    QFETCH(QList<QStringList>, cells);
    const Book source(
        TestFolder::shippedSchema() +
        rowsSql({{"Иванов Иван", "Директору\r\nлично", "ул. Мира, 1-2\r\n01327 Dresden", 101000,
                  false, ""},
                 {"_x0041_ Ромашка", "", "  с пробелами  ", 7, false, ""}},
                {{"ООО «Ромашка»", "ул. Садовая, 1-2\r\n01327 Dresden", 170000, false},
                 {"_x0041_ Ромашка", "  с пробелами  ", 7, false}}));
    AddressDb db;
    db.open(source.target());
    const QByteArray file = exportAddresses(db, AddressPage(page), {}, ExportFormat::Xlsx);

    QCOMPARE(workbookCells(file), cells);
    const QHash<QString, QByteArray> parts = zipParts(file);
    QVERIFY(parts.value("xl/workbook.xml").contains(("name=\"" + sheet + "\"").toUtf8()));
    const QByteArray strings = parts.value("xl/sharedStrings.xml");
    QVERIFY(strings.contains(cells[1][cells[1].size() - 2].toUtf8()));
    QVERIFY(strings.contains("1-2\n01327 Dresden"));
    // A text Excel would read as an escape is written with its underscore escaped, and
    // blanks at the ends are kept.
    QVERIFY(strings.contains("_x005F_x0041_ Ромашка"));
    QVERIFY(strings.contains("xml:space=\"preserve\">  с пробелами  <"));
    // The text format "@" (number 49 of Excel's own), wrapped lines, the header row in view.
    const QByteArray styles = parts.value("xl/styles.xml");
    QVERIFY(styles.contains("numFmtId=\"49\""));
    QVERIFY(styles.contains("wrapText=\"1\""));
    const QByteArray sheetXml = parts.value("xl/worksheets/sheet1.xml");
    QVERIFY(sheetXml.contains("<cols>"));
    QVERIFY(sheetXml.contains("ySplit=\"1\""));
}

void AddressImportTest::workbookRefusesWhatACellCannotHold_data() {
    QTest::addColumn<QString>("komy");
    QTest::addColumn<QString>("kyda");
    QTest::addColumn<QString>("refused");

    const QString record = QStringLiteral("Запись «Петров» нельзя записать в книгу Excel: в поле ");
    const QString instead =
        QStringLiteral(" Выберите таблицу CSV в UTF-8 или карточки vCard: они хранят любой текст.");
    QTest::newRow("a bell character") << "Звонок\u0007"
                                      << "ул. Мира"
                                      << record +
                                             "«Кому» есть символ "
                                             "U+0007, которого ячейка "
                                             "Excel не хранит." +
                                             instead;
    QTest::newRow("U+FFFE, which XML lacks")
        << "Петрову"
        << "ул. Мира\uFFFE"
        << record + "«Куда» есть символ U+FFFE, которого ячейка Excel не хранит." + instead;
    QTest::newRow("a lone LF")
        << "Петрову"
        << "ул. Мира\nг. Тула"
        << record +
               "«Куда» есть перевод строки LF без CR перед ним: в книге Excel он не отличается "
               "от обычного (CR LF) и при импорте стал бы им." +
               instead;
    QTest::newRow("past Excel's cell limit")
        << "Петрову" << QString(32768, u'ж')
        << record + "«Куда» 32768 знаков, а ячейка Excel вмещает не больше 32767." + instead;
    QTest::newRow("at the limit") << "Петрову" << QString(32767, u'ж') << QString();
    QTest::newRow("at the limit, a CR LF counted as the cell's one LF")
        << "Петрову" << QStringLiteral("а\r\n") + QString(32765, u'ж') << QString();
    QTest::newRow("TAB, a lone CR, DEL and C1 controls are kept") << "\tа\rб\u007F\u0085"
                                                                  << "ул. Мира" << QString();
}

void AddressImportTest::workbookRefusesWhatACellCannotHold() {
    QFETCH(QString, komy);
    QFETCH(QString, kyda);
    QFETCH(QString, refused);
    // SQLite reads U+FFFE and U+FFFF back as U+FFFD; a server's text holds them.
    if (!onServer() && kyda.contains(QChar(u'\uFFFE')))
        QSKIP("An SQLite file holds no U+FFFE");
    const Book source(TestFolder::shippedSchema());
    AddressDb db;
    db.open(source.target());
    {
        TableCursor cursor(db, "table", "name");
        cursor.open();
        cursor.insert({{"name", "Петров"},
                       {"komy", komy},
                       {"kyda", kyda},
                       {"intyda", 101000},
                       {"galka", 0},
                       {"groups", QString()},
                       {"profile", QString()}});
    }
    QByteArray file;
    const QString error = errorOf(
        [&] { file = exportAddresses(db, AddressPage::Recipients, {}, ExportFormat::Xlsx); });
    QCOMPARE(error, refused);
    if (!refused.isEmpty())
        return;
    const QList<QStringList> cells = workbookCells(file);
    QCOMPARE(cells.size(), 2);
    QCOMPARE(xlsxBookText(cells[1].value(1)), komy);
    QCOMPARE(xlsxBookText(cells[1].value(2)), kyda);
}

void AddressImportTest::mappingTextAndGuess() {
    if (onServer())
        QSKIP("Takes no address book: the same on either");
    const ColumnMapping mapping = officeMapping();
    QCOMPARE(ColumnMapping::fromText(mapping.toText()), mapping);
    QCOMPARE(ColumnMapping::fromText("name=x;index=1"), ColumnMapping{});
    // A phone's cards: the full name is the addressee, the address is street and town.
    AddressTable phone = readVCards("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Анна\r\n"
                                    "ADR:;;ул. Мира;Тула;;300000;\r\nEND:VCARD\r\n");
    const ColumnMapping guessed = ColumnMapping::guess(phone, AddressPage::Recipients);
    const QStringList columns = vCardColumns();
    QCOMPARE(guessed.name, columns.indexOf("Полное имя"));
    QCOMPARE(guessed.komy, QList<int>{int(columns.indexOf("Полное имя"))});
    QCOMPARE(guessed.kyda,
             (QList<int>{int(columns.indexOf("Улица")), int(columns.indexOf("Город")),
                         int(columns.indexOf("Регион")), int(columns.indexOf("Страна"))}));
    QCOMPARE(guessed.index, columns.indexOf("Индекс"));
    // Column numbers alone are no choice for a file whose columns have names.
    QCOMPARE(ColumnMapping::initial(phone, AddressPage::Recipients, "name=1;komy=;kyda=2;index=3"),
             guessed);
    QCOMPARE(ColumnMapping::initial(phone, AddressPage::Recipients, "name=0;komy=;kyda=;index=40"),
             guessed);
}

void AddressImportTest::cardsFromPhones_data() {
    QTest::addColumn<QString>("cards");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("skipped");
    QTest::newRow("ORG under the name, a foreign country last in Куда")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jean Roy\r\nORG:Acme\r\n"
           "ADR:;;1 rue Haute;Québec;QC;123456;Canada\r\nEND:VCARD\r\n"
        << QStringList{"Jean Roy|Jean Roy\r\nAcme|1 rue Haute\r\nQuébec\r\nQC\r\nCanada|123456|"}
        << QStringList{};
    QTest::newRow("a company card, Russia left out")
        << "BEGIN:VCARD\r\nVERSION:2.1\r\nORG:ООО Ромашка\r\n"
           "ADR;WORK:;;ул. Мира, 1;Тула;;300000;Россия\r\nEND:VCARD\r\n"
        << QStringList{"ООО Ромашка|ООО Ромашка|ул. Мира, 1\r\nг. Тула|300000|"} << QStringList{};
    QTest::newRow("beside a card with ORG, a card without it is addressed by its name")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Пётр;;;\r\n"
           "ADR:;;ул. Мира, 2;Тула;;300001;\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Анна\r\nORG:Школа\r\n"
           "ADR:;;ул. Мира, 1;Тула;;300000;\r\nEND:VCARD\r\n"
        << QStringList{"Петров Пётр|Петров Пётр|ул. Мира, 2\r\nг. Тула|300001|",
                       "Анна|Анна\r\nШкола|ул. Мира, 1\r\nг. Тула|300000|"}
        << QStringList{};
    QTest::newRow("a card with no address")
        << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Анна\r\nTEL:+79990000000\r\nEND:VCARD\r\n"
        << QStringList{} << QStringList{"1: нет адреса"};
}

void AddressImportTest::cardsFromPhones() {
    QFETCH(QString, cards);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, skipped);
    const Book book(TestFolder::shippedSchema());
    AddressDb db;
    db.open(book.target());
    const AddressTable table = readVCards(cards.toUtf8());
    ImportOptions options;
    options.mapping = ColumnMapping::guess(table, AddressPage::Recipients);
    const ImportReport report = importAddresses(db, table, options);
    QStringList reasons;
    for (const ImportReport::Skipped& skip : report.skipped)
        reasons.append(QString::number(skip.line) + ": " + skip.reason);
    QCOMPARE(reasons, skipped);
    QCOMPARE(storedRecipients(book), stored);
}

void AddressImportTest::dativeOfNames_data() {
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("middle");
    QTest::addColumn<QString>("dative"); // as written on the envelope
    QTest::addColumn<bool>("declined");
    QTest::newRow("man") << u"Кузнецов"_qs << u"Андрей"_qs << u"Викторович"_qs
                         << u"Кузнецову Андрею Викторовичу"_qs << true;
    QTest::newRow("woman") << u"Кузнецова"_qs << u"Анна"_qs << u"Викторовна"_qs
                           << u"Кузнецовой Анне Викторовне"_qs << true;
    QTest::newRow("man in -ский") << u"Вишневский"_qs << u"Илья"_qs << u"Ильич"_qs
                                  << u"Вишневскому Илье Ильичу"_qs << true;
    QTest::newRow("woman in -ская") << u"Вишневская"_qs << u"Мария"_qs << u"Ильинична"_qs
                                    << u"Вишневской Марии Ильиничне"_qs << true;
    QTest::newRow("man, soft sign")
        << u"Коваль"_qs << u"Игорь"_qs << u"Петрович"_qs << u"Ковалю Игорю Петровичу"_qs << true;
    QTest::newRow("woman, a man's family name stays")
        << u"Коваль"_qs << u"Любовь"_qs << u"Петровна"_qs << u"Коваль Любови Петровне"_qs << true;
    QTest::newRow("man, -ий") << u"Толстой"_qs << u"Василий"_qs << u"Кузьмич"_qs
                              << u"Толстому Василию Кузьмичу"_qs << true;
    QTest::newRow("double-barrelled, man")
        << u"Римский-Корсаков"_qs << u"Николай"_qs << u"Андреевич"_qs
        << u"Римскому-Корсакову Николаю Андреевичу"_qs << true;
    QTest::newRow("double-barrelled, woman")
        << u"Петрова-Водкина"_qs << u"Ольга"_qs << u"Сергеевна"_qs
        << u"Петровой-Водкиной Ольге Сергеевне"_qs << true;
    QTest::newRow("not declined, man")
        << u"Дюма"_qs << u"Олег"_qs << u"Ильич"_qs << u"Дюма Олегу Ильичу"_qs << true;
    QTest::newRow("not declined, -ых")
        << u"Черных"_qs << u"Ирина"_qs << u"Олеговна"_qs << u"Черных Ирине Олеговне"_qs << true;
    QTest::newRow("not declined, -о") << u"Шевченко"_qs << u"Тарас"_qs << u"Григорьевич"_qs
                                      << u"Шевченко Тарасу Григорьевичу"_qs << true;
    QTest::newRow("Turkic patronymic, man")
        << u"Алиев"_qs << u"Рашид"_qs << u"Гасан оглы"_qs << u"Алиеву Рашиду Гасан оглы"_qs << true;
    QTest::newRow("Turkic patronymic, woman") << u"Алиева"_qs << u"Лейла"_qs << u"Гасан кызы"_qs
                                              << u"Алиевой Лейле Гасан кызы"_qs << true;
    QTest::newRow("no patronymic, family name tells")
        << u"Смирнова"_qs << u"Елена"_qs << QString() << u"Смирновой Елене"_qs << true;
    QTest::newRow("capitals") << u"ИВАНОВ"_qs << u"ПЁТР"_qs << u"ИВАНОВИЧ"_qs
                              << u"ИВАНОВУ ПЕТРУ ИВАНОВИЧУ"_qs << true;
    QTest::newRow("gender unknown")
        << u"Ким"_qs << u"Саша"_qs << QString() << u"Ким Саша"_qs << false;
    QTest::newRow("patronymic of no known form")
        << u"Ким"_qs << u"Саша"_qs << u"Ли"_qs << u"Ким Саша Ли"_qs << false;
    QTest::newRow("no given name")
        << u"Иванов"_qs << QString() << QString() << u"Иванов"_qs << false;
    QTest::newRow("Latin letters")
        << u"Smith"_qs << u"John"_qs << QString() << u"Smith John"_qs << false;
    QTest::newRow("an organisation")
        << u"ООО"_qs << u"«Ромашка»"_qs << QString() << u"ООО «Ромашка»"_qs << false;
}

void AddressImportTest::dativeOfNames() {
    QFETCH(QString, family);
    QFETCH(QString, given);
    QFETCH(QString, middle);
    QFETCH(QString, dative);
    QFETCH(bool, declined);
    const DativeName result = dativeName(family, given, middle);
    QCOMPARE(result.text, dative);
    QCOMPARE(result.declined, declined);
    // A name typed on one line reads the same.
    const DativeName typed = dativeOfFullName(u"  %1 %2  %3 "_qs.arg(family, given, middle));
    QCOMPARE(typed.text, dative);
    QCOMPARE(typed.declined, declined);
}

void AddressImportTest::importWritesKomyInTheDative_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("stored"); // name|komy, in file order
    QTest::addColumn<QStringList>("nominative");
    const QString people = u"Кузнецов;Андрей;Викторович;ул. Мира, 1;300000\r\n"
                           "Кузнецова;Анна;Викторовна;ул. Мира, 1;300000\r\n"
                           "Ким;Саша;;ул. Мира, 2;300000\r\n"_qs;
    QTest::newRow("family, given and middle name columns")
        << u"Фамилия;Имя;Отчество;Улица;Индекс"_qs << people
        << QStringList{u"Кузнецов Андрей Викторович|Кузнецову Андрею Викторовичу"_qs,
                       u"Кузнецова Анна Викторовна|Кузнецовой Анне Викторовне"_qs,
                       u"Ким Саша|Ким Саша"_qs}
        << QStringList{u"Ким Саша"_qs};
    QTest::newRow("English headers, in another order")
        << u"First Name;Last Name;Middle Name;Street;Zip"_qs
        << u"Андрей;Кузнецов;Викторович;ул. Мира, 1;300000\r\n"_qs
        << QStringList{u"Кузнецов Андрей Викторович|Кузнецову Андрею Викторовичу"_qs}
        << QStringList{};
    QTest::newRow("an addressee column is kept")
        << u"Фамилия;Имя;Отчество;Кому;Улица;Индекс"_qs
        << u"Кузнецов;Андрей;Викторович;Кузнецову А. В.;ул. Мира, 1;300000\r\n"_qs
        << QStringList{u"Кузнецов Андрей Викторович|Кузнецову А. В."_qs} << QStringList{};
    QTest::newRow("a name of one column: no addressee")
        << u"Имя;Улица;Индекс"_qs << u"Кузнецов Андрей Викторович;ул. Мира, 1;300000\r\n"_qs
        << QStringList{u"Кузнецов Андрей Викторович|"_qs} << QStringList{};
}

void AddressImportTest::importWritesKomyInTheDative() {
    QFETCH(QString, header);
    QFETCH(QString, rows);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, nominative);
    const Book book(TestFolder::shippedSchema());
    AddressDb db;
    db.open(book.target());
    const QByteArray file = (header + u"\r\n"_qs + rows).toUtf8();
    CsvFormat format = detectCsvFormat(file);
    format.hasHeader = true;
    const AddressTable table = readCsv(file, format);
    ImportOptions options;
    options.mapping = ColumnMapping::guess(table, AddressPage::Recipients);
    const ImportReport report = importAddresses(db, table, options);
    QVERIFY(report.skipped.isEmpty());
    QStringList komy;
    for (const QVariant& row :
         book.column("select name || '|' || coalesce(komy, '') from `table` order by id"))
        komy.append(row.toString());
    QCOMPARE(komy, stored);
    QCOMPARE(report.nominative, nominative);
}

void AddressImportTest::houseBuildingAndFlatJoinTheStreet_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("mapping"); // "" for the guess
    QTest::addColumn<QString>("kyda");    // lines joined by "|"
    QTest::newRow("office list")
        << u"Фамилия;Имя;Отчество;Улица;Дом;Корпус;Квартира;Город;Индекс"_qs
        << u"Кузнецов;Андрей;Викторович;ул. Ленина;12;;45;г. Казань;420000"_qs << QString()
        << u"ул. Ленина, д. 12, кв. 45|г. Казань"_qs;
    QTest::newRow("building, and values that say what they are")
        << u"Имя;Город;Квартира;Улица;Корпус;Дом;Индекс"_qs
        << u"Иванов;Москва;кв. 7;Тверская ул.;2;дом 5;101000"_qs << QString()
        << u"Тверская ул., дом 5, корп. 2, кв. 7|г. Москва"_qs;
    QTest::newRow("English headers, mapped by hand")
        << u"Name;Street;House;Building;Flat;Town;Zip"_qs
        << u"Иванов;ул. Мира;3;к2;10;Тула;300000"_qs
        << u"name=Name;kyda=Street,House,Building,Flat,Town;index=Zip"_qs
        << u"ул. Мира, д. 3, к2, кв. 10|г. Тула"_qs;
    QTest::newRow("a column named otherwise stays a line of its own")
        << u"Имя;Улица;Город;Индекс"_qs << u"Иванов;ул. Мира, 1;Тула;300000"_qs << QString()
        << u"ул. Мира, 1|г. Тула"_qs;
}

namespace {

// Imports the one row of a file and compares the «Куда» stored.
void checkImportedKyda(const QString& header, const QString& row, const QString& mapping,
                       const QString& kyda) {
    const Book book(TestFolder::shippedSchema());
    AddressDb db;
    db.open(book.target());
    const QByteArray file = (header + u"\r\n"_qs + row + u"\r\n"_qs).toUtf8();
    CsvFormat format = detectCsvFormat(file);
    format.hasHeader = true;
    const AddressTable table = readCsv(file, format);
    ImportOptions options;
    options.mapping = mapping.isEmpty() ? ColumnMapping::guess(table, AddressPage::Recipients)
                                        : ColumnMapping::parse(mapping, table.columns);
    const ImportReport report = importAddresses(db, table, options);
    QCOMPARE(report.added, 1);
    QCOMPARE(book.column("select kyda from `table`"),
             QVariantList{QString(kyda).replace(u'|', u"\r\n"_qs)});
}

} // namespace

void AddressImportTest::houseBuildingAndFlatJoinTheStreet() {
    QFETCH(QString, header);
    QFETCH(QString, row);
    QFETCH(QString, mapping);
    QFETCH(QString, kyda);
    checkImportedKyda(header, row, mapping, kyda);
}

void AddressImportTest::townGetsItsPrefix_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("mapping"); // "" for the guess
    QTest::addColumn<QString>("kyda");    // lines joined by "|"
    const QString header = u"Имя;Улица;Город;Индекс"_qs;
    const auto town = [&](const char* name, const char* value, const char* expected) {
        QTest::newRow(name) << header
                            << u"Иванов;ул. Мира, 1;"_qs + QString::fromUtf8(value) + u";300000"_qs
                            << QString() << u"ул. Мира, 1|"_qs + QString::fromUtf8(expected);
    };
    town("a bare town", "Москва", "г. Москва");
    town("blanks around it", "  Казань ", "г. Казань");
    town("a double name", "Ростов-на-Дону", "г. Ростов-на-Дону");
    town("г. already", "г. Тула", "г. Тула");
    town("г without a blank", "г.Тула", "г.Тула");
    town("гор.", "гор. Тула", "гор. Тула");
    town("a village", "с. Ивановка", "с. Ивановка");
    town("a village, capital letter", "С. Ивановка", "С. Ивановка");
    town("село in full", "село Ивановка", "село Ивановка");
    town("пос.", "пос. Лесной", "пос. Лесной");
    town("п.", "п. Лесной", "п. Лесной");
    town("пгт without a point", "пгт Лесной", "пгт Лесной");
    town("ПГТ in capitals", "ПГТ Лесной", "ПГТ Лесной");
    town("рп", "рп Лесной", "рп Лесной");
    town("дер.", "дер. Берёзовка", "дер. Берёзовка");
    town("д.", "д. Берёзовка", "д. Берёзовка");
    town("ст-ца", "ст-ца Каневская", "ст-ца Каневская");
    town("ст.", "ст. Каневская", "ст. Каневская");
    town("х.", "х. Весёлый", "х. Весёлый");
    town("аул", "аул Хакуринохабль", "аул Хакуринохабль");
    town("мкр", "мкр Северный", "мкр Северный");
    town("the prefix after the name", "Москва г.", "Москва г.");
    town("a name that starts like a prefix", "Сочи", "г. Сочи");
    town("a name that starts like д", "Дмитров", "г. Дмитров");
    town("no Russian letters", "London", "London");
    QTest::newRow("City, mapped by hand")
        << u"Name;Street;City;Zip"_qs << u"Иванов;ул. Мира, 1;Тула;300000"_qs
        << u"name=Name;kyda=Street,City;index=Zip"_qs << u"ул. Мира, 1|г. Тула"_qs;
    QTest::newRow("Outlook's town of a work address")
        << u"Имя;Улица (раб. адрес);Город (раб. адрес);Индекс (раб. адрес)"_qs
        << u"Иванов;ул. Мира, 1;Тула;300000"_qs << QString() << u"ул. Мира, 1|г. Тула"_qs;
    QTest::newRow("another column keeps its value")
        << u"Имя;Улица;Район;Индекс"_qs << u"Иванов;ул. Мира, 1;Тульский;300000"_qs
        << u"name=Имя;kyda=Улица,Район;index=Индекс"_qs << u"ул. Мира, 1|Тульский"_qs;
}

void AddressImportTest::townGetsItsPrefix() {
    QFETCH(QString, header);
    QFETCH(QString, row);
    QFETCH(QString, mapping);
    QFETCH(QString, kyda);
    checkImportedKyda(header, row, mapping, kyda);
}

void AddressImportTest::mappingAsWritten_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<QString>("error");

    QTest::newRow("numbers") << "name=0;komy=1;kyda=2,3;index=4"
                             << "name=0;komy=1;kyda=2,3;index=4" << QString();
    QTest::newRow("names, letter case and spaces aside")
        << "name=имя; kyda=Улица, Город ;index=Индекс"
        << "name=0;komy=;kyda=2,3;index=4" << QString();
    QTest::newRow("a name the file lacks")
        << "name=Фамилия;index=4" << QString()
        << "Столбца «Фамилия» в файле нет. Столбцы файла: Имя, Кому, Улица, Город, Индекс.";
    QTest::newRow("a number past the last column")
        << "name=0;index=5" << QString()
        << "Столбца 5 в файле нет: столбцы считаются с 0, их в файле 5.";
    QTest::newRow("two columns for the name: its parts")
        << "name=0,1;index=4"
        << "name=0,1;komy=;kyda=;index=4" << QString();
    QTest::newRow("unknown field")
        << "adres=2" << QString() << "Неизвестное поле «adres»: есть name, komy, kyda и index.";
}

void AddressImportTest::mappingAsWritten() {
    if (onServer())
        QSKIP("Takes no address book: the same on either");
    QFETCH(QString, text);
    QFETCH(QString, mapping);
    QFETCH(QString, error);
    const QStringList columns = readCsv(office, detectCsvFormat(office)).columns;
    ColumnMapping parsed;
    QCOMPARE(errorOf([&] { parsed = ColumnMapping::parse(text, columns); }), error);
    if (error.isEmpty())
        QCOMPARE(parsed.toText(), mapping);
}

void AddressImportTest::recordsWithoutARussianIndex_data() {
    QTest::addColumn<QString>("row"); // name;street;town;postcode, under a header
    QTest::addColumn<bool>("indexColumn");
    QTest::addColumn<QString>("stored"); // "" when skipped
    QTest::addColumn<QString>("skipped");

    QTest::newRow("a Russian index") << "Иванов;ул. Мира, 1;Тула;300000" << true
                                     << "Иванов|ул. Мира, 1\r\nг. Тула|300000" << QString();
    QTest::newRow("no index: index 0")
        << "Иванов;ул. Мира, 1;Тула;" << true << "Иванов|ул. Мира, 1\r\nг. Тула|0" << QString();
    QTest::newRow("a Canadian postcode: the last line of the address")
        << "Smith;2325 rue de l'Université;Québec;G1V 2M2" << true
        << "Smith|2325 rue de l'Université\r\nQuébec\r\nG1V 2M2|0" << QString();
    QTest::newRow("a Japanese postcode")
        << "Tanaka;1-1 Shibuya;Tokyo;150-8512" << true
        << "Tanaka|1-1 Shibuya\r\nTokyo\r\n150-8512|0" << QString();
    QTest::newRow("a leading zero kept")
        << "Schmidt;Hauptstr. 1;Dresden;01327" << true
        << "Schmidt|Hauptstr. 1\r\nDresden\r\n01327|0" << QString();
    QTest::newRow("a file without an index column")
        << "Иванов;ул. Мира, 1;Тула;300000" << false << "Иванов|ул. Мира, 1\r\nг. Тула|0"
        << QString();
    QTest::newRow("a postcode alone") << "Smith;;;NYC887" << true << "Smith|NYC887|0" << QString();
    QTest::newRow("no address at all") << "Иванов;;;" << true << QString() << "2: нет адреса";
}

void AddressImportTest::recordsWithoutARussianIndex() {
    QFETCH(QString, row);
    QFETCH(bool, indexColumn);
    QFETCH(QString, stored);
    QFETCH(QString, skipped);
    const Book book(TestFolder::shippedSchema());
    AddressDb db;
    db.open(book.target());
    const QByteArray file = ("Имя;Улица;Город;Индекс\r\n" + row + "\r\n").toUtf8();
    ImportOptions options;
    options.mapping = ColumnMapping::fromText(indexColumn ? "name=0;kyda=1,2;index=3"
                                                          : "name=0;kyda=1,2;index=-1");
    CsvFormat format = detectCsvFormat(file);
    format.hasHeader = true;
    const ImportReport report = importAddresses(db, readCsv(file, format), options);
    QStringList reasons;
    for (const ImportReport::Skipped& s : report.skipped)
        reasons.append(QString::number(s.line) + ": " + s.reason);
    QCOMPARE(reasons.join('\n'), skipped);
    QCOMPARE(book.column("select name || '|' || kyda || '|' || intyda from `table`"),
             stored.isEmpty() ? QVariantList{} : QVariantList{stored});
    const bool listed = !stored.isEmpty() && !stored.endsWith("|300000");
    QCOMPARE(report.withoutIndex, listed ? QStringList{row.section(';', 0, 0)} : QStringList{});
}

void AddressImportTest::exportRowsStored_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("map"); // empty: recognised
    QTest::addColumn<QString>("name");

    const QByteArray outlook("Имя;Отчество;Фамилия;Улица (дом. адрес);Город (дом. адрес);"
                             "Почтовый код (дом. адрес)\r\n"
                             "Иван;Иванович;Петров;ул. Мира, 1;Тула;300000\r\n");
    QTest::newRow("recognised: family, given, middle name on one line")
        << outlook << QString() << "Петров Иван Иванович|ул. Мира, 1\r\nг. Тула|300000";
    QTest::newRow("chosen in file order: an envelope's order all the same")
        << outlook << "name=Имя,Фамилия;kyda=3;index=5"
        << "Петров Иван|ул. Мира, 1|300000";
    QTest::newRow("Google: given and family name")
        << QByteArray("Given Name,Family Name,Address 1 - Street,Address 1 - City,"
                      "Address 1 - Postal Code\r\nAnna,Smirnova,ul. Mira 1,Tula,300000\r\n")
        << QString() << "Smirnova Anna|ul. Mira 1\r\nTula|300000";
    const QByteArray countries("ФИО;Улица (дом. адрес);Город (дом. адрес);"
                               "Страна или регион (дом. адрес);Почтовый код (дом. адрес)\r\n");
    QTest::newRow("Russia in the country column: left out for domestic mail")
        << countries + "Петров Иван;ул. Мира, 1;Тула;Россия;300000\r\n"
        << QString() << "Петров Иван|ул. Мира, 1\r\nг. Тула|300000";
    QTest::newRow("another country: the last line of the address")
        << countries + "Ахметов Ерлан;ул. Абая, 1;Алматы;Казахстан;050000\r\n"
        << QString() << "Ахметов Ерлан|ул. Абая, 1\r\nг. Алматы\r\nКазахстан\r\n050000|0";
}

void AddressImportTest::exportRowsStored() {
    QFETCH(QByteArray, file);
    QFETCH(QString, map);
    QFETCH(QString, name);
    const Book book(TestFolder::shippedSchema());
    AddressDb db;
    db.open(book.target());
    const AddressTable table = readCsv(file, detectCsvFormat(file));
    ImportOptions options;
    options.mapping = map.isEmpty() ? ColumnMapping::guess(table, AddressPage::Recipients)
                                    : ColumnMapping::parse(map, table.columns);
    QCOMPARE(importAddresses(db, table, options).added, 1);
    QCOMPARE(book.value("select name || '|' || kyda || '|' || intyda from `table`").toString(),
             name);
}

void AddressImportTest::exportColumnsPreselected_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("mapping");

    QTest::newRow("Google Contacts")
        << QByteArray("Name,Given Name,Family Name,Address 1 - Street,Address 1 - City,"
                      "Address 1 - Postal Code,Address 1 - Country\r\n"
                      "Jean Roy,Jean,Roy,2325 rue de l'Université,Québec,G1V 2M2,Canada\r\n")
        << "name=0;komy=;kyda=3,4,6;index=5";
    QTest::newRow("Outlook: the home address where the business one is empty")
        << QByteArray("First Name,Last Name,Business Street,Business City,Business Postal Code,"
                      "Home Street,Home City,Home Postal Code\r\n"
                      "Ivan,Petrov,,,,ul. Mira 1,Tula,300000\r\n")
        << "name=1,0;komy=;kyda=5,6;index=7";
    QTest::newRow("Thunderbird: the display name, the work address")
        << QByteArray("First Name,Last Name,Display Name,Home Address,Home City,Home ZipCode,"
                      "Work Address,Work City,Work ZipCode\r\n"
                      "Ivan,Petrov,Ivan Petrov,,,,ul. Mira 1,Tula,300000\r\n")
        << "name=2;komy=;kyda=6,7;index=8";
}

void AddressImportTest::exportColumnsPreselected() {
    if (onServer())
        QSKIP("Takes no address book: the same on either");
    QFETCH(QByteArray, file);
    QFETCH(QString, mapping);
    const AddressTable table = readCsv(file, detectCsvFormat(file));
    QCOMPARE(ColumnMapping::guess(table, AddressPage::Recipients).toText(), mapping);
}

void AddressImportTest::rememberedMappingOnlyForTheSameColumns_data() {
    QTest::addColumn<QByteArray>("remembered"); // the file the last import read
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("mapping");

    // As measured: the company name was taken for the name, the address for "Кому".
    const QByteArray own("Организация;Кому;Куда;Индекс;Имя\r\nООО Ромашка;Иванову;Москва;101000;"
                         "Иванов\r\n");
    QTest::newRow("a file of the same columns: the last import's choice")
        << office << QByteArray("имя;Кому; Улица;Город;Индекс\r\nЯ;Мне;ул. Мира;Тула;300000\r\n")
        << int(ColumnMapping::Source::Remembered) << "name=0;komy=1;kyda=2,3;index=4";
    QTest::newRow("a file of other columns: recognised, not the last import's numbers")
        << office << own << int(ColumnMapping::Source::Guessed) << "name=4;komy=1;kyda=2;index=3";
    QTest::newRow("an older program's numbers: not for a file whose columns have names")
        << QByteArray() << own << int(ColumnMapping::Source::Guessed)
        << "name=4;komy=1;kyda=2;index=3";
    QTest::newRow("an older program's numbers: for a file without a header row")
        << QByteArray() << QByteArray("Иванов;Иванову;Москва;Кремль;101000\r\n")
        << int(ColumnMapping::Source::RememberedByNumber) << "name=0;komy=1;kyda=2,3;index=4";
}

void AddressImportTest::rememberedMappingOnlyForTheSameColumns() {
    if (onServer())
        QSKIP("Takes no address book: the same on either");
    QFETCH(QByteArray, remembered);
    QFETCH(QByteArray, file);
    QFETCH(int, source);
    QFETCH(QString, mapping);
    const QString text =
        remembered.isEmpty()
            ? officeMapping().toText()
            : officeMapping().rememberedText(readCsv(remembered, detectCsvFormat(remembered)));
    const AddressTable table = readCsv(file, detectCsvFormat(file));
    ColumnMapping::Source used = ColumnMapping::Source::Guessed;
    QCOMPARE(ColumnMapping::initial(table, AddressPage::Recipients, text, &used).toText(), mapping);
    QCOMPARE(int(used), source);
}

QTEST_MAIN(AddressImportTest)

#include "tst_addressimport.moc"
