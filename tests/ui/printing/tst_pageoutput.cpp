#include "Controls.h"
#include "FifoReader.h"
#include "ScriptedMessages.h"
#include "SpooledJobs.h"
#include "Tools.h"

#include "TestProgram.h"
#include "core/envelope/Envelope.h"
#include "core/run/PageOutput.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/ControlNames.h"
#include "ui/printing/PrinterDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtMath>

#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {

const ScreenConversions screen96;

// A DL surface (or one of the size given) framed by a picture, so that the ink spans the
// whole envelope, and a recipient name in a 40-pixel font.
Envelope framedEnvelope(QSize size = QSize(831, 416)) {
    Envelope envelope;
    envelope.size = size;
    QImage frame(envelope.size, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter(&frame).fillRect(frame.rect().adjusted(8, 8, -8, -8), Qt::white);
    envelope.pictures[1] = {frame, QPoint(0, 0), true};
    Envelope::Block& name = envelope.blocks[6];
    name.text = QStringLiteral("Иванов Иван");
    name.position = QPoint(300, 150);
    name.font = QFont(QStringLiteral("Liberation Sans"));
    name.font.setPixelSize(40);
    return envelope;
}

QImage renderPage(const QString& pdf, int dpi, const QString& scratch) {
    runTool("pdftoppm",
            {"-r", QString::number(dpi), "-png", "-singlefile", pdf, scratch + "/page"});
    return QImage(scratch + "/page.png");
}

QRect inkBox(const QImage& page) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Where the placement falls on the landscape paper rendered at dpi: drawing starts at
// the printable area, and only what lies on the paper shows.
QRect expectedOnPage(const PagePlacement& at, const PrinterMetrics& m, double dpi,
                     int resolution = 1200) {
    const double k = dpi / resolution;
    const QRectF device(m.prnOffsetX + at.x, m.prnOffsetY + at.y, at.width, at.height);
    const QRectF visible = device & QRectF(0, 0, m.prnHeight, m.prnWidth);
    return QRectF(visible.topLeft() * k, visible.size() * k).toRect();
}

// Every edge within two pixels of the rendering: a fraction of a millimetre, well under
// the 3.5 mm of Qt's default page margins.
void verifyNear(const QRect& ink, const QRect& expected) {
    constexpr int tolerance = 2;
    QString text;
    QDebug(&text) << "ink" << ink << "placement" << expected;
    QVERIFY2(qAbs(ink.left() - expected.left()) <= tolerance &&
                 qAbs(ink.top() - expected.top()) <= tolerance &&
                 qAbs(ink.right() - expected.right()) <= tolerance &&
                 qAbs(ink.bottom() - expected.bottom()) <= tolerance,
             qPrintable(text));
}

// A queue's unprintable edge on A4 paper as its PPD declares it, in points from the
// paper's left, top, right and bottom edges: the PPD's ImageableArea counts from the bottom
// left. Negative when the PPD does not say.
QMarginsF ppdEdge(const QString& ppd) {
    QFile file(ppd);
    if (!file.open(QIODevice::ReadOnly))
        return {-1, -1, -1, -1};
    const QString text = QString::fromLatin1(file.readAll());
    const QRegularExpression area(
        R"re(\*ImageableArea A4(?:/[^:]*)?:\s*"([\d.]+) ([\d.]+) ([\d.]+) ([\d.]+)")re");
    const QRegularExpression paper(R"re(\*PaperDimension A4(?:/[^:]*)?:\s*"([\d.]+) ([\d.]+)")re");
    const QRegularExpressionMatch a = area.match(text);
    const QRegularExpressionMatch p = paper.match(text);
    if (!a.hasMatch() || !p.hasMatch())
        return {-1, -1, -1, -1};
    return {a.captured(1).toDouble(), p.captured(2).toDouble() - a.captured(4).toDouble(),
            p.captured(1).toDouble() - a.captured(3).toDouble(), a.captured(2).toDouble()};
}

// A PostScript printer's PPD with A4 and envelope paper, the default one named, and no
// unprintable edge; the print tests send its jobs through the cups-pdf backend.
QByteArray envelopePaperPpd(const QString& defaultPaper) {
    struct Paper {
        const char* name;
        int width;
        int length;
    };
    const Paper papers[] = {
        {"A4", 595, 842}, {"EnvDL", 312, 624}, {"EnvC5", 459, 649}, {"EnvC6", 323, 459}};
    QByteArray sizes;
    QByteArray regions;
    QByteArray areas;
    QByteArray dimensions;
    for (const Paper& p : papers) {
        const QByteArray w = QByteArray::number(p.width);
        const QByteArray l = QByteArray::number(p.length);
        const QByteArray set =
            "\"<</PageSize[" + w + " " + l + "]/ImagingBBox null>>setpagedevice\"\n";
        sizes += "*PageSize " + QByteArray(p.name) + ": " + set;
        regions += "*PageRegion " + QByteArray(p.name) + ": " + set;
        areas += "*ImageableArea " + QByteArray(p.name) + ": \"0 0 " + w + " " + l + "\"\n";
        dimensions += "*PaperDimension " + QByteArray(p.name) + ": \"" + w + " " + l + "\"\n";
    }
    const QByteArray chosen = defaultPaper.toLatin1();
    return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
           "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n"
           "*PCFileName: \"ENVPAPER.PPD\"\n*Manufacturer: \"Envalo\"\n"
           "*Product: \"(Envalo Envelope Printer)\"\n*ModelName: \"Envalo Envelope Printer\"\n"
           "*ShortNickName: \"Envalo Envelope Printer\"\n*NickName: \"Envalo Envelope Printer\"\n"
           "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n"
           "*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
           "*LandscapeOrientation: Plus90\n*TTRasterizer: Type42\n"
           "*OpenUI *PageSize/Page Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
           "*DefaultPageSize: " +
           chosen + "\n" + sizes +
           "*CloseUI: *PageSize\n"
           "*OpenUI *PageRegion/Page Region: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
           "*DefaultPageRegion: " +
           chosen + "\n" + regions + "*CloseUI: *PageRegion\n*DefaultImageableArea: " + chosen +
           "\n" + areas + "*DefaultPaperDimension: " + chosen + "\n" + dimensions +
           "*OpenUI *Label/Label output files: PickOne\n*OrderDependency: 100 AnySetup *Label\n"
           "*DefaultLabel: 2\n*Label 2/Suffix all documents with job-id: \"\"\n"
           "*CloseUI: *Label\n*DefaultFont: Courier\n"
           "*Font Courier: Standard \"(002.004S)\" Standard ROM\n";
}

// What a machine without any print queue prints into.
PrintDestination noQueue() {
    return PrintDestination::intoFolder();
}

QStringList pdfFiles(const QString& folder) {
    return QDir(folder).entryList({"*.pdf"}, QDir::Files, QDir::Name);
}

} // namespace

class PageOutputTest : public QObject {
    Q_OBJECT

private slots:
    void envelopeLandsWhereTheGeometrySays_data();
    void envelopeLandsWhereTheGeometrySays();
    void withoutQueueEveryEnvelopeIsItsOwnFile();
    void filesGoToTheFolderGiven();
    void chosenFileTakesTheWholeRunAndIsRemeasured();
    void failuresAreReportedNotPrinted();
    void spoolerPrintsFromTheDeviceOffset_data();
    void spoolerPrintsFromTheDeviceOffset();
    void chosenFileWhereAFifoOrASocketIs();
    void aQueueThatRefusesOrIsMissingPrintsNothing();
    void printerSettingsSayWhereEnvelopesGo();
    void theQueuesDefaultPaperIsThePage_data();
    void theQueuesDefaultPaperIsThePage();
    void aFullQueueIsWaitedFor_data();
    void aFullQueueIsWaitedFor();
    void oneJobForTheWholeRun_data();
    void oneJobForTheWholeRun();
    void batchesReachTheQueueAsAJobPerEnvelope_data();
    void batchesReachTheQueueAsAJobPerEnvelope();
};

void PageOutputTest::envelopeLandsWhereTheGeometrySays_data() {
    QTest::addColumn<int>("listpos");
    QTest::addColumn<QString>("allx");
    QTest::addColumn<QString>("ally");
    QTest::newRow("top left: the paper's corner") << 0 << "0"
                                                  << "0";
    QTest::newRow("centred") << 4 << "0"
                             << "0";
    QTest::newRow("bottom right, shifted") << 8 << "10"
                                           << "-5";
    QTest::newRow("top left, pushed off the page") << 0 << "-60"
                                                   << "0";
}

void PageOutputTest::envelopeLandsWhereTheGeometrySays() {
    QFETCH(int, listpos);
    QFETCH(QString, allx);
    QFETCH(QString, ally);
    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.checkprinter(screen96);
    // An A4 PDF page at 1200 dpi, read upright before the turn to landscape; a PDF file
    // has no unprintable edge.
    const PrinterMetrics& m = output.metrics();
    QCOMPARE(m, (PrinterMetrics{12.5, 12.5, 0, 0, 9917, 14033}));
    QCOMPARE(output.pageLayout().orientation(), QPageLayout::Landscape);

    const Envelope envelope = framedEnvelope();
    QVERIFY(output.printone(envelope, {false, listpos, allx, ally, "Иванов", "DL"}));
    QVERIFY(messages.shown.isEmpty());
    const QStringList files = pdfFiles(dir.filePath("PDF"));
    QCOMPARE(files.size(), 1);
    const QString pdf = dir.filePath("PDF/" + files[0]);
    const QImage page = renderPage(pdf, 60, dir.path());
    QCOMPARE(page.size(), QSize(702, 496));
    const PagePlacement at = placeEnvelope(envelope.size, m, false, listpos, allx, ally, screen96);
    verifyNear(inkBox(page), expectedOnPage(at, m, 60));

    // Real text scaled with the envelope: the name starts where its block does and is as
    // tall as its 40-pixel font at the envelope's scale (unscaled it would be 12 times less).
    const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">Иванов<)re");
    const QRegularExpressionMatch found = word.match(runTool("pdftotext", {"-bbox", pdf, "-"}));
    QVERIFY(found.hasMatch());
    const double pointsPerDot = 72.0 / 1200;
    const double scale = double(at.height) / envelope.size.height();
    const double left = (m.prnOffsetX + at.x + 300 * scale) * pointsPerDot;
    QVERIFY(qAbs(found.captured(1).toDouble() - left) < 8.42);
    const double height = found.captured(3).toDouble() - found.captured(2).toDouble();
    const double font = 40 * scale * pointsPerDot;
    QVERIFY2(height > 0.8 * font && height < 1.5 * font, qPrintable(QString::number(height)));
}

void PageOutputTest::withoutQueueEveryEnvelopeIsItsOwnFile() {
    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.checkprinter(screen96);
    QVERIFY(output.printsToFiles());
    QVERIFY(messages.shown.isEmpty());

    // A file already there keeps its content; characters a file name cannot hold are replaced.
    QVERIFY(QDir(dir.path()).mkdir("PDF"));
    QFile existing(dir.filePath("PDF/Петров П. - DL - 1.pdf"));
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("kept") == 4);
    existing.close();
    const Envelope envelope = framedEnvelope();
    const PageRequest petrov{false, 4, "0", "0", "Петров П.", "DL"};
    QVERIFY(output.printone(envelope, petrov));
    QVERIFY(output.printone(envelope, petrov));
    const QString awkward = "ООО \"Рога/Копыта\"\n: склад*";
    QVERIFY(output.printone(envelope, {false, 4, "0", "0", awkward, "<C6>"}));

    QCOMPARE(output.filesWritten(), 3);
    const QStringList files = pdfFiles(dir.filePath("PDF"));
    QCOMPARE(files,
             QStringList({"ООО _Рога_Копыта_ _ склад_ - _C6_ - 4.pdf", "Петров П. - DL - 1.pdf",
                          "Петров П. - DL - 2.pdf", "Петров П. - DL - 3.pdf"}));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("kept"));
    QVERIFY(output.filesNotice().contains(": 3."));
    QVERIFY(output.filesNotice().contains(QDir::toNativeSeparators(dir.filePath("PDF"))));
    QVERIFY(runTool("pdftotext", {dir.filePath("PDF/" + files[2]), "-"}).contains("Иванов Иван"));
}

void PageOutputTest::filesGoToTheFolderGiven() {
    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.setFilesFolder(dir.filePath("out/конверты"));
    output.checkprinter(screen96);
    QVERIFY(messages.shown.isEmpty());
    QVERIFY(output.printone(framedEnvelope(), {false, 4, "0", "0", "Петров П.", "DL"}));
    QCOMPARE(pdfFiles(dir.filePath("out/конверты")), QStringList{"Петров П. - DL - 1.pdf"});
    QVERIFY(!QFileInfo::exists(dir.filePath("PDF")));
    QVERIFY(output.filesNotice().contains(QDir::toNativeSeparators(dir.filePath("out/конверты"))));
}

void PageOutputTest::chosenFileTakesTheWholeRunAndIsRemeasured() {
    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.checkprinter(screen96);
    QVERIFY(QDir().mkpath(dir.filePath("out")));
    messages.onPrinterDialog([](QPrinter&) { return false; });
    messages.onPrinterDialog([&](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::A5));
        printer.setOutputFileName(dir.filePath("out/Конверты.pdf"));
        return true;
    });
    choosePrinter(messages, output);
    QCOMPARE(output.metrics().prnWidth, 9917);
    choosePrinter(messages, output);
    // A5 upright: 420 x 595 points at 1200 dpi.
    QCOMPARE(output.metrics(), (PrinterMetrics{12.5, 12.5, 0, 0, 7000, 9917}));

    // A run goes into the chosen file, a page per envelope in print order; the file is
    // there, complete, once the run ends, however early it ends.
    Envelope second = framedEnvelope();
    second.blocks[6].text = QStringLiteral("Петров Пётр");
    {
        PageOutput::Run run(output);
        QVERIFY(output.printone(framedEnvelope(), {true, 0, "0", "0", "Иванов", "C5"}));
        QVERIFY(output.printone(second, {true, 0, "0", "0", "Петров", "C5"}));
        QVERIFY(pdfFiles(dir.filePath("out")).isEmpty());
    }
    QCOMPARE(pdfFiles(dir.filePath("out")), QStringList({"Конверты.pdf"}));
    const QString file = dir.filePath("out/Конверты.pdf");
    QVERIFY(runTool("pdfinfo", {file}).contains(QRegularExpression("Pages: +2\\n")));
    const QString text = runTool("pdftotext", {file, "-"});
    QVERIFY2(text.indexOf("Иванов Иван") >= 0 &&
                 text.indexOf("Иванов Иван") < text.indexOf("Петров Пётр"),
             qPrintable(text));
    QCOMPARE(output.filesWritten(), 2);
    QVERIFY(output.filesNotice().contains(QDir::toNativeSeparators(file)));
    QVERIFY(messages.leftOver().isEmpty());
}

void PageOutputTest::failuresAreReportedNotPrinted() {
    QTemporaryDir dir;
    ScriptedMessages messages;
    // The folder for the files cannot be made: nowhere to print at all.
    QFile blocker(dir.filePath("PDF"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.checkprinter(screen96);
    const QString impossible = QStringLiteral("Печать невозможна.\r\n");
    QCOMPARE(messages.texts("notice").size(), 1);
    const QString notice = messages.texts("notice")[0];
    QVERIFY2(notice.startsWith(impossible) && notice.contains("не является папкой"),
             qPrintable(notice));
    QVERIFY(!output.printone(framedEnvelope(), {}));
    QVERIFY(!output.printone(framedEnvelope(), {}));
    const QString reason = notice.mid(impossible.size());
    QCOMPARE(messages.texts("notice").mid(1), QStringList({reason, reason}));

    // A chosen file that cannot be written: reported, nothing counted, the run goes on.
    messages.reset();
    messages.onPrinterDialog([&](QPrinter& printer) {
        printer.setOutputFileName(dir.filePath("PDF/inside-a-file.pdf"));
        return true;
    });
    choosePrinter(messages, output);
    QVERIFY(messages.texts("notice").isEmpty());
    QVERIFY(!output.printone(framedEnvelope(), {}));
    const QString folder = QDir::toNativeSeparators(dir.filePath("PDF"));
    QVERIFY(messages.texts("notice").value(0).contains(folder));
    // A bad shift fails the page before any document is begun.
    QVERIFY(!output.printone(framedEnvelope(), {false, 0, "1.5", "0", "Иванов", "DL"}));
    QVERIFY(!messages.texts("notice").isEmpty());
    QCOMPARE(messages.texts("notice").last(), "«1.5» не является целым числом.");
    QCOMPARE(output.filesWritten(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void PageOutputTest::spoolerPrintsFromTheDeviceOffset_data() {
    QTest::addColumn<QString>("queue");
    QTest::addColumn<bool>("edge");
    // The PPD's *LandscapeOrientation: the spooler turns the landscape page a quarter to
    // the left (Plus90) or to the right (Minus90) onto the upright paper.
    QTest::addColumn<bool>("turnedRight");
    QTest::newRow("cups-pdf: no unprintable edge") << "PDF" << false << false;
    QTest::newRow("uneven edge, Plus90") << "PDFMARGINS" << true << false;
    QTest::newRow("uneven edge, Minus90") << "PDFMARGINS" << true << true;
}

void PageOutputTest::spoolerPrintsFromTheDeviceOffset() {
    QFETCH(QString, queue);
    QFETCH(bool, edge);
    QFETCH(bool, turnedRight);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    // The spooler keeps each queue's PPD in its own folder, beside its socket.
    const QString ppd =
        QFileInfo(qEnvironmentVariable("CUPS_SERVER")).absolutePath() + "/ppd/" + queue + ".ppd";
    const QMarginsF points = ppdEdge(ppd);
    QVERIFY2(points.left() >= 0, qPrintable("no A4 ImageableArea in " + ppd));
    QCOMPARE(points.left() > 0 && points.top() > 0 && points.bottom() > points.left(), edge);

    QTemporaryDir dir;
    std::optional<QScopeGuard<std::function<void()>>> removed;
    if (turnedRight) {
        // The same printer, its PPD saying Minus90.
        QFile file(ppd);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        QVERIFY(text.contains("*LandscapeOrientation: Plus90"));
        text.replace("*LandscapeOrientation: Plus90", "*LandscapeOrientation: Minus90");
        QFile turned(dir.path() + "/minus90.ppd");
        QVERIFY(turned.open(QIODevice::WriteOnly));
        turned.write(text);
        turned.close();
        queue = QStringLiteral("MINUS90%1").arg(QCoreApplication::applicationPid());
        runTool("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-P", turned.fileName()});
        removed.emplace(std::function<void()>([queue] { runTool("lpadmin", {"-x", queue}); }));
    }

    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(queue));
    output.checkprinter(screen96);
    QVERIFY2(!output.printsToFiles(), qPrintable("no queue " + queue));
    const PrinterMetrics& m = output.metrics();
    const double dotsPerPoint = output.resolution() / 72.0;
    // The landscape page's printable corner: its left edge is the paper's bottom and its top
    // the paper's left, turned to the left; the paper's top and right, turned to the right.
    QCOMPARE(m.prnOffsetX, qRound((turnedRight ? points.top() : points.bottom()) * dotsPerPoint));
    QCOMPARE(m.prnOffsetY, qRound((turnedRight ? points.right() : points.left()) * dotsPerPoint));

    // The top-left position puts the envelope's corner on the printable area's corner.
    SpooledJobs jobs(1);
    const Envelope envelope = framedEnvelope();
    QVERIFY(output.printone(envelope, {false, 0, "0", "0", jobs.token(), "DL"}));
    QVERIFY(messages.shown.isEmpty());
    const QMap<int, QString> done = jobs.waitForAll();
    QCOMPARE(done.size(), 1);
    // The spooler's number of the job is known to the output.
    QCOMPARE(output.lastJob(), done.firstKey());

    constexpr int dpi = 100;
    const QImage page = renderPage(done.first(), dpi, dir.path());
    const int resolution = output.resolution();
    const QRect drawn = expectedOnPage(
        placeEnvelope(envelope.size, m, false, 0, "0", "0", screen96), m, dpi, resolution);
    // Upright A4, whole: the renderer rounds a part pixel up.
    QCOMPARE(page.size(), QSize(qCeil(m.prnWidth * double(dpi) / resolution),
                                qCeil(m.prnHeight * double(dpi) / resolution)));
    const QRect ink = inkBox(page);
    const int paperWidth = page.width();
    const int paperLength = page.height();
    // The landscape drawing arrives turned a quarter to the left or right on upright paper.
    verifyNear(ink, turnedRight ? QRect(paperWidth - drawn.bottom() - 1, drawn.left(),
                                        drawn.height(), drawn.width())
                                : QRect(drawn.top(), paperLength - drawn.right() - 1,
                                        drawn.height(), drawn.width()));
    // Its corner on the printable area's corner of the upright paper.
    const double pixelsPerPoint = dpi / 72.0;
    QString text;
    QDebug(&text) << "ink" << ink << "edge" << points << "pt";
    if (turnedRight)
        QVERIFY2(qAbs(ink.right() + 1 - (paperWidth - points.right() * pixelsPerPoint)) <= 2 &&
                     qAbs(ink.top() - points.top() * pixelsPerPoint) <= 2,
                 qPrintable(text));
    else
        QVERIFY2(qAbs(ink.left() - points.left() * pixelsPerPoint) <= 2 &&
                     qAbs(ink.bottom() + 1 - (paperLength - points.bottom() * pixelsPerPoint)) <= 2,
                 qPrintable(text));
}

// The file chosen in the printer dialog follows the rule of every output file: a FIFO there
// is written into and stays a FIFO; a socket is refused, named, for every envelope.
void PageOutputTest::chosenFileWhereAFifoOrASocketIs() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("канал.pdf");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString socketPath = dir.filePath("сокет.pdf");
    QVERIFY(makeSocket(socketPath));

    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', noQueue());
    output.checkprinter(screen96);
    messages.onPrinterDialog([&](QPrinter& printer) {
        printer.setOutputFileName(fifo);
        return true;
    });
    choosePrinter(messages, output);
    FifoReader reader(fifo);
    QVERIFY(reader.isOpen());
    {
        PageOutput::Run run(output);
        QVERIFY(output.printone(framedEnvelope(), {true, 0, "0", "0", "Иванов", "C5"}));
    }
    const QByteArray pdf = reader.finish();
    QVERIFY2(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF"), pdf.left(40).constData());
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QCOMPARE(output.filesWritten(), 1);

    messages.reset();
    messages.onPrinterDialog([&](QPrinter& printer) {
        printer.setOutputFileName(socketPath);
        return true;
    });
    choosePrinter(messages, output);
    QVERIFY(!output.printone(framedEnvelope(), {true, 0, "0", "0", "Иванов", "C5"}));
    QCOMPARE(messages.texts("notice"),
             QStringList{QStringLiteral("Нельзя записать файл «%1»: на его месте сокет. Программа "
                                        "пишет в обычный файл, в устройство вроде /dev/stdout "
                                        "или в именованный канал.")
                             .arg(socketPath)});
    QVERIFY(!QFileInfo(socketPath).isFile());
}

// A job the queue does not accept is no envelope printed, and the user is told which queue
// refused it; a queue that is not there is said at measuring.
void PageOutputTest::aQueueThatRefusesOrIsMissingPrintsNothing() {
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    const QString queue = QStringLiteral("REFUSING%1").arg(QCoreApplication::applicationPid());
    runTool("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-P",
                        "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"});
    const auto removed = qScopeGuard([&] { runTool("lpadmin", {"-x", queue}); });
    runTool("cupsreject", {queue});

    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(queue));
    output.checkprinter(screen96);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    QVERIFY(!output.printsToFiles());
    QVERIFY(!output.printone(framedEnvelope(), {false, 0, "0", "0", "Иванов", "DL"}));
    QCOMPARE(messages.texts("notice"),
             QStringList{QStringLiteral("Принтер «%1» не принял документ.").arg(queue)});

    messages.reset();
    PageOutput missing(messages, dir.path() + '/', PrintDestination::toQueue("НЕТ ТАКОЙ"));
    missing.checkprinter(screen96);
    QCOMPARE(messages.texts("notice"),
             QStringList{"Печать невозможна.\r\nОчередь печати «НЕТ ТАКОЙ» не найдена."});
    QVERIFY(!missing.printone(framedEnvelope(), {false, 0, "0", "0", "Иванов", "DL"}));
}

// «Настройки принтера» is a settings dialog, and a PDF file chosen there as where the
// envelopes go is said in the main window until another destination is chosen.
void PageOutputTest::printerSettingsSayWhereEnvelopesGo() {
    QPrinter printer;
    QPrintDialog dialog(&printer);
    presentAsPrinterSettings(dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Настройки принтера"));
    QStringList buttons;
    for (const QDialogButtonBox* box : dialog.findChildren<QDialogButtonBox*>())
        for (const QAbstractButton* button : box->buttons())
            buttons.append(button->text());
    QVERIFY2(buttons.contains("Сохранить"), qPrintable(buttons.join('|')));
    for (const QString& text : buttons)
        QVERIFY2(!text.contains("Печать") && !text.contains("Print"), qPrintable(text));

    TestProgram t;
    t.startAsShipped();
    MainWindow& mainWindow = t.mainWindow();
    mainWindow.setPageOutput(
        std::make_unique<PageOutput>(t.messages, t.folder.appdir(), noQueue()));
    QAction* settings = control<QAction>(mainWindow, ControlNames::Main::printerSetupCommand);
    const QString file = t.folder.file("Конверты.pdf");
    t.messages.onPrinterDialog([&](QPrinter& chosen) {
        chosen.setOutputFileName(file);
        return true;
    });
    settings->trigger();
    QLabel* said = control<QLabel>(mainWindow, ControlNames::Main::destination);
    QVERIFY(mainWindow.statusBar()->isVisibleTo(&mainWindow));
    QCOMPARE(said->text(),
             QStringLiteral("Конверты печатаются в файл «%1»").arg(QDir::toNativeSeparators(file)));
    // Cancelled: nothing changes.
    t.messages.onPrinterDialog([](QPrinter&) { return false; });
    settings->trigger();
    QVERIFY(mainWindow.statusBar()->isVisibleTo(&mainWindow));
    // Back to where envelopes go without a file chosen: nothing more is said.
    t.messages.onPrinterDialog([](QPrinter& chosen) {
        chosen.setOutputFileName(QString());
        return true;
    });
    settings->trigger();
    QVERIFY(!mainWindow.statusBar()->isVisibleTo(&mainWindow));
    t.verifyNothingUnexpected();
}

// A queue prints on its default paper (its PPD's DefaultPageSize); on an envelope's own
// paper the envelope comes out 1:1 from the paper's corner, on A4 where the formulas put it.
void PageOutputTest::theQueuesDefaultPaperIsThePage_data() {
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QSizeF>("paperMm");
    QTest::addColumn<QSize>("surface");
    QTest::addColumn<bool>("fullSize");
    QTest::newRow("DL on DL paper") << "EnvDL" << QSizeF(110.07, 220.13) << QSize(831, 416) << true;
    QTest::newRow("C5 on C5 paper") << "EnvC5" << QSizeF(161.93, 228.95) << QSize(865, 612) << true;
    QTest::newRow("C6 on C6 paper") << "EnvC6" << QSizeF(113.95, 161.93) << QSize(612, 431) << true;
    QTest::newRow("DL on A4: as the formulas put it")
        << "A4" << QSizeF(209.90, 297.04) << QSize(831, 416) << false;
}

void PageOutputTest::theQueuesDefaultPaperIsThePage() {
    QFETCH(QString, paper);
    QFETCH(QSizeF, paperMm);
    QFETCH(QSize, surface);
    QFETCH(bool, fullSize);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    QTemporaryDir dir;
    const QString ppd = dir.path() + "/envelopes.ppd";
    {
        QFile file(ppd);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(envelopePaperPpd(paper));
    }
    const QString queue =
        QStringLiteral("PAPER%1%2").arg(paper).arg(QCoreApplication::applicationPid());
    runTool("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-P", ppd});
    const auto removed = qScopeGuard([&] { runTool("lpadmin", {"-x", queue}); });

    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(queue));
    output.checkprinter(screen96);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    const QSizeF measured = output.pageLayout().pageSize().size(QPageSize::Millimeter);
    QVERIFY2(
        qAbs(measured.width() - paperMm.width()) < 1.5 &&
            qAbs(measured.height() - paperMm.height()) < 1.5,
        qPrintable(
            QStringLiteral("the page is %1 x %2 mm").arg(measured.width()).arg(measured.height())));

    SpooledJobs jobs(1);
    const Envelope envelope = framedEnvelope(surface);
    QVERIFY(output.printone(envelope, {false, 4, "0", "0", jobs.token(), paper}));
    QVERIFY(messages.shown.isEmpty());
    const QMap<int, QString> done = jobs.waitForAll();
    QCOMPARE(done.size(), 1);

    // The spooled page is the queue's paper, upright.
    constexpr int dpi = 100;
    const QImage page = renderPage(done.first(), dpi, dir.path());
    const double dotsPerMm = dpi / 25.4;
    QVERIFY2(qAbs(page.width() - paperMm.width() * dotsPerMm) <= 1 &&
                 qAbs(page.height() - paperMm.height() * dotsPerMm) <= 1,
             qPrintable(QStringLiteral("the spooled page is %1 x %2 pixels at %3 dpi")
                            .arg(page.width())
                            .arg(page.height())
                            .arg(dpi)));

    const PrinterMetrics& m = output.metrics();
    const int resolution = output.resolution();
    const QRect drawn = expectedOnPage(
        placeEnvelope(envelope.size, m, false, 4, "0", "0", screen96), m, dpi, resolution);
    const QRect ink = inkBox(page);
    // The landscape drawing arrives turned a quarter to the left on upright paper.
    verifyNear(
        ink, QRect(drawn.top(), page.height() - drawn.right() - 1, drawn.height(), drawn.width()));
    if (!fullSize)
        return;
    // 1:1: the ink is the envelope's own size (upright: its long side down the page), from
    // the paper's corner.
    const QSizeF envelopeMm(surface.height() * 25.4 / 96, surface.width() * 25.4 / 96);
    QString text;
    QDebug(&text) << "ink" << ink << "envelope" << envelopeMm << "mm";
    QVERIFY2(qAbs(ink.width() - envelopeMm.width() * dotsPerMm) <= 2 &&
                 qAbs(ink.height() - envelopeMm.height() * dotsPerMm) <= 2 && ink.left() <= 1 &&
                 qAbs(ink.bottom() - (page.height() - 1)) <= 1,
             qPrintable(text));
}

void PageOutputTest::aFullQueueIsWaitedFor_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("the printer goes on: every envelope is sent") << false;
    QTest::newRow("stopped while waiting: exactly the accepted ones are sent") << true;
}

// A paused queue (a slow printer) takes 20 jobs (the private spooler's MaxJobsPerPrinter)
// and refuses more: the run waits for it instead of losing envelopes. The test enables the
// queue from the wait itself, or stops the run there.
void PageOutputTest::aFullQueueIsWaitedFor() {
    QFETCH(bool, stop);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    const PausedQueue paused;
    const QString& queue = paused.name;
    constexpr int limit = 20;
    constexpr int envelopes = 50;

    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(queue));
    output.checkprinter(screen96);
    QVERIFY(!output.printsToFiles());
    QStringList waits;
    bool resumed = false;
    output.setQueueWait([&](const QString& full, int attempt) {
        waits.append(QStringLiteral("%1 %2").arg(full).arg(attempt));
        if (stop)
            return false;
        if (attempt == 0)
            resumed = resumeQueue(full);
        // The printer works the queue off meanwhile.
        QThread::msleep(50);
        return true;
    });
    int printed = 0;
    {
        PageOutput::Run run(output);
        for (int i = 0; i < envelopes && !output.runStopped(); ++i)
            printed +=
                output.printone(framedEnvelope(),
                                {false, 0, "0", "0", QStringLiteral("Получатель %1").arg(i), "DL"})
                    ? 1
                    : 0;
    }
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    QVERIFY(!waits.isEmpty());
    QCOMPARE(waits.first(), queue + " 0");
    if (stop) {
        QCOMPARE(printed, limit);
        QCOMPARE(output.jobsSent(), limit);
        QVERIFY(output.runStopped());
        const QStringList held = runTool("lpstat", {"-o", queue}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(held.size(), limit);
    } else {
        QVERIFY(resumed);
        QCOMPARE(printed, envelopes);
        QCOMPARE(output.jobsSent(), envelopes);
        QVERIFY(!output.runStopped());
    }
}

void PageOutputTest::oneJobForTheWholeRun_data() {
    QTest::addColumn<QString>("queue");
    QTest::newRow("one job, a page per envelope in print order") << "taken";
    QTest::newRow("refused: every envelope of it is not accepted") << "refusing";
    QTest::newRow("a full queue is waited for") << "full";
}

// A run as one job: the pages are drawn into a file and sent when the run ends; the queue's
// refusals and its job limit count for the job as for an envelope's own.
void PageOutputTest::oneJobForTheWholeRun() {
    QFETCH(QString, queue);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    std::optional<PausedQueue> paused;
    QString name = QStringLiteral("PDF");
    std::function<void()> removeQueue;
    if (queue == "refusing") {
        name = QStringLiteral("REFUSINGJOB%1").arg(QCoreApplication::applicationPid());
        runTool("lpadmin", {"-p", name, "-E", "-v", "cups-pdf:/", "-P",
                            "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"});
        runTool("cupsreject", {name});
        removeQueue = [name] { runTool("lpadmin", {"-x", name}); };
    } else if (queue == "full") {
        paused.emplace();
        name = paused->name;
    }
    const auto removed = qScopeGuard([&] {
        if (removeQueue)
            removeQueue();
    });

    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(name));
    output.checkprinter(screen96);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    QStringList waits;
    output.setQueueWait([&](const QString& full, int attempt) {
        waits.append(QStringLiteral("%1 %2").arg(full).arg(attempt));
        if (attempt == 0)
            resumeQueue(full);
        QThread::msleep(50);
        return true;
    });
    if (paused) {
        // The paused printer's queue holds as many jobs as it takes (MaxJobsPerPrinter).
        PageOutput::Run run(output);
        for (int i = 0; i < 20; ++i)
            QVERIFY(output.printone(framedEnvelope(), {false, 0, "0", "0", "Заполнение", "DL"}));
        QVERIFY(waits.isEmpty());
    }

    // Each envelope's ink is its own size, so that the pages tell their order.
    SpooledJobs jobs(1);
    constexpr int envelopes = 3;
    auto envelope = [](int index) {
        Envelope e;
        e.size = QSize(831, 416);
        QImage block(QSize(200 * (index + 1), 100), QImage::Format_RGB32);
        block.fill(Qt::black);
        e.pictures[1] = {block, QPoint(0, 0), true};
        return e;
    };
    output.resetFilesWritten();
    {
        PageOutput::Run run(output, PageOutput::Jobs::One);
        for (int i = 0; i < envelopes; ++i)
            QVERIFY(output.printone(envelope(i),
                                    {false, 0, "0", "0",
                                     i == 0 ? jobs.token() : QStringLiteral("Получатель %1").arg(i),
                                     "DL"}));
        // Nothing reaches the queue before the run ends.
        QCOMPARE(output.jobsSent(), 0);
    }
    QVERIFY(!output.runStopped());
    if (queue == "refusing") {
        QCOMPARE(messages.texts("notice"),
                 QStringList{QStringLiteral("Принтер «%1» не принял документ.").arg(name)});
        QCOMPARE(output.jobsSent(), 0);
        const std::vector<std::pair<QString, QString>> expected{
            {jobs.token(), "DL"}, {"Получатель 1", "DL"}, {"Получатель 2", "DL"}};
        QVERIFY(output.notAccepted() == expected);
        return;
    }
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    QCOMPARE(output.jobsSent(), envelopes);
    QVERIFY(output.notAccepted().empty());
    if (paused) {
        QCOMPARE(waits.value(0), name + " 0");
        return;
    }
    QVERIFY(waits.isEmpty());
    const QMap<int, QString> done = jobs.waitForAll();
    QCOMPARE(done.size(), 1);
    QVERIFY(runTool("pdfinfo", {done.first()}).contains(QRegularExpression("Pages:\\s+3\\n")));
    int previous = 0;
    for (int page = 1; page <= envelopes; ++page) {
        runTool("pdftoppm", {"-r", "20", "-png", "-singlefile", "-f", QString::number(page), "-l",
                             QString::number(page), done.first(), dir.path() + "/page"});
        const QRect ink = inkBox(QImage(dir.path() + "/page.png"));
        const int area = ink.width() * ink.height();
        QVERIFY2(area > previous,
                 qPrintable(QStringLiteral("page %1: ink %2").arg(page).arg(area)));
        previous = area;
    }
}

void PageOutputTest::batchesReachTheQueueAsAJobPerEnvelope_data() {
    QTest::addColumn<bool>("refusing");
    QTest::newRow("more envelopes than a batch: a job each, in print order, with its title")
        << false;
    QTest::newRow("refused: every envelope named, none sent") << true;
}

// A run nobody waits in draws its envelopes a batch at a time into one document and sends
// each envelope's own page as a job of its own once the batch is full, and the last batch
// when the run ends.
void PageOutputTest::batchesReachTheQueueAsAJobPerEnvelope() {
    QFETCH(bool, refusing);
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    QString queue = QStringLiteral("PDF");
    std::optional<QScopeGuard<std::function<void()>>> removed;
    if (refusing) {
        queue = QStringLiteral("REFUSINGBATCH%1").arg(QCoreApplication::applicationPid());
        runTool("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-P",
                            "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"});
        runTool("cupsreject", {queue});
        removed.emplace(std::function<void()>([queue] { runTool("lpadmin", {"-x", queue}); }));
    }
    QTemporaryDir dir;
    ScriptedMessages messages;
    PageOutput output(messages, dir.path() + '/', PrintDestination::toQueue(queue));
    output.checkprinter(screen96);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));

    constexpr int batch = PageOutput::batchEnvelopes;
    constexpr int envelopes = batch + 3;
    SpooledJobs jobs(refusing ? 0 : envelopes);
    std::vector<std::pair<QString, QString>> printed;
    for (int i = 0; i < envelopes; ++i)
        printed.emplace_back(QStringLiteral("%1n%2e").arg(jobs.token()).arg(i),
                             i % 2 == 0 ? QStringLiteral("DL") : QStringLiteral("C6"));
    {
        PageOutput::Run run(output, PageOutput::Jobs::InBatches);
        for (int i = 0; i < envelopes; ++i) {
            QCOMPARE(output.jobsSent(), i < batch || refusing ? 0 : batch);
            QVERIFY(output.printone(framedEnvelope(),
                                    {false, 0, "0", "0", printed[i].first, printed[i].second}));
            // Sent with the batch, not with its own printone().
            QCOMPARE(output.lastJob(), 0);
        }
    }
    QVERIFY(!output.runStopped());
    if (refusing) {
        // Each envelope refused on its own, as when sent at once.
        QStringList refusals;
        for (int i = 0; i < envelopes; ++i)
            refusals.append(QStringLiteral("Принтер «%1» не принял документ.").arg(queue));
        QCOMPARE(messages.texts("notice"), refusals);
        QCOMPARE(output.jobsSent(), 0);
        QVERIFY(output.accepted().empty());
        QVERIFY(output.notAccepted() == printed);
        return;
    }
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts("notice").join('|')));
    QCOMPARE(output.jobsSent(), envelopes);
    QVERIFY(output.notAccepted().empty());
    const QMap<int, QString> done = jobs.waitForAll();
    QCOMPARE(done.size(), envelopes);
    std::vector<QueuedEnvelope> expected;
    auto job = done.keyBegin();
    for (int i = 0; i < envelopes; ++i, ++job) {
        expected.push_back({printed[i].first, printed[i].second, *job});
        // The job's title, which the spooler names its file after, is the envelope's own:
        // «recipient - profile» (cups-pdf may add to it).
        const QString file = QFileInfo(done.value(*job)).fileName();
        QVERIFY2(file.startsWith(printed[i].first) &&
                     QRegularExpression(QStringLiteral("^[\\W_]+%1[\\W_]").arg(printed[i].second))
                         .match(file.mid(printed[i].first.size()))
                         .hasMatch(),
                 qPrintable(file));
        const QString info = runTool("pdfinfo", {done.value(*job)});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
    }
    QVERIFY(output.accepted() == expected);
}

QTEST_MAIN(PageOutputTest)
#include "tst_pageoutput.moc"
