#include "ui/controls/NumberKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

NumberKeyFilter::NumberKeyFilter(QLineEdit* field, int maxLength)
    : QObject(field), m_maxLength(maxLength) {
    field->installEventFilter(this);
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field || key->text().isEmpty() || key->key() == Qt::Key_Tab ||
        key->key() == Qt::Key_Backtab)
        return false;
    if (key->key() == Qt::Key_Backspace)
        return false;
    const QChar typed = key->text().front();
    if (typed == QLatin1Char('-'))
        return field->cursorPosition() != 0;
    if (typed < QLatin1Char('0') || typed > QLatin1Char('9'))
        return true;
    const QString text = field->text();
    const bool room =
        text.size() <= m_maxLength || text.mid(field->cursorPosition()).contains(QLatin1Char(','));
    return !room;
}
