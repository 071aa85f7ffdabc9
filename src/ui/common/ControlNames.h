#pragma once

// The program's own names for its controls: each one's object name and accessible
// description. Screen readers, scripts and the tests find controls by them, so they stay
// as they are whatever the code calls the control. The windows and the test support both
// take them from here; a constant is named for the control's job, its value is the name.
namespace ControlNames {

// The main window.
namespace Main {} // namespace Main

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
} // namespace Book

// The layout editor and its save-as window.
namespace Editor {} // namespace Editor

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
