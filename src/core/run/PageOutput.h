#pragma once

#include "core/envelope/PageGeometry.h"
#include "core/profiles/PrintProfile.h"

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Notices;
class PdfPages;
class PrintQueue;
class QTemporaryDir;
struct Envelope;

// Where envelopes are printed, as the printer dialog or the command line chose it.
struct PrintDestination {
    enum class Kind {
        // The system's default print queue (without one, the first queue there is); a
        // machine without any queue prints into the files folder.
        SystemQueue,
        // The queue named.
        Queue,
        // A PDF file of its own for every envelope, on A4.
        Folder,
        // Every envelope of a run as a page of one PDF file.
        File,
    };
    Kind kind = Kind::SystemQueue;
    QString queue;
    // An absolute path; an empty one prints into the files folder.
    QString file;
    // The paper of a queue or of the one file; the files folder always takes A4. Unset
    // (invalid), a queue prints on its default paper (the user's lpoptions default, else its
    // own), and the one file on A4.
    QPageSize paper;
    // Device pixels per inch of the pages drawn.
    int resolution = 1200;

    static PrintDestination toQueue(const QString& name) {
        PrintDestination destination;
        destination.kind = Kind::Queue;
        destination.queue = name;
        return destination;
    }
    static PrintDestination intoFolder() {
        PrintDestination destination;
        destination.kind = Kind::Folder;
        return destination;
    }
    static PrintDestination intoFile(const QString& path) {
        PrintDestination destination;
        destination.kind = Kind::File;
        destination.file = path;
        return destination;
    }
};

// The paper of this name: Qt's or a PPD's (A4, EnvDL, EnvC5), its name as Qt shows it (A4,
// DL, C5), or an envelope's name without «Env» (DL, C5, C6), in any case; invalid when
// there is no such paper.
QPageSize paperNamed(const QString& name);

// What one page needs besides the composed envelope: the current profile's
// placement settings and the names the document is known by.
struct PageRequest {
    bool c5 = false;
    int listpos = 0;
    QString allx = QStringLiteral("0");
    QString ally = QStringLiteral("0");
    QString recipient;
    QString profile;

    // The print job's title, and the stem of a PDF file's name.
    QString documentName() const;
};

// An envelope a print queue accepted: for whom, in which profile, and the spooler's job.
struct QueuedEnvelope {
    QString recipient;
    QString profile;
    int job = 0;
    bool operator==(const QueuedEnvelope&) const = default;
};

// Where finished pages go instead of the printer; tests record them here.
class PageTarget {
public:
    virtual ~PageTarget() = default;
    // One envelope as a document of its own, drawn at the placement; throws on failure, and
    // QueueFull where a queue at its limit of jobs would refuse it.
    virtual void printDocument(const Envelope& envelope, const PagePlacement& placement,
                               const PageRequest& request) = 0;
};

// The program's printer: measured once, then one print document per envelope, a PDF
// drawn in memory and sent to the print queue as a job of its own. Without any print
// queue every envelope becomes a PDF file of its own in the folder PDF of the program
// folder; when the user chooses a PDF file in the printer dialog, a print run goes into
// that one file, a page per envelope.
class PageOutput {
public:
    // appdir is the program folder with a trailing separator.
    PageOutput(Notices& notices, const QString& appdir, const PrintDestination& destination = {});
    ~PageOutput();
    PageOutput(const PageOutput&) = delete;
    PageOutput& operator=(const PageOutput&) = delete;

    // Measures the destination's page and turns it to landscape. When there is nowhere to
    // print at all, says "Печать невозможна." with the reason; pages then fail.
    void checkprinter(const ScreenConversions& screen);
    // Another destination (the printer dialog's choice), measured at once with the screen
    // of the last measuring.
    void setDestination(const PrintDestination& destination);
    const PrintDestination& destination() const { return m_destination; }
    // Prints one envelope as one document. A failure is shown with its own text
    // and gives false, so that a print run can go on with the next envelope.
    // Outside a run, the envelope is a run of its own.
    bool printone(const Envelope& envelope, const PageRequest& request);

    // How a run to a print queue sends its envelopes.
    enum class Jobs {
        // A job per envelope, sent before printone() returns: for a run that waits between
        // envelopes, so that each is at the printer while the user decides.
        EachAtOnce,
        // A job per envelope, drawn a few at a time into one document that is then cut into
        // a document per envelope, each sent as its own job: for a run nobody waits in, since
        // Qt embeds the fonts once per document, which takes longer than drawing the page.
        // The envelopes go out when a batch is full, at settle(), and when the run ends.
        InBatches,
        // The whole run as one job of a page per envelope, in print order, sent when the run
        // ends (also when it is stopped, with the pages drawn so far).
        One,
    };
    // Envelopes a batch collects before they are sent: few, so that a refusal is known within
    // about a tenth of a second of drawing; fewer send markedly slower (README: the print
    // queue's benchmark).
    static constexpr int batchEnvelopes = 16;

    // A print run: the envelopes printed while it lasts go into the same files, and to a
    // print queue as `jobs` says.
    class Run {
    public:
        explicit Run(PageOutput& output, Jobs jobs = Jobs::EachAtOnce);
        // Every envelope of the run on disk; a failure is shown.
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        PageOutput& m_output;
    };
    // The envelopes printed so far are in their files when this returns, as far as
    // files of their own allow (the one chosen file is complete only at the run's end);
    // a failure is shown. Called before the run waits for the user.
    void settle();
    const PrinterMetrics& metrics() const { return m_metrics; }
    // The landscape page the envelopes are drawn on, from the paper's corner.
    const QPageLayout& pageLayout() const { return m_layout; }
    int resolution() const { return m_resolution; }
    // The queue printed to; empty when printing into files.
    const QString& queueName() const { return m_queueName; }

    // Envelopes go into PDF files rather than to a print queue.
    bool printsToFiles() const { return m_mode != Mode::Spooler; }
    // Envelopes go to the print queue itself, not into files nor to a target.
    bool sendsToQueue() const { return m_mode == Mode::Spooler && !m_target; }
    // The files of the run under way (or of the last one) could not be written, a full disk
    // say: the run must not go on; the user was told why and how many envelopes are in
    // complete files. Also when the user stopped the run while it waited for a full queue.
    bool runStopped() const;
    // Files written since the count was last reset, and the folder they are in.
    int filesWritten() const;
    void resetFilesWritten() {
        m_filesWritten = 0;
        m_jobsSent = 0;
    }
    QString filesFolder() const;
    // What the user is told after a run that wrote files; empty when none were written.
    QString filesNotice() const;

    // Without a print queue, the files go into this folder rather than PDF of the program
    // folder; empty restores that. Takes effect at the next measuring.
    void setFilesFolder(const QString& folder) { m_filesFolder = folder; }

    // Asked each time the queue refuses an envelope only because it holds as many jobs as it
    // takes (`attempt` counts from 0 for each envelope); it shows that the run waits and
    // pauses a moment, after which the envelope is sent again. False stops the run there:
    // that envelope is not printed, and runStopped() tells so. Without one, the output
    // pauses half a second each time and waits as long as it takes.
    using QueueWait = std::function<bool(const QString& queue, int attempt)>;
    void setQueueWait(QueueWait wait) { m_queueWait = std::move(wait); }
    // Envelopes the queue took since the count was last reset (with resetFilesWritten).
    int jobsSent() const { return m_jobsSent; }
    // The spooler's number of the job of the last envelope printone() sent to the queue; 0
    // when that envelope went elsewhere (files, a target), was not taken, or waits in a
    // batch or the run's one job (those are told by accepted() and notAccepted()).
    int lastJob() const { return m_lastJob; }
    // The envelopes of the run under way (or of the last one) that went to the queue after
    // their printone() returned, in the run's one job or in batches, and that the queue did
    // not take, in print order: recipient and profile. Each refusal was shown.
    const std::vector<std::pair<QString, QString>>& notAccepted() const { return m_notAccepted; }
    // Those that the queue took, in print order, each with its job.
    const std::vector<QueuedEnvelope>& accepted() const { return m_accepted; }

    // Pages go to this target instead of the printer (not owned); nullptr restores the printer.
    void setTarget(PageTarget* target) { m_target = target; }

private:
    enum class Mode { Spooler, Folder, ChosenFile };

    void measure();
    void printDocument(const Envelope& envelope, const PagePlacement& placement,
                       const PageRequest& request);
    void beginRun(Jobs jobs);
    void endRun();
    // The run's one job to the queue: its pages, as the one chosen file is drawn.
    void addToJob(const Envelope& envelope, const PagePlacement& placement,
                  const PageRequest& request);
    void sendJob();
    // A batch's envelope drawn into its document.
    void addToBatch(const Envelope& envelope, const PagePlacement& placement,
                    const PageRequest& request);
    // The batch cut into a document per envelope, each sent as a job of its own.
    void sendBatch();
    void showFailure(const std::exception& e);
    // Sends again while the queue refuses for its limit of jobs, as the queue wait says.
    void whileQueueFull(const std::function<void()>& send);
    QString reserveFile(const PageRequest& request);

    Notices& m_notices;
    QString m_appdir;
    PrintDestination m_destination;
    QString m_queueName;
    QPageLayout m_layout;
    int m_resolution = 1200;
    // The queue's connection while a run lasts.
    std::unique_ptr<PrintQueue> m_queue;
    PageTarget* m_target = nullptr;
    ScreenConversions m_screen;
    PrinterMetrics m_metrics;
    Mode m_mode = Mode::Spooler;
    // The file the user chose in the printer dialog; numbered files go beside it.
    QString m_chosenFile;
    QString m_filesFolder;
    // Why nothing can be printed, as the user was told at measuring; empty when all is well.
    QString m_unavailable;
    int m_nextNumber = 1;
    int m_filesWritten = 0;
    // The files of the run under way; none outside a run or when printing to a queue.
    std::unique_ptr<PdfPages> m_pages;
    bool m_inRun = false;
    bool m_runStopped = false;
    QueueWait m_queueWait;
    int m_jobsSent = 0;
    int m_lastJob = 0;
    // The run under way goes to the queue as one job.
    bool m_oneJob = false;
    // That job's pages, in a temporary file until the run ends, and their envelopes.
    std::unique_ptr<QTemporaryDir> m_jobFolder;
    std::unique_ptr<PdfPages> m_job;
    std::vector<std::pair<QString, QString>> m_jobEnvelopes;
    QString m_jobTitle;
    // The run under way sends its envelopes in batches.
    bool m_inBatches = false;
    struct Batch;
    std::unique_ptr<Batch> m_batch;
    std::vector<std::pair<QString, QString>> m_notAccepted;
    std::vector<QueuedEnvelope> m_accepted;
};
