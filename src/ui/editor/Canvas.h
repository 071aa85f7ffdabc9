#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <vector>

struct LineMisfit;

// One text block on the editor's envelope: a transparent line of text sized to
// its content, which the user drags.
class BlockLabel : public QWidget {
    Q_OBJECT

public:
    BlockLabel(int number, QWidget* parent);

    int number() const { return m_number; }
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    void setBlockFont(const QFont& font);
    void setColour(const QColor& colour);
    // A single digit shows in the index stencil's segments, as it prints.
    void setStencil(bool stencil);
    const QColor& colour() const { return m_colour; }

signals:
    // The mouse on the label, for the canvas that drags it.
    void pressed(int number, QMouseEvent* event);
    void moved(int number, QMouseEvent* event);
    void released(int number, QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitToText();

    int m_number;
    QString m_text;
    QColor m_colour = Qt::black;
    bool m_stencil = false;
};

// The envelope surface: white, with the four pictures behind the blocks.
class Surface : public QWidget {
    Q_OBJECT

public:
    explicit Surface(QWidget* parent);

    struct Picture {
        QImage image;
        QPoint position;
        bool shown = true;
    };
    // Slots in the order sender, recipient, index, stamp.
    Picture& picture(int slot) { return m_pictures[size_t(slot)]; }
    const Picture& picture(int slot) const { return m_pictures[size_t(slot)]; }
    // The lines to mark as cut or left out, under the blocks.
    void setMisfits(std::vector<LineMisfit> misfits);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<Picture, 4> m_pictures;
    std::vector<LineMisfit> m_misfits;
};
