// What the accessibility layer and screen readers are told, decided without
// any window: the names of controls made from their captions, how a row of
// the list is read, how long a status message stays, and where the note for
// an elevated window goes.
#pragma once
#include "base/text.h"
#include "table/character_names.h"

namespace gw {

// How urgently a screen reader should speak an announcement: after what it
// is saying (polite), or at once, interrupting it (assertive).
enum class Politeness { Polite, Assertive };

// A caption with its shortcut in brackets at the end, "New item (Ctrl+N)",
// split into the name "New item" and the shortcut "Ctrl+N". A caption without
// one is all name.
struct NameAndShortcut {
  Text name;
  Text shortcut;
};
NameAndShortcut SplitShortcut(TextView caption);

// The name a label gives the field after it: its caption without the "&" of
// a mnemonic ("&&" stays one "&"), the trailing colon and the spaces around.
Text LabelName(TextView caption);

// The Unicode names of the characters of `text`, separated by ", ", at most
// `limit` of them; characters without a name are left out.
Text CharacterNamesText(const CharacterNames& names, TextView text, int limit = 4);

// How a row is read: its comment, its characters, their Unicode names, and
// `trigger_format` with the trigger for its "%s", or `no_trigger` for a row
// without one; empty parts are left out, the rest separated by ", ".
struct RowParts {
  TextView trigger;
  TextView characters;
  TextView comment;
  TextView names;
};
Text RowDescription(const RowParts& row, TextView trigger_format, TextView no_trigger);

// How long a status message stays: the system's message duration in
// seconds; 5 seconds when it could not be read or is 0.
unsigned MessageDurationMs(bool read, unsigned seconds);

// Whether the user can be shown a notification now, as the system tells it.
enum class NotificationState {
  Unknown,      // the system could not tell
  Accepts,      // notifications are shown
  NotPresent,   // screen saver, locked, fast user switching
  Busy,         // a full-screen program
  FullScreen,   // a full-screen Direct3D program
  Presenting,   // presentation settings
  QuietTime,    // the quiet time after the first sign-in
  App,          // a full-screen store app
};
// Where the note that the text is on the clipboard goes: the tray icon's
// balloon when a notification will be seen, a message box otherwise, which
// the user cannot miss (also when there is no tray icon to show a balloon).
// Unknown keeps the balloon.
enum class NoteRoute { Balloon, MessageBox };
NoteRoute ChooseNoteRoute(NotificationState state);

}  // namespace gw
