#pragma once

#include "core/envelope/Envelope.h"
#include "core/envelope/PageGeometry.h"
#include "core/profiles/PrintProfile.h"
#include "core/run/PageOutput.h"
#include "core/run/RunChoice.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class RecordsByName;
class IniFile;

// What the program around a print run shows and asks while the run goes. The window
// shows each recipient and envelope and waits between envelopes; the command line
// program shows its progress.
class PrintRunObserver {
public:
    virtual ~PrintRunObserver() = default;
    // The recipient whose envelopes come next, by its line in the list given (-1: the run
    // prints the current recipient, and there is no line of it).
    virtual void recipientStarts(int line, const QString& name);
    // Whether the wait before a recipient's first envelope waits for a confirmation rather
    // than counting down; asked before each recipient starts.
    virtual bool confirmsAtRecipientStart();
    // Before an envelope, when the run waits between envelopes (the print delay): the
    // recipient's name, the profile and whether to wait for a confirmation. False stops the run.
    virtual bool proceed(const QString& recipient, const QString& profile, bool confirm);
    // The envelope about to be printed.
    virtual void composed(const Envelope& envelope);
    // The envelope about to be printed cuts or leaves out these lines (never called when
    // everything fits); told before the wait for the envelope, if any. The run prints it all
    // the same: a window asks before the run (PrintRun::misfits), the command line says it.
    virtual void doesNotFit(const QString& recipient, const QString& profile,
                            const std::vector<LineMisfit>& misfits);
    // After each envelope, printed or not: how many of how many.
    virtual void envelopeDone(int done, int total);
    // The queue refused the next envelope only because it holds as many jobs as it takes
    // (`attempt` counts from 0 for each envelope): shows that the run waits for the printer
    // and pauses a moment before the envelope is sent again. False stops the run. By
    // default it pauses half a second and goes on waiting.
    virtual bool queueFull(const QString& queue, int attempt);
    // The run ends: `early` when stopped, or at a profile that cannot be loaded;
    // `lastProfile` is the profile of the last envelope printed for the recipient under
    // way, empty at a recipient's start. Called before the files of the run are complete.
    virtual void ending(bool early, const QString& lastProfile);
    // The run wrote files: how many and where, as the user is told.
    virtual void filesNotice(const QString& text) = 0;
};

// The recipient list of a print run, as the main window shows it or as the command line
// chose it.
struct RunRecipients {
    // The listed names, in the list's order.
    QStringList lines;
    // For each line whether it is ticked; missing entries are not.
    QList<bool> ticked;
    // The line shown when none is ticked; -1: none.
    int current = 0;
};

// One recipient of a run: its line in the list (-1 for no line) and its name.
struct RunRecipient {
    int line = -1;
    QString name;
    bool operator==(const RunRecipient&) const = default;
};
// The recipients a run prints: the ticked lines in order; when none is ticked, the current
// line; nobody when the list is empty.
std::vector<RunRecipient> runRecipients(const RunRecipients& recipients);

// Whether the run waits before every envelope: a print delay set, and the delay mode for
// every envelope (1) or, with more than one profile, for the profiles (2).
bool runWaits(int printDelaySeconds, int delayMode, int profiles);

struct PrintRunSetup {
    RunRecipients recipients;
    // Every recipient gets an envelope of each, in this order.
    QStringList profiles;
    // The sender's texts on the envelopes (otkogo, otkyda, intyt); none: the address
    // book's default sender.
    std::optional<AddressTexts> sender;
    // The run waits between envelopes as the settings file's print delay says (the window);
    // otherwise never.
    bool delays = false;
    // A run to a print queue goes there as one job of a page per envelope, in print order,
    // when it does not wait between envelopes; a run that waits sends a job per envelope.
    bool oneJob = false;
};

// An envelope of a run whose text does not fit: the record's name, the profile and the lines.
struct EnvelopeMisfits {
    QString recipient;
    QString profile;
    std::vector<LineMisfit> lines;
    bool operator==(const EnvelopeMisfits&) const = default;
};

struct PrintRunResult {
    // The envelopes the run set out to print.
    int planned = 0;
    // Envelopes whose page failed, or that the queue did not take (each failure was told).
    int failed = 0;
    // The user stopped the run, or its files could not be written.
    bool stopped = false;
    // Those envelopes, in print order: recipient and profile.
    std::vector<std::pair<QString, QString>> notPrinted;
    // The print queue the run sent its envelopes to; empty when it printed into files.
    QString queue;
    // Every envelope the queue accepted, in print order, with its job.
    std::vector<QueuedEnvelope> queued;

    // After a run into a queue: how many envelopes it accepted of those planned.
    QString acceptedText() const;
    // One line for each envelope the queue did not accept, naming it, so that it can be
    // printed again.
    QStringList refusedLines() const;
    // What the window says when a run into a queue ends: the accepted count, then the
    // envelopes not accepted; empty when the run printed into files or had nothing to print.
    QString queueNotice() const;
};

// One print run, for the window and the command line alike: recipient by recipient, each
// with every profile in order; each profile read once; the texts from the address book
// record; composition; page output (the queue, the files or the one file); the run stops
// when the user says so or when its files cannot be written.
class PrintRun {
public:
    PrintRun(const IniFile& ini, const RecordsByName& records, LoadedProfiles& profiles,
             PageOutput& output, const ScreenConversions& screen);

    // Throws the load error of a profile that cannot be loaded, once the envelopes printed
    // before it are complete and the files notice is given.
    PrintRunResult run(const PrintRunSetup& setup, PrintRunObserver& observer);

    // The envelopes of the run whose text does not fit, in print order, each composed as the
    // run composes it (every profile loaded once, as the run would load it); no page is
    // drawn, nothing is asked. So a window asks once, before the run, while its user is
    // there. It ends at a profile that cannot be loaded: the run stops there and says why.
    std::vector<EnvelopeMisfits> misfits(const PrintRunSetup& setup);

private:
    // The run's recipients and envelopes in print order, and the sender they carry.
    struct Plan {
        std::vector<RunRecipient> recipients;
        std::vector<PlannedEnvelope> envelopes;
        AddressTexts sender;
    };
    Plan plan(const PrintRunSetup& setup) const;
    // A recipient as its envelopes print it: the record's name (none for a line without a
    // record, as the editors show it) and its texts with the sender.
    struct Recipient {
        QString name;
        AddressTexts texts;
    };
    Recipient recipient(const RunRecipient& line, const AddressTexts& sender) const;
    // One envelope of the recipient with the profile, read at its first use (throws its load
    // error), composed as it is printed.
    struct Composed {
        const PrintProfile& profile;
        Envelope envelope;
    };
    Composed compose(const Recipient& recipient, const QString& profile);

    const IniFile& m_ini;
    const RecordsByName& m_records;
    LoadedProfiles& m_profiles;
    PageOutput& m_output;
    ScreenConversions m_screen;
};
