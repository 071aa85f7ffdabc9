#pragma once

#include <QWidget>
#include <array>

struct Windows;
class BlockCanvas;
class CheckedComboBox;
class DelayOptions;
class EnvelopeDocument;
class IniFile;
class PictureToggles;
class ProfileSwitches;
class QAbstractItemModel;
class QComboBox;
class QPushButton;
class SheetPositionButton;

// The layout editor's two bottom rows: the print toggles of the pictures, the sheet
// position, the profiles to print, the envelope format, the profile's switches, "Шрифт" and
// "Выделить всё" for the canvas's blocks, the print delay, and the buttons that leave the
// editor. Each shows the document and sends the user's changes to it.
class OptionsBar : public QWidget {
    Q_OBJECT

public:
    OptionsBar(Windows& windows, BlockCanvas& canvas, QWidget* parent);

    // The profile store's list of names, the entries of the print list.
    void showProfileNames(QAbstractItemModel* names);
    // Ticks exactly the profiles of the list, in its order.
    void showPrintList(const QStringList& ticked);
    // Ticks the profiles of the list that are among these, in list order. By value: the
    // ticks may be the profile's own list, which follows the ticks.
    void setPrintTicks(QStringList ticked);
    // Ticks the last entry, a profile just added at the end of the list.
    void tickLastProfile();

    // Shows this format (-1: none, as before the first profile) without asking.
    void chooseFormat(int format);
    // The document's format in the format list.
    void showFormat();
    // The format shown; -1 before the first profile.
    int currentFormat() const;
    // The format a cancelled change of format returns to is the document's.
    void rememberFormat();

    // The pictures of the shown format on the canvas and their toggles, as the document
    // prints them; a format with one picture prints none of the other three.
    void showPictures();
    // The toggles of the four pictures as the document prints them.
    void showPrintedPictures();
    // The document's sheet position, which the position menu shows.
    int sheetPosition() const;
    void setSheetPosition(int position);
    void showSwitches();
    // The delay of the settings file, and back.
    void readDelay(const IniFile& ini);
    void writeDelay(IniFile& ini) const;

signals:
    // The user chose another format and agreed that the layout starts anew; the document
    // holds the format already.
    void formatChanged();
    void saveAndCloseRequested();
    void cancelRequested();

private:
    void buildRows();
    // Whether each picture is printed, by slot: sender, recipient, index, stamp.
    std::array<bool, 4> printedPictures() const;
    void connectDocument();
    void changeFormat(int index);
    void chooseSheetPosition(int position); // an item of the position menu
    void nextSheetPosition();

    Windows& w;
    EnvelopeDocument& m_document;
    BlockCanvas& m_canvas;
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

    // The entry of the format list chosen by the last load or accepted change, to return to
    // when the user cancels a change.
    int m_rememberedFormat = -1;
    // The format list shows the document's format; before the first profile it shows none.
    bool m_formatShown = false;
};
