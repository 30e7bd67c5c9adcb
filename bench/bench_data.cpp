#include "bench/bench_data.h"

#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "settings/language.h"
#include "settings/settings.h"

namespace gw::bench {

namespace {

// A small deterministic generator; the ranges are taken with a plain modulo
// so that the data does not depend on the standard library's distributions.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // A number from 0 to n - 1.
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(engine_() % n); }
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) { return low + Below(high - low + 1); }

 private:
  std::mt19937 engine_;
};

// Distinct one-unit triggers, the ones a user picks first coming first.
std::vector<char16_t> TriggerPool(size_t count) {
  std::vector<char16_t> pool;
  pool.reserve(count);
  auto add_range = [&](char16_t first, char16_t last) {
    for (char32_t c = first; c <= last && pool.size() < count; ++c) {
      if (c == 0xAD || c == 0x3A2) continue;  // soft hyphen, unassigned Greek
      pool.push_back(static_cast<char16_t>(c));
    }
  };
  add_range(0x21, 0x7E);      // ASCII punctuation, digits and letters
  add_range(0xA1, 0xFF);      // Latin-1
  add_range(0x391, 0x3C9);    // Greek
  add_range(0x410, 0x44F);    // Cyrillic
  add_range(0x4E00, 0x9FFF);  // CJK, as many as still needed
  return pool;
}

char32_t PickCodePoint(Random& random) {
  const std::uint32_t kind = random.Below(100);
  if (kind < 25) return random.Between(0xA0, 0x24F);      // Latin-1, Latin Extended
  if (kind < 55) return random.Between(0x2010, 0x2BFF);   // punctuation, symbols
  if (kind < 70) return random.Between(0x370, 0x4FF);     // Greek, Cyrillic
  if (kind < 80) return random.Between(0x4E00, 0x9FFF);   // CJK
  if (kind < 88) return random.Between(0xFB00, 0xFFFD);   // presentation forms
  if (kind < 94) return random.Between(0x1F300, 0x1FAFF); // emoji
  return random.Between(0x1D400, 0x1D7FF);                // mathematical letters
}

void AppendField(Text& code_text, char32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  code_text += u"\\u";
  int digits = 4;
  while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
  for (int i = digits - 1; i >= 0; --i) code_text.push_back(kDigits[(value >> (4 * i)) & 0xF]);
}

constexpr std::u16string_view kAsciiWords[] = {
    u"quotation", u"mark", u"left", u"right", u"double", u"single", u"dash",
    u"en", u"em", u"arrow", u"sign", u"per", u"mille", u"copyright", u"degree",
    u"section", u"small", u"capital", u"letter", u"with", u"acute", u"grave",
    u"math", u"bold", u"face", u"smiling", u"symbol", u"low", u"high", u"German",
    u"French", u"open", u"close", u"narrow", u"no-break", u"space", u"bullet",
    u"ellipsis", u"prime", u"guillemet",
};
constexpr std::u16string_view kOtherWords[] = {
    u"Anf\u00FChrungszeichen", u"Gedankenstrich", u"\u00E9lision", u"\u0153uvre",
    u"Stra\u00DFe", u"gro\u00DF", u"na\u00EFve", u"fa\u00E7ade",
    u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC", u"\u043A\u0430\u0432\u044B\u0447\u043A\u0438",
    u"\u2013", u"\u2192", u"\u2026", u"\u201Eunten\u201C",
};

Text MakeComment(Random& random) {
  const size_t length = random.Between(10, 40);
  Text comment;
  while (comment.size() < length) {
    if (!comment.empty()) comment.push_back(u' ');
    if (random.Below(100) < 12)
      comment += kOtherWords[random.Below(std::size(kOtherWords))];
    else
      comment += kAsciiWords[random.Below(std::size(kAsciiWords))];
  }
  comment.resize(length);
  if (comment.back() == u' ') comment.back() = u'.';
  return comment;
}

}  // namespace

std::vector<CharacterEntry> MakeEntries(int count, std::uint32_t seed) {
  Random random(seed);
  const std::vector<char16_t> pool = TriggerPool(static_cast<size_t>(count));
  std::vector<CharacterEntry> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    CharacterEntry entry;
    // One entry in ten has no trigger; its unit stays unused.
    if (static_cast<size_t>(i) < pool.size() && random.Below(10) != 0)
      entry.trigger = Text(1, pool[static_cast<size_t>(i)]);
    const std::uint32_t shape = random.Below(10);
    const int fields = shape < 6 ? 1 : shape < 9 ? 2 : 3;
    for (int f = 0; f < fields; ++f) AppendField(entry.code_text, PickCodePoint(random));
    entry.comment = MakeComment(random);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<Text> MissingTriggers(const std::vector<CharacterEntry>& entries, size_t count) {
  std::unordered_set<Text> used;
  for (const CharacterEntry& e : entries)
    if (!e.trigger.empty()) used.insert(e.trigger);
  std::vector<Text> missing;
  for (char32_t c = 0xAC00; c < 0xD7A4 && missing.size() < count; ++c) {
    Text t(1, static_cast<char16_t>(c));
    if (!used.count(t)) missing.push_back(std::move(t));
  }
  return missing;
}

size_t CountFields(TextView code_text) {
  size_t fields = 0;
  for (size_t at = code_text.find(u"\\u"); at != TextView::npos; at = code_text.find(u"\\u", at + 2))
    ++fields;
  return fields;
}

std::string MakeSettingsFile() {
  Settings settings;
  settings.Language = u"Deutsch";
  settings.Hotkey = 10;
  settings.OnTop = true;
  settings.Option = CharMapOption::Custom;
  settings.CustomCaption = u"BabelMap";
  settings.CustomCommand = u"C:\\Program Files\\BabelMap\\BabelMap.exe";
  settings.Beep = true;
  settings.HTML = false;
  settings.CheckUpdate = true;
  settings.ConfirmEnd = false;
  return SerializeSettings(settings);
}

std::string MakeLanguageFile() {
  Text text = u"\uFEFF; Glyphwell language file\r\n";
  text += u"[Version check]\r\nProgram version = ";
  text += kLanguageFileVersion;
  text += u"\r\n";
  const char16_t* p = BuiltInEnglishTable;
  for (;;) {
    const TextView first(p);
    p += first.size() + 1;
    const TextView second(p);
    p += second.size() + 1;
    if (first == u"_END_") break;
    if (first == u"_GROUP_") {
      text += u"\r\n[";
      text += second;
      text += u"]\r\n";
    } else {
      // The built-in texts are already written with the file's escapes.
      text += first;
      text += u" = \"";
      text += second;
      text += u"\"\r\n";
    }
  }
  return TextToUtf8(text);
}

ScratchFolder::ScratchFolder(const char* base) {
  std::error_code error;
  std::filesystem::path parent = base ? std::filesystem::path(base)
                                      : std::filesystem::temp_directory_path(error);
  if (error) parent = "/tmp";
  std::string pattern = (parent / "glyphwell-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return;
  path_ = Utf8ToText(pattern) + u"/";
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(TextToUtf8(path_), error);
}

}  // namespace gw::bench
