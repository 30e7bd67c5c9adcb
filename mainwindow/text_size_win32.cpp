#include "mainwindow/text_size_win32.h"

#include <commctrl.h>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "table/entry_windows_win32.h"

namespace gw {

namespace {

int g_text_scale = 0;  // percent; 0: not measured yet

using SystemParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

SystemParametersForDpi ForDpiFunction() {
  static const auto function = reinterpret_cast<SystemParametersForDpi>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  return function;
}

// The width of a sample text in `font`.
int SampleWidth(HFONT font) {
  HDC dc = GetDC(nullptr);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  constexpr wchar_t kSample[] = L"Abcdefghijklmnopqrstuvwxyz 0123456789";
  GetTextExtentPoint32W(dc, kSample, static_cast<int>(std::size(kSample) - 1), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cx;
}

int MeasureTextScale() {
  const int dpi = App().dpi_y;
  LOGFONTW message = SystemMessageFont(dpi);
  HFONT current = CreateFontIndirectW(&message);
  HFONT design = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  const int now = current ? SampleWidth(current) : 0;
  const int base = design ? SampleWidth(design) : 0;
  if (current) DeleteObject(current);
  if (design) DeleteObject(design);
  if (now <= 0 || base <= 0) return 100;
  const int percent = MulDiv(now, 100, base);
  return percent < 110 ? 100 : percent;
}

// Scales a window's client area and its controls' places by new/old.
void RescaleWindow(HWND window, int old_factor, int new_factor) {
  if (!window || old_factor == new_factor || old_factor <= 0) return;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, MulDiv(r.left, new_factor, old_factor),
                 MulDiv(r.top, new_factor, old_factor),
                 MulDiv(r.right - r.left, new_factor, old_factor),
                 MulDiv(r.bottom - r.top, new_factor, old_factor),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void ResizeClient(HWND window, int old_factor, int new_factor) {
  RECT client{};
  GetClientRect(window, &client);
  RECT outer{0, 0, MulDiv(client.right, new_factor, old_factor),
             MulDiv(client.bottom, new_factor, old_factor)};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The program's top-level windows: the main window and the open secondary ones.
template <typename F>
void ForEachProgramWindow(F&& f) {
  if (HWND main = App().main_window) f(main);
  for (int number = 1; number <= 5; ++number)
    if (HWND hwnd = EntryWindowHandle(number)) f(hwnd);
}

// The list's columns follow the scale too.
void RescaleListColumns(int old_factor, int new_factor) {
  HWND list = App().list;
  if (!list || old_factor == new_factor) return;
  for (int i = 0; i < 4; ++i)
    ListView_SetColumnWidth(list, i, MulDiv(ListView_GetColumnWidth(list, i), new_factor, old_factor));
}

void Relayout(int old_factor, int new_factor) {
  ForEachProgramWindow([&](HWND window) {
    ResizeClient(window, old_factor, new_factor);
    RescaleWindow(window, old_factor, new_factor);
  });
  RescaleListColumns(old_factor, new_factor);
  if (HWND status = App().status_bar) SendMessageW(status, WM_SIZE, 0, 0);
}

int LayoutFactor() { return App().dpi_y * TextScalePercent(); }

}  // namespace

LOGFONTW SystemMessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersForDpi for_dpi = ForDpiFunction();
      for_dpi && for_dpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                         static_cast<UINT>(dpi)))
    return metrics.lfMessageFont;
  metrics = NONCLIENTMETRICSW{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    // Read at the system's DPI: brought to the window's.
    HDC screen = GetDC(nullptr);
    const int system_dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, system_dpi);
    return metrics.lfMessageFont;
  }
  LOGFONTW fallback{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(fallback), &fallback);
  return fallback;
}

int TextScalePercent() {
  if (g_text_scale == 0) g_text_scale = MeasureTextScale();
  return g_text_scale;
}

void RefreshFontsAndLayout() {
  const int old_factor = LayoutFactor();
  g_text_scale = MeasureTextScale();
  RecreateProgramFonts();
  Relayout(old_factor, LayoutFactor());
  ForEachProgramWindow([](HWND window) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontForControl(child)), TRUE);
    InvalidateRect(window, nullptr, TRUE);
  });
}

void OnDpiChanged(HWND window, WPARAM wp, LPARAM lp) {
  const int dpi = HIWORD(wp);
  if (dpi <= 0) return;
  const int old_factor = LayoutFactor();
  App().dpi_x = LOWORD(wp);
  App().dpi_y = dpi;
  g_text_scale = MeasureTextScale();
  RecreateProgramFonts();
  // The window that moved takes Windows' suggested rectangle; the others
  // (and its controls) are scaled.
  const auto* suggested = reinterpret_cast<const RECT*>(lp);
  ForEachProgramWindow([&](HWND hwnd) {
    if (hwnd == window && suggested)
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    else
      ResizeClient(hwnd, old_factor, LayoutFactor());
    RescaleWindow(hwnd, old_factor, LayoutFactor());
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontForControl(child)), TRUE);
    InvalidateRect(hwnd, nullptr, TRUE);
  });
  RescaleListColumns(old_factor, LayoutFactor());
  if (HWND status = App().status_bar) SendMessageW(status, WM_SIZE, 0, 0);
}

}  // namespace gw
