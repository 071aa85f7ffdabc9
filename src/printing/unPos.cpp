#include "unPos.h"

#include "app/Envalo.h"
#include "app/Windows.h"

Ttpos::Ttpos(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("position"));
}
