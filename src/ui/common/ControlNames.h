#pragma once

// The program's own names for its controls: each one's object name and accessible
// description. Screen readers, scripts and the tests find controls by them, so they stay
// as they are whatever the code calls the control. The windows and the test support both
// take them from here; a constant is named for the control's job, its value is the name.
namespace ControlNames {

// The main window.
namespace Main {
inline constexpr char deferredStartTimer[] = "Timer1";
inline constexpr char othersChangesTimer[] = "othersChangesTimer";
inline constexpr char searchText[] = "editfind";
inline constexpr char searchButton[] = "SpeedButton1";
inline constexpr char wholeNameOnly[] = "cb1";
inline constexpr char listPages[] = "PageControl1";
inline constexpr char recipientList[] = "cb";
inline constexpr char senderList[] = "cb2";
inline constexpr char recordName[] = "rname";
inline constexpr char recipientName[] = "komy";
// Beside «Кому»: fills it from the record's name, in the dative.
inline constexpr char recipientNameInDative[] = "komyDative";
inline constexpr char recipientAddress[] = "kyda";
inline constexpr char recipientIndex[] = "intyda";
inline constexpr char senderName[] = "otkogo";
inline constexpr char senderAddress[] = "otkyda";
inline constexpr char senderIndex[] = "intyt";
inline constexpr char recipientProfile[] = "cbp";
inline constexpr char toolbar[] = "ToolBar1";
// Shown at the window's foot while the envelopes go into a chosen PDF file.
inline constexpr char destination[] = "destination";
inline constexpr char printButton[] = "ToolButton1";
inline constexpr char saveButton[] = "ToolButton2";
inline constexpr char addButton[] = "ToolButton3";
inline constexpr char deleteButton[] = "ToolButton4";
inline constexpr char clearButton[] = "ToolButton5";
inline constexpr char tickAllButton[] = "ToolButton6";
inline constexpr char layoutEditorButton[] = "ToolButton7";
inline constexpr char groupsButton[] = "ToolButtonGroups";
inline constexpr char printCommand[] = "menuPrint";
inline constexpr char importCommand[] = "menuImport";
inline constexpr char exportCommand[] = "menuExport";
inline constexpr char exitCommand[] = "menuExit";
inline constexpr char printerSetupCommand[] = "menuPrinterSetup";
inline constexpr char layoutEditorCommand[] = "menuPrintSettings";
inline constexpr char groupsCommand[] = "menuGroups";
inline constexpr char addressBookCommand[] = "menuAddressBook";
// Checkable: a print run without waits goes to the queue as one job.
inline constexpr char oneJobCommand[] = "menuOneJob";
inline constexpr char aboutCommand[] = "menuAbout";
// Ctrl+F: the focus to the search field.
inline constexpr char findCommand[] = "menuFind";
inline constexpr char listMenu[] = "cbMenu";
inline constexpr char listDeleteCommand[] = "cbMenuDelete";
inline constexpr char listShowCommand[] = "cbMenuShow";
inline constexpr char listAddCommand[] = "cbMenuAdd";
inline constexpr char listGroupsCommand[] = "cbMenuGroups";
} // namespace Main

// The address book's windows: new record, groups, group name, member groups, about,
// import mapping, address book place.
namespace Book {
// The new-record window: its Button2 adds, its Button1 cancels.
inline constexpr char newRecordAdd[] = "Button2";
inline constexpr char newRecordCancel[] = "Button1";
// The group-name window, adding or renaming a group.
inline constexpr char groupNameConfirm[] = "Button1";
inline constexpr char groupNameCancel[] = "Button2";
// The layout editor's save-as window, the third use of the name prompt.
inline constexpr char saveAsConfirm[] = "Button1";
inline constexpr char saveAsCancel[] = "Button2";
// The about window: the version, the edition line and the settings file's path.
inline constexpr char aboutVersion[] = "Label5";
inline constexpr char aboutEdition[] = "Label3";
inline constexpr char aboutSettingsFile[] = "Label4";
inline constexpr char aboutOk[] = "Button1";
// The groups window.
inline constexpr char groupList[] = "CLB";
inline constexpr char addGroup[] = "Button1";
inline constexpr char removeGroup[] = "Button2";
inline constexpr char renameGroup[] = "Button3";
inline constexpr char allGroups[] = "Button4";
inline constexpr char groupsDone[] = "Button5";
// The groups of one recipient.
inline constexpr char memberRecipient[] = "Label1";
inline constexpr char memberGroupList[] = "CLB";
inline constexpr char memberGroupsDone[] = "Button1";
inline constexpr char memberGroupsCancel[] = "Button2";
// Where the address book is kept.
inline constexpr char fileChoice[] = "fileChoice";
inline constexpr char serverChoice[] = "serverChoice";
inline constexpr char connection[] = "connection";
inline constexpr char tryConnection[] = "testButton";
inline constexpr char keepPlace[] = "Button1";
inline constexpr char cancelPlace[] = "Button2";
// The import mapping.
inline constexpr char separator[] = "separator";
inline constexpr char encoding[] = "encoding";
inline constexpr char headerRow[] = "header";
inline constexpr char sheet[] = "sheet";
inline constexpr char preview[] = "preview";
inline constexpr char firstEnvelope[] = "firstEnvelope";
inline constexpr char nameColumn[] = "nameColumn";
inline constexpr char moreNameColumns[] = "moreNameColumns";
inline constexpr char komyColumns[] = "komyColumns";
inline constexpr char kydaColumns[] = "kydaColumns";
inline constexpr char indexColumn[] = "indexColumn";
inline constexpr char duplicates[] = "duplicates";
inline constexpr char importGroup[] = "group";
inline constexpr char startImport[] = "Button1";
inline constexpr char cancelImport[] = "Button2";
} // namespace Book

// The layout editor and its save-as window.
namespace Editor {
// The current profile.
inline constexpr char profileChoice[] = "cb1";
inline constexpr char renameButton[] = "SpeedButton7";
inline constexpr char deleteButton[] = "SpeedButton6";
inline constexpr char addButton[] = "SpeedButton5";
inline constexpr char saveAsButton[] = "Button5";
inline constexpr char saveButton[] = "Button10";
inline constexpr char undoButton[] = "undoButton";
inline constexpr char redoButton[] = "redoButton";
// The grey area around the envelope.
inline constexpr char workArea[] = "P1";
// The envelope.
inline constexpr char surface[] = "p2";
inline constexpr char statusBar[] = "sb";
inline constexpr char statusPanel[] = "statusPanel";
inline constexpr char formatPanel[] = "formatPanel";
// A block's context menu, with its two items.
inline constexpr char blockMenu[] = "pp1";
inline constexpr char blockFontItem[] = "N10";
inline constexpr char visibilityItem[] = "N11";
// Every arrow button of the coordinate panels.
inline constexpr char arrowButton[] = "SB";
// The apply buttons of the coordinate panels.
inline constexpr char applyDigitCells[] = "Button1";
inline constexpr char applyDigitSpacing[] = "Button2";
inline constexpr char applySenderBlock[] = "Button3";
inline constexpr char applySenderIndex[] = "Button6";
inline constexpr char applyRecipientBlock[] = "Button4";
inline constexpr char applyRecipientIndex[] = "Button7";
inline constexpr char spacingDown[] = "SpeedButton8";
inline constexpr char spacingUp[] = "SpeedButton9";
inline constexpr char sheetPositionButton[] = "ToolButton1";
inline constexpr char sheetPositionMenu[] = "pm2";
// The profiles to print.
inline constexpr char printChoice[] = "ccb1";
inline constexpr char formatChoice[] = "cb2";
inline constexpr char indexSwapBox[] = "CheckBox1";
inline constexpr char confirmBox[] = "cb3";
inline constexpr char stencilBox[] = "stencilBox";
inline constexpr char fontButton[] = "Button11";
inline constexpr char selectAllButton[] = "Button12";
inline constexpr char delayEveryEnvelope[] = "rb1";
inline constexpr char delayByProfile[] = "rb2";
inline constexpr char delayField[] = "Edit15";
inline constexpr char delaySpinner[] = "UpDown1";
inline constexpr char saveAndCloseButton[] = "Button9";
inline constexpr char cancelButton[] = "Button8";
inline constexpr char statusTimer[] = "Timer1";
inline constexpr char repeatTimer[] = "T2";
// Numbered controls: the stem of the name, the number after it.
// Followed by the field's number, 1 to 13.
inline constexpr char coordinateField[] = "Edit";
// Followed by its field's number.
inline constexpr char millimetreLabel[] = "mm";
// Followed by the slot's number from 1: sender, recipient, index, stamp.
inline constexpr char pictureToggle[] = "SpeedButton";
// Followed by the block's number, 1 to 20.
inline constexpr char blockLabel[] = "Label";
} // namespace Editor

// The printing windows: preview, delay, sheet position.
namespace Printing {
// The preview of the envelope being printed.
inline constexpr char previewWindow[] = "desk";
// The delay window between envelopes: its title strip, the record and the profile of the
// envelope with their captions, the countdown with its caption, its buttons and timer.
inline constexpr char delayWindow[] = "fWait";
inline constexpr char delayTitle[] = "Label7";
inline constexpr char delayRecordCaption[] = "Label1";
inline constexpr char delayRecord[] = "Label2";
inline constexpr char delayProfileCaption[] = "Label3";
inline constexpr char delayProfile[] = "Label4";
inline constexpr char delayCountdownCaption[] = "Label5";
inline constexpr char delayCountdown[] = "Label6";
inline constexpr char delayPrint[] = "SpeedButton2";
inline constexpr char delayCancel[] = "SpeedButton1";
inline constexpr char delayTimer[] = "Timer1";
// The lines of the envelope that do not fit, shown only when there are some.
inline constexpr char delayMisfits[] = "misfits";
// The position pad: the window, its sheet and the envelope marker on it.
inline constexpr char positionPad[] = "tpos";
inline constexpr char positionSheet[] = "pad";
inline constexpr char positionMarker[] = "Image1";
} // namespace Printing

// Reusable controls.
namespace Controls {
// The name prompt of the new-record, group-name and save-as windows: the line that asks,
// and the field for the name.
inline constexpr char namePrompt[] = "Label1";
inline constexpr char nameField[] = "Edit1";
} // namespace Controls

} // namespace ControlNames
