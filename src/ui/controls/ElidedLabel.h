#pragma once

#include <QLabel>

// A line of the user's text that never pushes its window wider: what does not
// fit is cut out of the middle ("Иванов Ив…ович"), and the whole text stays in
// the tooltip and in the accessible name, so a screen reader speaks all of it.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_full; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();
    QSize roomFor(int textWidth) const;

    QString m_full;
};
