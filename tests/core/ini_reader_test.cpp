#include "settings/ini_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/platform.h"

namespace gw {
namespace {

using Group = IniReader::Group;

std::vector<std::pair<Text, Text>> KeysOf(const Group& group) {
  std::vector<std::pair<Text, Text>> keys;
  for (const auto& k : group.keys) keys.emplace_back(k.name, k.value);
  return keys;
}

TEST(IniReaderTest, SplitsLinesIntoGroupsAndKeys) {
  IniReader ini;
  ini.OpenBytes(
      "\r\n\r\n"
      "Orphan = before any group\r\n"
      "  [General]  trailing text\r\r\n\n"
      "\t; a comment = not a key\n"
      "  Program version \t=  \t \"1.11\" \t \n"
      "Formula = a=b \r"
      "Bare key \t\n"
      "   \t  \n"
      "=no name\n"
      "[ Spaced ]\n"
      "Key=\n"
      "[Unclosed");
  const auto& groups = ini.Groups();
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].name, u"General");
  EXPECT_EQ(groups[1].name, u" Spaced ");
  EXPECT_EQ(groups[2].name, u"Unclosed");
  using KV = std::vector<std::pair<Text, Text>>;
  EXPECT_EQ(KeysOf(groups[0]), (KV{{u"Program version", u"\"1.11\""},
                                   {u"Formula", u"a=b"},
                                   {u"Bare key", u""},
                                   {u"", u"no name"}}));
  EXPECT_EQ(KeysOf(groups[1]), (KV{{u"Key", u""}}));
  EXPECT_TRUE(groups[2].keys.empty());
}

TEST(IniReaderTest, SelectsAndReadsIgnoringCaseOfAsciiLettersOnly) {
  IniReader ini;
  ini.OpenBytes(
      "[General]\nBeep = first\nbeep = second\n"
      "[general]\nOnTop = other group\n"
      "[\xC4rger]\nKey = 1\n");  // "Ärger" in Windows-1252
  ASSERT_EQ(ini.Groups().size(), 3u);
  EXPECT_EQ(ini.Groups()[0].keys.size(), 2u);  // walking keeps duplicates

  EXPECT_EQ(ini.Read(u"Beep", u"none"), u"none");  // nothing selected yet
  ASSERT_TRUE(ini.SelectGroup(u"GENERAL"));
  EXPECT_EQ(ini.Read(u"BEEP", u"none"), u"first");
  EXPECT_EQ(ini.Read(u"OnTop", u"none"), u"none");  // only the first group is read
  EXPECT_EQ(ini.Read(u"Beep ", u"none"), u"none");

  // A failed selection makes every read return its default.
  EXPECT_FALSE(ini.SelectGroup(u"Missing"));
  EXPECT_EQ(ini.Read(u"Beep", u"none"), u"none");

  if (AnsiToText("\xC4") == u"\u00C4") {
    EXPECT_TRUE(ini.SelectGroup(u"\u00C4RGER"));
    EXPECT_FALSE(ini.SelectGroup(u"\u00E4RGER"));  // only A-Z fold
  }

  // A copy keeps its own selection.
  ASSERT_TRUE(ini.SelectGroup(u"general"));
  IniReader copy = ini;
  ini.Close();
  EXPECT_TRUE(ini.Groups().empty());
  EXPECT_EQ(ini.Read(u"Beep", u"none"), u"none");
  EXPECT_EQ(copy.Read(u"Beep", u"none"), u"first");
}

TEST(IniReaderTest, DetectsEncodingByByteOrderMark) {
  IniReader ini;
  ini.OpenBytes("\xEF\xBB\xBF[G]\nK = \xC3\xBC\n");
  ASSERT_TRUE(ini.SelectGroup(u"G"));
  EXPECT_EQ(ini.Read(u"K", u""), u"\u00FC");

  // UTF-8 without the mark is taken as ANSI text.
  ini.OpenBytes("[G]\nK = \xC3\xBC\n");
  ASSERT_TRUE(ini.SelectGroup(u"G"));
  EXPECT_EQ(ini.Read(u"K", u""), AnsiToText("\xC3\xBC"));

  // Two bytes of a mark are no mark.
  ini.OpenBytes("\xEF\xBB");
  EXPECT_TRUE(ini.Groups().empty());

  // UTF-16 yields no usable group.
  const std::u16string utf16 = u"\uFEFF[G]\r\nK = v\r\n";
  ini.OpenBytes(std::string_view(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2));
  EXPECT_TRUE(ini.Groups().empty());
}

TEST(IniReaderTest, OpensFilesAndReplacesEarlierContent) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() /
      ("gw-ini-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(folder);
  const fs::path file = folder / "a.ini";
  { std::ofstream(file, std::ios::binary) << "[One]\nA = 1\n"; }

  IniReader ini;
  ini.OpenBytes("[Old]\nX = y\n");
  ASSERT_TRUE(ini.Open(file.u16string()));
  ASSERT_EQ(ini.Groups().size(), 1u);
  EXPECT_EQ(ini.Groups()[0].name, u"One");

  EXPECT_FALSE(ini.Open((folder / "missing.ini").u16string()));
  EXPECT_TRUE(ini.Groups().empty());
  EXPECT_FALSE(ini.Open(folder.u16string()));  // a folder is no file
  fs::remove_all(folder);
}

TEST(IniReaderTest, ReadsVeryLongFiles) {
  std::string bytes = "[Big]\r\n";
  const int count = 100000;
  for (int i = 0; i < count; ++i) bytes += "Key" + std::to_string(i) + " = \"value " + std::to_string(i) + "\"\r\n";
  IniReader ini;
  ini.OpenBytes(bytes);
  ASSERT_EQ(ini.Groups().size(), 1u);
  ASSERT_EQ(ini.Groups()[0].keys.size(), static_cast<size_t>(count));
  ASSERT_TRUE(ini.SelectGroup(u"big"));
  EXPECT_EQ(ini.Read(u"key99999", u""), u"\"value 99999\"");
}

}  // namespace
}  // namespace gw
