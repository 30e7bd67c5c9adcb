// One copy per character file. A named mutex decides, so that copies started
// at the same moment cannot all get through, and a window of another program
// that happens to bear the title (Explorer on a folder of that name) stops
// none. The later copy never calls into the running one and waits for no
// answer: a hung first copy cannot hang it.
#include "app/single_instance_win32.h"

#include <vector>

#include "app/shell_win32.h"
#include "app/single_instance.h"
#include "commands/commands_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

// How long a later copy waits for the window of one that is still starting.
constexpr ULONGLONG kWaitForRunningWindowMs = 5000;
constexpr DWORD kLookAgainMs = 50;

// The property of the main window that holds the key, in two halves (a
// property holds a handle, which a 32-bit reader would cut short).
constexpr wchar_t kKeyLowProperty[] = L"Glyphwell.InstanceKeyLow";
constexpr wchar_t kKeyHighProperty[] = L"Glyphwell.InstanceKeyHigh";

std::uint64_t g_key = 0;
UINT g_show_message = 0;

struct Search {
  std::uint64_t key;
  HWND found;
};

BOOL CALLBACK MatchKey(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t cls[64] = {};
  if (!GetClassNameW(window, cls, 64) || lstrcmpW(cls, kMainWindowClass) != 0) return TRUE;
  const auto low = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(GetPropW(window, kKeyLowProperty)));
  const auto high = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(GetPropW(window, kKeyHighProperty)));
  if ((static_cast<std::uint64_t>(high) << 32 | low) != search->key) return TRUE;
  search->found = window;
  return FALSE;
}

// The full path with long names (a program started by its short 8.3 path
// gets a short data folder); the file itself need not exist yet.
Text LongFullPath(const Text& path) {
  std::vector<wchar_t> buffer(32768);
  const DWORD size = static_cast<DWORD>(buffer.size());
  DWORD n = GetFullPathNameW(W(path), size, buffer.data(), nullptr);
  if (n == 0 || n >= size) return path;
  Text result(reinterpret_cast<const char16_t*>(buffer.data()), n);
  const size_t slash = result.find_last_of(u'\\');
  if (slash == Text::npos) return result;
  const Text folder = result.substr(0, slash);
  n = GetLongPathNameW(W(folder), buffer.data(), size);
  if (n == 0 || n >= size) return result;
  return Text(reinterpret_cast<const char16_t*>(buffer.data()), n) + result.substr(slash);
}

}  // namespace

bool ClaimSingleInstance(const Text& character_path) {
  g_key = InstanceKey(LongFullPath(character_path));
  g_show_message = RegisterWindowMessageW(L"Glyphwell.ShowInstance");
  // Never closed: Windows lets go of it when the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, W(InstanceMutexName(g_key)));
  if (!mutex) return GetLastError() != ERROR_ACCESS_DENIED;  // an elevated copy holds it
  return GetLastError() != ERROR_ALREADY_EXISTS;
}

void HandOverToRunningInstance() {
  if (StartedForTheTray()) return;
  const ULONGLONG deadline = GetTickCount64() + kWaitForRunningWindowMs;
  for (;;) {
    Search search{g_key, nullptr};
    EnumWindows(MatchKey, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      DWORD process_id = 0;
      GetWindowThreadProcessId(search.found, &process_id);
      // The user just started this copy, so it may hand the foreground on.
      AllowSetForegroundWindow(process_id);
      PostMessageW(search.found, g_show_message, 0, 0);
      return;
    }
    if (GetTickCount64() >= deadline) return;
    Sleep(kLookAgainMs);
  }
}

void ListenForLaterCopies(HWND main_window) {
  SetPropW(main_window, kKeyLowProperty,
           reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(g_key & 0xFFFFFFFFu)));
  SetPropW(main_window, kKeyHighProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(g_key >> 32)));
  if (g_show_message) ChangeWindowMessageFilterEx(main_window, g_show_message, MSGFLT_ALLOW, nullptr);
}

UINT ShowInstanceMessage() { return g_show_message; }

}  // namespace gw
