#include "MainControls.h"
#include "TestProgram.h"
#include "Tools.h"

#include "core/Cp1251.h"
#include "core/profiles/EnvelopeDocument.h"
#include "ui/addressbook/CheckList.h"
#include "ui/addressbook/ImportMapping.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString spreadsheet = QStringLiteral("Имя;Кому;Улица;Город;Индекс\r\n"
                                           "Яковлев;Яковлеву Я. Я.;ул. Ленина, 1;г. Тула;300000\r\n"
                                           ";Без имени;ул. Мира;г. Орёл;302000\r\n");

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return file.fileName();
}

struct Book : TestProgram {
    Book() {
        startAsShipped();
        messages.reset();
    }
    void menu(const char* name) { control<QAction>(mainWindow(), name)->trigger(); }
    int recipients() { return folder.value("select count(*) from `table`").toInt(); }
};

} // namespace

class ImportExportTest : public QObject {
    Q_OBJECT

private slots:
    void importThroughTheMappingWindow();
    void mappingWindowShowsTheFirstEnvelope();
    void cancelledImportAndFilesThatAreNoText();
    void importASheetOfAWorkbook();
    void exportTheTickedRecipients();
};

void ImportExportTest::importThroughTheMappingWindow() {
    Book b;
    QTemporaryDir dir;
    const int before = b.recipients();
    b.messages.answerFile(writeFile(dir, "адреса.csv", Cp1251::get().encode(spreadsheet)));
    b.messages.onModal([](QDialog& window) {
        // Guessed from the header: the name, the index, "Кому" and street with town.
        QCOMPARE(control<QComboBox>(window, "separator")->currentIndex(), 0);
        QCOMPARE(control<QComboBox>(window, "encoding")->currentText(), "Windows-1251");
        QVERIFY(control<QCheckBox>(window, "header")->isChecked());
        QCOMPARE(control<QComboBox>(window, "nameColumn")->currentText(), "Имя");
        QCOMPARE(control<QComboBox>(window, "indexColumn")->currentText(), "Индекс");
        const QListWidget* kyda = control<QListWidget>(window, "kydaColumns");
        QCOMPARE(kyda->item(2)->checkState(), Qt::Checked);
        QCOMPARE(kyda->item(3)->checkState(), Qt::Checked);
        control<QComboBox>(window, "group")->setCurrentText("Импорт");
        control<QPushButton>(window, "Button1")->click();
    });
    b.menu("menuImport");

    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Добавлено: 1. Обновлено: 0. Пропущено: 1.\r\nСтрока 3, «Без имени»: "
                         "нет имени"});
    QCOMPARE(b.recipients(), before + 1);
    QCOMPARE(b.folder.value("select kyda || '|' || `groups` from `table` where name = 'Яковлев'")
                 .toString(),
             "ул. Ленина, 1\r\nг. Тула|Импорт");
    // The list shows the new record, selected; the mapping is kept for the next import.
    QCOMPARE(nameField(b.mainWindow())->text(), "Яковлев");
    // By the columns' names, for a file with the same header row.
    const QByteArray settings = b.folder.settingsBytes();
    QVERIFY2(settings.contains("importmap=columns=") &&
                 settings.contains(";name=%D0%98%D0%BC%D1%8F;komy=%D0%9A%D0%BE%D0%BC%D1%83;"),
             settings.constData());
    b.verifyNothingUnexpected();
}

// Before anything is imported, the window shows the first record's envelope in the current
// profile, composed anew as the columns change.
void ImportExportTest::mappingWindowShowsTheFirstEnvelope() {
    Book b;
    QTemporaryDir dir;
    const QString office =
        QStringLiteral("Фамилия;Имя;Отчество;Улица;Дом;Квартира;Город;Индекс\r\n"
                       "Кузнецов;Андрей;Викторович;ул. Ленина;12;45;Казань;420000\r\n");
    b.messages.answerFile(writeFile(dir, "адреса.csv", Cp1251::get().encode(office)));
    const AddressTexts shown = b.mainWindow().addressTexts();
    b.messages.onModal([&](QDialog& dialog) {
        auto* window = qobject_cast<ImportMappingWindow*>(&dialog);
        QVERIFY(window);
        const auto printed = [&] {
            QStringList texts;
            for (const Envelope::Block& block : window->firstEnvelope().blocks)
                if (block.visible && !block.text.isEmpty())
                    texts.append(block.text);
            return texts;
        };
        QWidget* envelope = control<QWidget>(dialog, "firstEnvelope");
        QCOMPARE(envelope->accessibleName(), "Первый конверт");
        QVERIFY(!envelope->grab().isNull());
        // In the current profile, drawn as the preview draws it.
        const Windows& w = b.program->windows();
        QCOMPARE(window->firstEnvelope().size,
                 envelopeSize(w.document->profile().format, *w.screen));
        QStringList texts = printed();
        for (const char* text :
             {"Кузнецову Андрею Викторовичу", "ул. Ленина, д. 12, кв. 45", "г. Казань", "420000"})
            QVERIFY2(texts.contains(QString::fromUtf8(text)), qPrintable(texts.join('|')));
        // The sender is the one the main window shows.
        QVERIFY2(texts.contains(shown.otkogo.section('\n', 0, 0)), qPrintable(texts.join('|')));

        // Without the flat's column, and without an index.
        control<QListWidget>(dialog, "kydaColumns")->item(5)->setCheckState(Qt::Unchecked);
        control<QComboBox>(dialog, "indexColumn")->setCurrentIndex(0);
        texts = printed();
        QVERIFY2(texts.contains("ул. Ленина, д. 12") && !texts.contains("420000"),
                 qPrintable(texts.join('|')));
        // The first line taken as a record: its words are the envelope's texts now.
        control<QCheckBox>(dialog, "header")->setChecked(false);
        texts = printed();
        QVERIFY2(texts.contains("Улица"), qPrintable(texts.join('|')));
        control<QPushButton>(dialog, "Button2")->click();
    });
    b.menu("menuImport");
    b.verifyNothingUnexpected();
}

void ImportExportTest::cancelledImportAndFilesThatAreNoText() {
    Book b;
    QTemporaryDir dir;
    const int before = b.recipients();
    b.messages.answerFile(writeFile(dir, "адреса.csv", Cp1251::get().encode(spreadsheet)));
    b.messages.onModal([](QDialog& window) { control<QPushButton>(window, "Button1")->click(); });
    b.messages.cancelProgressAt(0);
    b.menu("menuImport");
    QCOMPARE(b.messages.texts("notice"),
             QStringList{"Импорт отменён: адресная книга не изменилась."});
    QCOMPARE(b.recipients(), before);

    b.messages.reset();
    const QString workbook = writeFile(dir, "адреса.xlsx", QByteArray("PK\x03\x04 workbook", 13));
    b.messages.answerFile(workbook);
    b.menu("menuImport");
    const QString error = b.messages.texts("error").value(0);
    QVERIFY2(error.contains(workbook) && error.contains("повреждён"), qPrintable(error));

    // A header row alone: nothing to import, said before the mapping window opens.
    b.messages.reset();
    const QString header =
        writeFile(dir, "пустые.csv", Cp1251::get().encode(u"Имя;Кому;Куда;Индекс\r\n"));
    b.messages.answerFile(header);
    b.menu("menuImport");
    QCOMPARE(b.messages.texts("error"),
             QStringList{QStringLiteral("В файле «%1» нет ни одной строки с адресом, только "
                                        "названия столбцов: импортировать нечего.")
                             .arg(header)});
    QCOMPARE(b.recipients(), before);
    b.verifyNothingUnexpected();
}

// The sheet is chosen in the window; another sheet's columns are recognised anew.
void ImportExportTest::importASheetOfAWorkbook() {
    Book b;
    QFile workbook(QStringLiteral(ENVALO_WORKBOOKS_DIR "/addresses.xlsx"));
    QVERIFY(workbook.open(QIODevice::ReadOnly));
    QTemporaryDir dir;
    b.messages.answerFile(writeFile(dir, "адреса.xlsx", workbook.readAll()));
    b.messages.onModal([](QDialog& window) {
        auto* sheet = control<QComboBox>(window, "sheet");
        QCOMPARE(sheet->accessibleName(), "Лист книги");
        QCOMPARE(sheet->count(), 3);
        QCOMPARE(sheet->currentText(), "Адреса");
        QCOMPARE(control<QListWidget>(window, "komyColumns")->count(), 4);
        sheet->setCurrentIndex(1);
        QVERIFY(control<QCheckBox>(window, "header")->isChecked());
        QCOMPARE(control<QListWidget>(window, "komyColumns")->count(), 3);
        QCOMPARE(control<QComboBox>(window, "nameColumn")->currentText(), "Имя");
        QCOMPARE(control<QComboBox>(window, "indexColumn")->currentText(), "Индекс");
        QCOMPARE(control<QListWidget>(window, "kydaColumns")->item(1)->checkState(), Qt::Checked);
        control<QPushButton>(window, "Button1")->click();
    });
    b.menu("menuImport");
    QCOMPARE(b.messages.texts("notice"), QStringList{"Добавлено: 1. Обновлено: 0. Пропущено: 0."});
    QCOMPARE(b.folder
                 .value("select kyda || '|' || intyda from `table` where name = 'Сидоров "
                        "Сергей'")
                 .toString(),
             "г. Казань, ул. Баумана, 2|420111");
    b.verifyNothingUnexpected();
}

void ImportExportTest::exportTheTickedRecipients() {
    Book b;
    QTemporaryDir dir;
    CheckList& list = *recipientList(b.mainWindow());
    QVERIFY(list.count() >= 2);
    list.lines().setAllChecked(false);
    list.lines().setChecked(1, true);
    const QString ticked = list.text(1);
    b.messages.answerFile(dir.filePath("мои"), "Карточки vCard 3.0 (*.vcf)");
    b.menu("menuExport");
    QCOMPARE(b.messages.texts("notice").value(0).section("\r\n", 0, 0), "Записей сохранено: 1.");
    QFile cards(dir.filePath("мои.vcf"));
    QVERIFY(cards.open(QIODevice::ReadOnly));
    const QByteArray bytes = cards.readAll();
    QCOMPARE(bytes.count("BEGIN:VCARD"), 1);
    QVERIFY(bytes.contains(("FN:" + ticked).toUtf8()));

    // The Excel workbook gets its suffix too.
    b.messages.reset();
    b.messages.answerFile(dir.filePath("книга"), "Книга Excel (*.xlsx)");
    b.menu("menuExport");
    QCOMPARE(b.messages.texts("notice").value(0).section("\r\n", 0, 0), "Записей сохранено: 1.");
    QFile workbook(dir.filePath("книга.xlsx"));
    QVERIFY(workbook.open(QIODevice::ReadOnly));
    QVERIFY(workbook.read(4) == QByteArray("PK\x03\x04", 4));

    // What is not a file is never replaced by one: a socket in the chosen place is refused.
    b.messages.reset();
    const QString socketPath = dir.filePath("сокет.csv");
    QVERIFY(makeSocket(socketPath));
    b.messages.answerFile(socketPath, "Таблица в UTF-8 с «,» (*.csv)");
    b.menu("menuExport");
    QCOMPARE(b.messages.texts("error"),
             QStringList{QStringLiteral("Нельзя записать файл «%1»: на его месте сокет. Программа "
                                        "пишет в обычный файл, в устройство вроде /dev/stdout "
                                        "или в именованный канал.")
                             .arg(socketPath)});
    QVERIFY(!QFileInfo(socketPath).isFile());
    b.verifyNothingUnexpected();
}

QTEST_MAIN(ImportExportTest)

#include "tst_importexport.moc"
