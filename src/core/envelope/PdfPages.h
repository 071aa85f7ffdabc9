#pragma once

#include "core/OutputFile.h"

#include <QPageLayout>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <vector>

class QBuffer;
class QPainter;
class QPdfWriter;

// Envelope pages as PDF files, either all in one file or one file per page.
//
// Qt's PDF engine embeds the fonts and compresses the pictures once per document,
// which takes many times longer than drawing a page. So pages are always drawn into
// one document: the chosen file itself, or, for a file per page, a document in memory
// that is cut into one file per page once it holds a batch of pages. The cutting runs
// on a second thread while the next pages are drawn; the files keep the order of the
// pages.
//
// A page's file is written as a hidden temporary beside its name, which is renamed into
// place once it is complete, so that a folder never holds a page's file that does not
// open, even when the program is killed. The temporary is made when the page's name is
// taken and stays locked by this run until it is renamed; one left by a run that no longer
// runs is removed by the next run into the folder.
class PdfPages {
public:
    using WriteFunction = ::WriteFunction;

    struct Setup {
        QPageLayout layout;
        int resolution = 1200;
        QString creator;
        // How the files of a file per page are written; empty: ::write. Tests make it fail.
        WriteFunction write;
    };

    // All pages into `file`, which is replaced only when the run ends with at least one
    // page: a run that stops early leaves a complete file with the pages drawn so far. A
    // character device or a FIFO there is written into instead (see OutputFile).
    static std::unique_ptr<PdfPages> oneFile(const QString& file, const Setup& setup);
    // A file of its own for every page, each named with its page.
    static std::unique_ptr<PdfPages> filePerPage(const Setup& setup);

    // Finishes what is drawn; errors are not reported from here (call finish() for them).
    ~PdfPages();
    PdfPages(const PdfPages&) = delete;
    PdfPages& operator=(const PdfPages&) = delete;

    // For a file per page: takes the name `file` for a page of this run by making its
    // temporary. False when the name is taken: the file exists, or another run has taken
    // it. Throws UserError, and the run stops, when the temporary cannot be made.
    bool reserve(const QString& file);
    // Draws one page with `paint`, the painter at the paper's corner. For a file per
    // page, `file` (taken with reserve(), or here) receives the page and `title` becomes
    // its document title. Throws UserError when the page cannot be drawn; its file is
    // then not written.
    void addPage(const std::function<void(QPainter&)>& paint, const QString& file = {},
                 const QString& title = {});
    // For a file per page: every page added so far is in its file when this returns.
    // Throws UserError naming the file, its folder, the reason and the pages in complete
    // files when one could not be written; that file and the unwritten files of its batch
    // are not made, the pages before it stay, and the run stops: every later page fails.
    void flush();
    // Ends the run: flush(), and the one file complete and in place (left as it was
    // when no page was added).
    void finish();

    // Pages completely on disk so far: in files of their own, or in the one file once
    // it is finished.
    int pagesWritten() const { return m_pagesWritten; }
    // A file could not be written: the run stopped.
    bool stopped() const { return !m_failure.isEmpty(); }

    // Removes the temporaries that runs no longer running left in `folder`; those of a
    // run under way stay. Each run does this in a folder before it takes its first name.
    static void removeStaleTemporaries(const QString& folder);

    // Each page of `document` (a PDF of titles.size() pages) as a PDF document of its own
    // titled with its title, in page order; what the pages share, such as the embedded fonts,
    // is copied into each. Throws UserError with the reason (in lower case, to follow a colon)
    // when the document cannot be cut.
    static std::vector<QByteArray> splitPages(const QByteArray& document,
                                              const QStringList& titles);

    // Pages a batch collects before it is cut into files.
    static constexpr int batchPages = 64;

    struct PendingFile;

private:
    // What cutting one batch came to: `written` files are complete; `failedFile` (when
    // not empty) is the first that could not be written, and why.
    struct Cut {
        int written = 0;
        QString failedFile;
        QString reason;
    };
    struct BatchPage {
        std::shared_ptr<PendingFile> file; // none: the page failed to draw
        QString title;
    };
    PdfPages(const Setup& setup, const QString& file);
    void beginDocument();
    // Ends the document in memory and starts cutting it into files on the second thread.
    void cutBatch();
    void waitForCut();
    // Stops the run: `what` happened to a file in `folder`; throws the message.
    [[noreturn]] void stop(const QString& what, const QString& folder);

    Setup m_setup;
    QString m_file; // empty: a file per page
    std::unique_ptr<OutputFile> m_saveFile;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    std::vector<BatchPage> m_batch;
    // Names taken that no page has received yet.
    std::map<QString, std::shared_ptr<PendingFile>> m_reserved;
    // Folders whose stale temporaries this run removed.
    QSet<QString> m_cleaned;
    QString m_failure;
    int m_pages = 0;
    // Pages of the document under way drawn whole; one that failed to draw counts for no file.
    int m_drawn = 0;
    int m_pagesWritten = 0;
    std::future<Cut> m_cutting;
};
