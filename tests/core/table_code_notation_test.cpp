// Code notation: counting characters, validating and converting code text.
#include <gtest/gtest.h>

#include "table/code_notation.h"

namespace gw {
namespace {

const Text kEmoji = u"\U0001F600";  // one character, two units

TEST(TableCodeNotation, CountCharacters) {
  EXPECT_EQ(CountCharacters(u""), 0u);
  EXPECT_EQ(CountCharacters(u"„“"), 2u);
  EXPECT_EQ(CountCharacters(kEmoji), 1u);
  EXPECT_EQ(CountCharacters(u"a" + kEmoji + u"b"), 3u);
  // Lone surrogates count once each; a low before a high is no pair.
  EXPECT_EQ(CountCharacters(Text(1, char16_t(0xD83D))), 1u);
  EXPECT_EQ(CountCharacters(Text{char16_t(0xDE00), char16_t(0xD83D)}), 2u);
  EXPECT_EQ(CountCharacters(Text{char16_t(0xD83D), u'A'}), 2u);
}

TEST(TableCodeNotation, IsValidCodeText) {
  EXPECT_FALSE(IsValidCodeText(u""));
  EXPECT_FALSE(IsValidCodeText(u"\\u"));
  EXPECT_FALSE(IsValidCodeText(u"\\u0041\\u"));  // empty last field
  EXPECT_FALSE(IsValidCodeText(u"\\u   \\u0041"));  // field of spaces only
  EXPECT_TRUE(IsValidCodeText(u"\\u41"));
  EXPECT_TRUE(IsValidCodeText(u"\\u 41 "));
  EXPECT_TRUE(IsValidCodeText(u"\\u00AB \\u00bb"));
  EXPECT_FALSE(IsValidCodeText(u"\\u00G1"));
  EXPECT_FALSE(IsValidCodeText(u"\\u110000"));
  EXPECT_TRUE(IsValidCodeText(u"\\u10FFFF"));
  EXPECT_TRUE(IsValidCodeText(u"\\u0010FFFF"));  // leading zeros do not count
  EXPECT_FALSE(IsValidCodeText(u"\\u" + Text(40, u'F')));  // huge values stay invalid
  EXPECT_FALSE(IsValidCodeText(u"\\U0041"));
  EXPECT_TRUE(IsValidCodeText(u"x\\u0041"));
  EXPECT_TRUE(IsValidCodeText(u"\\u0000"));
  EXPECT_FALSE(IsValidCodeText(u"\\u\t41"));  // a tab is not stripped
  EXPECT_FALSE(IsValidCodeText(u"\\u4 1"));   // no space between digits
  EXPECT_FALSE(IsValidCodeText(u"\\u0041\\u00G1\\u0042"));  // one bad field spoils all
}

TEST(TableCodeNotation, CharactersFromCodeText) {
  EXPECT_EQ(CharactersFromCodeText(u"\\u201E\\u201C"), u"„“");
  EXPECT_EQ(CharactersFromCodeText(u"\\u0000\\u0041"), u"A");
  EXPECT_EQ(CharactersFromCodeText(u"\\u 41 "), u"A");
  EXPECT_EQ(CharactersFromCodeText(u"\\u1F600"), kEmoji);
  EXPECT_EQ(CharactersFromCodeText(u"\\u10FFFF"), u"\U0010FFFF");
  EXPECT_EQ(CharactersFromCodeText(u"\\u10000"), u"\U00010000");
  // A pair written as two fields forms one character.
  EXPECT_EQ(CharactersFromCodeText(u"\\uD83D\\uDE00"), kEmoji);
  // Reading stops at the first non-digit; no digits is 0, which gives nothing.
  EXPECT_EQ(CharactersFromCodeText(u"\\u41zz\\uxyz\\u42"), u"AB");
  // Prefix ignored; "\U" is no field mark.
  EXPECT_EQ(CharactersFromCodeText(u"ab\\u0043\\U0044"), u"C");
  EXPECT_EQ(CharactersFromCodeText(u"no fields"), u"");
}

TEST(TableCodeNotation, FieldAboveMaximumGivesReplacementCharacter) {
  // Only a hand-edited file can hold such a field.
  EXPECT_EQ(CharactersFromCodeText(u"\\u110000"), u"\uFFFD");
  EXPECT_EQ(CharactersFromCodeText(u"\\u41\\uFFFFFFFFFFFFFFFFFFFF\\u42"), u"A\uFFFDB");
  EXPECT_EQ(CharactersFromCodeText(u"\\u" + Text(10000, u'F')), u"\uFFFD");
  // Many leading zeros do not push a small value out of range.
  EXPECT_EQ(CharactersFromCodeText(u"\\u" + Text(30, u'0') + u"41"), u"A");
}

TEST(TableCodeNotation, CodeTextFromCharacters) {
  EXPECT_EQ(CodeTextFromCharacters(u""), u"");
  EXPECT_EQ(CodeTextFromCharacters(u"«»"), u"\\u00AB\\u00BB");
  EXPECT_EQ(CodeTextFromCharacters(u"A"), u"\\u0041");
  EXPECT_EQ(CodeTextFromCharacters(kEmoji), u"\\u1F600");
  EXPECT_EQ(CodeTextFromCharacters(u"\U0010FFFF"), u"\\u10FFFF");
  EXPECT_EQ(CodeTextFromCharacters(Text(1, char16_t(1))), u"\\u0001");
  EXPECT_EQ(CodeTextFromCharacters(u"\uFFFF"), u"\\uFFFF");
  EXPECT_EQ(CodeTextFromCharacters(Text{char16_t(0xD83D), u'A'}), u"\\uD83D\\u0041");
  EXPECT_EQ(CodeTextFromCharacters(Text{char16_t(0xD83D), char16_t(0xFC00)}),
            u"\\uD83D\\uFC00");
  EXPECT_EQ(CodeTextFromCharacters(Text{char16_t(0xDE00)}), u"\\uDE00");
}

TEST(TableCodeNotation, CodeTextRoundTripsEveryKindOfUnit) {
  Text text;
  for (char32_t cp : {0x1u, 0x41u, 0xE9u, 0x2030u, 0xFFFDu, 0x1F600u, 0x10FFFFu}) {
    if (cp > 0xFFFF) {
      text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(cp));
    }
  }
  text.push_back(0xDBFF);  // lone high surrogate at the end
  const Text code = CodeTextFromCharacters(text);
  EXPECT_TRUE(IsValidCodeText(code));
  EXPECT_EQ(CharactersFromCodeText(code), text);
}

TEST(TableCodeNotation, LargeCodeTexts) {
  // 100,000 fields each way; every conversion walks its input once.
  Text characters;
  for (int k = 0; k < 100000; ++k) characters.push_back(static_cast<char16_t>(0x4E00 + k % 5000));
  const Text code = CodeTextFromCharacters(characters);
  ASSERT_EQ(code.size(), 600000u);
  EXPECT_TRUE(IsValidCodeText(code));
  EXPECT_EQ(CharactersFromCodeText(code), characters);
  EXPECT_EQ(HtmlFromCodeText(code).size(), 100000u * 8);  // "&#x" + 4 digits + ";"
  const auto input = InterpretCodeInput(code);
  ASSERT_TRUE(input.has_value());
  EXPECT_EQ(input->characters, characters);
  EXPECT_EQ(CountCharacters(characters), 100000u);
}

TEST(TableCodeNotation, HtmlFromCodeText) {
  EXPECT_EQ(HtmlFromCodeText(u"\\u201E\\u201C"), u"&#x201E;&#x201C;");
  EXPECT_EQ(HtmlFromCodeText(u"x\\u 00ab \\u1F600"), u"&#x00ab;&#x1F600;");
  EXPECT_EQ(HtmlFromCodeText(u"no fields"), u"");
  EXPECT_EQ(HtmlFromCodeText(u""), u"");
}

TEST(TableCodeNotation, InterpretCodeInputTakesCodeText) {
  auto r = InterpretCodeInput(u"  \\u00ab  ");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u00AB");
  EXPECT_EQ(r->characters, u"«");

  r = InterpretCodeInput(u"\\U00e9");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u00E9");
  EXPECT_EQ(r->characters, u"é");

  // The user's own digit count and inner spaces are kept, in upper case.
  r = InterpretCodeInput(u"\\u00ab \\Ubb\\u 1f600");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u00AB \\uBB\\u 1F600");
  EXPECT_EQ(r->characters, u"«»" + kEmoji);

  EXPECT_FALSE(InterpretCodeInput(u"\\uXYZ").has_value());  // never taken literally
  EXPECT_FALSE(InterpretCodeInput(u"\\U110000").has_value());
  EXPECT_FALSE(InterpretCodeInput(u"\\u0041\\u").has_value());
}

TEST(TableCodeNotation, InterpretCodeInputTakesLiteralCharacters) {
  auto r = InterpretCodeInput(u"abc");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u0061\\u0062\\u0063");
  EXPECT_EQ(r->characters, u"abc");  // not upper-cased

  r = InterpretCodeInput(u" „“ ");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u201E\\u201C");
  EXPECT_EQ(r->characters, u"„“");

  // Inner spaces are characters; only the ends are trimmed.
  r = InterpretCodeInput(u" a b ");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u0061\\u0020\\u0062");

  // A "\u" later in the text does not make it code text.
  r = InterpretCodeInput(u"x\\u0041");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->characters, u"x\\u0041");
  EXPECT_EQ(r->code_text, u"\\u0078\\u005C\\u0075\\u0030\\u0030\\u0034\\u0031");

  r = InterpretCodeInput(kEmoji);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u1F600");

  EXPECT_FALSE(InterpretCodeInput(u"").has_value());
  EXPECT_FALSE(InterpretCodeInput(u"   ").has_value());
  // A tab is not trimmed, so it is a literal character.
  r = InterpretCodeInput(u"\t");
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->code_text, u"\\u0009");
}

}  // namespace
}  // namespace gw
