#include "table/character_search.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace gw {

namespace {

// The letters U+00C0 to U+024F without their accents, "|" between them; an
// empty entry keeps the character as it is.
constexpr std::string_view kLatinFold =
    "a|a|a|a|a|a|ae|c|e|e|e|e|i|i|i|i|d|n|o|o|o|o|o||o|u|u|u|u|y|th|ss|a|a|a|a|a|a|ae|c|e|e|e|e|"
    "i|i|i|i|d|n|o|o|o|o|o||o|u|u|u|u|y|th|y|a|a|a|a|a|a|c|c|c|c|c|c|c|c|d|d|d|d|e|e|e|e|e|e|e|e|"
    "e|e|g|g|g|g|g|g|g|g|h|h|h|h|i|i|i|i|i|i|i|i|i|i|ij|ij|j|j|k|k||l|l|l|l|l|l|l|l|l|l|n|n|n|n|"
    "n|n||||o|o|o|o|o|o|oe|oe|r|r|r|r|r|r|s|s|s|s|s|s|s|s|t|t|t|t|t|t|u|u|u|u|u|u|u|u|u|u|u|u|w|"
    "w|y|y|y|z|z|z|z|z|z|s|b||||||||||||||||||||||||||||||||o|o||||||||||||||u|u||||||||||||||||"
    "||||dz|dz|dz|lj|lj|lj|nj|nj|nj|a|a|i|i|o|o|u|u|u|u|u|u|u|u|u|u||a|a|a|a|||||g|g|k|k|o|o|o|o|"
    "||j|dz|dz|dz|g|g|||n|n|a|a|||||a|a|a|a|e|e|e|e|i|i|i|i|o|o|o|o|r|r|r|r|u|u|u|u|s|s|t|t|||h|"
    "h|||||||a|a|e|e|o|o|o|o|o|o|o|o|y|y|||||||||||||||||||e|e||||||||";

constexpr size_t kMaxWords = 12;
constexpr uint8_t kClassInside = 4;
// Marks a whole keyword among the phrases (an item's index is far below it).
constexpr uint32_t kKeywordPhrase = 0x80000000u;
// Marks a whole alias: an exact alias goes after an exact name of the
// character itself ("pound sign" is £'s name and an alias of #).
constexpr uint32_t kAliasPhrase = 0x40000000u;
constexpr uint32_t kNoItem = UINT32_MAX;  // a free slot of the item and phrase tables

struct LatinFoldTable {
  std::string_view entries[0x250 - 0xC0];
  LatinFoldTable() {
    std::string_view rest = kLatinFold;
    for (auto& entry : entries) {
      const size_t bar = rest.find('|');
      entry = rest.substr(0, bar);
      rest.remove_prefix(bar == std::string_view::npos ? rest.size() : bar + 1);
    }
  }
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The next code point of UTF-8 text; U+FFFD for a broken sequence.
char32_t NextCode(std::string_view text, size_t& at) {
  const auto c = static_cast<unsigned char>(text[at++]);
  if (c < 0x80) return c;
  const size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (extra == 0 || at + extra > text.size()) return 0xFFFD;
  char32_t code = c & (0x3F >> extra);
  for (size_t k = 0; k < extra; ++k) code = (code << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
  return code;
}

void AppendFolded(std::string& out, char32_t c) {
  static const LatinFoldTable table;
  const auto space = [&] {
    if (!out.empty() && out.back() != ' ') out.push_back(' ');
  };
  if (c < 0x80) {
    if (c >= 'A' && c <= 'Z') out.push_back(static_cast<char>(c + 32));
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out.push_back(static_cast<char>(c));
    else if (c != '\'') space();
    return;
  }
  if (c >= 0xC0 && c < 0x250 && !table.entries[c - 0xC0].empty()) {
    out += table.entries[c - 0xC0];
    return;
  }
  // Apostrophes and combining accents are dropped; spaces and punctuation
  // part words.
  if (c == 0x2018 || c == 0x2019 || c == 0x02BC || c == 0xB4 || c == 0x2032 ||
      (c >= 0x300 && c <= 0x36F))
    return;
  if (c == 0xA0 || c == 0xA1 || c == 0xAB || c == 0xBB || c == 0xBF || c == 0xB7 ||
      (c >= 0x2000 && c <= 0x206F) || c == 0x3000 || c == 0xFE0F || c == 0xFE0E) {
    space();
    return;
  }
  if (c <= 0xFFFF) c = LowerChar(static_cast<char16_t>(c));
  AppendUtf8(out, c);
}

std::string Trimmed(std::string folded) {
  while (!folded.empty() && folded.back() == ' ') folded.pop_back();
  size_t first = 0;
  while (first < folded.size() && folded[first] == ' ') ++first;
  return folded.substr(first);
}

std::vector<std::string> SplitWords(std::string_view folded) {
  std::vector<std::string> words;
  while (!folded.empty() && words.size() < kMaxWords) {
    const size_t space = folded.find(' ');
    if (space != 0) words.emplace_back(folded.substr(0, space));
    folded.remove_prefix(space == std::string_view::npos ? folded.size() : space + 1);
  }
  return words;
}

uint64_t PhraseHash(std::string_view folded) {
  uint64_t hash = 1469598103934665603ull;
  for (char c : folded) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::u32string WithoutVariationSelectors(std::u32string_view codes) {
  std::u32string out;
  for (char32_t c : codes)
    if (c != 0xFE0F && c != 0xFE0E) out.push_back(c);
  return out;
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

long long ParseNumber(TextView digits, int base) {
  if (digits.empty() || digits.size() > 8) return -1;
  long long value = 0;
  for (char16_t c : digits) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return -1;
    value = value * base + digit;
  }
  return value <= 0x10FFFF ? value : -1;
}

TextView TrimSpaces(TextView text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

std::u32string CodePoints(TextView text) {
  std::u32string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

// Folds UTF-8 into `out` (emptied first); ASCII goes through a table.
void FoldInto(std::string& out, std::string_view utf8) {
  // For each ASCII byte: the folded letter or digit, 0 to drop it (the
  // apostrophe), ' ' for a separator.
  static const auto kAscii = [] {
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c) {
      table[c] = ' ';
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) table[c] = static_cast<char>(c);
      if (c >= 'A' && c <= 'Z') table[c] = static_cast<char>(c + 32);
    }
    table['\''] = 0;
    return table;
  }();
  out.clear();
  for (size_t at = 0; at < utf8.size();) {
    // A run of ASCII at once, written without a check per byte.
    size_t run = at;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) ++run;
    if (run > at) {
      size_t length = out.size();
      out.resize(length + (run - at));
      char* p = out.data();
      for (; at < run; ++at) {
        const char folded = kAscii[static_cast<unsigned char>(utf8[at])];
        if (folded == ' ') {
          if (length > 0 && p[length - 1] != ' ') p[length++] = ' ';
        } else if (folded != 0) {
          p[length++] = folded;
        }
      }
      out.resize(length);
      continue;
    }
    AppendFolded(out, NextCode(utf8, at));
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
}

}  // namespace

std::vector<std::string> WithoutUmlautSpelling(const std::vector<std::string>& words) {
  std::vector<std::string> out;
  for (const std::string& word : words) {
    std::string plain;
    for (size_t i = 0; i < word.size(); ++i) {
      plain.push_back(word[i]);
      if (i + 1 < word.size() && word[i + 1] == 'e' && (word[i] == 'a' || word[i] == 'o' || word[i] == 'u'))
        ++i;
    }
    out.push_back(std::move(plain));
  }
  return out;
}

std::vector<std::string> WithoutLittleWords(const std::vector<std::string>& words,
                                            std::string_view language) {
  // Articles, prepositions and conjunctions, folded. Not "a": it is a letter.
  static constexpr std::string_view kEnglish[] = {"of", "the", "with", "and", "or"};
  static constexpr std::string_view kGerman[] = {
      "der", "die", "das", "den", "dem", "des", "ein", "eine", "einer", "eines", "einem",
      "einen", "mit", "und", "oder", "von", "vom", "zum", "zur"};
  static constexpr std::string_view kFrench[] = {"de", "du", "des", "le", "la", "les", "un",
                                                 "une", "et", "ou", "au", "aux", "avec", "qui",
                                                 "que", "en", "pour"};
  const auto little = [&](const std::string& word) {
    const auto in = [&](const auto& list) {
      return std::find(std::begin(list), std::end(list), word) != std::end(list);
    };
    return in(kEnglish) || (language == "de" && in(kGerman)) || (language == "fr" && in(kFrench));
  };
  std::vector<std::string> out;
  for (const std::string& word : words)
    if (!little(word)) out.push_back(word);
  return out.empty() ? words : out;
}

std::string FoldForSearch(std::string_view utf8) {
  std::string out;
  FoldInto(out, utf8);
  return out;
}

std::string FoldForSearch(TextView text) {
  std::string out;
  for (char32_t c : CodePoints(text)) AppendFolded(out, c);
  return Trimmed(std::move(out));
}

long long TypedCode(TextView text) {
  text = TrimSpaces(text);
  if (text.size() > 2 && (text[0] == u'U' || text[0] == u'u') && text[1] == u'+')
    return ParseNumber(text.substr(2), 16);
  if (text.size() > 2 && text[0] == u'\\' && (text[1] == u'u' || text[1] == u'U'))
    return ParseNumber(text.substr(2), 16);
  if (text.size() > 2 && text[0] == u'&' && text[1] == u'#') {
    TextView number = text.substr(2);
    if (!number.empty() && number.back() == u';') number.remove_suffix(1);
    if (!number.empty() && (number[0] == u'x' || number[0] == u'X'))
      return ParseNumber(number.substr(1), 16);
    return ParseNumber(number, 10);
  }
  if (text.size() >= 4 && text.size() <= 6 && std::all_of(text.begin(), text.end(), IsHexDigit) &&
      std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }))
    return ParseNumber(text, 16);
  return -1;
}

// What Prepare collects before the words are sorted.
struct CharacterSearch::Builder {
  explicit Builder(CharacterSearch& s) : search(s) {}
  CharacterSearch& search;
  // The distinct words, each once in `letters`, found by an open-addressing
  // table of their ids (no string of its own per word).
  std::string letters;
  std::vector<uint32_t> word_begin{0};  // word id -> its letters, and one past the last
  std::vector<uint32_t> word_hash;
  std::vector<uint32_t> slots = std::vector<uint32_t>(size_t{1} << 17, 0);  // id + 1; 0: free
  std::string folded;  // the text being added, folded
  bool adding_aliases = false;
  std::vector<std::pair<uint32_t, uint32_t>> postings;  // word id, item << 2 | kind
  // The items by their key while they are added: an open-addressing table
  // (key, item), at most half full, in one block (no allocation per item).
  std::vector<std::pair<ResultKey, uint32_t>> item_slots =
      std::vector<std::pair<ResultKey, uint32_t>>(size_t{1} << 17, {0, kNoItem});

  std::string_view Word(uint32_t id) const {
    return std::string_view(letters).substr(word_begin[id], word_begin[id + 1] - word_begin[id]);
  }
  uint32_t WordId(std::string_view word) {
    const uint32_t hash = static_cast<uint32_t>(PhraseHash(word) >> 16);
    size_t mask = slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      const uint32_t slot = slots[at];
      if (slot == 0) break;
      if (word_hash[slot - 1] == hash && Word(slot - 1) == word) return slot - 1;
    }
    const auto id = static_cast<uint32_t>(word_hash.size());
    letters += word;
    word_begin.push_back(static_cast<uint32_t>(letters.size()));
    word_hash.push_back(hash);
    if (word_hash.size() * 2 > slots.size()) {  // keep the table at most half full
      slots.assign(slots.size() * 2, 0);
      mask = slots.size() - 1;
      for (uint32_t i = 0; i <= id; ++i) {
        size_t at = word_hash[i] & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = i + 1;
      }
      return id;
    }
    size_t at = hash & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = id + 1;
    return id;
  }

  static size_t KeySlot(ResultKey key, size_t mask) { return (key * 2654435761u) & mask; }

  uint32_t Item(ResultKey key) {
    size_t mask = item_slots.size() - 1;
    size_t at = KeySlot(key, mask);
    for (; item_slots[at].second != kNoItem; at = (at + 1) & mask)
      if (item_slots[at].first == key) return item_slots[at].second;
    const auto item = static_cast<uint32_t>(search.items_.size());
    search.items_.push_back(key);
    search.name_words_.push_back(UINT8_MAX);
    if (search.items_.size() * 2 > item_slots.size()) {  // keep the table at most half full
      item_slots.assign(item_slots.size() * 2, {0, kNoItem});
      mask = item_slots.size() - 1;
      for (uint32_t i = 0; i <= item; ++i) {
        at = KeySlot(search.items_[i], mask);
        while (item_slots[at].second != kNoItem) at = (at + 1) & mask;
        item_slots[at] = {search.items_[i], i};
      }
      return item;
    }
    item_slots[at] = {key, item};
    return item;
  }

  // One name, alias, entity name, short name or keyword of an item.
  void Add(uint32_t item, std::string_view utf8, Kind kind) {
    FoldInto(folded, utf8);
    if (folded.empty()) return;
    size_t count = 0;
    std::string_view rest = folded;
    while (!rest.empty()) {
      const size_t space = rest.find(' ');
      const std::string_view word = rest.substr(0, space);
      rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
      if (word.empty()) continue;
      ++count;
      postings.emplace_back(WordId(word), item << 2 | kind);
    }
    // The whole text is kept too, for the exact matches (an entity name in
    // any letter case, as every word); a whole keyword orders a result
    // before others of its rank.
    AddPhrase({PhraseHash(folded), kind == kKeyword ? item | kKeywordPhrase
                                   : adding_aliases  ? item | kAliasPhrase
                                                     : item});
    if (kind != kKeyword) {
      uint8_t& fewest = search.name_words_[item];
      fewest = static_cast<uint8_t>(std::min<size_t>(fewest, std::min<size_t>(count, 254)));
    }
  }

  // A phrase into the open-addressing table, once; the table grows before it
  // is three quarters full, so that it is no larger than it needs to be.
  void AddPhrase(const std::pair<uint64_t, uint32_t>& phrase) {
    std::vector<std::pair<uint64_t, uint32_t>>& table = search.phrases_;
    size_t mask = table.size() - 1;
    size_t at = phrase.first & mask;
    for (; table[at].second != kNoItem; at = (at + 1) & mask)
      if (table[at] == phrase) return;
    table[at] = phrase;
    if (++phrase_count * 4 <= table.size() * 3) return;
    std::vector<std::pair<uint64_t, uint32_t>> old(table.size() * 2, {0, kNoItem});
    old.swap(table);
    mask = table.size() - 1;
    for (const auto& p : old) {
      if (p.second == kNoItem) continue;
      at = p.first & mask;
      while (table[at].second != kNoItem) at = (at + 1) & mask;
      table[at] = p;
    }
  }
  size_t phrase_count = 0;

  void AddList(uint32_t item, std::string_view list, Kind kind) {
    while (!list.empty()) {
      const size_t bar = list.find('|');
      Add(item, list.substr(0, bar), kind);
      list.remove_prefix(bar == std::string_view::npos ? list.size() : bar + 1);
    }
  }
};

void CharacterSearch::Prepare(const CharacterNames& names, const SearchData& data,
                              std::string_view language) {
  *this = CharacterSearch();
  names_ = &names;
  data_ = &data;
  language_ = std::string(language);
  Builder b(*this);
  b.letters.reserve(1 << 20);
  b.word_begin.reserve(1 << 16);
  b.word_hash.reserve(1 << 16);
  b.postings.reserve(400000);
  items_.reserve(60000);
  phrases_.assign(size_t{1} << 17, {0, kNoItem});  // what every language's phrases fill

  for (char32_t code : names.ListedCodes()) {
    const uint32_t item = b.Item(code);
    b.Add(item, names.ListedName(code), kName);
    // A small letter goes before its capital among equals.
    if (names.ListedName(code).find(" CAPITAL ") != std::string_view::npos) capital_.push_back(item);
    std::string_view entity_list = names.EntityNames(code);
    while (!entity_list.empty()) {
      const size_t space = entity_list.find(' ');
      const std::string_view entity = entity_list.substr(0, space);
      entities_.emplace_back(std::string(entity), code);
      b.Add(item, entity, kEntity);
      entity_list.remove_prefix(space == std::string_view::npos ? entity_list.size() : space + 1);
    }
  }
  // The Hangul syllables' names are made by rule, but each is a word of its own.
  if (!HangulSyllableName(0xAC00).empty() && names.InNamedRange(0xAC00))
    for (char32_t code = 0xAC00; code <= 0xD7A3; ++code)
      b.Add(b.Item(code), HangulSyllableName(code), kName);
  b.adding_aliases = true;
  for (char32_t code : data.AliasedCodes()) b.AddList(b.Item(code), data.Aliases(code), kName);
  b.adding_aliases = false;

  // Emoji: a single code point is that character's result; a sequence is one
  // of its own. The CLDR names are found by the codes without variation
  // selectors.
  std::unordered_map<std::u32string, uint32_t> bare_sequences;
  for (size_t i = 0; i < data.EmojiCount(); ++i) {
    const std::u32string_view codes = data.EmojiCodes(i);
    const ResultKey key = codes.size() == 1 ? codes[0] : kSequenceKey + static_cast<ResultKey>(i);
    if (codes.size() > 1) {
      sequence_of_.emplace(std::u32string(codes), static_cast<uint32_t>(i));
      bare_sequences.emplace(WithoutVariationSelectors(codes), key);
    }
    b.Add(b.Item(key), data.EmojiName(i), kName);
  }
  std::vector<std::string_view> languages{"en"};
  if (language != "en") languages.push_back(language);
  for (const std::string_view lang : languages) {
    const bool local = lang != "en";
    for (const SearchData::Annotation& a : data.Annotations(lang)) {
      const std::u32string_view codes = data.Codes(a);
      ResultKey keys[2];
      size_t key_count = 0;
      if (codes.size() == 1) keys[key_count++] = codes[0];
      const auto sequence = bare_sequences.find(WithoutVariationSelectors(codes));
      if (sequence != bare_sequences.end()) keys[key_count++] = sequence->second;
      for (size_t k = 0; k < key_count; ++k) {
        const uint32_t item = b.Item(keys[k]);
        b.Add(item, data.Name(a), kName);
        b.AddList(item, data.Keywords(a), kKeyword);
        b.AddList(item, data.EverydayNames(a), kName);
        if (local && !data.Name(a).empty()) local_names_.emplace(keys[k], data.Name(a));
      }
    }
  }

  // The words sorted, the postings grouped by word.
  const auto word_count = static_cast<uint32_t>(b.word_hash.size());
  std::vector<uint32_t> order(word_count);
  for (uint32_t i = 0; i < word_count; ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](uint32_t x, uint32_t y) { return b.Word(x) < b.Word(y); });
  std::vector<uint32_t> rank(word_count);
  for (uint32_t i = 0; i < word_count; ++i) rank[order[i]] = i;
  vocabulary_.reserve(b.letters.size() + word_count);
  word_begin_.reserve(word_count + 1);
  for (uint32_t id : order) {
    word_begin_.push_back(static_cast<uint32_t>(vocabulary_.size()));
    vocabulary_ += b.Word(id);
    vocabulary_.push_back('\0');
  }
  word_begin_.push_back(static_cast<uint32_t>(vocabulary_.size()));
  posting_begin_.assign(order.size() + 1, 0);
  for (const auto& p : b.postings) ++posting_begin_[rank[p.first] + 1];
  for (size_t i = 1; i < posting_begin_.size(); ++i) posting_begin_[i] += posting_begin_[i - 1];
  postings_.resize(b.postings.size());
  std::vector<uint32_t> fill(posting_begin_.begin(), posting_begin_.end() - 1);
  for (const auto& p : b.postings) postings_[fill[rank[p.first]]++] = p.second;

  std::sort(capital_.begin(), capital_.end());
  // The items by key, sorted: it stays in memory as long as the program runs,
  // and holds no more than it needs.
  item_of_.reserve(items_.size());
  for (uint32_t i = 0; i < items_.size(); ++i) item_of_.emplace_back(items_[i], i);
  std::sort(item_of_.begin(), item_of_.end());
  std::sort(entities_.begin(), entities_.end());
  stamp_.assign(items_.size(), 0);
  worst_.assign(items_.size(), 0);
  sum_.assign(items_.size(), 0);
  current_.assign(items_.size(), 0);
  prepared_ = true;
}

uint32_t CharacterSearch::ItemOf(ResultKey key) const {
  const auto it = std::lower_bound(item_of_.begin(), item_of_.end(), std::make_pair(key, uint32_t{0}));
  return it == item_of_.end() || it->first != key ? UINT32_MAX : it->second;
}

bool CharacterSearch::KeyOf(TextView characters, ResultKey& key) const {
  const std::u32string codes = CodePoints(characters);
  if (codes.empty()) return false;
  const auto sequence = sequence_of_.find(codes);
  if (sequence != sequence_of_.end()) {
    key = kSequenceKey + sequence->second;
    return true;
  }
  if (codes.size() != 1) return false;
  key = codes[0];
  return true;
}

bool CharacterSearch::InSomeWord(std::string_view part) const {
  return vocabulary_.find(part) != std::string::npos;
}

std::vector<std::string> CharacterSearch::WithShorterEndings(
    const std::vector<std::string>& words) const {
  std::vector<std::string> out = words;
  for (std::string& word : out) {
    if (InSomeWord(word)) continue;
    for (size_t cut = 1; cut <= 3 && word.size() - cut >= 4; ++cut)
      if (InSomeWord(std::string_view(word).substr(0, word.size() - cut))) {
        word.resize(word.size() - cut);
        break;
      }
  }
  return out;
}

std::vector<std::string> CharacterSearch::WithWordsSplit(const std::vector<std::string>& words) const {
  std::vector<std::string> out;
  for (const std::string& word : words) {
    size_t at = 0;
    if (word.size() >= 8 && !InSomeWord(word))
      for (size_t i = 4; i + 4 <= word.size() && at == 0; ++i)
        if (InSomeWord(std::string_view(word).substr(0, i)) && InSomeWord(std::string_view(word).substr(i)))
          at = i;
    if (at == 0) {
      out.push_back(word);
    } else {
      out.push_back(word.substr(0, at));
      out.push_back(word.substr(at));
    }
  }
  return out;
}

void CharacterSearch::RankCandidates(const std::vector<std::string>& words,
                                     const std::string& phrase,
                                     const std::vector<ResultKey>& recent,
                                     std::vector<SearchResult>& out, size_t limit) const {
  if (++generation_ >= UINT32_MAX / 16) {
    std::fill(stamp_.begin(), stamp_.end(), 0);
    generation_ = 1;
  }
  const uint32_t base = generation_ * 16;
  std::vector<uint32_t> candidates;
  const std::string_view vocabulary = vocabulary_;
  const size_t word_count = word_begin_.empty() ? 0 : word_begin_.size() - 1;

  for (size_t w = 0; w < words.size(); ++w) {
    const std::string& word = words[w];
    const uint32_t before = base + static_cast<uint32_t>(w);  // matched the words before
    const auto visit = [&](size_t word_index, uint8_t word_class) {
      for (uint32_t p = posting_begin_[word_index]; p < posting_begin_[word_index + 1]; ++p) {
        const uint32_t item = postings_[p] >> 2;
        const uint8_t c = static_cast<uint8_t>(
            word_class == kClassInside ? kClassInside
                                       : word_class + ((postings_[p] & 3) == kKeyword ? 2 : 0));
        if (w == 0 ? stamp_[item] < base : stamp_[item] == before) {
          stamp_[item] = before + 1;
          current_[item] = c;
          if (w == 0) candidates.push_back(item);
        } else if (stamp_[item] == before + 1 && c < current_[item]) {
          current_[item] = c;
        }
      }
    };
    // Words that begin with the word: sorted, so one run from lower_bound.
    size_t lo = 0, hi = word_count;
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (vocabulary.substr(word_begin_[mid], word_begin_[mid + 1] - word_begin_[mid] - 1) < word)
        lo = mid + 1;
      else
        hi = mid;
    }
    size_t prefix_end = lo;
    for (; prefix_end < word_count; ++prefix_end) {
      const std::string_view entry = vocabulary.substr(
          word_begin_[prefix_end], word_begin_[prefix_end + 1] - word_begin_[prefix_end] - 1);
      if (entry.substr(0, word.size()) != word) break;
      visit(prefix_end, entry.size() == word.size() ? 0 : 1);
    }
    // Words that hold it further in.
    if (word.size() >= 3) {
      for (size_t at = vocabulary.find(word, 1); at != std::string_view::npos;
           at = vocabulary.find(word, at + 1)) {
        if (vocabulary[at - 1] == '\0') continue;  // a beginning: found above
        const size_t index = static_cast<size_t>(
            std::upper_bound(word_begin_.begin(), word_begin_.end(), static_cast<uint32_t>(at)) -
            word_begin_.begin() - 1);
        visit(index, kClassInside);
        at = word_begin_[index + 1] - 1;  // on to the next word
      }
    }
    // The items that matched every word so far.
    const uint32_t now = before + 1;
    std::erase_if(candidates, [&](uint32_t item) { return stamp_[item] != now; });
    for (uint32_t item : candidates) {
      if (w == 0) {
        worst_[item] = current_[item];
        sum_[item] = current_[item];
      } else {
        worst_[item] = std::max(worst_[item], current_[item]);
        sum_[item] = static_cast<uint8_t>(sum_[item] + current_[item]);
      }
    }
  }

  // Exact names: the whole text folded.
  const uint64_t hash = PhraseHash(phrase);
  std::vector<uint32_t> exact, exact_alias, exact_keyword;
  for (size_t at = hash & (phrases_.size() - 1); !phrases_.empty() && phrases_[at].second != kNoItem;
       at = (at + 1) & (phrases_.size() - 1)) {
    const uint32_t item = phrases_[at].second;
    if (phrases_[at].first == hash)
      (item & kKeywordPhrase ? exact_keyword : item & kAliasPhrase ? exact_alias : exact)
          .push_back(item & ~(kKeywordPhrase | kAliasPhrase));
  }

  struct Scored {
    uint64_t order;
    SearchResult result;
  };
  std::vector<Scored> scored;
  scored.reserve(candidates.size());
  for (uint32_t item : candidates) {
    MatchRank rank = worst_[item] <= 1   ? MatchRank::NamePrefix
                     : worst_[item] <= 3 ? MatchRank::Keyword
                                         : MatchRank::Inside;
    const auto in = [item](const std::vector<uint32_t>& list) {
      return std::find(list.begin(), list.end(), item) != list.end();
    };
    if (in(exact) || in(exact_alias)) rank = MatchRank::Exact;
    const ResultKey key = items_[item];
    const auto r = std::find(recent.begin(), recent.end(), key);
    const uint64_t recent_place = r == recent.end() ? 63 : static_cast<uint64_t>(r - recent.begin());
    // rank, recently used, the better whole match (an exact name of its own
    // before an exact alias; among the others, the text being a whole
    // keyword), how well the words matched, a small letter before its
    // capital, the name's length, the code point.
    const uint64_t capital = std::binary_search(capital_.begin(), capital_.end(), item) ? 1 : 0;
    const uint64_t weaker = rank == MatchRank::Exact ? !in(exact) : !in(exact_keyword);
    const uint64_t order = static_cast<uint64_t>(rank) << 60 | recent_place << 54 | weaker << 53 |
                           static_cast<uint64_t>(sum_[item]) << 47 | capital << 46 |
                           static_cast<uint64_t>(name_words_[item]) << 38 | key;
    scored.push_back({order, {key, rank}});
  }
  const size_t keep = std::min(limit, scored.size());
  std::partial_sort(scored.begin(), scored.begin() + static_cast<std::ptrdiff_t>(keep), scored.end(),
                    [](const Scored& x, const Scored& y) { return x.order < y.order; });
  for (size_t i = 0; i < keep; ++i) out.push_back(scored[i].result);
}

std::vector<SearchResult> CharacterSearch::Search(TextView text, const std::vector<Text>& recent,
                                                  size_t limit) const {
  std::vector<SearchResult> out;
  if (limit == 0) return out;
  std::vector<ResultKey> recent_keys;
  for (const Text& characters : recent) {
    ResultKey key = 0;
    if (KeyOf(characters, key)) recent_keys.push_back(key);
  }
  const TextView trimmed = TrimSpaces(text);
  if (trimmed.empty()) {
    for (ResultKey key : recent_keys)
      if (out.size() < limit) out.push_back({key, MatchRank::TypedCode});
    return out;
  }

  // A code, an entity name or the character itself comes first.
  bool typed = false;
  ResultKey typed_key = 0;
  const long long code = TypedCode(trimmed);
  if (code >= 0) {
    typed = true;
    typed_key = static_cast<ResultKey>(code);
  } else if (trimmed[0] == u'&' && trimmed.size() > 1) {
    TextView name = trimmed.substr(1);
    if (name.back() == u';') name.remove_suffix(1);
    const std::string ascii = TextToUtf8(name);
    const auto it = std::lower_bound(entities_.begin(), entities_.end(),
                                     std::make_pair(ascii, char32_t{0}));
    if (it != entities_.end() && it->first == ascii) {
      typed = true;
      typed_key = it->second;
    }
  } else if (KeyOf(trimmed, typed_key)) {
    // One character (not a plain letter or digit) or one emoji sequence.
    typed = typed_key >= kSequenceKey ||
            (CodePoints(trimmed).size() == 1 &&
             !(typed_key < 0x80 && ((typed_key | 0x20) >= 'a' && (typed_key | 0x20) <= 'z')) &&
             !(typed_key >= '0' && typed_key <= '9'));
  }
  if (typed) out.push_back({typed_key, MatchRank::TypedCode});

  if (!prepared_) return out;
  const std::vector<std::string> words = SplitWords(FoldForSearch(text));
  if (words.empty()) return out;
  const auto joined = [](const std::vector<std::string>& list) {
    std::string phrase;
    for (const std::string& word : list) phrase += (phrase.empty() ? "" : " ") + word;
    return phrase;
  };
  const std::string phrase = joined(words);
  const std::vector<std::string> required = WithoutLittleWords(words, language_);
  const size_t before = out.size();
  RankCandidates(required, phrase, recent_keys, out, limit);
  if (out.size() == before) {
    // Nothing found: the umlauts may have been typed as "ae", "oe", "ue".
    const std::vector<std::string> plain = WithoutUmlautSpelling(required);
    if (plain != required)
      RankCandidates(plain, joined(WithoutUmlautSpelling(words)), recent_keys, out,
                     limit);
  }
  if (out.size() == before) {
    // Still nothing: a word may end otherwise than in the names ("applaudir").
    const std::vector<std::string> shorter = WithShorterEndings(required);
    if (shorter != required) RankCandidates(shorter, phrase, recent_keys, out, limit);
  }
  if (out.size() == before) {
    // A German word joined of two ("Herzaugen").
    const std::vector<std::string> parts = WithWordsSplit(required);
    if (parts != required) RankCandidates(parts, phrase, recent_keys, out, limit);
  }
  if (typed) {
    // The typed character once, first.
    out.erase(std::remove_if(out.begin() + 1, out.end(),
                             [&](const SearchResult& r) { return r.key == typed_key; }),
              out.end());
  }
  if (out.size() > limit) out.resize(limit);
  return out;
}

Text CharacterSearch::Characters(ResultKey key) const {
  std::u32string codes;
  if (key >= kSequenceKey) {
    if (data_) codes = data_->EmojiCodes(key - kSequenceKey);
  } else {
    codes.push_back(key);
  }
  Text out;
  for (char32_t c : codes) {
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string CharacterSearch::Name(ResultKey key) const {
  const auto local = local_names_.find(key);
  if (local != local_names_.end()) return std::string(local->second);
  if (key >= kSequenceKey) return data_ ? std::string(data_->EmojiName(key - kSequenceKey)) : "";
  return names_ ? names_->Name(key) : std::string();
}

Text CharacterSearch::CodeText(ResultKey key) const { return CodeTextOf(Characters(key)); }

Text CodeTextOf(TextView characters) {
  std::string out;
  for (char32_t c : CodePoints(characters)) {
    if (!out.empty()) out.push_back(' ');
    out += "U+";
    AppendHexCode(out, c);
  }
  return AsciiToText(out);
}

}  // namespace gw
