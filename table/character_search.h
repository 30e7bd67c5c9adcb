// The search of every character: the Unicode names and aliases, the HTML
// entity names, the emoji sequences and the CLDR short names and keywords of
// the program's language and English, indexed word by word, so that a
// keystroke looks up a few words instead of reading every name.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/text.h"
#include "table/character_names.h"
#include "table/search_data.h"

namespace gw {

// A result: a code point (below kSequenceKey), or an emoji sequence of the
// search data (kSequenceKey + its index).
using ResultKey = uint32_t;
inline constexpr ResultKey kSequenceKey = 0x110000;

// How a result was found, best first. Rows of the table (1) are found by
// RowFinder and come before all of these.
enum class MatchRank : uint8_t {
  TypedCode = 2,  // the character of a code typed or pasted, or the character itself
  Exact = 3,      // the text is a whole name, alias, entity name or CLDR short name
  NamePrefix = 4, // every word begins a word of a name, alias or entity name
  Keyword = 5,    // ... or of a CLDR keyword
  Inside = 6,     // some word is only found inside a word
};

struct SearchResult {
  ResultKey key = 0;
  MatchRank rank = MatchRank::Inside;
};

// The text folded for the search, as UTF-8: lower case, accents and
// apostrophes dropped ("é" -> "e", "O'Brien" -> "obrien"), "ß" -> "ss",
// "æ" -> "ae", "œ" -> "oe"; punctuation and spaces become one space.
std::string FoldForSearch(TextView text);
std::string FoldForSearch(std::string_view utf8);

// Folded words with the umlauts' spelling "ae", "oe", "ue" as "a", "o", "u"
// ("haekchen" -> "hakchen"): Find tries them when the words find nothing.
std::vector<std::string> WithoutUmlautSpelling(const std::vector<std::string>& words);

// The words without the little ones ("of", "der", "de", ...) of English and
// of `language` that names often leave out ("larmes de joie"); the words as
// they are when nothing else is left.
std::vector<std::string> WithoutLittleWords(const std::vector<std::string>& words,
                                            std::string_view language);

// The code point that a typed code names: "U+2260", "2260" (4 to 6
// hexadecimal digits with at least one decimal digit), "\u2260",
// "\U0001F600", "&#8800;", "&#x2260;" (the ";" may be left off). -1 for
// any other text. Entity names ("&ne;") need the names: see CharacterSearch.
long long TypedCode(TextView text);

// The code points of a text as "U+2260", a sequence as "U+1F469 U+200D U+1F4BB".
Text CodeTextOf(TextView characters);

class CharacterSearch {
 public:
  // Indexes the names, the aliases, the emoji and the CLDR names of
  // `language` ("en", "de", "fr") and of English. Either source may be
  // empty; then the search knows what the other holds.
  void Prepare(const CharacterNames& names, const SearchData& data, std::string_view language);
  bool Prepared() const { return prepared_; }
  const std::string& Language() const { return language_; }

  // The results for `text`, best first, at most `limit`. `recent` holds
  // recently used characters, the most recent first: among equal matches
  // they come first, then the lower code point. An empty text gives the
  // recent characters themselves.
  std::vector<SearchResult> Search(TextView text, const std::vector<Text>& recent,
                                   size_t limit) const;

  // The characters that a result types (an emoji sequence whole, with its
  // variation selectors).
  Text Characters(ResultKey key) const;
  // Its name: the CLDR short name in the program's language where one is
  // known, else the English Unicode name (an emoji sequence's English name).
  std::string Name(ResultKey key) const;
  // Its code: "U+2260", a sequence as "U+1F469 U+200D U+1F4BB".
  Text CodeText(ResultKey key) const;
  // The result that types exactly `characters`; false when there is none.
  bool KeyOf(TextView characters, ResultKey& key) const;

 private:
  enum Kind : uint32_t { kName = 0, kEntity = 1, kKeyword = 2 };
  struct Builder;

  uint32_t ItemOf(ResultKey key) const;  // UINT32_MAX when not indexed
  // Ranks the items that hold every word of `words`; `phrase` is the whole
  // text folded, for the exact matches.
  void RankCandidates(const std::vector<std::string>& words, const std::string& phrase,
                      const std::vector<ResultKey>& recent, std::vector<SearchResult>& out,
                      size_t limit) const;
  // True when `part` begins or is inside a word of the data.
  bool InSomeWord(std::string_view part) const;
  // The words with a word that is in no word shortened by up to three letters
  // (to four at least) until it is: "applaudir" finds "applaud".
  std::vector<std::string> WithShorterEndings(const std::vector<std::string>& words) const;
  // The words with a long word that is in no word split in two that are
  // ("herzaugen" -> "herz", "augen"), as German joins words.
  std::vector<std::string> WithWordsSplit(const std::vector<std::string>& words) const;

  bool prepared_ = false;
  std::string language_;
  const CharacterNames* names_ = nullptr;
  const SearchData* data_ = nullptr;

  // The items: the keys that have words, and per item the fewest words of
  // its names (a shorter name is the better match among equals).
  std::vector<ResultKey> items_;
  std::vector<uint8_t> name_words_;
  std::vector<std::pair<ResultKey, uint32_t>> item_of_;  // (key, item), sorted
  std::vector<uint32_t> capital_;  // the items that are capital letters, sorted

  // The words, sorted, each ended by a NUL in vocabulary_; per word its
  // postings (item << 2 | kind) in postings_[posting_begin_[w] ..
  // posting_begin_[w + 1]).
  std::string vocabulary_;
  std::vector<uint32_t> word_begin_;
  std::vector<uint32_t> posting_begin_;
  std::vector<uint32_t> postings_;

  // Whole names, aliases, short names and keywords (an item marked
  // kKeywordPhrase) by the hash of their folded text, for the exact matches;
  // an open-addressing table, at most three quarters full, probed from
  // hash % size.
  std::vector<std::pair<uint64_t, uint32_t>> phrases_;
  // Entity names as written ("ne", "Dagger") and their code points; sorted.
  std::vector<std::pair<std::string, char32_t>> entities_;
  // Emoji sequences by their code points.
  std::unordered_map<std::u32string, uint32_t> sequence_of_;
  // The CLDR short name of a key in the program's language (not English).
  std::unordered_map<ResultKey, std::string_view> local_names_;

  // Scratch of the search, one entry per item.
  mutable std::vector<uint32_t> stamp_;
  mutable std::vector<uint8_t> worst_;
  mutable std::vector<uint8_t> sum_;
  mutable std::vector<uint8_t> current_;
  mutable uint32_t generation_ = 0;
};

}  // namespace gw
