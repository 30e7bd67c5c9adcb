// The character file: exact text, strict reading, start-up load and reread.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "base/platform.h"
#include "table/character_file.h"
#include "table/default_table.h"
#include "table/read_problem.h"
#include "table/unreadable_file.h"

namespace gw {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
// Paths are handed out as program text (Windows paths on Windows).
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
      fs::path candidate = fs::temp_directory_path() /
                           ("gw-table-" + std::to_string(now % 1000000007) + "-" +
                            std::to_string(++counter));
      std::error_code error;
      if (fs::create_directory(candidate, error)) path_ = candidate;
    }
    if (path_.empty()) ADD_FAILURE() << "cannot create a temporary folder";
  }
  ~TempFolder() {
    std::error_code error;
    for (const auto& item : fs::recursive_directory_iterator(path_, error))
      fs::permissions(item.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
  }
  Text File(const char* name) const { return (path_ / name).u16string(); }
  fs::path NativePath(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

std::string ReadBytes(const Text& path) {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path, bytes), ReadResult::Ok);
  return bytes;
}

void WriteBytes(const Text& path, std::string_view bytes) {
  ASSERT_TRUE(WriteWholeFile(path, bytes));
}

CharacterTable TableOf(const std::vector<CharacterEntry>& records) {
  CharacterTable table;
  table.BuildRowsFromRecords(records);
  return table;
}

std::vector<CharacterEntry> Parsed(std::string_view bytes) {
  std::vector<CharacterEntry> records;
  EXPECT_TRUE(ParseCharacterFile(bytes, records)) << bytes;
  return records;
}

bool Parses(std::string_view bytes) {
  std::vector<CharacterEntry> records{{u"stale", u"", u""}};
  const bool ok = ParseCharacterFile(bytes, records);
  if (!ok) {
    EXPECT_TRUE(records.empty());
  }
  return ok;
}

const char kDefaultFile[] =
    "[\r\n"
    "  \"Glyphwell 1.11\",\r\n"
    "  [\r\n    \"\",\r\n    \"\\\\u201E\\\\u201C\",\r\n    \"quotation marks (de)\"\r\n  ],\r\n"
    "  [\r\n    \"\",\r\n    \"\\\\u00BB\\\\u00AB\",\r\n    \"guillemets (de)\"\r\n  ],\r\n"
    "  [\r\n    \"\",\r\n    \"\\\\u201C\\\\u201D\",\r\n    \"quotation marks (en, es)\"\r\n  ],\r\n"
    "  [\r\n    \"\",\r\n    \"\\\\u00AB\\\\u00BB\",\r\n    \"guillemets (fr)\"\r\n  ],\r\n"
    "  [\r\n    \"-\",\r\n    \"\\\\u2013\",\r\n    \"en dash\"\r\n  ],\r\n"
    "  [\r\n    \"%\",\r\n    \"\\\\u2030\",\r\n    \"per thousand\"\r\n  ]\r\n"
    "]";

// --- Writing --------------------------------------------------------------------

TEST(TableCharacterFile, DefaultTableIsWrittenExactly) {
  EXPECT_EQ(SerializeCharacterFile(TableOf(DefaultCharacterEntries())), kDefaultFile);
  EXPECT_EQ(SerializeCharacterEntries(DefaultCharacterEntries()), kDefaultFile);
}

TEST(TableCharacterFile, EmptyTableIsTheHeaderAlone) {
  const std::string bytes = SerializeCharacterFile(CharacterTable());
  EXPECT_EQ(bytes, "[\r\n  \"Glyphwell 1.11\"\r\n]");
  EXPECT_TRUE(Parsed(bytes).empty());
}

TEST(TableCharacterFile, SkippedRowIsLeftOut) {
  const CharacterTable table = TableOf(DefaultCharacterEntries());
  auto expected = DefaultCharacterEntries();
  expected.erase(expected.begin() + 4);
  EXPECT_EQ(SerializeCharacterFile(table, 4), SerializeCharacterEntries(expected));
  EXPECT_EQ(SerializeCharacterFile(table, 0).find("quotation marks (de)"), std::string::npos);
  // Deleting the only row writes the header alone.
  EXPECT_EQ(SerializeCharacterFile(TableOf({{u"x", u"\\u78", u""}}), 0),
            "[\r\n  \"Glyphwell 1.11\"\r\n]");
}

TEST(TableCharacterFile, StringEscapes) {
  const CharacterEntry entry{u"\"", u"\\u0022", u"say \"é\" \\ a/b\x7F"};
  const std::string bytes = SerializeCharacterEntries({entry});
  EXPECT_NE(bytes.find("    \"\\\"\",\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("    \"\\\\u0022\",\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("    \"say \\\"\xC3\xA9\\\" \\\\ a/b\x7F\"\r\n"), std::string::npos);

  const Text controls = u"\b\t\n\f\r" + Text{char16_t(0), char16_t(1), char16_t(0x1F)};
  EXPECT_NE(SerializeCharacterEntries({{u"", u"", controls}})
                .find("\"\\b\\t\\n\\f\\r\\u0000\\u0001\\u001f\""),
            std::string::npos);

  // A pair is one 4-byte sequence; lone surrogates become escapes.
  EXPECT_NE(SerializeCharacterEntries({{u"", u"", u"\U0001F600"}}).find("\"\xF0\x9F\x98\x80\""),
            std::string::npos);
  const Text lone{char16_t(0xD83D), u'x', char16_t(0xDE00), char16_t(0xDBFF)};
  EXPECT_NE(SerializeCharacterEntries({{u"", u"", lone}}).find("\"\\ud83dx\\ude00\\udbff\""),
            std::string::npos);
}

TEST(TableCharacterFile, RoundTripsEveryText) {
  const std::vector<CharacterEntry> entries = {
      {u"\"", u"\\u0022", u"quote \" backslash \\ e-acute é"},
      {u"", u"", u""},
      {u"\\", u"\\u1F600\\u110000", u"\U0001F600 and a solidus /"},
      {u"\t", u"\\u0009", u"controls \b\t\n\f\r" + Text{char16_t(0), char16_t(0x1B)}},
      {Text{char16_t(0xD800)}, u"\\uD800", Text{char16_t(0xDFFF), char16_t(0xD800), u'a'}},
      {u"ab", u"junk before \\u41", u"a trigger of two units survives too"},
  };
  EXPECT_EQ(Parsed(SerializeCharacterEntries(entries)), entries);
  // And through the table, whose derived column is not written.
  const CharacterTable table = TableOf(entries);
  EXPECT_EQ(Parsed(SerializeCharacterFile(table)), entries);
}

TEST(TableCharacterFile, RandomTextsRoundTripExactly) {
  // Units of every kind the writer treats differently, in random order, so
  // lone and paired surrogates, escapes and 1- to 4-byte forms mix.
  std::mt19937 random(2024);
  const char16_t kinds[][2] = {{0x20, 0x7F},     {0x00, 0x1F},     {u'"', u'"'},
                               {u'\\', u'\\'},   {0x80, 0x7FF},    {0x800, 0xD7FF},
                               {0xD800, 0xDBFF}, {0xDC00, 0xDFFF}, {0xE000, 0xFFFF}};
  for (int round = 0; round < 200; ++round) {
    std::vector<CharacterEntry> entries(1 + random() % 4);
    for (CharacterEntry& entry : entries) {
      for (Text* text : {&entry.trigger, &entry.code_text, &entry.comment}) {
        const int length = static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
          const auto& kind = kinds[random() % 9];
          text->push_back(static_cast<char16_t>(kind[0] + random() % (kind[1] - kind[0] + 1)));
        }
      }
    }
    const std::string bytes = SerializeCharacterEntries(entries);
    ASSERT_EQ(Parsed(bytes), entries) << "round " << round;
  }
}

TEST(TableCharacterFile, WriteFailures) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const CharacterTable table = TableOf(DefaultCharacterEntries());
  EXPECT_FALSE(WriteCharacterFile(table, u"", -1));

  WriteBytes(path, "old contents");
  fs::permissions(folder.NativePath("Characters.json"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(WriteCharacterFile(table, path, -1));
  EXPECT_EQ(ReadBytes(path), "old contents");

  EXPECT_FALSE(WriteCharacterFile(table, folder.File("no such folder/Characters.json"), -1));
}

// --- Reading --------------------------------------------------------------------

TEST(TableCharacterFile, ReadFailures) {
  TempFolder folder;
  std::vector<CharacterEntry> records{{u"stale", u"", u""}};
  EXPECT_FALSE(ReadCharacterFile(folder.File("missing.json"), records));
  EXPECT_TRUE(records.empty());
  const Text empty = folder.File("empty.json");
  WriteBytes(empty, "");
  EXPECT_FALSE(ReadCharacterFile(empty, records));
}

TEST(TableCharacterFile, LegacyVersionHasNoTriggers) {
  const auto records = Parsed(
      "[\"Glyphwell 1.09\", [\"\\\\u00AB\", \"left\"], [\"\\\\u00BB\", \"right\", \"extra\"]]");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (CharacterEntry{u"", u"\\u00AB", u"left"}));
  EXPECT_EQ(records[1], (CharacterEntry{u"", u"\\u00BB", u"right"}));
  // The next write uses three strings and the current header.
  const std::string rewritten = SerializeCharacterEntries(records);
  EXPECT_EQ(rewritten.rfind("[\r\n  \"Glyphwell 1.11\",\r\n  [\r\n    \"\",\r\n", 0), 0u);
  EXPECT_EQ(Parsed(rewritten), records);
}

TEST(TableCharacterFile, VersionComparesUnitByUnit) {
  auto trigger_of = [](const char* header) {
    const auto records =
        Parsed(std::string("[\"") + header + "\", [\"t\", \"\\\\u41\", \"c\"]]");
    return records.empty() ? Text(u"?") : records[0].trigger;
  };
  EXPECT_EQ(trigger_of("Glyphwell 1.11"), u"t");
  EXPECT_EQ(trigger_of("Glyphwell 1.10"), u"t");
  EXPECT_EQ(trigger_of("Glyphwell 1.9"), u"t");   // "1.9" is not less than "1.10"
  EXPECT_EQ(trigger_of("Glyphwell 2.0"), u"t");
  EXPECT_EQ(trigger_of("Glyphwell 1.09"), u"");
  EXPECT_EQ(trigger_of("Glyphwell 1.0"), u"");
  EXPECT_EQ(trigger_of("Glyphwell 1.09 beta"), u"");  // second word only
  EXPECT_EQ(trigger_of("Other 1.11 x"), u"t");        // the name is not checked
  EXPECT_EQ(trigger_of("Glyphwell"), u"");            // no space: empty version
  EXPECT_EQ(trigger_of("Glyphwell  1.11"), u"");      // empty second word
}

TEST(TableCharacterFile, ValuesThatAreNotStringsReadAsEmpty) {
  const auto records = Parsed(
      "[\"Glyphwell 1.11\","
      " [5, \"\\\\u2013\", \"number trigger\"],"
      " [\"a\", null, true],"
      " [{\"k\": [1, {\"x\": false}]}, [\"nested\"], -1.5e+3, \"ignored\", {}],"
      " [\"b\"],"
      " []]");
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0], (CharacterEntry{u"", u"\\u2013", u"number trigger"}));
  EXPECT_EQ(records[1], (CharacterEntry{u"a", u"", u""}));
  EXPECT_EQ(records[2], (CharacterEntry{u"", u"", u""}));
  EXPECT_EQ(records[3], (CharacterEntry{u"b", u"", u""}));  // missing values: empty
  EXPECT_EQ(records[4], (CharacterEntry{u"", u"", u""}));
}

TEST(TableCharacterFile, DuplicateTriggersBothAppearLaterWins) {
  const auto records = Parsed(
      "[\"Glyphwell 1.11\", [\"x\", \"\\\\u41\", \"one\"], [\"x\", \"\\\\u42\", \"two\"]]");
  ASSERT_EQ(records.size(), 2u);
  CharacterTable table;
  table.BuildRowsFromRecords(records);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.FindTrigger(u"x"), 1);
}

TEST(TableCharacterFile, StringEscapesAndEncodingAreRead) {
  const auto records = Parsed(
      "[\"Glyphwell 1.11\", [\"\\/\", \"\\u005c\\u005Cu41\", "
      "\"\\\"\\\\\\b\\f\\n\\r\\t\\u00e9\\uD83D\\uDE00\\ud800 \xC3\xA9\xF0\x9F\x98\x80\xFF\"]]");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].trigger, u"/");
  EXPECT_EQ(records[0].code_text, u"\\\\u41");
  EXPECT_EQ(records[0].comment,
            u"\"\\\b\f\n\r\té\U0001F600" + Text{char16_t(0xD800)} + u" é\U0001F600\uFFFD");
}

TEST(TableCharacterFile, WhiteSpace) {
  EXPECT_TRUE(Parses(" \t\r\n[ \"Glyphwell 1.11\" \r\n, [ \"a\" , \"b\" ] ]\r\n\t "));
  EXPECT_FALSE(Parses("\v[\"Glyphwell 1.11\"]"));
  EXPECT_FALSE(Parses("[\"Glyphwell 1.11\"]\f"));
  EXPECT_FALSE(Parses("\xC2\xA0[\"Glyphwell 1.11\"]"));  // no-break space
  EXPECT_FALSE(Parses("\xEF\xBB\xBF[\"Glyphwell 1.11\"]"));  // byte-order mark
}

TEST(TableCharacterFile, SyntaxErrorsFail) {
  const char* const bad[] = {
      "",
      "[",
      "[\"Glyphwell 1.11\"",
      "[\"Glyphwell 1.11\",]",
      "[\"Glyphwell 1.11\", [\"a\", \"b\", \"c\",]]",
      "[\"Glyphwell 1.11\", [\"a\" \"b\"]]",
      "[\"Glyphwell 1.11\"] x",
      "[\"Glyphwell 1.11\"] []",
      "[\"Glyphwell 1.11\", [\"\\x\"]]",
      "[\"Glyphwell 1.11\", [\"\\u12G4\"]]",
      "[\"Glyphwell 1.11\", [\"\\u12\"]]",
      "[\"Glyphwell 1.11\", [\"\\U0041\"]]",
      "[\"Glyphwell 1.11\", [\"\\'\"]]",
      "[\"Glyphwell 1.11\", [\"raw\ttab\"]]",
      "[\"Glyphwell 1.11\", [\"raw\nline\"]]",
      "[\"Glyphwell 1.11\", ['single']]",
      "[\"Glyphwell 1.11\", [\"unterminated]]",
      "[\"Glyphwell 1.11\", [01]]",
      "[\"Glyphwell 1.11\", [1.]]",
      "[\"Glyphwell 1.11\", [.5]]",
      "[\"Glyphwell 1.11\", [-]]",
      "[\"Glyphwell 1.11\", [1e]]",
      "[\"Glyphwell 1.11\", [+1]]",
      "[\"Glyphwell 1.11\", [tru]]",
      "[\"Glyphwell 1.11\", [True]]",
      "[\"Glyphwell 1.11\", [nul]]",
      "[\"Glyphwell 1.11\", [{\"a\" 1}]]",
      "[\"Glyphwell 1.11\", [{\"a\": 1,}]]",
      "[\"Glyphwell 1.11\", [{1: 1}]]",
      "[\"Glyphwell 1.11\", [{\"a\": 1]]]",
      "[\"Glyphwell 1.11\", [[1, 2}]]",
      "[\"Glyphwell 1.11\", [[1, 2,]]]",
      "[\"Glyphwell 1.11\", [,]]",
  };
  for (const char* bytes : bad) EXPECT_FALSE(Parses(bytes)) << bytes;
  // Numbers and literals that are fine where a value may stand.
  EXPECT_TRUE(Parses("[\"Glyphwell 1.11\", [-0, 0.5, 10E-2, 1e+9, true, false, null]]"));
}

TEST(TableCharacterFile, EveryTruncationFails) {
  const std::string whole = kDefaultFile;
  for (size_t length = 0; length < whole.size(); ++length)
    ASSERT_FALSE(Parses(whole.substr(0, length))) << "length " << length;
  EXPECT_TRUE(Parses(whole));
}

TEST(TableCharacterFile, OtherShapesFail) {
  EXPECT_FALSE(Parses("{\"Glyphwell 1.11\": []}"));
  EXPECT_FALSE(Parses("\"Glyphwell 1.11\""));
  EXPECT_FALSE(Parses("[]"));
  EXPECT_FALSE(Parses("[5, [\"a\", \"b\", \"c\"]]"));           // header not a string
  EXPECT_FALSE(Parses("[[\"a\", \"b\", \"c\"]]"));               // no header
  EXPECT_FALSE(Parses("[\"Glyphwell 1.11\", \"a\"]"));           // entry not an array
  EXPECT_FALSE(Parses("[\"Glyphwell 1.11\", {\"a\": \"b\"}]"));  // entry an object
  EXPECT_FALSE(Parses("[\"Glyphwell 1.11\", null]"));
}

TEST(TableCharacterFile, NestingDepthIsBounded) {
  auto nested = [](int levels) {
    // The top-level array and the entry are levels 1 and 2.
    std::string inner = std::string(levels - 2, '[') + std::string(levels - 2, ']');
    return "[\"Glyphwell 1.11\", [" + inner + "]]";
  };
  EXPECT_TRUE(Parses(nested(kMaxNestingDepth)));
  EXPECT_FALSE(Parses(nested(kMaxNestingDepth + 1)));
  EXPECT_FALSE(Parses(nested(200000)));
  // Objects count as levels as well; unclosed depth fails without recursion.
  std::string objects = "[\"Glyphwell 1.11\", [";
  for (int k = 0; k < 100000; ++k) objects += "{\"a\":";
  EXPECT_FALSE(Parses(objects));
  EXPECT_FALSE(Parses(std::string(1000000, '[')));
}

// --- Why a file did not read ----------------------------------------------------------

// The reason as the English user reads it, for bytes that do not parse.
Text ReasonFor(std::string_view bytes) {
  LanguageTable english;
  LoadBuiltInTable(english);
  EXPECT_FALSE(Parses(bytes)) << bytes;
  return ReadProblemText(english, DiagnoseCharacterFile(bytes));
}

TEST(TableCharacterReadProblem, SaysWhereTheTextBreaksAndWhatWasExpected) {
  // A hand-edited file with one comma left out after the code text.
  const std::string hand_edited =
      "[\r\n  \"Glyphwell 1.11\",\r\n  [\r\n    \"-\",\r\n    \"\\\\u2013\"\r\n"
      "    \"en dash\"\r\n  ]\r\n]";
  EXPECT_EQ(ReasonFor(hand_edited), u"line 6, column 5: ',' or ']' expected");
  const ReadProblem problem = DiagnoseCharacterFile(hand_edited);
  EXPECT_EQ(problem.failure, ReadFailure::Syntax);
  EXPECT_EQ(problem.line, 6);
  EXPECT_EQ(problem.column, 5);

  // Columns count characters, not bytes; a lone CR ends a line as LF does.
  EXPECT_EQ(ReasonFor("[\"Glyph\xC3\xA9\xF0\x9F\x98\x80\" x"), u"line 1, column 12: ',' or ']' expected");
  EXPECT_EQ(ReasonFor("[\r\"h\",\r\n[\"a\"]\n,]"), u"line 4, column 2: '[' expected");

  const struct {
    const char* bytes;
    const char16_t* reason;
  } cases[] = {
      {"{\"Glyphwell 1.11\": []}", u"line 1, column 1: '[' expected"},
      {"[]", u"line 1, column 2: '\"' expected"},
      {"[\"Glyphwell 1.11\"] x", u"line 1, column 20: end of file expected"},
      {"[\"Glyphwell 1.11\", [\"a\" \"b\"]]", u"line 1, column 25: ',' or ']' expected"},
      {"[\"Glyphwell 1.11\", [\"a\",]]", u"line 1, column 25: value expected"},
      {"[\"Glyphwell 1.11\", [tru]]", u"line 1, column 21: value expected"},
      {"[\"Glyphwell 1.11\", [-x]]", u"line 1, column 22: digit expected"},
      {"[\"Glyphwell 1.11\", [\"\\u12G4\"]]", u"line 1, column 26: hexadecimal digit expected"},
      {"[\"Glyphwell 1.11\", [\"\\x\"]]",
       u"line 1, column 23: '\"', '\\', '/', 'b', 'f', 'n', 'r', 't' or 'u' expected"},
      {"[\"Glyphwell 1.11\", [\"raw\nline\"]]", u"line 1, column 25: '\"' expected"},
      {"[\"Glyphwell 1.11\", [{}, {\"a\" 1}]]", u"line 1, column 30: ':' expected"},
      {"[\"Glyphwell 1.11\", [{ 1: 1}]]", u"line 1, column 23: '}' or '\"' expected"},
      {"[\"Glyphwell 1.11\", [{\"a\": 1]]]", u"line 1, column 28: ',' or '}' expected"},
      {"[\"Glyphwell 1.11\", [\"unterminated]]", u"line 1, column 36: '\"' expected"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReasonFor(c.bytes), c.reason) << c.bytes;

  // Nesting too deep is named at the first bracket over the limit.
  const std::string deep = "[\"Glyphwell 1.11\", [" + std::string(100, '[') + std::string(100, ']') + "]]";
  EXPECT_EQ(ReasonFor(deep), u"line 1, column 83: brackets nested too deeply");
}

TEST(TableCharacterReadProblem, NamesAnEncodingOrAFileThatCannotBeRead) {
  EXPECT_EQ(DiagnoseCharacterFile("\xEF\xBB\xBF[\"Glyphwell 1.11\"]").failure, ReadFailure::ByteOrderMark);
  EXPECT_EQ(DiagnoseCharacterFile("\xFF\xFE[\0\"\0").failure, ReadFailure::NotUtf8);
  EXPECT_EQ(DiagnoseCharacterFile(std::string("[\0\"\0G\0", 6)).failure, ReadFailure::NotUtf8);

  TempFolder folder;
  CharacterTable table;
  std::vector<CharacterEntry> records;
  ReadProblem problem;
  EXPECT_FALSE(ReadCharacterFile(folder.File("missing.json"), records, &problem));
  EXPECT_EQ(problem.failure, ReadFailure::NotFound);
  const Text empty = folder.File("empty.json");
  WriteBytes(empty, "");
  EXPECT_FALSE(ReadCharacterRows(empty, table, &problem));
  EXPECT_EQ(problem.failure, ReadFailure::Empty);
  const Text broken = folder.File("broken.json");
  WriteBytes(broken, "[\"Glyphwell 1.11\",\n[");
  EXPECT_FALSE(ReadCharacterRows(broken, table, &problem));
  EXPECT_EQ(problem.failure, ReadFailure::Syntax);
  EXPECT_EQ(problem.line, 2);
  ASSERT_TRUE(CreateOneDirectory(folder.File("folder.json")));
  EXPECT_FALSE(ReadCharacterFile(folder.File("folder.json"), records, &problem));
  EXPECT_EQ(problem.failure, ReadFailure::CannotOpen);

  // The whole message: the reason on a line of its own, before "terminated".
  LanguageTable english;
  LoadBuiltInTable(english);
  ReadProblem missing;
  missing.failure = ReadFailure::NotFound;
  EXPECT_EQ(ReadErrorMessage(english, u"C:\\x\\Characters.json", missing, true),
            u"Error reading file:\nC:\\x\\Characters.json\nThe file does not exist.\n\n"
            u"The program will be terminated.");
  EXPECT_EQ(ReadErrorMessage(english, u"C:\\x\\Characters.json", ReadProblem(), false),
            u"Error reading file:\nC:\\x\\Characters.json");
}

// --- Keeping a file that failed to read ------------------------------------------------

TEST(TableUnreadableFile, KeptCopiesHaveNamesOfTheirOwn) {
  EXPECT_EQ(KeptFilePath(u"C:\\Data\\Characters.json", 1), u"C:\\Data\\Characters.unreadable.json");
  EXPECT_EQ(KeptFilePath(u"C:\\Data\\Characters.json", 2),
            u"C:\\Data\\Characters.unreadable (2).json");
  EXPECT_EQ(KeptFilePath(u"/a.b/Characters", 3), u"/a.b/Characters.unreadable (3)");
}

TEST(TableUnreadableFile, TheUsersBytesAreMovedAsideBeforeTheTableIsWritten) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const CharacterTable table = TableOf(DefaultCharacterEntries());
  const std::string first = "[\"Glyphwell 1.11\", [\"-\" \"\\\\u2013\"]]";
  const std::string second = "\xEF\xBB\xBF[]";
  // A copy kept by an earlier run is never written over.
  WriteBytes(folder.File("Characters.unreadable.json"), "earlier");

  WriteBytes(path, first);
  bool unreadable = true;
  SaveResult saved = SaveCharacterTable(table, path, -1, unreadable);
  EXPECT_EQ(saved.outcome, SaveOutcome::Kept);
  EXPECT_EQ(saved.kept_path, folder.File("Characters.unreadable (2).json"));
  EXPECT_FALSE(unreadable);
  EXPECT_EQ(ReadBytes(saved.kept_path), first);
  EXPECT_EQ(ReadBytes(path), kDefaultFile);
  EXPECT_EQ(ReadBytes(folder.File("Characters.unreadable.json")), "earlier");

  // The next change just writes; a second unreadable file gets the next name.
  EXPECT_EQ(SaveCharacterTable(table, path, 0, unreadable).outcome, SaveOutcome::Written);
  WriteBytes(path, second);
  unreadable = true;
  saved = SaveCharacterTable(table, path, -1, unreadable);
  EXPECT_EQ(saved.kept_path, folder.File("Characters.unreadable (3).json"));
  EXPECT_EQ(ReadBytes(saved.kept_path), second);

  // The file vanished in the meantime: nothing to keep, the table is written.
  ASSERT_TRUE(RemoveFile(path));
  unreadable = true;
  saved = SaveCharacterTable(table, path, -1, unreadable);
  EXPECT_EQ(saved.outcome, SaveOutcome::Written);
  EXPECT_EQ(ReadBytes(path), kDefaultFile);
  EXPECT_FALSE(FileExists(folder.File("Characters.unreadable (4).json")));
}

TEST(TableUnreadableFile, AFailedWritePutsTheUsersFileBack) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  WriteBytes(path, "[");
  SetFileWriteHook([](const Text&, std::string_view) -> long long { return 0; });
  bool unreadable = true;
  const SaveResult saved = SaveCharacterTable(TableOf(DefaultCharacterEntries()), path, -1, unreadable);
  SetFileWriteHook(nullptr);
  EXPECT_EQ(saved.outcome, SaveOutcome::WriteFailed);
  EXPECT_TRUE(saved.kept_path.empty());
  EXPECT_TRUE(unreadable);  // still to be kept at the next change
  EXPECT_EQ(ReadBytes(path), "[");
  EXPECT_FALSE(FileExists(KeptFilePath(path, 1)));
}

// --- Start-up load ----------------------------------------------------------------

TEST(TableCharacterLoad, LegacyListPath) {
  EXPECT_EQ(LegacyListPath(u"/data/Glyphwell/Characters.json"), u"/data/Glyphwell/Characters.lst");
  EXPECT_EQ(LegacyListPath(u"C:\\Users\\x\\AppData\\Glyphwell\\Characters.json"),
            u"C:\\Users\\x\\AppData\\Glyphwell\\Characters.lst");
  EXPECT_EQ(LegacyListPath(u"C:\\a.b\\Characters"), u"C:\\a.b\\Characters.lst");
}

TEST(TableCharacterLoad, NoFilesGivesTheDefaultTable) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  std::vector<CharacterEntry> records;
  const LoadResult outcome = LoadCharacterTable(path, records);
  EXPECT_EQ(outcome.status, LoadStatus::NotRead);
  EXPECT_EQ(records, DefaultCharacterEntries());

  // Start-up writes it; the next start reads it back unchanged.
  CharacterTable table;
  table.BuildRowsFromRecords(records);
  ASSERT_TRUE(WriteCharacterFile(table, path, -1));
  EXPECT_EQ(ReadBytes(path), kDefaultFile);
  std::vector<CharacterEntry> again;
  EXPECT_EQ(LoadCharacterTable(path, again).status, LoadStatus::Read);
  EXPECT_EQ(again, DefaultCharacterEntries());
}

TEST(TableCharacterLoad, ExistingFileThatCannotBeParsedIsNeverReplaced) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const std::string with_bom = std::string("\xEF\xBB\xBF") + kDefaultFile;
  WriteBytes(path, with_bom);
  WriteBytes(folder.File("Characters.lst"), "[Characters]\r\n\\u0041=A\r\n");
  std::vector<CharacterEntry> records;
  const LoadResult outcome = LoadCharacterTable(path, records);
  EXPECT_EQ(outcome.status, LoadStatus::Unreadable);
  EXPECT_TRUE(records.empty());
  EXPECT_EQ(ReadBytes(path), with_bom);

  WriteBytes(path, "");
  EXPECT_EQ(LoadCharacterTable(path, records).status, LoadStatus::Unreadable);
  WriteBytes(path, "[\"Glyphwell 1.11\", \"not an entry\"]");
  EXPECT_EQ(LoadCharacterTable(path, records).status, LoadStatus::Unreadable);
}

TEST(TableCharacterLoad, LegacyListIsImported) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const Text legacy = folder.File("Characters.lst");
  WriteBytes(legacy,
             "\xEF\xBB\xBF"
             "stray=ignored\r\n"
             "; comment\r\n"
             "[Characters]\r\n"
             "\\u00AB\\u00BB= guillemets \r\n"
             "\\u2013=en dash \xE2\x80\x93\r\n"
             "[Other]\r\n"
             "not code=skipped\r\n");
  std::vector<CharacterEntry> records;
  const LoadResult outcome = LoadCharacterTable(path, records);
  EXPECT_EQ(outcome.status, LoadStatus::ImportedLegacy);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (CharacterEntry{u"", u"\\u00AB\\u00BB", u"guillemets"}));
  EXPECT_EQ(records[1], (CharacterEntry{u"", u"\\u2013", u"en dash –"}));
  // The caller deletes the legacy file only after its first write succeeded.
  EXPECT_TRUE(FileExists(legacy));
}

TEST(TableCharacterLoad, LegacyListErrors) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const Text legacy = folder.File("Characters.lst");
  std::vector<CharacterEntry> records;

  WriteBytes(legacy, "\\u0041=only keys before any group\r\n");
  EXPECT_EQ(LoadCharacterTable(path, records).status, LoadStatus::ReadError);
  EXPECT_TRUE(records.empty());

  WriteBytes(legacy, "[Characters]\r\n\\u0041=A\r\n\\u00G1=bad\r\n\\u0042=B\r\n");
  EXPECT_EQ(LoadCharacterTable(path, records).status, LoadStatus::ReadError);
  EXPECT_TRUE(records.empty());

  WriteBytes(legacy, "[Characters]\r\n\\u110000=too high\r\n");
  EXPECT_EQ(LoadCharacterTable(path, records).status, LoadStatus::ReadError);

  // An empty first group gives an empty table, whatever follows.
  WriteBytes(legacy, "[Characters]\r\n[More]\r\n\\u0041=A\r\n");
  const LoadResult outcome = LoadCharacterTable(path, records);
  EXPECT_EQ(outcome.status, LoadStatus::ImportedLegacy);
  EXPECT_TRUE(records.empty());
  EXPECT_FALSE(FileExists(path));  // loading never writes
}

// --- Reread ------------------------------------------------------------------------

TEST(TableCharacterReread, Decision) {
  RereadDecision d = DecideReread(100, 100, false);
  EXPECT_EQ(d.action, RereadAction::Unchanged);
  EXPECT_EQ(d.stamp, 100);
  d = DecideReread(100, 101, true);
  EXPECT_EQ(d.action, RereadAction::Reread);
  EXPECT_EQ(d.stamp, 101);
  d = DecideReread(100, 0, false);
  EXPECT_EQ(d.action, RereadAction::Failed);
  EXPECT_EQ(d.stamp, 0);
}

std::vector<CharacterEntry> RowsOf(const CharacterTable& table) {
  std::vector<CharacterEntry> rows;
  for (int row = 0; row < table.RowCount(); ++row) rows.push_back(table.Entry(row));
  return rows;
}

TEST(TableCharacterReread, ChangedFileIsReadOnceAndFailuresReportedOnce) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  ASSERT_TRUE(WriteCharacterFile(TableOf(DefaultCharacterEntries()), path, -1));
  const FileStamp stamp = ReadFileStamp(path);
  EXPECT_NE(stamp, 0);
  // Later writes get times set from this one, so that no second boundary
  // passed between the writes can move them.
  const fs::path native = folder.NativePath("Characters.json");
  const auto written = fs::last_write_time(native);

  CharacterTable table = TableOf({{u"u", u"\\u0075", u"untouched"}, {u"v", u"\\u0076", u""}});
  table.SelectRow(1);
  RereadDecision d = CheckCharacterFile(path, stamp, table);
  EXPECT_EQ(d.action, RereadAction::Unchanged);
  EXPECT_EQ(d.stamp, stamp);
  ASSERT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.CurrentRow(), 1);

  // Another program writes the file; its time moves on. The rows are
  // rebuilt from it, the vanished triggers no longer match, row 0 is current.
  WriteBytes(path, "[\"Glyphwell 1.11\", [\"\", \"\\\\u0041\", \"\"], [\"z\", \"\\\\u007A\", \"zed\"]]");
  fs::last_write_time(native, written + std::chrono::seconds(30));
  d = CheckCharacterFile(path, stamp, table);
  EXPECT_EQ(d.action, RereadAction::Reread);
  EXPECT_EQ(d.stamp, stamp + 30);
  EXPECT_EQ(RowsOf(table), (std::vector<CharacterEntry>{{u"", u"\\u0041", u""},
                                                        {u"z", u"\\u007A", u"zed"}}));
  EXPECT_EQ(table.ColumnText(1, TableColumn::Characters), u"z");
  EXPECT_EQ(table.CurrentRow(), 0);
  EXPECT_EQ(table.FindTrigger(u"z"), 1);
  EXPECT_EQ(table.FindTrigger(u"u"), -1);
  EXPECT_EQ(table.Triggers().Size(), 1u);

  // A change that does not parse: reported, and the rows stay as they were.
  table.SelectRow(1);
  WriteBytes(path, "[\"Glyphwell 1.11\", [\"y\", \"\\\\u0079\", \"\"], [\"w\"");
  fs::last_write_time(native, written + std::chrono::seconds(60));
  d = CheckCharacterFile(path, d.stamp, table);
  EXPECT_EQ(d.action, RereadAction::Failed);
  EXPECT_EQ(d.stamp, stamp + 60);
  EXPECT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.CurrentRow(), 1);
  EXPECT_EQ(table.FindTrigger(u"z"), 1);
  EXPECT_EQ(table.FindTrigger(u"y"), -1);

  // Deleted behind the program's back: one failure, then nothing.
  ASSERT_TRUE(RemoveFile(path));
  d = CheckCharacterFile(path, d.stamp, table);
  EXPECT_EQ(d.action, RereadAction::Failed);
  EXPECT_EQ(d.stamp, 0);
  d = CheckCharacterFile(path, d.stamp, table);
  EXPECT_EQ(d.action, RereadAction::Unchanged);
  EXPECT_EQ(table.RowCount(), 2);
}

// Reading the rows straight from the file gives the table that building them
// from the records read gives, for every shape of entry the reader accepts.
TEST(TableCharacterReread, RowsReadStraightFromTheFileMatchRowsBuiltFromRecords) {
  TempFolder folder;
  const Text path = folder.File("Characters.json");
  const std::string files[] = {
      kDefaultFile,
      // duplicate triggers (the later row wins), values that are not strings,
      // missing and extra values, escapes, a bracket inside a text
      "[\"Glyphwell 1.11\", [\"x\", \"\\\\u41\", \"one [1]\"], [\"x\", \"\\\\u42\", \"two\"],"
      " [1, null, [\"a\"]], [\"b\"], [], [\"c\", \"\\\\u1F600\", \"\\u00e9\\n\", \"extra\", {\"k\": 2}]]",
      // the old format without triggers
      "[\"Glyphwell 1.10\", [\"\\\\u2013\", \"dash\"], [\"\\\\u2014\"]]",
      // the header alone
      "[\"Glyphwell 1.11\"]",
  };
  for (const std::string& bytes : files) {
    WriteBytes(path, bytes);
    std::vector<CharacterEntry> records;
    ASSERT_TRUE(ReadCharacterFile(path, records)) << bytes;
    const CharacterTable expected = TableOf(records);
    CharacterTable table = TableOf({{u"q", u"\\u0071", u"before"}});
    ASSERT_TRUE(ReadCharacterRows(path, table)) << bytes;
    EXPECT_EQ(RowsOf(table), RowsOf(expected)) << bytes;
    for (int row = 0; row < table.RowCount(); ++row)
      EXPECT_EQ(table.ColumnText(row, TableColumn::Characters),
                expected.ColumnText(row, TableColumn::Characters));
    EXPECT_EQ(table.Triggers().Entries(), expected.Triggers().Entries()) << bytes;
    EXPECT_EQ(table.CurrentRow(), expected.CurrentRow()) << bytes;
  }
  // Missing, empty or broken files leave the table alone.
  CharacterTable table = TableOf({{u"q", u"\\u0071", u"before"}});
  EXPECT_FALSE(ReadCharacterRows(folder.File("missing.json"), table));
  WriteBytes(path, "");
  EXPECT_FALSE(ReadCharacterRows(path, table));
  WriteBytes(path, "[\"Glyphwell 1.11\", [\"y\", \"\\\\u0079\", \"\"], [\"z\",]]");
  EXPECT_FALSE(ReadCharacterRows(path, table));
  EXPECT_EQ(RowsOf(table), (std::vector<CharacterEntry>{{u"q", u"\\u0071", u"before"}}));
  EXPECT_EQ(table.FindTrigger(u"q"), 0);
  EXPECT_EQ(table.FindTrigger(u"y"), -1);
}

// Room is made for the entries ahead of reading them, judged by the brackets
// of the file; brackets inside texts must not leave that room taken.
TEST(TableCharacterReread, BracketsInsideTextsLeaveNoRoomTakenAfterReading) {
  std::string bytes = "[\"Glyphwell 1.11\", [\"a\", \"\\\\u0061\", \"";
  bytes.append(200000, '[');
  bytes += "\"]]";
  std::vector<CharacterEntry> records;
  ASSERT_TRUE(ParseCharacterFile(bytes, records));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].comment.size(), 200000u);
  EXPECT_LT(records.capacity(), 100u);

  TempFolder folder;
  const Text path = folder.File("Characters.json");
  WriteBytes(path, bytes);
  CharacterTable table;
  ASSERT_TRUE(ReadCharacterRows(path, table));
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.FindTrigger(u"a"), 0);
  // Nor does a file that fails after its brackets.
  bytes.resize(bytes.size() - 1);
  EXPECT_FALSE(ParseCharacterFile(bytes, records));
  EXPECT_EQ(records.capacity(), 0u);
}

}  // namespace
}  // namespace gw
