#pragma once

#include "profiles/IniFile.h"

#include <QObject>

struct Windows;

// The profile store: owns the settings file and moves print profiles between
// the file and the windows. It has no window of its own.
class Topt : public QObject {
    Q_OBJECT

public:
    explicit Topt(Windows& windows);

    IniFile& ini() { return m_ini; }

    // Refills the editor's profile list from the settings file.
    void listprofiles();

private:
    Windows& w;
    IniFile m_ini;
};
