#include "settings/language.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/platform.h"

namespace gw {
namespace {

namespace fs = std::filesystem;

const Text kNotFound = u"##### String not found! #####";

// A program folder of its own with a "lang" folder in it.
class LanguageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("gw-lang-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_ / "lang");
    program_folder_ = root_.u16string();
    program_folder_.push_back(static_cast<char16_t>(fs::path::preferred_separator));
  }
  void TearDown() override { fs::remove_all(root_); }

  void WriteLanguage(const fs::path& name, const std::string& bytes) {
    std::ofstream(root_ / "lang" / name, std::ios::binary) << bytes;
  }
  // A UTF-8 language file with the mark, the version group and `body`.
  void WriteValid(const std::string& name, const std::string& body) {
    WriteLanguage(name + ".lng", "\xEF\xBB\xBF[Version check]\r\nProgram version = 1.11\r\n" + body);
  }
  Text PathOf(const Text& name) const {
    Text sep(1, static_cast<char16_t>(fs::path::preferred_separator));
    return program_folder_ + u"lang" + sep + name + u".lng";
  }

  fs::path root_;
  Text program_folder_;
  LanguageTable table_;
};

TEST(BuiltInTableTest, HoldsItsEntriesAndSectionsInOrder) {
  std::vector<Text> sections;
  size_t keys = 0;
  const char16_t* p = BuiltInEnglishTable;
  for (;;) {
    TextView first(p), second(p + first.size() + 1);
    p += first.size() + second.size() + 2;
    if (first == u"_END_") break;
    if (first == u"_GROUP_") sections.emplace_back(second);
    else ++keys;
  }
  EXPECT_GT(keys, 80u);
  EXPECT_EQ(sections, (std::vector<Text>{u"General", u"WinMain", u"MenuSysTray", u"MenuMain", u"WinAbout",
                                         u"Update", u"WinSettings", u"WinNew", u"WinDelete", u"WinFind"}));

  LanguageTable table;
  table.sections[u"OLD"][u"KEY"] = u"gone";
  LoadBuiltInTable(table);
  size_t loaded = 0;
  for (const auto& [name, section] : table.sections) {
    loaded += section.size();
    for (const auto& [key, text] : section) {
      EXPECT_EQ(key, UpperText(key));
      EXPECT_FALSE(text.empty()) << TextToUtf8(key);
    }
  }
  EXPECT_EQ(table.sections.size(), 10u);
  EXPECT_EQ(loaded, keys);  // every key is kept: "Current" of Update and of WinNew both

  EXPECT_EQ(LookupText(table, u"General", u"ErrOpen"), u"Error:\nCan't open \u201C%s\u201D window.");
  EXPECT_EQ(LookupText(table, u"WinNew", u"Code"), u"Character or \\uXXXX");
  EXPECT_EQ(LookupText(table, u"MenuMain", u"Find"), u"Find ...\tCtrl+F");
  EXPECT_EQ(LookupText(table, u"WinNew", u"Current"), u"the current item.");
  EXPECT_EQ(LookupText(table, u"Update", u"Current"), u"You have got the current version of the program.");
  EXPECT_EQ(LookupText(table, u"WinMain", u"StatusInfo"),
            u" Press [Shift] to get the code rather than the character.");
  EXPECT_EQ(LookupText(table, u"WinMain", u"StatusReread"), u" The character file was reread.");
  EXPECT_EQ(LookupText(table, u"WinMain", u"ErrRegister"), u"Can't register hotkey: ");
  EXPECT_EQ(LookupText(table, u"Update", u"ErrUpdate"), u"Error reading version information on ");
  EXPECT_EQ(LookupText(table, u"Update", u"NewVersion"), u"There is the new version ");
  EXPECT_EQ(LookupText(table, u"WinSettings", u"ErrCustom"),
            u"The fields \u201CCaption\u201D and \u201CCommand\u201D must not be empty.");
  EXPECT_EQ(LookupText(table, u"General", u"Cancel"), u"&Cancel");
  EXPECT_EQ(LookupText(table, u"OLD", u"KEY"), kNotFound);
}

TEST(LookupTextTest, IgnoresCaseAndReportsMissingOrEmptyTexts) {
  LanguageTable table;
  LoadBuiltInTable(table);
  for (auto [section, key] : {std::pair{u"WinMain", u"OnTop"}, {u"winmain", u"ONTOP"}, {u"WINMAIN", u"Ontop"}})
    EXPECT_EQ(LookupText(table, section, key), u"Stay on top");
  table.sections[u"WINMAIN"][u"EMPTY"] = u"";
  EXPECT_EQ(LookupText(table, u"WinMain", u"Empty"), kNotFound);
  EXPECT_EQ(LookupText(table, u"WinMain", u"Missing"), kNotFound);
  EXPECT_EQ(LookupText(table, u"Missing", u"OnTop"), kNotFound);
}

TEST(LanguageTextRulesTest, DecodesEscapes) {
  EXPECT_EQ(DecodeEscapes(u"a\\\"b\\\\c\\a\\b\\f\\n\\r\\t\\v"), u"a\"b\\c\a\b\f\n\r\t\v");
  EXPECT_EQ(DecodeEscapes(u"\\u00e4 \\x \\"), u"\\u00e4 \\x \\");
  EXPECT_EQ(DecodeEscapes(u"\\\\n"), u"\\n");  // the pair is read first
  EXPECT_EQ(DecodeEscapes(u"\\\\\\n"), u"\\\n");
}

TEST(LanguageTextRulesTest, KeepsOnlyASingleMnemonicBeforeALetter) {
  EXPECT_EQ(ApplyMnemonicRule(u"&Cancel"), u"&Cancel");
  EXPECT_EQ(ApplyMnemonicRule(u"Save &as"), u"Save &as");  // "a" upper-cases to A
  EXPECT_EQ(ApplyMnemonicRule(u"&amp;"), u"&amp;");
  EXPECT_EQ(ApplyMnemonicRule(u"Drag & drop"), u"Drag  drop");
  EXPECT_EQ(ApplyMnemonicRule(u"F&1"), u"F1");
  EXPECT_EQ(ApplyMnemonicRule(u"&\u00FCber"), u"\u00FCber");
  EXPECT_EQ(ApplyMnemonicRule(u"End&"), u"End");
  EXPECT_EQ(ApplyMnemonicRule(u"&Cut && &Paste"), u"Cut  Paste");
  EXPECT_EQ(ApplyMnemonicRule(u"No mnemonic"), u"No mnemonic");
}

TEST_F(LanguageFileTest, LoadsTextsWithQuotesEscapesAndMnemonics) {
  WriteValid("Deutsch",
             "; comment\r\n"
             "[WinMain]\r\n"
             "OnTop = \"  Immer oben  \"\r\n"
             "One = \"\r\n"
             "Pair = \"\"\r\n"
             "Two = ab\r\n"
             "Lines = \"Zeile 1\\nZeile 2\"\r\n"
             "Path = \"C:\\temp\"\r\n"
             "Space = \"Drag & drop\"\r\n"
             "Entity = \"&amp;\"\r\n"
             "Twice = \"first\"\r\n"
             "TWICE = \"second\"\r\n"
             "[MenuMain]\r\n"
             "Help = \"old group\"\r\n"
             "[menumain]\r\n"
             "About = \"\xC3\x9C" "ber\"\r\n");
  table_.sections[u"STALE"][u"KEY"] = u"old";
  const LanguageLoadResult result = LoadLanguageFile(table_, program_folder_, u"Deutsch", false);
  EXPECT_EQ(result.status, LanguageLoadStatus::Loaded);
  EXPECT_EQ(result.help_file, u"Glyphwell_de.htm");
  EXPECT_TRUE(result.message.empty());

  EXPECT_EQ(LookupText(table_, u"winmain", u"ontop"), u"  Immer oben  ");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"One"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Pair"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Two"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Lines"), u"Zeile 1\nZeile 2");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Path"), u"C:\temp");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Space"), u"Drag  drop");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Entity"), u"&amp;");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Twice"), u"second");
  // Only the later of two groups with one name remains.
  EXPECT_EQ(LookupText(table_, u"MenuMain", u"Help"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"MenuMain", u"About"), u"\u00DCber");
  // The version group is loaded like any other: "1.11" loses its first and last character.
  EXPECT_EQ(LookupText(table_, u"Version check", u"Program version"), u".1");
  // No English fill-in, and the old table is gone.
  EXPECT_EQ(LookupText(table_, u"General", u"Cancel"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"Stale", u"Key"), kNotFound);
}

TEST_F(LanguageFileTest, LoadsAHundredThousandKeysAndTakesKeyLinesWithoutEqualsSignAsEmpty) {
  std::string body = "[WinMain]\r\nOnTop\r\nBtnInsert = \"Einf\xC3\xBCgen\"\r\nTrigger\r\n[Big]\r\n";
  for (int k = 0; k < 100000; ++k) body += "Key" + std::to_string(k) + " = \"Text " + std::to_string(k) + "\"\r\n";
  WriteValid("Deutsch", body);
  const LanguageLoadResult result = LoadLanguageFile(table_, program_folder_, u"Deutsch", false);
  ASSERT_EQ(result.status, LanguageLoadStatus::Loaded);
  ASSERT_EQ(table_.sections[u"BIG"].size(), 100000u);
  EXPECT_EQ(LookupText(table_, u"Big", u"key0"), u"Text 0");
  EXPECT_EQ(LookupText(table_, u"Big", u"Key99999"), u"Text 99999");
  // Bare key lines are keys with an empty text: looked up, they are not found.
  EXPECT_EQ(LookupText(table_, u"WinMain", u"OnTop"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"Trigger"), kNotFound);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"BtnInsert"), u"Einf\u00FCgen");
}

TEST_F(LanguageFileTest, AcceptsAVersionOnlyFileWithNamesInAnyCase) {
  WriteLanguage("Minimal.lng", "[VERSION CHECK]\n  program VERSION =  \t1.11 \t\n");
  LoadBuiltInTable(table_);
  const LanguageLoadResult result = LoadLanguageFile(table_, program_folder_, u"Minimal", false);
  EXPECT_EQ(result.status, LanguageLoadStatus::Loaded);
  EXPECT_EQ(result.help_file, u"Glyphwell_en.htm");
  EXPECT_EQ(LookupText(table_, u"WinMain", u"OnTop"), kNotFound);
  EXPECT_EQ(table_.sections.size(), 1u);
}

TEST_F(LanguageFileTest, ReadsAnsiFilesWithoutByteOrderMark) {
  WriteLanguage("Ansi.lng", "[Version check]\nProgram version = 1.11\n[WinMain]\nOnTop = \"\xC3\xBC\"\n");
  ASSERT_EQ(LoadLanguageFile(table_, program_folder_, u"Ansi", false).status, LanguageLoadStatus::Loaded);
  EXPECT_EQ(LookupText(table_, u"WinMain", u"OnTop"), AnsiToText("\xC3\xBC"));
}

TEST_F(LanguageFileTest, RejectsUnusableFilesAndKeepsOrReplacesTheTable) {
  WriteLanguage("Quoted.lng", "[Version check]\nProgram version = \"1.11\"\n[WinMain]\nOnTop = \"x\"\n");
  WriteLanguage("Old.lng", "[Version check]\nProgram version = 1.10\n");
  WriteLanguage("NoVersion.lng", "[WinMain]\nOnTop = \"x\"\n");
  const std::u16string utf16 = u"\uFEFF[Version check]\r\nProgram version = 1.11\r\n";
  WriteLanguage("Wide.lng", std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2));

  LanguageTable builtin;
  LoadBuiltInTable(builtin);
  LanguageTable custom;
  custom.sections[u"WINMAIN"][u"ONTOP"] = u"mine";

  for (const Text name : {u"Quoted", u"Old", u"NoVersion", u"Wide", u"Missing"}) {
    SCOPED_TRACE(TextToUtf8(name));
    const bool missing = name == u"Missing";
    const Text expected_message =
        (missing ? u"Can't open language file '" : u"Invalid language file '") + PathOf(name) + u"'.";

    table_ = custom;
    LanguageLoadResult result = LoadLanguageFile(table_, program_folder_, name, false);
    EXPECT_EQ(result.status, missing ? LanguageLoadStatus::CannotOpen : LanguageLoadStatus::Invalid);
    EXPECT_EQ(result.message, expected_message);
    EXPECT_TRUE(result.help_file.empty());
    EXPECT_EQ(table_.sections, custom.sections);

    result = LoadLanguageFile(table_, program_folder_, name, true);
    EXPECT_EQ(result.message, expected_message);
    EXPECT_TRUE(result.help_file.empty());
    EXPECT_EQ(table_.sections, builtin.sections);
  }
}

TEST_F(LanguageFileTest, ListsLanguageFilesWithCapitalInitialSorted) {
  WriteLanguage("zULU.lng", "");
  WriteLanguage("DEUTSCH.lng", "");
  WriteLanguage(fs::path(u8"fran\u00E7ais.LNG"), "");
  WriteLanguage("readme.txt", "");
  fs::create_directories(root_ / "lang" / "Folder.lng");
  EXPECT_EQ(ListLanguages(program_folder_),
            (std::vector<Text>{u"Deutsch", u"Fran\u00E7ais", u"Zulu"}));  // no "English"

  fs::remove_all(root_ / "lang");
  EXPECT_TRUE(ListLanguages(program_folder_).empty());
}

TEST(LanguageChoiceTest, MapsSystemLanguagesAndHelpFiles) {
  EXPECT_EQ(DefaultLanguage(LanguageCodeFromLangId(7)), u"Deutsch");
  EXPECT_EQ(DefaultLanguage(LanguageCodeFromLangId(0x407)), u"Deutsch");  // whole LANGID
  EXPECT_EQ(DefaultLanguage(LanguageCodeFromLangId(12)), u"Fran\u00E7ais");
  EXPECT_EQ(DefaultLanguage(LanguageCodeFromLangId(10)), u"English");  // Spanish
  EXPECT_EQ(DefaultLanguage(u"DE"), u"English");
  EXPECT_EQ(DefaultLanguage(u""), u"English");
  const std::pair<unsigned, const char16_t*> codes[] = {{9, u"en"}, {10, u"es"}, {14, u"hu"},
                                                       {16, u"it"}, {25, u"ru"}, {8, u""}};
  for (auto [id, code] : codes) EXPECT_EQ(LanguageCodeFromLangId(id), code) << id;

  EXPECT_EQ(HelpFileName(u"Deutsch"), u"Glyphwell_de.htm");
  EXPECT_EQ(HelpFileName(u"Fran\u00E7ais"), u"Glyphwell_fr.htm");
  EXPECT_EQ(HelpFileName(u"deutsch"), u"Glyphwell_en.htm");
  // The path: the doc folder beside the program; English when no name is known.
  EXPECT_EQ(HelpFilePath(u"C:\\Tools\\Glyphwell\\", u"Glyphwell_de.htm"),
            u"C:\\Tools\\Glyphwell\\doc\\Glyphwell_de.htm");
  EXPECT_EQ(HelpFilePath(u"C:\\G\\", u""), u"C:\\G\\doc\\Glyphwell_en.htm");
  EXPECT_EQ(HelpFileName(u"Espa\u00F1ol"), u"Glyphwell_en.htm");
}

}  // namespace
}  // namespace gw
