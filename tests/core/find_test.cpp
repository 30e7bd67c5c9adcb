// Find: which rows hold every word of a search text, in which of their fields
// a word may be found, the order in which matches are visited, and that the
// search texts kept for the rows follow every change of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <vector>

#include "mainwindow/find.h"
#include "name_text.h"

namespace gw {
namespace {

// A name text as tools/make_names.py writes it, for the listed code points.
CharacterNames Names(std::vector<std::tuple<char32_t, const char*, const char*>> listed) {
  std::string text = "=4E00..9FFF;CJK UNIFIED IDEOGRAPH-\n" + NameLines(listed);
  CharacterNames names;
  EXPECT_TRUE(names.LoadText(text));
  return names;
}

class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    names_ = Names({{0xF6, "LATIN SMALL LETTER O WITH DIAERESIS", "ouml"},
                    {0x3C0, "GREEK SMALL LETTER PI", "pi"},
                    {0x2013, "EN DASH", "ndash"},
                    {0x2014, "EM DASH", "mdash"},
                    {0x2190, "LEFTWARDS ARROW", "larr"},
                    {0x2192, "RIGHTWARDS ARROW", "rarr"},
                    {0x1F600, "GRINNING FACE", ""}});
    for (const auto& [trigger, code, comment] :
         std::vector<std::tuple<Text, Text, Text>>{{u"-", u"\\u2013", u"en dash"},      // 0
                                                   {u"", u"\\u2014", u"Geviertstrich"},  // 1
                                                   {u"p", u"\\u03C0", u""},              // 2
                                                   {u"", u"\\u00F6", u"o Umlaut"},       // 3
                                                   {u"", u"\\u2190\\u2192", u"Pfeile"},  // 4
                                                   {u"", u"\\u1F600", u"Smiley"},        // 5
                                                   {u"@", u"\\u0062", u""},              // 6
                                                   {u"", u"\\u4E00", u"one"}})           // 7
      table_.AppendRow(CharacterEntry{trigger, code, comment});
  }

  std::vector<int> Rows(TextView text, const CharacterNames* names) {
    finder_.Search(table_, names, text);
    std::vector<int> rows;
    for (int row = 0; row < table_.RowCount(); ++row) rows.push_back(finder_.NextAfter(row - 1));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows == std::vector<int>{-1}) rows.clear();
    EXPECT_EQ(finder_.MatchCount(), static_cast<int>(rows.size()));
    return rows;
  }
  std::vector<int> Rows(TextView text) { return Rows(text, &names_); }

  CharacterNames names_;
  CharacterTable table_;
  RowFinder finder_;
};

TEST_F(FindTest, EveryWordIsFoundInOneFieldOfTheRowIgnoringCase) {
  EXPECT_EQ(Rows(u"greek small pi"), std::vector<int>{2});   // the Unicode name
  EXPECT_EQ(Rows(u"mdash"), std::vector<int>{1});            // an entity name
  EXPECT_EQ(Rows(u"OUML"), std::vector<int>{3});
  EXPECT_EQ(Rows(u"2013"), std::vector<int>{0});             // the code text
  EXPECT_EQ(Rows(u"\\u2190"), std::vector<int>{4});
  EXPECT_EQ(Rows(u"arrow"), std::vector<int>{4});            // either character's name
  EXPECT_EQ(Rows(u"\u03A0"), std::vector<int>{2});           // the character, capital Pi
  EXPECT_EQ(Rows(u"\U0001F600"), std::vector<int>{5});
  EXPECT_EQ(Rows(u"smiley grinning"), std::vector<int>{5});  // comment and name
  EXPECT_EQ(Rows(u"  dash   en "), (std::vector<int>{0}));   // "em dash" has no "en"
  EXPECT_EQ(Rows(u"ideograph-4e00"), std::vector<int>{7});   // a name made by rule
  EXPECT_EQ(Rows(u"@"), std::vector<int>{6});                // the trigger
  EXPECT_EQ(Rows(u"b"), std::vector<int>{6});                // the characters
  EXPECT_EQ(Rows(u"   "), std::vector<int>{});
  EXPECT_EQ(Rows(u"pi nothing"), std::vector<int>{});
  // A word is never found across two fields or two names.
  EXPECT_EQ(Rows(u"@b"), std::vector<int>{});               // trigger "@", character "b"
  EXPECT_EQ(Rows(u"arrowrightwards"), std::vector<int>{});
  EXPECT_EQ(Rows(u"pfeileleftwards"), std::vector<int>{});
  // Without names only the row's own fields count.
  EXPECT_EQ(Rows(u"greek", nullptr), std::vector<int>{});
  EXPECT_EQ(Rows(u"2013", nullptr), std::vector<int>{0});
  CharacterNames none;
  EXPECT_EQ(Rows(u"mdash", &none), std::vector<int>{});
}

TEST_F(FindTest, MatchesAreVisitedFromTheCurrentRowOnGoingRound) {
  ASSERT_EQ(finder_.Search(table_, &names_, u"dash"), 2);  // rows 0 and 1
  EXPECT_EQ(finder_.FirstFrom(-1), 0);
  EXPECT_EQ(finder_.FirstFrom(1), 1);
  EXPECT_EQ(finder_.FirstFrom(2), 0);
  EXPECT_EQ(finder_.NextAfter(0), 1);
  EXPECT_EQ(finder_.NextAfter(1), 0);
  EXPECT_EQ(finder_.NextAfter(-1), 0);
  EXPECT_EQ(finder_.PreviousBefore(1), 0);
  EXPECT_EQ(finder_.PreviousBefore(0), 1);
  EXPECT_EQ(finder_.PreviousBefore(5), 1);
  EXPECT_EQ(finder_.PreviousBefore(-1), 1);
  ASSERT_EQ(finder_.Search(table_, &names_, u"xyz"), 0);
  EXPECT_EQ(finder_.FirstFrom(0), -1);
  EXPECT_EQ(finder_.NextAfter(0), -1);
  EXPECT_EQ(finder_.PreviousBefore(0), -1);
}

TEST_F(FindTest, TypingOnNarrowsAndEveryChangeOfTheTableIsSeen) {
  EXPECT_EQ(Rows(u"d"), (std::vector<int>{0, 1, 3, 4, 7}));
  EXPECT_EQ(Rows(u"da"), (std::vector<int>{0, 1}));
  EXPECT_EQ(Rows(u"da e"), (std::vector<int>{0, 1}));
  EXPECT_EQ(Rows(u"da en"), (std::vector<int>{0}));
  EXPECT_EQ(Rows(u"da"), (std::vector<int>{0, 1}));  // a shorter text looks at all rows again

  table_.ReplaceRow(6, CharacterEntry{u"@", u"\\u2014", u""});
  EXPECT_EQ(Rows(u"mdash"), (std::vector<int>{1, 6}));
  table_.RemoveRow(0);
  EXPECT_EQ(Rows(u"mdash"), (std::vector<int>{0, 5}));
  table_.MoveRow(0, 1);
  EXPECT_EQ(Rows(u"mdash"), (std::vector<int>{1, 5}));
  table_.InsertRow(0, CharacterEntry{u"", u"\\u2014", u""});
  EXPECT_EQ(Rows(u"mdash"), (std::vector<int>{0, 2, 6}));

  // Another table of as many rows is another table.
  CharacterTable other = table_;
  other.ReplaceRow(0, CharacterEntry{u"", u"\\u0041", u""});
  EXPECT_EQ(finder_.Search(other, &names_, u"mdash"), 2);
  EXPECT_EQ(finder_.Search(table_, &names_, u"mdash"), 3);
}

TEST(FindTexts, WordsTitleAndStatus) {
  EXPECT_EQ(SearchWords(u" Greek  SMALL\u00A0pi "), (std::vector<Text>{u"greek", u"small\u00A0pi"}));
  EXPECT_EQ(FindWindowTitle(u"Find ...\tCtrl+F"), u"Find");
  EXPECT_EQ(FindWindowTitle(u"Rechercher...\tCtrl+F"), u"Rechercher");
  EXPECT_EQ(FindWindowTitle(u"&Zeichen suchen ..."), u"Zeichen suchen");
  const TextView none = u"none %s", one = u"one %s", many = u"%s of %s";
  EXPECT_EQ(FindStatusText(none, one, many, 0, u"x"), u"none x");
  EXPECT_EQ(FindStatusText(none, one, many, 1, u"x"), u"one x");
  // The text searched for is shown as typed, "|" and "%" included.
  EXPECT_EQ(FindStatusText(none, one, many, 12, u"a|b %s"), u"12 of a|b %s");
}

}  // namespace
}  // namespace gw
