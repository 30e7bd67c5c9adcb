// Windows behaviour of the file functions and of the one message-box function.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "base/message_box.h"
#include "base/platform.h"
#include "tests/win32/test_support.h"

namespace gw {
namespace {

using namespace testing_support;

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Of("Characters.json");
    ASSERT_TRUE(WriteWholeFile(path_, "old"));
  }
  void TearDown() override {
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path_.c_str()), FILE_ATTRIBUTE_NORMAL);
  }
  std::string Contents() {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(path_, bytes), ReadResult::Ok);
    return bytes;
  }
  size_t FilesInFolder() { return std::distance(std::filesystem::directory_iterator(dir_.path()), {}); }

  TempFolder dir_{"gw-win-"};
  Text path_;
};

TEST_F(WindowsFiles, LockedTargetStaysWholeAndNoTemporaryRemains) {
  HANDLE lock = CreateFileW(reinterpret_cast<const wchar_t*>(path_.c_str()), GENERIC_READ, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteWholeFile(path_, "new"));
  std::string bytes;
  // Nothing can read it while locked; afterwards it is the old file.
  EXPECT_NE(ReadWholeFile(path_, bytes), ReadResult::Ok);
  CloseHandle(lock);
  EXPECT_EQ(Contents(), "old");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(WindowsFiles, ReadOnlyTargetIsNotReplaced) {
  SetFileAttributesW(reinterpret_cast<const wchar_t*>(path_.c_str()), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WriteWholeFile(path_, "new"));
  EXPECT_EQ(Contents(), "old");
  EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(WindowsFiles, FileOpenForReadingByOthersIsReplacedWholeOrNotAtAll) {
  // Another program reads the file, sharing reads, writes and deletes.
  // Windows lets the write replace it then; Wine refuses the replacing
  // rename. Either way the result tells which, the file is whole, and the
  // temporary file is gone at once.
  HANDLE reader = CreateFileW(reinterpret_cast<const wchar_t*>(path_.c_str()), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const bool written = WriteWholeFile(path_, "new");
  const size_t files_while_read = FilesInFolder();
  CloseHandle(reader);
  EXPECT_EQ(Contents(), written ? "new" : "old");
  EXPECT_EQ(files_while_read, 1u);
}

TEST_F(WindowsFiles, FolderThatVanishedFailsCleanly) {
  Text missing = ToText(dir_ / "gone" / "Glyphwell.ini");
  EXPECT_FALSE(WriteWholeFile(missing, "x"));
  EXPECT_FALSE(PathExists(missing));
}

TEST_F(WindowsFiles, StampIsLocalSecondsAndZeroWhenMissing) {
  // Last written 2021-03-04 05:06:07.9 UTC (1614834367 s after 1970).
  HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path_.c_str()),
                            FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ULARGE_INTEGER written;
  written.QuadPart = (1614834367ULL + 11644473600ULL) * 10000000ULL + 9000000ULL;
  const FILETIME time{written.LowPart, written.HighPart};
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
  // Local time: UTC minus the bias that holds now (in minutes).
  TIME_ZONE_INFORMATION zone{};
  const DWORD which = GetTimeZoneInformation(&zone);
  const long bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias
                                 : which == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                  : 0);
  EXPECT_EQ(FileStampOf(path_), 1614834367LL - 60LL * bias);
  EXPECT_EQ(FileStampOf(ToText(dir_ / "none.json")), 0);
}

// Reads the box that the program shows and presses its first button.
struct BoxReader {
  std::atomic<bool> found{false};
  std::atomic<bool> stop{false};
  std::wstring text;
  std::thread thread;

  void Start() {
    thread = std::thread([this] {
      const ULONGLONG deadline = GetTickCount64() + 30000;
      while (!found && !stop && GetTickCount64() < deadline) {
        HWND box = FindWindowW(L"#32770", reinterpret_cast<const wchar_t*>(kWindowTitle));
        if (box) {
          EnumChildWindows(
              box,
              [](HWND child, LPARAM lp) -> BOOL {
                wchar_t cls[32] = {}, buf[512] = {};
                GetClassNameW(child, cls, 32);
                if (lstrcmpiW(cls, L"Static") == 0 && GetWindowTextW(child, buf, 512) > 0)
                  reinterpret_cast<BoxReader*>(lp)->text = buf;
                return TRUE;
              },
              reinterpret_cast<LPARAM>(this));
          if (!text.empty()) {
            found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            PostMessageW(box, WM_COMMAND, IDYES, 0);
            break;
          }
        }
        Sleep(20);
      }
    });
  }
};

TEST(MessageBoxes, CarryTheProgramTitleAndText) {
  BoxReader reader;
  reader.Start();
  ShowMessage(u"Can't write file:\nC:\\x\\Glyphwell.ini", MB_ICONERROR);
  reader.thread.join();
  ASSERT_TRUE(reader.found);
  EXPECT_EQ(reader.text, L"Can't write file:\nC:\\x\\Glyphwell.ini");
}

TEST(MessageBoxes, HookSeesEveryBoxInsteadOfTheScreen) {
  Text seen;
  unsigned flags_seen = 0;
  SetMessageBoxHook([&](const Text& text, unsigned flags) {
    seen = text;
    flags_seen = flags;
    return IDNO;
  });
  // A box that reached the screen anyway would be found and answered Yes.
  BoxReader reader;
  reader.Start();
  EXPECT_EQ(ShowMessage(u"Do you really want to quit the program?", MB_YESNO), IDNO);
  reader.stop = true;
  reader.thread.join();
  EXPECT_FALSE(reader.found);
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(seen, u"Do you really want to quit the program?");
  EXPECT_EQ(flags_seen, static_cast<unsigned>(MB_YESNO));
}

}  // namespace
}  // namespace gw
