// Keyboard records, the pair rule and the code payload of an insertion.
#include <gtest/gtest.h>

#include "mainwindow/elevated_target.h"
#include "mainwindow/insertion.h"
#include "table/code_notation.h"

namespace gw {
namespace {

constexpr std::uint32_t kDownU = kKeyUnicode;
constexpr std::uint32_t kUpU = kKeyUnicode | kKeyUp;

KeyRecord Down(char16_t unit) { return {0, unit, kDownU}; }
KeyRecord Up(char16_t unit) { return {0, unit, kUpU}; }

TEST(UnicodeKeyRecords, BmpCharactersGoDownAndUpOneAfterTheOther) {
  EXPECT_EQ(UnicodeKeyRecords(u"\u201E\u201C"),
            (std::vector<KeyRecord>{Down(0x201E), Up(0x201E), Down(0x201C), Up(0x201C)}));
  EXPECT_EQ(UnicodeKeyRecords(u"\u2013"), (std::vector<KeyRecord>{Down(0x2013), Up(0x2013)}));
}

TEST(UnicodeKeyRecords, SurrogatePairGoesBothDownThenBothUp) {
  const Text text = CharactersFromCodeText(u"\\u1F600");
  ASSERT_EQ(text, u"\xD83D\xDE00");
  EXPECT_EQ(UnicodeKeyRecords(text),
            (std::vector<KeyRecord>{Down(0xD83D), Down(0xDE00), Up(0xD83D), Up(0xDE00)}));
  // Between other characters the pair keeps its shape.
  EXPECT_EQ(UnicodeKeyRecords(u"a\xD83D\xDE00z"),
            (std::vector<KeyRecord>{Down(u'a'), Up(u'a'), Down(0xD83D), Down(0xDE00), Up(0xD83D),
                                    Up(0xDE00), Down(u'z'), Up(u'z')}));
}

TEST(UnicodeKeyRecords, LoneSurrogatesAreTypedAsSingleUnitsWithoutReadingPastTheText) {
  // A high surrogate as the last unit has nothing to pair with.
  const Text ends_high = u"a\xD83D";
  const TextView view(ends_high.data(), ends_high.size());
  EXPECT_EQ(UnicodeKeyRecords(view),
            (std::vector<KeyRecord>{Down(u'a'), Up(u'a'), Down(0xD83D), Up(0xD83D)}));
  // A view that stops right after a high surrogate must not see the low one
  // that follows in memory.
  const Text full = u"\xD83D\xDE00";
  EXPECT_EQ(UnicodeKeyRecords(TextView(full.data(), 1)),
            (std::vector<KeyRecord>{Down(0xD83D), Up(0xD83D)}));
  // A low surrogate first, and a low surrogate before a BMP character.
  EXPECT_EQ(UnicodeKeyRecords(u"\xDE00" u"b"),
            (std::vector<KeyRecord>{Down(0xDE00), Up(0xDE00), Down(u'b'), Up(u'b')}));
  // Two high surrogates: the first is lone, the second pairs with the low.
  EXPECT_EQ(UnicodeKeyRecords(u"\xD83D\xD83D\xDE00"),
            (std::vector<KeyRecord>{Down(0xD83D), Up(0xD83D), Down(0xD83D), Down(0xDE00),
                                    Up(0xD83D), Up(0xDE00)}));
  // Low before high is no pair.
  EXPECT_EQ(UnicodeKeyRecords(u"\xDE00\xD83D"),
            (std::vector<KeyRecord>{Down(0xDE00), Up(0xDE00), Down(0xD83D), Up(0xD83D)}));
}

TEST(UnicodeKeyRecords, EveryTextGivesTwoRecordsPerUnitAndEmptyGivesNone) {
  EXPECT_TRUE(UnicodeKeyRecords(u"").empty());
  const Text mixes[] = {u"x", u"\xD800", u"\xDFFF\xD800", u"ab\xD83D\xDE00\xD83D", u"\xD83D\xDE00\xDE00"};
  for (const Text& text : mixes) EXPECT_EQ(UnicodeKeyRecords(text).size(), 2 * text.size());
  // No virtual-key code on Unicode records.
  for (const KeyRecord& r : UnicodeKeyRecords(u"\u00AB\xD83D\xDE00")) EXPECT_EQ(r.vk, 0);
}

struct PairCase {
  const char16_t* code;
  bool caret_between;
};

TEST(PairRule, TwoCloseBmpCharactersGetTheCaretBetweenThem) {
  const PairCase cases[] = {
      {u"\\u201E\\u201C", true},   // „“
      {u"\\u201C\\u201D", true},   // “”
      {u"\\u00AB\\u00BB", true},   // «» differ by exactly 16
      {u"\\u00BB\\u00AB", true},   // either direction
      {u"\\u0041\\u0052", false},  // 17 apart
      {u"\\u0052\\u0041", false},
      {u"\\u0041\\u0041", true},   // equal values
      {u"\\u201E\\u201C\\u201D", false},  // three characters
      {u"\\u2013", false},                // one character
      {u"\\u1F600\\u1F601", false},       // above U+FFFE
      {u"\\u0041\\uFFFF", false},         // U+FFFF is above the limit
      {u"\\uFFFE\\uFFF0", true},          // U+FFFE is not
      {u"\\u1F600", false},               // one character of two units
      {u"\\u 201E\\u  201C", true},       // leading spaces in the fields
  };
  for (const PairCase& c : cases) {
    const Text characters = CharactersFromCodeText(c.code);
    EXPECT_EQ(CaretGoesBetweenPair(characters, c.code), c.caret_between)
        << TextToUtf8(c.code);
  }
}

TEST(PairRule, FieldsAreReadAsTheCodeNotationReadsThem) {
  EXPECT_EQ(CodeFieldValue(u"\\u201E\\u201C", 0), 0x201E);
  EXPECT_EQ(CodeFieldValue(u"\\u201E\\u201C", 1), 0x201C);
  EXPECT_EQ(CodeFieldValue(u"\\u201E\\u201C", 2), -1);
  EXPECT_EQ(CodeFieldValue(u"junk\\u  2aZ9", 0), 0x2A);  // text before the first field ignored
  EXPECT_EQ(CodeFieldValue(u"\\u", 0), 0);               // no digits
  EXPECT_EQ(CodeFieldValue(u"", 0), -1);
  // Many digits stay above the code-point limit instead of wrapping round.
  EXPECT_GT(CodeFieldValue(u"\\uFFFFFFFFFFFFFFFFFFFFFFFF0041", 0), 0x10FFFF);
  // A row whose characters count two but whose first field is huge: the
  // huge value is never taken for a small one.
  const Text code = u"\\uFFFFFFFFFFFFFFFF0041\\u0041";
  EXPECT_FALSE(CaretGoesBetweenPair(CharactersFromCodeText(code), code));
}

TEST(CodePayload, PlainCodeTextOrHtmlReferences) {
  EXPECT_EQ(CodePayload(u"\\u201E\\u201C", false), u"\\u201E\\u201C");
  EXPECT_EQ(CodePayload(u"\\u201E\\u201C", true), u"&#x201E;&#x201C;");
  EXPECT_EQ(CodePayload(u"\\u2013", true), u"&#x2013;");
  EXPECT_EQ(CodePayload(u"\\u1F600", true), u"&#x1F600;");
  EXPECT_EQ(CodePayload(u"", true), u"");
}

TEST(ElevatedTarget, OnlyATargetAboveUsOrWithAHiddenTokenGetsTheClipboard) {
  constexpr std::uint32_t kMedium = 0x2000, kHigh = 0x3000, kLow = 0x1000, kSystem = 0x4000;
  using R = InsertionRoute;
  const struct {
    IntegrityReadings readings;
    InsertionRoute route;
  } cases[] = {
      {{kMedium, true, kMedium}, R::Type},         // the same level
      {{kMedium, true, kLow}, R::Type},            // below us
      {{kMedium, true, kHigh}, R::Clipboard},      // run as administrator
      {{kHigh, true, kSystem}, R::Clipboard},
      {{kHigh, true, kHigh}, R::Type},             // both elevated
      {{kMedium, false, std::nullopt}, R::Type},       // another user's: keys get through
      {{kMedium, true, std::nullopt}, R::Clipboard},   // its token cannot be read
      {{std::nullopt, true, kHigh}, R::Type},      // our own level unknown: no comparison
      {{std::nullopt, false, std::nullopt}, R::Type},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseInsertionRoute(c.readings), c.route)
        << c.readings.own.value_or(0) << " " << c.readings.target_opened << " "
        << c.readings.target.value_or(0);
}

}  // namespace
}  // namespace gw
