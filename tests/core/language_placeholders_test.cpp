#include "base/placeholders.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

TEST(FillPlaceholdersTest, FillsFieldsInOrder) {
  EXPECT_EQ(FillPlaceholders(u"Error:\nCan't open \u201C%s\u201D window.", u"Settings"),
            u"Error:\nCan't open \u201CSettings\u201D window.");
  EXPECT_EQ(FillPlaceholders(u"%s-%s-%s", u"a|b|c|d"), u"a-b-c");
  EXPECT_EQ(FillPlaceholders(u"%s-%s-%s", u"a"), u"a--");
  EXPECT_EQ(FillPlaceholders(u"[%s][%s]", u"|x"), u"[][x]");
  EXPECT_EQ(FillPlaceholders(u"100%% %s", u"done"), u"100% done");
  EXPECT_EQ(FillPlaceholders(u"%s", u"50%s|x"), u"50%s");  // fields are not scanned again
}

TEST(FillPlaceholdersTest, TextsWithoutPercentStayAndBadPercentsEmptyTheResult) {
  EXPECT_EQ(FillPlaceholders(u"No placeholder | here", u"a|b"), u"No placeholder | here");
  EXPECT_EQ(FillPlaceholders(u"", u"a"), u"");
  EXPECT_EQ(FillPlaceholders(u"%d items %s", u"a"), u"");
  EXPECT_EQ(FillPlaceholders(u"%S", u"a"), u"");
  EXPECT_EQ(FillPlaceholders(u"Ends with %s %", u"a"), u"");
  EXPECT_EQ(FillPlaceholders(u"%", u""), u"");
}

}  // namespace
}  // namespace gw
