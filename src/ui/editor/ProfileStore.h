#pragma once

#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileNames.h"

#include <QObject>
#include <QTimer>

struct Windows;

// The profile store: owns the settings file and moves print profiles between
// the file and the envelope document that the windows show. It also owns the one list of profile
// names that the editor's choice, the editor's profiles to print and the main window's choice show,
// each with its own chosen entry or ticks. It has no window of its own.
class ProfileStore : public QObject {
    Q_OBJECT

public:
    explicit ProfileStore(Windows& windows);

    IniFile& ini() { return m_ini; }
    // The names of the profiles, in file order; a name added, renamed or removed
    // here is added, renamed or removed in every list of the windows.
    ProfileNames& profileNames() { return m_names; }

    // Refills the editor's profile list and schedules loadStartProfile.
    void refreshNames();
    void loadStartProfile();
    void load(const QString& name);
    void save(const QString& name);
    void add();
    void rename();
    void remove();
    bool exists(const QString& name) const;
    // The profiles ticked for printing in the order of the list, as a print run takes them.
    QStringList profilesToPrint() const;
    void appendSection(const QString& name);

    // The last entry of the list of names equal to the name; 0 when none is.
    int entryIndex(const QString& name) const;
    // A name for a new or renamed profile, blanks trimmed; throws UserError with
    // the reason when the settings file could not keep it apart from the others.
    // The profile named `keeping` may be matched in another letter case (a
    // rename that only changes the case).
    QString checkedName(const QString& name, const QString& keeping = {}) const;

    // Whether loadStartProfile is still to run after refreshNames (its one-shot timer is
    // the object named "startTimer"); cancelled when another load has the last word.
    bool startLoadPending() const { return m_startTimer.isActive(); }
    void cancelStartLoad() { m_startTimer.stop(); }

    // Runs steps that change the settings file as one replacement of the file: when any
    // step or the replacement fails, the file stays as it was and the three lists of
    // names show it again.
    template <typename Steps> void asOneChange(Steps&& steps);

private:
    struct Lists {
        QStringList names;
        QString name;
        int mainChosen = -1;
        QStringList printList;
        int rememberedProfile = -1;
    };
    Lists lists() const;
    void restore(const Lists& lists);
    void loadSteps(const QString& name);

    Windows& w;
    QTimer m_startTimer{this};
    EnvelopeDocument& m_document;
    IniFile m_ini;
    ProfileNames m_names;
};

template <typename Steps> void ProfileStore::asOneChange(Steps&& steps) {
    const Lists before = lists();
    try {
        IniFile::Batch batch(m_ini);
        steps();
        batch.commit();
    } catch (...) {
        restore(before);
        throw;
    }
}
