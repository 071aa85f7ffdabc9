#include "UnAddG.h"

#include "app/Envalo.h"
#include "app/Windows.h"

TAddGroup::TAddGroup(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Новая группа"));
}
