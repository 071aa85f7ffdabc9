#include "core/envelope/PdfPages.h"

#include "core/OutputFile.h"
#include "core/UserError.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

UserError unwritable(const QString& file, const QString& reason = {}) {
    return UserError(
        reason.isEmpty()
            ? QStringLiteral("Не удалось записать файл «%1».").arg(native(file))
            : QStringLiteral("Не удалось записать файл «%1»: %2.").arg(native(file), reason));
}

} // namespace

namespace {

// Writes page i of the document to files[i], with titles[i] as its title; a page without
// a file is left out. Runs on the second thread; touches nothing but its arguments and
// the files. Gives the number of files written before the first that failed.
int cutIntoFiles(const QByteArray& document, const QStringList& files, const QStringList& titles,
                 QString& reason) {
    try {
        QPDF source;
        source.setSuppressWarnings(true);
        source.processMemoryFile("envelopes", document.constData(), size_t(document.size()));
        const std::vector<QPDFPageObjectHelper> pages =
            QPDFPageDocumentHelper(source).getAllPages();
        if (pages.size() != size_t(files.size())) {
            reason = QStringLiteral("в документе %1 стр. вместо %2")
                         .arg(qsizetype(pages.size()))
                         .arg(files.size());
            return 0;
        }
        QPDFObjectHandle sourceInfo = source.getTrailer().getKey("/Info");
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (files[i].isEmpty())
                continue;
            try {
                QPDF page;
                page.setSuppressWarnings(true);
                page.emptyPDF();
                QPDFPageDocumentHelper(page).addPage(pages[size_t(i)], false);
                QPDFObjectHandle info =
                    sourceInfo.isDictionary()
                        ? page.copyForeignObject(sourceInfo)
                        : page.makeIndirectObject(QPDFObjectHandle::newDictionary());
                info.replaceKey(
                    "/Title", QPDFObjectHandle::newUnicodeString(titles[i].toUtf8().toStdString()));
                page.getTrailer().replaceKey("/Info", info);
                // The streams are copied as Qt compressed them, not decoded and compressed again.
                QPDFWriter writer(page, QFile::encodeName(files[i]).constData());
                writer.setDecodeLevel(qpdf_dl_none);
                writer.setCompressStreams(false);
                writer.write();
            } catch (const std::exception& e) {
                reason = QString::fromLocal8Bit(e.what());
                return int(i);
            }
        }
        return int(files.size());
    } catch (const std::exception& e) {
        reason = QString::fromLocal8Bit(e.what());
        return 0;
    }
}

} // namespace

std::unique_ptr<PdfPages> PdfPages::oneFile(const QString& file, const Setup& setup) {
    return std::unique_ptr<PdfPages>(new PdfPages(setup, file));
}

std::unique_ptr<PdfPages> PdfPages::filePerPage(const Setup& setup) {
    return std::unique_ptr<PdfPages>(new PdfPages(setup, {}));
}

PdfPages::PdfPages(const Setup& setup, const QString& file) : m_setup(setup), m_file(file) {}

PdfPages::~PdfPages() {
    try {
        finish();
    } catch (const std::exception&) {
        // Reported by finish() to whoever asked; a run that is torn down keeps what it has.
    }
}

void PdfPages::beginDocument() {
    QIODevice* device = nullptr;
    if (m_file.isEmpty()) {
        m_buffer = std::make_unique<QBuffer>();
        m_buffer->open(QIODevice::WriteOnly);
        device = m_buffer.get();
    } else {
        auto file = std::make_unique<OutputFile>(m_file);
        file->start();
        m_saveFile = std::move(file);
        device = m_saveFile.get();
    }
    m_writer = std::make_unique<QPdfWriter>(device);
    m_writer->setResolution(m_setup.resolution);
    m_writer->setPageLayout(m_setup.layout);
    m_writer->setCreator(m_setup.creator);
    if (!m_file.isEmpty())
        m_writer->setTitle(QFileInfo(m_file).completeBaseName());
    m_painter = std::make_unique<QPainter>();
    m_pages = 0;
}

void PdfPages::addPage(const std::function<void(QPainter&)>& paint, const QString& file,
                       const QString& title) {
    if (!m_writer)
        beginDocument();
    if (m_pages == 0) {
        if (!m_painter->begin(m_writer.get()))
            throw unwritable(m_file.isEmpty() ? file : m_file);
    } else if (!m_writer->newPage()) {
        throw unwritable(m_file.isEmpty() ? file : m_file);
    }
    ++m_pages;
    // The page is in the document from here on; one that fails to draw gets no file.
    m_batchFiles.append(QString());
    m_batchTitles.append(title);
    m_painter->save();
    try {
        paint(*m_painter);
    } catch (...) {
        m_painter->restore();
        throw;
    }
    m_painter->restore();
    m_batchFiles.last() = file;
    if (m_file.isEmpty() && m_pages >= batchPages)
        cutBatch();
}

void PdfPages::cutBatch() {
    if (!m_writer)
        return;
    if (m_pages == 0) {
        // Nothing was drawn: the painter never began on this document.
        m_painter.reset();
        m_writer.reset();
        m_buffer.reset();
        return;
    }
    const bool painted = m_painter->isActive() && m_painter->end();
    m_painter.reset();
    m_writer.reset();
    QByteArray document = m_buffer->data();
    m_buffer.reset();
    QStringList files = std::move(m_batchFiles);
    QStringList titles = std::move(m_batchTitles);
    m_batchFiles.clear();
    m_batchTitles.clear();
    m_pages = 0;
    // One batch at a time is cut, so that the files come out in order.
    waitForCut();
    if (!painted) {
        for (const QString& file : files)
            if (!file.isEmpty())
                QFile::remove(file);
        throw unwritable(files.value(0));
    }
    m_cutting =
        std::async(std::launch::async, [document = std::move(document), files = std::move(files),
                                        titles = std::move(titles)] {
            Cut cut;
            const int done = cutIntoFiles(document, files, titles, cut.reason);
            for (qsizetype i = 0; i < done; ++i)
                cut.written += files[i].isEmpty() ? 0 : 1;
            if (done < files.size()) {
                cut.failed = done;
                for (qsizetype i = done; i < files.size(); ++i)
                    if (!files[i].isEmpty())
                        QFile::remove(files[i]);
                cut.reason = unwritable(files[done], cut.reason).message();
            }
            return cut;
        });
}

void PdfPages::waitForCut() {
    if (!m_cutting.valid())
        return;
    const Cut cut = m_cutting.get();
    m_pagesWritten += cut.written;
    if (cut.failed >= 0)
        throw UserError(cut.reason);
}

void PdfPages::flush() {
    if (!m_file.isEmpty())
        return;
    cutBatch();
    waitForCut();
}

void PdfPages::finish() {
    if (m_file.isEmpty()) {
        flush();
        return;
    }
    if (!m_writer)
        return;
    const bool painted = m_pages > 0 && m_painter->end();
    m_painter.reset();
    m_writer.reset();
    const int pages = m_pages;
    const bool any = pages > 0;
    m_pages = 0;
    m_batchFiles.clear();
    m_batchTitles.clear();
    const std::unique_ptr<OutputFile> file = std::move(m_saveFile);
    if (!any) {
        file->cancel();
        return;
    }
    if (!painted)
        throw unwritable(m_file);
    file->commit();
    m_pagesWritten += pages;
}
