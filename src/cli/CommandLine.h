#pragma once

#include "core/UserError.h"
#include "core/run/RunChoice.h"

#include <QString>
#include <QStringList>

// A command line that does not say what to do; the program ends with status 2.
class UsageError : public UserError {
public:
    using UserError::UserError;
};

// What the command line asks for, checked for sense but not against the folder.
struct CommandLine {
    enum class Command { Help, Print, ListProfiles, ListGroups, ListRecipients };
    enum class Output { AsWindow, Printer, PdfFile, PdfFolder };

    Command command = Command::Help;
    // The program folder with a trailing separator.
    QString folder;
    QStringList profiles;
    RecipientChoice recipients;
    Output output = Output::AsWindow;
    // The print queue, the PDF file or the folder for PDF files.
    QString destination;
    bool dryRun = false;
    // list recipients --group
    QString group;
};

// arguments as QCoreApplication::arguments() gives them, the program first;
// defaultFolder stands for a missing --folder. Throws UsageError.
CommandLine parseCommandLine(const QStringList& arguments, const QString& defaultFolder);

// Every command and option, for --help.
QString helpText();
