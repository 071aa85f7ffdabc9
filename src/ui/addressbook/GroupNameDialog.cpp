#include "ui/addressbook/GroupNameDialog.h"

#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QPushButton>

namespace {

NameDialog::Use groupName() {
    NameDialog::Use use;
    use.title = QStringLiteral("Новая группа");
    use.prompt = QStringLiteral("Укажите название группы");
    use.confirmText = QStringLiteral("Добавить");
    use.promptName = ControlNames::Controls::namePrompt;
    use.fieldName = ControlNames::Controls::nameField;
    use.confirmName = ControlNames::Book::groupNameConfirm;
    use.cancelName = ControlNames::Book::groupNameCancel;
    // The name goes to the groups window as typed; that window judges it.
    use.confirm = NameDialog::Confirm::AsTyped;
    use.keepsLastName = true;
    // 169 x 87 is two pixels too narrow for the prompt at the default font here:
    // the window keeps that size where the fonts allow and grows where they need.
    use.minimumSize = QSize(169, 87);
    return use;
}

} // namespace

GroupNameDialog::GroupNameDialog(Windows& windows)
    : NameDialog(windows.mainWindow, guardedBy(windows.messages), groupName()) {
    // No fixed accessible name: the caller changes the text, and the spoken name follows it.
    confirmButton()->setAccessibleName(QString());
}
