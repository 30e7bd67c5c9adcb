#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

SystemColourHook g_colour_hook;

BOOL CALLBACK ForwardToChild(HWND child, LPARAM lp) {
  const MSG* msg = reinterpret_cast<const MSG*>(lp);
  SendMessageW(child, msg->message, msg->wParam, msg->lParam);
  return TRUE;
}

// Bars and face are written as 0x00RRGGBB pixels of a top-down DIB.
DWORD Pixel(COLORREF colour) {
  return 0xFF000000u | (static_cast<DWORD>(GetRValue(colour)) << 16) |
         (static_cast<DWORD>(GetGValue(colour)) << 8) | GetBValue(colour);
}

void RepaintMenuButton() {
  HWND button = MainControl(kCtlMenu);
  if (!button) return;
  RECT client{};
  GetClientRect(button, &client);
  HBITMAP picture = MakeMenuPicture(ScaleX(30), ScaleY(30));
  if (!picture) return;
  HBITMAP old = reinterpret_cast<HBITMAP>(
      SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
  if (old && old != picture) DeleteObject(old);
  InvalidateRect(button, nullptr, TRUE);
}

// The selected row of the list while the list has no focus: drawn in the
// highlight colours, as if the list had the focus, and not in the faint
// button-face colour that a list view uses then.
LRESULT ListCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      HWND list = draw.nmcd.hdr.hwndFrom;
      const int row = static_cast<int>(draw.nmcd.dwItemSpec);
      if (GetFocus() != list && ListView_GetItemState(list, row, LVIS_SELECTED)) {
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        draw.clrText = SystemColour(COLOR_HIGHLIGHTTEXT);
        draw.clrTextBk = SystemColour(COLOR_HIGHLIGHT);
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace

COLORREF SystemColour(int index) {
  return g_colour_hook ? g_colour_hook(index) : GetSysColor(index);
}

void SetSystemColourHookForTesting(SystemColourHook hook) { g_colour_hook = std::move(hook); }

void ForwardColourChange(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  MSG forwarded{window, msg, wp, lp, 0, {}};
  EnumChildWindows(window, ForwardToChild, reinterpret_cast<LPARAM>(&forwarded));
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

HBITMAP MakeMenuPicture(int width, int height) {
  void* bits = nullptr;
  HBITMAP drawing = CreatePixelBitmap(width, height, bits);
  if (!drawing) return nullptr;
  auto* pixels = static_cast<DWORD*>(bits);
  const DWORD face = Pixel(SystemColour(COLOR_BTNFACE));
  const DWORD bar = Pixel(SystemColour(COLOR_BTNTEXT));
  for (int i = 0; i < width * height; ++i) pixels[i] = face;
  const int bar_x = ScaleX(8), bar_w = ScaleX(14), bar_h = ScaleY(2);
  for (int bar_top : {9, 14, 19}) {
    const int y0 = ScaleY(bar_top);
    for (int y = y0; y < y0 + bar_h && y < height; ++y)
      for (int x = bar_x; x < bar_x + bar_w && x < width; ++x) pixels[y * width + x] = bar;
  }
  return drawing;
}

LRESULT CALLBACK MainWindowLook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      ForwardColourChange(hwnd, msg, wp, lp);
      RepaintMenuButton();
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header && header->code == NM_CUSTOMDRAW && header->hwndFrom == App().list)
        return ListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace gw
