#include "core/run/PageOutput.h"

#include "core/UserError.h"
#include "core/envelope/Envelope.h"
#include "core/envelope/PdfPages.h"
#include "core/run/Notices.h"
#include "core/run/PrintQueue.h"
#include "core/run/ProgramFolder.h"

#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>

namespace {

// The run was stopped while it waited for a full queue: the envelope is not printed, and
// the user, who stopped it, is not told so again.
class StoppedWaiting : public std::exception {};

// Without a print queue, pages are measured on an A4 PDF page at this resolution.
constexpr int fileResolution = 1200;
// Leaves room in a file name for the number and the folder's own name limits.
constexpr int longestNameStem = 100;

// Only a program with a screen has a cursor to change.
class BusyCursor {
public:
    BusyCursor() : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_shown = false;
};

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A name that every file system takes: no separators, reserved or control characters,
// no leading dot (a hidden file) and no trailing dot or space (refused on Windows).
QString fileNameStem(const QString& text) {
    QString stem;
    for (const QChar c : text.left(longestNameStem)) {
        const bool reserved =
            c.unicode() < 0x20 || c == QChar(0x7F) || QStringLiteral("\\/:*?\"<>|").contains(c);
        stem += reserved ? QChar('_') : c;
    }
    stem = stem.trimmed();
    while (stem.endsWith('.'))
        stem.chop(1);
    if (stem.startsWith('.'))
        stem[0] = '_';
    return stem.trimmed().isEmpty() ? QStringLiteral("Конверт") : stem.trimmed();
}

// The part of the upright paper the device can print on, in device pixels: the paper less
// the device's own minimum margins (its unprintable edge: a PPD's ImageableArea, 0 for a
// PDF file).
QRect printableArea(const QPageSize& paper, const QMarginsF& edge, int resolution) {
    const QPageLayout layout(paper, QPageLayout::Portrait, edge, QPageLayout::Point, edge);
    return layout.paintRectPixels(resolution);
}

// The envelope of surface size drawn into the placement, clipped to its surface as the
// preview shows it; text and pictures are drawn at the device's own resolution. The
// painter starts at the paper's corner (a full-page layout) and the placement counts
// from the printable area's corner, which lies at the printer's offset.
void paintPlaced(QPainter& painter, const Envelope& envelope, const PagePlacement& placement,
                 const PrinterMetrics& metrics) {
    painter.translate(double(metrics.prnOffsetX + placement.x),
                      double(metrics.prnOffsetY + placement.y));
    painter.scale(double(placement.width) / envelope.size.width(),
                  double(placement.height) / envelope.size.height());
    painter.setClipRect(QRect(QPoint(0, 0), envelope.size));
    paintEnvelope(painter, envelope);
}

QString cannotStartOn(const QString& queue) {
    return QStringLiteral("Не удалось начать печать на принтере «%1».").arg(queue);
}

} // namespace

// A batch of envelopes under way: one document in memory, a page per envelope.
struct PageOutput::Batch {
    struct Page {
        QString recipient;
        QString profile;
        QString title;
        // A page that failed to draw is in the document but is not sent.
        bool drawn = false;
    };
    QBuffer buffer;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    std::vector<Page> pages;
};

QPageSize paperNamed(const QString& name) {
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return {};
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const auto size = QPageSize::PageSizeId(id);
        if (size == QPageSize::Custom)
            continue;
        const QString key = QPageSize::key(size);
        for (const QString& known : {key, QPageSize::name(size)})
            if (wanted.compare(known, Qt::CaseInsensitive) == 0)
                return QPageSize(size);
        if (key.startsWith(QLatin1String("Env")) &&
            wanted.compare(key.mid(3), Qt::CaseInsensitive) == 0)
            return QPageSize(size);
    }
    return {};
}

QString PageRequest::documentName() const {
    QStringList parts;
    for (const QString& part : {recipient.simplified(), profile.simplified()}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.isEmpty() ? QStringLiteral("Конверт") : parts.join(QStringLiteral(" - "));
}

PageOutput::PageOutput(Notices& notices, const QString& appdir, const PrintDestination& destination)
    : m_notices(notices), m_appdir(appdir), m_destination(destination) {}

PageOutput::~PageOutput() = default;

void PageOutput::checkprinter(const ScreenConversions& screen) {
    m_screen = screen;
    m_metrics = {};
    m_unavailable.clear();
    try {
        measure();
    } catch (const std::exception& e) {
        m_unavailable = errorMessage(e);
        m_notices.notice(QStringLiteral("Печать невозможна.\r\n") + m_unavailable);
    }
}

void PageOutput::setDestination(const PrintDestination& destination) {
    m_destination = destination;
    checkprinter(m_screen);
}

void PageOutput::measure() {
    const PrintDestination& d = m_destination;
    m_queueName.clear();
    m_chosenFile.clear();
    switch (d.kind) {
    case PrintDestination::Kind::SystemQueue:
        m_queueName = PrintQueues::systemQueue();
        m_mode = m_queueName.isEmpty() ? Mode::Folder : Mode::Spooler;
        break;
    case PrintDestination::Kind::Queue:
        m_queueName = d.queue;
        m_mode = Mode::Spooler;
        break;
    case PrintDestination::Kind::Folder:
        m_mode = Mode::Folder;
        break;
    case PrintDestination::Kind::File:
        m_chosenFile = d.file;
        m_mode = m_chosenFile.isEmpty() ? Mode::Folder : Mode::ChosenFile;
        break;
    }
    // Without any queue the pages are those of an A4 PDF file; a queue whose paper was not
    // chosen prints on its default paper.
    std::unique_ptr<PrintQueue> queue;
    if (m_mode == Mode::Spooler)
        queue = std::make_unique<PrintQueue>(m_queueName);
    QPageSize paper = m_mode == Mode::Folder ? QPageSize(QPageSize::A4) : d.paper;
    if (!paper.isValid() && queue)
        paper = queue->defaultPaper();
    if (!paper.isValid())
        paper = QPageSize(QPageSize::A4);
    m_resolution = m_mode == Mode::Folder ? fileResolution : d.resolution;
    // The page is drawn from the paper's corner, so that pages are drawn from the device's
    // own offset rather than from any default margins.
    m_layout = QPageLayout(paper, QPageLayout::Landscape, QMarginsF());
    m_layout.setMode(QPageLayout::FullPageMode);
    if (m_screen.scrDpiY <= 0)
        throw UserError(QStringLiteral("Разрешение экрана неизвестно."));
    QMarginsF edge;
    if (queue)
        edge = queue->minimumMargins(paper);
    // The placement takes the paper's long side across the landscape page, so the paper is
    // measured upright.
    m_metrics.prnScaleX = double(m_resolution) / m_screen.scrDpiY;
    m_metrics.prnScaleY = double(m_resolution) / m_screen.scrDpiY;
    // The landscape page is drawn from its own printable corner: the spooler turns it onto
    // the upright paper, a quarter to the left (the landscape page's left edge is the
    // paper's bottom, its top the paper's left) or, by the queue's PPD, to the right (its
    // left edge is the paper's top, its top the paper's right). Where the device's edge
    // differs from side to side, the upright paper's left and top would put the envelope
    // elsewhere.
    const QRect printable = printableArea(paper, edge, m_resolution);
    const QSize sheet = paper.sizePixels(m_resolution);
    const int left = printable.left();
    const int top = printable.top();
    const int right = sheet.width() - printable.right() - 1;
    const int bottom = sheet.height() - printable.bottom() - 1;
    const bool turnedRight = queue && edge != QMarginsF() && queue->landscapeTurn() < 0;
    m_metrics.prnOffsetX = turnedRight ? top : bottom;
    m_metrics.prnOffsetY = turnedRight ? right : left;
    m_metrics.prnWidth = sheet.width();
    m_metrics.prnHeight = sheet.height();
    if (m_metrics.prnScaleX <= 0 || m_metrics.prnScaleY <= 0 || m_metrics.prnWidth <= 0 ||
        m_metrics.prnHeight <= 0)
        throw UserError(QStringLiteral("Принтер не сообщил размер страницы."));

    if (m_mode != Mode::Folder)
        return;
    const QString folder = filesFolder();
    const QFileInfo info(folder);
    const QString noPrinter =
        QStringLiteral("Принтер не установлен, а конверты некуда сохранить: ");
    if (info.exists() && !info.isDir())
        throw UserError(noPrinter + QStringLiteral("«%1» не является папкой.").arg(native(folder)));
    // A folder that is missing is made at the first file, with any missing above it.
    QFileInfo writable(info.absoluteFilePath());
    while (!writable.exists() && !writable.isRoot())
        writable = QFileInfo(writable.absolutePath());
    if (!writable.isDir() || !writable.isWritable())
        throw UserError(noPrinter + QStringLiteral("нет права записи в папку «%1».")
                                        .arg(native(writable.absoluteFilePath())));
}

bool PageOutput::printone(const Envelope& envelope, const PageRequest& request) {
    if (!m_inRun) {
        Run run(*this);
        return printone(envelope, request);
    }
    m_lastJob = 0;
    QString failure;
    try {
        BusyCursor busy;
        const PagePlacement placement =
            placeEnvelope(envelope.size, m_metrics, request.c5, request.listpos, request.allx,
                          request.ally, m_screen);
        if (m_target)
            whileQueueFull([&] { m_target->printDocument(envelope, placement, request); });
        else
            printDocument(envelope, placement, request);
        return true;
    } catch (const StoppedWaiting&) {
        m_runStopped = true;
        return false;
    } catch (const std::exception& e) {
        failure = errorMessage(e);
    }
    // Shown once the busy cursor is gone.
    m_notices.notice(failure);
    return false;
}

PageOutput::Run::Run(PageOutput& output, Jobs jobs) : m_output(output) {
    m_output.beginRun(jobs);
}

PageOutput::Run::~Run() {
    m_output.endRun();
}

void PageOutput::beginRun(Jobs jobs) {
    m_inRun = true;
    m_runStopped = false;
    // Pages recorded by a target keep their own path.
    const bool toQueue = m_mode == Mode::Spooler && !m_target;
    m_oneJob = jobs == Jobs::One && toQueue;
    m_inBatches = jobs == Jobs::InBatches && toQueue;
    m_notAccepted.clear();
    m_accepted.clear();
}

void PageOutput::settle() {
    sendBatch();
    if (!m_pages)
        return;
    try {
        m_pages->flush();
    } catch (const std::exception& e) {
        showFailure(e);
    }
}

void PageOutput::endRun() {
    m_inRun = false;
    sendBatch();
    m_inBatches = false;
    sendJob();
    m_oneJob = false;
    m_queue.reset();
    if (!m_pages)
        return;
    const std::unique_ptr<PdfPages> pages = std::move(m_pages);
    try {
        pages->finish();
    } catch (const std::exception& e) {
        showFailure(e);
    }
    m_runStopped = pages->stopped();
    m_filesWritten += pages->pagesWritten();
}

void PageOutput::whileQueueFull(const std::function<void()>& send) {
    // A queue at its limit of jobs takes the envelope once the printer has worked off some
    // of those before it: the run waits for that rather than lose the envelope.
    for (int attempt = 0;; ++attempt) {
        try {
            send();
            return;
        } catch (const QueueFull&) {
            if (!m_queueWait)
                QThread::msleep(500);
            else if (!m_queueWait(m_queueName, attempt))
                throw StoppedWaiting();
        }
    }
}

void PageOutput::showFailure(const std::exception& e) {
    m_notices.notice(errorMessage(e));
}

void PageOutput::printDocument(const Envelope& envelope, const PagePlacement& placement,
                               const PageRequest& request) {
    if (!m_unavailable.isEmpty())
        throw UserError(m_unavailable);

    if (m_mode == Mode::Spooler && m_oneJob) {
        addToJob(envelope, placement, request);
        return;
    }
    if (m_mode == Mode::Spooler && m_inBatches) {
        addToBatch(envelope, placement, request);
        return;
    }
    if (m_mode == Mode::Spooler) {
        const QString title = request.documentName();
        const QString cannotStart = cannotStartOn(m_queueName);
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            writer.setResolution(m_resolution);
            writer.setPageLayout(m_layout);
            writer.setCreator(applicationTitle());
            writer.setTitle(title);
            QPainter painter;
            if (!painter.begin(&writer))
                throw UserError(cannotStart);
            try {
                paintPlaced(painter, envelope, placement, m_metrics);
            } catch (...) {
                // A page that fails to draw is not sent.
                painter.end();
                throw;
            }
            if (!painter.end())
                throw UserError(cannotStart);
        }
        // One connection to the queue serves the whole run.
        if (!m_queue)
            m_queue = std::make_unique<PrintQueue>(m_queueName);
        whileQueueFull(
            [&] { m_lastJob = m_queue->send(pdf.data(), title, m_layout.pageSize(), true); });
        ++m_jobsSent;
        return;
    }

    if (!m_pages) {
        PdfPages::Setup setup;
        // Drawn from the paper's corner, like the printer's full-page layout.
        setup.layout = m_layout;
        setup.resolution = m_resolution;
        setup.creator = applicationTitle();
        m_pages = m_mode == Mode::ChosenFile ? PdfPages::oneFile(m_chosenFile, setup)
                                             : PdfPages::filePerPage(setup);
    }
    auto paint = [&](QPainter& painter) { paintPlaced(painter, envelope, placement, m_metrics); };
    if (m_mode == Mode::ChosenFile) {
        m_pages->addPage(paint);
        return;
    }
    // A file of its own for every envelope, in the printer's layout.
    // A page that fails gives its name back: the file is never made.
    m_pages->addPage(paint, reserveFile(request), request.documentName());
}

void PageOutput::addToJob(const Envelope& envelope, const PagePlacement& placement,
                          const PageRequest& request) {
    if (!m_job) {
        // On disk rather than in memory, so that a run of any length takes the same memory.
        auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                      QStringLiteral("/envalo-job-XXXXXX"));
        if (!folder->isValid())
            throw UserError(QStringLiteral("Не удалось создать временную папку для задания "
                                           "печати в «%1»: %2.")
                                .arg(native(QDir::tempPath()), folder->errorString()));
        PdfPages::Setup setup;
        setup.layout = m_layout;
        setup.resolution = m_resolution;
        setup.creator = applicationTitle();
        m_job = PdfPages::oneFile(folder->filePath(QStringLiteral("envelopes.pdf")), setup);
        m_jobFolder = std::move(folder);
    }
    m_job->addPage(
        [&](QPainter& painter) { paintPlaced(painter, envelope, placement, m_metrics); });
    m_jobEnvelopes.emplace_back(request.recipient, request.profile);
    if (m_jobEnvelopes.size() == 1)
        m_jobTitle = request.documentName();
}

void PageOutput::sendJob() {
    const std::unique_ptr<PdfPages> job = std::move(m_job);
    const std::unique_ptr<QTemporaryDir> folder = std::move(m_jobFolder);
    std::vector<std::pair<QString, QString>> envelopes;
    envelopes.swap(m_jobEnvelopes);
    if (!job)
        return;
    try {
        job->finish();
        if (envelopes.empty())
            return;
        const QString path = folder->filePath(QStringLiteral("envelopes.pdf"));
        QFile pdf(path);
        if (!pdf.open(QIODevice::ReadOnly))
            throw UserError(QStringLiteral("Не удалось прочитать задание печати «%1»: %2.")
                                .arg(native(path), pdf.errorString()));
        const QString title =
            envelopes.size() == 1
                ? m_jobTitle
                : QStringLiteral("%1 и ещё %2").arg(m_jobTitle).arg(envelopes.size() - 1);
        if (!m_queue)
            m_queue = std::make_unique<PrintQueue>(m_queueName);
        whileQueueFull([&] {
            pdf.seek(0);
            m_lastJob = m_queue->send(pdf, title, m_layout.pageSize(), true);
        });
        m_jobsSent += int(envelopes.size());
        for (auto& [recipient, profile] : envelopes)
            m_accepted.push_back({std::move(recipient), std::move(profile), m_lastJob});
    } catch (const StoppedWaiting&) {
        m_runStopped = true;
    } catch (const std::exception& e) {
        // The queue took none of them.
        m_notAccepted = std::move(envelopes);
        showFailure(e);
    }
}

void PageOutput::addToBatch(const Envelope& envelope, const PagePlacement& placement,
                            const PageRequest& request) {
    if (!m_batch) {
        auto batch = std::make_unique<Batch>();
        batch->buffer.open(QIODevice::WriteOnly);
        batch->writer = std::make_unique<QPdfWriter>(&batch->buffer);
        batch->writer->setResolution(m_resolution);
        batch->writer->setPageLayout(m_layout);
        batch->writer->setCreator(applicationTitle());
        if (!batch->painter.begin(batch->writer.get()))
            throw UserError(cannotStartOn(m_queueName));
        m_batch = std::move(batch);
    } else if (!m_batch->writer->newPage()) {
        throw UserError(cannotStartOn(m_queueName));
    }
    Batch& batch = *m_batch;
    batch.pages.push_back({request.recipient, request.profile, request.documentName()});
    batch.painter.save();
    try {
        paintPlaced(batch.painter, envelope, placement, m_metrics);
    } catch (...) {
        batch.painter.restore();
        throw;
    }
    batch.painter.restore();
    batch.pages.back().drawn = true;
    if (int(batch.pages.size()) >= batchEnvelopes)
        sendBatch();
}

void PageOutput::sendBatch() {
    const std::unique_ptr<Batch> batch = std::move(m_batch);
    if (!batch)
        return;
    std::vector<QByteArray> documents;
    try {
        if (!batch->painter.end())
            throw UserError(cannotStartOn(m_queueName));
        QStringList titles;
        for (const Batch::Page& page : batch->pages)
            titles.append(page.title);
        documents = PdfPages::splitPages(batch->buffer.data(), titles);
    } catch (const std::exception& e) {
        // None of the batch reaches the queue.
        for (const Batch::Page& page : batch->pages)
            if (page.drawn)
                m_notAccepted.emplace_back(page.recipient, page.profile);
        m_notices.notice(
            QStringLiteral("Не удалось подготовить конверты к печати на принтере «%1»: %2.")
                .arg(m_queueName, errorMessage(e)));
        return;
    }
    // Each envelope as it would have gone at once: its own job, title, paper and landscape;
    // each refusal is told and fails that envelope alone.
    for (size_t i = 0; i < batch->pages.size(); ++i) {
        const Batch::Page& page = batch->pages[i];
        if (!page.drawn)
            continue;
        try {
            // One connection to the queue serves the whole run.
            if (!m_queue)
                m_queue = std::make_unique<PrintQueue>(m_queueName);
            int job = 0;
            whileQueueFull(
                [&] { job = m_queue->send(documents[i], page.title, m_layout.pageSize(), true); });
            ++m_jobsSent;
            m_accepted.push_back({page.recipient, page.profile, job});
        } catch (const StoppedWaiting&) {
            // The user stopped the run: the rest of the batch is not sent.
            m_runStopped = true;
            return;
        } catch (const std::exception& e) {
            m_notAccepted.emplace_back(page.recipient, page.profile);
            showFailure(e);
        }
    }
}

QString PageOutput::reserveFile(const PageRequest& request) {
    QString folder = filesFolder();
    if (!QDir().mkpath(folder))
        throw UserError(QStringLiteral("Не удалось создать папку «%1».").arg(native(folder)));
    folder = QDir(folder).absolutePath() + '/';
    const QString stem = fileNameStem(request.documentName()) + QStringLiteral(" - ");
    const QString suffix = QStringLiteral("pdf");
    // Taken by making its temporary beside it, so that no envelope ever replaces an existing
    // file nor takes a name that another run is writing.
    for (int attempts = 0; attempts < 100000; ++attempts, ++m_nextNumber) {
        const QString name = folder + stem + QString::number(m_nextNumber) + '.' + suffix;
        if (m_pages->reserve(name)) {
            ++m_nextNumber;
            return name;
        }
    }
    throw UserError(QStringLiteral("Нет свободного имени файла в папке «%1».").arg(native(folder)));
}

QString PageOutput::filesFolder() const {
    switch (m_mode) {
    case Mode::Folder:
        return m_filesFolder.isEmpty() ? pdfFolderOf(m_appdir) : m_filesFolder;
    case Mode::ChosenFile:
        return QFileInfo(m_chosenFile).absolutePath();
    case Mode::Spooler:
        break;
    }
    return {};
}

bool PageOutput::runStopped() const {
    return m_pages ? m_pages->stopped() : m_runStopped;
}

int PageOutput::filesWritten() const {
    return m_filesWritten + (m_pages ? m_pages->pagesWritten() : 0);
}

QString PageOutput::filesNotice() const {
    const int written = filesWritten();
    if (written == 0)
        return {};
    if (m_mode == Mode::ChosenFile)
        return QStringLiteral("Конвертов сохранено в файл PDF: %1.\r\nФайл: %2")
            .arg(written)
            .arg(native(QFileInfo(m_chosenFile).absoluteFilePath()));
    return QStringLiteral("Конвертов сохранено в файлы PDF: %1.\r\nПапка: %2")
        .arg(written)
        .arg(native(filesFolder()));
}
