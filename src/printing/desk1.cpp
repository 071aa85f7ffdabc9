#include "desk1.h"

#include "app/Envalo.h"
#include "app/Windows.h"

Tdesk::Tdesk(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Предварительный просмотр"));
}
