// The character file Characters.json: its exact text, writing and reading,
// the start-up load (character file, legacy list file or default table) and
// the rule for reading it again when another program changed it. Portable
// decisions only: the Win32 shell shows the messages and acts on the results.
//
// The file is a JSON array: the header string "Glyphwell 1.11", then one
// array of three strings (trigger, code text, comment) per row. It is written
// as UTF-8 without byte-order mark, CR LF line ends, two spaces of
// indentation per level and no line end after the final "]".
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "table/character_table.h"

namespace gw {

// Header written as element 0 of every file: program name, space, version.
inline constexpr char16_t kCharacterFileHeader[] = u"Glyphwell 1.11";
// Files whose version (second word of the header) is less than this, by
// plain unit-by-unit comparison, hold entries of two strings: code text,
// comment.
inline constexpr char16_t kFirstVersionWithTriggers[] = u"1.10";
// Arrays and objects nested deeper than this (the top-level array counting
// as 1) make a file unreadable, so that no input can exhaust the stack.
inline constexpr int kMaxNestingDepth = 64;

// Remembered last-write time of the character file: whole seconds since
// 1970-01-01 00:00 local time, 0 for a file that cannot be found.
using FileStamp = long long;
FileStamp ReadFileStamp(const Text& path);

// The exact bytes of the file for the table's rows (trigger, code text,
// comment), leaving out `skip_row` (-1 for none).
// String escapes: \" \\ \b \t \n \f \r, other units below U+0020 as \u00xx
// (lower-case hex), everything else raw UTF-8 (a surrogate pair as one 4-byte
// sequence). A lone surrogate has no UTF-8 form; it is written as a \uxxxx
// escape (lower-case hex) so that it reads back exactly.
std::string SerializeCharacterFile(const CharacterTable& table, int skip_row = -1);
// The same for a list of records.
std::string SerializeCharacterEntries(const std::vector<CharacterEntry>& entries);

// Writes the file through the atomic WriteWholeFile: the target is either the
// old file or the new one, whole. False on any failure (empty path, read-only
// target, short write).
bool WriteCharacterFile(const CharacterTable& table, const Text& path, int skip_row);

// --- Why a file did not read ---------------------------------------------------------

enum class ReadFailure {
  None,
  NotFound,       // there is no file of that name
  CannotOpen,     // it cannot be opened or read through (held by another program, a folder)
  Empty,          // it holds no byte
  ByteOrderMark,  // it begins with the UTF-8 byte-order mark
  NotUtf8,        // it is text of another encoding (UTF-16: NUL bytes or its byte-order mark)
  Syntax,         // the JSON breaks at `line`, `column`; `expected` says what would fit there
  TooDeep,        // brackets nested deeper than kMaxNestingDepth, the first at `line`, `column`
};

// What the reader expected where the text broke: a set of these bits.
enum ExpectedToken : unsigned {
  kExpectOpenBracket = 1u << 0,   // '['
  kExpectCloseBracket = 1u << 1,  // ']'
  kExpectComma = 1u << 2,         // ','
  kExpectColon = 1u << 3,         // ':'
  kExpectQuote = 1u << 4,         // '"'
  kExpectCloseBrace = 1u << 5,    // '}'
  kExpectEscape = 1u << 6,        // one of the escape letters after a backslash
  kExpectValue = 1u << 7,         // a string, number, literal, array or object
  kExpectDigit = 1u << 8,         // a decimal digit of a number
  kExpectHexDigit = 1u << 9,      // a hexadecimal digit of a \u escape
  kExpectEnd = 1u << 10,          // nothing but white space after the table
};

struct ReadProblem {
  ReadFailure failure = ReadFailure::None;
  // 1-based; the column counts characters (UTF-8 sequences), a tab as one.
  // Set for Syntax and TooDeep only.
  int line = 0;
  int column = 0;
  unsigned expected = 0;  // ExpectedToken bits, for Syntax
};

// Why `bytes` did not parse, for bytes that ParseCharacterFile refused: a
// byte-order mark or another encoding is named as such; otherwise the place
// of the first error and what was expected there.
ReadProblem DiagnoseCharacterFile(std::string_view bytes);

// Parses the bytes of a character file into `records` (emptied first; left
// empty on failure). The bytes are decoded from UTF-8 (a byte-order mark is
// not white space, so a file starting with one fails) and must hold exactly
// one JSON value, then only white space (space, tab, CR, LF). Strict JSON:
// escapes \" \/ \\ \b \f \n \r \t \uXXXX only; raw control units in strings,
// trailing commas and every other syntax error fail.
//
// Shape rule (a file that reads as failure is never replaced at start-up,
// so nothing well-formed but unexpected gets overwritten by a default):
// - the value must be an array with at least one element, element 0 a
//   string (the header), and every further element an array; anything else
//   is a failure;
// - inside an entry, a value that is not a string reads as empty text, a
//   missing value (an entry shorter than its format) reads as empty text, and
//   values beyond those of the format are ignored (but must be well-formed).
// Nesting deeper than kMaxNestingDepth fails; the parser never recurses.
bool ParseCharacterFile(std::string_view bytes, std::vector<CharacterEntry>& records);

// Reads and parses the whole file. False when it cannot be opened or read,
// is empty, or does not parse; then `problem`, when given, says why.
bool ReadCharacterFile(const Text& path, std::vector<CharacterEntry>& records,
                       ReadProblem* problem = nullptr);

// Reads the file as ReadCharacterFile does and builds the table's rows from
// its entries as BuildRowsFromRecords does (row 0 current), without keeping
// the records in between. On failure the table is left as it was and
// `problem`, when given, says why.
bool ReadCharacterRows(const Text& path, CharacterTable& table, ReadProblem* problem = nullptr);

// --- Start-up load ------------------------------------------------------------------

enum class LoadStatus {
  // The character file was read into the records.
  Read,
  // There is no character file and no legacy list file: the records hold the
  // default table. The caller builds the rows and writes the character file;
  // if that write fails it reports "ErrWrite" and ends.
  NotRead,
  // As NotRead, but the records came from the legacy list file. The caller
  // deletes LegacyListPath(path) only after that first write succeeded, so
  // a failed write loses nothing.
  ImportedLegacy,
  // The legacy list file has no group or a key that is not valid code text:
  // the caller reports "ErrRead" with the character-file path and
  // "Terminate", opens Explorer on the character file and ends.
  ReadError,
  // The character file exists but cannot be read or parsed (locked, saved
  // with a byte-order mark, not well-formed, of another shape). The caller
  // must not write it: it reports "ErrRead" with the path and "Terminate" and
  // ends, so the user's file is never replaced by a default or a migration.
  Unreadable,
};

struct LoadResult {
  LoadStatus status = LoadStatus::NotRead;
  ReadProblem problem;  // why the character file did not read (Unreadable)
};

// The legacy list file: the character file's folder and base name with the
// extension ".lst" (Characters.json -> Characters.lst).
Text LegacyListPath(const Text& character_path);

// Fills `records` from the character file, else from the legacy list file
// (first group: key name = code text, value = comment, no trigger; keys
// before the first group are ignored), else with the default table. Never
// writes or deletes a file. On ReadError and Unreadable the records are empty.
LoadResult LoadCharacterTable(const Text& path, std::vector<CharacterEntry>& records);

// --- Reread -------------------------------------------------------------------------

enum class RereadAction {
  Unchanged,  // same stamp: show "StatusInfo"
  Reread,     // changed and read: rebuild the rows from the records (row 0
              // current), show "StatusReread"
  Failed,     // changed but not readable: rows stay, report "ErrRead" + path
};

struct RereadDecision {
  RereadAction action = RereadAction::Unchanged;
  // Stored in every case, so a failed reread is reported once, not at every
  // activation.
  FileStamp stamp = 0;
  ReadProblem problem;  // why the file did not read (Failed)
};

// The reread rule: equal stamps mean no change; otherwise the outcome of the
// read (consulted only when the stamps differ) decides.
RereadDecision DecideReread(FileStamp stored, FileStamp current, bool read_succeeded);

// Takes the file's current stamp and, only when it differs from `stored`,
// rebuilds the table's rows from the file (ReadCharacterRows: a table that
// cannot be read stays as it was); returns the decision the shell applies.
RereadDecision CheckCharacterFile(const Text& path, FileStamp stored, CharacterTable& table);

}  // namespace gw
