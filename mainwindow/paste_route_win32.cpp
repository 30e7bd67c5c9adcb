// The paste route: the user's clipboard kept, the text handed to the program
// through the clipboard, the clipboard given back.
#include <windows.h>

#include <vector>

#include "base/message_box.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/clipboard_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/paste_route.h"

namespace gw {

namespace {

// How long the clipboard is tried when it is busy before pasting, how long
// the program in front has to read the text, and how long the clipboard is
// tried to give it back.
constexpr ULONGLONG kOpenWaitMs = 200;
constexpr ULONGLONG kReadWaitMs = 2000;
constexpr ULONGLONG kGiveBackWaitMs = 2000;

constexpr wchar_t kOwnerClass[] = L"GlyphwellPasteOwner";

struct KeptFormat {
  UINT format = 0;
  HANDLE data = nullptr;  // a global memory block or an enhanced metafile
  bool metafile = false;
};

HWND g_owner = nullptr;
const Text* g_pending = nullptr;  // the text handed out on WM_RENDERFORMAT
bool g_read = false;

HGLOBAL TextMemory(const Text& text) {
  return GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_RENDERFORMAT:
      // The program in front reads the text now: hand it out.
      if (wp == CF_UNICODETEXT && g_pending) {
        if (HGLOBAL memory = TextMemory(*g_pending))
          if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        g_read = true;
      }
      return 0;
    case WM_RENDERALLFORMATS:
    case WM_DESTROYCLIPBOARD:
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// The hidden window that owns the clipboard while the text is on it.
HWND Owner() {
  if (g_owner) return g_owner;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = App().instance ? App().instance : GetModuleHandleW(nullptr);
  wc.lpszClassName = kOwnerClass;
  RegisterClassExW(&wc);
  g_owner = CreateWindowExW(0, kOwnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
  return g_owner;
}

void FreeKept(std::vector<KeptFormat>& kept) {
  for (KeptFormat& k : kept) {
    if (!k.data) continue;
    if (k.metafile)
      DeleteEnhMetaFile(static_cast<HENHMETAFILE>(k.data));
    else
      GlobalFree(k.data);
  }
  kept.clear();
}

// Copies every format of the open clipboard. False (and nothing kept) when
// one of them cannot be kept.
bool KeepClipboard(std::vector<KeptFormat>& kept) {
  std::vector<std::uint32_t> present;
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
    present.push_back(format);
  for (std::uint32_t format : present) {
    const FormatKeeping how = HowToKeepFormat(format, present);
    if (how == FormatKeeping::Derived) continue;
    HANDLE data = how == FormatKeeping::Lost ? nullptr : GetClipboardData(format);
    KeptFormat copy;
    copy.format = format;
    if (data && how == FormatKeeping::EnhMetafile) {
      copy.data = CopyEnhMetaFile(static_cast<HENHMETAFILE>(data), nullptr);
      copy.metafile = true;
    } else if (data) {
      const SIZE_T size = GlobalSize(data);
      const void* source = size ? GlobalLock(data) : nullptr;
      if (source) {
        copy.data = GlobalCopy(source, size);
        GlobalUnlock(data);
      }
    }
    if (!copy.data) {
      FreeKept(kept);
      return false;
    }
    kept.push_back(copy);
  }
  return true;
}

// Puts the kept formats on the open, emptied clipboard; their handles then
// belong to the system.
bool PutBack(std::vector<KeptFormat>& kept) {
  bool all = true;
  for (KeptFormat& k : kept) {
    if (SetClipboardData(k.format, k.data))
      k.data = nullptr;
    else
      all = false;
  }
  FreeKept(kept);
  return all;
}

HGLOBAL DwordMemory(DWORD value) { return GlobalCopy(&value, sizeof(value)); }

// The text, handed out when read, and the marks that keep it out of the
// clipboard history, the cloud clipboard and clipboard monitors.
void PlaceText() {
  static const UINT exclude =
      RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
  static const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
  static const UINT cloud = RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
  for (UINT format : {exclude, history, cloud}) {
    HGLOBAL zero = DwordMemory(0);
    if (zero && !SetClipboardData(format, zero)) GlobalFree(zero);
  }
  SetClipboardData(CF_UNICODETEXT, nullptr);  // rendered on WM_RENDERFORMAT
}

// Lets other programs' sent messages (the read of the text) through until
// the text was read or `wait_ms` passed.
void WaitForRead(ULONGLONG wait_ms) {
  const ULONGLONG deadline = GetTickCount64() + wait_ms;
  while (!g_read) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE,
                                0);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

}  // namespace

PasteResult PasteIntoWindowInFront(const Text& text, bool terminal) {
  HWND owner = Owner();
  if (!owner || !OpenClipboardFor(owner, kOpenWaitMs)) return PasteResult::ClipboardBusy;
  std::vector<KeptFormat> kept;
  if (!KeepClipboard(kept)) {
    CloseClipboard();
    return PasteResult::CannotKeep;
  }
  g_pending = &text;
  g_read = false;
  if (!EmptyClipboard()) {
    CloseClipboard();
    FreeKept(kept);
    g_pending = nullptr;
    return PasteResult::ClipboardBusy;
  }
  PlaceText();
  CloseClipboard();

  SendKeyRecords(PasteKeyRecords(terminal));
  WaitForRead(kReadWaitMs);

  // Given back once the program has closed the clipboard after reading.
  const bool opened = OpenClipboardFor(owner, kGiveBackWaitMs);
  g_pending = nullptr;
  if (!opened) {
    FreeKept(kept);
    return PasteResult::NotGivenBack;
  }
  EmptyClipboard();
  const bool back = PutBack(kept);
  CloseClipboard();
  return back ? PasteResult::Pasted : PasteResult::NotGivenBack;
}

void TellPasteResult(PasteResult result) {
  const char16_t* key = nullptr;
  switch (result) {
    case PasteResult::ClipboardBusy:
      key = u"ErrPasteBusy";
      break;
    case PasteResult::CannotKeep:
      key = u"ErrPasteKeep";
      break;
    case PasteResult::NotGivenBack:
      key = u"ErrPasteBack";
      break;
    case PasteResult::Pasted:
    default:
      return;
  }
  const Text text = Tr(u"WinMain", key);
  if (!ShowTrayBalloon(Text(kWindowTitle), text)) ShowMessage(text, MB_ICONWARNING);
}

}  // namespace gw
