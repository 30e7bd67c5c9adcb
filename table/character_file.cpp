#include "table/character_file.h"

#include <algorithm>
#include <cstdint>

#include "base/platform.h"

namespace gw {

// --- Writing --------------------------------------------------------------------

namespace {

constexpr char kHexLower[] = "0123456789abcdef";

// Escape letter of the controls that have a short escape, or 0.
char ShortEscape(char16_t c) {
  switch (c) {
    case u'\b': return 'b';
    case u'\t': return 't';
    case u'\n': return 'n';
    case u'\f': return 'f';
    case u'\r': return 'r';
    default: return 0;
  }
}

bool IsPairAt(TextView text, size_t k) {
  return IsHighSurrogate(text[k]) && k + 1 < text.size() && IsLowSurrogate(text[k + 1]);
}

// Strings are written in two passes: their exact size first, so the whole
// file is one allocation, then the bytes.
//
// Quotation mark and backslash get a backslash; controls with a short
// escape use it, other units below U+0020 are \u00xx; a surrogate pair is
// one 4-byte UTF-8 sequence; a lone surrogate, which UTF-8 cannot carry, is
// a \uxxxx escape; every other unit is its raw UTF-8 form.
size_t StringSize(TextView text) {
  size_t size = 2;
  for (size_t k = 0; k < text.size(); ++k) {
    const char16_t c = text[k];
    if (c >= 0x20 && c < 0x80) size += (c == u'"' || c == u'\\') ? 2 : 1;
    else if (c < 0x20) size += ShortEscape(c) ? 2 : 6;
    else if (c < 0x800) size += 2;
    else if (IsPairAt(text, k)) size += 4, ++k;
    else if (IsHighSurrogate(c) || IsLowSurrogate(c)) size += 6;
    else size += 3;
  }
  return size;
}

class Writer {
 public:
  explicit Writer(char* start) : d_(start) {}
  char* End() const { return d_; }

  void Put(std::string_view bytes) {
    for (char b : bytes) *d_++ = b;
  }

  void PutString(TextView text) {
    *d_++ = '"';
    for (size_t k = 0; k < text.size(); ++k) {
      const char16_t c = text[k];
      if (c >= 0x20 && c < 0x80) {
        if (c == u'"' || c == u'\\') *d_++ = '\\';
        *d_++ = static_cast<char>(c);
      } else if (c < 0x20) {
        if (const char letter = ShortEscape(c)) {
          *d_++ = '\\';
          *d_++ = letter;
        } else {
          PutUnitEscape(c);
        }
      } else if (c < 0x800) {
        *d_++ = static_cast<char>(0xC0 | (c >> 6));
        *d_++ = static_cast<char>(0x80 | (c & 0x3F));
      } else if (IsPairAt(text, k)) {
        const uint32_t cp = 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[k + 1]) - 0xDC00);
        ++k;
        *d_++ = static_cast<char>(0xF0 | (cp >> 18));
        *d_++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *d_++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *d_++ = static_cast<char>(0x80 | (cp & 0x3F));
      } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
        PutUnitEscape(c);
      } else {
        *d_++ = static_cast<char>(0xE0 | (c >> 12));
        *d_++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *d_++ = static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    *d_++ = '"';
  }

 private:
  void PutUnitEscape(char16_t unit) {
    *d_++ = '\\';
    *d_++ = 'u';
    *d_++ = kHexLower[(unit >> 12) & 0xF];
    *d_++ = kHexLower[(unit >> 8) & 0xF];
    *d_++ = kHexLower[(unit >> 4) & 0xF];
    *d_++ = kHexLower[unit & 0xF];
  }

  char* d_;
};

// The pieces of the layout: the top-level array at indentation 0, its
// elements at 2, the strings of an entry at 4; CR LF line ends.
constexpr std::string_view kFileStart = "[\r\n  ";
constexpr std::string_view kEntryStart = ",\r\n  [";
constexpr std::string_view kValueStart = "\r\n    ";
constexpr std::string_view kValueSeparator = ",";
constexpr std::string_view kEntryEnd = "\r\n  ]";
constexpr std::string_view kFileEnd = "\r\n]";

// Writes the header and one entry array per index in [0, count) except
// `skip`; `column(i, k)` gives text k (0 trigger, 1 code text, 2 comment) of
// entry i.
template <class ColumnOf>
std::string Serialize(int count, int skip, ColumnOf column) {
  const TextView header = kCharacterFileHeader;
  size_t size = kFileStart.size() + StringSize(header) + kFileEnd.size();
  for (int i = 0; i < count; ++i) {
    if (i == skip) continue;
    size += kEntryStart.size() + 3 * kValueStart.size() + 2 * kValueSeparator.size() +
            kEntryEnd.size();
    for (int k = 0; k < 3; ++k) size += StringSize(column(i, k));
  }
  std::string out(size, '\0');
  Writer w(out.data());
  w.Put(kFileStart);
  w.PutString(header);
  for (int i = 0; i < count; ++i) {
    if (i == skip) continue;
    w.Put(kEntryStart);
    for (int k = 0; k < 3; ++k) {
      if (k > 0) w.Put(kValueSeparator);
      w.Put(kValueStart);
      w.PutString(column(i, k));
    }
    w.Put(kEntryEnd);
  }
  w.Put(kFileEnd);
  out.resize(static_cast<size_t>(w.End() - out.data()));  // equal to `size`
  return out;
}

}  // namespace

std::string SerializeCharacterFile(const CharacterTable& table, int skip_row) {
  static constexpr TableColumn kColumns[3] = {TableColumn::Trigger, TableColumn::CodeText,
                                              TableColumn::Comment};
  return Serialize(table.RowCount(), skip_row, [&](int row, int k) {
    return table.ColumnText(row, kColumns[k]);
  });
}

std::string SerializeCharacterEntries(const std::vector<CharacterEntry>& entries) {
  return Serialize(static_cast<int>(entries.size()), -1, [&](int i, int k) -> TextView {
    const CharacterEntry& e = entries[static_cast<size_t>(i)];
    return k == 0 ? e.trigger : k == 1 ? e.code_text : e.comment;
  });
}

bool WriteCharacterFile(const CharacterTable& table, const Text& path, int skip_row) {
  if (path.empty()) return false;
  return WriteWholeFile(path, SerializeCharacterFile(table, skip_row));
}

FileStamp ReadFileStamp(const Text& path) { return FileStampOf(path); }

// --- Reading --------------------------------------------------------------------

namespace {

// A strict JSON reader that fills the records directly (no document tree).
// It walks the UTF-8 bytes: every byte that JSON syntax gives a meaning is
// ASCII, and no byte of a multi-byte UTF-8 sequence is, so the runs of
// string content between quotes, backslashes and control bytes are decoded
// with Utf8ToText exactly as if the whole file had been decoded first
// (invalid sequences become U+FFFD). Outside strings any byte above 0x7F,
// such as a byte-order mark, is a syntax error. Containers inside entries are
// checked for syntax and skipped with an explicit stack, never by recursion.
//
// Where the text breaks, the parser notes the place and what would have fit
// there (only on that path, so reading a good file costs nothing extra).
class Parser {
 public:
  explicit Parser(std::string_view bytes) : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

  // After a failed Parse: the place of the first error, what was expected
  // there (ExpectedToken bits), and whether it was nesting too deep.
  const char* FailedAt() const { return fail_at_ ? fail_at_ : p_; }
  unsigned Expected() const { return expected_; }
  bool TooDeep() const { return too_deep_; }

  // Hands each entry to `deliver` as soon as it is read. The entry's texts
  // are reused for the next one, so `deliver` may move them away.
  template <class Deliver>
  bool Parse(Deliver&& deliver) {
    SkipWhite();
    if (!Take('[')) return Fail(kExpectOpenBracket);  // the top level must be an array
    SkipWhite();
    Text header;
    if (!At('"')) return Fail(kExpectQuote);  // the header, not an empty array
    if (!ParseString(&header)) return false;
    const bool legacy = VersionOf(header) < TextView(kFirstVersionWithTriggers);
    CharacterEntry entry;
    for (;;) {
      SkipWhite();
      if (Take(']')) break;
      if (!Take(',')) return Fail(kExpectComma | kExpectCloseBracket);
      SkipWhite();
      if (!Take('[')) return Fail(kExpectOpenBracket);  // every entry is an array
      entry.trigger.clear();
      entry.code_text.clear();
      entry.comment.clear();
      Text* slots[3];
      if (legacy) {
        slots[0] = &entry.code_text;
        slots[1] = &entry.comment;
        slots[2] = nullptr;
      } else {
        slots[0] = &entry.trigger;
        slots[1] = &entry.code_text;
        slots[2] = &entry.comment;
      }
      if (!ParseEntry(slots)) return false;
      deliver(entry);
    }
    SkipWhite();
    return p_ == end_ || Fail(kExpectEnd);
  }

 private:
  // The second space-separated word of the header: the text between the first
  // and the second space (or the end); empty without a space.
  static TextView VersionOf(TextView header) {
    const size_t first = header.find(u' ');
    if (first == TextView::npos) return {};
    const size_t second = header.find(u' ', first + 1);
    const size_t end = second == TextView::npos ? header.size() : second;
    return header.substr(first + 1, end - first - 1);
  }

  bool At(char c) const { return p_ != end_ && *p_ == c; }
  bool Take(char c) {
    if (!At(c)) return false;
    ++p_;
    return true;
  }
  void SkipWhite() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
  }

  // Notes the first error: here, and what would have fit.
  bool Fail(unsigned expected) {
    if (!fail_at_) {
      fail_at_ = p_;
      expected_ = expected;
    }
    return false;
  }
  bool FailTooDeep() {
    if (!fail_at_) too_deep_ = true;
    return Fail(0);
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }

  static bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

  // The entry array after its "[": values up to "]". String values go into
  // the slots by position (null slot or position >= 3: checked and dropped);
  // other values are checked and read as empty.
  bool ParseEntry(Text* const slots[3]) {
    SkipWhite();
    if (Take(']')) return true;
    for (int index = 0;; ++index) {
      SkipWhite();
      if (At('"')) {
        if (!ParseString(index < 3 ? slots[index] : nullptr)) return false;
      } else if (!SkipValue(2)) {
        return false;
      }
      SkipWhite();
      if (Take(']')) return true;
      if (!Take(',')) return Fail(kExpectComma | kExpectCloseBracket);
    }
  }

  // Appends a run of raw string content, decoded from UTF-8. Well-formed
  // text is decoded here in one pass; a run holding any ill-formed sequence
  // is handed whole to Utf8ToText, which decides how it is replaced.
  static void AppendRun(Text& out, const char* begin, const char* end) {
    const size_t old_size = out.size();
    out.resize(old_size + static_cast<size_t>(end - begin));  // units <= bytes
    char16_t* dest = out.data() + old_size;
    const auto* q = reinterpret_cast<const unsigned char*>(begin);
    const auto* stop = reinterpret_cast<const unsigned char*>(end);
    auto continuation = [&](int k) { return q + k < stop && (q[k] & 0xC0) == 0x80; };
    while (q != stop) {
      const unsigned char b = *q;
      if (b < 0x80) {
        *dest++ = b;
        ++q;
        continue;
      }
      uint32_t cp = 0;
      if (b >= 0xC2 && b <= 0xDF && continuation(1)) {
        cp = (uint32_t(b & 0x1F) << 6) | (q[1] & 0x3F);
        q += 2;
      } else if (b >= 0xE0 && b <= 0xEF && continuation(1) && continuation(2)) {
        cp = (uint32_t(b & 0x0F) << 12) | (uint32_t(q[1] & 0x3F) << 6) | (q[2] & 0x3F);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) break;
        q += 3;
      } else if (b >= 0xF0 && b <= 0xF4 && continuation(1) && continuation(2) && continuation(3)) {
        cp = (uint32_t(b & 0x07) << 18) | (uint32_t(q[1] & 0x3F) << 12) |
             (uint32_t(q[2] & 0x3F) << 6) | (q[3] & 0x3F);
        if (cp < 0x10000 || cp > 0x10FFFF) break;
        q += 4;
        cp -= 0x10000;
        *dest++ = static_cast<char16_t>(0xD800 + (cp >> 10));
        *dest++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        continue;
      } else {
        break;
      }
      *dest++ = static_cast<char16_t>(cp);
    }
    if (q != stop) {
      out.resize(old_size);
      out += Utf8ToText(std::string_view(begin, static_cast<size_t>(end - begin)));
      return;
    }
    out.resize(static_cast<size_t>(dest - out.data()));
  }

  // A string starting at its opening quote; its text goes to `out` when given.
  bool ParseString(Text* out) {
    ++p_;  // opening quote
    for (;;) {
      const char* run = p_;
      while (p_ != end_ && *p_ != '"' && *p_ != '\\' && !IsControl(*p_)) ++p_;
      if (out && p_ != run) AppendRun(*out, run, p_);
      if (p_ == end_ || IsControl(*p_)) return Fail(kExpectQuote);  // unterminated, or a raw control unit
      if (*p_ == '"') {
        ++p_;
        return true;
      }
      ++p_;  // backslash
      if (p_ == end_) return Fail(kExpectEscape);
      char16_t unit;
      switch (*p_) {
        case '"': unit = u'"'; break;
        case '\\': unit = u'\\'; break;
        case '/': unit = u'/'; break;
        case 'b': unit = u'\b'; break;
        case 'f': unit = u'\f'; break;
        case 'n': unit = u'\n'; break;
        case 'r': unit = u'\r'; break;
        case 't': unit = u'\t'; break;
        case 'u': {
          uint32_t value = 0;
          for (int k = 1; k <= 4; ++k) {
            const int digit = p_ + k < end_ ? HexDigit(p_[k]) : -1;
            if (digit < 0) {
              p_ += k;
              return Fail(kExpectHexDigit);
            }
            value = value * 16 + static_cast<uint32_t>(digit);
          }
          p_ += 4;
          unit = static_cast<char16_t>(value);  // lone surrogates kept as they are
          break;
        }
        default:
          return Fail(kExpectEscape);
      }
      ++p_;
      if (out) out->push_back(unit);
    }
  }

  bool SkipDigits() {
    const char* start = p_;
    while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
    return p_ != start;
  }

  bool SkipNumber() {
    Take('-');
    if (Take('0')) {
      // no further integer digits after a leading zero
    } else if (p_ != end_ && *p_ >= '1' && *p_ <= '9') {
      SkipDigits();
    } else {
      return Fail(kExpectDigit);
    }
    if (Take('.') && !SkipDigits()) return Fail(kExpectDigit);
    if (At('e') || At('E')) {
      ++p_;
      if (!Take('+')) Take('-');
      if (!SkipDigits()) return Fail(kExpectDigit);
    }
    return true;
  }

  bool SkipWord(std::string_view word) {
    if (static_cast<size_t>(end_ - p_) < word.size()) return false;
    if (std::string_view(p_, word.size()) != word) return false;
    p_ += word.size();
    return true;
  }

  // An object key and its colon, starting at the key's quote; `or_close`
  // when the object may end here instead (right after its "{").
  bool SkipKey(bool or_close) {
    if (!At('"')) return Fail(or_close ? kExpectQuote | kExpectCloseBrace : kExpectQuote);
    if (!ParseString(nullptr)) return false;
    SkipWhite();
    return Take(':') || Fail(kExpectColon);
  }

  // Checks and skips one value of any kind, standing inside `depth` open
  // arrays. Nested containers are tracked on a fixed stack ('[' or '{');
  // one that would be nested deeper than kMaxNestingDepth is a failure.
  bool SkipValue(int depth) {
    char open[kMaxNestingDepth];
    int top = 0;
    for (;;) {
      // A value.
      SkipWhite();
      if (p_ == end_) return Fail(kExpectValue);
      const char c = *p_;
      bool closed_at_once = false;
      if (c == '[' || c == '{') {
        if (depth + top + 1 > kMaxNestingDepth) return FailTooDeep();
        ++p_;
        open[top++] = c;
        SkipWhite();
        if (Take(c == '[' ? ']' : '}')) {
          --top;
          closed_at_once = true;
        } else if (c == '{') {
          if (!SkipKey(true)) return false;
          continue;  // the member's value
        } else {
          continue;  // the first element
        }
      }
      if (!closed_at_once) {
        bool ok;
        if (c == '"') ok = ParseString(nullptr);
        else if (c == '-' || (c >= '0' && c <= '9')) ok = SkipNumber();
        else if (c == 't') ok = SkipWord("true");
        else if (c == 'f') ok = SkipWord("false");
        else if (c == 'n') ok = SkipWord("null");
        else ok = false;
        if (!ok) return Fail(kExpectValue);  // a misspelt word fails at its start
      }
      // After a value: close containers or go on to the next element.
      for (;;) {
        if (top == 0) return true;
        SkipWhite();
        const char kind = open[top - 1];
        if (Take(kind == '[' ? ']' : '}')) {
          --top;
          continue;
        }
        if (!Take(','))
          return Fail(kExpectComma | (kind == '[' ? kExpectCloseBracket : kExpectCloseBrace));
        if (kind == '{') {
          SkipWhite();
          if (!SkipKey(false)) return false;
        }
        break;
      }
    }
  }

  const char* p_;
  const char* end_;
  const char* fail_at_ = nullptr;
  unsigned expected_ = 0;
  bool too_deep_ = false;
};

// How many entries to make room for before parsing. Every entry opens with a
// bracket, so their count is an upper bound unless texts hold brackets too;
// no entry takes fewer than 16 bytes in a file written by this program; and
// beyond kMaxEntryRoom the array grows as usual, so that a file of brackets
// (up to 2 GB of them) cannot ask for gigabytes before it fails to parse.
// Making room once matters: growing a large array step by step costs a fresh
// block of the heap at each step, which is slow under Windows' heap.
constexpr size_t kMaxEntryRoom = size_t{1} << 16;

size_t EntryRoomFor(std::string_view bytes) {
  const auto brackets = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '['));
  return std::min({brackets, bytes.size() / 16, kMaxEntryRoom});
}

// Gives back the room that a guess far above the real count took.
template <class Vector>
void TrimRoom(Vector& v) {
  if (v.capacity() > 2 * v.size() + 64) v.shrink_to_fit();
}

// The line and column (both 1-based) of byte `offset`: lines end at LF, or at
// a CR not followed by LF; columns count characters, that is every byte but
// the continuation bytes of UTF-8 sequences.
void PlaceOf(std::string_view bytes, size_t offset, int& line, int& column) {
  line = 1;
  column = 1;
  for (size_t k = 0; k < offset && k < bytes.size(); ++k) {
    const auto b = static_cast<unsigned char>(bytes[k]);
    if (b == '\n' || (b == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n'))) {
      ++line;
      column = 1;
    } else if (b != '\r' && (b & 0xC0) != 0x80) {
      ++column;
    }
  }
}

// Why `bytes` did not parse, given the parser that stopped on them.
ReadProblem ProblemOf(std::string_view bytes, const Parser& parser) {
  ReadProblem problem;
  if (bytes.empty()) {
    problem.failure = ReadFailure::Empty;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    problem.failure = ReadFailure::ByteOrderMark;
  } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF" ||
             bytes.find('\0') != std::string_view::npos) {
    // UTF-16 begins with its byte-order mark, or has a NUL byte beside every
    // ASCII character; no JSON text holds a raw NUL byte.
    problem.failure = ReadFailure::NotUtf8;
  } else {
    problem.failure = parser.TooDeep() ? ReadFailure::TooDeep : ReadFailure::Syntax;
    problem.expected = parser.Expected();
    PlaceOf(bytes, static_cast<size_t>(parser.FailedAt() - bytes.data()), problem.line,
            problem.column);
  }
  return problem;
}

// ParseCharacterFile, saying why it failed.
bool ParseRecords(std::string_view bytes, std::vector<CharacterEntry>& records,
                  ReadProblem* problem) {
  records.clear();
  records.reserve(EntryRoomFor(bytes));
  Parser parser(bytes);
  if (!parser.Parse([&](CharacterEntry& entry) { records.push_back(std::move(entry)); })) {
    records.clear();
    records.shrink_to_fit();
    if (problem) *problem = ProblemOf(bytes, parser);
    return false;
  }
  TrimRoom(records);
  return true;
}

// Reads the file's bytes; on failure says why (the file is missing, cannot
// be opened or read through, or is empty).
bool ReadFileBytes(const Text& path, std::string& bytes, ReadProblem* problem) {
  const ReadResult read = ReadWholeFile(path, bytes);
  if (read == ReadResult::Ok && !bytes.empty()) return true;
  if (problem) {
    if (read == ReadResult::Ok) problem->failure = ReadFailure::Empty;
    else problem->failure = PathExists(path) ? ReadFailure::CannotOpen : ReadFailure::NotFound;
  }
  return false;
}

}  // namespace

bool ParseCharacterFile(std::string_view bytes, std::vector<CharacterEntry>& records) {
  return ParseRecords(bytes, records, nullptr);
}

ReadProblem DiagnoseCharacterFile(std::string_view bytes) {
  std::vector<CharacterEntry> records;
  ReadProblem problem;
  ParseRecords(bytes, records, &problem);
  return problem;
}

bool ReadCharacterFile(const Text& path, std::vector<CharacterEntry>& records,
                       ReadProblem* problem) {
  records.clear();
  std::string bytes;
  if (!ReadFileBytes(path, bytes, problem)) return false;
  return ParseRecords(bytes, records, problem);
}

bool ReadCharacterRows(const Text& path, CharacterTable& table, ReadProblem* problem) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes, problem)) return false;
  // Built aside and put in place only when the whole file has been read, so
  // that a failure leaves the rows as they were.
  CharacterTable fresh;
  fresh.ReserveRows(EntryRoomFor(bytes));
  Parser parser(bytes);
  if (!parser.Parse([&](const CharacterEntry& entry) { fresh.AppendRow(entry); })) {
    if (problem) *problem = ProblemOf(bytes, parser);
    return false;
  }
  fresh.TrimRows();
  fresh.SelectRow(0);
  table = std::move(fresh);
  return true;
}

}  // namespace gw
