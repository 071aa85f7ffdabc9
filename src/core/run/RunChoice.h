#pragma once

#include "core/envelope/Compose.h"
#include "core/profiles/PrintProfile.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class AddressBook;
class IniFile;
class PictureCache;

// Which recipients a print run takes.
struct RecipientChoice {
    enum class Kind {
        // As the main window's print run: the ticked lines of its list, and the line it
        // starts on (the first) when none is ticked.
        AsWindow,
        // The ticked lines of the main window's list only.
        Ticked,
        // Every member of one group, ticked or not, listed or not.
        Group,
        // The recipients named, in the order given.
        Named,
    };
    Kind kind = Kind::AsWindow;
    QString group;
    QStringList names;
};

// The recipients of a run, as the records' names; throws UserError naming an unknown
// group or recipient.
QStringList chooseRecipients(const AddressBook& book, const RecipientChoice& choice);

// The print profiles in the settings file, in file order.
QStringList profileNames(const IniFile& ini);
// The profiles of a run: those asked for, in that order, each as stored (letter case
// aside, as the settings file finds sections); without any asked for, those ticked for
// printing in the current profile, in file order, as the main window's print run takes
// them. Throws UserError naming an unknown profile or a current profile that is gone, and
// the load error naming the settings file for a current profile that cannot be read.
QStringList chooseProfiles(const IniFile& ini, const QStringList& asked = {});

// One envelope of a run.
struct PlannedEnvelope {
    QString recipient;
    QString profile;
    // Which of the run's recipients it is for, counted from 0.
    int recipientIndex = 0;
    bool operator==(const PlannedEnvelope& other) const {
        return recipient == other.recipient && profile == other.profile;
    }
};
// Recipient by recipient, and for each every profile in order, as the print run goes.
std::vector<PlannedEnvelope> planEnvelopes(const QStringList& recipients,
                                           const QStringList& profiles);

// The profiles of a run read from the settings file once each, with their pictures.
class LoadedProfiles {
public:
    // Each profile is read at its first use, so that one that cannot be loaded stops the run
    // at its first envelope; its load error names the settings file when `nameSettingsFile`
    // (a program that may be given any folder).
    LoadedProfiles(const IniFile& ini, PictureCache& pictures, bool nameSettingsFile);
    // Every profile named read before the first envelope, so that one that cannot be loaded
    // stops the run before anything is printed; throws its load error naming the settings file.
    LoadedProfiles(const IniFile& ini, PictureCache& pictures, const QStringList& names);

    struct Loaded {
        PrintProfile profile;
        EnvelopePictures pictures;
    };
    // The profile, read now when it was not yet; throws its load error (profileLoadError).
    const Loaded& load(const QString& name);

    // Only for a name already loaded.
    const PrintProfile& profile(const QString& name) const { return loaded(name).profile; }
    // The envelope as the print run composes it for this recipient and profile.
    Envelope compose(const AddressBook& book, const PlannedEnvelope& envelope,
                     const ScreenConversions& screen) const;

private:
    const Loaded& loaded(const QString& name) const;
    const IniFile& m_ini;
    PictureCache& m_pictures;
    bool m_nameSettingsFile = true;
    QHash<QString, Loaded> m_loaded;
};
