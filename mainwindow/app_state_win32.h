// The program's state for the whole run: its settings, language and table,
// the paths of its files and the handles of the main window and the tray
// icon. Start-up fills it; the main window, the other windows and the event
// loop read and change it.
#pragma once
#include <windows.h>

#include <vector>

#include "base/text.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "table/character_file.h"
#include "table/character_table.h"

namespace gw {

// Main window control ids.
enum MainControl : int {
  kCtlCharMapLink = 0,
  kCtlDelete = 1,
  kCtlEdit = 2,
  kCtlNew = 3,
  kCtlMenu = 4,
  kCtlList = 5,
  kCtlOnTop = 6,
  kCtlInsert = 7,
};

struct AppState {
  HINSTANCE instance = nullptr;
  Settings settings;
  LanguageTable language;
  CharacterTable table;
  std::vector<CharacterEntry> records;  // the file as loaded at start-up, until the rows are built

  Text exe_path;
  Text program_folder;
  Text data_folder;
  Text settings_path;
  Text character_path;
  Text help_path;

  long long file_stamp = 0;
  // The character file on disk failed to read, so the table shown is not its
  // content: the next change keeps that file aside before writing.
  bool character_file_unreadable = false;
  int last_focused_control = kCtlList;

  HWND main_window = nullptr;
  HWND list = nullptr;
  HWND status_bar = nullptr;
  HICON tray_icon = nullptr;
  bool tray_added = false;
  Text tray_tip;
  UINT taskbar_created_message = 0;
  int dpi_x = 96;
  int dpi_y = 96;
};

AppState& App();

// A text of the program's language table.
inline Text Tr(TextView section, TextView key) { return LookupText(App().language, section, key); }

// Wide-character view of a program text for the Windows API.
inline const wchar_t* W(const Text& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }

// The whole text of a window or control, also of another process.
Text WindowTextOf(HWND hwnd);

// Layout units (1/96 inch) to pixels.
int ScaleX(int units);
int ScaleY(int units);

}  // namespace gw
