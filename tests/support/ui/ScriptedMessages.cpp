#include "ScriptedMessages.h"

#include <QColor>
#include <QDialog>
#include <QFont>

void ScriptedMessages::notice(const QString& text) {
    shown.append({"notice", text, {}, front()});
}

void ScriptedMessages::error(const QString& text) {
    shown.append({"error", text, {}, front()});
}

bool ScriptedMessages::question(const QString& text, const QString& title) {
    shown.append({"question", text, title, front()});
    if (m_answers.empty()) {
        unexpected.append(QStringLiteral("question: ") + text);
        return false;
    }
    const bool ok = m_answers.front();
    m_answers.pop_front();
    return ok;
}

int ScriptedMessages::showModal(QDialog& dialog) {
    shown.append({"modal", dialog.windowTitle(), {}, front()});
    if (m_modals.empty()) {
        unexpected.append(QStringLiteral("modal window: ") + dialog.windowTitle());
        return QDialog::Rejected;
    }
    auto script = std::move(m_modals.front());
    m_modals.pop_front();
    dialog.setResult(QDialog::Rejected);
    const ModalShowing showing(*this, dialog);
    dialog.show();
    script(dialog);
    if (dialog.isVisible()) {
        unexpected.append(QStringLiteral("modal window left open: ") + dialog.windowTitle());
        dialog.hide();
    }
    return dialog.result();
}

bool ScriptedMessages::printerDialog(QPrinter& printer) {
    shown.append({"printer dialog", {}, {}, front()});
    if (m_printerDialogs.empty()) {
        unexpected.append(QStringLiteral("printer dialog"));
        return false;
    }
    auto script = std::move(m_printerDialogs.front());
    m_printerDialogs.pop_front();
    return script(printer);
}

QString ScriptedMessages::inputBox(const QString& caption, const QString& prompt,
                                   const QString& initial) {
    shown.append({"input", prompt, caption, front()});
    if (m_inputs.empty()) {
        unexpected.append(QStringLiteral("input box: ") + prompt);
        return initial;
    }
    const std::optional<QString> answer = m_inputs.front();
    m_inputs.pop_front();
    return answer ? *answer : initial;
}

bool ScriptedMessages::fontDialog(QFont& font, QColor& colour) {
    shown.append({"font dialog", {}, {}, front()});
    if (m_fontDialogs.empty()) {
        unexpected.append(QStringLiteral("font dialog"));
        return false;
    }
    auto script = std::move(m_fontDialogs.front());
    m_fontDialogs.pop_front();
    return script(font, colour);
}

QString ScriptedMessages::fileDialog(bool save, const QString& caption, const QString&,
                                     const QStringList& filters, QString* filter) {
    shown.append(
        {save ? "save file" : "open file", filters.join(QStringLiteral(";;")), caption, front()});
    if (m_files.empty()) {
        unexpected.append(QStringLiteral("file dialog: ") + caption);
        return {};
    }
    const auto [path, chosen] = m_files.front();
    m_files.pop_front();
    if (filter)
        *filter = chosen.isEmpty() ? filters.value(0) : chosen;
    return path;
}

bool ScriptedMessages::progress(const QString&, int done, int) {
    ++progressSteps;
    if (m_cancelAt >= 0 && done >= m_cancelAt) {
        m_cancelAt = -1;
        return false;
    }
    return true;
}

void ScriptedMessages::holdInFront(QDialog& window) {
    m_held.push_back(std::make_unique<ModalShowing>(*this, window));
}

QStringList ScriptedMessages::texts(const QString& kind) const {
    QStringList result;
    for (const Shown& s : shown)
        if (s.kind == kind)
            result.append(s.text);
    return result;
}

QStringList ScriptedMessages::leftOver() const {
    QStringList result;
    if (!m_answers.empty())
        result.append(QStringLiteral("%1 answer(s) never asked for").arg(m_answers.size()));
    if (!m_modals.empty())
        result.append(QStringLiteral("%1 modal script(s) never run").arg(m_modals.size()));
    if (!m_fontDialogs.empty())
        result.append(
            QStringLiteral("%1 font dialog script(s) never run").arg(m_fontDialogs.size()));
    if (!m_inputs.empty())
        result.append(QStringLiteral("%1 input answer(s) never asked for").arg(m_inputs.size()));
    if (!m_printerDialogs.empty())
        result.append(
            QStringLiteral("%1 printer dialog script(s) never run").arg(m_printerDialogs.size()));
    if (!m_files.empty())
        result.append(QStringLiteral("%1 file answer(s) never asked for").arg(m_files.size()));
    return result;
}

void ScriptedMessages::reset() {
    shown.clear();
    unexpected.clear();
    m_answers.clear();
    m_modals.clear();
    m_printerDialogs.clear();
    m_inputs.clear();
    m_fontDialogs.clear();
    m_files.clear();
    m_cancelAt = -1;
    progressSteps = 0;
}
