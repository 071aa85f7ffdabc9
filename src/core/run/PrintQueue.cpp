#include "core/run/PrintQueue.h"

#include "core/UserError.h"

#include <QBuffer>
#include <QSizeF>
#include <algorithm>
#include <cstdlib>
#include <cups/cups.h>
#include <cups/ppd.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// The destinations the print system lists, freed with the list.
class Destinations {
public:
    Destinations() { m_count = cupsGetDests2(CUPS_HTTP_DEFAULT, &m_dests); }
    ~Destinations() { cupsFreeDests(m_count, m_dests); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    const cups_dest_t* begin() const { return m_dests; }
    const cups_dest_t* end() const { return m_dests + m_count; }

private:
    cups_dest_t* m_dests = nullptr;
    int m_count = 0;
};

QString refused(const QString& queue) {
    return QStringLiteral("Принтер «%1» не принял документ.").arg(queue);
}

// Whether the spooler still holds jobs not yet printed, of any queue: they count against
// its limit of jobs at once (MaxJobs counts every queue's).
bool jobsWaiting(http_t* http) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(http, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(std::max(count, 0), jobs);
    return count > 0;
}

// Whether a refused job was refused for the spooler's limit of jobs at once. CUPS answers
// client-error-not-possible ("Too many active jobs.", or its quota at MaxJobsPerPrinter);
// other IPP servers answer server-error-too-many-jobs or server-error-busy. A refusal
// while nothing waits in the spooler cannot be the limit: it will not pass by waiting.
bool jobLimit(ipp_status_t status, http_t* http) {
    const bool limit = status == IPP_STATUS_ERROR_NOT_POSSIBLE ||
                       status == IPP_STATUS_ERROR_TOO_MANY_JOBS || status == IPP_STATUS_ERROR_BUSY;
    return limit && jobsWaiting(http);
}

} // namespace

QStringList PrintQueues::names() {
    QStringList names;
    for (const cups_dest_t& dest : Destinations())
        if (!dest.instance)
            names.append(QString::fromUtf8(dest.name));
    return names;
}

QString PrintQueues::systemQueue() {
    const Destinations dests;
    for (const cups_dest_t& dest : dests)
        if (dest.is_default && !dest.instance)
            return QString::fromUtf8(dest.name);
    for (const cups_dest_t& dest : dests)
        if (!dest.instance)
            return QString::fromUtf8(dest.name);
    return {};
}

struct PrintQueue::Connection {
    cups_dest_t* dest = nullptr;
    http_t* http = nullptr;
    cups_dinfo_t* info = nullptr;

    ~Connection() {
        if (info)
            cupsFreeDestInfo(info);
        if (http)
            httpClose(http);
        if (dest)
            cupsFreeDests(1, dest);
    }
};

PrintQueue::PrintQueue(const QString& name) : m_name(name) {
    auto connection = std::make_unique<Connection>();
    const QByteArray queue = name.toUtf8();
    connection->dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), nullptr);
    if (!connection->dest)
        throw UserError(QStringLiteral("Очередь печати «%1» не найдена.").arg(name));
    // The scheduler the print system uses (CUPS_SERVER or the client settings), not the
    // queue's own address: a local queue is reached through the scheduler's socket.
    connection->http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                    1, 30000, nullptr);
    if (!connection->http)
        throw UserError(
            QStringLiteral("Нет связи со службой печати: очередь «%1» недоступна.").arg(name));
    connection->info = cupsCopyDestInfo(connection->http, connection->dest);
    if (!connection->info)
        throw UserError(
            QStringLiteral("Очередь печати «%1» не сообщила свои параметры.").arg(name));
    m_connection = std::move(connection);
}

PrintQueue::~PrintQueue() = default;

QMarginsF PrintQueue::minimumMargins(const QPageSize& paper) const {
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    cups_size_t size{};
    if (!cupsGetDestMediaBySize(m_connection->http, m_connection->dest, m_connection->info,
                                qRound(mm.width() * 100), qRound(mm.height() * 100),
                                CUPS_MEDIA_FLAGS_DEFAULT, &size))
        return {};
    // Hundredths of a millimetre.
    const double points = 72.0 / 2540.0;
    return {size.left * points, size.top * points, size.right * points, size.bottom * points};
}

QPageSize PrintQueue::defaultPaper() const {
    Connection& c = *m_connection;
    // The user's default (lpoptions media or PageSize) comes with the destination's options;
    // else the queue's own (media-default, from a PPD's DefaultPageSize). The paper is looked
    // up by that name: cupsGetDestMediaDefault takes the first size of the queue's list
    // instead where every size is borderless.
    QByteArray name;
    for (const char* option : {"media", "PageSize"}) {
        if (const char* value = cupsGetOption(option, c.dest->num_options, c.dest->options)) {
            name = value;
            break;
        }
    }
    if (name.isEmpty()) {
        if (ipp_attribute_t* queueDefault = cupsFindDestDefault(c.http, c.dest, c.info, "media"))
            name = ippGetString(queueDefault, 0, nullptr);
    }
    cups_size_t size{};
    bool named = false;
    if (!name.isEmpty()) {
        // The queue lists its papers by their PWG names; lpoptions -o PageSize=EnvDL names a
        // PPD's, and media=A4 an older name, which libcups's table turns into a PWG one.
        const pwg_media_t* pwg = pwgMediaForPWG(name.constData());
        if (!pwg)
            pwg = pwgMediaForPPD(name.constData());
        if (!pwg)
            pwg = pwgMediaForLegacy(name.constData());
        const QByteArray listed = pwg ? QByteArray(pwg->pwg) : name;
        // The queue's own size of that paper. Measured: on a queue whose papers are all
        // borderless, the default flags can give another paper for the name, or none.
        auto close = [&](const cups_size_t& found) {
            return !pwg || (std::abs(found.width - pwg->width) <= 200 &&
                            std::abs(found.length - pwg->length) <= 200);
        };
        for (const unsigned flags : {CUPS_MEDIA_FLAGS_DEFAULT, CUPS_MEDIA_FLAGS_BORDERLESS}) {
            cups_size_t found{};
            if (cupsGetDestMediaByName(c.http, c.dest, c.info, listed.constData(), flags, &found) &&
                close(found)) {
                size = found;
                named = true;
                break;
            }
        }
        // A paper the queue does not list by that name: its size as the table gives it.
        if (!named && pwg) {
            size.width = pwg->width;
            size.length = pwg->length;
            named = true;
        }
    }
    if (!named && !cupsGetDestMediaDefault(c.http, c.dest, c.info, CUPS_MEDIA_FLAGS_DEFAULT, &size))
        return {};
    if (size.width <= 0 || size.length <= 0)
        return {};
    // Hundredths of a millimetre; a size Qt knows by name takes that name.
    return QPageSize(QSizeF(size.width / 100.0, size.length / 100.0), QPageSize::Millimeter,
                     QString(), QPageSize::FuzzyMatch);
}

int PrintQueue::landscapeTurn() const {
    // Only the queue's PPD says so; libcups marks its PPD functions deprecated, with no
    // other way to this one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    char path[1024] = "";
    time_t modified = 0;
    const QByteArray queue = m_name.toUtf8();
    int turn = 90;
    if (cupsGetPPD3(m_connection->http, queue.constData(), &modified, path, sizeof path) ==
        HTTP_STATUS_OK) {
        if (ppd_file_t* ppd = ppdOpenFile(path)) {
            if (ppd->landscape < 0)
                turn = -90;
            ppdClose(ppd);
        }
        // A copy (or a link) of the PPD made for this call.
        ::unlink(path);
    }
#pragma GCC diagnostic pop
    return turn;
}

int PrintQueue::send(const QByteArray& pdf, const QString& title, const QPageSize& paper,
                     bool landscape) {
    QBuffer buffer;
    buffer.setData(pdf);
    buffer.open(QIODevice::ReadOnly);
    return send(buffer, title, paper, landscape);
}

int PrintQueue::send(QIODevice& pdf, const QString& title, const QPageSize& paper, bool landscape) {
    Connection& c = *m_connection;
    const QByteArray name = title.toUtf8();
    // The queue's own name for the paper where it has one (an envelope size of its PPD that
    // Qt has no name for, say); else Qt's name of it.
    QByteArray media = paper.key().toUtf8();
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    cups_size_t size{};
    if (cupsGetDestMediaBySize(c.http, c.dest, c.info, qRound(mm.width() * 100),
                               qRound(mm.height() * 100), CUPS_MEDIA_FLAGS_DEFAULT, &size))
        media = size.media;
    cups_option_t* options = nullptr;
    int count = cupsAddOption("media", media.constData(), 0, &options);
    if (landscape)
        count = cupsAddOption("landscape", "true", count, &options);
    int job = 0;
    const ipp_status_t created =
        cupsCreateDestJob(c.http, c.dest, c.info, &job, name.constData(), count, options);
    cupsFreeOptions(count, options);
    if (created > IPP_STATUS_OK_CONFLICTING || job <= 0) {
        if (jobLimit(created, c.http))
            throw QueueFull(
                QStringLiteral("Очередь печати «%1» заполнена: принтер ещё не напечатал "
                               "отправленные конверты.")
                    .arg(m_name));
        throw UserError(refused(m_name));
    }
    bool sent = cupsStartDestDocument(c.http, c.dest, c.info, job, name.constData(),
                                      CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    std::vector<char> piece(std::size_t(256) * 1024);
    while (sent) {
        const qint64 read = pdf.read(piece.data(), qint64(piece.size()));
        if (read <= 0) {
            sent = read == 0;
            break;
        }
        sent =
            cupsWriteRequestData(c.http, piece.data(), std::size_t(read)) == HTTP_STATUS_CONTINUE;
    }
    // The document is finished also after a failure, so that the connection reads the answer.
    const ipp_status_t finished = cupsFinishDestDocument(c.http, c.dest, c.info);
    if (!sent || finished > IPP_STATUS_OK_CONFLICTING) {
        cupsCancelDestJob(c.http, c.dest, job);
        throw UserError(refused(m_name));
    }
    return job;
}

std::map<int, PrintQueue::JobState> PrintQueue::jobs(bool finished) const {
    cups_job_t* jobs = nullptr;
    const QByteArray queue = m_name.toUtf8();
    const int count = cupsGetJobs2(m_connection->http, &jobs, queue.constData(), 0,
                                   finished ? CUPS_WHICHJOBS_COMPLETED : CUPS_WHICHJOBS_ACTIVE);
    if (count < 0)
        throw UserError(
            QStringLiteral("Очередь печати «%1» не сообщила, что с её заданиями.").arg(m_name));
    std::map<int, JobState> states;
    for (int i = 0; i < count; ++i) {
        JobState state = JobState::Waiting;
        switch (jobs[i].state) {
        case IPP_JSTATE_COMPLETED:
            state = JobState::Completed;
            break;
        case IPP_JSTATE_CANCELED:
            state = JobState::Cancelled;
            break;
        case IPP_JSTATE_ABORTED:
            state = JobState::Aborted;
            break;
        default:
            break;
        }
        states.emplace(jobs[i].id, state);
    }
    cupsFreeJobs(count, jobs);
    return states;
}
