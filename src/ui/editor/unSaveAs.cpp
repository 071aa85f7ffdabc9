#include "ui/editor/unSaveAs.h"

#include "core/UserError.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/DialogParts.h"
#include "ui/editor/uView.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Parented to the layout editor, which stays on top while it is open: a dialog
// parented to the main window could open behind it.
TfSaveAs::TfSaveAs(Windows& windows) : QDialog(windows.view), w(windows) {
    setWindowTitle(QStringLiteral("Сохранить как"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    Label1 = new QLabel(QStringLiteral("Введите название профиля:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = promptField(Label1, Label1->text(), this);
    Button1 = dialogButton(QStringLiteral("ОК"), "Button1", true, this);
    Button2 = dialogButton(QStringLiteral("Отмена"), "Button2", false, this);
    layOutPrompt(layout, Label1, Edit1, Button1, Button2);
    // The window keeps its size, but grows past 163 x 80 where a larger font needs it.
    setMinimumSize(163, 80);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this,
            [this] { guarded(w.messages, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &TfSaveAs::reject);
}

QString TfSaveAs::name() const {
    return Edit1->text();
}

void TfSaveAs::showEvent(QShowEvent* event) {
    Edit1->clear();
    Edit1->setFocus();
    QDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        move(w.mainWindow->frameGeometry().center() - rect().center());
    }
}

void TfSaveAs::Button1Click() {
    // A name of blanks only could not name a section of the settings file.
    if (Edit1->text().trimmed().isEmpty())
        throw UserError(QStringLiteral("Введите название"));
    accept();
}

void TfSaveAs::reject() {
    if (!m_closeBox)
        Edit1->clear();
    QDialog::reject();
}

void TfSaveAs::closeEvent(QCloseEvent* event) {
    // The close box keeps a typed name: it is saved like "ОК" would save it.
    m_closeBox = true;
    QDialog::closeEvent(event);
    m_closeBox = false;
}
