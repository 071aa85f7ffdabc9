#pragma once

#include "core/profiles/PrintProfile.h"

#include <QElapsedTimer>
#include <QUndoStack>
#include <functional>

// What one step of the layout editor changed. Steps of one kind that follow each other
// quickly (a held arrow key or button, typing in a field) are undone as one.
enum class ProfileChange {
    Move,
    DigitSpacing,
    SheetShift,
    SheetPosition,
    Pictures,
    Format,
    Font,
    Visibility,
    // The profile's check boxes: the indexes swapped, the print confirmation.
    Switches,
    PrintList,
    // A change no command recorded, taken as a step of its own before an undo.
    Other,
};

// The undo history of the profile shown in the layout editor, as whole-profile snapshots:
// a step holds the profile before and after it, so any field of the profile, present or
// added later, is taken back with it. It reaches back to the last load or save only.
class ProfileHistory {
public:
    // `show` puts a profile of the history back into the editor on undo and redo.
    explicit ProfileHistory(std::function<void(const PrintProfile&)> show);

    // The profile as loaded or saved: the history starts anew from it, unchanged.
    void start(const PrintProfile& saved);
    // The profile now, after a step of this kind; nothing is recorded when it is the same.
    void record(const PrintProfile& now, ProfileChange kind);
    // The next step is one of its own even when it is of the same kind and quick: a drag
    // or a press of an arrow button begins a new one.
    void endBurst();
    void undo();
    void redo();

    // No step since the load or save, or every one undone: the profile is the saved one.
    bool isClean() const { return m_stack.isClean(); }
    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    QUndoStack& stack() { return m_stack; }
    // The profile as last recorded or shown.
    const PrintProfile& last() const { return m_last; }
    // How long after a step the next one of its kind still joins it.
    int burstMilliseconds = 800;

private:
    class Step;

    void show(const PrintProfile& profile);

    std::function<void(const PrintProfile&)> m_show;
    QUndoStack m_stack;
    PrintProfile m_last;
    ProfileChange m_lastKind = ProfileChange::Other;
    bool m_burstOpen = false;
    // Where the stack stood right after the burst's step was pushed.
    int m_burstIndex = -1;
    QElapsedTimer m_sinceLast;
};
