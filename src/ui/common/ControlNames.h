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
inline constexpr char recipientAddress[] = "kyda";
inline constexpr char recipientIndex[] = "intyda";
inline constexpr char senderName[] = "otkogo";
inline constexpr char senderAddress[] = "otkyda";
inline constexpr char senderIndex[] = "intyt";
inline constexpr char recipientProfile[] = "cbp";
inline constexpr char toolbar[] = "ToolBar1";
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
inline constexpr char aboutCommand[] = "menuAbout";
inline constexpr char listMenu[] = "cbMenu";
inline constexpr char listDeleteCommand[] = "cbMenuDelete";
inline constexpr char listShowCommand[] = "cbMenuShow";
inline constexpr char listAddCommand[] = "cbMenuAdd";
inline constexpr char listGroupsCommand[] = "cbMenuGroups";
} // namespace Main

// The address book's windows: new record, groups, group name, member groups, about,
// import mapping, address book place.
namespace Book {
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
inline constexpr char preview[] = "preview";
inline constexpr char nameColumn[] = "nameColumn";
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
} // namespace Editor

// The printing windows: preview, delay, sheet position.
namespace Printing {
} // namespace Printing

// Reusable controls.
namespace Controls {
} // namespace Controls

} // namespace ControlNames
