// Measures the program's main operations at the sizes real offices reach, through the real
// windows offscreen, and prints each figure's median beside its target. Not a test: run it
// by hand on a quiet machine (see the README).
#include "BenchFolder.h"
#include "SilentMessages.h"

#include "core/UserError.h"
#include "core/addressbook/AccessBook.h"
#include "core/addressbook/AddressDb.h"
#include "core/addressbook/AddressImport.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/OpenAddressBook.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintRun.h"
#include "ui/addressbook/CheckList.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/app/RecipientTicks.h"
#include "ui/app/RecordsPane.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/LayoutEditor.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

// A line of /proc/self/status in megabytes.
double statusMb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// The window's own control of that type and name, found as tools outside the program find
// it; those of the windows opened over it (the editor has its own ToolButton1 and Timer1)
// do not count.
template <class T> T& own(QWidget& window, const char* name) {
    for (T* found : window.findChildren<T*>(QString::fromLatin1(name))) {
        const QObject* above = found->parent();
        for (; above != &window; above = above->parent()) {
            const auto* widget = qobject_cast<const QWidget*>(above);
            if (widget && widget->isWindow() && widget->windowType() != Qt::Popup)
                break;
        }
        if (above == &window)
            return *found;
    }
    throw UserError(QStringLiteral("В окне нет элемента %1.").arg(QString::fromLatin1(name)));
}

// A private CUPS daemon (scripts/cups-test.sh) with a raw queue that discards what it gets,
// for the spooler's figures; the machine's own print system is never touched. Without
// cupsd, `missing` says why and nothing is started.
class PrivateSpooler {
public:
    static constexpr char queue[] = "NULLQ";

    PrivateSpooler() {
        if (!QFileInfo(QStringLiteral("/usr/sbin/cupsd")).isExecutable()) {
            missing = QStringLiteral("/usr/sbin/cupsd is not installed");
            return;
        }
        QProcess start;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No per-queue limit: the spooler's own MaxJobs (500) still holds, as on an office's.
        env.insert(QStringLiteral("CUPS_TEST_MAX_JOBS_PER_PRINTER"), QStringLiteral("0"));
        start.setProcessEnvironment(env);
        start.start(QStringLiteral("bash"),
                    {QStringLiteral(ENVALO_CUPS_TEST), QStringLiteral("start"), m_dir.path()});
        start.waitForFinished(60'000);
        const QString out = QString::fromLocal8Bit(start.readAllStandardOutput());
        const QRegularExpressionMatch socket =
            QRegularExpression(QStringLiteral("export CUPS_SERVER=(\\S+)")).match(out);
        if (start.exitCode() != 0 || !socket.hasMatch()) {
            missing = QStringLiteral("cups-test.sh did not start: ") +
                      QString::fromLocal8Bit(start.readAllStandardError()).trimmed();
            return;
        }
        m_started = true;
        // Before the program reaches libcups, which reads it once.
        qputenv("CUPS_SERVER", socket.captured(1).toLocal8Bit());
        tool(QStringLiteral("lpadmin"),
             {QStringLiteral("-p"), QLatin1String(queue), QStringLiteral("-E"),
              QStringLiteral("-v"), QStringLiteral("file:///dev/null"), QStringLiteral("-m"),
              QStringLiteral("raw")});
    }
    ~PrivateSpooler() {
        if (m_started)
            QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ENVALO_CUPS_TEST),
                                                       QStringLiteral("stop"), m_dir.path()});
    }
    PrivateSpooler(const PrivateSpooler&) = delete;
    PrivateSpooler& operator=(const PrivateSpooler&) = delete;

    // Drops the jobs the queue still holds and the spooler's history of those done, so that
    // each run starts as the first one did.
    static void empty() {
        tool(QStringLiteral("cancel"),
             {QStringLiteral("-a"), QStringLiteral("-x"), QLatin1String(queue)});
    }

    QString missing;

private:
    static void tool(const QString& program, const QStringList& arguments) {
        QProcess p;
        p.start(program, arguments);
        p.waitForFinished(60'000);
    }

    // A short path of plain letters: the daemon's socket is in it.
    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/envalo-cups-XXXXXX")};
    bool m_started = false;
};

double msSince(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

void say(const QString& text) {
    std::fputs(qPrintable(text + u'\n'), stdout);
    std::fflush(stdout);
}

struct Figure {
    Figure(QString name, QString unit, double target, bool atLeast = false)
        : name(std::move(name)), unit(std::move(unit)), target(target), atLeast(atLeast) {}

    QString name;
    QString unit;
    double target = 0;
    // Rates are good when high; times and memory when low.
    bool atLeast = false;
    std::vector<double> samples;

    bool met() const { return atLeast ? median(samples) >= target : median(samples) < target; }
    QString line() const {
        const QString runs = samples.size() == 1 ? QStringLiteral("1 run")
                                                 : QStringLiteral("%1 runs").arg(samples.size());
        return QStringLiteral("%1 median %2 %3  target %4 %5 %6  %7  (%8)")
            .arg(name, -56)
            .arg(median(samples), 9, 'f', 1)
            .arg(unit, -4)
            .arg(atLeast ? QStringLiteral(">=") : QStringLiteral("< "))
            .arg(target, 6, 'f', 0)
            .arg(unit, -4)
            .arg(met() ? QStringLiteral("met") : QStringLiteral("NOT MET"))
            .arg(runs);
    }
};

struct Options {
    int runs = 5;
    int profileRuns = 21;
    int printRuns = 3;
    int envelopes = 1000;
    int growthFrom = 100;
    int growthTo = 5000;
    QStringList only;
    BenchFolder::Sizes sizes;
    bool keep = false;
    // A PostgreSQL database to keep the address book in instead of the folder's file.
    QString database;

    bool wanted(const QString& key) const { return only.isEmpty() || only.contains(key); }
};

class Bench {
public:
    Bench(const Options& options, BenchFolder& folder, const PrivateSpooler* spooler = nullptr)
        : o(options), m_folder(folder), m_spooler(spooler) {}

    // The address book on a PostgreSQL server has targets of its own.
    bool onServer() const { return !o.database.isEmpty(); }

    // Creates every window as the program does and runs the deferred start-up step from
    // the event loop, as the program's own timers do. Returns the milliseconds it took.
    double start() {
        m_program.reset();
        QCoreApplication::processEvents();
        const int shownBefore = messages.total();
        QElapsedTimer clock;
        clock.start();
        m_program = std::make_unique<Program>(m_folder.appdir(), messages);
        Windows& w = m_program->windows();
        MainWindow& mainWindow = m_program->mainWindow();
        QEventLoop loop;
        // Both start-up timers, whichever fires first; the deferred step may stop the
        // profile store's. Connected after the program's own handlers, so these run once
        // those have ended.
        QTimer& deferred = own<QTimer>(mainWindow, "Timer1");
        QTimer& storeStart = *w.profileStore->findChild<QTimer*>(QStringLiteral("startTimer"));
        auto pending = [&] { return deferred.isActive() || storeStart.isActive(); };
        for (QTimer* timer : {&deferred, &storeStart})
            QObject::connect(timer, &QTimer::timeout, &loop, [&] {
                if (!pending())
                    loop.quit();
            });
        QTimer::singleShot(120'000, &loop, &QEventLoop::quit);
        mainWindow.show();
        if (pending())
            loop.exec();
        const double ms = msSince(clock);
        if (pending())
            throw UserError(QStringLiteral("Отложенный шаг запуска не выполнился."));
        if (messages.total() != shownBefore)
            say(QStringLiteral("  (start-up showed %1)").arg(messages.last()));
        return ms;
    }

    void run() {
        if (o.wanted(QStringLiteral("import"))) {
            const int rows = m_folder.sizes().recipients;
            const QByteArray file = m_folder.spreadsheet(rows);
            Figure f{QStringLiteral("import of %1 spreadsheet rows into an empty book").arg(rows),
                     "ms", 5000};
            for (int i = 0; i < o.printRuns; ++i) {
                AddressDb empty(QStringLiteral("bench-import"));
                empty.open(m_folder.emptyDatabase(QStringLiteral("import.mdb")));
                QElapsedTimer clock;
                clock.start();
                const CsvFormat format = detectCsvFormat(file);
                const AddressTable table = readCsv(file, format);
                ImportOptions options;
                options.mapping = ColumnMapping::guess(table, AddressPage::Recipients);
                const ImportReport report = importAddresses(empty, table, options);
                f.samples.push_back(msSince(clock));
                if (report.added != rows)
                    say(QStringLiteral("  (import added %1 of %2 rows)")
                            .arg(report.added)
                            .arg(rows));
            }
            report(f);
            // Before the program starts, so that the process holds nothing else yet.
            Figure memory{QStringLiteral("peak memory of the process after the imports"), "MB",
                          300};
            memory.samples.push_back(statusMb("VmHWM"));
            report(memory);
        }
        if (o.wanted(QStringLiteral("access"))) {
            // The largest Access address book of the tests, as a folder from an older Windows
            // installation brings it: read, converted into a new file and put in its place.
            Figure f{QStringLiteral("conversion of an Access address book, 503 recipients"), "ms",
                     500};
            Figure rate{QStringLiteral("conversion of an Access address book, rate"), "rec/s",
                        503 / 0.5, true};
            std::vector<double> resident;
            int converted = 0;
            for (int i = 0; i < std::max(o.runs, 5); ++i) {
                QTemporaryDir dir;
                const QString path = dir.filePath(QStringLiteral("Convert.mdb"));
                if (!QFile::copy(QStringLiteral(ENVALO_ACCESS_BOOK), path))
                    throw UserError(QStringLiteral("Нет файла %1.").arg(ENVALO_ACCESS_BOOK));
                QElapsedTimer clock;
                clock.start();
                converted = convertAccessFile(AccessBook(path)).counts.recipients;
                const double ms = msSince(clock);
                f.samples.push_back(ms);
                rate.samples.push_back(converted / (ms / 1000.0));
                resident.push_back(statusMb("VmRSS"));
            }
            report(f);
            report(rate);
            Figure growth{QStringLiteral("memory growth, conversion %1 after conversion 1")
                              .arg(resident.size()),
                          "MB", 5};
            growth.samples.push_back(resident.back() - resident.front());
            report(growth);
            say(QStringLiteral("  (%1 recipients converted each time)").arg(converted));
        }
        if (o.wanted(QStringLiteral("startup"))) {
            Figure f(QStringLiteral("start-up to the end of the deferred step, %1 recipients")
                         .arg(m_folder.sizes().recipients),
                     "ms", onServer() ? 1500 : 2000);
            std::vector<double> resident;
            for (int i = 0; i < o.runs; ++i) {
                f.samples.push_back(start());
                resident.push_back(statusMb("VmRSS"));
            }
            report(f);
            // Each start-up replaces the windows of the one before; memory stays where the
            // first left it.
            if (resident.size() > 1) {
                Figure growth(QStringLiteral("memory growth, start-up %1 after start-up 1")
                                  .arg(resident.size()),
                              "MB", 50);
                growth.samples.push_back(resident.back() - resident.front());
                report(growth);
                say(QStringLiteral("  (resident memory %1 MB after start-up 1, %2 MB after "
                                   "start-up %3)")
                        .arg(resident.front(), 0, 'f', 1)
                        .arg(resident.back(), 0, 'f', 1)
                        .arg(resident.size()));
            }
        }
        if (!m_program)
            start();
        Windows& w = m_program->windows();
        MainWindow& mainWindow = static_cast<MainWindow&>(*w.mainWindow);
        ProfileStore& opt = *w.profileStore;
        CheckList& recipients = own<CheckList>(mainWindow, "cb");
        say(QStringLiteral("  (listed after start-up: %1 recipients, %2 senders, %3 profiles)")
                .arg(recipients.count())
                .arg(own<ListBox>(mainWindow, "cb2").count())
                .arg(opt.profileNames().names().size()));

        if (o.wanted(QStringLiteral("loadlists"))) {
            report(timed(QStringLiteral("loadlists"), onServer() ? 500 : 300, o.runs,
                         [&] { mainWindow.refillLists(); }));
        }
        if (o.wanted(QStringLiteral("find"))) {
            own<QCheckBox>(mainWindow, "cb1").setChecked(false);
            QLineEdit& find = own<QLineEdit>(mainWindow, "editfind");
            find.setText(QStringLiteral("Петров Анна"));
            report(timed(QStringLiteral("findrecords, two words"), 200, o.runs,
                         [&] { mainWindow.records().search(); }));
            say(QStringLiteral("  (lines found: %1)").arg(recipients.count()));
            find.clear();
            mainWindow.refillLists();
        }
        if (o.wanted(QStringLiteral("checkall"))) {
            QToolButton& checkAll = own<QToolButton>(mainWindow, "ToolButton6");
            report(timed(QStringLiteral("\"Отметить всё\""), onServer() ? 1000 : 500, o.runs,
                         [&] { checkAll.click(); }));
        }
        if (o.wanted(QStringLiteral("storechecks"))) {
            // Closing stores only the marks the file does not hold yet: every one differs here.
            CheckListModel& lines = recipients.lines();
            report(timed(QStringLiteral("storechecks"), onServer() ? 1000 : 500, o.runs, [&] {
                lines.setAllChecked(lines.count() > 0 && !lines.isChecked(0));
                mainWindow.records().ticks().storeAll();
            }));
        }
        const QStringList& profiles = m_folder.profiles();
        if (o.wanted(QStringLiteral("loadprofile"))) {
            int next = 0;
            report(timed(QStringLiteral("loadprofile"), 10, o.profileRuns, [&] {
                // A different profile each time, every format among them.
                opt.load(profiles[(next++ * 37 + 11) % profiles.size()]);
            }));
        }
        if (o.wanted(QStringLiteral("saveprofile"))) {
            LayoutEditor& v = *w.layoutEditor;
            int k = 0;
            Figure f(QStringLiteral("saveprofile"), "ms", 20);
            for (int i = 0; i < o.profileRuns; ++i) {
                // The user has moved a block, so that the file really changes.
                opt.load(profiles[(i * 53 + 7) % profiles.size()]);
                v.canvas().moveBlock(1, v.canvas().blockPos(1) + QPoint(++k % 2 ? 1 : -1, 0));
                QElapsedTimer clock;
                clock.start();
                opt.save(v.shownProfileName());
                f.samples.push_back(msSince(clock));
            }
            report(f);
        }
        if (o.wanted(QStringLiteral("print")) || o.wanted(QStringLiteral("printone")) ||
            o.wanted(QStringLiteral("growth")))
            preparePrinting();
        if (o.wanted(QStringLiteral("printone"))) {
            // What a run costs before its first envelope, whatever the size of the book.
            Figure f{QStringLiteral("print run of one envelope, %1 recipients")
                         .arg(m_folder.sizes().recipients),
                     "ms", 300};
            for (int i = 0; i < o.runs; ++i)
                f.samples.push_back(printRun(1).first);
            report(f);
        }
        if (o.wanted(QStringLiteral("print"))) {
            Figure f{QStringLiteral("print run to PDF files, %1 envelopes").arg(o.envelopes), "/s",
                     250, true};
            for (int i = 0; i < o.printRuns; ++i) {
                const auto [ms, printed] = printRun(o.envelopes);
                f.samples.push_back(printed / (ms / 1000));
            }
            report(f);
            m_printedEach = 1000 / median(f.samples);
        }
        if (o.wanted(QStringLiteral("printfile"))) {
            preparePrinting(oneFile());
            Figure f{QStringLiteral("print run into one PDF file, %1 envelopes").arg(o.envelopes),
                     "/s", 1000, true};
            for (int i = 0; i < o.printRuns; ++i) {
                const auto [ms, printed] = printRun(o.envelopes);
                f.samples.push_back(printed / (ms / 1000));
            }
            report(f);
            m_printedEach = 1000 / median(f.samples);
            preparePrinting();
        }
        if (o.wanted(QStringLiteral("misfits"))) {
            // What the window's question about text that does not fit adds before a run:
            // every envelope composed and measured as the run composes it, no page drawn.
            // Against a tenth of an envelope printed into one PDF file (1,000/s).
            Figure f{QStringLiteral("pre-pass for text that does not fit, %1 envelopes, each")
                         .arg(o.envelopes),
                     "us", 100};
            int found = 0;
            for (int i = 0; i < o.runs; ++i) {
                const auto [ms, misfits] = misfitPass(o.envelopes);
                f.samples.push_back(ms * 1000 / o.envelopes);
                found = misfits;
            }
            report(f);
            say(QStringLiteral("  (%1 of the %2 envelopes do not fit%3)")
                    .arg(found)
                    .arg(o.envelopes)
                    .arg(m_printedEach > 0
                             ? QStringLiteral("; the print run above took %1 us an envelope")
                                   .arg(m_printedEach * 1000, 0, 'f', 0)
                             : QString()));
        }
        if (o.wanted(QStringLiteral("spooler")))
            spoolerRuns();
        if (o.wanted(QStringLiteral("cli"))) {
            // Whole runs of the program, its start (reading the folder, choosing the
            // envelopes) included: the start alone is the same run with --dry-run. The
            // targets allow the start's 2 s plus the window's print rates.
            const int n = o.envelopes;
            const std::array<std::tuple<CliRun, QString, double>, 3> runs{{
                {CliRun::DryRun, QStringLiteral("start, %1 envelopes chosen (--dry-run)"), 2000.0},
                {CliRun::Files, QStringLiteral("%1 envelopes into PDF files"), 2000.0 + n * 4.0},
                {CliRun::OneFile, QStringLiteral("%1 envelopes into one PDF file"), 2000.0 + n},
            }};
            for (const auto& [run, name, target] : runs) {
                Figure f{QStringLiteral("envalo-cli print: ") + name.arg(n), "ms", target};
                for (int i = 0; i < o.printRuns; ++i)
                    f.samples.push_back(cliRun(n, run).first);
                report(f);
            }
        }
        if (o.wanted(QStringLiteral("growth"))) {
            printRun(o.growthFrom);
            const double before = statusMb("VmRSS");
            printRun(o.growthTo);
            const double after = statusMb("VmRSS");
            Figure f{QStringLiteral("memory growth, print run of %1 after %2 envelopes")
                         .arg(o.growthTo)
                         .arg(o.growthFrom),
                     "MB", 50};
            f.samples.push_back(after - before);
            report(f);
            say(QStringLiteral("  (resident memory %1 MB after %2 envelopes, %3 MB after %4)")
                    .arg(before, 0, 'f', 1)
                    .arg(o.growthFrom)
                    .arg(after, 0, 'f', 1)
                    .arg(o.growthTo));
        }
    }

    bool allMet() const { return m_allMet; }
    void report(const Figure& f) {
        m_allMet = m_allMet && f.met();
        say(f.line());
    }

    SilentMessages messages;

private:
    Figure timed(const QString& name, double targetMs, int runs, const std::function<void()>& op) {
        Figure f(name, "ms", targetMs);
        for (int i = 0; i < runs; ++i) {
            const int shownBefore = messages.total();
            QElapsedTimer clock;
            clock.start();
            op();
            f.samples.push_back(msSince(clock));
            if (messages.total() != shownBefore)
                say(QStringLiteral("  (%1 showed %2)").arg(name, messages.last()));
        }
        return f;
    }

    // A run of the window into the private spooler's discarding queue, a job per envelope and
    // as one job, and the memory of one job of 100 envelopes against one of 1,000.
    void spoolerRuns() {
        if (!m_spooler || !m_spooler->missing.isEmpty()) {
            say(QStringLiteral("print run to a print queue: skipped (%1)")
                    .arg(m_spooler ? m_spooler->missing : QStringLiteral("no spooler")));
            return;
        }
        IniFile& ini = m_program->windows().profileStore->ini();
        const QString before = ProgramOptions::read(ini).onejob;
        prepareQueue();
        for (const bool oneJob : {false, true}) {
            ProgramOptions::writeOneJob(ini, oneJob);
            Figure f{QStringLiteral("print run to a print queue, %1, %2 envelopes")
                         .arg(oneJob ? QStringLiteral("one job") : QStringLiteral("job each"))
                         .arg(o.envelopes),
                     "/s", oneJob ? 1000.0 : 150.0, true};
            for (int i = 0; i < o.printRuns; ++i) {
                PrivateSpooler::empty();
                const auto [ms, printed] = printRun(o.envelopes);
                f.samples.push_back(printed / (ms / 1000));
            }
            report(f);
            PrivateSpooler::empty();
            printRun(100);
            const double after100 = statusMb("VmRSS");
            PrivateSpooler::empty();
            printRun(1000);
            const double after1000 = statusMb("VmRSS");
            Figure growth{QStringLiteral("memory growth, queue run (%1) of 1000 after 100")
                              .arg(oneJob ? QStringLiteral("one job") : QStringLiteral("job each")),
                          "MB", 20};
            growth.samples.push_back(after1000 - after100);
            report(growth);
            say(QStringLiteral("  (resident memory %1 MB after 100 envelopes, %2 MB after 1000)")
                    .arg(after100, 0, 'f', 1)
                    .arg(after1000, 0, 'f', 1));
            PrivateSpooler::empty();
        }
        ini.writeString(ProgramOptions::section, QStringLiteral("onejob"), before);
        preparePrinting();
    }

    void prepareQueue() {
        MainWindow& mainWindow = static_cast<MainWindow&>(*m_program->windows().mainWindow);
        mainWindow.setPageOutput(std::make_unique<PageOutput>(
            messages, m_folder.appdir(),
            PrintDestination::toQueue(QLatin1String(PrivateSpooler::queue))));
        mainWindow.pageOutput().checkprinter(
            ScreenConversions{mainWindow.scrDpiX(), mainWindow.scrDpiY()});
        if (mainWindow.pageOutput().printsToFiles())
            throw UserError(QStringLiteral("Печать идёт не в очередь."));
    }

    QString oneFile() const { return m_folder.appdir() + QStringLiteral("Конверты.pdf"); }

    // The printer Qt hands out on a machine without print queues, so that the figure does
    // not depend on the machine's printers: every envelope becomes a PDF file of its own,
    // or, with a file as the printer dialog chooses it, a page of that file.
    void preparePrinting(const QString& file = {}) {
        Windows& w = m_program->windows();
        MainWindow& mainWindow = static_cast<MainWindow&>(*w.mainWindow);
        mainWindow.setPageOutput(std::make_unique<PageOutput>(
            messages, m_folder.appdir(),
            file.isEmpty() ? PrintDestination::intoFolder() : PrintDestination::intoFile(file)));
        mainWindow.pageOutput().checkprinter(
            ScreenConversions{mainWindow.scrDpiX(), mainWindow.scrDpiY()});
        if (!mainWindow.pageOutput().printsToFiles())
            throw UserError(QStringLiteral("Печать идёт не в файлы."));
    }

    // Ticks this many lines spread over the recipient list, and no others; gives how many.
    int tickSpread(MainWindow& mainWindow, int envelopes) {
        CheckListModel& lines = own<CheckList>(mainWindow, "cb").lines();
        lines.setAllChecked(false);
        const int count = std::min(envelopes, lines.count());
        for (int i = 0; i < count; ++i)
            lines.setChecked(int(qint64(i) * lines.count() / count), true);
        return count;
    }

    // Ticks this many recipients spread over the list and prints them with the DL profile,
    // all four pictures on; gives the milliseconds of the run and the envelopes printed.
    std::pair<double, int> printRun(int envelopes) {
        Windows& w = m_program->windows();
        MainWindow& mainWindow = static_cast<MainWindow&>(*w.mainWindow);
        QDir(m_folder.appdir() + QStringLiteral("PDF")).removeRecursively();
        w.profileStore->load(m_folder.dlProfile());
        w.layoutEditor->optionsBar().setPrintTicks({m_folder.dlProfile()});
        const int count = tickSpread(mainWindow, envelopes);
        const PrintProfile& shown = w.layoutEditor->document().profile();
        if (!shown.otkogo || !shown.komu || !shown.index || !shown.marka)
            throw UserError(QStringLiteral("Профиль печатает не все картинки."));

        QToolButton& print = own<QToolButton>(mainWindow, "ToolButton1");
        const int shownBefore = messages.total();
        QElapsedTimer clock;
        clock.start();
        print.click();
        const double ms = msSince(clock);
        PageOutput& output = mainWindow.pageOutput();
        const bool intoFiles = output.printsToFiles();
        const int written = intoFiles ? output.filesWritten() : output.jobsSent();
        // The run tells where the files are, once; a run to a queue says nothing.
        if (written != count || messages.total() != shownBefore + (intoFiles ? 1 : 0))
            say(QStringLiteral("  (print run: %1 files of %2; last box %3)")
                    .arg(written)
                    .arg(count)
                    .arg(messages.last()));
        const QDir files(m_folder.appdir() + QStringLiteral("PDF"));
        if (!m_sizeShown && written > 0 && !files.isEmpty()) {
            m_sizeShown = true;
            qint64 bytes = 0;
            for (const QFileInfo& file : files.entryInfoList(QDir::Files))
                bytes += file.size();
            say(QStringLiteral("  (PDF files of %1 envelopes: %2 KB each on average)")
                    .arg(written)
                    .arg(double(bytes) / written / 1024, 0, 'f', 1));
        }
        QDir(files).removeRecursively();
        QFile::remove(oneFile());
        return {ms, written};
    }

    // The window's pre-pass for text that does not fit over this many recipients spread
    // over the list with the DL profile, its profile loaded as a run loads it; gives the
    // milliseconds and the envelopes that do not fit.
    std::pair<double, int> misfitPass(int envelopes) {
        Windows& w = m_program->windows();
        MainWindow& mainWindow = static_cast<MainWindow&>(*w.mainWindow);
        w.profileStore->load(m_folder.dlProfile());
        w.layoutEditor->optionsBar().setPrintTicks({m_folder.dlProfile()});
        tickSpread(mainWindow, envelopes);
        PrintRunSetup setup;
        setup.recipients = mainWindow.records().printRecipients();
        setup.profiles = w.profileStore->profilesToPrint();
        setup.sender = mainWindow.addressTexts();
        QElapsedTimer clock;
        clock.start();
        LoadedProfiles profiles(w.profileStore->ini(), *w.pictureCache, false);
        const std::vector<EnvelopeMisfits> found =
            PrintRun(w.profileStore->ini(), w.addressBook, profiles, mainWindow.pageOutput(),
                     *w.screen)
                .misfits(setup);
        return {msSince(clock), int(found.size())};
    }

    // Ticks this many recipients in the address book and prints them with the DL profile
    // through the command-line program, start-up included; gives the milliseconds of the
    // run and the envelopes printed.
    enum class CliRun { DryRun, Files, OneFile };
    std::pair<double, int> cliRun(int envelopes, CliRun run) {
        const bool oneFile = run == CliRun::OneFile;
        Windows& w = m_program->windows();
        MainWindow& mainWindow = static_cast<MainWindow&>(*w.mainWindow);
        tickSpread(mainWindow, envelopes);
        mainWindow.records().ticks().storeAll();
        const QString out = m_folder.appdir() + QStringLiteral("cli-out");
        QDir(out).removeRecursively();
        QStringList arguments{QStringLiteral("print"),     QStringLiteral("--folder"),
                              m_folder.appdir(),           QStringLiteral("--ticked"),
                              QStringLiteral("--profile"), m_folder.dlProfile()};
        if (run == CliRun::DryRun)
            arguments << QStringLiteral("--dry-run");
        else
            arguments << (oneFile ? QStringLiteral("--pdf") : QStringLiteral("--pdf-folder"))
                      << (oneFile ? out + QStringLiteral("/Конверты.pdf") : out);
        QProcess cli;
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        cli.start(QStringLiteral(ENVALO_CLI), arguments);
        cli.waitForFinished(600'000);
        const double ms = msSince(clock);
        int printed = 0;
        if (run == CliRun::DryRun) {
            printed = int(cli.readAllStandardOutput().count('\n'));
        } else if (oneFile) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {out + QStringLiteral("/Конверты.pdf")});
            info.waitForFinished();
            const QString text = QString::fromUtf8(info.readAllStandardOutput());
            printed = QRegularExpression(QStringLiteral("Pages: +(\\d+)"))
                          .match(text)
                          .captured(1)
                          .toInt();
        } else {
            printed = int(QDir(out).entryList(QDir::Files).size());
        }
        if (cli.exitCode() != 0 || printed == 0)
            say(QStringLiteral("  (envalo-cli ended with %1 after %2 envelopes)")
                    .arg(cli.exitCode())
                    .arg(printed));
        QDir(out).removeRecursively();
        return {ms, printed};
    }

    const Options& o;
    BenchFolder& m_folder;
    const PrivateSpooler* m_spooler = nullptr;
    std::unique_ptr<Program> m_program;
    bool m_allMet = true;
    bool m_sizeShown = false;
    // Milliseconds an envelope of the last print run figure took; 0 before one.
    double m_printedEach = 0;
};

Options parse(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures the envelope printer's main operations at office sizes."));
    parser.addHelpOption();
    const QCommandLineOption runs(QStringLiteral("runs"),
                                  QStringLiteral("Runs of each quick figure (default 5)."),
                                  QStringLiteral("n"));
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral(
            "Figures to measure, comma-separated: startup, loadlists, find, "
            "checkall, storechecks, loadprofile, saveprofile, print, printone, printfile, "
            "misfits, spooler, cli, import, "
            "growth, access."),
        QStringLiteral("list"));
    const QCommandLineOption envelopes(QStringLiteral("envelopes"),
                                       QStringLiteral("Envelopes per print run (default 1000)."),
                                       QStringLiteral("n"));
    const QCommandLineOption recipients(QStringLiteral("recipients"),
                                        QStringLiteral("Recipients in the address book (default "
                                                       "100000, at most 300000)."),
                                        QStringLiteral("n"));
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep the program folder it made."));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("An empty PostgreSQL database (a connection text) to keep the address "
                       "book in instead of the folder's Convert.mdb."),
        QStringLiteral("text"));
    parser.addOptions({runs, only, envelopes, recipients, keep, database});
    parser.process(app);

    Options o;
    if (parser.isSet(runs)) {
        o.runs = std::max(1, parser.value(runs).toInt());
        o.profileRuns = std::max(1, 4 * o.runs + 1);
        o.printRuns = std::max(1, o.runs / 2 + 1);
    }
    if (parser.isSet(only))
        o.only = parser.value(only).split(u',', Qt::SkipEmptyParts);
    if (parser.isSet(envelopes))
        o.envelopes = std::max(1, parser.value(envelopes).toInt());
    if (parser.isSet(recipients))
        o.sizes.recipients = std::max(1, parser.value(recipients).toInt());
    o.keep = parser.isSet(keep);
    o.database = parser.value(database);
    return o;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    const Options options = parse(app);

    try {
        QElapsedTimer clock;
        clock.start();
        BenchFolder folder(options.sizes);
        if (!options.database.isEmpty()) {
            QElapsedTimer moving;
            moving.start();
            folder.moveAddressBookTo(options.database);
            say(QStringLiteral("Address book moved to %1 in %2 s")
                    .arg(options.database)
                    .arg(moving.elapsed() / 1000.0, 0, 'f', 1));
        }
        if (options.keep) {
            folder.keep();
            say(QStringLiteral("Program folder: ") + folder.appdir());
        }
        say(QStringLiteral("Data set: %1 recipients, %2 senders, %3 profiles, made in %4 s; "
                           "Convert.mdb %5 MB, envalo.ini %6 KB")
                .arg(options.sizes.recipients)
                .arg(options.sizes.senders)
                .arg(options.sizes.profiles)
                .arg(msSince(clock) / 1000, 0, 'f', 1)
                .arg(double(QFileInfo(folder.appdir() + "Convert.mdb").size()) / (1 << 20), 0, 'f',
                     1)
                .arg(QFileInfo(folder.appdir() + "envalo.ini").size() / 1024));
        say(QStringLiteral("Machine: %1, %2 cores; Qt %3")
                .arg(QSysInfo::prettyProductName())
                .arg(QThread::idealThreadCount())
                .arg(QString::fromLatin1(qVersion())));

        // Started before the program reaches the print system.
        std::unique_ptr<PrivateSpooler> spooler;
        if (options.wanted(QStringLiteral("spooler")))
            spooler = std::make_unique<PrivateSpooler>();
        Bench bench(options, folder, spooler.get());
        bench.run();
        // 300 MB for an address book of 100,000 recipients, in proportion above that.
        const double peakTarget = 300.0 * std::max(1.0, folder.sizes().recipients / 100'000.0);
        Figure peak(QStringLiteral("peak memory of the process (VmHWM)"), "MB", peakTarget);
        peak.samples.push_back(statusMb("VmHWM"));
        bench.report(peak);

        if (bench.messages.total() > 0) {
            say(QStringLiteral("Boxes the program showed:"));
            const auto& shown = bench.messages.shown();
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                say(QStringLiteral("  %1 x %2").arg(it.value()).arg(it.key().simplified()));
        }
        return bench.allMet() ? 0 : 2;
    } catch (const std::exception& e) {
        say(QStringLiteral("Benchmark failed: ") + errorMessage(e));
        return 1;
    }
}
