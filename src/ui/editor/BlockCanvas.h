#pragma once

#include "core/envelope/Envelope.h"
#include "core/profiles/PrintProfile.h"

#include <QWidget>
#include <array>
#include <vector>

struct Windows;
class BlockLabel;
class EnvelopeDocument;
class QAction;
class QMenu;
class QMouseEvent;
class Surface;
struct ScreenConversions;

// The layout editor's work area: the envelope of the document's format with its pictures
// and one movable label per text block. The user selects blocks, drags them, moves them by
// the arrow keys and chooses their font and visibility through the block menu; every move
// and change goes to the document, which the labels show.
class BlockCanvas : public QWidget {
    Q_OBJECT

public:
    BlockCanvas(Windows& windows, QWidget* parent);

    QPoint blockPos(int number) const;
    void moveBlock(int number, QPoint position);
    // The width of the block's label as it is now shown.
    int blockWidth(int number) const;

    // The envelope of the format (-1: none yet) at the size of the screen, and its pictures.
    void showEnvelope(int format);
    // The picture of the slot (sender, recipient, index, stamp), printed or not.
    void showPicture(int format, int slot, bool printed);
    void centreSurface();

    void showTexts();
    void applyFonts();
    void showVisibility();
    // The index digit labels as the profile prints them: text or stencil segments.
    void showStencil();
    // Every label in its colour, the selected ones red.
    void paintLabels();
    // The lines of the envelope as it prints with the main window's texts that are cut or
    // left out: marked on the envelope, and named in the tooltip of the block concerned.
    // Nothing while the blocks show their captions.
    void showMisfits();
    const std::vector<LineMisfit>& misfits() const { return m_misfits; }

    bool isSelected(int number) const { return m_selected[size_t(number - 1)]; }
    void selectAll();
    void clearSelection();

    // The positions that a move refused by the out-of-envelope warning returns to.
    void rememberPositions();
    // Asks whether to leave a block outside the envelope, once until all are inside again;
    // a refusal puts back the remembered positions.
    void checkInside();
    // The next block outside the envelope asks again.
    void armWarning() { m_armed = true; }
    // An arrow key moves the selected blocks by a pixel while all blocks are inside.
    void moveByKey(int key);
    // "Шрифт" of the bar and of the block menu, for the selected blocks.
    void chooseFont();

signals:
    // The user dragged the block or moved it by a key: its coordinate fields follow.
    void blockMoved(int number);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // "Видимость" of the block menu, for the selected blocks.
    void toggleVisibility();
    BlockLabel* label(int number) const { return labels[size_t(number - 1)]; }
    const ScreenConversions& screen() const;
    void paintLabel(int number);
    void labelPress(int number, QMouseEvent* event);
    void labelMove(int number, QMouseEvent* event);
    void labelRelease(int number, QMouseEvent* event);
    void followTarget(QPoint target);

    Windows& w;
    EnvelopeDocument& m_document;
    Surface* surface = nullptr;
    std::array<BlockLabel*, blockCount> labels{};
    QMenu* blockMenu = nullptr;
    QAction* blockFontItem = nullptr;  // "Шрифт"
    QAction* visibilityItem = nullptr; // "Видимость"

    std::array<bool, blockCount> m_selected{};
    std::array<QPoint, blockCount> m_grabOffset{};
    std::array<QPoint, blockCount> m_saved{};
    bool m_drag = false;
    QPoint m_grabPoint;
    bool m_armed = true;
    // What the font dialog shows next: the last selected block's font and colour,
    // or the last choice when no block is selected.
    TextBlock m_fontDialog;
    // The blocks show the main window's texts, not their captions.
    bool m_textsShown = false;
    std::vector<LineMisfit> m_misfits;
};
