#include "table/code_notation.h"

#include <cstdint>

namespace gw {

namespace {

constexpr size_t kNone = TextView::npos;

// Position of the next "\u" at or after `from`, or kNone.
size_t FindFieldMark(TextView text, size_t from) {
  for (size_t k = from; k + 1 < text.size(); ++k) {
    if (text[k] == u'\\' && text[k + 1] == u'u') return k;
  }
  return kNone;
}

// Calls `visit` with the text of every field (the units after "\u" up to the
// next "\u" or the end), left to right. One pass over the text.
template <class Visit>
void ForEachField(TextView text, Visit visit) {
  size_t mark = FindFieldMark(text, 0);
  while (mark != kNone) {
    const size_t start = mark + 2;
    const size_t next = FindFieldMark(text, start);
    const size_t end = next == kNone ? text.size() : next;
    visit(text.substr(start, end - start));
    mark = next;
  }
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

TextView TrimSpaces(TextView text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.substr(begin, end - begin);
}

// The value of a field: leading spaces skipped, then hexadecimal digits up to
// the first other unit. Saturates: once the value has passed U+10FFFF it
// stays above it however many digits follow, so any number of digits is safe.
uint32_t FieldValue(TextView field) {
  size_t k = 0;
  while (k < field.size() && field[k] == u' ') ++k;
  uint32_t value = 0;
  for (; k < field.size(); ++k) {
    const int digit = HexDigit(field[k]);
    if (digit < 0) break;
    if (value <= kMaxCodePoint) value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

void AppendCodeField(Text& out, uint32_t code_point) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  char16_t digits[8];
  int count = 0;
  do {
    digits[count++] = kDigits[code_point & 0xF];
    code_point >>= 4;
  } while (code_point != 0);
  out += u"\\u";
  for (int pad = count; pad < 4; ++pad) out.push_back(u'0');
  while (count > 0) out.push_back(digits[--count]);
}

}  // namespace

size_t CountCharacters(TextView text) {
  size_t count = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    if (IsHighSurrogate(text[k]) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) ++k;
    ++count;
  }
  return count;
}

bool IsValidCodeText(TextView text) {
  bool any = false;
  bool valid = true;
  ForEachField(text, [&](TextView field) {
    any = true;
    if (!valid) return;
    const TextView digits = TrimSpaces(field);
    if (digits.empty()) {
      valid = false;
      return;
    }
    for (char16_t c : digits) {
      if (HexDigit(c) < 0) {
        valid = false;
        return;
      }
    }
    if (FieldValue(digits) > kMaxCodePoint) valid = false;
  });
  return any && valid;
}

Text CharactersFromCodeText(TextView code_text) {
  Text out;
  out.reserve(code_text.size() / 4 + 1);
  ForEachField(code_text, [&](TextView field) {
    const uint32_t value = FieldValue(field);
    if (value == 0) return;
    if (value <= 0xFFFF) {
      out.push_back(static_cast<char16_t>(value));
    } else if (value <= kMaxCodePoint) {
      const uint32_t offset = value - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    } else {
      out.push_back(u'\uFFFD');
    }
  });
  return out;
}

Text CodeTextFromCharacters(TextView text) {
  Text out;
  out.reserve(text.size() * 6);
  for (size_t k = 0; k < text.size(); ++k) {
    uint32_t code_point = text[k];
    if (IsHighSurrogate(text[k]) && k + 1 < text.size() && IsLowSurrogate(text[k + 1])) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (uint32_t(text[k + 1]) - 0xDC00);
      ++k;
    }
    AppendCodeField(out, code_point);
  }
  return out;
}

Text HtmlFromCodeText(TextView code_text) {
  Text out;
  out.reserve(code_text.size() + code_text.size() / 2);
  ForEachField(code_text, [&](TextView field) {
    out += u"&#x";
    out += TrimSpaces(field);
    out.push_back(u';');
  });
  return out;
}

std::optional<CodeInput> InterpretCodeInput(TextView input) {
  const TextView trimmed = TrimSpaces(input);
  if (trimmed.empty()) return std::nullopt;
  Text copy = UpperText(trimmed);
  for (size_t k = 0; k + 1 < copy.size(); ++k) {
    if (copy[k] == u'\\' && copy[k + 1] == u'U') copy[k + 1] = u'u';
  }
  if (copy.size() >= 2 && copy[0] == u'\\' && copy[1] == u'u') {
    if (!IsValidCodeText(copy)) return std::nullopt;
    CodeInput result;
    result.characters = CharactersFromCodeText(copy);
    result.code_text = std::move(copy);
    return result;
  }
  CodeInput result;
  result.code_text = CodeTextFromCharacters(trimmed);
  result.characters = Text(trimmed);
  return result;
}

}  // namespace gw
