#pragma once

#include <QList>
#include <QString>
#include <QWidget>

// Ends the test run with a message naming the window and the control sought:
// a window without the control its test drives cannot be tested further.
[[noreturn]] void missingControl(const QWidget& window, const char* name, const char* type,
                                 qsizetype found);

// Whether the object belongs to the window itself, its menus included, rather than
// to a window opened over it: the editor's "Сохранить как" prompt has its own Edit1.
bool ownControl(const QWidget& window, const QObject& object);

// The window's control of that type whose object name, the program's own name
// for it, is name. Tests reach a window's controls this way, as a person or a
// script outside the program would, never through the window's members. Never
// null: no such control, or more than one, ends the run with a clear message.
template <class T> T* control(QWidget& window, const char* name) {
    QList<T*> found = window.findChildren<T*>(QString::fromLatin1(name));
    found.removeIf([&](const T* candidate) { return !ownControl(window, *candidate); });
    if (found.size() != 1)
        missingControl(window, name, T::staticMetaObject.className(), found.size());
    return found.front();
}
