#pragma once

struct Windows;
class QWidget;
class RecordsPane;

// Addresses in and out of the address book, on the page the records pane shows: an import
// from a table or from cards, with the columns chosen in a window; an export of the ticked
// recipients (all when none is ticked) or of the senders.
class AddressTransfer {
public:
    // `window` is the main window, over which the import's window opens.
    AddressTransfer(Windows& windows, QWidget& window, RecordsPane& records);

    void importFromFile();
    void exportToFile();

private:
    Windows& w;
    QWidget& m_window;
    RecordsPane& m_records;
};
