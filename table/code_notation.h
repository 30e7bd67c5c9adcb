// The code notation of character entries: a run of "\u" fields, each holding
// the hexadecimal code point of one character ("\u201E\u201C"), and the pure
// conversions between characters, code text and HTML character references.
//
// A field begins with backslash and lower-case u and runs up to the next "\u"
// or the end of the text; anything before the first "\u" is not a field and
// is ignored. A field's value is read by skipping leading spaces (U+0020) and
// taking hexadecimal digits up to the first other unit; no digits means 0.
//
// Every conversion walks its input once (linear time).
#pragma once
#include <cstddef>
#include <optional>

#include "base/text.h"

namespace gw {

// Highest code point the notation allows.
inline constexpr char32_t kMaxCodePoint = 0x10FFFF;

// Number of characters (code points): a high surrogate directly followed by a
// low surrogate counts once, any other unit (a lone surrogate too) once.
size_t CountCharacters(TextView text);

// True when the text has at least one "\u" field and every field, with
// surrounding spaces removed, is a non-empty run of hexadecimal digits whose
// value does not exceed U+10FFFF. Text before the first field is not examined.
bool IsValidCodeText(TextView text);

// The characters of a code text. Value 0 gives nothing, 1 to 0xFFFF one unit
// (surrogate values too, so "\uD83D\uDE00" forms one pair), 0x10000 to
// 0x10FFFF a surrogate pair.
// A code text read from a file is not validated and may hold a field above
// U+10FFFF; such a field gives the replacement character U+FFFD (one unit),
// so it shows as a visible placeholder and never yields a surrogate computed
// from an out-of-range value.
Text CharactersFromCodeText(TextView code_text);

// The code text of a text: one field per character, upper-case digits,
// zero-padded to at least four ("«»" -> "\u00AB\u00BB", U+1F600 ->
// "\u1F600"). A lone surrogate gets a field of its own value.
Text CodeTextFromCharacters(TextView text);

// HTML hexadecimal character references: "&#x" + the field's text without its
// surrounding spaces (case and leading zeros kept) + ";" for every field.
Text HtmlFromCodeText(TextView code_text);

struct CodeInput {
  Text code_text;
  Text characters;
};

// Reads the Code field of an entry editor. The space-trimmed input is taken
// as code text when its upper-cased copy (every "\U" turned back into "\u")
// begins with "\u"; it must then pass IsValidCodeText, and the copy becomes
// the code text. Otherwise the trimmed input is literal characters. Empty
// input and invalid code text are rejected (no value).
std::optional<CodeInput> InterpretCodeInput(TextView input);

}  // namespace gw
