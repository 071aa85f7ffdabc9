#pragma once

#include <QSplitter>
#include <QStringList>
#include <memory>

enum class AddressPage;
struct Windows;
struct RunRecipients;
class CheckList;
class ListBox;
class QCheckBox;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolButton;
class RecipientTicks;
class RecordChanges;
class RecordEditors;

// The main window's address book: the search, the recipient and sender lists on their pages,
// and beside them the record's editors. Choosing records, the search and the ticked listing,
// and what other workstations changed; its ticks and its record changes are parts of it.
class RecordsPane : public QSplitter {
    Q_OBJECT

public:
    RecordsPane(Windows& windows, QWidget* parent);
    ~RecordsPane() override;

    RecordEditors& editors() { return *m_editors; }
    const RecordEditors& editors() const { return *m_editors; }
    RecordChanges& changes() { return *m_changes; }
    RecipientTicks& ticks() { return *m_ticks; }
    // The recipient list's context menu.
    void setListMenu(QMenu* menu);

    // A newly opened address book: the recipients' page, the lists under the group filter.
    void showAddressBook();
    // Reads the recipient and sender lists again, under the group filter.
    void refillLists();
    void showSelectedRecords();
    // Selects the line of that name; letter case aside for a sender.
    void selectRecipientLine(const QString& name);
    void selectSenderLine(const QString& name);
    // Selects the line of the record named so on the page and shows the records.
    void showRecord(AddressPage page, const QString& name);
    // Selects the recipient line at the row and shows the records, as a print run does.
    void showRecipientAt(int row);
    void clearEditors();
    bool hasRecipients() const;
    // The selected recipient line's name; empty when none is selected.
    QString selectedRecipient() const;
    // The page the operations act on; it follows the tabs once the check before a page
    // switch has run.
    bool recipientPage() const { return m_recipientPage; }
    // Whether the editors hold something else than the record they were loaded from.
    bool formChanged() const;

    // What choosing a recipient line does: the record and its profile shown.
    void recipientSelected(int row);
    // The editor was closed: the selected recipient's stored record and profile replace
    // whatever the editor did not save.
    void reloadAfterEditor();
    // Selects the next ticked recipient in the direction (+1 or -1); false when there is none.
    bool stepRecipient(int direction);
    // The selected recipient's groups in their window.
    void openRecipientGroups();
    // The recipient lines with their ticks, as a print run takes them.
    RunRecipients printRecipients() const;
    // The ticked recipients' names in list order.
    QStringList tickedRecipients() const;

    void search();
    // Ctrl+F: the focus to the search field, its text selected.
    void focusSearch();
    // Whether the recipient list shows everybody listed, rather than only the ticked ones
    // that an empty search shows.
    bool showsAll() const { return m_showingAll; }
    // The lists read again and shown as they were: the same listing (all, found or ticked),
    // the same lines chosen.
    void showOthersChanges();

signals:
    // The user double-clicked a recipient line.
    void recipientOpened();
    // The user pressed Delete in a list.
    void deleteKeyPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildLists();
    void selectFirstLines();
    void applyPage();
    void pageChanged();
    void recipientTicked(int row);
    void senderSelected(int row);
    void moveDefaultMark();
    void startSearch();
    // The recipient list of the ticked ones only, as the search button shows it.
    void listTicked();

    Windows& w;
    QLineEdit* m_searchText = nullptr;
    QToolButton* m_searchButton = nullptr;
    QCheckBox* m_wholeName = nullptr;
    QTabWidget* m_pages = nullptr;
    CheckList* m_recipients = nullptr;
    ListBox* m_senders = nullptr;
    RecordEditors* m_editors = nullptr;
    std::unique_ptr<RecipientTicks> m_ticks;
    std::unique_ptr<RecordChanges> m_changes;
    bool m_showingAll = true;
    bool m_recipientPage = true;
};
