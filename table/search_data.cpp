#include "table/search_data.h"

#include "table/character_names.h"

#include <algorithm>

namespace gw {

namespace {

constexpr std::string_view kMagic = "GWFIND01";
// Far above the real text (about 1 MB); a header that claims more is damaged.
constexpr uint32_t kMaxTextSize = 32u << 20;
constexpr size_t kMaxSequence = 16;  // the longest emoji sequence has 10

// The fields of a line between ";", exactly `count` of them.
bool SplitFields(std::string_view line, size_t count, std::string_view* fields) {
  for (size_t i = 0; i < count; ++i) {
    const size_t end = i + 1 < count ? line.find(';') : std::string_view::npos;
    if (i + 1 < count && end == std::string_view::npos) return false;
    fields[i] = line.substr(0, end);
    if (i + 1 < count) line.remove_prefix(end + 1);
  }
  return fields[count - 1].find(';') == std::string_view::npos;
}

// Well-formed UTF-8 (lead and continuation bytes) without control characters.
bool IsCleanUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    const size_t extra = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2
                                    : c >= 0xF0 && c < 0xF5 ? 3 : 4;
    if (extra == 4 || i + extra >= text.size() + (extra == 0)) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

void SearchData::Clear() {
  text_.clear();
  source_.clear();
  codes_.clear();
  aliased_.clear();
  aliases_.clear();
  emoji_.clear();
  languages_.clear();
}

bool SearchData::Load(std::string_view file) {
  Clear();
  std::string text;
  if (!UnpackPackedText(file, kMagic, kMaxTextSize, text)) return false;
  return LoadText(std::move(text));
}

bool SearchData::ReadCodes(std::string_view field, uint32_t& offset, uint16_t& count) {
  offset = static_cast<uint32_t>(codes_.size());
  count = 0;
  while (!field.empty()) {
    const size_t space = field.find(' ');
    char32_t code = 0;
    if (!ParseHexCode(field.substr(0, space), code) || ++count > kMaxSequence) return false;
    codes_.push_back(code);
    field.remove_prefix(space == std::string_view::npos ? field.size() : space + 1);
    if (space != std::string_view::npos && field.empty()) return false;  // a space at the end
  }
  return count > 0;
}

bool SearchData::LoadText(std::string text) {
  Clear();
  text_ = std::move(text);
  const std::string_view all = text_;
  if (all.empty() || all.back() != '\n' || all.size() > kMaxTextSize) {
    Clear();
    return false;
  }
  enum class Section { None, Aliases, Emoji, Language, Unknown } section = Section::None;
  int64_t previous = -1;
  bool ok = true;
  for (size_t at = 0; ok && at < all.size();) {
    const size_t end = all.find('\n', at);
    const std::string_view line = all.substr(at, end - at);
    const auto offset_of = [&](std::string_view part) {
      return static_cast<uint32_t>(part.data() - all.data());
    };
    at = end + 1;
    if (!IsCleanUtf8(line)) {
      ok = false;
    } else if (line.empty()) {
    } else if (line[0] == '#') {
      if (source_.empty()) source_ = std::string(line.substr(std::min<size_t>(2, line.size())));
    } else if (line[0] == '[') {
      ok = line.back() == ']' && line.size() > 2;
      const std::string_view name = line.substr(1, line.size() - 2);
      if (name == "aliases") {
        section = Section::Aliases;
      } else if (name == "emoji") {
        section = Section::Emoji;
      } else if (name == "en" || name == "de" || name == "fr") {
        section = Section::Language;
        languages_.push_back(Language{std::string(name), {}});
      } else {
        section = Section::Unknown;
      }
    } else if (section == Section::Aliases) {
      // "STEP;ALIAS|ALIAS"
      std::string_view fields[2];
      char32_t step = 0;
      ok = SplitFields(line, 2, fields) && (fields[0].empty() || ParseHexCode(fields[0], step)) &&
           !fields[1].empty();
      const int64_t code = previous + 1 + static_cast<int64_t>(step);
      ok = ok && code <= 0x10FFFF;
      if (ok) {
        previous = code;
        aliased_.push_back(static_cast<char32_t>(code));
        aliases_.push_back(Span{offset_of(fields[1]), static_cast<uint32_t>(fields[1].size())});
      }
    } else if (section == Section::Emoji) {
      // "CODES;NAME"
      std::string_view fields[2];
      Emoji emoji;
      ok = SplitFields(line, 2, fields) && ReadCodes(fields[0], emoji.codes, emoji.code_count) &&
           !fields[1].empty();
      if (ok) {
        emoji.name = Span{offset_of(fields[1]), static_cast<uint32_t>(fields[1].size())};
        emoji_.push_back(emoji);
      }
    } else if (section == Section::Language) {
      // "CODES;SHORT NAME;KEYWORDS[;EVERYDAY NAMES]"
      std::string_view fields[4];
      const size_t count = std::count(line.begin(), line.end(), ';') == 3 ? 4 : 3;
      Annotation a;
      ok = SplitFields(line, count, fields) && ReadCodes(fields[0], a.codes, a.code_count) &&
           fields[1].size() <= UINT16_MAX;
      if (ok) {
        a.name = offset_of(fields[1]);
        a.name_length = static_cast<uint16_t>(fields[1].size());
        a.keywords = offset_of(fields[2]);
        a.keywords_length = static_cast<uint32_t>(fields[2].size());
        if (count == 4) {
          a.everyday = offset_of(fields[3]);
          a.everyday_length = static_cast<uint32_t>(fields[3].size());
        }
        languages_.back().annotations.push_back(a);
      }
    } else if (section == Section::None) {
      ok = false;  // data before any section
    }
  }
  if (!ok) {
    Clear();
    return false;
  }
  return true;
}

std::string_view SearchData::Aliases(char32_t code) const {
  const auto it = std::lower_bound(aliased_.begin(), aliased_.end(), code);
  if (it == aliased_.end() || *it != code) return {};
  const Span span = aliases_[static_cast<size_t>(it - aliased_.begin())];
  return std::string_view(text_).substr(span.offset, span.length);
}

std::u32string_view SearchData::EmojiCodes(size_t index) const {
  if (index >= emoji_.size()) return {};
  return std::u32string_view(codes_).substr(emoji_[index].codes, emoji_[index].code_count);
}

std::string_view SearchData::EmojiName(size_t index) const {
  if (index >= emoji_.size()) return {};
  return std::string_view(text_).substr(emoji_[index].name.offset, emoji_[index].name.length);
}

const std::vector<SearchData::Annotation>& SearchData::Annotations(std::string_view language) const {
  static const std::vector<Annotation> kNone;
  for (const Language& l : languages_)
    if (l.name == language) return l.annotations;
  return kNone;
}

}  // namespace gw
