// The layout of the main window's two popup menus, MainMenu (from the Menu
// button) and TrayMenu (from the tray icon): for every item its position,
// command id, the section and key of its text, the shortcut shown after it
// (which the language file may name as that language's keyboard names the
// key: "Esc", "Échap") and its image. The menus are built from these tables (menus_win32.cpp), and
// the check of the shipped language files reads them, so that an item added
// here is covered by both.
#pragma once
#include <span>

#include "base/text.h"
#include "settings/language.h"

namespace gw {

inline constexpr int kMenuSeparator = -1;
// "Run at startup", checked while the Run value names this program file.
inline constexpr int kRunAtStartupCommand = 24;

enum class MenuImage { None, Help, Settings, Quit };

struct MenuItemLayout {
  int position;              // 0, 1, 2, ... in the order of the rows
  int command;               // the command id, or kMenuSeparator
  const char16_t* section;   // section and key of the text; nullptr for a separator
  const char16_t* key;
  const char16_t* shortcut;      // shown after a tab ("F1", "Esc"), or nullptr
  const char16_t* shortcut_key;  // the key in MenuMain of the shortcut's name, or nullptr
  MenuImage image;
};

std::span<const MenuItemLayout> MainMenuLayout();
std::span<const MenuItemLayout> TrayMenuLayout();

// The item's text in `language`, with its shortcut after a tab.
Text MenuItemText(const LanguageTable& language, const MenuItemLayout& item);

// The key that chooses an item of an open menu: the letter after a single
// "&" of its text or else its first character, upper-cased; 0 for no text.
char16_t MenuAccessKey(TextView text);

}  // namespace gw
