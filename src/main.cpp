#include "core/UserError.h"
#include "core/run/Notices.h"
#include "core/run/ProgramFolder.h"
#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/Messages.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[]) {
    // A reader that closes the pipe an output goes into is a failed write, not the end of
    // the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Before the application object, which reads the locale from the environment.
    useRussianLocale();
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    // The menu entry the desktop shows the window under, with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.envalo.Envalo"));

    installQtRussian();

    DialogMessages messages;
    try {
        // The executable's own folder, or in an installed tree the user's own folder, made
        // from the installed defaults at the first start.
        const ProgramPlace place = programPlace(QApplication::applicationDirPath());
        layOutUserFolder(place);
        Program program(place.folder, messages, place.shared);
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
