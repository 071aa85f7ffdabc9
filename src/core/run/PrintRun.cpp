#include "core/run/PrintRun.h"

#include "core/envelope/Compose.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/AddressRules.h"
#include "core/run/PageOutput.h"
#include "core/run/RunChoice.h"

#include <QScopeGuard>
#include <QThread>
#include <exception>

void PrintRunObserver::recipientStarts(int, const QString&) {}
bool PrintRunObserver::confirmsAtRecipientStart() {
    return false;
}
bool PrintRunObserver::proceed(const QString&, const QString&, bool) {
    return true;
}
void PrintRunObserver::composed(const Envelope&) {}
void PrintRunObserver::envelopeDone(int, int) {}
bool PrintRunObserver::queueFull(const QString&, int) {
    QThread::msleep(500);
    return true;
}
void PrintRunObserver::ending(bool, const QString&) {}

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

PrintRunResult PrintRun::run(const PrintRunSetup& setup, PrintRunObserver& observer) {
    const std::vector<RunRecipient> recipients = runRecipients(setup.recipients);
    const QStringList& profiles = setup.profiles;
    PrintRunResult result;
    QStringList names;
    for (const RunRecipient& line : recipients)
        names.append(line.name);
    const std::vector<PlannedEnvelope> plan = planEnvelopes(names, profiles);
    result.planned = int(plan.size());
    bool waits = false;
    if (setup.delays) {
        const ProgramOptions options = ProgramOptions::read(m_ini);
        waits = runWaits(options.printDelaySeconds(), options.delayMode(), int(profiles.size()));
    }
    const AddressTexts sender = setup.sender ? *setup.sender : m_records.senderTexts();
    m_output.resetFilesWritten();
    // While the run lasts, a full queue makes it wait as the observer shows.
    m_output.setQueueWait([&observer](const QString& queue, int attempt) {
        return observer.queueFull(queue, attempt);
    });
    const auto unhooked = qScopeGuard([this] { m_output.setQueueWait({}); });

    std::exception_ptr failure;
    {
        // The run's envelopes share their files (one chosen file, or a batch cut into files).
        PageOutput::Run pages(m_output, setup.oneJob && !waits);
        int done = 0;
        // Whether the wait window waits for a confirmation: as the profile of the envelope
        // printed just before says, and at a recipient's first envelope as the observer says.
        bool confirm = false;
        // The profile of the last envelope printed for the recipient under way.
        QString last;

        // One envelope; false when the run stops before it.
        auto envelope = [&](const QString& recipient, const AddressTexts& texts,
                            const QString& name) {
            if (waits && !result.stopped) {
                // What is printed is on disk while the user decides.
                m_output.settle();
                if (m_output.runStopped() || !observer.proceed(recipient, name, confirm))
                    result.stopped = true;
            }
            if (result.stopped) {
                observer.ending(true, last);
                return false;
            }
            const LoadedProfiles::Loaded* profile = nullptr;
            try {
                profile = &m_profiles.load(name);
            } catch (...) {
                observer.ending(true, last);
                throw;
            }
            const PrintProfile& p = profile->profile;
            const Envelope composed = composeEnvelope(p, texts, profile->pictures, m_screen);
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
                // A line without a record has an empty one: no name, as the editors show it.
                const RecipientRecord record =
                    m_records.recipientNamed(line.name).value_or(RecipientRecord{});
                const QString& name = record.name;
                const AddressTexts texts = printedTexts(record, sender);
                for (; going && next != plan.cend() && next->recipientIndex == int(index); ++next)
                    going = envelope(name, texts, next->profile);
            }
            if (going)
                observer.ending(false, last);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // A run sent as one job is refused whole.
    for (const auto& envelope : m_output.notAccepted()) {
        ++result.failed;
        result.notPrinted.push_back(envelope);
    }
    if (m_output.runStopped())
        result.stopped = true;
    if (const QString notice = m_output.filesNotice(); !notice.isEmpty())
        observer.filesNotice(notice);
    if (failure)
        std::rethrow_exception(failure);
    return result;
}
