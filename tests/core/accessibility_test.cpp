// How controls are named, rows read, and notes routed for screen readers.
#include <gtest/gtest.h>

#include <string>

#include "mainwindow/accessibility.h"
#include "mainwindow/colours.h"

namespace gw {
namespace {

TEST(Accessibility, ACaptionsShortcutInBracketsIsSplitOff) {
  EXPECT_EQ(SplitShortcut(u"New item (Ctrl+N)").name, u"New item");
  EXPECT_EQ(SplitShortcut(u"New item (Ctrl+N)").shortcut, u"Ctrl+N");
  EXPECT_EQ(SplitShortcut(u"Menü öffnen (Umschalt+F10) ").shortcut, u"Umschalt+F10");
  // No shortcut: brackets inside, empty brackets, a caption of brackets only.
  for (const char16_t* caption : {u"Edit item", u"Add character(s)", u"Edit ()", u"(F2)"}) {
    EXPECT_EQ(SplitShortcut(caption).name, Text(caption));
    EXPECT_EQ(SplitShortcut(caption).shortcut, u"");
  }
}

TEST(Accessibility, ALabelNamesItsFieldWithoutMnemonicAndColon) {
  EXPECT_EQ(LabelName(u"&Caption:"), u"Caption");
  EXPECT_EQ(LabelName(u"Libellé :"), u"Libellé");
  EXPECT_EQ(LabelName(u"A && B"), u"A & B");
  EXPECT_EQ(LabelName(u"Code\uFF1A"), u"Code");
  EXPECT_EQ(LabelName(u""), u"");
}

TEST(Accessibility, ARowIsReadWithCommentCharactersNamesAndTrigger) {
  const Text format = u"trigger %s";
  RowParts row{u"a", u"\u00E4", u"  a umlaut ", u"LATIN SMALL LETTER A WITH DIAERESIS"};
  EXPECT_EQ(RowDescription(row, format, u"no trigger"),
            u"a umlaut, \u00E4, LATIN SMALL LETTER A WITH DIAERESIS, trigger a");
  // Without a trigger, comment or name: "no trigger", nothing left empty.
  row = RowParts{u"", u"\u00BB", u"", u""};
  EXPECT_EQ(RowDescription(row, format, u"no trigger"), u"\u00BB, no trigger");
  // A trigger that holds "%" or "|" is read as it is.
  row = RowParts{u"%", u"x", u"", u""};
  EXPECT_EQ(RowDescription(row, format, u"-"), u"x, trigger %");
}

TEST(Accessibility, CharacterNamesCoverSurrogatePairsAndSkipTheUnnamed) {
  CharacterNames names;
  ASSERT_TRUE(names.LoadText("E4;LATIN SMALL LETTER A WITH DIAERESIS;auml\n"
                             "1F51B;GRINNING FACE;\n"));
  EXPECT_EQ(CharacterNamesText(names, u"\u00E4?\U0001F600"),
            u"LATIN SMALL LETTER A WITH DIAERESIS, GRINNING FACE");
  EXPECT_EQ(CharacterNamesText(names, u"\u00E4\u00E4\u00E4", 2),
            u"LATIN SMALL LETTER A WITH DIAERESIS, LATIN SMALL LETTER A WITH DIAERESIS");
  EXPECT_EQ(CharacterNamesText(names, u"\xD83D"), u"");  // a lone high surrogate
}

TEST(Accessibility, AMessageStaysForTheSystemsDuration) {
  EXPECT_EQ(MessageDurationMs(true, 7), 7000u);
  EXPECT_EQ(MessageDurationMs(true, 0), 5000u);
  EXPECT_EQ(MessageDurationMs(false, 9), 5000u);
  EXPECT_EQ(MessageDurationMs(true, 4000000000u), 3600000u);  // no overflow
}

TEST(Accessibility, TheClipboardNoteIsAMessageBoxWhenNotificationsWouldNotShow) {
  EXPECT_EQ(ChooseNoteRoute(NotificationState::Accepts), NoteRoute::Balloon);
  EXPECT_EQ(ChooseNoteRoute(NotificationState::Unknown), NoteRoute::Balloon);
  for (NotificationState state :
       {NotificationState::NotPresent, NotificationState::Busy, NotificationState::FullScreen,
        NotificationState::Presenting, NotificationState::QuietTime, NotificationState::App})
    EXPECT_EQ(ChooseNoteRoute(state), NoteRoute::MessageBox) << static_cast<int>(state);
}

TEST(Accessibility, ALinkIsDrawnInAColourThatCanBeRead) {
  const Rgb windows_face = MakeRgb(240, 240, 240), black = MakeRgb(0, 0, 0);
  EXPECT_NEAR(ContrastRatio(black, MakeRgb(255, 255, 255)), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(windows_face, windows_face), 1.0, 1e-9);
  // Windows' link colour, and a high-contrast theme's yellow on black, as they are.
  EXPECT_EQ(ReadableLinkColour(MakeRgb(0, 102, 204), windows_face, black), MakeRgb(0, 102, 204));
  EXPECT_EQ(ReadableLinkColour(MakeRgb(255, 255, 0), black, MakeRgb(255, 255, 255)),
            MakeRgb(255, 255, 0));
  // Wine's light theme: a light grey link on a light face becomes the link blue.
  EXPECT_EQ(ReadableLinkColour(MakeRgb(224, 224, 224), MakeRgb(245, 245, 245), black),
            MakeRgb(0, 102, 204));
  // A dark face where neither can be read: the text colour.
  EXPECT_EQ(ReadableLinkColour(MakeRgb(20, 20, 60), MakeRgb(10, 10, 40), MakeRgb(250, 250, 250)),
            MakeRgb(250, 250, 250));
}

}  // namespace
}  // namespace gw
