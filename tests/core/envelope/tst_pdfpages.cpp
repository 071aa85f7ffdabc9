#include "ErrorOf.h"
#include "Tools.h"

#include "core/envelope/PdfPages.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

int pageCount(const QString& pdf) {
    const auto match = QRegularExpression("Pages: +(\\d+)").match(runTool("pdfinfo", {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

PdfPages::Setup a6() {
    PdfPages::Setup setup;
    setup.layout = QPageLayout(QPageSize(QPageSize::A6), QPageLayout::Landscape, QMarginsF());
    setup.layout.setMode(QPageLayout::FullPageMode);
    setup.resolution = 300;
    setup.creator = QStringLiteral("Печать конвертов");
    return setup;
}

auto pageText(int n) {
    return [n](QPainter& painter) {
        painter.setFont(QFont(QStringLiteral("Liberation Sans"), 24));
        painter.drawText(QPoint(100, 200), QStringLiteral("Конверт %1").arg(n));
    };
}

QString fileOf(const QTemporaryDir& dir, int n) {
    return dir.filePath(QStringLiteral("конверт %1.pdf").arg(n));
}

} // namespace

class PdfPagesTest : public QObject {
    Q_OBJECT

private slots:
    void everyPageInAFileOfItsOwnInOrder_data();
    void everyPageInAFileOfItsOwnInOrder();
    void oneFileHoldsTheRunInOrder_data();
    void oneFileHoldsTheRunInOrder();
    void aFileThatCannotBeWrittenIsNamed();
    void cutFilesShowTheOneFilesPages();
};

void PdfPagesTest::everyPageInAFileOfItsOwnInOrder_data() {
    QTest::addColumn<int>("pages");
    QTest::newRow("one") << 1;
    // Across batches, so that one batch is cut while the next is drawn.
    QTest::newRow("three batches") << 2 * PdfPages::batchPages + 5;
}

void PdfPagesTest::everyPageInAFileOfItsOwnInOrder() {
    QFETCH(int, pages);
    QTemporaryDir dir;
    auto output = PdfPages::filePerPage(a6());
    for (int n = 1; n <= pages; ++n)
        output->addPage(pageText(n), fileOf(dir, n), QStringLiteral("Получатель %1 - DL").arg(n));
    output->finish();
    QCOMPARE(output->pagesWritten(), pages);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), pages);
    for (int n : {1, pages / 2 + 1, pages}) {
        QCOMPARE(pageCount(fileOf(dir, n)), 1);
        QCOMPARE(runTool("pdftotext", {fileOf(dir, n), "-"}).trimmed(),
                 QStringLiteral("Конверт %1").arg(n));
        QVERIFY(runTool("pdfinfo", {fileOf(dir, n)})
                    .contains(QStringLiteral("Получатель %1 - DL").arg(n)));
    }
}

void PdfPagesTest::oneFileHoldsTheRunInOrder_data() {
    QTest::addColumn<int>("pages");
    QTest::newRow("none: the file is left as it was") << 0;
    QTest::newRow("stopped after two") << 2;
    QTest::newRow("more than a batch") << PdfPages::batchPages + 1;
}

void PdfPagesTest::oneFileHoldsTheRunInOrder() {
    QFETCH(int, pages);
    QTemporaryDir dir;
    const QString file = dir.filePath("Конверты.pdf");
    QFile earlier(file);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    earlier.close();
    auto output = PdfPages::oneFile(file, a6());
    for (int n = 1; n <= pages; ++n) {
        output->addPage(pageText(n));
        // Before the run ends the earlier file stays.
        output->flush();
    }
    QCOMPARE(runTool("pdfinfo", {file}).isEmpty(), true);
    output->finish();
    QCOMPARE(output->pagesWritten(), pages);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    if (pages == 0) {
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        return;
    }
    QCOMPARE(pageCount(file), pages);
    const QString text = runTool("pdftotext", {file, "-"});
    QVERIFY(text.indexOf("Конверт 1\n") < text.indexOf(QStringLiteral("Конверт %1\n").arg(pages)) ||
            pages == 1);
}

void PdfPagesTest::aFileThatCannotBeWrittenIsNamed() {
    QTemporaryDir dir;
    auto output = PdfPages::filePerPage(a6());
    const QString missing = dir.filePath("нет такой папки/конверт 2.pdf");
    // Reserved as the page output reserves names: empty files made beforehand.
    for (int n : {1, 3})
        QVERIFY(QFile(fileOf(dir, n)).open(QIODevice::WriteOnly));
    output->addPage(pageText(1), fileOf(dir, 1), "1");
    output->addPage(pageText(2), missing, "2");
    output->addPage(pageText(3), fileOf(dir, 3), "3");
    const QString error = errorOf([&] { output->finish(); });
    QVERIFY2(
        error.startsWith(
            QStringLiteral("Не удалось записать файл «%1»").arg(QDir::toNativeSeparators(missing))),
        qPrintable(error));
    // The page before stays; the batch's unwritten files are gone.
    QCOMPARE(output->pagesWritten(), 1);
    QCOMPARE(pageCount(fileOf(dir, 1)), 1);
    QVERIFY(!QFile::exists(fileOf(dir, 3)));
}

// The files cut on the second thread, batch after batch, hold the pages of a run drawn
// straight into one file, in the same order.
void PdfPagesTest::cutFilesShowTheOneFilesPages() {
    QTemporaryDir dir;
    const int pages = PdfPages::batchPages + 2;
    const QString all = dir.filePath("all.pdf");
    auto one = PdfPages::oneFile(all, a6());
    auto cut = PdfPages::filePerPage(a6());
    for (int n = 1; n <= pages; ++n) {
        one->addPage(pageText(n));
        cut->addPage(pageText(n), fileOf(dir, n), QString::number(n));
    }
    one->finish();
    cut->finish();
    auto render = [&](const QString& pdf, int page, const QString& stem) {
        const QString n = QString::number(page);
        runTool("pdftoppm",
                {"-r", "30", "-f", n, "-l", n, "-png", "-singlefile", pdf, dir.filePath(stem)});
        return QImage(dir.filePath(stem + ".png"));
    };
    for (int n : {1, PdfPages::batchPages, pages}) {
        const QImage fromOne = render(all, n, "one");
        QVERIFY(!fromOne.isNull());
        QCOMPARE(render(fileOf(dir, n), 1, "cut"), fromOne);
    }
}

QTEST_MAIN(PdfPagesTest)

#include "tst_pdfpages.moc"
