#include "EditorControls.h"
#include "MainControls.h"
#include "SpooledJobs.h"
#include "TestProgram.h"
#include "Tools.h"

#include "core/envelope/Envelope.h"
#include "core/profiles/IniFile.h"
#include "core/run/PageOutput.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecordsPane.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"
#include "ui/printing/PreviewWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace {

// Anything not white: thin lines turn light grey on a coarse rendering.
QRect inkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 235)
                box |= QRect(x, y, 1, 1);
    return box;
}

// The names carry this run's own mark into the print jobs' titles.
QString recipients(const QString& mark) {
    return rowsSql({{"Adams " + mark, "Adams\r\nJohn", "Moscow", 101000, true, "Envelope DL"},
                    {"Baker " + mark, "Baker Anna", "Tver", 170000, true, "Envelope DL"},
                    {"Clark " + mark, "Clark Petr", "Omsk", 644000, true, "Envelope DL"}},
                   {{"Firm", "Kazan", 420000, true}});
}

} // namespace

// The whole road of an envelope: ticked recipients and chosen profiles through the
// real windows to the isolated CUPS queue, each envelope a print job of its own.
class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void sixJobsInOrderWhereTheyBelong();
};

void EndToEndTest::sixJobsInOrderWhereTheyBelong() {
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        QSKIP("No isolated CUPS: scripts/test.sh starts one and sets CUPS_SERVER.");
    TestProgram t;
    t.folder.addSettings();
    {
        // Latin profile names, so that the spooler's file names can be matched.
        IniFile ini(t.folder.file("envalo.ini"));
        QStringList lines = ini.readLines();
        lines.replaceInStrings("Конверт DL", "Envelope DL");
        lines.replaceInStrings("Конверт C6", "Envelope C6");
        ini.writeLines(lines);
        ini.writeString("option", "printdelay", "0");
    }
    t.folder.addPictures();
    SpooledJobs jobs(6);
    t.folder.addDatabaseFromScript(TestFolder::shippedSchema() + recipients(jobs.token()));
    t.start();
    t.runDeferredStep();
    MainWindow& mainWindow = t.mainWindow();
    LayoutEditor& view = *t.program->windows().layoutEditor;
    QVERIFY2(!mainWindow.pageOutput().printsToFiles(), "the isolated CUPS has no default queue");
    const QStringList items = printList(view)->Items();
    for (int i = 0; i < items.size(); ++i)
        printList(view)->SetChecked(i, items[i] == "Envelope DL" || items[i] == "Envelope C6");

    control<QToolButton>(mainWindow, "ToolButton1")->click();
    // The closing notice says how many envelopes the queue accepted; nothing else is said.
    QCOMPARE(t.messages.texts("notice"),
             QStringList{QStringLiteral("Очередь печати «%1» приняла конвертов: 6 из 6.")
                             .arg(mainWindow.pageOutput().queueName())});
    QCOMPARE(t.messages.shown.size(), 1);
    // This run's jobs only, by job number: the order they were sent in.
    const QMap<int, QString> printed = jobs.waitForAll();
    QCOMPARE(printed.size(), 6);

    const QList<QPair<QString, QString>> expected = {
        {"Adams", "Envelope DL"}, {"Adams", "Envelope C6"}, {"Baker", "Envelope DL"},
        {"Baker", "Envelope C6"}, {"Clark", "Envelope DL"}, {"Clark", "Envelope C6"}};
    const PrinterMetrics& m = mainWindow.pageOutput().metrics();
    const ScreenConversions screen{mainWindow.scrDpiX(), mainWindow.scrDpiY()};
    constexpr int dpi = 50;
    const double k = dpi / (m.prnScaleY * mainWindow.scrDpiY());
    int index = 0;
    for (const QString& file : printed) {
        const auto& [surname, profile] = expected[index++];
        const QString recipient = surname + ' ' + jobs.token();
        const QString name = QFileInfo(file).fileName();
        const QString flat = QString(name).remove(QRegularExpression("[^A-Za-z0-9]"));
        QVERIFY2(flat.startsWith(surname + jobs.token() + "Envelope" + profile.right(2)),
                 qPrintable(name));

        // The same envelope composed again, to know where its ink must be.
        for (int row = 0; row < recipientList(mainWindow)->count(); ++row)
            if (recipientList(mainWindow)->text(row) == recipient)
                recipientList(mainWindow)->setCurrentRow(row);
        mainWindow.records().showSelectedRecords();
        t.program->windows().profileStore->load(profile);
        PreviewWindow& preview = *t.program->windows().preview;
        preview.compose();
        const Envelope& envelope = preview.envelope();
        const QRect inkOnEnvelope = inkBox(captureEnvelope(envelope));
        const PagePlacement at =
            placeEnvelope(envelope.size, m, false, view.optionsBar().sheetPosition(),
                          field(view, 8)->text(), field(view, 9)->text(), screen);
        const double sx = double(at.width) / envelope.size.width();
        const double sy = double(at.height) / envelope.size.height();
        // Device pixels of the landscape page, from the paper's edge.
        const QRectF device(m.prnOffsetX + at.x + inkOnEnvelope.left() * sx,
                            m.prnOffsetY + at.y + inkOnEnvelope.top() * sy,
                            inkOnEnvelope.width() * sx, inkOnEnvelope.height() * sy);
        const QRect drawn = QRectF(device.topLeft() * k, device.size() * k).toRect();

        runTool("pdftoppm",
                {"-r", QString::number(dpi), "-png", "-singlefile", file, t.folder.file("page")});
        const QImage page(t.folder.file("page.png"));
        QVERIFY(!page.isNull());
        // The landscape drawing arrives turned a quarter to the left on upright paper.
        const int paperLength = page.height();
        const QRect turned(drawn.top(), paperLength - drawn.right() - 1, drawn.height(),
                           drawn.width());
        const QRect ink = inkBox(page);
        const int tolerance = qMax(page.width(), page.height()) / 100;
        QString text;
        QDebug(&text) << name << "ink" << ink << "expected" << turned;
        QVERIFY2(qAbs(ink.left() - turned.left()) <= tolerance &&
                     qAbs(ink.top() - turned.top()) <= tolerance &&
                     qAbs(ink.right() - turned.right()) <= tolerance &&
                     qAbs(ink.bottom() - turned.bottom()) <= tolerance,
                 qPrintable(text));
    }
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
