#include "ui/printing/PrinterDialog.h"

#include "core/run/PageOutput.h"
#include "ui/common/Messages.h"

#include <QFileInfo>
#include <QPrinter>

void choosePrinter(Messages& messages, PageOutput& output) {
    QPrinter printer(QPrinter::HighResolution);
    const PrintDestination& shown = output.destination();
    switch (shown.kind) {
    case PrintDestination::Kind::SystemQueue:
        break;
    case PrintDestination::Kind::Queue:
        printer.setPrinterName(shown.queue);
        printer.setPageSize(shown.paper);
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
    chosen.resolution = printer.resolution();
    output.setDestination(chosen);
}
