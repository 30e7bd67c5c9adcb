// Find: the rows of the table that hold every word of a search text. A word
// is found in a row when it occurs, ignoring letter case, in the trigger, the
// characters, the code text, the comment, or the Unicode name or an HTML
// entity name of one of the row's characters.
#pragma once
#include <cstdint>
#include <vector>

#include "base/text.h"
#include "table/character_names.h"
#include "table/character_search.h"
#include "table/character_table.h"

namespace gw {

// The words of a search text, lower-cased: the text split at spaces, empty
// words dropped.
std::vector<Text> SearchWords(TextView text);

// What a row is searched in: its trigger, characters, code text and comment,
// then the name and the entity names of each of its characters, lower-cased
// and each ended by a NUL, so that no word is found across two of them.
Text RowSearchText(const CharacterTable& table, int row, const CharacterNames* names);

// The Find window's title from the text of its menu item: the text before the
// shortcut shown after a tab, without "&" and without trailing dots and
// spaces ("Find ...\tCtrl+F" gives "Find").
Text FindWindowTitle(TextView menu_text);

// The status text after a search for `text` that found `count` rows: the
// format `none`, `one` or `many` with its "%s" filled, `many` with the
// number first and the text second, the others with the text.
Text FindStatusText(TextView none, TextView one, TextView many, int count, TextView text);

// Searches the rows of a table. Each row's search text is made the first
// time a search needs it and kept until the table or the names change, so
// that a keystroke in a large table costs little more than the comparisons.
class RowFinder {
 public:
  // Finds the rows that hold every word of `text` (none for a text without
  // words); `names` may be null or empty. Returns how many rows match. When
  // `text` only adds to the text searched before in the same table, only the
  // rows that matched then are looked at again.
  int Search(const CharacterTable& table, const CharacterNames* names, TextView text);

  int MatchCount() const { return static_cast<int>(matches_.size()); }
  // The matching rows, ascending.
  const std::vector<int>& Matches() const { return matches_; }
  // The first matching row from `row` on (from the top when `row` is -1),
  // going on from the top after the last row; -1 when none matches.
  int FirstFrom(int row) const;
  // The next matching row after `row` and the one before it, going round.
  int NextAfter(int row) const;
  int PreviousBefore(int row) const;

 private:
  // The search text of a row, made when first asked for.
  TextView SearchTextOf(const CharacterTable& table, int row);
  bool RowMatches(const CharacterTable& table, int row, const std::vector<Text>& words);

  uint64_t revision_ = 0;
  const CharacterNames* names_ = nullptr;
  Text texts_;                   // the rows' search texts, one after the other
  std::vector<uint32_t> begin_;  // per row: start in texts_, or kNotMade
  std::vector<uint32_t> end_;

  bool searched_ = false;
  Text searched_text_;
  std::vector<int> matches_;  // ascending row numbers
};

// One line of the Find window's results: a row of the table (row >= 0) or a
// character or emoji sequence of the search (`key`).
struct FindResult {
  int row = -1;
  ResultKey key = 0;
};

// The Find window's results: the matching rows of the table first, in their
// order, then the search's results, best first, without those whose
// characters a matching row types already.
std::vector<FindResult> MergeFindResults(const CharacterTable& table, const std::vector<int>& rows,
                                         const CharacterSearch& search,
                                         const std::vector<SearchResult>& found);

// The name a New entry made from a Find result gets as its comment.
Text FindResultComment(const CharacterTable& table, const CharacterSearch& search,
                       const FindResult& result);
// The characters that a result types.
Text FindResultCharacters(const CharacterTable& table, const CharacterSearch& search,
                          const FindResult& result);

}  // namespace gw
