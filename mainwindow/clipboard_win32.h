// Opening the clipboard while other programs may hold it for a moment.
#pragma once
#include <windows.h>

namespace gw {

// Tries to open the clipboard for `owner` for up to `wait_ms` milliseconds.
bool OpenClipboardFor(HWND owner, ULONGLONG wait_ms);

// A movable block of global memory holding a copy of `bytes` bytes; nullptr
// when memory is short.
HGLOBAL GlobalCopy(const void* data, size_t bytes);

}  // namespace gw
