#include "unWait.h"

#include "app/Envalo.h"
#include "app/Windows.h"

TfWait::TfWait(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Задержка"));
}
