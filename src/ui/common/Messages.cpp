#include "ui/common/Messages.h"

#include "core/UserError.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProgressDialog>

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

std::function<void(const std::function<void()>&)> guardedBy(Messages& messages) {
    return [&messages](const std::function<void()>& body) { guarded(messages, body); };
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

QString Messages::fileDialog(bool, const QString&, const QString&, const QStringList&, QString*) {
    return {};
}

bool Messages::progress(const QString&, int, int) {
    return true;
}

DialogMessages::DialogMessages(QWidget* parent) : m_parent(parent) {}

DialogMessages::~DialogMessages() = default;

QString DialogMessages::fileDialog(bool save, const QString& caption, const QString& fileName,
                                   const QStringList& filters, QString* filter) {
    const QString joined = filters.join(QStringLiteral(";;"));
    return save ? QFileDialog::getSaveFileName(m_parent, caption, fileName, joined, filter)
                : QFileDialog::getOpenFileName(m_parent, caption, fileName, joined, filter);
}

bool DialogMessages::progress(const QString& text, int done, int total) {
    if (!m_progress) {
        m_progress =
            std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, total, m_parent);
        m_progress->setWindowTitle(applicationTitle());
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(300);
    }
    m_progress->setLabelText(text);
    m_progress->setMaximum(total);
    m_progress->setValue(done);
    // The window shows and its button answers only while events are handled.
    QCoreApplication::processEvents();
    const bool going = !m_progress->wasCanceled();
    if (!going || done >= total)
        m_progress.reset();
    return going;
}
