#include "EditorControls.h"
#include "MainControls.h"
#include "TestProgram.h"

#include "core/UserError.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/profiles/IniFile.h"
#include "core/run/PageOutput.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecordsPane.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

namespace {

// Five recipients that sort before the two sample ones, so the list reads
// Адресат 1 … Адресат 5, Иванов, Петрова.
QString moreRecipients() {
    QString sql;
    for (int i = 1; i <= 5; ++i)
        sql += QStringLiteral("insert into `table` (name, komy, kyda, intyda, galka, `groups`, "
                              "profile) values ('Адресат %1', 'Адресату %1', 'ул. %1', %1, 0, "
                              "'', 'Конверт DL');\n")
                   .arg(i);
    return sql;
}

// The program on the shipped data, the layout editor on a DL envelope.
struct Preview : TestProgram {
    LayoutEditor* v = nullptr;
    PreviewWindow* preview = nullptr;

    Preview() {
        folder.addSettings();
        folder.addDatabase(moreRecipients());
        folder.addPictures();
        start();
        runDeferredStep();
        v = program->windows().layoutEditor;
        preview = program->windows().preview;
        v->show();
        v->chooseFormat(0);
        v->resetLayout();
        v->canvas().clearSelection();
        messages.reset();
    }
    ~Preview() {
        preview->hide();
        v->hide();
    }

    void setTexts(const AddressTexts& t) {
        control<QPlainTextEdit>(mainWindow(), "otkogo")->setPlainText(t.otkogo);
        control<QPlainTextEdit>(mainWindow(), "otkyda")->setPlainText(t.otkyda);
        control<QLineEdit>(mainWindow(), "intyt")->setText(t.intyt);
        control<QPlainTextEdit>(mainWindow(), "komy")->setPlainText(t.komy);
        control<QPlainTextEdit>(mainWindow(), "kyda")->setPlainText(t.kyda);
        control<QLineEdit>(mainWindow(), "intyda")->setText(t.intyda);
    }
    // A block in a large font and a colour of its own, as the editor's font command sets it.
    void setBigBlock(int number, const QColor& colour) {
        TextBlock block = v->document().profile().block(number);
        block.face = QStringLiteral("DejaVu Sans");
        block.size = 45;
        block.colour = bgrOf(colour);
        v->document().setBlockFont(number, block);
        v->canvas().applyFonts();
        v->canvas().showVisibility();
    }
    QString text(int block) const { return preview->envelope().blocks[size_t(block - 1)].text; }
    QStringList texts(std::initializer_list<int> blocks) const {
        QStringList result;
        for (int n : blocks)
            result.append(text(n));
        return result;
    }
    void verifyNothingUnexpected() {
        QVERIFY2(messages.unexpected.isEmpty(), qPrintable(messages.unexpected.join('|')));
        QVERIFY2(messages.leftOver().isEmpty(), qPrintable(messages.leftOver().join('|')));
    }
};

int pixelsNotWhite(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) != qRgb(255, 255, 255);
    return count;
}

} // namespace

class CompositionTest : public QObject {
    Q_OBJECT

private slots:
    void indexes_data();
    void indexes();
    void lines_data();
    void lines();
    void hiddenPartsAreNotDrawn_data();
    void hiddenPartsAreNotDrawn();
    void composingTwiceGivesTheSameSurface();
    void printedEnvelopeIsThePreview_data();
    void printedEnvelopeIsThePreview();
    void greenIsSeeThroughOnScreenOnly();
    void stepping_data();
    void stepping();
    void linesThatDoNotFitAreMarkedOnScreen_data();
    void linesThatDoNotFitAreMarkedOnScreen();
};

void CompositionTest::indexes_data() {
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<bool>("swapped");
    QTest::addColumn<QStringList>("expected"); // blocks 5, 6, then cells 12 to 17
    QTest::newRow("apart") << "123456"
                           << "654321" << false
                           << QStringList{"654321", "123456", "1", "2", "3", "4", "5", "6"};
    QTest::newRow("swapped") << "123456"
                             << "654321" << true
                             << QStringList{"123456", "654321", "6", "5", "4", "3", "2", "1"};
    QTest::newRow("two characters")
        << "12"
        << "654321" << false << QStringList{"654321", "12", "1", "2", "", "", "", ""};
    QTest::newRow("seventh character has no cell")
        << "1234567"
        << "" << false << QStringList{"", "1234567", "1", "2", "3", "4", "5", "6"};
}

void CompositionTest::indexes() {
    QFETCH(QString, recipient);
    QFETCH(QString, sender);
    QFETCH(bool, swapped);
    QFETCH(QStringList, expected);
    Preview p;
    p.setTexts({"Ромашка", "ул. 1", sender, "Иванову", "ул. 2", recipient});
    control<QCheckBox>(*p.v, "CheckBox1")->setChecked(swapped);
    p.v->document().setIndexSwitch(swapped);
    p.preview->compose();
    QCOMPARE(p.texts({5, 6, 12, 13, 14, 15, 16, 17}), expected);
}

void CompositionTest::lines_data() {
    QTest::addColumn<QString>("otkogo");
    QTest::addColumn<QString>("otkyda");
    QTest::addColumn<QString>("komy");
    QTest::addColumn<QString>("kyda");
    // Blocks 1, 18, 19, 2, 3, 4, then 7, 8, 20, 9, 10, 11.
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one-line names")
        << "Ромашка"
        << "a\nb\nc"
        << "Иванову"
        << "d\ne\nf"
        << QStringList{"Ромашка", "", "", "a", "b", "c", "Иванову", "", "", "d", "e", "f"};
    QTest::newRow("four-line texts print three")
        << "s1\ns2\ns3\ns4"
        << "a\nb\nc\nx"
        << "r1\nr2\nr3\nr4"
        << "d\ne\nf\ny"
        << QStringList{"s1", "s2", "s3", "a", "b", "c", "r1", "r2", "r3", "d", "e", "f"};
}

void CompositionTest::lines() {
    QFETCH(QString, otkogo);
    QFETCH(QString, otkyda);
    QFETCH(QString, komy);
    QFETCH(QString, kyda);
    QFETCH(QStringList, expected);
    Preview p;
    p.setTexts({otkogo, otkyda, "1", komy, kyda, "2"});
    p.preview->compose();
    QCOMPARE(p.texts({1, 18, 19, 2, 3, 4, 7, 8, 20, 9, 10, 11}), expected);
    const QStringList fourthLines{"s4", "x", "r4", "y"};
    for (const Envelope::Block& block : p.preview->envelope().blocks)
        QVERIFY(!fourthLines.contains(block.text));
}

void CompositionTest::hiddenPartsAreNotDrawn_data() {
    QTest::addColumn<bool>("picture"); // else block 7
    QTest::addColumn<bool>("shown");
    QTest::newRow("visible block") << false << true;
    QTest::newRow("hidden block") << false << false;
    QTest::newRow("toggle down") << true << true;
    QTest::newRow("toggle up") << true << false;
}

void CompositionTest::hiddenPartsAreNotDrawn() {
    QFETCH(bool, picture);
    QFETCH(bool, shown);
    Preview p;
    p.setTexts({});
    for (QToolButton* toggle : pictureToggles(*p.v))
        toggle->setChecked(false);
    if (picture) {
        pictureToggle(*p.v, StampSlot)->setChecked(shown);
        p.v->optionsBar().showPictures();
        p.preview->compose();
        // The editor shows the picture either way.
        QVERIFY(surface(*p.v)->picture(StampSlot).shown);
        QVERIFY(!surface(*p.v)->picture(StampSlot).image.isNull());
        QCOMPARE(pixelsNotWhite(p.preview->capture()) > 0, shown);
        return;
    }
    p.v->optionsBar().showPictures();
    p.setBigBlock(7, Qt::blue);
    p.v->document().setBlockVisible(7, shown);
    control<QPlainTextEdit>(p.mainWindow(), "komy")->setPlainText(QStringLiteral("ЖЖЖЖ"));
    p.preview->compose();
    const QImage image = p.preview->capture();
    QCOMPARE(image.size(), surface(*p.v)->size());
    QCOMPARE(pixelsNotWhite(image) > 500, shown);
}

void CompositionTest::composingTwiceGivesTheSameSurface() {
    Preview p;
    p.mainWindow().records().showSelectedRecords();
    p.preview->compose();
    const QImage first = p.preview->capture();
    p.preview->compose();
    QCOMPARE(p.preview->capture(), first);
    QCOMPARE(first.size(), QSize(831, 416));
    QVERIFY(pixelsNotWhite(first) > 0);
    const QString path = p.folder.file(QStringLiteral("temp"));
    p.preview->saveCapture(path);
    QCOMPARE(QImage(path, "BMP").convertToFormat(first.format()), first);
    QVERIFY_THROWS_EXCEPTION(
        UserError, p.preview->saveCapture(p.folder.file(QStringLiteral("no/such/folder/temp"))));
}

void CompositionTest::printedEnvelopeIsThePreview_data() {
    QTest::addColumn<QString>("profile");
    // Envelope paper of a file chosen as the destination; none: the program's default.
    QTest::addColumn<int>("paper");
    const int none = -1;
    QTest::newRow("DL") << "Конверт DL" << none;
    QTest::newRow("C5") << "Конверт C5" << none;
    QTest::newRow("C6, indexes swapped, recipient picture up") << "Конверт C6" << none;
    QTest::newRow("F119") << "Ф119 лицевая сторона" << none;
    QTest::newRow("DL on DL paper: the page is the preview at its own size")
        << "Конверт DL" << int(QPageSize::DLE);
    QTest::newRow("C6 on C6 paper: the page is the preview at its own size")
        << "Конверт C6" << int(QPageSize::EnvelopeC6);
}

// The print run reads the profile from the settings file; the preview composes what the
// editor shows after loading it. Both must give the same picture.
void CompositionTest::printedEnvelopeIsThePreview() {
    QFETCH(QString, profile);
    QFETCH(int, paper);
    Preview p;
    PageOutput& output = p.mainWindow().pageOutput();
    if (paper >= 0) {
        PrintDestination file;
        file.kind = PrintDestination::Kind::File;
        file.file = p.folder.file("Конверты.pdf");
        file.paper = QPageSize(QPageSize::PageSizeId(paper));
        output.setDestination(file);
    }
    IniFile& ini = p.program->windows().profileStore->ini();
    ini.writeString("option", "printdelay", "0");
    ini.writeString("Конверт C6", "indexswitch", "1");
    ini.writeString("Конверт C6", "komu", "0");
    struct Pages : PageTarget {
        QList<QImage> images;
        QList<PagePlacement> placements;
        void printDocument(const Envelope& envelope, const PagePlacement& placement,
                           const PageRequest&) override {
            images.append(captureEnvelope(envelope));
            placements.append(placement);
        }
    } pages;
    p.mainWindow().pageOutput().setTarget(&pages);
    recipientList(p.mainWindow())->setCurrentRow(5);
    p.mainWindow().records().showSelectedRecords();
    p.program->windows().profileStore->load(profile);
    const QStringList items = printList(*p.v)->Items();
    for (int i = 0; i < items.size(); ++i)
        printList(*p.v)->SetChecked(i, items[i] == profile);
    p.preview->compose();
    const QImage preview = p.preview->capture();

    // The shipped C6 layout cuts the sample's «Куда» line: the run asks before it prints.
    if (!envelopeMisfits(p.preview->envelope()).empty())
        p.messages.answer(true);
    control<QToolButton>(p.mainWindow(), "ToolButton1")->click();
    p.mainWindow().pageOutput().setTarget(nullptr);
    QCOMPARE(pages.images.size(), 1);
    QCOMPARE(pages.images.first(), preview);
    // On an envelope's own paper the page shows the preview's surface at its own size, from
    // the printable corner (the shipped profiles shift nothing).
    if (paper >= 0) {
        const PagePlacement& at = pages.placements.first();
        const PrinterMetrics& m = output.metrics();
        QCOMPARE(at.pageScale, 1.0);
        QCOMPARE(QPoint(int(at.x), int(at.y)), QPoint(0, 0));
        QVERIFY(qAbs(at.width / m.prnScaleX - preview.width()) < 1);
        QVERIFY(qAbs(at.height / m.prnScaleY - preview.height()) < 1);
    }
    p.verifyNothingUnexpected();
}

void CompositionTest::greenIsSeeThroughOnScreenOnly() {
    Preview p;
    p.setTexts({});
    control<QPlainTextEdit>(p.mainWindow(), "komy")->setPlainText(QStringLiteral("ЖЖЖЖ"));
    p.setBigBlock(7, QColor(0, 128, 0));
    p.preview->show();
    QCOMPARE(p.preview->size(), surface(*p.v)->size());
    const QImage image = p.preview->capture();
    const QRegion shown = p.preview->mask();
    int green = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool isGreen = image.pixel(x, y) == qRgb(0, 128, 0);
            green += isGreen;
            QVERIFY(shown.contains(QPoint(x, y)) != isGreen);
        }
    }
    QVERIFY(green > 100);
    QTest::keyClick(p.preview, Qt::Key_Escape);
    QVERIFY(!p.preview->isVisible());
}

void CompositionTest::stepping_data() {
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("keys"); // R right, L left
    QTest::addColumn<bool>("renamed"); // the name in the editor edited and not saved
    QTest::addColumn<int>("expected");
    QTest::newRow("right skips unticked") << QList<int>{3, 5} << 1 << "R" << false << 3;
    QTest::newRow("right twice") << QList<int>{3, 5} << 1 << "RR" << false << 5;
    QTest::newRow("left skips unticked") << QList<int>{0, 2} << 4 << "L" << false << 2;
    QTest::newRow("none ticked after") << QList<int>{0, 1} << 3 << "R" << false << 3;
    QTest::newRow("none ticked before") << QList<int>{5} << 3 << "L" << false << 3;
    QTest::newRow("last selected") << QList<int>{0, 2} << 6 << "R" << false << 6;
    QTest::newRow("first selected") << QList<int>{3} << 0 << "L" << false << 0;
    QTest::newRow("unknown name starts from the selection")
        << QList<int>{1, 4} << 2 << "R" << true << 4;
}

void CompositionTest::stepping() {
    QFETCH(QList<int>, ticked);
    QFETCH(int, start);
    QFETCH(QString, keys);
    QFETCH(bool, renamed);
    QFETCH(int, expected);
    Preview p;
    CheckList& cb = *recipientList(p.mainWindow());
    QCOMPARE(cb.count(), 7);
    for (int row : ticked)
        cb.lines().setChecked(row, true);
    cb.setCurrentRow(start);
    p.mainWindow().records().showSelectedRecords();
    p.preview->show();
    const QString composed = p.text(7);
    if (renamed) {
        nameField(p.mainWindow())->setText(QStringLiteral("Новое имя"));
        p.messages.answer(false); // do not save the edit
    }
    for (QChar key : keys)
        QTest::keyClick(p.preview, key == QLatin1Char('R') ? Qt::Key_Right : Qt::Key_Left);
    QCOMPARE(cb.currentRow(), expected);
    QCOMPARE(nameField(p.mainWindow())->text(), cb.text(expected));
    // Stepping loads the record; the surface changes at the next composition.
    QCOMPARE(p.text(7), composed);
    p.verifyNothingUnexpected();
}

void CompositionTest::linesThatDoNotFitAreMarkedOnScreen_data() {
    QTest::addColumn<QString>("kyda");
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("notice");
    const QString overlong = QStringLiteral("ул. Маршала Баграмяна, д. 125, корп. 3, кв. 478, "
                                            "подъезд 4, этаж 12, код домофона 478");
    QTest::newRow("an overlong line")
        << overlong + "\nг. Москва" << 9
        << "Не помещается: «Куда», строка 1 обрезана: «" + overlong + "»";
    QTest::newRow("a fourth line") << "ул. 2\nкв. 5\nг. Москва\nРоссия" << 11
                                   << "Не помещается: «Куда», строка 4 не печатается: «Россия»";
    QTest::newRow("lines that fit") << "ул. 2\nкв. 5\nг. Москва" << 0 << QString();
}

// The preview and the editor mark what does not fit and name it in the tooltip of the
// preview and of the block; the capture, as printed, has no mark.
void CompositionTest::linesThatDoNotFitAreMarkedOnScreen() {
    QFETCH(QString, kyda);
    QFETCH(int, block);
    QFETCH(QString, notice);
    Preview p;
    p.setTexts({"Ромашка", "ул. 1", "123456", "Иванову", kyda, "654321"});
    p.preview->compose();
    p.v->canvas().showTexts();
    QCOMPARE(p.preview->toolTip(), notice);
    QCOMPARE(int(p.preview->misfits().size()), block ? 1 : 0);
    QCOMPARE(p.v->canvas().misfits(), p.preview->misfits());
    for (int n = 1; n <= blockCount; ++n)
        QCOMPARE(control<QWidget>(*p.v, qPrintable("Label" + QString::number(n)))->toolTip(),
                 n == block ? notice : QString());
    // The marks' red is on screen only.
    auto reds = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == qRgb(220, 0, 0);
        return count;
    };
    QCOMPARE(reds(p.preview->capture()), 0);
    QCOMPARE(reds(p.preview->grab().toImage().convertToFormat(QImage::Format_RGB32)) > 0,
             block != 0);
    QCOMPARE(reds(surface(*p.v)->grab().toImage().convertToFormat(QImage::Format_RGB32)) > 0,
             block != 0);
    p.verifyNothingUnexpected();
}

QTEST_MAIN(CompositionTest)
#include "tst_composition.moc"
