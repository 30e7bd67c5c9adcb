// The names of characters: the Unicode name of every named code point and
// the HTML entity names of the characters that have them, read from the name
// file that the program carries (tools/make_names.py writes it at build time
// from UnicodeData.txt and the HTML5 entity list).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

class CharacterNames {
 public:
  // Reads a name file: "GWNAMES1", the size and CRC-32 of the name text, the
  // name text compressed with zlib. False, with no names, for a file that is
  // empty, cut short, damaged or of another kind.
  bool Load(std::string_view file);
  // Reads the name text itself (see tools/make_names.py). False, with no
  // names, when any line of it breaks the format.
  bool LoadText(std::string text);

  bool Empty() const { return codes_.empty() && ranges_.empty(); }
  // How many code points are listed one by one (the ranges not counted).
  size_t ListedCount() const { return codes_.size(); }
  // The code points listed one by one, ascending.
  const std::vector<char32_t>& ListedCodes() const { return codes_; }
  // True when `code` lies in a range whose names are made by rule.
  bool InNamedRange(char32_t code) const;
  // The comment of the text: the sources and their versions.
  std::string_view Source() const { return source_; }

  // The Unicode name of a code point, in capitals: "GREEK SMALL LETTER PI",
  // "CJK UNIFIED IDEOGRAPH-4E00", "HANGUL SYLLABLE GAG". Control characters
  // have their Unicode 1.0 name ("CHARACTER TABULATION"). Empty for a code
  // point without a name.
  std::string Name(char32_t code) const;
  // The name of a code point listed one by one, without a copy; empty for
  // one whose name is made by rule or that has none.
  std::string_view ListedName(char32_t code) const;
  // The HTML entity names of the character, separated by spaces, in their
  // own letter case ("ouml", "Dagger"); empty when it has none.
  std::string_view EntityNames(char32_t code) const;

 private:
  struct Listed {
    uint32_t name = 0;  // offset of the name in text_
    uint16_t name_length = 0;
    uint16_t entities_length = 0;  // the entity names follow the name and a ";"
  };
  struct Range {
    char32_t first = 0;
    char32_t last = 0;
    std::string prefix;
    bool hangul = false;
  };

  void Clear();
  // The listed entry of a code point, or nullptr.
  const Listed* Find(char32_t code) const;

  std::string text_;
  std::string source_;
  std::vector<char32_t> codes_;  // ascending
  std::vector<Listed> listed_;   // one per code
  std::vector<Range> ranges_;
};

// A hexadecimal code point of 1 to 6 capital digits, at most U+10FFFF.
bool ParseHexCode(std::string_view digits, char32_t& code);
// Appends a code point in capital hexadecimal digits, four at least.
void AppendHexCode(std::string& out, char32_t code);

// Unpacks a file that the build packs: the 8-byte `magic`, the size and the
// CRC-32 of the text (32-bit little-endian), the text compressed with zlib.
// False for a file that is empty, cut short, damaged, of another kind or
// larger than `max_size`.
bool UnpackPackedText(std::string_view file, std::string_view magic, uint32_t max_size,
                      std::string& text);

// The name of the first character of a text (a surrogate pair is one
// character); empty for an empty text or a character without a name.
std::string FirstCharacterName(const CharacterNames& names, std::u16string_view text);

// The name of a precomposed Hangul syllable (U+AC00 to U+D7A3) by the rule
// of the Unicode standard, "HANGUL SYLLABLE " and its jamo's short names
// ("HANGUL SYLLABLE GAG" for U+AC01); empty outside the syllables.
std::string HangulSyllableName(char32_t code);

}  // namespace gw
