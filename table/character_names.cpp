#include "table/character_names.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace gw {

namespace {

constexpr std::string_view kMagic = "GWNAMES1";
constexpr size_t kHeaderSize = 16;  // magic, text size, CRC-32
// Far above the real text (about 1 MB); a header that claims more is damaged.
constexpr uint32_t kMaxTextSize = 16u << 20;
constexpr char32_t kLastCode = 0x10FFFF;
constexpr std::string_view kHangulPrefix = "HANGUL SYLLABLE ";

uint32_t ReadLittleEndian32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

// Printable ASCII only: names and entity names are nothing else.
bool IsPlainText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace

bool ParseHexCode(std::string_view digits, char32_t& code) {
  if (digits.empty() || digits.size() > 6) return false;
  uint32_t value = 0;
  for (char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  if (value > kLastCode) return false;
  code = value;
  return true;
}

void AppendHexCode(std::string& out, char32_t code) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = "0123456789ABCDEF"[code & 0xF];
    code >>= 4;
  } while (code != 0);
  for (; n < 4; ++n) digits[n] = '0';
  while (n > 0) out.push_back(digits[--n]);
}

std::string HangulSyllableName(char32_t code) {
  // The jamo's short names, in the order of the syllable arithmetic.
  static constexpr const char* kLeading[] = {"G", "GG", "N", "D", "DD", "R", "M", "B", "BB", "S",
                                             "SS", "",  "J", "JJ", "C", "K", "T", "P", "H"};
  static constexpr const char* kVowel[] = {"A",  "AE", "YA", "YAE", "EO", "E",  "YEO",
                                           "YE", "O",  "WA", "WAE", "OE", "YO", "U",
                                           "WEO", "WE", "WI", "YU", "EU", "YI", "I"};
  static constexpr const char* kTrailing[] = {"",   "G",  "GG", "GS", "N",  "NJ", "NH",
                                              "D",  "L",  "LG", "LM", "LB", "LS", "LT",
                                              "LP", "LH", "M",  "B",  "BS", "S",  "SS",
                                              "NG", "J",  "C",  "K",  "T",  "P",  "H"};
  constexpr char32_t kFirst = 0xAC00;
  constexpr char32_t kCount = 19 * 21 * 28;
  if (code < kFirst || code >= kFirst + kCount) return std::string();
  const char32_t index = code - kFirst;
  std::string name(kHangulPrefix);
  name += kLeading[index / (21 * 28)];
  name += kVowel[(index % (21 * 28)) / 28];
  name += kTrailing[index % 28];
  return name;
}

void CharacterNames::Clear() {
  text_.clear();
  source_.clear();
  codes_.clear();
  listed_.clear();
  ranges_.clear();
}

bool UnpackPackedText(std::string_view file, std::string_view magic, uint32_t max_size,
                      std::string& text) {
  text.clear();
  if (file.size() < kHeaderSize || file.substr(0, magic.size()) != magic) return false;
  const uint32_t size = ReadLittleEndian32(file, 8);
  const uint32_t crc = ReadLittleEndian32(file, 12);
  if (size == 0 || size > max_size) return false;
  const std::string_view packed = file.substr(kHeaderSize);
  text.assign(size, '\0');
  uLongf got = size;
  if (uncompress(reinterpret_cast<Bytef*>(text.data()), &got,
                 reinterpret_cast<const Bytef*>(packed.data()),
                 static_cast<uLong>(packed.size())) != Z_OK ||
      got != size || crc32(0, reinterpret_cast<const Bytef*>(text.data()), size) != crc) {
    text.clear();
    return false;
  }
  return true;
}

bool CharacterNames::Load(std::string_view file) {
  Clear();
  std::string text;
  if (!UnpackPackedText(file, kMagic, kMaxTextSize, text)) return false;
  return LoadText(std::move(text));
}

bool CharacterNames::LoadText(std::string text) {
  Clear();
  text_ = std::move(text);
  const std::string_view all = text_;
  if (all.empty() || all.back() != '\n' || all.size() > kMaxTextSize) {
    Clear();
    return false;
  }
  int64_t previous = -1;
  bool ok = true;
  for (size_t at = 0; ok && at < all.size();) {
    const size_t end = all.find('\n', at);
    const std::string_view line = all.substr(at, end - at);
    const size_t line_start = at;
    at = end + 1;
    if (!IsPlainText(line)) {
      ok = false;
    } else if (!line.empty() && line[0] == '#') {
      if (source_.empty()) source_ = std::string(line.substr(std::min<size_t>(2, line.size())));
    } else if (!line.empty() && line[0] == '=') {
      // "=FIRST..LAST;PREFIX"
      const size_t dots = line.find("..");
      const size_t semicolon = line.find(';');
      Range range;
      ok = dots != std::string_view::npos && semicolon != std::string_view::npos &&
           dots < semicolon && ParseHexCode(line.substr(1, dots - 1), range.first) &&
           ParseHexCode(line.substr(dots + 2, semicolon - dots - 2), range.last) &&
           range.first <= range.last && semicolon + 1 < line.size();
      if (ok) {
        range.prefix = std::string(line.substr(semicolon + 1));
        range.hangul = range.prefix == kHangulPrefix;
        ranges_.push_back(std::move(range));
      }
    } else {
      // "STEP;NAME;ENTITIES"
      const size_t first = line.find(';');
      const size_t second = first == std::string_view::npos ? first : line.find(';', first + 1);
      char32_t step = 0;
      ok = second != std::string_view::npos && line.find(';', second + 1) == std::string_view::npos &&
           (first == 0 || ParseHexCode(line.substr(0, first), step)) &&
           second - first - 1 <= UINT16_MAX && line.size() - second - 1 <= UINT16_MAX;
      const int64_t code = previous + 1 + static_cast<int64_t>(step);
      ok = ok && code <= kLastCode;
      if (ok) {
        previous = code;
        codes_.push_back(static_cast<char32_t>(code));
        Listed entry;
        entry.name = static_cast<uint32_t>(line_start + first + 1);
        entry.name_length = static_cast<uint16_t>(second - first - 1);
        entry.entities_length = static_cast<uint16_t>(line.size() - second - 1);
        listed_.push_back(entry);
      }
    }
  }
  if (!ok) {
    Clear();
    return false;
  }
  return true;
}

const CharacterNames::Listed* CharacterNames::Find(char32_t code) const {
  const auto it = std::lower_bound(codes_.begin(), codes_.end(), code);
  if (it == codes_.end() || *it != code) return nullptr;
  return &listed_[static_cast<size_t>(it - codes_.begin())];
}

std::string_view CharacterNames::ListedName(char32_t code) const {
  const Listed* entry = Find(code);
  if (!entry) return {};
  return std::string_view(text_).substr(entry->name, entry->name_length);
}

std::string CharacterNames::Name(char32_t code) const {
  if (const Listed* entry = Find(code)) return text_.substr(entry->name, entry->name_length);
  for (const Range& range : ranges_) {
    if (code < range.first || code > range.last) continue;
    if (range.hangul) return HangulSyllableName(code);
    std::string name = range.prefix;
    AppendHexCode(name, code);
    return name;
  }
  return std::string();
}

bool CharacterNames::InNamedRange(char32_t code) const {
  return std::any_of(ranges_.begin(), ranges_.end(),
                     [&](const Range& r) { return code >= r.first && code <= r.last; });
}

std::string_view CharacterNames::EntityNames(char32_t code) const {
  const Listed* entry = Find(code);
  if (!entry) return {};
  return std::string_view(text_).substr(entry->name + entry->name_length + 1,
                                         entry->entities_length);
}

std::string FirstCharacterName(const CharacterNames& names, std::u16string_view text) {
  if (text.empty()) return std::string();
  char32_t code = text[0];
  if (code >= 0xD800 && code <= 0xDBFF && text.size() > 1 && text[1] >= 0xDC00 &&
      text[1] <= 0xDFFF)
    code = 0x10000 + ((code - 0xD800) << 10) + (text[1] - 0xDC00);
  return names.Name(code);
}

}  // namespace gw
