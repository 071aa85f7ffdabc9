#pragma once

#include "core/run/Notices.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QColor;
class QDialog;
class QFont;
class QPrintDialog;
class QPrinter;
class QProgressDialog;
class QWidget;

// The one seam through which the program talks to the user in boxes and shows
// its modal windows. The program uses real Qt dialogs; tests script the answers.
class Messages : public Notices {
public:
    // Plain notice: the text with OK, titled with the application title.
    void notice(const QString& text) override = 0;
    // Error notice for an error that escaped an operation; the text arrives
    // with the period rule already applied (see errorNoticeText).
    virtual void error(const QString& text) = 0;
    // Question box with OK and Cancel; true means OK.
    virtual bool question(const QString& text, const QString& title) = 0;
    // Question box with «Да» and «Нет», for a question that reads as one; true means «Да».
    // Where no box is shown, answered as question() is.
    virtual bool yesNo(const QString& text, const QString& title);
    // Shows a modal window and returns its result code.
    virtual int showModal(QDialog& dialog) = 0;
    // The platform's printer dialog for this printer; true when accepted.
    virtual bool printerDialog(QPrinter& printer) = 0;
    // An input box with OK and Cancel; a cancelled box gives back the initial text.
    virtual QString inputBox(const QString& caption, const QString& prompt,
                             const QString& initial) = 0;
    // The font dialog with the colour chosen beside it: face, style, size,
    // effects and colour in one step; true when accepted.
    virtual bool fontDialog(QFont& font, QColor& colour) = 0;
    // The file dialog for a file to read, or to write when `save`: `filters` as Qt takes
    // them; `filter` names the one shown first and receives the one chosen. Empty when
    // cancelled; where there is nobody to ask, always cancelled.
    virtual QString fileDialog(bool save, const QString& caption, const QString& fileName,
                               const QStringList& filters, QString* filter);
    // A long task's progress with "Отмена": false once the user has pressed it. The window
    // closes when done reaches total. Where there is nobody to ask, never cancelled.
    virtual bool progress(const QString& text, int done, int total);

    // The window a box or dialog opens in front of and is modal to: the innermost modal
    // window shown through showModal that is still open (the layout editor, the save-as
    // window over it), else the main window given here.
    QWidget* front() const;
    void setParent(QWidget* parent) { m_parent = parent; }

protected:
    QWidget* parent() const { return m_parent; }
    // Held while showModal shows a window, so that what it asks opens in front of it.
    class ModalShowing {
    public:
        ModalShowing(Messages& messages, QWidget& window);
        ~ModalShowing();
        ModalShowing(const ModalShowing&) = delete;
        ModalShowing& operator=(const ModalShowing&) = delete;

    private:
        Messages& m_messages;
        QWidget& m_window;
    };

private:
    QWidget* m_parent = nullptr;
    std::vector<QWidget*> m_modals;
};

// The platform's printer dialog as what it is here, the printer settings (F3): titled
// «Настройки принтера», its button «Сохранить» rather than Qt's «Печать», for it prints
// nothing.
void presentAsPrinterSettings(QPrintDialog& dialog);

// An error's text as the error notice shows it: a period is added when the
// last character sorts after "." (a letter, a digit or "?").
QString errorNoticeText(const QString& text);

// Runs an event handler's body; an error that escapes it becomes the error notice.
void guarded(Messages& messages, const std::function<void()>& body);
// guarded() with these messages, for a control that takes the way to run its handlers.
std::function<void(const std::function<void()>&)> guardedBy(Messages& messages);

// The real boxes and dialogs, parented to the given window.
class DialogMessages : public Messages {
public:
    explicit DialogMessages(QWidget* parent = nullptr);
    ~DialogMessages() override;

    void notice(const QString& text) override;
    void error(const QString& text) override;
    bool question(const QString& text, const QString& title) override;
    bool yesNo(const QString& text, const QString& title) override;
    int showModal(QDialog& dialog) override;
    bool printerDialog(QPrinter& printer) override;
    QString inputBox(const QString& caption, const QString& prompt,
                     const QString& initial) override;
    bool fontDialog(QFont& font, QColor& colour) override;
    QString fileDialog(bool save, const QString& caption, const QString& fileName,
                       const QStringList& filters, QString* filter) override;
    bool progress(const QString& text, int done, int total) override;

private:
    // front(), or where no modal window is open the program's window the user works in
    // (the preview beside the main window).
    QWidget* owner() const;

    std::unique_ptr<QProgressDialog> m_progress;
};
