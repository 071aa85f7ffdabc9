#include "ui/common/Messages.h"

#include "core/UserError.h"

#include <QColorDialog>
#include <QDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>

QString applicationTitle() {
    return QStringLiteral("Печать конвертов");
}

QString errorNoticeText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void guarded(Messages& messages, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        messages.error(errorNoticeText(errorMessage(e)));
    }
}

void DialogMessages::notice(const QString& text) {
    QMessageBox::information(m_parent, applicationTitle(), text, QMessageBox::Ok);
}

void DialogMessages::error(const QString& text) {
    QMessageBox::critical(m_parent, applicationTitle(), text, QMessageBox::Ok);
}

bool DialogMessages::question(const QString& text, const QString& title) {
    return QMessageBox::question(m_parent, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

int DialogMessages::showModal(QDialog& dialog) {
    return dialog.exec();
}

bool DialogMessages::printerDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

QString DialogMessages::inputBox(const QString& caption, const QString& prompt,
                                 const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, caption, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : initial;
}

bool DialogMessages::fontDialog(QFont& font, QColor& colour) {
    // Qt's font dialog has no colour: the colour is chosen right after it, and
    // cancelling either leaves both as they were.
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, m_parent, QStringLiteral("Шрифт"));
    if (!ok)
        return false;
    const QColor chosenColour = QColorDialog::getColor(colour, m_parent, QStringLiteral("Цвет"));
    if (!chosenColour.isValid())
        return false;
    font = chosen;
    colour = chosenColour;
    return true;
}
