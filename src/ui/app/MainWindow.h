#pragma once

#include "core/run/AddressRules.h"
#include "ui/common/MainWindowInterface.h"

#include <QStringList>
#include <QTimer>
#include <memory>

class IniFile;
struct Windows;
class CheckList;
class ListBox;
class PageOutput;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;

// The main window: the address book, the envelope editors and every command.
class MainWindow : public MainWindowInterface {
    Q_OBJECT

public:
    explicit MainWindow(Windows& windows);
    ~MainWindow() override;

    // Whether the last print run was stopped (the delay window's "Отмена", files that could
    // not be written) before its last envelope.
    bool printStopped() const { return m_printStopped; }
    // The printer with its metrics, measured once the program runs; a test or the benchmark
    // gives another.
    PageOutput& pageOutput() { return *m_output; }
    void setPageOutput(std::unique_ptr<PageOutput> output);

    // Set once the program has been asked to end.
    bool endRequested() const { return m_endRequested; }
    // Whether the recipient list shows everybody listed, rather than only the ticked ones
    // that an empty search shows.
    bool showsAll() const { return m_showingAll; }

    // Start-up.
    // Old short format names ("format=DL") written out in full, as every start does.
    void writeFullFormatNames(IniFile& ini);
    void runDeferredStart();

    // The address book.
    void refillLists() override;
    void selectFirstLines();
    void showSelectedRecords();
    void clearEditors();
    void offerToSaveChanges();
    void saveRecord();
    void addRecord();
    void deleteRecords();
    // The page the operations act on; it follows the tabs once the check before
    // a page switch has run.
    bool recipientPage() const { return m_recipientPage; }
    void applyPage();

    // Recipient groups.
    void readGroupFilter();
    void openGroups();

    // Addresses in and out, on the page shown.
    void importFromFile();
    void exportToFile();
    // "Адресная книга...": where the address book is kept.
    void chooseAddressBookPlace();
    void openMemberGroups();

    // Check marks and search.
    void storeTicks();
    void toggleAllTicks();
    void search();
    // On a server that announces changes, every few seconds: what other workstations changed
    // is shown in the lists, unless the user is typing in an editor or has an unsaved record
    // or a window open over this one (then at a later step).
    void othersChangesStep();
    static constexpr int othersChangesInterval = 3000;

    AddressTexts addressTexts() const override;
    void showProfileNames(QAbstractItemModel* names) override;
    int chosenProfile() const override;
    void chooseProfile(int index) override;
    bool startLoadsProfile() const override;
    void editorClosed() override;
    bool stepRecipient(int direction) override;

    // The print run.
    void printClick();
    void printall();

    // Commands and events.
    void askToEnd();
    void setUpPrinter();
    void showPreview();
    void showAbout();
    void save();
    void add();
    void deleteChosen(bool fromListMenu);
    void askToClearEditors();
    void openLayoutEditor();
    void startSearch();
    void recipientSelected(int row);
    void senderSelected(int row);
    void recipientTicked(int row);
    void pageChanged();
    void profileChosen();

signals:
    // The program should end now, without the close step.
    void endProgram();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    // The address book at `location` (a file or a connection text), opened with its three
    // cursors and shown in the lists.
    void openAddressBook(const QString& location, IniFile& ini);
    void buildCommands();
    void creationStep();
    void requestEnd();
    void checkprinter();
    void selectProfileEntry(const QString& profile);
    void selectSenderLine(const QString& name);
    void selectRecipientLine(const QString& name);
    void saveRecipient();
    void saveSender();
    void deleteRecipients();
    void deleteSender();
    void moveDefaultMark();
    // After a store that failed: every line's tick as the file holds it.
    void showStoredTicks();
    void installIndexFilter(QLineEdit* editor);
    // Whether the editors hold something else than the record they were loaded from.
    bool formChanged() const;
    // The lists read again and shown as they were: the same listing (all, found or ticked),
    // the same lines chosen.
    void showOthersChanges();
    // The recipient list of the ticked ones only, as the search button shows it.
    void listTicked();

    // The records last loaded into the editors, for the unsaved-changes check.
    struct LoadedRecipient {
        QString name, komy, kyda, profile;
        qint64 intyda = 0;
        bool operator==(const LoadedRecipient&) const = default;
    };
    struct LoadedSender {
        QString otkogo, otkyda;
        qint64 intyt = 0;
        bool operator==(const LoadedSender&) const = default;
    };
    // A stored record as the editors would load it.
    static LoadedRecipient loaded(const RecipientRecord& record);
    static LoadedSender loaded(const SenderRecord& record);
    // The record changed in the file or on the server since the editors showed it: true
    // when the user has it overwritten; otherwise the editors show the stored record.
    bool overwriteOthersChange(bool changed);
    // Records a delete found already gone, said to the user after the lines lose them.
    void tellGone(const QStringList& names);

    QLineEdit* m_searchText = nullptr;
    QToolButton* m_searchButton = nullptr;
    QCheckBox* m_wholeName = nullptr;
    QTabWidget* m_pages = nullptr;
    CheckList* m_recipients = nullptr;
    ListBox* m_senders = nullptr;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* komy = nullptr;
    QPlainTextEdit* kyda = nullptr;
    QLineEdit* intyda = nullptr;
    QPlainTextEdit* otkogo = nullptr;
    QPlainTextEdit* otkyda = nullptr;
    QLineEdit* intyt = nullptr;
    QComboBox* m_profile = nullptr;

    QAction* printAction = nullptr;    // toolbar "Печать"
    QAction* saveAction = nullptr;     // toolbar "Сохранить"
    QAction* addAction = nullptr;      // toolbar "Добавить"
    QAction* deleteAction = nullptr;   // toolbar "Удалить"
    QAction* clearAction = nullptr;    // toolbar "Очистить"
    QAction* checkAllAction = nullptr; // toolbar "Отметить всё"
    QAction* settingsAction = nullptr; // toolbar "Настройки"
    QAction* groupsAction = nullptr;   // toolbar "Группы"
    QAction* menuPrint = nullptr;
    QAction* menuExit = nullptr;
    QAction* menuPrinterSetup = nullptr;
    QAction* menuPrintSettings = nullptr;
    QAction* menuAbout = nullptr;
    QAction* menuGroups = nullptr;
    QAction* menuImport = nullptr;
    QAction* menuExport = nullptr;
    QAction* menuAddressBook = nullptr;
    QMenu* m_listMenu = nullptr; // context menu of the recipient list
    QAction* m_listDelete = nullptr;
    QAction* m_listShow = nullptr;
    QAction* m_listAdd = nullptr;
    QAction* m_listGroups = nullptr; // "Группы получателя..."

    // The deferred start-up step's one-shot timer.
    QTimer m_deferredStart{this};
    QTimer m_othersChanges{this};
    // The count of other workstations' changes already shown.
    qint64 m_othersSeen = -1;
    bool m_printing = false;

    std::unique_ptr<PageOutput> m_output;
    bool m_printStopped = false;
    Windows& w;
    // The program's folder with a trailing separator.
    QString appdir;
    bool m_showingAll = true;
    bool m_endRequested = false;
    bool m_settingsRead = false;
    bool m_recipientPage = true;
    LoadedRecipient m_loadedRecipient;
    LoadedSender m_loadedSender;
};
