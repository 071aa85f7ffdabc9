#include "core/UserError.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/Messages.h"

#include <QApplication>
#include <QDir>
#include <csignal>

int main(int argc, char* argv[]) {
    // A reader that closes the pipe an output goes into is a failed write, not the end of
    // the program.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());

    installQtRussian();

    DialogMessages messages;
    try {
        const QString appdir = QDir(QApplication::applicationDirPath()).absolutePath() + '/';
        Program program(appdir, messages);
        MainWindow& mainWindow = program.mainWindow();
        messages.setParent(&mainWindow);
        QObject::connect(
            &mainWindow, &MainWindow::endProgram, &app, [] { QCoreApplication::exit(0); },
            Qt::QueuedConnection);
        mainWindow.show();
        const int code = QApplication::exec();
        messages.setParent(nullptr);
        return code;
    } catch (const std::exception& e) {
        messages.setParent(nullptr);
        messages.notice(errorMessage(e));
        return 1;
    }
}
