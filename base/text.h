// Text handling shared by the whole program.
// All program text is UTF-16, as in the Windows wide-character interfaces.
#pragma once
#include <string>
#include <string_view>

namespace gw {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 bytes to UTF-16. Invalid sequences become U+FFFD.
Text Utf8ToText(std::string_view bytes);

// UTF-16 to UTF-8. A valid surrogate pair becomes one 4-byte sequence; a lone
// surrogate becomes U+FFFD (callers that must keep lone surrogates escape them
// before they get here).
std::string TextToUtf8(TextView text);

// ASCII-only helper for literals built at run time.
Text AsciiToText(std::string_view ascii);

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Upper-cases one UTF-16 unit the way Windows does (CharUpperW); on Windows
// the system does it, elsewhere a built-in table covers Latin, Greek and Cyrillic.
char16_t UpperChar(char16_t c);
char16_t LowerChar(char16_t c);
Text UpperText(TextView text);
Text LowerText(TextView text);

// Upper-cases only the letters a-z.
Text UpperAscii(TextView text);
bool EqualsIgnoreAsciiCase(TextView a, TextView b);

// Decimal representation of a whole number.
Text NumberText(long long value);

// A caption as shown where mnemonics are not (a column header, a title):
// every single "&" dropped, "&&" kept as one "&".
Text WithoutMnemonic(TextView caption);

}  // namespace gw
