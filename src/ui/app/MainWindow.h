#pragma once

#include "ui/common/MainWindowInterface.h"

#include <QTimer>
#include <memory>

class QLabel;

class IniFile;
struct Windows;
class MainCommands;
class PageOutput;
class RecordsPane;

// The main window: it assembles the records pane and the commands, starts the program (the
// address book opened, the deferred start-up step), ends it, runs the print run and answers
// what the other windows ask of it.
class MainWindow : public MainWindowInterface {
    Q_OBJECT

public:
    explicit MainWindow(Windows& windows);
    ~MainWindow() override;

    // The address book's lists and the record's editors.
    RecordsPane& records() { return *m_records; }

    // Whether the last print run was stopped (the delay window's "Отмена", files that could
    // not be written) before its last envelope, or not begun («Нет» to the question about
    // text that does not fit).
    bool printStopped() const { return m_printStopped; }
    // The printer with its metrics, measured once the program runs; a test or the benchmark
    // gives another.
    PageOutput& pageOutput() { return *m_output; }
    void setPageOutput(std::unique_ptr<PageOutput> output);

    // Set once the program has been asked to end.
    bool endRequested() const { return m_endRequested; }

    void runDeferredStart();
    // On a server that announces changes, every few seconds: what other workstations changed
    // is shown in the lists, unless the user is typing in an editor or has an unsaved record
    // or a window open over this one (then at a later step).
    void othersChangesStep();
    static constexpr int othersChangesInterval = 3000;

    // The commands that act on the whole program.
    // One envelope per ticked recipient and per chosen profile; nothing without recipients.
    void printClick();
    void askToEnd();
    void setUpPrinter();
    void showPreview();
    void showAbout();
    void openLayoutEditor();
    void openGroups();
    // "Адресная книга...": where the address book is kept.
    void chooseAddressBookPlace();

    void refillLists() override;
    AddressTexts addressTexts() const override;
    void showProfileNames(QAbstractItemModel* names) override;
    int chosenProfile() const override;
    void chooseProfile(int index) override;
    bool startLoadsProfile() const override;
    void editorClosed() override;
    bool stepRecipient(int direction) override;

signals:
    // The program should end now, without the close step.
    void endProgram();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void creationStep();
    // Old short format names ("format=DL") written out in full, as every start does.
    void writeFullFormatNames(IniFile& ini);
    // The address book at `location` (a file or a connection text), opened with its three
    // cursors and shown in the lists.
    void openAddressBook(const QString& location, IniFile& ini);
    void requestEnd();
    // The profile chosen in the list is the one the settings file names and the editor loads.
    void loadChosenProfile();
    void printall();

    Windows& w;
    RecordsPane* m_records = nullptr;
    std::unique_ptr<MainCommands> m_commands;
    // The deferred start-up step's one-shot timer.
    QTimer m_deferredStart{this};
    QTimer m_othersChanges{this};
    // The count of other workstations' changes already shown.
    qint64 m_othersSeen = -1;
    bool m_printing = false;

    // A PDF file chosen as where the envelopes go is said at the window's foot until another
    // destination is chosen.
    void showDestination();

    std::unique_ptr<PageOutput> m_output;
    QLabel* m_destination = nullptr;
    bool m_printStopped = false;
    // The program's folder with a trailing separator.
    QString appdir;
    bool m_endRequested = false;
    bool m_settingsRead = false;
};
