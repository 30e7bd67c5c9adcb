#include "settings/hotkey.h"

#include <array>

namespace gw {

namespace {

struct Modifier {
  TextView ModifierNames::*name;
  std::uint8_t bit;
};
constexpr std::array<Modifier, 4> kModifiers{{{&ModifierNames::ctrl, kHotkeyCtrl},
                                              {&ModifierNames::alt, kHotkeyAlt},
                                              {&ModifierNames::shift, kHotkeyShift},
                                              {&ModifierNames::win, kHotkeyWin}}};
constexpr ModifierNames kFileNames{};

struct KeyName {
  std::uint8_t key;
  const char16_t* name;
};
constexpr KeyName kKeyNames[] = {
    {0x08, u"Backspace"}, {0x09, u"Tab"},       {0x0D, u"Enter"},    {0x13, u"Pause"},
    {0x14, u"CapsLock"},  {0x1B, u"Esc"},       {0x20, u"Space"},    {0x21, u"PageUp"},
    {0x22, u"PageDown"},  {0x23, u"End"},       {0x24, u"Home"},     {0x25, u"Left"},
    {0x26, u"Up"},        {0x27, u"Right"},     {0x28, u"Down"},     {0x2C, u"PrintScreen"},
    {0x2D, u"Insert"},    {0x2E, u"Delete"},    {0x5D, u"Apps"},     {0x6A, u"Multiply"},
    {0x6B, u"Add"},       {0x6D, u"Subtract"},  {0x6E, u"Decimal"},  {0x6F, u"Divide"},
    {0x90, u"NumLock"},   {0x91, u"ScrollLock"},
};

// Shift, Ctrl, Alt (either side) and the Windows keys are no hotkey's key.
bool IsModifierKey(std::uint8_t key) {
  return (key >= 0x10 && key <= 0x12) || key == 0x5B || key == 0x5C || (key >= 0xA0 && key <= 0xA5);
}

Text KeyName(std::uint8_t key) {
  if ((key >= u'A' && key <= u'Z') || (key >= u'0' && key <= u'9')) return Text(1, key);
  // Appended, which GCC 12 does not mistake for an overlapping copy (-Wrestrict).
  Text name;
  if (IsFunctionKey(key)) {
    name = u"F";
    name += NumberText(key - kFirstFunctionKey + 1);
    return name;
  }
  if (key >= 0x60 && key <= 0x69) {
    name = u"NumPad";
    name += NumberText(key - 0x60);
    return name;
  }
  for (const auto& entry : kKeyNames)
    if (entry.key == key) return entry.name;
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  return Text(u"VK_") + kHex[key >> 4] + kHex[key & 15];
}

TextView TrimView(TextView text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

std::optional<std::uint8_t> KeyFromName(TextView name) {
  const Text upper = UpperAscii(name);
  if (upper.size() == 1 && ((upper[0] >= u'A' && upper[0] <= u'Z') || (upper[0] >= u'0' && upper[0] <= u'9')))
    return static_cast<std::uint8_t>(upper[0]);
  for (int key = 1; key < 256; ++key)
    if (upper == UpperAscii(KeyName(static_cast<std::uint8_t>(key))))
      return static_cast<std::uint8_t>(key);
  if (upper.size() == 5 && upper.substr(0, 3) == u"VK_") {
    const int high = HexDigit(upper[3]), low = HexDigit(upper[4]);
    if (high >= 0 && low >= 0) return static_cast<std::uint8_t>(high * 16 + low);
  }
  return std::nullopt;
}

}  // namespace

bool IsFunctionKey(std::uint8_t key) { return key >= kFirstFunctionKey && key <= kLastFunctionKey; }

bool IsAcceptableHotkey(KeyCombination combination) {
  if (combination.key == 0 || IsModifierKey(combination.key)) return false;
  return IsFunctionKey(combination.key) || (combination.modifiers & kHotkeyModifiers) != 0;
}

Text KeyCombinationText(KeyCombination combination, const ModifierNames& names) {
  if (combination.key == 0) return Text();
  Text text;
  for (const Modifier& modifier : kModifiers) {
    if (!(combination.modifiers & modifier.bit)) continue;
    text += names.*modifier.name;
    text += u'+';
  }
  text += KeyName(combination.key);
  return text;
}

std::optional<KeyCombination> ParseKeyCombination(TextView text) {
  KeyCombination combination;
  for (;;) {
    const size_t plus = text.find(u'+', 1);  // "Ctrl++" would name no key: "+" is "Add"
    if (plus == TextView::npos) break;
    const Text part = UpperAscii(TrimView(text.substr(0, plus)));
    bool known = false;
    for (const Modifier& modifier : kModifiers) {
      if (part == UpperAscii(kFileNames.*modifier.name)) {
        combination.modifiers |= modifier.bit;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    text = text.substr(plus + 1);
  }
  if (combination.modifiers == 0) return std::nullopt;
  const auto key = KeyFromName(TrimView(text));
  if (!key || *key == 0) return std::nullopt;
  combination.key = *key;
  return combination;
}

}  // namespace gw
