#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The small prompt for a name: a line that asks, the field under it, and a confirm and a
// cancel button. Each use (a new record, a group's name, a layout saved under a new name)
// gives its texts, its controls' names and its rules; the caller reads name() once the
// window has closed.
class NameDialog : public QDialog {
    Q_OBJECT

public:
    // What confirming does with the name typed.
    enum class Confirm : quint8 {
        // Takes it as it is, blank or not.
        AsTyped,
        // Refuses a name of blanks only; takes any other as it is.
        RefusingBlank,
        // Cuts the blanks at its ends, then refuses an empty name.
        Trimmed,
    };

    struct Use {
        QString title;
        QString prompt;
        // The field's name for screen readers; empty: the prompt's text.
        QString spokenField;
        QString confirmText;
        // The program's names of the prompt, the field and the buttons: their object names
        // (and but for the prompt's, their accessible descriptions).
        const char* promptName = "";
        const char* fieldName = "";
        const char* confirmName = "";
        const char* cancelName = "";
        Confirm confirm = Confirm::AsTyped;
        // When the window opens, the name confirmed last is in the field, selected; otherwise
        // the field is empty.
        bool keepsLastName = false;
        // A close box on the caption, which closes the window keeping the name typed (a
        // caller takes that name as confirmed); without it the window has none.
        bool closeBox = false;
        int margin = 4;
        // The window's least size (empty: as the layout needs) and the field's fixed width
        // (0: as the layout gives).
        QSize minimumSize;
        int fieldWidth = 0;
    };

    // Runs a button's handler, showing the user an error that escapes it.
    using Guard = std::function<void(const std::function<void()>&)>;

    NameDialog(QWidget* parent, Guard guard, const Use& use);

    // The name in the field: the one confirmed; empty when the window was cancelled.
    QString name() const;
    // Cancelling empties the field.
    void reject() override;

protected:
    void setPrompt(const QString& text);
    // Shows the action in the caption and on the confirm button ("Добавить", "Изменить").
    void setAction(const QString& action);
    QPushButton* confirmButton() const { return m_confirm; }
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void confirm();
    // The field's width that makes the window as wide as its caption needs.
    void keepCaptionWhole();

    Guard m_guard;
    const Confirm m_confirmRule;
    const bool m_keepsLastName;
    const bool m_closeBox;
    QLabel* m_prompt = nullptr;
    QLineEdit* m_field = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_closingByCloseBox = false;
    int m_fieldWidth = 0;
    int m_margin = 0;
};
