// The name file made at build time: every named code point of
// UnicodeData.txt has its name, the names made by rule included, and a file
// that is missing, cut short or damaged gives no names instead of a failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "base/platform.h"
#include "table/character_names.h"

namespace gw {
namespace {

// A path of the build machine as the program's text; under Wine the Unix
// root is drive Z:.
Text HostPath(const char* path) {
  Text text = AsciiToText(path);
#ifdef _WIN32
  for (auto& c : text)
    if (c == u'/') c = u'\\';
  text = u"Z:" + text;
#endif
  return text;
}

std::string ReadHostFile(const char* path) {
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(HostPath(path), bytes), ReadResult::Ok) << path;
  return bytes;
}

std::string Hex(char32_t code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(code));
  return buffer;
}

TEST(CharacterNames, ShippedFileNamesEveryNamedCodePointOfUnicodeData) {
  CharacterNames names;
  ASSERT_TRUE(names.Load(ReadHostFile(GW_NAMES_FILE)));
  EXPECT_NE(names.Source().find("UnicodeData.txt 15.0.0"), std::string_view::npos);

  std::istringstream data(ReadHostFile(GW_UNICODE_DATA));
  std::string line;
  size_t named = 0, by_rule = 0;
  char32_t range_first = 0;
  while (std::getline(data, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
    ASSERT_GE(fields.size(), 11u) << line;
    const char32_t code = static_cast<char32_t>(std::stoul(fields[0], nullptr, 16));
    const std::string& name = fields[1];
    if (name.ends_with(", First>")) {
      range_first = code;
      continue;
    }
    if (name.ends_with(", Last>")) {
      for (char32_t c = range_first; c <= code; ++c) {
        const std::string got = names.Name(c);
        if (name.starts_with("<CJK Ideograph"))
          ASSERT_EQ(got, "CJK UNIFIED IDEOGRAPH-" + Hex(c));
        else if (name.starts_with("<Tangut Ideograph"))
          ASSERT_EQ(got, "TANGUT IDEOGRAPH-" + Hex(c));
        else if (name.starts_with("<Hangul Syllable"))
          ASSERT_EQ(got, HangulSyllableName(c));
        else  // surrogates and private use have no names
          ASSERT_EQ(got, "") << Hex(c);
        by_rule += !got.empty();
      }
      continue;
    }
    const std::string expected = name == "<control>" ? fields[10] : name;
    ASSERT_EQ(names.Name(code), expected) << Hex(code);
    named += !expected.empty();
  }
  EXPECT_GT(named, 34000u);
  EXPECT_GT(by_rule, 98000u);
  // No other code point has a name.
  size_t with_name = 0;
  for (char32_t code = 0; code <= 0x10FFFF; ++code) with_name += !names.Name(code).empty();
  EXPECT_EQ(with_name, named + by_rule);

  // The syllables' names by the rule, the jamo without sound ("A") included.
  for (const auto& [code, name] : {std::pair<char32_t, const char*>{0xAC00, "HANGUL SYLLABLE GA"},
                                   {0xAC01, "HANGUL SYLLABLE GAG"}, {0xAE4C, "HANGUL SYLLABLE GGA"},
                                   {0xB0A0, "HANGUL SYLLABLE NAL"}, {0xC544, "HANGUL SYLLABLE A"},
                                   {0xC6D4, "HANGUL SYLLABLE WEOL"}, {0xD7A3, "HANGUL SYLLABLE HIH"}})
    EXPECT_EQ(names.Name(code), name);
  EXPECT_EQ(HangulSyllableName(0xD7A4), "");

  // The entity names of one character each, in their own case.
  EXPECT_EQ(names.EntityNames(0xF6), "ouml");
  EXPECT_EQ(names.EntityNames(0x2014), "mdash");
  EXPECT_EQ(names.EntityNames(0x26), "AMP amp");
  EXPECT_EQ(names.EntityNames(0x41), "");
  EXPECT_EQ(FirstCharacterName(names, u"\U0001F600!"), "GRINNING FACE");
  EXPECT_EQ(FirstCharacterName(names, u""), "");
}

TEST(CharacterNames, MissingCutOrDamagedFilesGiveNoNames) {
  const std::string good = ReadHostFile(GW_NAMES_FILE);
  ASSERT_GT(good.size(), 1000u);
  auto damaged = [&](std::string bytes, const char* what) {
    CharacterNames names;
    ASSERT_TRUE(names.Load(good));  // a failed load also forgets the names before
    EXPECT_FALSE(names.Load(bytes)) << what;
    EXPECT_TRUE(names.Empty()) << what;
    EXPECT_EQ(names.Name(0x3C0), "") << what;
    EXPECT_EQ(names.Name(0x4E00), "") << what;
    EXPECT_EQ(names.EntityNames(0xF6), "") << what;
  };
  damaged("", "empty");
  damaged(good.substr(0, 8), "header only");
  damaged(good.substr(0, good.size() / 2), "cut in half");
  damaged(good.substr(0, good.size() - 1), "one byte short");
  std::string bytes = good;
  bytes[0] = 'X';
  damaged(bytes, "another kind of file");
  bytes = good;
  bytes[good.size() / 2] ^= 0x20;
  damaged(bytes, "a byte changed in the packed text");
  bytes = good;
  bytes[12] ^= 1;
  damaged(bytes, "wrong checksum");
  bytes = good;
  bytes[11] = 0x7F;  // claims about 2 GB of text
  damaged(bytes, "size far too large");
  bytes = good;
  bytes[8] ^= 1;
  damaged(bytes, "size one off");
}

TEST(CharacterNames, TextWithAFaultyLineGivesNoNames) {
  CharacterNames names;
  ASSERT_TRUE(names.LoadText("# test\n=AC00..D7A3;HANGUL SYLLABLE \n=4E00..9FFF;CJK UNIFIED IDEOGRAPH-\n"
                             "41;LATIN CAPITAL LETTER A;\n;LATIN CAPITAL LETTER B;\n3;;AMP amp\n"));
  EXPECT_EQ(names.Name(0x41), "LATIN CAPITAL LETTER A");
  EXPECT_EQ(names.Name(0x42), "LATIN CAPITAL LETTER B");
  EXPECT_EQ(names.Name(0x46), "");
  EXPECT_EQ(names.EntityNames(0x46), "AMP amp");
  EXPECT_EQ(names.Name(0x4E00), "CJK UNIFIED IDEOGRAPH-4E00");
  EXPECT_EQ(names.Name(0xAC01), "HANGUL SYLLABLE GAG");
  EXPECT_EQ(names.ListedCount(), 3u);
  EXPECT_EQ(names.Source(), "test");

  for (const char* text : {"41;A;\n42;B", "41;A\n", "41;A;;\n", "4G;A;\n", "10FFFF;A;\n0;B;\n",
                           "1000000;A;\n", "41;\xC3\xA4;\n", "41;A\tB;\n", "\n", "",
                           "=42..41;X\n", "=41..42\n", "=41..42;\n", "=41-42;X\n"}) {
    EXPECT_FALSE(names.LoadText(text)) << text;
    EXPECT_TRUE(names.Empty()) << text;
  }
}

}  // namespace
}  // namespace gw
