#pragma once

#include "core/profiles/PrintProfile.h"
#include "core/profiles/ProfileHistory.h"

#include <QObject>
#include <QPoint>
#include <QStringList>
#include <functional>

// What the layout editor edits: the current print profile, the name it is kept under, the
// profiles ticked for printing, whether it differs from the saved profile, and the steps
// made since its load or save. The editor shows it and sends every edit here; the profile
// store reads it from and writes it to the settings file; the preview, the print run and
// the position pad read it. Nothing here knows a window.
class EnvelopeDocument : public QObject {
    Q_OBJECT

public:
    explicit EnvelopeDocument(QObject* parent = nullptr);

    const PrintProfile& profile() const { return m_profile; }
    // The name of the profile shown, as the profile list names it; empty when none is.
    const QString& name() const { return m_name; }
    void setName(const QString& name);
    // The profiles ticked for printing, in the order they were ticked.
    const QStringList& printList() const { return m_profile.printprofiles; }
    void setPrintList(const QStringList& names);

    // The edits of a view; each changes the profile and says so, and does nothing when the
    // value is the one held.
    void setBlockPosition(int number, QPoint position);
    void setBlockFont(int number, const TextBlock& font);
    void setBlockVisible(int number, bool visible);
    void setFormat(int format);
    // Slot 0 sender, 1 recipient, 2 index, 3 stamp.
    void setPicturePrinted(int slot, bool printed);
    void setDigitSpacing(const QString& spacing);
    void setSheetPosition(int position);
    void setSheetShiftAcross(const QString& shift);
    void setSheetShiftDown(const QString& shift);
    void setPadMarker(QPoint marker);
    void setPrintConfirm(bool on);
    void setIndexSwitch(bool on);
    void setIndexStencil(bool on);
    void setKeptValues(const std::array<QString, 11>& kept);
    // A whole profile at once, as loading it or undoing does.
    void setProfile(const PrintProfile& profile);
    // Lets a reader fill the profile in place step by step (a profile load, whose steps the
    // views show as they come); the profile changes even when the reader throws midway.
    void read(const std::function<void(PrintProfile&)>& reader);

    // The profile differs from the saved one; a view may also mark it so.
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    // The profile as it now is is the saved one: the history starts anew from it.
    void startHistory();
    // The steps so far are forgotten and the history starts from the profile as it now is;
    // the modified flag stays as it is.
    void forgetSteps();
    // Takes the profile as it now is as a step of this kind, after an edit.
    void record(ProfileChange kind);
    // The next edit is a step of its own even when of the same kind and quick.
    void endBurst();
    bool canUndo() const;
    bool canRedo() const;
    // A change no edit recorded is taken as a step first, so undo takes it back too.
    void undo();
    void redo();
    ProfileHistory& history() { return m_history; }

signals:
    // Any change of the profile, by an edit or a whole new profile.
    void profileChanged();
    // A profile of the history was put back by undo or redo: views show it whole.
    void profileRestored();
    void nameChanged(const QString& name);
    void printListChanged(const QStringList& names);
    void modifiedChanged(bool modified);
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);

private:
    template <typename Change> void change(Change&& change);
    // Says what changed since `before`.
    void announce(const PrintProfile& before);
    void restore(const PrintProfile& profile);

    PrintProfile m_profile;
    QString m_name;
    bool m_modified = false;
    // A profile of the history being put back: the views' echoes of it are no new steps.
    bool m_restoring = false;
    ProfileHistory m_history{[this](const PrintProfile& shown) { restore(shown); }};
};
