#pragma once

#include <QString>
#include <QStringList>

// What a command-line tool (pdftotext, pdfinfo, pdftoppm) prints on standard output;
// a tool that fails or runs over a minute is reported as a warning with its errors.
QString runTool(const QString& program, const QStringList& arguments);

// Resumes a paused print queue (cupsenable) and says whether it now prints. The tool's own
// status is left aside: while the queue holds as many jobs as the spooler lets it
// (MaxJobsPerPrinter) it answers "Quota limit reached.", though it resumes the queue.
bool resumeQueue(const QString& queue);

// A raw queue of a test's own on the isolated spooler, which discards what it prints, named
// `prefix` and this process's number; removed with it.
struct DiscardingQueue {
    explicit DiscardingQueue(const QString& prefix);
    ~DiscardingQueue();
    DiscardingQueue(const DiscardingQueue&) = delete;
    DiscardingQueue& operator=(const DiscardingQueue&) = delete;
    const QString name;
};

// A paused discarding queue: a slow printer, whose job limit fills. Its jobs and the queue
// go with it.
struct PausedQueue : DiscardingQueue {
    PausedQueue();
    ~PausedQueue();
};

// Whether `pdf` is a complete PDF file: its header, and the end of its trailer.
bool isCompletePdf(const QString& pdf);

// Binds a Unix socket at `path` and closes it, leaving the socket's node in the folder; false
// when it cannot be made.
bool makeSocket(const QString& path);

// The columns "stored" and "printed" with a row for each character a multi-line editor
// gives back otherwise than stored (line ends, separators, the no-break space, the frame
// marks): what an envelope prints and the main window's editors show for such a text.
void addStoredTextRows();
