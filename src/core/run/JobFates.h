#pragma once

#include "core/run/PrintQueue.h"
#include "core/run/PrintRun.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// What became of the envelopes a queue accepted, once it has finished their jobs.
struct JobFates {
    QString queue;
    // Envelopes whose job the printer completed.
    int printed = 0;
    // Envelopes whose job was cancelled (by the user elsewhere, or an administrator), or that
    // the printer aborted, in print order.
    std::vector<QueuedEnvelope> cancelled;
    std::vector<QueuedEnvelope> aborted;
    // Envelopes whose job the spooler no longer holds, never seen finished: removed from its
    // history (cancel -x), or a spooler that keeps none. How they ended cannot be told.
    int forgotten = 0;

    // Whether every job is known to be completed.
    bool allPrinted() const { return cancelled.empty() && aborted.empty() && forgotten == 0; }
    // What the user is told: each envelope cancelled or aborted, the jobs forgotten, and how
    // many envelopes were printed.
    QStringList lines() const;
};

// What a queue does with the jobs of a run. The spooler forgets its oldest finished jobs
// once it holds as many as it keeps (CUPS: MaxJobs, finished ones counted): their states are
// noted as soon as they are seen, during the run as well as at its end.
class JobWatch {
public:
    // Connects to the queue; throws UserError naming it when it is not there.
    explicit JobWatch(const QString& queue);
    ~JobWatch();
    JobWatch(const JobWatch&) = delete;
    JobWatch& operator=(const JobWatch&) = delete;

    // Notes the states of the jobs the queue has finished by now. One request to the spooler:
    // called every few dozen envelopes, it sees every job before the spooler can forget it.
    // Throws UserError naming the queue when the spooler does not answer.
    void look();
    // Waits until the queue has finished the job of every envelope given (completed,
    // cancelled or aborted), asking the spooler again after each `pause`, which is told how
    // many jobs are still waiting and pauses a moment. Throws UserError naming the queue
    // when the spooler does not answer.
    JobFates wait(const std::vector<QueuedEnvelope>& envelopes,
                  const std::function<void(int waiting)>& pause);

private:
    std::unique_ptr<PrintQueue> m_queue;
    // The finished jobs seen, by number.
    std::map<int, PrintQueue::JobState> m_ended;
};
