// The code notation on arbitrary UTF-16 text (two input bytes per unit, so
// lone surrogates and U+0000 occur).
//
// Properties:
// - CountCharacters never exceeds the number of units (nor falls below half);
// - CodeTextFromCharacters gives one upper-case field per character, valid
//   code text for any non-empty text, which converts back to the text itself
//   (U+0000 excepted: its field "\u0000" stands for no character);
// - the characters of any code text survive the way to code text and back;
// - HtmlFromCodeText gives at least one "&#x" per field, and for valid code
//   text exactly one reference of hexadecimal digits per field;
// - InterpretCodeInput rejects only empty input and invalid code text; what
//   it accepts is valid code text whose characters are the characters it
//   returns, and entering the resulting code text again gives the same entry.
#include <optional>

#include "fuzz/fuzz_common.h"
#include "table/code_notation.h"

namespace {

using gw::Text;
using gw::TextView;

bool IsHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Number of "\u" marks, counted from the left without overlap.
size_t CountFields(TextView text) {
  size_t count = 0;
  for (size_t k = 0; k + 1 < text.size();) {
    if (text[k] == u'\\' && text[k + 1] == u'u') {
      ++count;
      k += 2;
    } else {
      ++k;
    }
  }
  return count;
}

size_t CountOccurrences(TextView text, TextView part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != TextView::npos; at = text.find(part, at + part.size()))
    ++count;
  return count;
}

Text WithoutNul(TextView text) {
  Text out;
  for (char16_t c : text)
    if (c != 0) out.push_back(c);
  return out;
}

Text TrimSpaces(TextView text) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return Text(text.substr(begin, end - begin));
}

// "&#x" hex-digits ";" repeated exactly `fields` times, nothing else.
bool IsReferenceList(TextView html, size_t fields) {
  size_t k = 0;
  for (size_t f = 0; f < fields; ++f) {
    if (html.substr(k, 3) != u"&#x") return false;
    k += 3;
    const size_t digits = k;
    while (k < html.size() && IsHex(html[k])) ++k;
    if (k == digits || k >= html.size() || html[k] != u';') return false;
    ++k;
  }
  return k == html.size();
}

// Fields as the program writes them: "\u" and at least four upper-case digits.
bool IsProgramCodeText(TextView code) {
  size_t k = 0;
  while (k < code.size()) {
    if (code.substr(k, 2) != u"\\u") return false;
    k += 2;
    const size_t digits = k;
    while (k < code.size() && IsHex(code[k]) && !(code[k] >= u'a' && code[k] <= u'f')) ++k;
    if (k - digits < 4 || k - digits > 6) return false;
  }
  return true;
}

void CheckInterpretation(const Text& input) {
  const std::optional<gw::CodeInput> result = gw::InterpretCodeInput(input);
  const Text trimmed = TrimSpaces(input);
  const bool looks_like_code =
      trimmed.size() >= 2 && trimmed[0] == u'\\' && (trimmed[1] == u'u' || trimmed[1] == u'U');
  if (trimmed.empty()) {
    GW_FUZZ_CHECK(!result);
    return;
  }
  if (!looks_like_code) GW_FUZZ_CHECK(result);  // literal text is always taken
  if (!result) return;

  GW_FUZZ_CHECK(gw::IsValidCodeText(result->code_text));
  GW_FUZZ_CHECK(gw::CharactersFromCodeText(result->code_text) == WithoutNul(result->characters));
  if (looks_like_code) {
    // The upper-case copy: the only small letter left is the u of each "\u".
    const Text& code = result->code_text;
    GW_FUZZ_CHECK(code.size() == trimmed.size());
    for (size_t k = 0; k < code.size(); ++k) {
      if (code[k] >= u'a' && code[k] <= u'z') GW_FUZZ_CHECK(code[k] == u'u' && k > 0 && code[k - 1] == u'\\');
    }
  } else {
    GW_FUZZ_CHECK(result->characters == trimmed);
    GW_FUZZ_CHECK(result->code_text == gw::CodeTextFromCharacters(trimmed));
  }

  // The code text an editor shows, entered again, gives the same entry.
  const std::optional<gw::CodeInput> again = gw::InterpretCodeInput(result->code_text);
  GW_FUZZ_CHECK(again);
  GW_FUZZ_CHECK(again->code_text == result->code_text);
  GW_FUZZ_CHECK(again->characters == WithoutNul(result->characters));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Text text = gw::fuzz::Utf16FromBytes(data, size);

  const size_t characters = gw::CountCharacters(text);
  GW_FUZZ_CHECK(characters <= text.size());
  GW_FUZZ_CHECK(2 * characters >= text.size());

  // Characters -> code text -> characters.
  const Text code = gw::CodeTextFromCharacters(text);
  GW_FUZZ_CHECK(CountFields(code) == characters);
  GW_FUZZ_CHECK(IsProgramCodeText(code));
  GW_FUZZ_CHECK(gw::IsValidCodeText(code) == !text.empty());
  GW_FUZZ_CHECK(gw::CharactersFromCodeText(code) == WithoutNul(text));
  GW_FUZZ_CHECK(IsReferenceList(gw::HtmlFromCodeText(code), characters));

  // Any text read as code text.
  const size_t fields = CountFields(text);
  const bool valid = gw::IsValidCodeText(text);
  if (valid) GW_FUZZ_CHECK(fields > 0);
  const Text decoded = gw::CharactersFromCodeText(text);
  GW_FUZZ_CHECK(decoded.find(u'\0') == Text::npos);
  GW_FUZZ_CHECK(gw::CountCharacters(decoded) <= fields);
  GW_FUZZ_CHECK(gw::CharactersFromCodeText(gw::CodeTextFromCharacters(decoded)) == decoded);

  const Text html = gw::HtmlFromCodeText(text);
  GW_FUZZ_CHECK(CountOccurrences(html, u"&#x") >= fields);
  if (valid) GW_FUZZ_CHECK(IsReferenceList(html, fields));

  CheckInterpretation(text);
  return 0;
}
