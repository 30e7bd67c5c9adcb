#include "settings/settings.h"
#include "settings/hotkey.h"
#include "settings/language.h"
#include "tests/core/shipped_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/platform.h"

namespace gw {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("gw-settings-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_);
    path_ = (folder_ / "Glyphwell.ini").u16string();
  }
  void TearDown() override {
    SetFileWriteHook(nullptr);
    fs::remove_all(folder_);
  }
  void Write(const std::string& bytes) { std::ofstream(fs::path(path_), std::ios::binary) << bytes; }
  std::string ReadBack() {
    std::ifstream in(fs::path(path_), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  Settings Load(const std::string& bytes) {
    Write(bytes);
    Settings s;
    EXPECT_TRUE(LoadSettings(path_, s));
    return s;
  }

  fs::path folder_;
  Text path_;
};

TEST_F(SettingsFileTest, WritesTheFirstStartFileByteForByte) {
  Settings s;
  s.Language = u"English";
  s.LanguageList = {u"Deutsch", u"English"};
  ASSERT_TRUE(SaveSettings(path_, s));
  EXPECT_EQ(ReadBack(),
            "\xEF\xBB\xBF"
            "[General]\r\nOnTop = False\r\nLanguage = English\r\nHotkey = F10\r\nBeep = True\r\n"
            "HTML = False\r\nCheckUpdate = False\r\nConfirmEnd = False\r\n\r\n"
            "[Character map]\r\nOption = Standard\r\nCustomCaption = \r\nCustomCommand = \r\n");
}

TEST_F(SettingsFileTest, MissingFileGivesDefaultsButKeepsTheLanguageList) {
  Settings s;
  s.LanguageList = {u"Deutsch"};
  s.Language = u"Deutsch";
  s.Hotkey = 3;
  s.Beep = false;
  s.Option = CharMapOption::Custom;
  EXPECT_FALSE(LoadSettings((folder_ / "missing.ini").u16string(), s));
  Settings defaults;
  EXPECT_EQ(s.LanguageList, std::vector<Text>{u"Deutsch"});
  EXPECT_EQ(s.Language, u"");
  EXPECT_EQ(s.Hotkey, 10);
  EXPECT_TRUE(s.Beep);
  EXPECT_EQ(s.Option, CharMapOption::Standard);
  EXPECT_EQ(s.FontName, u"Lucida Sans Unicode");
}

TEST_F(SettingsFileTest, EmptyBeepIsFalseWhileMissingKeysTakeDefaults) {
  Settings s = Load("[General]\r\nBeep = \r\n");
  EXPECT_FALSE(s.Beep);
  EXPECT_EQ(s.Hotkey, 10);
  EXPECT_EQ(s.FontName, u"Lucida Sans Unicode");
  EXPECT_EQ(s.Option, CharMapOption::Standard);
  EXPECT_FALSE(s.OnTop);

  s = Load("[Character map]\nOption = custom\n");  // no [General]: Beep stays true
  EXPECT_TRUE(s.Beep);
  EXPECT_EQ(s.Option, CharMapOption::Custom);
}

TEST_F(SettingsFileTest, KeyLinesWithoutEqualsSignAreKeysWithEmptyValues) {
  // A bare "Beep" is present and empty (false, unlike a missing one); a bare
  // "Hotkey" means no hotkey; a bare "FontName" gives an empty name.
  Settings s = Load("[General]\r\nBeep\r\nHotkey\r\nFontName\r\nOnTop\r\n[Character map]\r\nOption\r\n");
  EXPECT_FALSE(s.Beep);
  EXPECT_EQ(s.Hotkey, 0);
  EXPECT_EQ(s.FontName, u"");
  EXPECT_FALSE(s.OnTop);
  EXPECT_EQ(s.Option, CharMapOption::Standard);
}

TEST_F(SettingsFileTest, ReadsNamesAndWordsInAnyCase) {
  Settings s = Load(
      "[general]\nontop = TRUE\nbeep = yes\nhtml = 1\ncheckupdate = True\nconfirmend = tRuE\n"
      "fontname = lucida sans unicode\nlanguage = Fran\xE7" "ais\n"
      "[CHARACTER MAP]\nOPTION = CUSTOM\ncustomcaption = My map\ncustomcommand = C:\\Tools\\map.exe /x\n");
  EXPECT_TRUE(s.OnTop);
  EXPECT_FALSE(s.Beep);
  EXPECT_FALSE(s.HTML);
  EXPECT_TRUE(s.CheckUpdate);
  EXPECT_TRUE(s.ConfirmEnd);
  EXPECT_EQ(s.FontName, u"lucida sans unicode");
  EXPECT_EQ(s.Language, AnsiToText("Fran\xE7" "ais"));
  EXPECT_EQ(s.Option, CharMapOption::Custom);
  EXPECT_EQ(s.CustomCaption, u"My map");
  EXPECT_EQ(s.CustomCommand, u"C:\\Tools\\map.exe /x");

  EXPECT_EQ(Load("[Character map]\nOption = Customs\n").Option, CharMapOption::Standard);
  EXPECT_EQ(Load("[Character map]\nOption = Standard\n").Option, CharMapOption::Standard);
}

TEST_F(SettingsFileTest, OnlyTheFirstGroupAndTheFirstKeyCount) {
  Settings s = Load("[General]\nHotkey = F5\nHotkey = F6\n[General]\nOnTop = True\nHotkey = F7\n");
  EXPECT_EQ(s.Hotkey, 5);
  EXPECT_FALSE(s.OnTop);
}

TEST_F(SettingsFileTest, ParsesHotkeyValues) {
  EXPECT_EQ(Load("\xEF\xBB\xBF[General]\nHotkey = f5\n").Hotkey, 5);
  EXPECT_EQ(Load("\xEF\xBB\xBF[General]\nHotkey = x7\n").Hotkey, 7);
  EXPECT_EQ(Load("\xEF\xBB\xBF[General]\nHotkey = \xC3\x98\n").Hotkey, 0);
  EXPECT_EQ(Load("[General]\nHotkey = \xD8\n").Hotkey, 0);  // "Ø" in an ANSI file
  EXPECT_EQ(Load("[General]\nHotkey = \n").Hotkey, 0);
  EXPECT_EQ(Load("[General]\nHotkey = F\n").Hotkey, 0);
  EXPECT_EQ(Load("[General]\nHotkey = 7\n").Hotkey, 0);  // the first character is skipped

  const std::pair<const char16_t*, int> cases[] = {
      {u"F12", 12},     {u"F 3x", 3},     {u"F+4", 4},      {u"F-2", -2},   {u"Fx9", 0},
      {u"F127", 127},   {u"F128", -128},  {u"F266", 10},    {u"F-129", 127},
      {u"F2147483647", -1}, {u"F99999999999999999999", -1}, {u"F-99999999999999999999", 0},
      {u"\u00D8", 0},   {u"\u00D81", 1},  {u"", 0}};
  for (auto [value, expected] : cases) EXPECT_EQ(ParseHotkey(value), expected) << TextToUtf8(value);
}

TEST_F(SettingsFileTest, WritesFontNameOnlyWhenItDiffers) {
  Settings s;
  EXPECT_EQ(SerializeSettings(s).find("FontName"), std::string::npos);
  s.FontName = u"lucida sans unicode";
  EXPECT_NE(SerializeSettings(s).find("ConfirmEnd = False\r\nFontName = lucida sans unicode\r\n\r\n"),
            std::string::npos);
  s.Hotkey = 0;
  EXPECT_NE(SerializeSettings(s).find("\r\nHotkey = \xC3\x98\r\n"), std::string::npos);
}

TEST_F(SettingsFileTest, ReadsBackWhatItWrote) {
  Settings s;
  s.LanguageList = {u"English"};
  s.Language = u"Fran\u00E7ais";
  s.OnTop = true;
  s.FontName = u"Arial Unicode MS";
  s.Option = CharMapOption::Custom;
  s.CustomCommand = u"\"C:\\Program Files\\Map\\map.exe\" /a=1";
  s.Beep = false;
  s.HTML = true;
  s.CheckUpdate = true;
  s.ConfirmEnd = true;
  for (int hotkey : {0, 2, 11, -5}) {
    s.Hotkey = static_cast<std::int8_t>(hotkey);
    ASSERT_TRUE(SaveSettings(path_, s));
    Settings back;
    ASSERT_TRUE(LoadSettings(path_, back));
    back.LanguageList = s.LanguageList;
    EXPECT_EQ(back.Hotkey, s.Hotkey);
    EXPECT_EQ(back.Language, s.Language);
    EXPECT_EQ(back.OnTop, s.OnTop);
    EXPECT_EQ(back.FontName, s.FontName);
    EXPECT_EQ(back.Option, s.Option);
    EXPECT_EQ(back.CustomCaption, u"");
    EXPECT_EQ(back.CustomCommand, s.CustomCommand);
    EXPECT_EQ(back.Beep, s.Beep);
    EXPECT_EQ(back.HTML, s.HTML);
    EXPECT_EQ(back.CheckUpdate, s.CheckUpdate);
    EXPECT_EQ(back.ConfirmEnd, s.ConfirmEnd);
    EXPECT_EQ(SerializeSettings(back), SerializeSettings(s));
  }
}

TEST_F(SettingsFileTest, ProgramsSectionIsReadWrittenOnlyWhenItHoldsALineAndReadBack) {
  const std::string today =
      "\xEF\xBB\xBF[General]\r\nOnTop = True\r\nLanguage = Deutsch\r\nHotkey = F9\r\nBeep = False\r\n"
      "HTML = True\r\nCheckUpdate = False\r\nConfirmEnd = True\r\n\r\n"
      "[Character map]\r\nOption = Custom\r\nCustomCaption = Map\r\nCustomCommand = m.exe\r\n";
  Settings s = Load(today);
  EXPECT_TRUE(s.Programs.empty());
  EXPECT_EQ(SerializeSettings(s), today);

  s = Load(today + "\r\n[programs]\r\nWindowsTerminal.exe = paste\r\n; a note\r\n"
                   "odd.exe = Sideways\r\ndevenv.exe = Type,PassHotkey\r\n");
  ASSERT_EQ(s.Programs.rules.size(), 2u);
  EXPECT_EQ(s.Programs.unreadable, std::vector<Text>{u"odd.exe = Sideways"});
  const std::string written = SerializeSettings(s);
  EXPECT_EQ(written, today + "\r\n[Programs]\r\nWindowsTerminal.exe = Paste\r\n"
                             "devenv.exe = Type, PassHotkey\r\nodd.exe = Sideways\r\n");
  EXPECT_EQ(Load(written).Programs, s.Programs);
}

TEST_F(SettingsFileTest, FailedWriteReportsFalseAndKeepsTheOldFile) {
  Settings s;
  ASSERT_TRUE(SaveSettings(path_, s));
  const std::string before = ReadBack();
  s.OnTop = true;
  SetFileWriteHook([](const Text&, std::string_view) -> long long { return 10; });
  EXPECT_FALSE(SaveSettings(path_, s));
  EXPECT_EQ(ReadBack(), before);
  SetFileWriteHook(nullptr);
  EXPECT_FALSE(SaveSettings((folder_ / "no such folder" / "Glyphwell.ini").u16string(), s));
}

// The file with the given Hotkey line, as the program writes it.
std::string HotkeyFile(const std::string& hotkey) {
  return "\xEF\xBB\xBF[General]\r\nOnTop = False\r\nLanguage = English\r\nHotkey = " + hotkey +
         "\r\nBeep = True\r\nHTML = False\r\nCheckUpdate = False\r\nConfirmEnd = False\r\n\r\n"
         "[Character map]\r\nOption = Standard\r\nCustomCaption = \r\nCustomCommand = \r\n";
}

// The hotkey: every value an earlier file can hold reads and writes back byte
// for byte as before; combinations read and write in their own form, and a
// function key alone stays "F<n>".
TEST_F(SettingsFileTest, EveryEarlierValueReadsAsBeforeAndIsWrittenBackByteForByte) {
  // Function keys, none, and the numbers a hand-edited file may hold.
  const std::pair<std::string, int> earlier[] = {
      {"F10", 10}, {"F1", 1}, {"F12", 12}, {"F24", 24}, {"\xC3\x98", 0}, {"F25", 25}, {"F-3", -3}};
  for (const auto& [value, number] : earlier) {
    const Settings s = Load(HotkeyFile(value));
    EXPECT_EQ(s.Hotkey, number) << value;
    EXPECT_EQ(s.HotkeyCombination.key, 0) << value;
    EXPECT_EQ(SerializeSettings(s), HotkeyFile(value)) << value;
  }
  // Values that never named a combination keep their old reading: the text
  // after the first character read as a number.
  EXPECT_EQ(Load(HotkeyFile("X+5")).Hotkey, 5);
  EXPECT_EQ(Load(HotkeyFile("Ctrl")).Hotkey, 0);
  EXPECT_EQ(Load(HotkeyFile("Hyper+K")).Hotkey, 0);
  EXPECT_EQ(Load(HotkeyFile("Hyper+K")).HotkeyCombination.key, 0);
  EXPECT_EQ(Load(HotkeyFile("F266")).Hotkey, 10);
}

TEST_F(SettingsFileTest, CombinationsReadAndWriteInTheirOwnForm) {
  const Settings s = Load(HotkeyFile("alt + ctrl+k"));
  EXPECT_EQ(s.Hotkey, 0);
  EXPECT_EQ(s.HotkeyCombination, (KeyCombination{kHotkeyCtrl | kHotkeyAlt, 'K'}));
  EXPECT_EQ(SerializeSettings(s), HotkeyFile("Ctrl+Alt+K"));

  const std::pair<KeyCombination, std::string> written[] = {
      {{kHotkeyShift, 0x79}, "Shift+F10"},
      {{kHotkeyWin, 0x87}, "Win+F24"},
      {{kHotkeyCtrl | kHotkeyAlt | kHotkeyShift | kHotkeyWin, '7'}, "Ctrl+Alt+Shift+Win+7"},
      {{kHotkeyCtrl, 0x20}, "Ctrl+Space"},
      {{kHotkeyAlt, 0x63}, "Alt+NumPad3"},
      {{kHotkeyCtrl, 0x6B}, "Ctrl+Add"},
      {{kHotkeyCtrl, 0xBA}, "Ctrl+VK_BA"},  // a key without a name
  };
  for (const auto& [combination, text] : written) {
    Settings s;
    s.Language = u"English";
    s.Hotkey = 0;
    s.HotkeyCombination = combination;
    EXPECT_EQ(SerializeSettings(s), HotkeyFile(text)) << text;
    EXPECT_EQ(Load(HotkeyFile(text)).HotkeyCombination, combination) << text;
    EXPECT_EQ(HotkeyOf(s), combination);
  }
}

TEST(HotkeyTest, OnlyAFunctionKeyMayGoWithoutAModifierAndModifierKeysAreNoKey) {
  EXPECT_TRUE(IsAcceptableHotkey({0, 0x70}));
  EXPECT_TRUE(IsAcceptableHotkey({0, 0x87}));
  EXPECT_FALSE(IsAcceptableHotkey({0, 0x88}));
  EXPECT_FALSE(IsAcceptableHotkey({0, 'A'}));
  EXPECT_TRUE(IsAcceptableHotkey({kHotkeyShift, 'A'}));
  EXPECT_TRUE(IsAcceptableHotkey({kHotkeyWin, 'A'}));
  EXPECT_FALSE(IsAcceptableHotkey({kHotkeyCtrl, 0x11}));  // Ctrl+Ctrl
  EXPECT_FALSE(IsAcceptableHotkey({kHotkeyAlt, 0x5B}));   // Alt+left Win
  EXPECT_FALSE(IsAcceptableHotkey({kHotkeyCtrl, 0}));
  EXPECT_FALSE(ParseKeyCombination(u"Ctrl+").has_value());
  EXPECT_FALSE(ParseKeyCombination(u"Ctrl+NoSuchKey").has_value());
  EXPECT_FALSE(ParseKeyCombination(u"F10").has_value());
  // Bare numbers of no function key register nothing.
  Settings s;
  s.Hotkey = 25;
  EXPECT_EQ(HotkeyOf(s).key, 0);
  EXPECT_EQ(HotkeyName(s), u"F25");
  s.Hotkey = 0;
  EXPECT_EQ(HotkeyName(s), u"");
}

TEST(SettingsFile, TheShownHotkeyNamesItsModifiersInTheLanguageAndTheFileKeepsTheEnglishNames) {
  LanguageTable german, french, builtin;
  ASSERT_EQ(LoadLanguageFile(german, testing_support::ShippedFolder(), u"Deutsch", false).status,
            LanguageLoadStatus::Loaded);
  ASSERT_EQ(LoadLanguageFile(french, testing_support::ShippedFolder(), u"Fran\u00E7ais", false).status,
            LanguageLoadStatus::Loaded);
  LoadBuiltInTable(builtin);
  Settings s;
  s.HotkeyCombination = {kHotkeyCtrl | kHotkeyAlt | kHotkeyShift | kHotkeyWin, 'K'};
  EXPECT_EQ(ShownHotkeyName(s, german), u"Strg+Alt+Umschalt+Win+K");
  EXPECT_EQ(ShownHotkeyName(s, french), u"Ctrl+Alt+Maj+Win+K");
  EXPECT_EQ(ShownHotkeyName(s, builtin), u"Ctrl+Alt+Shift+Win+K");
  EXPECT_EQ(HotkeyName(s), u"Ctrl+Alt+Shift+Win+K");
  EXPECT_NE(SerializeSettings(s).find("Hotkey = Ctrl+Alt+Shift+Win+K"), std::string::npos);
  // A language file without the words keeps the file's names.
  german.sections[u"WINMAIN"].erase(u"KEYSHIFT");
  EXPECT_EQ(ShownHotkeyName(s, german), u"Strg+Alt+Shift+Win+K");
  // A function key alone has no modifier to name.
  s.HotkeyCombination = {};
  s.Hotkey = 10;
  EXPECT_EQ(ShownHotkeyName(s, german), u"F10");
}

}  // namespace
}  // namespace gw
