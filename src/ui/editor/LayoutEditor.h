#pragma once

#include "core/profiles/EnvelopeDocument.h"

#include <QDialog>
#include <QTimer>

struct Windows;
class BlockCanvas;
class CoordinatePanels;
class IniFile;
class OptionsBar;
class ProfileBar;
class QAbstractItemModel;
class QLabel;
enum class LoadStep;

// The layout editor: the window of the envelope document (the current print profile). It
// assembles the profile bar, the coordinate panels, the canvas of the blocks and the options
// bar, shows a profile as the profile store loads it, saves it, and tells the main window
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
    OptionsBar& optionsBar() const { return *m_optionsBar; }

    // The profile store's list of names, shown by the profile list and the print list.
    void showProfileNames(QAbstractItemModel* names);
    // A profile load shows each step as the profile store reads it, then the whole
    // profile, as saved. The coordinate fields show the positions as the file holds them.
    void showProfileStep(LoadStep step, const QString& name, const IniFile& ini);
    void showLoadedProfile();
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
    // The status bar's coordinates of block 1.
    void showStatus();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void connectParts();
    void connectUndoKeys();
    void init();
    // Shows the document's profile in every control, without asking and without
    // reading the settings file, as undo and redo put it back.
    void showProfile();
    // After the user changed the format: the layout starts anew.
    void startFormat();
    // Saves the current profile and makes it the program's current one, with the delay
    // settings too when asked, in one replacement of the settings file; false when the user
    // stopped at the empty print list question.
    bool saveCurrentProfile(bool withDelay);
    // What closing the editor does, whichever way it was closed.
    void finishClosing();

    Windows& w;
    EnvelopeDocument& m_document;
    // The size the profile stores and the size the window took to fit the screen.
    QSize m_storedSize;
    QSize m_fittedSize;
    ProfileBar* m_profileBar = nullptr;
    CoordinatePanels* m_panels = nullptr;
    BlockCanvas* m_canvas = nullptr;
    OptionsBar* m_optionsBar = nullptr;
    QLabel* statusPanel = nullptr;
    QLabel* formatPanel = nullptr;
    QTimer statusTimer{this}; // status bar
};
