// The search of every character: the search data's reader, the words and
// their order, the typed codes, and the recent characters' file.
#include <gtest/gtest.h>

#include <zlib.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <tuple>
#include <unistd.h>

#include "base/platform.h"
#include "name_text.h"
#include "table/character_search.h"
#include "table/recent_characters.h"

namespace gw {
namespace {

std::string Pack(const std::string& text) {
  std::string file = "GWFIND01";
  const uint32_t size = static_cast<uint32_t>(text.size());
  const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(text.data()), size);
  for (uint32_t v : {size, crc})
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<char>(v >> (8 * i)));
  uLongf packed_size = compressBound(size);
  std::string packed(packed_size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
           reinterpret_cast<const Bytef*>(text.data()), size);
  return file + packed.substr(0, packed_size);
}

// A small world: a few names, aliases, emoji and CLDR names in two languages.
// A name text as tools/make_names.py writes it.
std::string NameText(std::vector<std::tuple<char32_t, const char*, const char*>> listed) {
  return "# test\n" + NameLines(listed);
}

const std::string kNames = NameText({{0x3D, "EQUALS SIGN", "equals"},
                                     {0x61, "LATIN SMALL LETTER A", ""},
                                     {0xDF, "LATIN SMALL LETTER SHARP S", "szlig"},
                                     {0x308, "COMBINING DIAERESIS", ""},
                                     {0x2260, "NOT EQUAL TO", "ne"},
                                     {0x2318, "PLACE OF INTEREST SIGN", ""},
                                     {0x2603, "SNOWMAN", ""},
                                     {0x26C4, "SNOWMAN WITHOUT SNOW", ""},
                                     {0x1F386, "SNOWMAN FACE", ""},  // made up, for the order
                                     {0x1F469, "WOMAN", ""},
                                     {0x1F4BB, "PERSONAL COMPUTER", ""}});

constexpr const char* kSearchData =
    "# test data\n"
    "[aliases]\n"
    "308;umlaut|diaeresis\n"
    "200F;command key|operating system key\n"
    "2EA;snowman without snow\n"
    "[emoji]\n"
    "2603 FE0F;snowman\n"
    "26C4;snowman without snow\n"
    "1F469 200D 1F4BB;woman technologist\n"
    "[en]\n"
    "2260;not equal;inequality|unequal\n"
    "2603;snowman;cold|snow\n"
    "1F469 200D 1F4BB;woman technologist;coder|developer|technologist\n"
    "[de]\n"
    "2260;ungleich;Ungleichheit\n"
    "2603;Schneemann im Schnee;Schneemann|Schnee\n"
    "26C4;Schneemann ohne Schneeflocken;Schneemann\n"
    "DF;scharfes S;Eszett|Straße\n"
    "3D;;Donner|Blitz\n"
    "2013;Halbgeviertstrich;Strich;Gedankenstrich|Bis-Strich\n"
    "2318;;Blitz Donner|grün\n"
    "[xx]\n"
    "this line belongs to a section that is passed over\n";

class CharacterSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(names_.LoadText(kNames));
    ASSERT_TRUE(data_.Load(Pack(kSearchData)));
    search_.Prepare(names_, data_, "de");
  }
  // The characters of the results, in order.
  std::vector<std::string> Found(const char16_t* text, std::vector<Text> recent = {}) {
    std::vector<std::string> out;
    for (const SearchResult& r : search_.Search(text, recent, 50))
      out.push_back(TextToUtf8(search_.Characters(r.key)));
    return out;
  }
  CharacterNames names_;
  SearchData data_;
  CharacterSearch search_;
};

TEST_F(CharacterSearchTest, ReaderKeepsEverySection) {
  EXPECT_EQ(data_.Source(), "test data");
  EXPECT_EQ(data_.Aliases(0x2318), "command key|operating system key");
  ASSERT_EQ(data_.EmojiCount(), 3u);
  EXPECT_EQ(data_.EmojiCodes(2), (std::u32string{0x1F469, 0x200D, 0x1F4BB}));
  EXPECT_EQ(data_.EmojiName(0), "snowman");
  ASSERT_EQ(data_.Annotations("de").size(), 7u);
  EXPECT_EQ(data_.Name(data_.Annotations("de")[3]), "scharfes S");
  EXPECT_EQ(data_.EverydayNames(data_.Annotations("de")[5]), "Gedankenstrich|Bis-Strich");
  EXPECT_EQ(data_.EverydayNames(data_.Annotations("de")[6]), "");
  EXPECT_TRUE(data_.Annotations("fr").empty());
}

TEST(SearchData, DamagedInputsGiveNothing) {
  SearchData data;
  const std::string good = Pack(kSearchData);
  // The file: cut short, a changed byte, another kind.
  EXPECT_FALSE(data.Load(good.substr(0, good.size() - 5)));
  std::string flipped = good;
  flipped[flipped.size() / 2] ^= 0x40;
  EXPECT_FALSE(data.Load(flipped));
  EXPECT_FALSE(data.Load("GWNAMES1" + good.substr(8)));
  // One faulty line in each section.
  for (const char* text : {"[aliases]\nZZ;alias\n", "[aliases]\n110000;alias\n",
                           "[emoji]\n1F600\n", "[emoji]\n1F600 ;grinning\n",
                           "[de]\n2260;ungleich\n", "[de]\n2260;ungleich;a;b;c\n",
                           "[de]\n2260;\xC3(;\n", "2260;outside any section\n",
                           "[en]\n2260;not equal;inequality"}) {
    EXPECT_FALSE(data.LoadText(text)) << text;
    EXPECT_TRUE(data.Empty());
  }
}

TEST_F(CharacterSearchTest, WordsInAnyOrderIgnoringCaseAccentsAndApostrophes) {
  EXPECT_EQ(Found(u"Ungleich"), std::vector<std::string>{"≠"});
  EXPECT_EQ(Found(u"equal NOT"), std::vector<std::string>{"≠"});
  EXPECT_EQ(Found(u"KEY command"), std::vector<std::string>{"⌘"});
  EXPECT_EQ(Found(u"strasse"), std::vector<std::string>{"ß"});  // "Straße"
  EXPECT_EQ(Found(u"Straße"), std::vector<std::string>{"ß"});
  // "ae", "oe", "ue" for the umlauts, when the words find nothing as typed.
  EXPECT_EQ(Found(u"Gruen"), std::vector<std::string>{"⌘"});
  EXPECT_EQ(WithoutUmlautSpelling({"haekchen", "gruen", "soeben"}),
            (std::vector<std::string>{"hakchen", "grun", "soben"}));
  EXPECT_EQ(Found(u"\u00fcmlaut"), std::vector<std::string>{"\u0308"});
  EXPECT_EQ(Found(u"tech\u2019nologist"), std::vector<std::string>{"👩‍💻"});
  // Every word must be found, but for the little words of the language and
  // English, which names leave out; when nothing is found, a word that is in
  // no name is tried with up to three letters less at its end (to four
  // letters at least)...
  EXPECT_TRUE(Found(u"snowman equal").empty());
  EXPECT_EQ(Found(u"Blitz und Donner"), (std::vector<std::string>{"=", "⌘"}));
  EXPECT_EQ(WithoutLittleWords({"larmes", "de", "joie"}, "fr"),
            (std::vector<std::string>{"larmes", "joie"}));
  EXPECT_EQ(WithoutLittleWords({"larmes", "de", "joie"}, "de").size(), 3u);
  EXPECT_EQ(WithoutLittleWords({"a", "with", "ring"}, "en"), (std::vector<std::string>{"a", "ring"}));
  EXPECT_EQ(WithoutLittleWords({"of", "the"}, "en").size(), 2u);  // nothing else: kept
  EXPECT_EQ(Found(u"technologists"), std::vector<std::string>{"👩‍💻"});
  EXPECT_TRUE(Found(u"snowmanxyzw").empty());
  // ... and a long word found nowhere, as two words joined (German).
  EXPECT_EQ(Found(u"Donnerblitz"), (std::vector<std::string>{"=", "⌘"}));
  // French keywords are not searched by a German program.
  search_.Prepare(names_, data_, "fr");
  EXPECT_TRUE(Found(u"ungleich").empty());
  EXPECT_EQ(Found(u"unequal"), std::vector<std::string>{"≠"});
}

TEST_F(CharacterSearchTest, OrderOfMatchesThenRecentThenCodePoint) {
  // Exact names first (by code point: ☃ SNOWMAN, the emoji sequence named
  // "snowman" after it), then names that begin with the word (the shorter
  // name first), then keywords, then words that hold it inside.
  EXPECT_EQ(Found(u"snowman"), (std::vector<std::string>{"☃", "☃️", "🎆", "⛄"}));
  const std::vector<SearchResult> results = search_.Search(u"snowman", {}, 50);
  EXPECT_EQ(results[0].rank, MatchRank::Exact);
  EXPECT_EQ(results[2].rank, MatchRank::NamePrefix);
  EXPECT_EQ(search_.Search(u"developer", {}, 50)[0].rank, MatchRank::Keyword);
  EXPECT_EQ(search_.Search(u"eszet", {}, 50)[0].rank, MatchRank::Keyword);
  EXPECT_EQ(search_.Search(u"nologist", {}, 50)[0].rank, MatchRank::Inside);
  EXPECT_EQ(search_.Search(u"SZlig", {}, 50)[0].rank, MatchRank::Exact);  // an entity, any case
  // An everyday name is a name: exact; a whole keyword goes before the same
  // words found in several keywords.
  EXPECT_EQ(search_.Search(u"Gedankenstrich", {}, 50)[0].rank, MatchRank::Exact);
  EXPECT_EQ(Found(u"blitz donner"), (std::vector<std::string>{"⌘", "="}));
  // An exact name of its own before the same words as another's alias.
  EXPECT_EQ(Found(u"snowman without snow")[0], "⛄");
  // A recently used character goes before its equals, not before better matches.
  EXPECT_EQ(Found(u"snowman", {u"⛄"}), (std::vector<std::string>{"☃", "☃️", "⛄", "🎆"}));
  EXPECT_EQ(Found(u"snowm", {u"🎆"}), (std::vector<std::string>{"🎆", "☃", "☃️", "⛄"}));
  // The empty text shows the recent characters.
  EXPECT_EQ(Found(u"", {u"⌘", u"👩‍💻"}), (std::vector<std::string>{"⌘", "👩‍💻"}));
}

// 100,000 characters: the tables of the items and of the whole names grow
// while they are made, and every name is still found by itself.
TEST(CharacterSearchGrowth, EveryNameOfAHundredThousandIsFoundExactly) {
  std::string text = "# many\n";
  std::vector<std::string> words;
  for (int i = 0; i < 100000; ++i) {
    std::string word;
    for (int n = i, k = 0; k < 4; ++k, n /= 26) word.push_back(static_cast<char>('A' + n % 26));
    words.push_back(word);
    text += std::string(i ? "" : "10000") + ";SIGN " + word + (i == 99999 ? ";last\n" : ";\n");
  }
  CharacterNames names;
  ASSERT_TRUE(names.LoadText(text));
  CharacterSearch search;
  search.Prepare(names, SearchData(), "en");
  for (int i : {0, 1, 49999, 65536, 99999}) {
    const std::vector<SearchResult> found = search.Search(Utf8ToText("sign " + words[i]), {}, 5);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].key, static_cast<ResultKey>(0x10000 + i));
    EXPECT_EQ(found[0].rank, MatchRank::Exact);
  }
  const std::vector<SearchResult> entity = search.Search(u"last", {}, 5);
  ASSERT_FALSE(entity.empty());
  EXPECT_EQ(entity[0].key, static_cast<ResultKey>(0x10000 + 99999));
  EXPECT_EQ(entity[0].rank, MatchRank::Exact);
}

TEST_F(CharacterSearchTest, TypedCodesPutTheirCharacterFirst) {
  for (const char16_t* text : {u"U+2260", u"u+2260", u"2260", u"\\u2260", u"&ne;", u"&ne",
                               u"&#8800;", u"&#x2260;", u"&#X2260", u" ≠ "}) {
    const std::vector<SearchResult> r = search_.Search(text, {}, 50);
    ASSERT_FALSE(r.empty()) << TextToUtf8(text);
    EXPECT_EQ(r[0].key, 0x2260u) << TextToUtf8(text);
    EXPECT_EQ(r[0].rank, MatchRank::TypedCode);
  }
  EXPECT_EQ(TypedCode(u"\\U0001F600"), 0x1F600);
  EXPECT_EQ(TypedCode(u"1f600"), 0x1F600);
  // Not codes: no digit, too long, beyond U+10FFFF, a plain word.
  for (const char16_t* text : {u"beef", u"1234567", u"U+110000", u"&#;", u"snow", u"U+"})
    EXPECT_EQ(TypedCode(text), -1) << TextToUtf8(text);
  // An emoji sequence pasted whole is that result; a plain letter is searched.
  EXPECT_EQ(Found(u"👩‍💻"), std::vector<std::string>{"👩‍💻"});
  EXPECT_EQ(search_.Search(u"a", {}, 50).size() == 0 ||
                search_.Search(u"a", {}, 50)[0].rank != MatchRank::TypedCode,
            true);
  EXPECT_EQ(TextToUtf8(search_.CodeText(search_.Search(u"woman technologist", {}, 1)[0].key)),
            "U+1F469 U+200D U+1F4BB");
}

TEST_F(CharacterSearchTest, NamesInTheProgramsLanguageElseUnicode) {
  EXPECT_EQ(search_.Name(0x2260), "ungleich");
  EXPECT_EQ(search_.Name(0x2318), "PLACE OF INTEREST SIGN");
  ResultKey key = 0;
  ASSERT_TRUE(search_.KeyOf(u"👩‍💻", key));
  EXPECT_EQ(search_.Name(key), "woman technologist");
  EXPECT_EQ(FoldForSearch(TextView(u"  L'Œuvre – DÉJÀ Vu ")), "loeuvre deja vu");
}

TEST(RecentCharacters, KeepsTheLastThirtyMostRecentFirst) {
  RecentCharacters recent;
  for (char16_t c = u'a'; c < u'a' + 40; ++c) recent.Add(Text(1, c));
  recent.Add(u"👩‍💻");
  recent.Add(u"\xD800");  // a lone surrogate is not kept
  recent.Add(u"\u2260");
  recent.Add(u"👩‍💻");
  ASSERT_EQ(recent.Items().size(), RecentCharacters::kMaxCount);
  EXPECT_EQ(recent.Items()[0], u"👩‍💻");
  EXPECT_EQ(recent.Items()[1], u"\u2260");
  EXPECT_EQ(recent.Items()[2], Text(1, u'a' + 39));

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("gw-recent-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const Text path = RecentCharactersPath(Utf8ToText(folder.string() + "/"));
  EXPECT_TRUE(ReadRecentCharacters(path).Items().empty());  // missing
  ASSERT_TRUE(WriteRecentCharacters(path, recent));
  EXPECT_EQ(ReadRecentCharacters(path).Items(), recent.Items());
  // Damaged: another first line, a bad code, a surrogate, more than thirty.
  for (const std::string bytes :
       {std::string("2260\r\n"), std::string("# Glyphwell recent characters\r\nXYZ\r\n"),
        std::string("# Glyphwell recent characters\r\nD800\r\n"),
        recent.Serialize() + "41\r\n"}) {
    std::ofstream(folder / "RecentCharacters.txt", std::ios::binary) << bytes;
    EXPECT_TRUE(ReadRecentCharacters(path).Items().empty()) << bytes;
  }
  std::filesystem::remove_all(folder);
}

// The data the program carries, when the build found every source.
TEST(SearchData, ShippedFileFindsWhatUsersAskFor) {
  std::string names_file, search_file;
  ASSERT_EQ(ReadWholeFile(AsciiToText(GW_NAMES_FILE), names_file), ReadResult::Ok);
  ASSERT_EQ(ReadWholeFile(AsciiToText(GW_SEARCH_FILE), search_file), ReadResult::Ok);
  CharacterNames names;
  SearchData data;
  ASSERT_TRUE(names.Load(names_file));
  ASSERT_TRUE(data.Load(search_file));
  if (data.Source().find("missing:") != std::string_view::npos)
    GTEST_SKIP() << "built without every source: " << data.Source();
  EXPECT_GT(data.EmojiCount(), 3000u);
  CharacterSearch search;
  search.Prepare(names, data, "de");
  EXPECT_EQ(search.Search(u"ungleich", {}, 5)[0].key, 0x2260u);
  EXPECT_EQ(search.Search(u"Gedankenstrich", {}, 5)[0].key, 0x2013u);  // tools/everyday_names.txt
  EXPECT_EQ(TextToUtf8(search.Characters(search.Search(u"woman technologist", {}, 5)[0].key)),
            "👩‍💻");
  // Letters named by their accent, CLDR's contributed names, a synonym.
  EXPECT_EQ(search.Search(u"o Umlaut", {}, 5)[0].key, 0xF6u);
  EXPECT_EQ(search.Search(u"großes O Umlaut", {}, 5)[0].key, 0xD6u);
  EXPECT_EQ(search.Search(u"für alle", {}, 5)[0].key, 0x2200u);
  EXPECT_EQ(TextToUtf8(search.Characters(search.Search(u"Fahne Österreich", {}, 5)[0].key)),
            "🇦🇹");
  search.Prepare(names, data, "fr");
  EXPECT_EQ(search.Search(u"non egal", {}, 5)[0].key, 0x2260u);
  EXPECT_EQ(search.Search(u"E tréma majuscule", {}, 5)[0].key, 0xCBu);
  EXPECT_EQ(search.Search(u"s hacek", {}, 5)[0].key, 0x161u);
  EXPECT_EQ(search.Search(u"command key", {}, 5)[0].key, 0x2318u);
}

}  // namespace
}  // namespace gw
