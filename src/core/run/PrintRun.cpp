#include "core/run/PrintRun.h"

#include "core/envelope/Compose.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/AddressRules.h"
#include "core/run/PageOutput.h"
#include "core/run/RunChoice.h"

#include <QScopeGuard>
#include <QThread>
#include <exception>
#include <optional>

void PrintRunObserver::recipientStarts(int, const QString&) {}
bool PrintRunObserver::confirmsAtRecipientStart() {
    return false;
}
bool PrintRunObserver::proceed(const QString&, const QString&, bool) {
    return true;
}
void PrintRunObserver::composed(const Envelope&) {}
void PrintRunObserver::doesNotFit(const QString&, const QString&, const std::vector<LineMisfit>&) {}
void PrintRunObserver::envelopeDone(int, int) {}
bool PrintRunObserver::queueFull(const QString&, int) {
    QThread::msleep(500);
    return true;
}
void PrintRunObserver::ending(bool, const QString&) {}

QString PrintRunResult::acceptedText() const {
    return QStringLiteral("Очередь печати «%1» приняла конвертов: %2 из %3.")
        .arg(queue)
        .arg(queued.size())
        .arg(planned);
}

QStringList PrintRunResult::refusedLines() const {
    QStringList lines;
    for (const auto& [recipient, profile] : notPrinted)
        lines.append(
            QStringLiteral("Не принят: %1, профиль «%2».")
                .arg(recipient.isEmpty() ? QStringLiteral("(без имени)") : recipient, profile));
    return lines;
}

QString PrintRunResult::queueNotice() const {
    if (queue.isEmpty() || planned == 0)
        return {};
    return (QStringList{acceptedText()} + refusedLines()).join(QStringLiteral("\r\n"));
}

std::vector<RunRecipient> runRecipients(const RunRecipients& recipients) {
    std::vector<RunRecipient> chosen;
    const QStringList& lines = recipients.lines;
    if (lines.isEmpty())
        return chosen;
    for (qsizetype line = 0; line < lines.size(); ++line)
        if (recipients.ticked.value(line))
            chosen.push_back({int(line), lines[line]});
    if (!chosen.empty())
        return chosen;
    const int current = recipients.current;
    if (current >= 0 && current < lines.size())
        chosen.push_back({current, lines[current]});
    else
        chosen.push_back({-1, QString()});
    return chosen;
}

bool runWaits(int printDelaySeconds, int delayMode, int profiles) {
    return printDelaySeconds > 0 && (delayMode == 1 || (delayMode == 2 && profiles > 1));
}

PrintRun::PrintRun(const IniFile& ini, const RecordsByName& records, LoadedProfiles& profiles,
                   PageOutput& output, const ScreenConversions& screen)
    : m_ini(ini), m_records(records), m_profiles(profiles), m_output(output), m_screen(screen) {}

PrintRun::Plan PrintRun::plan(const PrintRunSetup& setup) const {
    Plan plan;
    plan.recipients = runRecipients(setup.recipients);
    QStringList names;
    for (const RunRecipient& line : plan.recipients)
        names.append(line.name);
    plan.envelopes = planEnvelopes(names, setup.profiles);
    plan.sender = setup.sender ? *setup.sender : m_records.senderTexts();
    return plan;
}

PrintRun::Recipient PrintRun::recipient(const RunRecipient& line,
                                        const AddressTexts& sender) const {
    // A line without a record has an empty one: no name, as the editors show it.
    const RecipientRecord record = m_records.recipientNamed(line.name).value_or(RecipientRecord{});
    return {record.name, printedTexts(record, sender)};
}

PrintRun::Composed PrintRun::compose(const Recipient& recipient, const QString& profile) {
    const LoadedProfiles::Loaded& loaded = m_profiles.load(profile);
    return {loaded.profile,
            composeEnvelope(loaded.profile, recipient.texts, loaded.pictures, m_screen)};
}

std::vector<EnvelopeMisfits> PrintRun::misfits(const PrintRunSetup& setup) {
    const Plan plan = this->plan(setup);
    std::vector<EnvelopeMisfits> found;
    auto next = plan.envelopes.cbegin();
    for (size_t index = 0; index < plan.recipients.size(); ++index) {
        const Recipient recipient = this->recipient(plan.recipients[index], plan.sender);
        for (; next != plan.envelopes.cend() && next->recipientIndex == int(index); ++next) {
            std::vector<LineMisfit> lines;
            try {
                lines = envelopeMisfits(compose(recipient, next->profile).envelope);
            } catch (const std::exception&) {
                // The run prints the envelopes before it and then names the profile.
                return found;
            }
            if (!lines.empty())
                found.push_back({recipient.name, next->profile, std::move(lines)});
        }
    }
    return found;
}

PrintRunResult PrintRun::run(const PrintRunSetup& setup, PrintRunObserver& observer) {
    const Plan planned = plan(setup);
    const std::vector<RunRecipient>& recipients = planned.recipients;
    const std::vector<PlannedEnvelope>& plan = planned.envelopes;
    const QStringList& profiles = setup.profiles;
    PrintRunResult result;
    result.planned = int(plan.size());
    bool waits = false;
    if (setup.delays) {
        const ProgramOptions options = ProgramOptions::read(m_ini);
        waits = runWaits(options.printDelaySeconds(), options.delayMode(), int(profiles.size()));
    }
    m_output.resetFilesWritten();
    if (m_output.sendsToQueue())
        result.queue = m_output.queueName();
    // While the run lasts, a full queue makes it wait as the observer shows.
    m_output.setQueueWait([&observer](const QString& queue, int attempt) {
        return observer.queueFull(queue, attempt);
    });
    const auto unhooked = qScopeGuard([this] { m_output.setQueueWait({}); });

    // The envelopes that reach the queue after their turn (in batches, or in the run's one
    // job), taken or refused, told in print order as the output sends them.
    size_t acceptedTold = 0;
    size_t refusedTold = 0;
    auto sentLater = [&] {
        const std::vector<QueuedEnvelope>& accepted = m_output.accepted();
        for (; acceptedTold < accepted.size(); ++acceptedTold)
            result.queued.push_back(accepted[acceptedTold]);
        const std::vector<std::pair<QString, QString>>& refused = m_output.notAccepted();
        for (; refusedTold < refused.size(); ++refusedTold) {
            ++result.failed;
            result.notPrinted.push_back(refused[refusedTold]);
        }
    };

    std::exception_ptr failure;
    {
        // The run's envelopes share their files (one chosen file, or a batch cut into files).
        // Where nobody waits between envelopes, they go to a queue in batches or as one job;
        // a run that waits sends each before the wait.
        using Jobs = PageOutput::Jobs;
        PageOutput::Run pages(m_output, waits          ? Jobs::EachAtOnce
                                        : setup.oneJob ? Jobs::One
                                                       : Jobs::InBatches);
        int done = 0;
        // Whether the wait window waits for a confirmation: as the profile of the envelope
        // printed just before says, and at a recipient's first envelope as the observer says.
        bool confirm = false;
        // The profile of the last envelope printed for the recipient under way.
        QString last;

        // One envelope; false when the run stops before it.
        auto envelope = [&](const Recipient& to, const QString& name) {
            const QString& recipient = to.name;
            if (result.stopped) {
                observer.ending(true, last);
                return false;
            }
            std::optional<Composed> made;
            try {
                made.emplace(compose(to, name));
            } catch (...) {
                observer.ending(true, last);
                throw;
            }
            const PrintProfile& p = made->profile;
            const Envelope& composed = made->envelope;
            // Composed before the wait, so that the wait can say what does not fit.
            const std::vector<LineMisfit> misfits = envelopeMisfits(composed);
            if (!misfits.empty())
                observer.doesNotFit(recipient, name, misfits);
            if (waits) {
                // What is printed is on disk while the user decides.
                m_output.settle();
                if (m_output.runStopped() || !observer.proceed(recipient, name, confirm)) {
                    result.stopped = true;
                    observer.ending(true, last);
                    return false;
                }
            }
            observer.composed(composed);
            confirm = p.printconfirm;
            last = name;
            PageRequest request;
            request.c5 = p.format == 1;
            request.listpos = p.listpos;
            request.allx = p.allx;
            request.ally = p.ally;
            request.recipient = recipient;
            request.profile = name;
            const bool printed = m_output.printone(composed, request);
            // Stopped while it waited for a full queue, the user stopped it: no failure.
            const bool stoppedWaiting = m_output.runStopped() && !m_output.printsToFiles();
            if (!printed && !stoppedWaiting) {
                ++result.failed;
                result.notPrinted.emplace_back(recipient, name);
            }
            if (printed && m_output.lastJob() > 0)
                result.queued.push_back({recipient, name, m_output.lastJob()});
            sentLater();
            observer.envelopeDone(++done, result.planned);
            // Files that cannot be written (a full disk) end the run; the user was told.
            if (m_output.runStopped())
                result.stopped = true;
            return true;
        };

        try {
            auto next = plan.cbegin();
            bool going = true;
            // Every recipient is shown, also one without envelopes (no profile chosen).
            for (size_t index = 0; going && index < recipients.size(); ++index) {
                const RunRecipient& line = recipients[index];
                last.clear();
                confirm = observer.confirmsAtRecipientStart();
                observer.recipientStarts(line.line, line.name);
                const Recipient to = recipient(line, planned.sender);
                for (; going && next != plan.cend() && next->recipientIndex == int(index); ++next)
                    going = envelope(to, next->profile);
            }
            if (going)
                observer.ending(false, last);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // The last batch, and the one job, taken or refused whole, went out as the run ended.
    sentLater();
    if (m_output.runStopped())
        result.stopped = true;
    if (const QString notice = m_output.filesNotice(); !notice.isEmpty())
        observer.filesNotice(notice);
    if (failure)
        std::rethrow_exception(failure);
    return result;
}
