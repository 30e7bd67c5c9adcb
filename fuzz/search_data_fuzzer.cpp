// The reader of Find's search data on arbitrary bytes, and the search over
// what it read: input that begins with "GWFIND01" goes through the whole file
// reader (header, zlib, CRC-32), any other input is taken as the text itself,
// which a damaged file reaches only when its CRC-32 happens to match.
//
// Properties:
// - reading never fails otherwise than by returning false, and a false read
//   leaves nothing;
// - preparing the search over what was read, in each language, and searching
//   it never fails; every result types at least one character, and every
//   code point of it is a Unicode scalar value.
#include <string>

#include "fuzz/fuzz_common.h"
#include "table/character_names.h"
#include "table/character_search.h"
#include "table/search_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = gw::fuzz::BytesOf(data, size);
  gw::SearchData search_data;
  const bool read = bytes.starts_with("GWFIND01") ? search_data.Load(bytes)
                                                  : search_data.LoadText(std::string(bytes));
  if (!read) {
    GW_FUZZ_CHECK(search_data.Empty());
    GW_FUZZ_CHECK(search_data.EmojiCount() == 0);
    return 0;
  }
  static const gw::CharacterNames no_names;
  for (const char* language : {"en", "fr"}) {
    gw::CharacterSearch search;
    search.Prepare(no_names, search_data, language);
    for (const char16_t* text : {u"a", u"snow", u"de joie", u"U+1F600", u"\u00e9t\u00e9s", u"x y z"}) {
      for (const gw::SearchResult& result : search.Search(text, {u"\u2260"}, 20)) {
        const gw::Text characters = search.Characters(result.key);
        GW_FUZZ_CHECK(!characters.empty());
        for (size_t i = 0; i < characters.size(); ++i) {
          if (gw::IsHighSurrogate(characters[i])) {
            GW_FUZZ_CHECK(i + 1 < characters.size() && gw::IsLowSurrogate(characters[i + 1]));
            ++i;
          } else {
            GW_FUZZ_CHECK(!gw::IsLowSurrogate(characters[i]));
          }
        }
      }
    }
  }
  return 0;
}
