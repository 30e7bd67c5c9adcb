#include "mainwindow/find.h"

#include <algorithm>

#include "base/placeholders.h"

namespace gw {

namespace {

constexpr uint32_t kNotMade = UINT32_MAX;

// Lower case for the search: ASCII at once (the names are ASCII capitals),
// everything else as Windows lower-cases it.
char16_t SearchLower(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  return LowerChar(c);
}

void AppendLower(Text& out, TextView text) {
  for (char16_t c : text) out.push_back(SearchLower(c));
}

void AppendLowerAscii(Text& out, std::string_view text) {
  for (char c : text) out.push_back(SearchLower(static_cast<unsigned char>(c)));
}

void AppendRowSearchText(Text& out, const CharacterTable& table, int row,
                         const CharacterNames* names) {
  if (!table.IsRow(row)) return;
  for (TableColumn column : {TableColumn::Trigger, TableColumn::Characters, TableColumn::CodeText,
                             TableColumn::Comment}) {
    AppendLower(out, table.ColumnText(row, column));
    out.push_back(u'\0');
  }
  if (!names || names->Empty()) return;
  const TextView characters = table.ColumnText(row, TableColumn::Characters);
  for (size_t i = 0; i < characters.size(); ++i) {
    char32_t code = characters[i];
    if (IsHighSurrogate(characters[i]) && i + 1 < characters.size() &&
        IsLowSurrogate(characters[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (characters[i + 1] - 0xDC00);
      ++i;
    }
    // Most names are listed and need no copy; the others are made by rule.
    const std::string_view listed = names->ListedName(code);
    if (!listed.empty())
      AppendLowerAscii(out, listed);
    else
      AppendLowerAscii(out, names->Name(code));
    out.push_back(u'\0');
    AppendLowerAscii(out, names->EntityNames(code));
    out.push_back(u'\0');
  }
}

}  // namespace

std::vector<Text> SearchWords(TextView text) {
  std::vector<Text> words;
  Text word;
  for (char16_t c : text) {
    if (c == u' ' || c == u'\0') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(SearchLower(c));
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

Text RowSearchText(const CharacterTable& table, int row, const CharacterNames* names) {
  Text out;
  AppendRowSearchText(out, table, row, names);
  return out;
}

Text FindWindowTitle(TextView menu_text) {
  menu_text = menu_text.substr(0, menu_text.find(u'\t'));
  Text title;
  for (char16_t c : menu_text)
    if (c != u'&') title.push_back(c);
  while (!title.empty() && (title.back() == u' ' || title.back() == u'.')) title.pop_back();
  return title;
}

Text FindStatusText(TextView none, TextView one, TextView many, int count, TextView text) {
  if (count <= 0) return FillPlaceholders(none, std::vector<TextView>{text});
  if (count == 1) return FillPlaceholders(one, std::vector<TextView>{text});
  const Text number = NumberText(count);
  return FillPlaceholders(many, std::vector<TextView>{number, text});
}

TextView RowFinder::SearchTextOf(const CharacterTable& table, int row) {
  const size_t r = static_cast<size_t>(row);
  if (begin_[r] == kNotMade) {
    begin_[r] = static_cast<uint32_t>(texts_.size());
    AppendRowSearchText(texts_, table, row, names_);
    end_[r] = static_cast<uint32_t>(texts_.size());
  }
  return TextView(texts_).substr(begin_[r], end_[r] - begin_[r]);
}

bool RowFinder::RowMatches(const CharacterTable& table, int row, const std::vector<Text>& words) {
  const TextView text = SearchTextOf(table, row);
  for (const Text& word : words)
    if (text.find(word) == TextView::npos) return false;
  return true;
}

int RowFinder::Search(const CharacterTable& table, const CharacterNames* names, TextView text) {
  const size_t rows = static_cast<size_t>(table.RowCount());
  if (revision_ != table.Revision() || names_ != names || begin_.size() != rows) {
    // Another table, or the rows changed: every search text is made anew.
    revision_ = table.Revision();
    names_ = names;
    texts_.clear();
    texts_.reserve(rows * 64);  // about what a row with a named character takes
    begin_.assign(rows, kNotMade);
    end_.assign(rows, 0);
    searched_ = false;
  }
  if (searched_ && text == searched_text_) return MatchCount();

  const std::vector<Text> words = SearchWords(text);
  // A text that only adds to the one before finds a part of its rows: every
  // earlier word is part of a word of the new text.
  const bool narrower = searched_ && text.substr(0, searched_text_.size()) == searched_text_ &&
                        !SearchWords(searched_text_).empty();
  if (words.empty()) {
    matches_.clear();
  } else if (narrower) {
    std::erase_if(matches_, [&](int row) { return !RowMatches(table, row, words); });
  } else {
    matches_.clear();
    for (int row = 0; row < static_cast<int>(rows); ++row)
      if (RowMatches(table, row, words)) matches_.push_back(row);
  }
  searched_ = true;
  searched_text_ = Text(text);
  return MatchCount();
}

int RowFinder::FirstFrom(int row) const {
  if (matches_.empty()) return -1;
  const auto it = std::lower_bound(matches_.begin(), matches_.end(), std::max(row, 0));
  return it == matches_.end() ? matches_.front() : *it;
}

int RowFinder::NextAfter(int row) const {
  if (matches_.empty()) return -1;
  const auto it = std::upper_bound(matches_.begin(), matches_.end(), row);
  return it == matches_.end() ? matches_.front() : *it;
}

int RowFinder::PreviousBefore(int row) const {
  if (matches_.empty()) return -1;
  if (row < 0) return matches_.back();
  const auto it = std::lower_bound(matches_.begin(), matches_.end(), row);
  return it == matches_.begin() ? matches_.back() : *(it - 1);
}

std::vector<FindResult> MergeFindResults(const CharacterTable& table, const std::vector<int>& rows,
                                         const CharacterSearch& search,
                                         const std::vector<SearchResult>& found) {
  std::vector<FindResult> out;
  out.reserve(rows.size() + found.size());
  std::vector<TextView> typed;  // what the matching rows type
  for (int row : rows) {
    out.push_back(FindResult{row, 0});
    typed.push_back(table.ColumnText(row, TableColumn::Characters));
  }
  std::sort(typed.begin(), typed.end());
  for (const SearchResult& r : found) {
    if (!typed.empty() &&
        std::binary_search(typed.begin(), typed.end(), TextView(search.Characters(r.key))))
      continue;
    out.push_back(FindResult{-1, r.key});
  }
  return out;
}

Text FindResultCharacters(const CharacterTable& table, const CharacterSearch& search,
                          const FindResult& result) {
  if (result.row >= 0) return Text(table.ColumnText(result.row, TableColumn::Characters));
  return search.Characters(result.key);
}

Text FindResultComment(const CharacterTable& table, const CharacterSearch& search,
                       const FindResult& result) {
  if (result.row >= 0) return Text(table.ColumnText(result.row, TableColumn::Comment));
  return Utf8ToText(search.Name(result.key));
}

}  // namespace gw
