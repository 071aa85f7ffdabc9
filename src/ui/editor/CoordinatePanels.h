#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

struct Windows;
class BlockCanvas;
class EnvelopeDocument;
class IniFile;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The layout editor's coordinate panels beside the envelope: the fields Edit1 to Edit13 with
// their millimetres, the arrow crosses that step a field (held down, they repeat), the digit
// spacing's minus and plus, and the apply buttons that move the blocks of a panel to its
// fields. The blocks move on the canvas; the spacing and the sheet shifts go to the document
// as typed.
class CoordinatePanels : public QWidget {
    Q_OBJECT

public:
    CoordinatePanels(Windows& windows, BlockCanvas& canvas, QWidget* parent);

    // The start of an opening: the sender's and the recipient's fields read 0, no arrow repeats.
    void reset();
    void stopRepeating();
    // The document's digit spacing and sheet shifts, as the fields show them.
    void showDigitSpacing();
    void showSheetShifts();
    // The fields of the blocks' positions as the profile's section holds them, a missing
    // position as 0, though the block sits at 1.
    void showStoredPositions(const IniFile& ini, const QString& section);
    // The fields of the panel that shows this block follow it.
    void showCoordinates(int number);

    void applyDigitCells();
    void applyDigitSpacing();
    void applySenderBlock();
    // A tick of the hold-to-repeat timer while an arrow is held.
    void repeatHeldArrow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit(int n) const { return edits[size_t(n)]; }
    QLineEdit* addField(int n, QWidget* parent, const QString& name);
    int addPair(QGroupBox* box, QGridLayout* grid, int row, int xField, int yField, int panel,
                const QString& title, int applyIndex);
    void addDigitSpacing(QGroupBox* box, QGridLayout* grid, int row);
    void connectApplies();
    void connectDocument();
    int toWholeNumberOf(int field) const;
    void applyRecipientBlock();
    void applySenderIndex();    // block 5, the sender's index
    void applyRecipientIndex(); // block 6, the recipient's index
    // Moves the blocks of the panel (0 to 5, as the arrows count them) to its fields.
    void applyPanel(int panel);
    void applyField(int field);
    // One step of an arrow of a panel: 0 left, 1 up, 2 down, 3 right.
    void arrowStep(int panel, int direction);
    // The millimetre label's text for a field.
    QString millimetres(int field) const;
    void updateMillimetres();
    void moveGroup(const std::initializer_list<int>& blocks, QPoint delta);

    Windows& w;
    EnvelopeDocument& m_document;
    BlockCanvas& m_canvas;
    // Coordinate fields Edit1 to Edit13 (index 0 unused) and their millimetre labels.
    std::array<QLineEdit*, 14> edits{};
    std::array<QLabel*, 14> mmLabels{};
    // Arrow buttons of the panels: [panel][left, up, down, right].
    std::array<std::array<QToolButton*, 4>, 6> arrows{};
    QToolButton* gapMinus = nullptr;
    QToolButton* gapPlus = nullptr;
    std::array<QPushButton*, 6> applyButtons{};
    QTimer repeatTimer{this}; // hold-to-repeat of the arrow buttons
    std::function<void()> m_heldStep;
};
