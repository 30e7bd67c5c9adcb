#include "table/recent_characters.h"

#include <algorithm>

#include "base/platform.h"
#include "table/character_names.h"

namespace gw {

namespace {

constexpr std::string_view kHeader = "# Glyphwell recent characters";
constexpr size_t kMaxCodes = 16;

void AppendCode(Text& out, char32_t code) {
  if (code >= 0x10000) {
    out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(code));
  }
}

// "HEX HEX ..." to the characters; false for anything else.
bool ParseEntry(std::string_view line, Text& out) {
  size_t codes = 0;
  while (!line.empty()) {
    const size_t space = line.find(' ');
    const std::string_view digits = line.substr(0, space);
    line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    if (digits.empty() || digits.size() > 6 || ++codes > kMaxCodes) return false;
    uint32_t value = 0;
    for (char c : digits) {
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    AppendCode(out, value);
  }
  return codes > 0;
}

size_t CodeCount(TextView text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i, ++count)
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
  return count;
}

}  // namespace

bool RecentCharacters::Parse(std::string_view bytes) {
  items_.clear();
  if (bytes.empty()) return true;
  std::vector<Text> items;
  bool first = true;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != kHeader) return false;
      first = false;
      continue;
    }
    if (line.empty()) continue;
    Text characters;
    if (!ParseEntry(line, characters) || items.size() == kMaxCount) return false;
    if (std::find(items.begin(), items.end(), characters) == items.end())
      items.push_back(std::move(characters));
  }
  items_ = std::move(items);
  return true;
}

std::string RecentCharacters::Serialize() const {
  std::string out(kHeader);
  out += "\r\n";
  for (const Text& item : items_) {
    std::string line;
    for (size_t i = 0; i < item.size(); ++i) {
      char32_t code = item[i];
      if (IsHighSurrogate(item[i]) && i + 1 < item.size() && IsLowSurrogate(item[i + 1]))
        code = 0x10000 + ((code - 0xD800) << 10) + (item[++i] - 0xDC00);
      if (!line.empty()) line.push_back(' ');
      AppendHexCode(line, code);
    }
    out += line;
    out += "\r\n";
  }
  return out;
}

void RecentCharacters::Add(TextView characters) {
  const size_t codes = CodeCount(characters);
  if (codes == 0 || codes > kMaxCodes) return;
  // A lone surrogate cannot be written back; such a text is not kept.
  for (size_t i = 0; i < characters.size(); ++i) {
    if (characters[i] == 0) return;
    if (IsHighSurrogate(characters[i]) && i + 1 < characters.size() && IsLowSurrogate(characters[i + 1]))
      ++i;
    else if (IsHighSurrogate(characters[i]) || IsLowSurrogate(characters[i]))
      return;
  }
  std::erase(items_, Text(characters));
  items_.insert(items_.begin(), Text(characters));
  if (items_.size() > kMaxCount) items_.resize(kMaxCount);
}

Text RecentCharactersPath(const Text& data_folder) { return data_folder + u"RecentCharacters.txt"; }

RecentCharacters ReadRecentCharacters(const Text& path) {
  RecentCharacters recent;
  std::string bytes;
  if (ReadWholeFile(path, bytes) == ReadResult::Ok) recent.Parse(bytes);
  return recent;
}

bool WriteRecentCharacters(const Text& path, const RecentCharacters& recent) {
  return WriteWholeFile(path, recent.Serialize());
}

}  // namespace gw
