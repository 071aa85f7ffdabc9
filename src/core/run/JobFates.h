#pragma once

#include "core/run/PrintRun.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class PrintQueue;

// What became of the envelopes a queue accepted, once it has finished their jobs.
struct JobFates {
    QString queue;
    // Envelopes whose job the printer completed.
    int printed = 0;
    // Envelopes whose job was cancelled (by the user elsewhere, or an administrator), or that
    // the printer aborted, in print order.
    std::vector<QueuedEnvelope> cancelled;
    std::vector<QueuedEnvelope> aborted;
    // Envelopes whose job the spooler no longer holds: a spooler at its limit of jobs forgets
    // the oldest finished ones, completed or not, so how they ended cannot be told.
    int forgotten = 0;

    // Whether no job was cancelled or aborted.
    bool allPrinted() const { return cancelled.empty() && aborted.empty(); }
    // What the user is told: each envelope cancelled or aborted, the jobs forgotten, and how
    // many envelopes were printed.
    QStringList lines() const;
};

// Waits until the queue has finished the job of every envelope given (completed, cancelled
// or aborted), asking the spooler again after each `pause`, which is told how many jobs are
// still waiting and pauses a moment. Throws UserError naming the queue when the spooler
// does not answer.
JobFates waitForJobs(const PrintQueue& queue, const std::vector<QueuedEnvelope>& envelopes,
                     const std::function<void(int waiting)>& pause);
