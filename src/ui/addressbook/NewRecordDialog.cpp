#include "ui/addressbook/NewRecordDialog.h"

#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

namespace {

NameDialog::Use newRecord() {
    NameDialog::Use use;
    use.title = QStringLiteral("Новая запись");
    use.prompt = QStringLiteral("Название получателя:");
    use.spokenField = QStringLiteral("Название");
    use.confirmText = QStringLiteral("Добавить");
    use.promptName = ControlNames::Controls::namePrompt;
    use.fieldName = ControlNames::Controls::nameField;
    use.confirmName = ControlNames::Book::newRecordAdd;
    use.cancelName = ControlNames::Book::newRecordCancel;
    use.confirm = NameDialog::Confirm::Trimmed;
    use.fieldWidth = 221;
    return use;
}

} // namespace

NewRecordDialog::NewRecordDialog(Windows& windows)
    : NameDialog(windows.mainWindow, guardedBy(windows.messages), newRecord()) {}
