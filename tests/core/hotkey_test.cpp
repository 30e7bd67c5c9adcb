// The hotkey in the settings file: every value an earlier file can hold reads
// and writes back byte for byte as before; combinations read and write in
// their own form, and a function key alone stays "F<n>".
#include "settings/hotkey.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/settings.h"

namespace gw {
namespace {

namespace fs = std::filesystem;

class HotkeyFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("gw-hotkey-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_);
    path_ = (folder_ / "Glyphwell.ini").u16string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The file with the given Hotkey line, as the program writes it.
  static std::string File(const std::string& hotkey) {
    return "\xEF\xBB\xBF[General]\r\nOnTop = False\r\nLanguage = English\r\nHotkey = " + hotkey +
           "\r\nBeep = True\r\nHTML = False\r\nCheckUpdate = False\r\nConfirmEnd = False\r\n\r\n"
           "[Character map]\r\nOption = Standard\r\nCustomCaption = \r\nCustomCommand = \r\n";
  }
  Settings Load(const std::string& bytes) {
    std::ofstream(fs::path(path_), std::ios::binary) << bytes;
    Settings s;
    EXPECT_TRUE(LoadSettings(path_, s));
    return s;
  }

  fs::path folder_;
  Text path_;
};

TEST_F(HotkeyFileTest, EveryEarlierValueReadsAsBeforeAndIsWrittenBackByteForByte) {
  // Function keys, none, and the numbers a hand-edited file may hold.
  const std::pair<std::string, int> earlier[] = {
      {"F10", 10}, {"F1", 1}, {"F12", 12}, {"F24", 24}, {"\xC3\x98", 0}, {"F25", 25}, {"F-3", -3}};
  for (const auto& [value, number] : earlier) {
    const Settings s = Load(File(value));
    EXPECT_EQ(s.Hotkey, number) << value;
    EXPECT_EQ(s.HotkeyCombination.key, 0) << value;
    EXPECT_EQ(SerializeSettings(s), File(value)) << value;
  }
  // Values that never named a combination keep their old reading: the text
  // after the first character read as a number.
  EXPECT_EQ(Load(File("X+5")).Hotkey, 5);
  EXPECT_EQ(Load(File("Ctrl")).Hotkey, 0);
  EXPECT_EQ(Load(File("Hyper+K")).Hotkey, 0);
  EXPECT_EQ(Load(File("Hyper+K")).HotkeyCombination.key, 0);
  EXPECT_EQ(Load(File("F266")).Hotkey, 10);
}

TEST_F(HotkeyFileTest, CombinationsReadAndWriteInTheirOwnForm) {
  const Settings s = Load(File("alt + ctrl+k"));
  EXPECT_EQ(s.Hotkey, 0);
  EXPECT_EQ(s.HotkeyCombination, (KeyCombination{kHotkeyCtrl | kHotkeyAlt, 'K'}));
  EXPECT_EQ(SerializeSettings(s), File("Ctrl+Alt+K"));

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
    EXPECT_EQ(SerializeSettings(s), File(text)) << text;
    EXPECT_EQ(Load(File(text)).HotkeyCombination, combination) << text;
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

}  // namespace
}  // namespace gw
