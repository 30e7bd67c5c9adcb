// The paste route in-process: the clipboard's content kept and given back,
// the text handed out only when read and marked for the clipboard history,
// and a clipboard that cannot be kept left alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mainwindow/insertion_win32.h"
#include "mainwindow/paste_route.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

const UINT kOwnFormat = RegisterClipboardFormatW(L"GlyphwellTestFormat");

HGLOBAL Memory(const void* data, size_t bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), data, bytes);
  GlobalUnlock(memory);
  return memory;
}

std::string Bytes(UINT format) {
  std::string bytes;
  if (HANDLE data = GetClipboardData(format)) {
    const char* p = static_cast<const char*>(GlobalLock(data));
    bytes.assign(p, p + GlobalSize(data));
    GlobalUnlock(data);
  }
  return bytes;
}

Text TextOf(UINT format) {
  const std::string bytes = Bytes(format);
  return Text(reinterpret_cast<const char16_t*>(bytes.data()));
}

class PasteRouteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void TearDown() override { SetKeyInputHookForTesting(nullptr); }
};

TEST_F(PasteRouteTest, KeepsEveryFormatHandsTheTextOutWhenReadAndGivesTheClipboardBack) {
  const Text before = u"the user's own \u2713";
  const char own[] = {1, 2, 0, 3, 4};
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, Memory(before.c_str(), (before.size() + 1) * 2));
  SetClipboardData(kOwnFormat, Memory(own, sizeof(own)));
  CloseClipboard();

  // The program in front: reads the clipboard when it gets the paste keys.
  const Text entry = u"\U0001F600e\u0301";
  std::vector<KeyRecord> keys;
  Text read;
  std::string history, cloud;
  bool excluded = false;
  SetKeyInputHookForTesting([&](const std::vector<KeyRecord>& records) {
    keys = records;
    ASSERT_TRUE(OpenClipboard(nullptr));
    read = TextOf(CF_UNICODETEXT);
    history = Bytes(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"));
    cloud = Bytes(RegisterClipboardFormatW(L"CanUploadToCloudClipboard"));
    excluded = IsClipboardFormatAvailable(
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"));
    EXPECT_FALSE(IsClipboardFormatAvailable(kOwnFormat));
    CloseClipboard();
  });

  EXPECT_EQ(PasteIntoWindowInFront(entry, true), PasteResult::Pasted);
  EXPECT_EQ(keys, PasteKeyRecords(true));
  EXPECT_EQ(read, entry);
  EXPECT_EQ(history, std::string(4, '\0'));
  EXPECT_EQ(cloud, std::string(4, '\0'));
  EXPECT_TRUE(excluded);

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(TextOf(CF_UNICODETEXT), before);
  EXPECT_EQ(Bytes(kOwnFormat).substr(0, sizeof(own)), std::string(own, sizeof(own)));
  EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory")));
  CloseClipboard();
}

TEST_F(PasteRouteTest, AClipboardThatCannotBeKeptIsLeftAloneAndNothingIsPasted) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  // A private handle: only the program that put it there knows what it is.
  const char data[] = "private";
  SetClipboardData(CF_PRIVATEFIRST, Memory(data, sizeof(data)));
  CloseClipboard();
  bool typed = false;
  SetKeyInputHookForTesting([&](const std::vector<KeyRecord>&) { typed = true; });

  EXPECT_EQ(PasteIntoWindowInFront(u"x", false), PasteResult::CannotKeep);
  EXPECT_FALSE(typed);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_PRIVATEFIRST));
}

}  // namespace
}  // namespace gw
