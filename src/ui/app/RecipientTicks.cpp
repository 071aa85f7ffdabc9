// The recipients' check marks as the address book stores them.
#include "ui/app/RecipientTicks.h"

#include "core/UserError.h"
#include "core/run/OpenAddressBook.h"
#include "ui/addressbook/CheckList.h"
#include "ui/common/Messages.h"

RecipientTicks::RecipientTicks(OpenAddressBook& book, Messages& messages, CheckListModel& lines)
    : m_book(book), m_messages(messages), m_lines(lines) {}

void RecipientTicks::store(int row) {
    if (row < 0 || row >= m_lines.count())
        return;
    try {
        m_book.storeTick(m_lines.text(row), m_lines.isChecked(row));
    } catch (...) {
        // The tick the user made is not stored: it must not stay on screen.
        showStored();
        throw;
    }
}

void RecipientTicks::toggleAll() {
    if (m_lines.count() == 0)
        return;
    const bool state = !m_lines.isChecked(0);
    // The lines change once the file holds the new state, so that a store that fails
    // (the file held by another program, say) leaves every tick as stored.
    try {
        m_book.tickAll(m_lines.texts(), state);
    } catch (...) {
        showStored();
        throw;
    }
    m_lines.setAllChecked(state);
}

void RecipientTicks::storeAll() {
    // Ticks are stored as they are made, so mostly nothing differs: then nothing is
    // written, and a file that another program holds or that is read-only is no error.
    try {
        m_book.storeTicks(m_lines.entries());
    } catch (const std::exception& e) {
        showStored();
        m_messages.notice(errorMessage(e));
    }
}

void RecipientTicks::showStored() {
    // Read again when the file lets us; otherwise the rows as last read are the best
    // account of it, and a write that failed changed none of them.
    m_book.tryRereadRecipients();
    for (int row = 0; row < m_lines.count(); ++row) {
        const std::optional<bool> stored = m_book.storedTick(m_lines.text(row));
        if (stored && m_lines.isChecked(row) != *stored)
            m_lines.setChecked(row, *stored);
    }
}
