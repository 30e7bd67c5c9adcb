// Character insertion: the keyboard records that type a text into another
// window, the rule that puts the caret between a pair of marks, and the code
// payload of a row. The decisions are portable; insertion_win32.h holds the
// commands that send the records and handle the clipboard and the beep.
#pragma once
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace gw {

// dwFlags values of a keyboard record (the Win32 KEYEVENTF_ values).
inline constexpr std::uint32_t kKeyDown = 0x0000;
inline constexpr std::uint32_t kKeyUp = 0x0002;       // KEYEVENTF_KEYUP
inline constexpr std::uint32_t kKeyUnicode = 0x0004;  // KEYEVENTF_UNICODE

// One synthesised key event: virtual-key code, scan code (a UTF-16 unit for
// Unicode events) and flags. The send step turns each into an INPUT record.
struct KeyRecord {
  std::uint16_t vk = 0;
  std::uint16_t scan = 0;
  std::uint32_t flags = 0;

  bool operator==(const KeyRecord&) const = default;
};

// The records that type `text` as Unicode key events, two per UTF-16 unit:
// - a unit that is not part of a surrogate pair: that unit down, then up;
// - a high surrogate directly followed by a low one: high down, low down,
//   high up, low up, so that the target receives the pair as one character.
// A lone surrogate (a high one without a low one after it, or a low one
// without a high one before it) is typed as a unit of its own. Nothing
// past the end of the text is ever read; the result always holds 2 * text.size()
// records.
std::vector<KeyRecord> UnicodeKeyRecords(TextView text);

// The pair rule: after typing a row's characters, a Left-arrow press puts the
// caret between them when the characters count exactly two code points and
// the values of the first two fields of the code text are both at most
// 0xFFFE and differ by at most 16 ("„“", "«»").
bool CaretGoesBetweenPair(TextView characters, TextView code_text);

// The value of the k-th field (0-based) of a code text, read as the code
// notation reads a field (leading spaces skipped, hexadecimal digits up to
// the first other unit, no digits = 0; values above U+10FFFF stay above it).
// -1 when the code text has no such field.
long long CodeFieldValue(TextView code_text, int k);

// What InsertCode types and CopyCode copies: the code text, or its HTML
// character references when `html` is set ("\u2013" -> "&#x2013;").
Text CodePayload(TextView code_text, bool html);

}  // namespace gw
