#pragma once

#include "core/UserError.h"

#include <QByteArray>
#include <QIODevice>
#include <QMarginsF>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

// The system's print queues, through libcups: which there are, what a queue's device
// cannot print on, and one PDF document sent as a job of its own.
namespace PrintQueues {
// Every queue the print system offers.
QStringList names();
// The system's default queue; without one the first queue there is, as Qt's printer takes
// it; empty when there is none at all.
QString systemQueue();
} // namespace PrintQueues

// The queue refused a job for its limit of jobs at once (the spooler's MaxJobs or
// MaxJobsPerPrinter) while jobs of its own are still waiting: it takes the job once the
// printer has worked off some.
class QueueFull : public UserError {
public:
    using UserError::UserError;
};

class PrintQueue {
public:
    // Connects to the queue; throws UserError naming it when it is not there or does not answer.
    explicit PrintQueue(const QString& name);
    ~PrintQueue();
    PrintQueue(const PrintQueue&) = delete;
    PrintQueue& operator=(const PrintQueue&) = delete;

    const QString& name() const { return m_name; }
    // The device's unprintable edge on this paper, in points (a PPD's ImageableArea); none
    // when the queue does not know the paper.
    QMarginsF minimumMargins(const QPageSize& paper) const;
    // The queue's default paper: the user's own default (lpoptions) or else the queue's (a
    // PPD's DefaultPageSize); invalid when the queue names none.
    QPageSize defaultPaper() const;
    // Which way the spooler turns a landscape page onto the upright paper: a quarter turn
    // to the left (90, a PPD's *LandscapeOrientation Plus90, CUPS's default) or to the
    // right (-90, Minus90).
    int landscapeTurn() const;
    // Sends one PDF document as a job titled `title`, on this paper, landscape or upright, and
    // gives the spooler's number of the job. Throws UserError naming the queue when it does
    // not take the whole document, and QueueFull when it refuses the job only because it
    // holds as many as it takes.
    int send(const QByteArray& pdf, const QString& title, const QPageSize& paper, bool landscape);
    // The same for a document read from `pdf` from where it stands to its end, passed on in
    // pieces, so that a document of any length never has to be in memory.
    int send(QIODevice& pdf, const QString& title, const QPageSize& paper, bool landscape);

    // Where a job stands: still to be printed (pending, held, printing or stopped with its
    // printer), or finished one way or another.
    enum class JobState { Waiting, Completed, Cancelled, Aborted };
    // The jobs of this queue that the spooler holds, by number: those not finished yet, or
    // those finished (which it keeps as long as its history lasts). Throws UserError naming
    // the queue when the spooler does not answer.
    std::map<int, JobState> jobs(bool finished) const;

private:
    QString m_name;
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
