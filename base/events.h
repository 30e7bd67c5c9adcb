// Events: every window message that the program acts on becomes an event in
// one queue, which the event loop takes one at a time.
#pragma once
#include <cstdint>

namespace gw {

enum class EventKind : std::uint32_t {
  Control = 1,
  Command = 2,
  Tray = 3,
  Activate = 4,
  Deactivate = 5,
  Minimize = 6,
  Timer = 7,
  Close = 8,
  Erase = 9,
  Hotkey = 65536,
  MainMenuClosed = 65537,
  TriggerKey = 65538,
  // An update check's worker has finished; the object is the check's serial.
  UpdateCheckResult = 65539,
  // The text of the Find window's field changed.
  FindTextChanged = 65540,
};

// Window numbers.
enum WindowNumber : int {
  MainWindow = 0,
  EditEntryWindow = 1,
  NewEntryWindow = 2,
  AboutWindow = 3,
  SettingsWindow = 4,
  FindEntryWindow = 5,
};

// Control event types.
enum ControlEventType : int {
  ControlClick = 0,
  ControlKeyReleased = 1,  // the key code travels in Event::key
  ControlDoubleClick = 2,
  ControlSelectionChanged = 3,
  ControlOther = 4,        // notifications no handler uses
  ControlFilesDropped = 5, // files dropped on the control (the Settings window's Command field)
  FocusGained = 14000,
  FocusLost = 14001,
};

struct Event {
  EventKind kind = EventKind::Control;
  int window = 0;
  int object = 0;
  int type = 0;
  int key = 0;  // virtual-key code of a key-released event

  bool operator==(const Event& other) const {
    return kind == other.kind && window == other.window && object == other.object &&
           type == other.type;
  }
};

inline Event WindowEvent(EventKind kind, int window, int object = 0, int type = 0) {
  Event event;
  event.kind = kind;
  event.window = window;
  event.object = object;
  event.type = type;
  return event;
}

}  // namespace gw
