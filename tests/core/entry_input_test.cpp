// The pure rules of the entry editors: trimming, the trigger checks and their
// order, the row of a new entry, the New window's title and mnemonic keys.
#include <gtest/gtest.h>

#include "table/character_table.h"
#include "table/entry_input.h"

namespace gw {
namespace {

CharacterTable TableWithTriggers() {
  CharacterTable table;
  table.AppendRow({u"-", u"\\u2013", u"en dash"});
  table.AppendRow({u"", u"\\u00AB", u"no trigger"});
  table.AppendRow({u"%", u"\\u2030", u"per thousand"});
  return table;
}

TEST(EntryInputTrim, RemovesOnlyOuterSpaces) {
  EXPECT_EQ(TrimSpaces(u"  x  "), u"x");
  EXPECT_EQ(TrimSpaces(u"   "), u"");
  EXPECT_EQ(TrimSpaces(u""), u"");
  EXPECT_EQ(TrimSpaces(u" a b "), u"a b");
  // Tabs and no-break spaces are content, not padding.
  EXPECT_EQ(TrimSpaces(u"\tx\t"), u"\tx\t");
  EXPECT_EQ(TrimSpaces(u"\u00A0x "), u"\u00A0x");
}

TEST(EntryInputLeftAsShown, TextCutAtANulUnitComesBackWholeOnlyWhenUntouched) {
  const Text original = u"before" + Text(1, u'\0') + u"after";
  EXPECT_EQ(TextLeftAsShown(u"before", original), original);
  EXPECT_EQ(TextLeftAsShown(u"before!", original), u"before!");
  EXPECT_EQ(TextLeftAsShown(u"", original), u"");
  EXPECT_EQ(TextLeftAsShown(u"", Text(1, u'\0')), Text(1, u'\0'));
  // Without a NUL unit the field is what it shows, even when unchanged.
  EXPECT_EQ(TextLeftAsShown(u"x", u"x"), u"x");
  EXPECT_EQ(TextLeftAsShown(u"", u"x"), u"");
}

TEST(EntryInputNewTrigger, LengthIsCheckedBeforeDuplicates) {
  const CharacterTable table = TableWithTriggers();
  const TriggerIndex& index = table.Triggers();
  EXPECT_EQ(CheckNewTrigger(u"", index), TriggerCheck::Accepted);
  EXPECT_EQ(CheckNewTrigger(u"x", index), TriggerCheck::Accepted);
  EXPECT_EQ(CheckNewTrigger(u"-", index), TriggerCheck::Duplicate);
  // Case-sensitive: "X" is another trigger than "x".
  CharacterTable lower;
  lower.AppendRow({u"x", u"\\u0078", u""});
  EXPECT_EQ(CheckNewTrigger(u"X", lower.Triggers()), TriggerCheck::Accepted);
  // An emoji is two UTF-16 units.
  EXPECT_EQ(CheckNewTrigger(u"\U0001F600", index), TriggerCheck::TooLong);
  EXPECT_EQ(CheckNewTrigger(u"ab", index), TriggerCheck::TooLong);
  // Two units that begin with an existing trigger are too long, not doubled.
  EXPECT_EQ(CheckNewTrigger(u"-%", index), TriggerCheck::TooLong);
}

TEST(EntryInputEditedTrigger, UnchangedTriggerPassesEvenThoughIndexed) {
  const CharacterTable table = TableWithTriggers();
  const TriggerIndex& index = table.Triggers();
  EXPECT_EQ(CheckEditedTrigger(u"-", u"-", index), TriggerCheck::Accepted);
  EXPECT_EQ(CheckEditedTrigger(u"-", u"", index), TriggerCheck::Accepted);
  EXPECT_EQ(CheckEditedTrigger(u"-", u"%", index), TriggerCheck::Duplicate);
  EXPECT_EQ(CheckEditedTrigger(u"", u"q", index), TriggerCheck::Accepted);
  EXPECT_EQ(CheckEditedTrigger(u"", u"qq", index), TriggerCheck::TooLong);
}

TEST(EntryInputNewRow, AboveBelowAndNoCurrentRow) {
  EXPECT_EQ(NewEntryRow(3, EntryPosition::Above), 3);
  EXPECT_EQ(NewEntryRow(3, EntryPosition::Below), 4);
  EXPECT_EQ(NewEntryRow(0, EntryPosition::Above), 0);
  EXPECT_EQ(NewEntryRow(-1, EntryPosition::Below), 0);
  EXPECT_EQ(NewEntryRow(-1, EntryPosition::Above), 0);
}

TEST(EntryInputTitle, CutBeforeFirstBracketWithoutTrailingSpaces) {
  EXPECT_EQ(NewEntryTitle(u"New item (Ctrl+N)"), u"New item");
  EXPECT_EQ(NewEntryTitle(u"Neuer Eintrag   (Strg+N) (x)"), u"Neuer Eintrag");
  EXPECT_EQ(NewEntryTitle(u"New item"), u"New item");
  EXPECT_EQ(NewEntryTitle(u"(Ctrl+N)"), u"");
  EXPECT_EQ(NewEntryTitle(u" trailing "), u" trailing ");
}

TEST(EntryInputMnemonic, CharacterAfterFirstAmpersandUpperCased) {
  EXPECT_EQ(MnemonicKey(u"&OK"), u'O');
  EXPECT_EQ(MnemonicKey(u"&Cancel"), u'C');
  EXPECT_EQ(MnemonicKey(u"Ab&brechen"), u'B');
  EXPECT_EQ(MnemonicKey(u"A&b&c"), u'B');
  EXPECT_EQ(MnemonicKey(u"OK"), 0);
  EXPECT_EQ(MnemonicKey(u"OK&"), 0);
  EXPECT_EQ(MnemonicKey(u""), 0);
}

}  // namespace
}  // namespace gw
