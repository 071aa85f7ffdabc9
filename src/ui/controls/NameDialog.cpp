#include "ui/controls/NameDialog.h"

#include "core/UserError.h"
#include "ui/controls/DialogParts.h"
#include "ui/controls/ScreenFit.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NameDialog::NameDialog(QWidget* parent, Guard guard, const Use& use)
    : QDialog(parent), m_guard(std::move(guard)), m_confirmRule(use.confirm),
      m_keepsLastName(use.keepsLastName), m_closeBox(use.closeBox) {
    setWindowTitle(use.title);
    setWindowFlags(use.closeBox ? Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                                : Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(use.margin, use.margin, use.margin, use.margin);
    m_prompt = new QLabel(use.prompt, this);
    m_prompt->setObjectName(QString::fromLatin1(use.promptName));
    m_field = promptField(m_prompt, use.spokenField.isEmpty() ? use.prompt : use.spokenField,
                          use.fieldName, this);
    m_fieldWidth = use.fieldWidth;
    m_margin = use.margin;
    keepCaptionWhole();
    m_confirm = dialogButton(use.confirmText, use.confirmName, true, this);
    m_cancel = dialogButton(QStringLiteral("Отмена"), use.cancelName, false, this);
    layOutPrompt(layout, m_prompt, m_field, m_confirm, m_cancel);
    if (!use.minimumSize.isEmpty())
        setMinimumSize(use.minimumSize);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_confirm, &QPushButton::clicked, this, [this] { m_guard([this] { confirm(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &NameDialog::reject);
}

QString NameDialog::name() const {
    return m_field->text();
}

void NameDialog::setPrompt(const QString& text) {
    m_prompt->setText(text);
}

void NameDialog::keepCaptionWhole() {
    // The window, whose size its layout fixes, is as wide as its caption needs: the field
    // across it takes the width.
    const int needed = captionWidth(*this) - 2 * m_margin;
    if (m_fieldWidth > 0)
        m_field->setFixedWidth(std::max(m_fieldWidth, needed));
    else
        m_field->setMinimumWidth(needed);
}

void NameDialog::setAction(const QString& action) {
    setWindowTitle(action);
    keepCaptionWhole();
    m_confirm->setText(action);
}

void NameDialog::showEvent(QShowEvent* event) {
    if (m_keepsLastName) {
        m_field->setFocus();
        m_field->selectAll();
    } else {
        m_field->clear();
        m_field->setFocus();
    }
    QDialog::showEvent(event);
}

void NameDialog::confirm() {
    if (m_confirmRule == Confirm::Trimmed)
        m_field->setText(m_field->text().trimmed());
    // A name of blanks only names nothing: no record, no section of the settings file.
    if (m_confirmRule != Confirm::AsTyped && m_field->text().trimmed().isEmpty())
        throw UserError(QStringLiteral("Введите название"));
    accept();
}

void NameDialog::reject() {
    if (!m_closingByCloseBox)
        m_field->clear();
    QDialog::reject();
}

void NameDialog::closeEvent(QCloseEvent* event) {
    // The close box keeps a typed name: the caller takes it as "ОК" would give it.
    m_closingByCloseBox = m_closeBox;
    QDialog::closeEvent(event);
    m_closingByCloseBox = false;
}
