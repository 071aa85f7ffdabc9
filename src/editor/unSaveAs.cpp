#include "unSaveAs.h"

#include "app/Envalo.h"
#include "app/Windows.h"

TfSaveAs::TfSaveAs(Windows& windows) : QDialog(windows.frm), w(windows) {
    setWindowTitle(QStringLiteral("Сохранить как"));
}
