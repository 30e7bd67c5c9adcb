// What the in-process tests share beyond the program's own windows: paths as
// the program and Wine see them, whole files, a temporary folder per test,
// the clipboard, keys pressed through SendInput (released by a guard, also
// when an assertion ends the test early) and the texts of controls.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/text.h"

namespace gw::testing_support {

// --- Paths -------------------------------------------------------------------------------

// A file system path as the program's text.
inline Text ToText(const std::filesystem::path& p) {
  const auto s = p.u16string();
  return Text(s.begin(), s.end());
}

// A path of the build machine (as the build passes it, e.g. GW_SOURCE_DIR) as
// Wine shows it to the program: drive Z: is the Unix root.
inline std::filesystem::path FromUnixPath(const std::string& unix_path) {
  std::wstring path = L"Z:" + std::filesystem::path(unix_path).wstring();
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return std::filesystem::path(path);
}

// --- Files -------------------------------------------------------------------------------

// The whole file, byte for byte; empty when it cannot be read (not yet written).
inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline std::string FileBytes(const Text& path) {
  return FileBytes(std::filesystem::path(std::u16string(path.begin(), path.end())));
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder below the temporary folder, named after the running test
// (with `prefix` first), removed again when the test ends.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "gw-")
      : path_(std::filesystem::temp_directory_path() /
              (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // The program's text of a file in it (or of the folder itself).
  Text Of(const std::string& name = "") const { return ToText(name.empty() ? path_ : path_ / name); }

 private:
  std::filesystem::path path_;
};

// --- The clipboard -----------------------------------------------------------------------

// Its CF_UNICODETEXT; "<no text>" when it holds none, "<busy>" when it cannot be opened.
inline Text ClipboardText() {
  if (!OpenClipboard(nullptr)) return u"<busy>";
  Text text = u"<no text>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

inline void SetClipboardText(const Text& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
  std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * 2);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

// --- Keys --------------------------------------------------------------------------------

// Keys as the user presses them, in one SendInput call: {virtual key, released?}.
inline void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> input;
  for (const auto& [key, up] : keys) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = key;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.push_back(i);
  }
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

inline void SendAltKey(WORD key) {
  SendKeys({{VK_MENU, false}, {key, false}, {key, true}, {VK_MENU, true}});
}

inline bool KeyIsDown(WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

// A key held down from construction to destruction: released however the
// test ends, so that no later test runs with it held.
class HeldKey {
 public:
  explicit HeldKey(WORD key) : key_(key) { SendKeys({{key_, false}}); }
  ~HeldKey() { Release(); }
  HeldKey(const HeldKey&) = delete;
  HeldKey& operator=(const HeldKey&) = delete;
  void Release() {
    if (held_) SendKeys({{key_, true}});
    held_ = false;
  }

 private:
  WORD key_;
  bool held_ = true;
};

// A key posted straight to one window, bypassing the keyboard state.
inline void PostKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 0x00000001);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

// --- Windows -----------------------------------------------------------------------------

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// A cell of a list view (up to 511 units).
inline Text ListText(HWND list, int row, int column) {
  wchar_t buffer[512] = {};
  ListView_GetItemText(list, row, column, buffer, 512);
  return reinterpret_cast<const char16_t*>(buffer);
}

// --- Pictures -------------------------------------------------------------------------------

// The pixels of a square bitmap of `size` pixels, top row first, as 32-bit
// 0x00RRGGBB values; empty when they cannot be read.
inline std::vector<DWORD> BitmapPixels(HBITMAP image, int size) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(bi.bmiHeader), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<size_t>(size) * static_cast<size_t>(size));
  HDC screen = GetDC(nullptr);
  const int rows = image ? GetDIBits(screen, image, 0, size, pixels.data(), &bi, DIB_RGB_COLORS) : 0;
  ReleaseDC(nullptr, screen);
  if (rows != size) pixels.clear();
  return pixels;
}

}  // namespace gw::testing_support
