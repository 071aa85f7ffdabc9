#include "UnGroups.h"

#include "app/Envalo.h"
#include "app/Windows.h"

TGroups::TGroups(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Группы"));
}
