// The program's options and their file, Glyphwell.ini in the data folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "settings/hotkey.h"
#include "settings/program_rules.h"

namespace gw {

struct LanguageTable;

// Which character map the main window's link starts. The values are the
// numbers of the option buttons that stand for them in the Settings window.
enum class CharMapOption : std::int64_t { Standard = 18, Custom = 19 };

inline constexpr char16_t kDefaultFontName[] = u"Lucida Sans Unicode";

struct Settings {
  std::vector<Text> LanguageList;  // found at start-up; never stored in the file
  Text Language;                   // empty: not chosen yet
  std::int8_t Hotkey = 10;         // n of the function key Fn; 0 (or less): no hotkey
  // A key with modifiers; when its key is not 0 it is the hotkey, and Hotkey
  // is 0.
  KeyCombination HotkeyCombination;
  bool OnTop = false;
  Text FontName = kDefaultFontName;
  CharMapOption Option = CharMapOption::Standard;
  Text CustomCaption;
  Text CustomCommand;
  bool Beep = true;
  bool HTML = false;
  bool CheckUpdate = false;
  bool ConfirmEnd = false;
  ProgramRules Programs;  // section [Programs]; written only when it holds a line
};

// The hotkey number of a "Hotkey" value: 0 for "Ø"; otherwise the text after
// the first character read like atoi (leading blanks, sign, digits). A number
// outside -128..127 keeps its low eight bits, as the conversion of an int into
// a signed char does ("F266" gives 10); numbers outside the int range count as
// the int limits first.
std::int8_t ParseHotkey(TextView value);

// The hotkey that the settings name: the combination, or the function key
// Fn alone (for n from 1 to 24); no key for none or for another number.
KeyCombination HotkeyOf(const Settings& settings);
// Its name as the settings file keeps it: the combination's text or "F" and
// the number (also one that names no key); empty for none. With `names`, the
// modifiers are named so.
Text HotkeyName(const Settings& settings, const ModifierNames& names = {});
// Its name as the tray's tooltip and messages show it: the modifiers in the
// language's words ([WinMain] KeyCtrl, KeyAlt, KeyShift, KeyWin); a function
// key alone stays "F10".
Text ShownHotkeyName(const Settings& settings, const LanguageTable& language);

// Fills every field but LanguageList from the file. False when the file cannot
// be opened; all those fields then hold their defaults.
bool LoadSettings(const Text& path, Settings& settings);

// The exact bytes of the settings file: UTF-8 with byte-order mark, every
// line ending in CR LF.
std::string SerializeSettings(const Settings& settings);

// Replaces the file with SerializeSettings. False when it could not be written;
// the old file then stays as it was.
bool SaveSettings(const Text& path, const Settings& settings);

}  // namespace gw
