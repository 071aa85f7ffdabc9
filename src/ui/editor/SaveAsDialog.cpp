#include "ui/editor/SaveAsDialog.h"

#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/LayoutEditor.h"

namespace {

NameDialog::Use saveAs() {
    NameDialog::Use use;
    use.title = QStringLiteral("Сохранить как");
    use.prompt = QStringLiteral("Введите название профиля:");
    use.confirmText = QStringLiteral("ОК");
    use.promptName = ControlNames::Controls::namePrompt;
    use.fieldName = ControlNames::Controls::nameField;
    use.confirmName = ControlNames::Book::saveAsConfirm;
    use.cancelName = ControlNames::Book::saveAsCancel;
    // A name of blanks only could not name a section of the settings file.
    use.confirm = NameDialog::Confirm::RefusingBlank;
    use.closeBox = true;
    use.margin = 6;
    // The window keeps its size, but grows past 163 x 80 where a larger font needs it.
    use.minimumSize = QSize(163, 80);
    return use;
}

} // namespace

// Parented to the layout editor, which stays on top while it is open: a dialog
// parented to the main window could open behind it.
SaveAsDialog::SaveAsDialog(Windows& windows)
    : NameDialog(windows.layoutEditor, guardedBy(windows.messages), saveAs()), w(windows) {}

void SaveAsDialog::showEvent(QShowEvent* event) {
    NameDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        move(w.mainWindow->frameGeometry().center() - rect().center());
    }
}
