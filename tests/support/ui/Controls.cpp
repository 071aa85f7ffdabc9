#include "Controls.h"

#include <QtGlobal>

bool ownControl(const QWidget& window, const QObject& object) {
    for (const QObject* above = object.parent(); above && above != &window;
         above = above->parent()) {
        const auto* widget = qobject_cast<const QWidget*>(above);
        if (widget && widget->isWindow() && widget->windowType() != Qt::Popup)
            return false;
    }
    return true;
}

void missingControl(const QWidget& window, const char* name, const char* type, qsizetype found) {
    const QString title =
        window.windowTitle().isEmpty() ? window.objectName() : window.windowTitle();
    const QString many = QStringLiteral("%1 controls").arg(found);
    qFatal("Window \"%s\" (%s) has %s of type %s named %s", qUtf8Printable(title),
           window.metaObject()->className(), found == 0 ? "no control" : qUtf8Printable(many), type,
           name);
}
