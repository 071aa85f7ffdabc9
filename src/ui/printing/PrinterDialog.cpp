#include "ui/printing/PrinterDialog.h"

#include "core/run/PageOutput.h"
#include "ui/common/Messages.h"

#include <QFileInfo>
#include <QPrinter>

void choosePrinter(Messages& messages, PageOutput& output) {
    QPrinter printer(QPrinter::HighResolution);
    const PrintDestination& shown = output.destination();
    // A queue whose paper was not chosen shows the paper it prints on: its default paper.
    const QPageSize measured = output.pageLayout().pageSize();
    const QPageSize shownPaper = shown.paper.isValid() ? shown.paper : measured;
    switch (shown.kind) {
    case PrintDestination::Kind::SystemQueue:
        if (!output.printsToFiles())
            printer.setPageSize(shownPaper);
        break;
    case PrintDestination::Kind::Queue:
        printer.setPrinterName(shown.queue);
        printer.setPageSize(shownPaper);
        break;
    case PrintDestination::Kind::Folder:
    case PrintDestination::Kind::File:
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(shown.file);
        printer.setPageSize(shown.paper);
        break;
    }
    if (!messages.printerDialog(printer))
        return;
    PrintDestination chosen;
    // Without any queue Qt hands out a PDF printer with no file to write.
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QString file = printer.outputFileName();
        chosen.kind =
            file.isEmpty() ? PrintDestination::Kind::Folder : PrintDestination::Kind::File;
        if (!file.isEmpty())
            chosen.file = QFileInfo(file).absoluteFilePath();
    } else {
        chosen.kind = PrintDestination::Kind::Queue;
        chosen.queue = printer.printerName();
    }
    chosen.paper = printer.pageLayout().pageSize();
    // The queue's default paper left as it was stays the queue's default, whatever it
    // becomes later.
    if (!shown.paper.isValid() && chosen.kind == PrintDestination::Kind::Queue &&
        chosen.queue == output.queueName() && chosen.paper.isEquivalentTo(measured))
        chosen.paper = QPageSize();
    chosen.resolution = printer.resolution();
    output.setDestination(chosen);
}
