#pragma once

#include "core/profiles/EnvelopeDocument.h"

#include <QDialog>
#include <QTimer>

struct Windows;
class BlockCanvas;
class CheckedComboBox;
class CoordinatePanels;
class DelayOptions;
class IniFile;
class PictureToggles;
class ProfileBar;
class ProfileSwitches;
class QAbstractItemModel;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class SheetPositionButton;
enum class LoadStep;

// The layout editor: the window of the envelope document (the current print profile). It
// assembles the profile bar, the coordinate panels, the canvas of the blocks and the bottom
// bars, shows a profile as the profile store loads it, saves it, and tells the main window
// when it closes. Each part shows the document and sends every edit to it.
class LayoutEditor : public QDialog {
    Q_OBJECT

public:
    explicit LayoutEditor(Windows& windows);
    ~LayoutEditor() override;

    EnvelopeDocument& document() const { return m_document; }
    ProfileBar& profileBar() const { return *m_profileBar; }
    CoordinatePanels& panels() const { return *m_panels; }
    BlockCanvas& canvas() const { return *m_canvas; }

    // The profile store's list of names, shown by the profile list and the print list.
    void showProfileNames(QAbstractItemModel* names);
    // A profile load shows each step as the profile store reads it, then the whole
    // profile, as saved. The coordinate fields show the positions as the file holds them.
    void showProfileStep(LoadStep step, const QString& name, const IniFile& ini);
    void showLoadedProfile();
    // Ticks the profiles of the list that are among these, in list order. By value: the
    // ticks may be the profile's own list, which follows the ticks.
    void setPrintTicks(QStringList ticked);
    // Shows this format (-1: none, as before the first profile) without asking.
    void chooseFormat(int format);
    // The blocks at their default places, the sheet position 7, the envelope shown anew.
    void resetLayout();
    // The profile as the editor shows it now, as a save writes it.
    PrintProfile currentProfile() const;
    // The name of the profile shown.
    QString shownProfileName() const;

    // The envelope of the document's format and its pictures.
    void showEnvelope();
    void showPictures();
    // The document's sheet position, which the position menu shows.
    int sheetPosition() const;
    void setSheetPosition(int position);
    // The status bar's coordinates of block 1.
    void showStatus();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QLayout* buildBars();
    void connectCommands();
    void connectDocument();
    void connectHistory();
    void init();
    // No format before the first profile is shown.
    int currentFormat() const;
    void showFormat();
    // Ticks exactly the profiles of the list, in its order.
    void showPrintList(const QStringList& ticked);
    // Shows the document's profile in every control, without asking and without
    // reading the settings file, as undo and redo put it back.
    void showProfile();
    void changeFormat(int index);
    void chooseSheetPosition(int position); // an item of the position menu
    void nextSheetPosition();
    // Save; false when the user stopped at the empty print list question.
    bool save();
    void saveAndClose();
    // Saves the current profile and makes it the program's current one, with the delay
    // settings too when asked, in one replacement of the settings file.
    bool saveCurrentProfile(bool withDelay);
    // What closing the editor does, whichever way it was closed.
    void finishClosing();

    Windows& w;
    EnvelopeDocument& m_document;
    ProfileBar* m_profileBar = nullptr;
    CoordinatePanels* m_panels = nullptr;
    BlockCanvas* m_canvas = nullptr;
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
    QLabel* statusPanel = nullptr;
    QLabel* formatPanel = nullptr;

    // The entry of the format list chosen by the last load or accepted change, to return to
    // when the user cancels a change.
    int m_rememberedFormat = -1;
    // The format list shows the document's format; before the first profile it shows none.
    bool m_formatShown = false;
    QTimer statusTimer{this}; // status bar
};
