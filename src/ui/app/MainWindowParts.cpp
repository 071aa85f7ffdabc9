#include "ui/app/MainWindowParts.h"

#include "ui/controls/DialogParts.h"

#include <QWidget>

void describe(QWidget* control, const QString& name, const char* programName) {
    control->setAccessibleName(name);
    setProgramName(control, QString::fromLatin1(programName));
}

QFont addressFont() {
    QFont font(QStringLiteral("Sylfaen"));
    font.setPixelSize(15);
    return font;
}
