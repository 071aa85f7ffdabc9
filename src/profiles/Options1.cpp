#include "Options1.h"

#include "app/Windows.h"
#include "editor/uView.h"

#include <QComboBox>

Topt::Topt(Windows& windows)
    : w(windows), m_ini(windows.appdir + QStringLiteral("envalo.ini")) {
    listprofiles();
}

void Topt::listprofiles() {
    QStringList names = m_ini.sections();
    names.removeAll(QStringLiteral("option"));
    w.view->cb1->clear();
    w.view->cb1->addItems(names);
}
