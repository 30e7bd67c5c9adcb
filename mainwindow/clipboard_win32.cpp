// Putting text on the clipboard. Clipboard history, Remote Desktop and
// clipboard managers open the clipboard for a moment after every change, so
// a clipboard that another program holds is tried again for a while before
// the copy counts as failed.
#include <windows.h>

#include <cstring>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/insertion_win32.h"

namespace gw {

namespace {

// How long a busy clipboard is tried again, and how often.
constexpr ULONGLONG kClipboardWaitMs = 200;
constexpr DWORD kClipboardRetryMs = 10;

bool OpenClipboardFor(HWND owner) {
  const ULONGLONG deadline = GetTickCount64() + kClipboardWaitMs;
  for (;;) {
    if (OpenClipboard(owner)) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kClipboardRetryMs);
  }
}

}  // namespace

bool CopyTextToClipboard(const Text& text) {
  // The memory is made ready first, so that the clipboard is held only for
  // the moment of the exchange.
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
  if (!memory) return false;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, text.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboardFor(App().main_window)) {
    GlobalFree(memory);
    return false;
  }
  // Once SetClipboardData took the memory, it belongs to the system.
  const bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  CloseClipboard();
  return placed;
}

}  // namespace gw
