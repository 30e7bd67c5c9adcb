#include "settings/settings.h"

#include <climits>

#include "base/platform.h"
#include "settings/ini_reader.h"
#include "settings/language.h"

namespace gw {

namespace {

constexpr char16_t kNoHotkey[] = u"\u00D8";  // "Ø"

bool IsTrue(const Text& value) { return LowerText(value) == u"true"; }

void Append(std::u16string& out, TextView line) {
  out += line;
  out += u"\r\n";
}

const char16_t* BoolWord(bool value) { return value ? u"True" : u"False"; }

}  // namespace

std::int8_t ParseHotkey(TextView value) {
  if (value == kNoHotkey) return 0;
  if (value.empty()) return 0;
  TextView rest = value.substr(1);
  size_t i = 0;
  while (i < rest.size() && (rest[i] == u' ' || rest[i] == u'\t' || rest[i] == u'\n' ||
                             rest[i] == u'\v' || rest[i] == u'\f' || rest[i] == u'\r'))
    ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == u'+' || rest[i] == u'-')) {
    negative = rest[i] == u'-';
    ++i;
  }
  long long number = 0;
  for (; i < rest.size() && rest[i] >= u'0' && rest[i] <= u'9'; ++i) {
    number = number * 10 + (rest[i] - u'0');
    if (number > static_cast<long long>(INT_MAX) + 1) number = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) number = -number;
  if (number > INT_MAX) number = INT_MAX;
  // int -> signed 8 bits keeps the low eight bits (two's complement).
  return static_cast<std::int8_t>(static_cast<std::uint8_t>(number & 0xFF));
}

KeyCombination HotkeyOf(const Settings& settings) {
  if (settings.HotkeyCombination.key != 0) return settings.HotkeyCombination;
  if (settings.Hotkey >= 1 && settings.Hotkey <= kLastFunctionKey - kFirstFunctionKey + 1)
    return {0, static_cast<std::uint8_t>(kFirstFunctionKey + settings.Hotkey - 1)};
  return {};
}

Text HotkeyName(const Settings& settings, const ModifierNames& names) {
  if (settings.HotkeyCombination.key != 0)
    return KeyCombinationText(settings.HotkeyCombination, names);
  if (settings.Hotkey == 0) return Text();
  Text name(u"F");
  name += NumberText(settings.Hotkey);
  return name;
}

Text ShownHotkeyName(const Settings& settings, const LanguageTable& language) {
  // A language file without these keys (one of an earlier version) keeps the
  // file's names rather than showing the missing-text marker in the tooltip.
  const auto word = [&](TextView key, TextView file_name) {
    Text text = LookupText(language, u"WinMain", key);
    return text == kStringNotFound ? Text(file_name) : text;
  };
  const ModifierNames file;
  const Text ctrl = word(u"KeyCtrl", file.ctrl), alt = word(u"KeyAlt", file.alt),
             shift = word(u"KeyShift", file.shift), win = word(u"KeyWin", file.win);
  return HotkeyName(settings, {ctrl, alt, shift, win});
}

bool LoadSettings(const Text& path, Settings& settings) {
  std::vector<Text> languages = std::move(settings.LanguageList);
  settings = Settings();
  settings.LanguageList = std::move(languages);

  IniReader reader;
  if (!reader.Open(path)) return false;

  reader.SelectGroup(u"General");
  settings.OnTop = IsTrue(reader.Read(u"OnTop", u""));
  settings.Language = reader.Read(u"Language", u"");
  const Text hotkey = reader.Read(u"Hotkey", u"F10");
  if (const auto combination = ParseKeyCombination(hotkey)) {
    settings.HotkeyCombination = *combination;
    settings.Hotkey = 0;
  } else {
    settings.Hotkey = ParseHotkey(hotkey);
  }
  settings.Beep = IsTrue(reader.Read(u"Beep", u"true"));
  settings.HTML = IsTrue(reader.Read(u"HTML", u""));
  settings.CheckUpdate = IsTrue(reader.Read(u"CheckUpdate", u""));
  settings.ConfirmEnd = IsTrue(reader.Read(u"ConfirmEnd", u""));
  settings.FontName = reader.Read(u"FontName", kDefaultFontName);

  reader.SelectGroup(u"Character map");
  settings.Option = LowerText(reader.Read(u"Option", u"")) == u"custom" ? CharMapOption::Custom
                                                                        : CharMapOption::Standard;
  settings.CustomCaption = reader.Read(u"CustomCaption", u"");
  settings.CustomCommand = reader.Read(u"CustomCommand", u"");

  for (const IniReader::Group& group : reader.Groups()) {
    if (!EqualsIgnoreAsciiCase(group.name, u"Programs")) continue;
    for (const IniReader::Key& key : group.keys)
      AddProgramLine(settings.Programs, key.name, key.value, key.line);
    break;
  }
  reader.Close();
  return true;
}

std::string SerializeSettings(const Settings& settings) {
  Text text;
  Append(text, u"[General]");
  Append(text, Text(u"OnTop = ") + BoolWord(settings.OnTop));
  Append(text, u"Language = " + settings.Language);
  const Text hotkey = HotkeyName(settings);
  Text line(u"Hotkey = ");
  line += hotkey.empty() ? TextView(kNoHotkey) : TextView(hotkey);
  Append(text, line);
  Append(text, Text(u"Beep = ") + BoolWord(settings.Beep));
  Append(text, Text(u"HTML = ") + BoolWord(settings.HTML));
  Append(text, Text(u"CheckUpdate = ") + BoolWord(settings.CheckUpdate));
  Append(text, Text(u"ConfirmEnd = ") + BoolWord(settings.ConfirmEnd));
  if (settings.FontName != kDefaultFontName) Append(text, u"FontName = " + settings.FontName);
  Append(text, u"");
  Append(text, u"[Character map]");
  Append(text, settings.Option == CharMapOption::Custom ? u"Option = Custom" : u"Option = Standard");
  Append(text, u"CustomCaption = " + settings.CustomCaption);
  Append(text, u"CustomCommand = " + settings.CustomCommand);
  if (!settings.Programs.empty()) {
    Append(text, u"");
    Append(text, u"[Programs]");
    for (const ProgramRule& rule : settings.Programs.rules) Append(text, ProgramRuleLine(rule));
    for (const Text& line : settings.Programs.unreadable) Append(text, line);
  }
  return "\xEF\xBB\xBF" + TextToUtf8(text);
}

bool SaveSettings(const Text& path, const Settings& settings) {
  return WriteWholeFile(path, SerializeSettings(settings));
}

}  // namespace gw
