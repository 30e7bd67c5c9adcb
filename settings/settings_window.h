// The Settings window (window 4): language, hotkey, the character-map link
// and four options, applied to the Settings record and its file on OK.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include "base/events.h"
#include "base/text.h"
#include "settings/settings.h"

namespace gw {

// Control ids of the Settings window, in creation (and Tab) order but for
// the group box, which is created after the controls it frames, and the
// hidden label of the Caption field, created right before it.
enum SettingsControl : int {
  kSetLanguageLabel = 14,
  kSetLanguage = 15,  // extended combo box with the flag images
  kSetHotkeyLabel = 16,
  kSetHotkey = 17,    // "Ø", "F2" ... "F11"
  kSetStandard = 18,  // option button: the Windows character map
  kSetCustom = 19,    // option button: the caption and command below
  kSetCaption = 20,
  kSetCommandLabel = 21,
  kSetCommand = 22,   // accepts files dropped from Explorer
  kSetCharMapGroup = 23,
  kSetBeep = 24,
  kSetHtml = 25,
  kSetCheckUpdate = 26,
  kSetConfirmEnd = 27,
  kSetOk = 28,
  kSetCancel = 29,
  kSetCaptionLabel = 30,  // hidden: names the Caption field for screen readers
};

// Opens the window over the main window (nothing while another secondary
// window is open). When it cannot be created the "ErrOpen" message names it.
void OpenSettingsWindow();

// The window's events, as the loop dispatches them.
void DispatchSettingsWindow(const Event& event);

// OK: applies the window's values to `settings` in a fixed order (character
// map, language, hotkey, the four options), closes the window and writes
// the file at `settings_path` when a value changed. A custom character map
// without caption or command, or a hotkey that cannot be registered, stops
// it with the window left open. Returns the help file name of a newly loaded
// language, else "".
Text ApplySettings(const Text& settings_path, Settings& settings);

// Files dropped on the Command field: the first one's full path, and whether
// Shift was held. Queues the event that puts it into the field.
void DropFilesOnCommandField(HDROP drop);

// The OLE drop target registered on the Command field while the window is
// open (nullptr when closed, or when OLE could not register it).
IDropTarget* CommandFieldDropTarget();

// The flag image list of the language box (Français, Deutsch, English),
// decoded at start-up (or at the first use) and kept for the whole run; and
// the image of a language name (-1: none).
HIMAGELIST FlagImageList();
int FlagImageIndex(const Text& language);

}  // namespace gw
