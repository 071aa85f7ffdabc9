#include "TestProgram.h"
#include "Controls.h"

#include "ui/app/MainWindow.h"
#include "ui/app/Program.h"
#include "ui/common/ControlNames.h"
#include "ui/editor/ProfileStore.h"

#include <QTest>
#include <QTimer>

TestProgram::TestProgram() = default;

void TestProgram::verifyNothingUnexpected() const {
    QVERIFY2(messages.unexpected.isEmpty(), qPrintable(messages.unexpected.join('|')));
    QVERIFY2(messages.leftOver().isEmpty(), qPrintable(messages.leftOver().join('|')));
}

TestProgram::~TestProgram() {
    messages.setParent(nullptr);
    program.reset();
}

void TestProgram::start() {
    program = std::make_unique<Program>(folder.appdir(), messages);
    // As the program does once its main window stands: boxes open in front of it.
    messages.setParent(&mainWindow());
}

void TestProgram::runDeferredStep() {
    QVERIFY2(control<QTimer>(mainWindow(), ControlNames::Main::deferredStartTimer)->isActive(),
             "the deferred step was not scheduled");
    // Both start-up timers, in the order the event loop fires them: the main
    // window's was started first.
    ProfileStore& opt = *program->windows().profileStore;
    guarded(messages, [&] { mainWindow().runDeferredStart(); });
    if (opt.startLoadPending())
        guarded(messages, [&] { opt.loadStartProfile(); });
}

void TestProgram::startAsShipped() {
    folder.addSettings();
    folder.addPictures();
    folder.addDatabase();
    start();
    runDeferredStep();
}

MainWindow& TestProgram::mainWindow() {
    return program->mainWindow();
}

OpenAddressBook& TestProgram::openAddressBook() {
    return program->windows().addressBook;
}
