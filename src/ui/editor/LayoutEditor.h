#pragma once

#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "ui/editor/Canvas.h"

#include <QDialog>
#include <QTimer>
#include <array>

struct Windows;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QAction;
class CheckedComboBox;
class QLayout;
class QAbstractItemModel;
class DelayOptions;
class PictureToggles;
class ProfileSwitches;
class SheetPositionButton;
class IniFile;
enum class LoadStep;

// The layout editor: a view of the envelope document (the current print profile), with
// one movable label per text block over the format's pictures. Its controls show the
// document and send every edit to it.
class LayoutEditor : public QDialog {
    Q_OBJECT

public:
    explicit LayoutEditor(Windows& windows);
    ~LayoutEditor() override;

    // The profile store's list of names, shown by the profile list and the print list.
    void showProfileNames(QAbstractItemModel* names);
    // The entry of the profile list shown; -1 when none.
    int chosenProfileIndex() const;
    // Ticks the profiles of the list that are among these, in list order. By value: the
    // ticks may be the profile's own list, which follows the ticks.
    void setPrintTicks(QStringList ticked);
    // Shows this format (-1: none, as before the first profile) without asking.
    void chooseFormat(int format);
    // A profile load shows each step as the profile store reads it, then the whole
    // profile, as saved. The coordinate fields show the positions as the file holds them.
    void showProfileStep(LoadStep step, const QString& name, const IniFile& ini);
    void showLoadedProfile();
    // Shows the document's profile in every control, without asking and without
    // reading the settings file, as undo and redo put it back.
    void showProfile();
    // The shown profile is the saved one: undo reaches back to it and no further.
    void startHistory();
    // Ctrl+Z, and Ctrl+Y or Ctrl+Shift+Z; the buttons "Отменить" and "Повторить".
    void undo();
    void redo();
    // The profile entry a cancelled change of profile returns to.
    int rememberedProfile() const { return m_rememberedProfile; }
    void rememberProfile(int index) { m_rememberedProfile = index; }

    QPoint blockPos(int number) const;
    void moveBlock(int number, QPoint position);

    // Formats and pictures.
    void showEnvelope();
    void showPictures();
    void resetLayout();
    int currentFormat() const;

    // Blocks.
    void showTexts();
    void showVisibility();
    void applyFonts();
    // The index digit labels as the profile prints them: text or stencil segments.
    void showStencil();
    void rememberPositions();
    void checkInside();
    void showCoordinates(int number);
    bool isSelected(int number) const { return m_selected[size_t(number - 1)]; }
    void selectAll();
    void clearSelection();

    // Applies of the coordinate panels.
    void applyDigitCells();
    void applyDigitSpacing();
    void applySenderBlock();
    void applyRecipientBlock();
    void applySenderIndex();    // block 5, the sender's index
    void applyRecipientIndex(); // block 6, the recipient's index
    void arrowStep(int panel, int direction);
    void repeatHeldArrow();
    void showStatus();
    void moveByKey(int key);
    void updateMillimetres();
    void markModified();
    void centreSurface();
    // The document's sheet position, which the position menu shows.
    int sheetPosition() const;
    // Whether each picture is printed, by slot: sender, recipient, index, stamp.
    std::array<bool, 4> picturesPrinted() const;
    void setSheetPosition(int position);

    // The millimetre label's text for a field.
    QString millimetres(int field) const;
    bool warningArmed() const { return m_armed; }

    // Commands of the top and bottom bars and the block menu.
    bool modified() const;
    void chooseProfile(int index);
    void renameProfile();
    void deleteProfile();
    void addProfile();
    void saveAs();
    // Save; false when the user stopped at the empty print list question.
    bool save();
    // The profile as the editor shows it now, as a save writes it.
    PrintProfile currentProfile() const;
    // The name of the profile shown.
    QString shownProfileName() const;
    void changeFormat(int index);
    void chooseFont(); // "Шрифт" of the bar and of the block menu
    void toggleVisibility();
    void chooseSheetPosition(int position); // an item of the position menu
    EnvelopeDocument& document() const { return m_document; }
    void nextSheetPosition();
    void saveAndClose();
    // What closing the editor does, whichever way it was closed.
    void finishClosing();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Top bar.
    QComboBox* profileChoice = nullptr;  // the current profile
    QToolButton* renameButton = nullptr; // "Переименовать"
    QToolButton* deleteButton = nullptr; // "Удалить"
    QToolButton* addButton = nullptr;    // "Добавить"
    QPushButton* saveAsButton = nullptr; // "Сохранить как"
    QPushButton* saveButton = nullptr;   // "Сохранить"
    QToolButton* undoButton = nullptr;
    QToolButton* redoButton = nullptr;
    // Bottom bar.
    PictureToggles* pictureToggles = nullptr; // the print toggles of the four pictures
    SheetPositionButton* sheetPositionButton = nullptr;
    CheckedComboBox* printChoice = nullptr;    // the profiles to print
    QComboBox* formatChoice = nullptr;         // the envelope format
    ProfileSwitches* switches = nullptr;       // the profile's three switches
    QPushButton* fontButton = nullptr;         // "Шрифт"
    QPushButton* selectAllButton = nullptr;    // "Выделить всё"
    DelayOptions* delayOptions = nullptr;      // the print delay
    QPushButton* saveAndCloseButton = nullptr; // "Сохранить и выйти"
    QPushButton* cancelButton = nullptr;       // "Отмена"
    // Block menu.
    QMenu* blockMenu = nullptr;
    QAction* blockFontItem = nullptr;  // "Шрифт"
    QAction* visibilityItem = nullptr; // "Видимость"

    // The canvas.
    QWidget* workArea = nullptr;
    Surface* surface = nullptr;
    std::array<BlockLabel*, blockCount> labels{};
    // Coordinate fields Edit1 to Edit13 (index 0 unused) and their millimetre labels.
    std::array<QLineEdit*, 14> edits{};
    std::array<QLabel*, 14> mmLabels{};
    // Arrow buttons of the panels: [panel][left, up, down, right].
    std::array<std::array<QToolButton*, 4>, 6> arrows{};
    QToolButton* gapMinus = nullptr;
    QToolButton* gapPlus = nullptr;
    std::array<QPushButton*, 6> applyButtons{};
    QLabel* statusPanel = nullptr;
    QLabel* formatPanel = nullptr;

    // The entries of the profile and format lists chosen by the last load or accepted change,
    // to return to when the user cancels a change.
    int m_rememberedProfile = -1;
    int m_rememberedFormat = -1;
    // The format list shows the document's format; before the first profile it shows none.
    bool m_formatShown = false;

    QTimer statusTimer{this}; // status bar
    QTimer repeatTimer{this}; // hold-to-repeat of the arrow buttons

    QLineEdit* edit(int n) const { return edits[size_t(n)]; }
    const ScreenConversions& screen() const;
    PictureCache& pictures() const;
    BlockLabel* label(int number) const { return labels[size_t(number - 1)]; }
    // The last entry of the profile list equal to the name; 0 when none is.
    int profileEntry(const QString& name) const;

    void buildWindow();
    QWidget* buildPanels();
    QLayout* buildBars();
    int toWholeNumberOf(int field) const;
    void applyField(int field);
    void init();
    void labelPress(int number, QMouseEvent* event);
    void labelMove(int number, QMouseEvent* event);
    void labelRelease(int number, QMouseEvent* event);
    void followTarget(QPoint target);
    void moveGroup(const std::initializer_list<int>& blocks, QPoint delta);
    void paintLabel(int number);
    void connectCommands();
    // Ticks exactly the profiles of the list, in its order.
    void showPrintList(const QStringList& ticked);
    // Shows the document's name as the chosen entry of the profile list.
    void showName();
    void showFormat();
    void showSwitches();
    // Saves the current profile and makes it the program's current one, with the delay
    // settings too when asked, in one replacement of the settings file.
    bool saveCurrentProfile(bool withDelay);
    void saveAsNew(const QString& name);
    // Takes the profile as it now is as a step of the history, after a command changed it.
    void recordChange(ProfileChange kind);
    void connectHistory();
    void connectDocument();

    Windows& w;
    EnvelopeDocument& m_document;
    std::array<bool, blockCount> m_selected{};
    std::array<QPoint, blockCount> m_grabOffset{};
    std::array<QPoint, blockCount> m_saved{};
    bool m_drag = false;
    QPoint m_grabPoint;
    bool m_armed = true;
    QToolButton* m_held = nullptr;
    std::function<void()> m_heldStep;
    // What the font dialog shows next: the last selected block's font and colour,
    // or the last choice when no block is selected.
    TextBlock m_fontDialog;
};
