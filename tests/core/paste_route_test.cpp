#include "mainwindow/paste_route.h"

#include <gtest/gtest.h>

namespace gw {
namespace {

TEST(PasteRouteDecisionsTest, KeepsMemoryFormatsAndKnowsWhichHandlesCannotBeCopied) {
  const std::vector<std::uint32_t> text = {13, 1, 7, 16, 0xC123};
  for (std::uint32_t format : text) EXPECT_EQ(HowToKeepFormat(format, text), FormatKeeping::Memory);
  // A bitmap or palette comes again from the device-independent bitmap.
  EXPECT_EQ(HowToKeepFormat(2, {2, 8}), FormatKeeping::Derived);
  EXPECT_EQ(HowToKeepFormat(9, {9, 17}), FormatKeeping::Derived);
  EXPECT_EQ(HowToKeepFormat(2, {2}), FormatKeeping::Lost);
  EXPECT_EQ(HowToKeepFormat(3, {3, 14}), FormatKeeping::Derived);
  EXPECT_EQ(HowToKeepFormat(3, {3}), FormatKeeping::Lost);
  EXPECT_EQ(HowToKeepFormat(14, {14}), FormatKeeping::EnhMetafile);
  for (std::uint32_t format : {0x80u, 0x82u, 0x83u, 0x8Eu, 0x200u, 0x2FFu, 0x300u, 0x3FFu})
    EXPECT_EQ(HowToKeepFormat(format, {format}), FormatKeeping::Lost) << format;
  EXPECT_EQ(HowToKeepFormat(0x81, {0x81}), FormatKeeping::Memory);
  EXPECT_EQ(HowToKeepFormat(0x400, {0x400}), FormatKeeping::Memory);
}

TEST(PasteRouteDecisionsTest, PasteKeysAreCtrlVWithShiftLetGoOrCtrlShiftVInTerminals) {
  const std::vector<KeyRecord> plain = {{0x10, 0, kKeyUp}, {0x11, 0, kKeyDown}, {0x56, 0, kKeyDown},
                                        {0x56, 0, kKeyUp}, {0x11, 0, kKeyUp}};
  EXPECT_EQ(PasteKeyRecords(false), plain);
  const std::vector<KeyRecord> terminal = {{0x10, 0, kKeyDown}, {0x11, 0, kKeyDown},
                                           {0x56, 0, kKeyDown}, {0x56, 0, kKeyUp},
                                           {0x11, 0, kKeyUp},   {0x10, 0, kKeyUp}};
  EXPECT_EQ(PasteKeyRecords(true), terminal);
}

}  // namespace
}  // namespace gw
