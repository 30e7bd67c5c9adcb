#include "mainwindow/insertion.h"

#include "table/code_notation.h"

namespace gw {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Position of the next "\u" at or after `from`, or npos.
size_t FindFieldMark(TextView text, size_t from) {
  for (size_t k = from; k + 1 < text.size(); ++k) {
    if (text[k] == u'\\' && text[k + 1] == u'u') return k;
  }
  return TextView::npos;
}

void AddUnit(std::vector<KeyRecord>& records, char16_t unit) {
  records.push_back({0, unit, kKeyUnicode | kKeyDown});
  records.push_back({0, unit, kKeyUnicode | kKeyUp});
}

}  // namespace

std::vector<KeyRecord> UnicodeKeyRecords(TextView text) {
  std::vector<KeyRecord> records;
  records.reserve(2 * text.size());
  size_t k = 0;
  while (k < text.size()) {
    const char16_t unit = text[k];
    if (IsHighSurrogate(unit) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
      const char16_t low = text[k + 1];
      records.push_back({0, unit, kKeyUnicode | kKeyDown});
      records.push_back({0, low, kKeyUnicode | kKeyDown});
      records.push_back({0, unit, kKeyUnicode | kKeyUp});
      records.push_back({0, low, kKeyUnicode | kKeyUp});
      k += 2;
    } else {
      AddUnit(records, unit);
      ++k;
    }
  }
  return records;
}

long long CodeFieldValue(TextView code_text, int k) {
  if (k < 0) return -1;
  size_t mark = FindFieldMark(code_text, 0);
  for (int index = 0; mark != TextView::npos && index < k; ++index)
    mark = FindFieldMark(code_text, mark + 2);
  if (mark == TextView::npos) return -1;

  size_t pos = mark + 2;
  const size_t end = [&] {
    const size_t next = FindFieldMark(code_text, pos);
    return next == TextView::npos ? code_text.size() : next;
  }();
  while (pos < end && code_text[pos] == u' ') ++pos;
  long long value = 0;
  for (; pos < end; ++pos) {
    const int digit = HexDigit(code_text[pos]);
    if (digit < 0) break;
    if (value <= static_cast<long long>(kMaxCodePoint)) value = value * 16 + digit;
  }
  return value;
}

bool CaretGoesBetweenPair(TextView characters, TextView code_text) {
  if (CountCharacters(characters) != 2) return false;
  const long long first = CodeFieldValue(code_text, 0);
  const long long second = CodeFieldValue(code_text, 1);
  if (first < 0 || second < 0) return false;
  if (first > 0xFFFE || second > 0xFFFE) return false;
  const long long difference = first > second ? first - second : second - first;
  return difference <= 16;
}

Text CodePayload(TextView code_text, bool html) {
  return html ? HtmlFromCodeText(code_text) : Text(code_text);
}

}  // namespace gw
