#include "ui/common/Messages.h"

#include "core/UserError.h"

#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>

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

QWidget* Messages::front() const {
    for (auto i = m_modals.rbegin(); i != m_modals.rend(); ++i)
        if ((*i)->isVisible())
            return *i;
    return m_parent;
}

Messages::ModalShowing::ModalShowing(Messages& messages, QWidget& window)
    : m_messages(messages), m_window(window) {
    m_messages.m_modals.push_back(&window);
}

Messages::ModalShowing::~ModalShowing() {
    auto& modals = m_messages.m_modals;
    const auto last = std::find(modals.rbegin(), modals.rend(), &m_window);
    if (last != modals.rend())
        modals.erase(std::next(last).base());
}

QWidget* DialogMessages::owner() const {
    QWidget* window = front();
    // With no modal window open, a window of the program's own beside the main one (the
    // preview) asks in front of itself.
    if (window == parent())
        if (QWidget* active = QApplication::activeWindow(); active != nullptr)
            return active;
    return window;
}

void DialogMessages::notice(const QString& text) {
    QMessageBox::information(owner(), applicationTitle(), text, QMessageBox::Ok);
}

void DialogMessages::error(const QString& text) {
    QMessageBox::critical(owner(), applicationTitle(), text, QMessageBox::Ok);
}

bool DialogMessages::question(const QString& text, const QString& title) {
    return QMessageBox::question(owner(), title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool DialogMessages::yesNo(const QString& text, const QString& title) {
    return QMessageBox::question(owner(), title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

int DialogMessages::showModal(QDialog& dialog) {
    const ModalShowing showing(*this, dialog);
    return dialog.exec();
}

void presentAsPrinterSettings(QPrintDialog& dialog) {
    dialog.setWindowTitle(QStringLiteral("Настройки принтера"));
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>())
        if (QPushButton* confirm = buttons->button(QDialogButtonBox::Ok))
            confirm->setText(QStringLiteral("Сохранить"));
}

bool DialogMessages::printerDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, owner());
    presentAsPrinterSettings(dialog);
    return dialog.exec() == QDialog::Accepted;
}

QString DialogMessages::inputBox(const QString& caption, const QString& prompt,
                                 const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(owner(), caption, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : initial;
}

bool DialogMessages::fontDialog(QFont& font, QColor& colour) {
    // Qt's font dialog has no colour: the colour is chosen right after it, and
    // cancelling either leaves both as they were.
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, owner(), QStringLiteral("Шрифт"));
    if (!ok)
        return false;
    const QColor chosenColour = QColorDialog::getColor(colour, owner(), QStringLiteral("Цвет"));
    if (!chosenColour.isValid())
        return false;
    font = chosen;
    colour = chosenColour;
    return true;
}

QString Messages::fileDialog(bool, const QString&, const QString&, const QStringList&, QString*) {
    return {};
}

bool Messages::yesNo(const QString& text, const QString& title) {
    return question(text, title);
}

bool Messages::progress(const QString&, int, int) {
    return true;
}

DialogMessages::DialogMessages(QWidget* parent) {
    setParent(parent);
}

DialogMessages::~DialogMessages() = default;

QString DialogMessages::fileDialog(bool save, const QString& caption, const QString& fileName,
                                   const QStringList& filters, QString* filter) {
    const QString joined = filters.join(QStringLiteral(";;"));
    return save ? QFileDialog::getSaveFileName(owner(), caption, fileName, joined, filter)
                : QFileDialog::getOpenFileName(owner(), caption, fileName, joined, filter);
}

bool DialogMessages::progress(const QString& text, int done, int total) {
    if (!m_progress) {
        m_progress =
            std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, total, owner());
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
