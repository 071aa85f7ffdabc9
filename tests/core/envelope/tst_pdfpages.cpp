#include "ErrorOf.h"
#include "Tools.h"

#include "core/UserError.h"
#include "core/envelope/PdfPages.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <unistd.h>

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

// Every file in the folder, hidden ones too.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The file a descriptor is open on.
QString openFile(int fd) {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class PdfPagesTest : public QObject {
    Q_OBJECT

private slots:
    void everyPageInAFileOfItsOwnInOrder_data();
    void everyPageInAFileOfItsOwnInOrder();
    void oneFileHoldsTheRunInOrder_data();
    void oneFileHoldsTheRunInOrder();
    void aPageThatFailsToDrawIsNoFileWritten_data();
    void aPageThatFailsToDrawIsNoFileWritten();
    void aFileThatCannotBeMadeStopsTheRun();
    void aFileThatCannotBeWrittenStopsTheRun_data();
    void aFileThatCannotBeWrittenStopsTheRun();
    void namesTakenAreNeverReplaced();
    void temporariesOfRunsThatEndedAreRemoved();
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

void PdfPagesTest::aPageThatFailsToDrawIsNoFileWritten_data() {
    QTest::addColumn<bool>("oneFile");
    QTest::newRow("a file per page") << false;
    QTest::newRow("the one file") << true;
}

// The pages around it are written and counted; the page that failed counts for nothing.
void PdfPagesTest::aPageThatFailsToDrawIsNoFileWritten() {
    QFETCH(bool, oneFile);
    QTemporaryDir dir;
    auto output = oneFile ? PdfPages::oneFile(dir.filePath("Конверты.pdf"), a6())
                          : PdfPages::filePerPage(a6());
    auto add = [&](int n, const std::function<void(QPainter&)>& paint) {
        if (oneFile)
            output->addPage(paint);
        else
            output->addPage(paint, fileOf(dir, n), QString::number(n));
    };
    add(1, pageText(1));
    const QString error = errorOf([&] {
        add(2, [](QPainter&) { throw UserError(QStringLiteral("Страница не нарисована.")); });
    });
    QCOMPARE(error, QStringLiteral("Страница не нарисована."));
    add(3, pageText(3));
    output->finish();
    QVERIFY(!output->stopped());
    QCOMPARE(output->pagesWritten(), 2);
    if (!oneFile)
        QCOMPARE(entries(dir.path()), (QStringList{"конверт 1.pdf", "конверт 3.pdf"}));
}

void PdfPagesTest::aFileThatCannotBeMadeStopsTheRun() {
    QTemporaryDir dir;
    auto output = PdfPages::filePerPage(a6());
    const QString missing = dir.filePath("нет такой папки/конверт 2.pdf");
    output->addPage(pageText(1), fileOf(dir, 1), "1");
    const QString error = errorOf([&] { output->addPage(pageText(2), missing, "2"); });
    QCOMPARE(error,
             QStringLiteral(
                 "Не удалось создать файл «%1»: такого файла или папки нет. Печать остановлена; в "
                 "папке «%2» готовых файлов с конвертами: 1.")
                 .arg(QDir::toNativeSeparators(missing),
                      QDir::toNativeSeparators(dir.filePath("нет такой папки"))));
    // The page before is in its file; nothing more is written.
    QVERIFY(output->stopped());
    QCOMPARE(output->pagesWritten(), 1);
    QCOMPARE(pageCount(fileOf(dir, 1)), 1);
    QCOMPARE(errorOf([&] { output->addPage(pageText(3), fileOf(dir, 3), "3"); }), error);
    output->finish();
    QCOMPARE(entries(dir.path()), QStringList{"конверт 1.pdf"});
}

// The files are written through a function that fails as a full disk (or another fault)
// makes ::write fail, at the file of page `failAt`; `shortWrites` first writes half.
void PdfPagesTest::aFileThatCannotBeWrittenStopsTheRun_data() {
    QTest::addColumn<int>("failAt");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("shortWrites");
    QTest::addColumn<QString>("reason");
    const QString full = QStringLiteral("нет места на диске");
    QTest::newRow("disk full at the first file") << 1 << ENOSPC << false << full;
    QTest::newRow("disk full after part of a file") << 5 << ENOSPC << true << full;
    QTest::newRow("disk full in the second batch")
        << PdfPages::batchPages + 3 << ENOSPC << false << full;
    QTest::newRow("disk full at the last page")
        << 2 * PdfPages::batchPages + 5 << ENOSPC << true << full;
    QTest::newRow("quota") << 2 << EDQUOT << false
                           << QStringLiteral("нет места: исчерпана дисковая квота");
    QTest::newRow("input/output error")
        << 3 << EIO << false
        << QStringLiteral("ошибка ввода-вывода: диск или устройство неисправны");
    QTest::newRow("file size limit")
        << 3 << EFBIG << false << QStringLiteral("файл больше, чем разрешено системой");
    QTest::newRow("an error without a name of its own")
        << 3 << EXDEV << false << QStringLiteral("система отказала (код ошибки %1)").arg(EXDEV);
}

void PdfPagesTest::aFileThatCannotBeWrittenStopsTheRun() {
    QFETCH(int, failAt);
    QFETCH(int, error);
    QFETCH(bool, shortWrites);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    PdfPages::Setup setup = a6();
    const QString failing = QFileInfo(fileOf(dir, failAt)).fileName();
    setup.write = [&](int fd, const char* data, qint64 size) -> qint64 {
        if (!openFile(fd).contains(failing))
            return ::write(fd, data, size_t(size));
        if (shortWrites && size > 1)
            return ::write(fd, data, size_t(size / 2));
        errno = error;
        return -1;
    };
    const int pages = 2 * PdfPages::batchPages + 5;
    auto output = PdfPages::filePerPage(setup);
    QString message;
    for (int n = 1; n <= pages && message.isEmpty(); ++n)
        message =
            errorOf([&] { output->addPage(pageText(n), fileOf(dir, n), QString::number(n)); });
    if (message.isEmpty())
        message = errorOf([&] { output->finish(); });
    QCOMPARE(message, QStringLiteral("Не удалось записать файл «%1»: %2. Печать остановлена; в "
                                     "папке «%3» готовых файлов с конвертами: %4.")
                          .arg(QDir::toNativeSeparators(fileOf(dir, failAt)), reason,
                               QDir::toNativeSeparators(dir.path()))
                          .arg(failAt - 1));
    // The run stopped: no page is added after it, and nothing more is reported.
    QVERIFY(output->stopped());
    QVERIFY(!errorOf([&] { output->addPage(pageText(0), fileOf(dir, 0), "0"); }).isEmpty());
    QCOMPARE(errorOf([&] { output->finish(); }), QString());
    // Only complete files are counted and left, the pages before the one that failed.
    QCOMPARE(output->pagesWritten(), failAt - 1);
    QStringList expected;
    for (int n = 1; n < failAt; ++n)
        expected.append(QFileInfo(fileOf(dir, n)).fileName());
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
    for (int n = 1; n < failAt; ++n)
        QVERIFY2(isCompletePdf(fileOf(dir, n)), qPrintable(fileOf(dir, n)));
}

// A name whose file exists, or that another run has taken, is not taken again; the files of
// both runs are complete.
void PdfPagesTest::namesTakenAreNeverReplaced() {
    QTemporaryDir dir;
    QFile earlier(fileOf(dir, 1));
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    earlier.close();
    auto first = PdfPages::filePerPage(a6());
    auto second = PdfPages::filePerPage(a6());
    QVERIFY(!first->reserve(fileOf(dir, 1)));
    QVERIFY(first->reserve(fileOf(dir, 2)));
    // The second run's first name in the folder leaves the first run's temporary alone.
    QVERIFY(second->reserve(fileOf(dir, 3)));
    QVERIFY(!second->reserve(fileOf(dir, 2)));
    QVERIFY(!second->reserve(fileOf(dir, 1)));
    QCOMPARE(errorOf([&] { second->addPage(pageText(1), fileOf(dir, 1), "1"); }),
             QStringLiteral("Файл «%1» уже есть.").arg(QDir::toNativeSeparators(fileOf(dir, 1))));
    QVERIFY(!second->stopped());
    first->addPage(pageText(2), fileOf(dir, 2), "2");
    second->addPage(pageText(3), fileOf(dir, 3), "3");
    first->finish();
    second->finish();
    QCOMPARE(first->pagesWritten(), 1);
    QCOMPARE(second->pagesWritten(), 1);
    QCOMPARE(contents(fileOf(dir, 1)), QByteArray("earlier"));
    QCOMPARE(pageCount(fileOf(dir, 2)), 1);
    QCOMPARE(pageCount(fileOf(dir, 3)), 1);
    QCOMPARE(entries(dir.path()), (QStringList{"конверт 1.pdf", "конверт 2.pdf", "конверт 3.pdf"}));
}

// A run that was killed leaves its temporaries; the next run into the folder removes them,
// though not those of a run still under way, nor anybody else's files.
void PdfPagesTest::temporariesOfRunsThatEndedAreRemoved() {
    QTemporaryDir dir;
    const QStringList others{".заметки.pdf", "конверт 8.pdf.envalo-part", ".конверт 9.pdf.part"};
    for (const QString& name : others)
        QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
    QFile stale(dir.filePath(".конверт 1.pdf.envalo-part"));
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("%PDF-1.4 half") == 13);
    stale.close();
    auto running = PdfPages::filePerPage(a6());
    QVERIFY(running->reserve(fileOf(dir, 2)));
    QVERIFY(!QFile::exists(stale.fileName()));
    const QStringList before = entries(dir.path());
    QVERIFY2(before.contains(".конверт 2.pdf.envalo-part"), qPrintable(before.join(", ")));

    auto next = PdfPages::filePerPage(a6());
    next->addPage(pageText(1), fileOf(dir, 1), "1");
    next->finish();
    QCOMPARE(pageCount(fileOf(dir, 1)), 1);
    running->addPage(pageText(2), fileOf(dir, 2), "2");
    running->finish();
    QCOMPARE(running->pagesWritten(), 1);
    QStringList expected = others + QStringList{"конверт 1.pdf", "конверт 2.pdf"};
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
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
