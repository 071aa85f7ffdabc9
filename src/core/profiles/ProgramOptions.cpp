#include "core/profiles/ProgramOptions.h"

#include "core/profiles/IniFile.h"

const QString ProgramOptions::section = QStringLiteral("option");

namespace {

const ProgramOptions defaults;

} // namespace

int ProgramOptions::printDelaySeconds() const {
    return IniFile::parseInteger(printdelay, IniFile::parseInteger(defaults.printdelay, 0));
}

int ProgramOptions::delayMode() const {
    return IniFile::parseInteger(pdmode, IniFile::parseInteger(defaults.pdmode, 0));
}

ProgramOptions ProgramOptions::read(const IniFile& ini, const QString& currentProfile) {
    ProgramOptions options;
    options.profile = ini.readString(section, QStringLiteral("profile"), currentProfile);
    options.printdelay = ini.readString(section, QStringLiteral("printdelay"), defaults.printdelay);
    options.pdmode = ini.readString(section, QStringLiteral("pdmode"), defaults.pdmode);
    options.importmap = ini.readString(section, QStringLiteral("importmap"), defaults.importmap);
    options.addressbook =
        ini.readString(section, QStringLiteral("addressbook"), defaults.addressbook);
    options.onejob = ini.readString(section, QStringLiteral("onejob"), defaults.onejob);
    return options;
}

void ProgramOptions::writeProfile(IniFile& ini, const QString& name) {
    ini.writeString(section, QStringLiteral("profile"), name);
}

void ProgramOptions::writeDelay(IniFile& ini, const QString& printdelay, const QString& pdmode) {
    ini.writeKeys(section,
                  {{QStringLiteral("printdelay"), printdelay}, {QStringLiteral("pdmode"), pdmode}});
}

void ProgramOptions::writeImportMap(IniFile& ini, const QString& mapping) {
    ini.writeString(section, QStringLiteral("importmap"), mapping);
}

void ProgramOptions::writeAddressBook(IniFile& ini, const QString& location) {
    ini.writeString(section, QStringLiteral("addressbook"), location.trimmed());
}

void ProgramOptions::writeOneJob(IniFile& ini, bool oneJob) {
    ini.writeString(section, QStringLiteral("onejob"),
                    oneJob ? QStringLiteral("1") : QStringLiteral("0"));
}

QString ProgramOptions::addressBookIn(const QString& appdir) const {
    const QString location = addressbook.trimmed();
    return location.isEmpty() ? appdir + QStringLiteral("Convert.mdb") : location;
}
