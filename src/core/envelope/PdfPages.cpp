#include "core/envelope/PdfPages.h"

#include "core/OutputFile.h"
#include "core/UserError.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstdio>
#include <exception>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// The hidden temporary a page's file is written as, beside its name.
constexpr char temporarySuffix[] = ".envalo-part";

QString temporaryOf(const QString& file) {
    const QFileInfo info(file);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() +
           QLatin1String(temporarySuffix);
}

bool pathExists(const QString& path) {
    struct stat st {};
    return ::lstat(encoded(path).constData(), &st) == 0 || errno != ENOENT;
}

// Moves a complete temporary to its name without ever replacing a file there; gives errno.
int renameIntoPlace(const QByteArray& temporary, const QByteArray& file) {
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, file.constData(),
                    RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // A file system without that kind of rename: a second name, then the first removed.
    if (::link(temporary.constData(), file.constData()) == 0) {
        ::unlink(temporary.constData());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Nor links (FAT): the name is checked first, as close as it gets.
    struct stat st {};
    if (::lstat(file.constData(), &st) == 0)
        return EEXIST;
    return ::rename(temporary.constData(), file.constData()) == 0 ? 0 : errno;
}

} // namespace

// A page's name taken by this run: its temporary, open and locked until it is renamed into
// place or given up (then removed).
struct PdfPages::PendingFile {
    QString file;
    QByteArray temporary;
    int fd = -1;

    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (fd < 0)
            return;
        // Removed while still locked, so that no other run takes it for stale meanwhile.
        ::unlink(temporary.constData());
        ::close(fd);
    }

    // Writes `size` bytes and renames the file into place; gives errno, or 0 when it is there.
    int complete(const char* bytes, qint64 size, const WriteFunction& write) {
        int error = writeAll(fd, bytes, size, write);
        // Renamed before it is closed, which ends the lock.
        if (error == 0)
            error = renameIntoPlace(temporary, encoded(file));
        if (error != 0)
            return error; // the destructor removes the temporary
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0 && errno != EINTR) {
            // Written late and lost (a network file system): it is not complete.
            error = errno;
            ::unlink(encoded(file).constData());
        }
        return error;
    }
};

namespace {

// A document's pages and its information dictionary, read from memory.
struct SourcePages {
    QPDF source;
    std::vector<QPDFPageObjectHelper> pages;
    QPDFObjectHandle info;

    explicit SourcePages(const QByteArray& document) {
        source.setSuppressWarnings(true);
        source.processMemoryFile("envelopes", document.constData(), size_t(document.size()));
        pages = QPDFPageDocumentHelper(source).getAllPages();
        info = source.getTrailer().getKey("/Info");
    }
};

// One page as a PDF document of its own titled `title`, in memory; throws on failure. The
// streams are copied as Qt compressed them, not decoded and compressed again.
std::shared_ptr<Buffer> pageDocument(QPDFPageObjectHelper& page, QPDFObjectHandle sourceInfo,
                                     const QString& title) {
    QPDF single;
    single.setSuppressWarnings(true);
    single.emptyPDF();
    QPDFPageDocumentHelper(single).addPage(page, false);
    QPDFObjectHandle info = sourceInfo.isDictionary()
                                ? single.copyForeignObject(sourceInfo)
                                : single.makeIndirectObject(QPDFObjectHandle::newDictionary());
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toUtf8().toStdString()));
    single.getTrailer().replaceKey("/Info", info);
    QPDFWriter writer(single);
    writer.setOutputMemory();
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.write();
    return writer.getBufferSharedPointer();
}

// Writes page i of the document to files[i], with titles[i] as its title; a page without
// a file is left out. Runs on the second thread; touches nothing but its arguments and
// the files. Gives the number of files written before the first that failed, whose
// reason is then set.
int cutIntoFiles(const QByteArray& document,
                 const std::vector<std::shared_ptr<PdfPages::PendingFile>>& files,
                 const QStringList& titles, const PdfPages::WriteFunction& write, QString& reason) {
    std::unique_ptr<SourcePages> source;
    try {
        source = std::make_unique<SourcePages>(document);
    } catch (const std::exception& e) {
        reason = QStringLiteral("страницы не разобраны (%1)").arg(QString::fromLocal8Bit(e.what()));
        return 0;
    }
    std::vector<QPDFPageObjectHelper>& pages = source->pages;
    if (pages.size() != files.size()) {
        reason = QStringLiteral("в документе %1 стр. вместо %2")
                     .arg(qsizetype(pages.size()))
                     .arg(qsizetype(files.size()));
        return 0;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i])
            continue;
        std::shared_ptr<Buffer> bytes;
        try {
            // Into memory, so that every write to the file is checked here.
            bytes = pageDocument(pages[i], source->info, titles[qsizetype(i)]);
        } catch (const std::exception& e) {
            reason =
                QStringLiteral("страница не собрана (%1)").arg(QString::fromLocal8Bit(e.what()));
            return int(i);
        }
        const int error = files[i]->complete(reinterpret_cast<const char*>(bytes->getBuffer()),
                                             qint64(bytes->getSize()), write);
        if (error != 0) {
            reason = fileErrorReason(error);
            return int(i);
        }
    }
    return int(files.size());
}

} // namespace

std::vector<QByteArray> PdfPages::splitPages(const QByteArray& document,
                                             const QStringList& titles) {
    std::vector<QByteArray> documents;
    try {
        SourcePages source(document);
        if (source.pages.size() != size_t(titles.size()))
            throw UserError(QStringLiteral("в документе %1 стр. вместо %2")
                                .arg(qsizetype(source.pages.size()))
                                .arg(titles.size()));
        for (size_t i = 0; i < source.pages.size(); ++i) {
            const std::shared_ptr<Buffer> bytes =
                pageDocument(source.pages[i], source.info, titles[qsizetype(i)]);
            documents.emplace_back(reinterpret_cast<const char*>(bytes->getBuffer()),
                                   qsizetype(bytes->getSize()));
        }
    } catch (const UserError&) {
        throw;
    } catch (const std::exception& e) {
        throw UserError(
            QStringLiteral("страницы не разобраны (%1)").arg(QString::fromLocal8Bit(e.what())));
    }
    return documents;
}

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
    m_drawn = 0;
}

void PdfPages::removeStaleTemporaries(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral(".*.pdf") + QLatin1String(temporarySuffix)},
                      QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QByteArray path = encoded(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        // A run under way holds a lock on each of its temporaries.
        struct stat opened {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            ::lstat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino)
            ::unlink(path.constData());
        ::close(fd);
    }
}

[[noreturn]] void PdfPages::stop(const QString& what, const QString& folder) {
    m_failure = what + QStringLiteral(" Печать остановлена; в папке «%1» готовых файлов с "
                                      "конвертами: %2.")
                           .arg(native(folder))
                           .arg(m_pagesWritten);
    // Nothing more is written: the pages drawn and the names taken are given up.
    m_reserved.clear();
    m_batch.clear();
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_buffer.reset();
    m_pages = 0;
    m_drawn = 0;
    throw UserError(m_failure);
}

bool PdfPages::reserve(const QString& file) {
    if (!m_failure.isEmpty())
        throw UserError(m_failure);
    if (m_reserved.count(file) > 0)
        return true;
    const QString folder = QFileInfo(file).absolutePath();
    if (!m_cleaned.contains(folder)) {
        removeStaleTemporaries(folder);
        m_cleaned.insert(folder);
    }
    if (pathExists(file))
        return false;
    auto pending = std::make_shared<PendingFile>();
    pending->file = file;
    pending->temporary = encoded(temporaryOf(file));
    pending->fd = ::open(pending->temporary.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (pending->fd < 0) {
        const int error = errno;
        if (error == EEXIST)
            return false; // another run writes it
        // The pages drawn so far go into their files, so that the count the message gives
        // is complete.
        cutBatch();
        waitForCut();
        stop(QStringLiteral("Не удалось создать файл «%1»: %2.")
                 .arg(native(file), fileErrorReason(error)),
             folder);
    }
    // Where locks are not supported, no other run ever removes it either. One that is
    // locked already was found by another run's clearing the instant it was made, and is
    // removed by it.
    if (::flock(pending->fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(pending->fd);
        pending->fd = -1;
        return false;
    }
    // Another run may have put its file in place just before the temporary was made.
    if (pathExists(file))
        return false; // the temporary goes with `pending`
    m_reserved[file] = std::move(pending);
    return true;
}

void PdfPages::addPage(const std::function<void(QPainter&)>& paint, const QString& file,
                       const QString& title) {
    if (!m_failure.isEmpty())
        throw UserError(m_failure);
    std::shared_ptr<PendingFile> pending;
    if (m_file.isEmpty()) {
        if (!reserve(file))
            throw UserError(
                QStringLiteral("Файл «%1» уже есть.").arg(native(QFileInfo(file).filePath())));
        pending = std::move(m_reserved[file]);
        m_reserved.erase(file);
    }
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
    m_batch.push_back({nullptr, title});
    m_painter->save();
    try {
        paint(*m_painter);
    } catch (...) {
        m_painter->restore();
        throw;
    }
    m_painter->restore();
    m_batch.back().file = std::move(pending);
    ++m_drawn;
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
    std::vector<std::shared_ptr<PendingFile>> files;
    QStringList titles;
    for (BatchPage& page : m_batch) {
        files.push_back(std::move(page.file));
        titles.append(page.title);
    }
    m_batch.clear();
    m_pages = 0;
    // One batch at a time is cut, so that the files come out in order. The files of this
    // batch are given up when an earlier one failed.
    waitForCut();
    if (!painted) {
        QString first;
        for (const auto& file : files)
            if (file && first.isEmpty())
                first = file->file;
        files.clear();
        stop(unwritable(first).message(), QFileInfo(first).absolutePath());
    }
    m_cutting = std::async(
        std::launch::async, [document = std::move(document), files = std::move(files),
                             titles = std::move(titles), write = m_setup.write]() mutable {
            Cut cut;
            const int done = cutIntoFiles(document, files, titles, write, cut.reason);
            for (size_t i = 0; i < files.size(); ++i) {
                if (!files[i])
                    continue;
                if (i < size_t(done))
                    ++cut.written;
                else if (cut.failedFile.isEmpty())
                    cut.failedFile = files[i]->file;
            }
            // The temporaries of the files not written are removed before the result is ready.
            files.clear();
            return cut;
        });
}

void PdfPages::waitForCut() {
    if (!m_cutting.valid())
        return;
    const Cut cut = m_cutting.get();
    m_pagesWritten += cut.written;
    if (!cut.failedFile.isEmpty())
        stop(unwritable(cut.failedFile, cut.reason).message(),
             QFileInfo(cut.failedFile).absolutePath());
}

void PdfPages::flush() {
    if (!m_file.isEmpty())
        return;
    cutBatch();
    waitForCut();
}

void PdfPages::finish() {
    if (m_file.isEmpty()) {
        // Names taken for pages that never came are given back.
        m_reserved.clear();
        flush();
        return;
    }
    if (!m_writer)
        return;
    const bool painted = m_pages > 0 && m_painter->end();
    m_painter.reset();
    m_writer.reset();
    const bool any = m_pages > 0;
    const int drawn = m_drawn;
    m_pages = 0;
    m_drawn = 0;
    m_batch.clear();
    const std::unique_ptr<OutputFile> file = std::move(m_saveFile);
    if (!any) {
        file->cancel();
        return;
    }
    if (!painted)
        throw unwritable(m_file);
    file->commit();
    m_pagesWritten += drawn;
}
