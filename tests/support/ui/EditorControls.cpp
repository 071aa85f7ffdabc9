#include "EditorControls.h"

#include "ui/common/ControlNames.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/Canvas.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace {

QByteArray numbered(const char* stem, int n) {
    return QByteArray(stem) + QByteArray::number(n);
}

} // namespace

QComboBox* profileList(QWidget& editor) {
    return control<QComboBox>(editor, ControlNames::Editor::profileChoice);
}

CheckedComboBox* printList(QWidget& editor) {
    return control<CheckedComboBox>(editor, ControlNames::Editor::printChoice);
}

QComboBox* formatList(QWidget& editor) {
    return control<QComboBox>(editor, ControlNames::Editor::formatChoice);
}

QPushButton* saveButton(QWidget& editor) {
    return control<QPushButton>(editor, ControlNames::Editor::saveButton);
}

Surface* surface(QWidget& editor) {
    return control<Surface>(editor, ControlNames::Editor::surface);
}

QLineEdit* field(QWidget& editor, int n) {
    return control<QLineEdit>(editor,
                              numbered(ControlNames::Editor::coordinateField, n).constData());
}

BlockLabel* blockLabel(QWidget& editor, int n) {
    return control<BlockLabel>(editor, numbered(ControlNames::Editor::blockLabel, n).constData());
}

QToolButton* pictureToggle(QWidget& editor, int slot) {
    return control<QToolButton>(
        editor, numbered(ControlNames::Editor::pictureToggle, slot + 1).constData());
}

QList<QToolButton*> pictureToggles(QWidget& editor) {
    QList<QToolButton*> toggles;
    for (int slot = 0; slot < 4; ++slot)
        toggles.append(pictureToggle(editor, slot));
    return toggles;
}

QAction* positionItem(QWidget& editor, int i) {
    const QList<QAction*> items =
        control<QMenu>(editor, ControlNames::Editor::sheetPositionMenu)->actions();
    if (i < 0 || i >= items.size())
        qFatal("The sheet position menu has no item %d", i);
    return items[i];
}

QLabel* millimetreLabel(QWidget& editor, int n) {
    return control<QLabel>(editor, numbered(ControlNames::Editor::millimetreLabel, n).constData());
}

QToolButton* arrowButton(QWidget& editor, const QString& spokenName) {
    QList<QToolButton*> found;
    for (QToolButton* arrow :
         editor.findChildren<QToolButton*>(QLatin1String(ControlNames::Editor::arrowButton)))
        if (arrow->accessibleName() == spokenName)
            found.append(arrow);
    if (found.size() != 1)
        missingControl(editor, qUtf8Printable(spokenName), "QToolButton", found.size());
    return found.front();
}
