// The hotkey as the settings file keeps it: a function key alone ("F10", the
// form every earlier file has) or any key with Ctrl, Alt, Shift or Win
// ("Ctrl+Alt+K", "Win+F12", "Shift+VK_BA").
#pragma once
#include <cstdint>
#include <optional>

#include "base/text.h"

namespace gw {

// Modifier bits, the values RegisterHotKey takes (MOD_ALT, MOD_CONTROL,
// MOD_SHIFT, MOD_WIN).
inline constexpr std::uint8_t kHotkeyAlt = 1;
inline constexpr std::uint8_t kHotkeyCtrl = 2;
inline constexpr std::uint8_t kHotkeyShift = 4;
inline constexpr std::uint8_t kHotkeyWin = 8;
inline constexpr std::uint8_t kHotkeyModifiers = 15;

// A virtual-key code with modifiers; key 0 is no key.
struct KeyCombination {
  std::uint8_t modifiers = 0;
  std::uint8_t key = 0;
  friend bool operator==(const KeyCombination&, const KeyCombination&) = default;
};

inline constexpr std::uint8_t kFirstFunctionKey = 0x70;  // VK_F1
inline constexpr std::uint8_t kLastFunctionKey = 0x87;   // VK_F24
bool IsFunctionKey(std::uint8_t key);

// A hotkey the program takes: a function key alone, or a key with at least
// one modifier (modifier keys themselves excepted).
bool IsAcceptableHotkey(KeyCombination combination);

// The words for the modifiers; the defaults are the settings file's.
struct ModifierNames {
  TextView ctrl = u"Ctrl";
  TextView alt = u"Alt";
  TextView shift = u"Shift";
  TextView win = u"Win";
};

// The combination's text: modifiers in the order Ctrl, Alt, Shift, Win, each
// followed by "+", then the key's name ("A", "7", "F10", "Space", "NumPad3",
// "VK_BA" for a key without a name); empty for no key. The file keeps the
// default names; the tray tooltip shows the language's own.
Text KeyCombinationText(KeyCombination combination, const ModifierNames& names = {});

// Reads a combination's text (modifier names in any order and case). Only a
// text with at least one modifier is a combination: every other value keeps
// the meaning it always had (a function key's number or none).
std::optional<KeyCombination> ParseKeyCombination(TextView text);

}  // namespace gw
