#pragma once

#include "core/UserError.h"
#include "core/addressbook/AddressImport.h"
#include "core/run/RunChoice.h"

#include <QString>
#include <QStringList>
#include <optional>

// A command line that does not say what to do; the program ends with status 2.
class UsageError : public UserError {
public:
    using UserError::UserError;
};

// What the command line asks for, checked for sense but not against the folder.
struct CommandLine {
    enum class Command {
        Help,
        Print,
        ListProfiles,
        ListGroups,
        ListRecipients,
        Import,
        Export,
        CopyAddressBook
    };
    enum class Output { AsWindow, Printer, PdfFile, PdfFolder };

    Command command = Command::Help;
    // The program folder with a trailing separator.
    QString folder;
    // --database: the address book instead of the one the settings name.
    QString database;
    QStringList profiles;
    RecipientChoice recipients;
    Output output = Output::AsWindow;
    // The print queue, the PDF file or the folder for PDF files.
    QString destination;
    bool dryRun = false;
    // print --one-job: a run to a queue goes there as one job of a page per envelope.
    bool oneJob = false;
    // print --paper: the paper's name as written; empty: the queue's default paper.
    QString paper;
    // print --wait: after sending, wait until the queue has finished every job of the run.
    bool wait = false;
    // list recipients, import and export --group
    QString group;

    // The file import reads or export writes.
    QString file;
    AddressPage page = AddressPage::Recipients;
    // import --format; without it the file's content tells.
    std::optional<AddressFileKind> fileKind;
    // import --map as written.
    QString mapping;
    // import --header: whether a CSV file's (or a sheet's) first row names its columns;
    // without it the file tells.
    std::optional<bool> csvHeader;
    // import --sheet: a workbook's sheet by its name or its number from 1; empty: the first.
    QString sheet;
    DuplicateChoice duplicates = DuplicateChoice::Skip;
    // export --ticked
    bool ticked = false;
    ExportFormat exportFormat = ExportFormat::CsvSpreadsheet;

    // db copy: the other address book (a connection text or a file) and which way the copy
    // goes; --replace lets it replace the rows of the address book it fills.
    QString otherBook;
    bool intoOther = true;
    bool replace = false;
    // --cp1251: an Access 97 file's texts read as Windows-1251 whatever its header says.
    bool cyrillic = false;
};

// arguments as QCoreApplication::arguments() gives them, the program first;
// defaultFolder stands for a missing --folder. Throws UsageError.
CommandLine parseCommandLine(const QStringList& arguments, const QString& defaultFolder);

// Every command and option, for --help.
QString helpText();
