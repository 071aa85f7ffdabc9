#pragma once

#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>
#include <memory>

class QBuffer;
class QPainter;
class QPdfWriter;
class OutputFile;

// Envelope pages as PDF files, either all in one file or one file per page.
//
// Qt's PDF engine embeds the fonts and compresses the pictures once per document,
// which takes many times longer than drawing a page. So pages are always drawn into
// one document: the chosen file itself, or, for a file per page, a document in memory
// that is cut into one file per page once it holds a batch of pages. The cutting runs
// on a second thread while the next pages are drawn; the files keep the order of the
// pages.
class PdfPages {
public:
    struct Setup {
        QPageLayout layout;
        int resolution = 1200;
        QString creator;
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

    // Draws one page with `paint`, the painter at the paper's corner. For a file per
    // page, `file` (which may already exist, empty, as reserved) receives the page and
    // `title` becomes its document title. Throws UserError when the page cannot be
    // drawn; its file is then not written.
    void addPage(const std::function<void(QPainter&)>& paint, const QString& file = {},
                 const QString& title = {});
    // For a file per page: every page added so far is in its file when this returns.
    // Throws UserError naming the file when one could not be written; that file and the
    // unwritten files of its batch are removed, the pages before it stay.
    void flush();
    // Ends the run: flush(), and the one file complete and in place (left as it was
    // when no page was added).
    void finish();

    // Pages completely on disk so far: in files of their own, or in the one file once
    // it is finished.
    int pagesWritten() const { return m_pagesWritten; }

    // Pages a batch collects before it is cut into files.
    static constexpr int batchPages = 64;

private:
    // What cutting one batch came to: the files before `failed` are written.
    struct Cut {
        int written = 0;
        int failed = -1;
        QString reason;
    };
    PdfPages(const Setup& setup, const QString& file);
    void beginDocument();
    // Ends the document in memory and starts cutting it into files on the second thread.
    void cutBatch();
    void waitForCut();

    Setup m_setup;
    QString m_file; // empty: a file per page
    std::unique_ptr<OutputFile> m_saveFile;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QStringList m_batchFiles;
    QStringList m_batchTitles;
    int m_pages = 0;
    int m_pagesWritten = 0;
    std::future<Cut> m_cutting;
};
