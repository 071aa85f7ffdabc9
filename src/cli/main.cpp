// The command line program: prints envelopes, lists names, imports and exports addresses and
// copies the address book from a program folder without a window, for offices that work from
// scripts.
#include "cli/CommandLine.h"
#include "cli/StderrMessages.h"

#include "core/OutputFile.h"
#include "core/addressbook/AccessBook.h"
#include "core/addressbook/AddressCopy.h"
#include "core/addressbook/AddressImport.h"
#include "core/addressbook/Spreadsheet.h"
#include "core/envelope/Envelope.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/ProgramOptions.h"
#include "core/run/Destination.h"
#include "core/run/JobFates.h"
#include "core/run/PageOutput.h"
#include "core/run/PrintQueue.h"
#include "core/run/PrintRun.h"
#include "core/run/ProgramFolder.h"
#include "core/run/ReadOnlyFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QScreen>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <optional>
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
    // A message follows on a line of its own; the next count starts a new progress line.
    void endLine() {
        if (m_shown && m_drawn)
            std::fputs("\n", stderr);
        m_drawn = false;
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

// Where the run prints: by default the system's default queue, as the main window takes it.
// --paper chooses the paper; without it a queue prints on its default paper.
PrintDestination destinationOf(const CommandLine& line) {
    PrintDestination destination;
    switch (line.output) {
    case CommandLine::Output::AsWindow:
        break;
    case CommandLine::Output::Printer:
        destination = PrintDestination::toQueue(line.destination);
        break;
    case CommandLine::Output::PdfFile:
        destination = PrintDestination::intoFile(QFileInfo(line.destination).absoluteFilePath());
        break;
    case CommandLine::Output::PdfFolder:
        return PrintDestination::intoFolder();
    }
    if (!line.paper.isEmpty()) {
        destination.paper = paperNamed(line.paper);
        if (!destination.paper.isValid())
            throw UserError(QStringLiteral("Размер бумаги «%1» неизвестен: укажите, например, "
                                           "A4, DL, C5 или C6.")
                                .arg(line.paper));
    }
    return destination;
}

// The command line's side of a run: its progress on a terminal, the files notice on stderr.
class CommandLineRun : public PrintRunObserver {
public:
    // watch: the queue's jobs are watched while the run sends them (--wait); may be null.
    CommandLineRun(qsizetype total, JobWatch* watch) : m_watch(watch) { m_progress.emplace(total); }
    void envelopeDone(int done, int) override {
        if (m_progress)
            m_progress->done(done);
        // Every few dozen envelopes, so that a spooler at its limit of jobs cannot forget one
        // finished since the last look. A spooler that does not answer now is asked again
        // when the run waits for its jobs, and says so then.
        if (m_watch && done % 50 == 0) {
            try {
                m_watch->look();
            } catch (const std::exception&) {
            }
        }
    }
    // The progress line ends before the run's files are complete, whose failure follows it.
    void ending(bool, const QString&) override { m_progress.reset(); }
    // A full queue: said once for each envelope it holds back; the run waits as long as it
    // takes (Ctrl+C stops it, the envelopes sent so far stay in the queue).
    bool queueFull(const QString& queue, int attempt) override {
        if (attempt == 0) {
            if (m_progress)
                m_progress->endLine();
            StderrMessages::write(
                QStringLiteral("Очередь печати «%1» заполнена: ожидание, пока принтер напечатает "
                               "отправленные конверты.")
                    .arg(queue));
        }
        return PrintRunObserver::queueFull(queue, attempt);
    }
    void filesNotice(const QString& text) override { StderrMessages::write(text); }
    // One line for each envelope whose text does not fit; it is printed all the same.
    void doesNotFit(const QString& recipient, const QString& profile,
                    const std::vector<LineMisfit>& misfits) override {
        if (m_progress)
            m_progress->endLine();
        QStringList places;
        for (const LineMisfit& misfit : misfits)
            places.append(misfitPlace(misfit));
        StderrMessages::write(
            QStringLiteral("Текст не помещается: получатель «%1», профиль «%2»: %3.")
                .arg(recipient, profile, places.join(QStringLiteral("; "))));
    }

private:
    std::optional<Progress> m_progress;
    JobWatch* m_watch = nullptr;
};

void requireDestination(const CommandLine& line) {
    switch (line.output) {
    case CommandLine::Output::AsWindow:
        break;
    case CommandLine::Output::Printer: {
        const QStringList queues = PrintQueues::names();
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

// shared: the installed defaults, whose pictures serve where the folder has none.
int print(const CommandLine& line, StderrMessages& messages, const QString& shared) {
    const ReadOnlyFolder folder(line.folder, line.database);
    const QStringList recipients = chooseRecipients(folder.book(), line.recipients);
    const QStringList profiles = chooseProfiles(folder.ini(), line.profiles);
    const std::vector<PlannedEnvelope> plan = planEnvelopes(recipients, profiles);
    requireDestination(line);
    const PrintDestination destination = destinationOf(line);
    PictureCache pictures(folder.appdir(), shared);
    LoadedProfiles loaded(folder.ini(), pictures, profiles);

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
    PageOutput output(messages, folder.appdir(), destination);
    if (line.output == CommandLine::Output::PdfFolder)
        output.setFilesFolder(QFileInfo(line.destination).absoluteFilePath());
    output.checkprinter(screen);
    if (messages.told() > 0)
        return Failure;

    PrintRunSetup setup;
    setup.recipients.lines = recipients;
    setup.recipients.ticked = QList<bool>(recipients.size(), true);
    setup.profiles = profiles;
    setup.oneJob = line.oneJob;
    std::optional<JobWatch> watch;
    if (line.wait && !output.printsToFiles())
        watch.emplace(output.queueName());
    PrintRunResult result;
    CommandLineRun shown(qsizetype(plan.size()), watch ? &*watch : nullptr);
    result = PrintRun(folder.ini(), folder.book(), loaded, output, screen).run(setup, shown);
    int failed = result.failed;
    // The envelopes of a run whose files could not be written are those not in complete files.
    if (output.runStopped())
        failed = int(plan.size()) - output.filesWritten();
    if (!result.queue.isEmpty())
        StderrMessages::write(result.acceptedText());
    if (failed > 0)
        StderrMessages::write(
            QStringLiteral("Не напечатано конвертов: %1 из %2.").arg(failed).arg(plan.size()));
    // Which envelopes the queue did not take, so that they can be printed again.
    if (!result.queue.isEmpty())
        for (const QString& refused : result.refusedLines())
            StderrMessages::write(refused);
    if (watch && !result.queued.empty()) {
        bool told = false;
        const JobFates fates = watch->wait(result.queued, [&](int waiting) {
            if (!told)
                StderrMessages::write(
                    QStringLiteral("Ожидание, пока очередь печати «%1» выполнит задания этой "
                                   "печати: %2.")
                        .arg(result.queue)
                        .arg(waiting));
            told = true;
            // Gently: the spooler is asked twice a second. Ctrl+C stops the waiting; the
            // jobs stay in the queue.
            QThread::msleep(500);
        });
        for (const QString& fate : fates.lines())
            StderrMessages::write(fate);
        if (!fates.allPrinted())
            return Failure;
    }
    return messages.told() > 0 ? Failure : Success;
}

int list(const CommandLine& line) {
    const ReadOnlyFolder folder(line.folder, line.database);
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

QString native(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The name and the index make a record: without them nothing can be imported, and the
// user needs the file's columns to name them.
void requireNameAndIndex(const ColumnMapping& mapping, const AddressTable& table,
                         AddressPage page) {
    // A file without an index column imports too: its records are listed to be completed.
    QStringList missing;
    if (mapping.name < 0)
        missing.append(page == AddressPage::Recipients ? QStringLiteral("с именем получателя")
                                                       : QStringLiteral("с именем отправителя"));
    if (missing.isEmpty())
        return;
    QStringList columns;
    for (qsizetype i = 0; i < table.columns.size(); ++i)
        columns.append(QStringLiteral("  %1 — %2").arg(i).arg(table.columns[i]));
    throw UsageError(
        QStringLiteral("Непонятно, в каком столбце файла %1: укажите через --map, "
                       "например --map \"name=Имя;kyda=Улица,Город;index=Индекс\".\n"
                       "Столбцы файла:\n%2")
            .arg(missing.join(QStringLiteral(" и в каком ")),
                 columns.isEmpty() ? QStringLiteral("  (нет ни одного)") : columns.join(u'\n')));
}

// The columns a mapping takes, by their names in the file.
QString mappingDescription(const ColumnMapping& mapping, const AddressTable& table) {
    const auto names = [&](const QList<int>& columns) {
        QStringList quoted;
        for (int column : columns)
            if (column >= 0)
                quoted.append(QStringLiteral("«%1»").arg(table.columns.value(column)));
        return quoted.isEmpty() ? QStringLiteral("—") : quoted.join(QStringLiteral(", "));
    };
    QStringList parts{QStringLiteral("имя — ") +
                      names(QList<int>{mapping.name} + mapping.moreName)};
    if (!mapping.komy.isEmpty())
        parts.append(QStringLiteral("кому — ") + names(mapping.komy));
    parts.append(QStringLiteral("куда — ") + names(mapping.kyda));
    parts.append(QStringLiteral("индекс — ") + names({mapping.index}));
    return parts.join(QStringLiteral("; "));
}

int importFile(const CommandLine& line) {
    requireProgramFolder(line.folder, line.database);
    const QByteArray data = readAddressFile(line.file);
    // A picture is refused even when --format names a text kind.
    const AddressFileKind detected = addressFileKind(data, line.file);
    if (detected == AddressFileKind::Spreadsheet && line.fileKind)
        throw UsageError(
            QStringLiteral("Файл «%1» — книга Excel или LibreOffice, а не %2: книги "
                           "узнаются по содержимому, --format для них не нужен.")
                .arg(QDir::toNativeSeparators(line.file), *line.fileKind == AddressFileKind::VCard
                                                              ? QStringLiteral("карточки vCard")
                                                              : QStringLiteral("CSV")));
    const AddressFileKind kind = line.fileKind.value_or(detected);
    if (kind != AddressFileKind::Spreadsheet && !line.sheet.isEmpty())
        throw UsageError(QStringLiteral("Параметр --sheet — только для книг Excel и LibreOffice "
                                        "(.xlsx, .xls, .ods), а «%1» — %2.")
                             .arg(QDir::toNativeSeparators(line.file),
                                  kind == AddressFileKind::VCard
                                      ? QStringLiteral("файл карточек vCard")
                                      : QStringLiteral("файл CSV")));
    AddressTable table;
    QString sheetUsed;
    if (kind == AddressFileKind::Spreadsheet) {
        const QStringList sheets = sheetNames(data, line.file);
        int sheet = 0;
        try {
            sheet = line.sheet.isEmpty() ? 0 : sheetIndex(sheets, line.sheet, line.file);
        } catch (const UserError& e) {
            throw UsageError(e.message());
        }
        table = readSpreadsheet(data, line.file, sheet, line.csvHeader);
        if (!sheets.isEmpty())
            sheetUsed = QStringLiteral("Адреса взяты с листа «%1».").arg(sheets.value(sheet));
    } else if (kind == AddressFileKind::VCard) {
        table = readVCards(data);
    } else {
        CsvFormat format = detectCsvFormat(data);
        if (line.csvHeader)
            format.hasHeader = *line.csvHeader;
        table = readCsv(data, format);
    }
    requireRows(table, kind, line.file);

    IniFile ini(line.folder + QStringLiteral("envalo.ini"));
    ColumnMapping mapping;
    QString mappingUsed;
    if (line.mapping.isEmpty()) {
        ColumnMapping::Source source = ColumnMapping::Source::Guessed;
        mapping =
            ColumnMapping::initial(table, line.page, ProgramOptions::read(ini).importmap, &source);
        mappingUsed = source == ColumnMapping::Source::Remembered
                          ? QStringLiteral("Столбцы выбраны, как при прошлом импорте файла с "
                                           "теми же столбцами")
                      : source == ColumnMapping::Source::RememberedByNumber
                          ? QStringLiteral("Столбцы выбраны по номерам, запомненным при "
                                           "прошлом импорте (у файла нет строки с названиями "
                                           "столбцов)")
                          : QStringLiteral("Столбцы распознаны по их названиям");
    } else {
        try {
            mapping = ColumnMapping::parse(line.mapping, table.columns);
        } catch (const UserError& e) {
            throw UsageError(QStringLiteral("--map: ") + e.message());
        }
    }
    requireNameAndIndex(mapping, table, line.page);

    const auto lock = lockFolder(
        line.folder, QStringLiteral("Папка «%1» открыта в программе «Печать конвертов»: "
                                    "закройте программу, прежде чем импортировать адреса."));
    AddressDb db(QStringLiteral("envalo-import"));
    db.open(addressBookOf(line.folder, line.database), AddressDb::addressTables(),
            line.dryRun ? AddressDb::Access::ReadWriteAsIs : AddressDb::Access::ReadWrite);
    ImportOptions options;
    options.page = line.page;
    options.mapping = mapping;
    options.duplicates = line.duplicates;
    options.group = line.group;
    // As the main window gives a recipient it adds: the first profile of its list.
    options.profile = profileNames(ini).value(0);
    options.dryRun = line.dryRun;
    const ImportReport report = importAddresses(db, table, options);

    QStringList lines;
    if (!sheetUsed.isEmpty())
        lines.append(sheetUsed);
    if (!mappingUsed.isEmpty())
        lines.append(mappingUsed + QStringLiteral(": ") + mappingDescription(mapping, table) +
                     u'.');
    if (line.dryRun)
        lines.append(QStringLiteral("Пробный импорт: адресная книга не изменена."));
    lines.append(QStringLiteral("Добавлено: %1, обновлено: %2, пропущено: %3.")
                     .arg(report.added)
                     .arg(report.updated)
                     .arg(report.skipped.size()));
    for (const ImportReport::Skipped& skipped : report.skipped)
        lines.append(QStringLiteral("строка %1: %2").arg(skipped.line).arg(skipped.reason));
    if (!report.withoutIndex.isEmpty()) {
        lines.append(
            QStringLiteral("Без индекса — допишите (%1):").arg(report.withoutIndex.size()));
        for (const QString& name : report.withoutIndex)
            lines.append(QStringLiteral("  ") + name);
    }
    if (!report.nominative.isEmpty()) {
        lines.append(QStringLiteral("«Кому» не в дательном падеже — проверьте (%1):")
                         .arg(report.nominative.size()));
        for (const QString& name : report.nominative)
            lines.append(QStringLiteral("  ") + name);
    }
    StderrMessages::write(lines.join(u'\n'));
    return Success;
}

int exportFile(const CommandLine& line) {
    ReadOnlyFolder folder(line.folder, line.database);
    QStringList names;
    if (line.ticked || !line.group.isEmpty()) {
        RecipientChoice choice;
        choice.kind = line.ticked ? RecipientChoice::Kind::Ticked : RecipientChoice::Kind::Group;
        choice.group = line.group;
        names = chooseRecipients(folder.book(), choice);
        if (names.isEmpty()) {
            StderrMessages::write(
                line.ticked ? QStringLiteral("Отмеченных получателей нет: файл не записан.")
                            : QStringLiteral("В группе «%1» нет получателей: файл не записан.")
                                  .arg(folder.book().groupNamed(line.group)));
            return Success;
        }
    }
    requireWritableFile(line.file);
    const QByteArray bytes = exportAddresses(folder.db(), line.page, names, line.exportFormat);

    const QString place = QFileInfo(line.file).absolutePath();
    if (!QDir().mkpath(place))
        throw UserError(QStringLiteral("Не удалось создать папку «%1».").arg(native(place)));
    // Written beside its place and moved there, so that a failure leaves the old file; a
    // device or a FIFO (/dev/stdout into a pipe) is written into.
    writeOutputFile(line.file, bytes);
    StderrMessages::write(QStringLiteral("Адреса записаны в файл «%1».").arg(native(line.file)));
    return Success;
}

// The folder's address book into another one or from another one into it. Only the one
// written to is opened for writing; the folder's is written only under the folder's lock.
int copyBook(const CommandLine& line) {
    requireProgramFolder(line.folder, line.database);
    const QString book = addressBookOf(line.folder, line.database);
    std::unique_ptr<QLockFile> lock;
    if (!line.intoOther)
        lock = lockFolder(line.folder,
                          QStringLiteral("Папка «%1» открыта в программе «Печать конвертов»: "
                                         "закройте программу, прежде чем копировать адреса в "
                                         "её адресную книгу."));
    const bool accessFile =
        !AddressDb::isServerText(line.otherBook) && isAccessFile(line.otherBook);
    if (accessFile && line.intoOther)
        throw UserError(QStringLiteral("Файл «%1» — база данных Microsoft Access: программа не "
                                       "записывает такие файлы. Копируйте в файл SQLite или в "
                                       "базу данных на сервере.")
                            .arg(native(line.otherBook)));
    // An Access file is read whole before the folder's address book is opened.
    std::optional<AccessBook> access;
    if (accessFile) {
        access.emplace(line.otherBook);
        if (line.cyrillic)
            access->readAsCyrillic();
        if (const auto& doubt = access->doubt())
            throw UserError(codePageText(access->path(), *doubt) +
                            QStringLiteral("\nНичего не скопировано. Если это русский текст, "
                                           "повторите команду с --cp1251."));
    }
    AddressDb folderBook(QStringLiteral("envalo-copy-folder"));
    AddressDb otherBook(QStringLiteral("envalo-copy-other"));
    AddressDb& from = line.intoOther ? folderBook : otherBook;
    AddressDb& to = line.intoOther ? otherBook : folderBook;
    if (!access)
        from.open(line.intoOther ? book : line.otherBook, AddressDb::addressTables(),
                  AddressDb::Access::ReadOnly);
    // The file keeps its journal mode, so that a refused copy leaves it byte for byte as it was.
    to.open(line.intoOther ? line.otherBook : book, AddressDb::addressTables(),
            AddressDb::Access::ReadWriteAsIs);
    CopyCounts counts;
    try {
        counts = access ? copyAccessBook(*access, to, line.replace)
                        : copyAddressBook(from, to, line.replace);
    } catch (const AddressBookNotEmpty& e) {
        throw UserError(e.message() + QStringLiteral(" Чтобы заменить их копией, добавьте "
                                                     "--replace."));
    }
    const QString other = access || !AddressDb::isServerText(otherBook.path())
                              ? native(access ? access->path() : otherBook.path())
                              : otherBook.path();
    StderrMessages::write((line.intoOther ? QStringLiteral("Скопировано в «%1»: ")
                                          : QStringLiteral("Скопировано из «%1»: "))
                              .arg(other) +
                          QStringLiteral("получателей %1, отправителей %2, групп %3.")
                              .arg(counts.recipients)
                              .arg(counts.senders)
                              .arg(counts.groups));
    return Success;
}

} // namespace

int main(int argc, char* argv[]) {
    // A reader that closes the pipe an output goes into is a failed write, not the end of
    // the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Drawing envelopes needs fonts and so a GUI application, but not a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(applicationTitle());
    installQtRussian();

    StderrMessages messages;
    try {
        // The same folder as the windowed program's; --folder names another.
        const ProgramPlace place = programPlace(QGuiApplication::applicationDirPath());
        const CommandLine line = parseCommandLine(QGuiApplication::arguments(), place.folder);
        if (line.command == CommandLine::Command::Help) {
            std::fputs(helpText().toUtf8().constData(), stdout);
            return Success;
        }
        if (line.folder == place.folder)
            layOutUserFolder(place);
        switch (line.command) {
        case CommandLine::Command::Print:
            return print(line, messages, place.shared);
        case CommandLine::Command::Import:
            return importFile(line);
        case CommandLine::Command::Export:
            return exportFile(line);
        case CommandLine::Command::CopyAddressBook:
            return copyBook(line);
        default:
            return list(line);
        }
    } catch (const UsageError& e) {
        StderrMessages::write(e.message());
        return BadUsage;
    } catch (const std::exception& e) {
        StderrMessages::write(errorMessage(e));
        return Failure;
    }
}
