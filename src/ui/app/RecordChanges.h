#pragma once

#include <QStringList>

struct Windows;
class CheckList;
class ListBox;
class RecordsPane;

// What the main window changes in the address book's records: the editors saved into the
// record they show, after a check that no other workstation changed it meanwhile; records
// added and deleted. Each works on the page the pane shows.
class RecordChanges {
public:
    RecordChanges(Windows& windows, RecordsPane& pane, CheckList& recipients, ListBox& senders);

    // When the editors hold changes, asks whether to save them; saves them, or shows the
    // stored records again.
    void offerToSaveChanges();
    // Asks for a name and adds a record of it; false when none was added.
    bool addRecord();
    // The ticked recipients (the selected one when none is ticked), or the selected sender.
    void deleteRecords();

private:
    // Saves the editors into the selected record; throws UserError when they cannot be.
    void saveRecord();
    void saveRecipient();
    void saveSender();
    void deleteRecipients();
    void deleteSender();
    // The record changed in the file or on the server since the editors showed it: true
    // when the user has it overwritten; otherwise the editors show the stored record.
    bool overwriteOthersChange(bool changed);
    // Records a delete found already gone, said to the user after the lines lose them.
    void tellGone(const QStringList& names);

    Windows& w;
    RecordsPane& m_pane;
    CheckList& m_recipients;
    ListBox& m_senders;
};
