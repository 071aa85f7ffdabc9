#pragma once

#include "core/UserError.h"
#include "core/profiles/PrintProfile.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

class IniFile;

// The steps of reading a profile section, in the order they take effect.
enum class LoadStep {
    KeptValues,
    Positions,
    Format,
    SheetShifts,
    SheetPosition,
    Pictures,
    WindowSize,
    DigitSpacing,
    PadMarker,
    PrintList,
    Fonts,
    Visibility,
    Switches,
};

// The key of block n's position across ('x') or down ('y'): "otkogo_x".
QString positionKey(int block, char axis);

// Reads section `name` into `profile` step by step with the defaults of a missing key,
// calling `reached` after each step. A value out of range stops the reading there with
// UserError: the steps before it have taken effect, the rest of `profile` is as it was.
void readProfile(const IniFile& ini, const QString& name, PrintProfile& profile,
                 const std::function<void(LoadStep)>& reached = {});
PrintProfile readProfile(const IniFile& ini, const QString& name);

// The error a profile that cannot be loaded is reported with: the profile, then the
// cause (the picture or the value), so the user knows what to mend.
UserError profileLoadError(const QString& name, const std::exception& cause);
// The same for a program that may be given any folder: the settings file is named too.
UserError profileLoadError(const QString& name, const std::exception& cause, const IniFile& ini);

// Every key of a saved section with its value, in the order a save writes them.
std::vector<std::pair<QString, QString>> profileKeys(const PrintProfile& profile);
// Writes the section with one replacement of the file.
void writeProfile(IniFile& ini, const QString& name, const PrintProfile& profile);
