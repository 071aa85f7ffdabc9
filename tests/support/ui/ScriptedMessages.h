#pragma once

#include "ui/common/Messages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Messages for tests: records every box with its text and title and answers
// from queues. A question or modal window with no queued answer is recorded
// as unexpected, so the test fails.
class ScriptedMessages : public Messages {
public:
    struct Shown {
        QString kind; // "notice", "error", "question", "modal"
        QString text;
        QString title;
        // The window it opened in front of (Messages::front()).
        const QWidget* parent = nullptr;
    };

    void answer(bool ok) { m_answers.push_back(ok); }
    // The script fills the window's fields and presses its buttons; the window
    // is shown (offscreen) while the script runs and must be closed by it.
    void onModal(std::function<void(QDialog&)> script) { m_modals.push_back(std::move(script)); }
    // The printer dialog's answer: the script may set up the printer; its result is the answer.
    // The input box's answer; an empty optional is Cancel.
    void answerInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }
    // The font dialog's answer: the script may change the font and colour; its result is the
    // answer.
    void onFontDialog(std::function<bool(QFont&, QColor&)> script) {
        m_fontDialogs.push_back(std::move(script));
    }
    void onPrinterDialog(std::function<bool(QPrinter&)> script) {
        m_printerDialogs.push_back(std::move(script));
    }
    // The file dialog's answer: a path (empty: cancelled) and the filter chosen (empty: the
    // one offered first).
    void answerFile(const QString& path, const QString& filter = {}) {
        m_files.push_back({path, filter});
    }
    // A window a test shows itself, kept as showModal keeps a modal window it shows: what
    // it asks opens in front of it while it is open.
    void holdInFront(QDialog& window);
    // The next long task is cancelled once it has done this many steps.
    void cancelProgressAt(int done) { m_cancelAt = done; }
    // Progress steps shown, over all tasks.
    int progressSteps = 0;

    void notice(const QString& text) override;
    void error(const QString& text) override;
    bool question(const QString& text, const QString& title) override;
    int showModal(QDialog& dialog) override;
    bool printerDialog(QPrinter& printer) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& initial) override;
    bool fontDialog(QFont& font, QColor& colour) override;
    QString fileDialog(bool save, const QString& caption, const QString& fileName,
                       const QStringList& filters, QString* filter) override;
    bool progress(const QString& text, int done, int total) override;

    QStringList texts(const QString& kind) const;
    QList<Shown> shown;
    QStringList unexpected;
    // Answers and scripts queued but never used.
    QStringList leftOver() const;
    void reset();

private:
    std::deque<bool> m_answers;
    std::deque<std::function<void(QDialog&)>> m_modals;
    std::deque<std::function<bool(QPrinter&)>> m_printerDialogs;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<std::function<bool(QFont&, QColor&)>> m_fontDialogs;
    std::deque<std::pair<QString, QString>> m_files;
    int m_cancelAt = -1;
    std::vector<std::unique_ptr<ModalShowing>> m_held;
};
