// Putting text on the clipboard. Clipboard history, Remote Desktop and
// clipboard managers open the clipboard for a moment after every change, so
// a clipboard that another program holds is tried again for a while before
// the copy counts as failed.
#include <windows.h>

#include <cstring>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/clipboard_win32.h"
#include "mainwindow/insertion_win32.h"

namespace gw {

namespace {

// How long a busy clipboard is tried again, and how often.
constexpr ULONGLONG kClipboardWaitMs = 200;
constexpr DWORD kClipboardRetryMs = 10;

}  // namespace

bool OpenClipboardFor(HWND owner, ULONGLONG wait_ms) {
  const ULONGLONG deadline = GetTickCount64() + wait_ms;
  for (;;) {
    if (OpenClipboard(owner)) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kClipboardRetryMs);
  }
}

HGLOBAL GlobalCopy(const void* data, size_t bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes ? bytes : 1);
  if (!memory) return nullptr;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return nullptr;
  }
  if (bytes) std::memcpy(target, data, bytes);
  GlobalUnlock(memory);
  return memory;
}

bool CopyTextToClipboard(const Text& text) {
  // The memory is made ready first, so that the clipboard is held only for
  // the moment of the exchange.
  HGLOBAL memory = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(char16_t));
  if (!memory) return false;
  if (!OpenClipboardFor(App().main_window, kClipboardWaitMs)) {
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
