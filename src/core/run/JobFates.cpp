#include "core/run/JobFates.h"

#include "core/run/PrintQueue.h"

#include <map>
#include <set>

namespace {

QString named(const QueuedEnvelope& envelope) {
    return QStringLiteral("%1, профиль «%2»")
        .arg(envelope.recipient.isEmpty() ? QStringLiteral("(без имени)") : envelope.recipient,
             envelope.profile);
}

} // namespace

QStringList JobFates::lines() const {
    QStringList lines;
    for (const QueuedEnvelope& envelope : cancelled)
        lines.append(QStringLiteral("Задание отменено: %1.").arg(named(envelope)));
    for (const QueuedEnvelope& envelope : aborted)
        lines.append(QStringLiteral("Задание прервано принтером: %1.").arg(named(envelope)));
    if (forgotten > 0)
        lines.append(QStringLiteral("Очередь печати «%1» уже не хранит сведений о заданиях "
                                    "конвертов: %2; чем они закончились, неизвестно.")
                         .arg(queue)
                         .arg(forgotten));
    const int total = printed + forgotten + int(cancelled.size() + aborted.size());
    // Of those the queue accepted: a run may have had others refused, named before this.
    lines.append(printed == total
                     ? QStringLiteral("Напечатаны все принятые очередью конверты: %1.").arg(total)
                     : QStringLiteral("Напечатано конвертов: %1 из %2 принятых очередью.")
                           .arg(printed)
                           .arg(total));
    return lines;
}

JobWatch::JobWatch(const QString& queue) : m_queue(std::make_unique<PrintQueue>(queue)) {}

JobWatch::~JobWatch() = default;

void JobWatch::look() {
    for (const auto& [job, state] : m_queue->jobs(true))
        m_ended.emplace(job, state);
}

JobFates JobWatch::wait(const std::vector<QueuedEnvelope>& envelopes,
                        const std::function<void(int waiting)>& pause) {
    std::set<int> unfinished;
    for (const QueuedEnvelope& envelope : envelopes)
        unfinished.insert(envelope.job);
    for (;;) {
        const std::map<int, PrintQueue::JobState> active = m_queue->jobs(false);
        bool someEnded = false;
        for (auto job = unfinished.begin(); job != unfinished.end();) {
            if (active.count(*job)) {
                ++job;
            } else {
                someEnded = true;
                job = unfinished.erase(job);
            }
        }
        // Read as soon as they finish, before a busy spooler forgets them.
        if (someEnded)
            look();
        if (unfinished.empty())
            break;
        pause(int(unfinished.size()));
    }

    JobFates fates;
    fates.queue = m_queue->name();
    for (const QueuedEnvelope& envelope : envelopes) {
        const auto found = m_ended.find(envelope.job);
        if (found == m_ended.end()) {
            ++fates.forgotten;
            continue;
        }
        switch (found->second) {
        case PrintQueue::JobState::Cancelled:
            fates.cancelled.push_back(envelope);
            break;
        case PrintQueue::JobState::Aborted:
            fates.aborted.push_back(envelope);
            break;
        case PrintQueue::JobState::Completed:
        case PrintQueue::JobState::Waiting:
            // The spooler lists only finished jobs as such.
            ++fates.printed;
            break;
        }
    }
    return fates;
}
