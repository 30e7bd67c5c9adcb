#include "settings/ini_reader.h"

#include <string>

#include "base/platform.h"

namespace gw {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// [begin, end) without trailing spaces and tabs.
size_t TrimEnd(const Text& text, size_t begin, size_t end) {
  while (end > begin && IsBlank(text[end - 1])) --end;
  return end;
}

}  // namespace

bool IniReader::Open(const Text& path) {
  Close();
  std::string bytes;
  if (ReadWholeFile(path, bytes) != ReadResult::Ok) return false;
  OpenBytes(bytes);
  return true;
}

void IniReader::OpenBytes(std::string_view bytes) {
  Close();
  Text text;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    text = Utf8ToText(bytes.substr(3));
  } else {
    text = AnsiToText(bytes);
  }

  // One pass over the text; every line is looked at once.
  const size_t n = text.size();
  size_t pos = 0;
  while (pos < n) {
    // A run of CR and LF characters is one line break, so empty lines vanish.
    while (pos < n && IsLineBreak(text[pos])) ++pos;
    size_t line_end = pos;
    while (line_end < n && !IsLineBreak(text[line_end])) ++line_end;
    size_t p = pos;
    pos = line_end;
    while (p < line_end && IsBlank(text[p])) ++p;
    if (p == line_end) continue;  // nothing but blanks

    const char16_t first = text[p];
    if (first == u';') continue;  // comment: never handed out
    if (first == u'[') {
      size_t name_end = p + 1;
      while (name_end < line_end && text[name_end] != u']') ++name_end;
      Group group;
      group.name = text.substr(p + 1, name_end - (p + 1));
      groups_.push_back(std::move(group));
      continue;
    }

    // Key line: name up to the first "=", value after it.
    size_t eq = p;
    while (eq < line_end && text[eq] != u'=') ++eq;
    if (groups_.empty()) continue;  // keys before the first group belong to no group
    Key key;
    key.name = text.substr(p, TrimEnd(text, p, eq) - p);
    key.line = text.substr(p, TrimEnd(text, p, line_end) - p);
    if (eq < line_end) {
      size_t v = eq + 1;
      while (v < line_end && IsBlank(text[v])) ++v;
      key.value = text.substr(v, TrimEnd(text, v, line_end) - v);
    }
    groups_.back().keys.push_back(std::move(key));
  }
}

bool IniReader::SelectGroup(TextView name) {
  for (size_t i = 0; i < groups_.size(); ++i) {
    if (EqualsIgnoreAsciiCase(groups_[i].name, name)) {
      selected_ = i;
      return true;
    }
  }
  selected_ = kNoGroup;
  return false;
}

Text IniReader::Read(TextView key, TextView fallback) const {
  if (selected_ == kNoGroup) return Text(fallback);
  for (const Key& k : groups_[selected_].keys) {
    if (EqualsIgnoreAsciiCase(k.name, key)) return k.value;
  }
  return Text(fallback);
}

void IniReader::Close() {
  groups_.clear();
  selected_ = kNoGroup;
}

}  // namespace gw
