#pragma once

class CheckListModel;
class Messages;
class OpenAddressBook;

// The recipient lines' ticks, stored in the address book as they are made. A store that fails
// leaves every line with the tick the address book holds: a tick that is not stored never
// stays on screen.
class RecipientTicks {
public:
    RecipientTicks(OpenAddressBook& book, Messages& messages, CheckListModel& lines);

    // The tick the user gave the line at the row.
    void store(int row);
    // Ticks every line, or clears every tick when the first line is ticked.
    void toggleAll();
    // Every line's tick; a failure is told, not thrown.
    void storeAll();

private:
    void showStored();

    OpenAddressBook& m_book;
    Messages& m_messages;
    CheckListModel& m_lines;
};
