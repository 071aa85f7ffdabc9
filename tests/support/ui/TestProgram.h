#pragma once

#include "ScriptedMessages.h"
#include "TestFolder.h"

#include <memory>

class OpenAddressBook;
class Program;
class MainWindow;

// The whole program on a test folder, with scripted messages.
struct TestProgram {
    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Program> program;

    TestProgram();
    ~TestProgram();
    // Creates every window as the program does at start.
    void start();
    // Runs the deferred start-up step as its timer would.
    void runDeferredStep();
    // The shipped settings, pictures and sample database, started and ready.
    void startAsShipped();
    MainWindow& mainWindow();
    // The address book the windows show.
    OpenAddressBook& openAddressBook();
    // Fails the test when a box was shown that no answer was queued for, or
    // when a queued answer was never asked for.
    void verifyNothingUnexpected() const;
};
