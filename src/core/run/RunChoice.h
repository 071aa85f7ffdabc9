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
    bool operator==(const PlannedEnvelope&) const = default;
};
// Recipient by recipient, and for each every profile in order, as the print run goes.
std::vector<PlannedEnvelope> planEnvelopes(const QStringList& recipients,
                                           const QStringList& profiles);

// The profiles of a run read from the settings file once each, with their pictures,
// before the first envelope, so that one that cannot be loaded stops the run before
// anything is printed.
class LoadedProfiles {
public:
    // Throws the profile's load error (profileLoadError), naming the settings file.
    LoadedProfiles(const IniFile& ini, PictureCache& pictures, const QStringList& names);

    // Only for a name given at construction.
    const PrintProfile& profile(const QString& name) const { return loaded(name).profile; }
    // The envelope as the print run composes it for this recipient and profile.
    Envelope compose(const AddressBook& book, const PlannedEnvelope& envelope,
                     const ScreenConversions& screen) const;

private:
    struct Loaded {
        PrintProfile profile;
        EnvelopePictures pictures;
    };
    const Loaded& loaded(const QString& name) const;
    QHash<QString, Loaded> m_loaded;
};
