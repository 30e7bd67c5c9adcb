// What Find searches besides the characters' names: the characters' aliases,
// the fully-qualified emoji sequences with their English names, and the CLDR
// short names and keywords in English, German and French. Read from the
// search data that the program carries (tools/make_search_data.py writes it
// at build time) the first time Find needs it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gw {

class SearchData {
 public:
  // The CLDR names of one character or sequence in one language.
  struct Annotation {
    uint32_t codes = 0;  // offset of its code points in the code store
    uint16_t code_count = 0;
    uint32_t name = 0;  // offset of the short name in the text
    uint16_t name_length = 0;
    uint32_t keywords = 0;  // offset of the keywords, separated by "|"
    uint32_t keywords_length = 0;
    uint32_t everyday = 0;  // offset of the everyday names, separated by "|"
    uint32_t everyday_length = 0;
  };

  // Reads a search data file: "GWFIND01", the size and CRC-32 of the text,
  // the text compressed with zlib. False, with nothing read, for a file that
  // is empty, cut short, damaged or of another kind.
  bool Load(std::string_view file);
  // Reads the text itself (see tools/make_search_data.py). False, with
  // nothing read, when a line of a known section breaks the format; lines of
  // sections that this program does not know are passed over.
  bool LoadText(std::string text);

  bool Empty() const { return aliased_.empty() && emoji_.empty() && languages_.empty(); }
  // The comment of the text: the sources and their versions.
  std::string_view Source() const { return source_; }

  // The code points that have aliases, ascending, and a code point's aliases
  // separated by "|" (empty when it has none).
  const std::vector<char32_t>& AliasedCodes() const { return aliased_; }
  std::string_view Aliases(char32_t code) const;

  // The fully-qualified emoji sequences, in the order of emoji-test.txt.
  size_t EmojiCount() const { return emoji_.size(); }
  std::u32string_view EmojiCodes(size_t index) const;
  std::string_view EmojiName(size_t index) const;

  // The CLDR names of a language ("en", "de", "fr"); none for another.
  const std::vector<Annotation>& Annotations(std::string_view language) const;
  std::u32string_view Codes(const Annotation& a) const {
    return std::u32string_view(codes_).substr(a.codes, a.code_count);
  }
  std::string_view Name(const Annotation& a) const {
    return std::string_view(text_).substr(a.name, a.name_length);
  }
  std::string_view Keywords(const Annotation& a) const {
    return std::string_view(text_).substr(a.keywords, a.keywords_length);
  }
  // The names that people use for it beside CLDR's (tools/everyday_names.txt).
  std::string_view EverydayNames(const Annotation& a) const {
    return std::string_view(text_).substr(a.everyday, a.everyday_length);
  }

 private:
  struct Span {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  struct Emoji {
    uint32_t codes = 0;
    uint16_t code_count = 0;
    Span name;
  };
  struct Language {
    std::string name;
    std::vector<Annotation> annotations;
  };

  void Clear();
  // Reads "HEX HEX ..." into the code store; false when it is no sequence.
  bool ReadCodes(std::string_view field, uint32_t& offset, uint16_t& count);

  std::string text_;
  std::string source_;
  std::u32string codes_;
  std::vector<char32_t> aliased_;
  std::vector<Span> aliases_;  // one per aliased code point
  std::vector<Emoji> emoji_;
  std::vector<Language> languages_;
};

}  // namespace gw
