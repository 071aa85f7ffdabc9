// The command line program: prints envelopes and lists names from a program folder
// without a window, for offices that print from scripts.
#include "cli/CommandLine.h"
#include "cli/StderrMessages.h"

#include "core/envelope/PictureCache.h"
#include "core/run/Destination.h"
#include "core/run/ReadOnlyFolder.h"
#include "ui/printing/PageOutput.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTranslator>
#include <cstdio>
#include <unistd.h>

namespace {

enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };

void out(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

void printLines(const QStringList& lines) {
    for (const QString& line : lines)
        out(line);
}

// Count, rate and time left on one line of a terminal; nothing when stderr is a file or pipe.
class Progress {
public:
    explicit Progress(qsizetype total) : m_total(total), m_shown(isatty(fileno(stderr))) {
        m_clock.start();
    }
    ~Progress() {
        if (m_shown && m_drawn)
            std::fputs("\n", stderr);
    }
    void done(qsizetype count) {
        if (!m_shown || (count < m_total && m_clock.elapsed() - m_lastDrawn < 200))
            return;
        m_lastDrawn = m_clock.elapsed();
        const double seconds = qMax<qint64>(m_clock.elapsed(), 1) / 1000.0;
        const double rate = double(count) / seconds;
        const qint64 left = rate > 0 ? qRound64(double(m_total - count) / rate) : 0;
        const QString line = QStringLiteral("\rКонверт %1 из %2 · %3 в секунду · осталось %4:%5 ")
                                 .arg(count)
                                 .arg(m_total)
                                 .arg(rate, 0, 'f', 1)
                                 .arg(left / 60)
                                 .arg(left % 60, 2, 10, QLatin1Char('0'));
        std::fputs(line.toUtf8().constData(), stderr);
        std::fflush(stderr);
        m_drawn = true;
    }

private:
    qsizetype m_total;
    bool m_shown;
    bool m_drawn = false;
    QElapsedTimer m_clock;
    qint64 m_lastDrawn = -1000;
};

// The printer of the run; nullptr for the system's default, as the main window takes it.
std::unique_ptr<QPrinter> printerFor(const CommandLine& line) {
    if (line.output == CommandLine::Output::AsWindow)
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (line.output == CommandLine::Output::Printer) {
        printer->setPrinterName(line.destination);
        return printer;
    }
    // The page of a machine without a print queue: A4 at the file resolution.
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    if (line.output == CommandLine::Output::PdfFile)
        printer->setOutputFileName(QFileInfo(line.destination).absoluteFilePath());
    return printer;
}

void requireDestination(const CommandLine& line) {
    switch (line.output) {
    case CommandLine::Output::AsWindow:
        break;
    case CommandLine::Output::Printer: {
        const QStringList queues = QPrinterInfo::availablePrinterNames();
        if (!queues.contains(line.destination))
            throw UserError(
                queues.isEmpty()
                    ? QStringLiteral("Очередь печати «%1» не найдена: в системе нет ни одной "
                                     "очереди печати.")
                          .arg(line.destination)
                    : QStringLiteral("Очередь печати «%1» не найдена. Есть: %2.")
                          .arg(line.destination, queues.join(QStringLiteral(", "))));
        break;
    }
    case CommandLine::Output::PdfFile:
        requireWritableFile(line.destination);
        break;
    case CommandLine::Output::PdfFolder:
        requireWritableFolder(line.destination);
        break;
    }
}

int print(const CommandLine& line, StderrMessages& messages) {
    const ReadOnlyFolder folder(line.folder);
    const QStringList recipients = chooseRecipients(folder.book(), line.recipients);
    const QStringList profiles = chooseProfiles(folder.ini(), line.profiles);
    const std::vector<PlannedEnvelope> plan = planEnvelopes(recipients, profiles);
    requireDestination(line);
    PictureCache pictures(folder.appdir());
    const LoadedProfiles loaded(folder.ini(), pictures, profiles);

    if (line.dryRun) {
        for (const PlannedEnvelope& envelope : plan)
            out(envelope.recipient + u'\t' + envelope.profile);
        return Success;
    }
    if (plan.empty()) {
        StderrMessages::write(recipients.isEmpty()
                                  ? QStringLiteral("Печатать нечего: получателей нет.")
                                  : QStringLiteral("Печатать нечего: профилей нет."));
        return Success;
    }

    ScreenConversions screen;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screen = {qRound(primary->logicalDotsPerInchX()), qRound(primary->logicalDotsPerInchY())};
    if (line.output == CommandLine::Output::PdfFile) {
        // The one file is written beside its place and moved there: its folder must be there.
        const QString place = QFileInfo(line.destination).absolutePath();
        if (!QDir().mkpath(place))
            throw UserError(QStringLiteral("Не удалось создать папку «%1».")
                                .arg(QDir::toNativeSeparators(place)));
    }
    PageOutput output(messages, folder.appdir(), printerFor(line));
    if (line.output == CommandLine::Output::PdfFolder)
        output.setFilesFolder(QFileInfo(line.destination).absoluteFilePath());
    output.checkprinter(screen);
    if (messages.told() > 0)
        return Failure;

    int failed = 0;
    {
        // The envelopes share their files: the one PDF file given, or batches cut into a
        // file per envelope. Its end, after the progress line, may still report a failure.
        PageOutput::Run run(output);
        Progress progress(qsizetype(plan.size()));
        for (size_t i = 0; i < plan.size(); ++i) {
            const PlannedEnvelope& envelope = plan[i];
            const PrintProfile& p = loaded.profile(envelope.profile);
            PageRequest request;
            request.c5 = p.format == 1;
            request.listpos = p.listpos;
            request.allx = p.allx;
            request.ally = p.ally;
            request.recipient = envelope.recipient;
            request.profile = envelope.profile;
            if (!output.printone(loaded.compose(folder.book(), envelope, screen), request))
                ++failed;
            progress.done(qsizetype(i + 1));
        }
    }
    if (const QString notice = output.filesNotice(); !notice.isEmpty())
        StderrMessages::write(notice);
    if (failed > 0)
        StderrMessages::write(
            QStringLiteral("Не напечатано конвертов: %1 из %2.").arg(failed).arg(plan.size()));
    return messages.told() > 0 ? Failure : Success;
}

int list(const CommandLine& line) {
    const ReadOnlyFolder folder(line.folder);
    switch (line.command) {
    case CommandLine::Command::ListProfiles:
        printLines(profileNames(folder.ini()));
        break;
    case CommandLine::Command::ListGroups:
        printLines(folder.book().groupNames());
        break;
    case CommandLine::Command::ListRecipients:
        if (line.group.isEmpty()) {
            printLines(folder.book().recipientNames());
        } else {
            RecipientChoice choice;
            choice.kind = RecipientChoice::Kind::Group;
            choice.group = line.group;
            printLines(chooseRecipients(folder.book(), choice));
        }
        break;
    default:
        break;
    }
    return Success;
}

} // namespace

int main(int argc, char* argv[]) {
    // Printing needs a GUI application, but not a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QTranslator qtRussian;
    if (qtRussian.load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtRussian);

    StderrMessages messages;
    try {
        const CommandLine line =
            parseCommandLine(QApplication::arguments(), QApplication::applicationDirPath());
        if (line.command == CommandLine::Command::Help) {
            std::fputs(helpText().toUtf8().constData(), stdout);
            return Success;
        }
        if (line.command == CommandLine::Command::Print)
            return print(line, messages);
        return list(line);
    } catch (const UsageError& e) {
        StderrMessages::write(e.message());
        return BadUsage;
    } catch (const std::exception& e) {
        StderrMessages::write(errorMessage(e));
        return Failure;
    }
}
