// Links: the character-map link of the main window (control 0) and the web
// site link of the About window. A link is a static control that takes the
// keyboard focus by Tab, drawn as an underlined text in the system's link
// colour (COLOR_HOTLIGHT; where that cannot be read on the button face, the
// usual link blue, see ReadableLinkColour) with the hand cursor, reporting a click on a
// left-button release over it, on Enter and on the Space key as a Control
// event of its window. To the accessibility layer it is a link named by its
// whole caption ("&" included) whose default action opens it.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include <oleacc.h>

#include <utility>

#include "base/event_queue.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/colours.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

constexpr UINT_PTR kLinkSubclassId = 1;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_VCENTER;
constexpr int kTextInset = 2;  // pixels left of the text, room for the focus rectangle

HFONT g_link_font = nullptr;


// The subclass data of a link: its window number and control id.
DWORD_PTR LinkData(int window, int id) {
  return (static_cast<DWORD_PTR>(static_cast<unsigned>(window)) << 16) |
         static_cast<DWORD_PTR>(static_cast<unsigned>(id) & 0xFFFF);
}

void ReportClick(DWORD_PTR data) {
  Event event;
  event.kind = EventKind::Control;
  event.window = static_cast<int>(data >> 16);
  event.object = static_cast<int>(data & 0xFFFF);
  event.type = ControlClick;
  QueueEvent(event);
}

void DrawLink(HWND hwnd, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HBRUSH face = CreateSolidBrush(SystemColour(COLOR_BTNFACE));
  FillRect(dc, &client, face);
  DeleteObject(face);

  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  HGDIOBJ old_font = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, ReadableLinkColour(SystemColour(COLOR_HOTLIGHT), SystemColour(COLOR_BTNFACE),
                                      SystemColour(COLOR_BTNTEXT)));
  SetBkMode(dc, TRANSPARENT);
  const Text text = WindowTextOf(hwnd);
  RECT text_rect = client;
  text_rect.left += kTextInset;
  DrawTextW(dc, W(text), static_cast<int>(text.size()), &text_rect, kTextFormat);

  if (GetFocus() == hwnd) {
    // The focus rectangle hugs the text, within the control.
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, W(text), static_cast<int>(text.size()), &measured, DT_CALCRECT | kTextFormat);
    const int text_height = measured.bottom - measured.top;
    RECT focus;
    focus.left = client.left;
    focus.right = std::min<LONG>(client.right, kTextInset + measured.right + kTextInset);
    focus.top = std::max<LONG>(client.top, (client.bottom - text_height) / 2 - 1);
    focus.bottom = std::min<LONG>(client.bottom, focus.top + text_height + 2);
    DrawFocusRect(dc, &focus);
  }
  if (old_font) SelectObject(dc, old_font);
}

void PaintLink(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  DrawLink(hwnd, dc);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  switch (msg) {
    case WM_NCHITTEST:
      // A plain static control lets the mouse through to its parent.
      return HTCLIENT;
    case WM_SETCURSOR: {
      HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
      SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    }
    case WM_LBUTTONUP: {
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT client;
      GetClientRect(hwnd, &client);
      if (PtInRect(&client, pt)) ReportClick(data);
      return 0;
    }
    case WM_KEYUP:
      if (wp == VK_SPACE) ReportClick(data);
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        ReportClick(data);
        return 0;
      }
      break;
    case WM_GETDLGCODE:
      // Enter opens the focused link rather than being its window's shortcut.
      if (lp && reinterpret_cast<const MSG*>(lp)->message == WM_KEYDOWN &&
          reinterpret_cast<const MSG*>(lp)->wParam == VK_RETURN)
        return DLGC_WANTMESSAGE | DLGC_WANTCHARS;
      return DLGC_WANTCHARS;
    case WM_PRINTCLIENT:
      DrawLink(hwnd, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_CLICK:  // pressed as a button is (a mnemonic, the keyboard rules)
      ReportClick(data);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintLink(hwnd);
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, LinkProc, kLinkSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateLinkControl(HWND parent, int window, int id, const Text& text, int x, int y, int w,
                       int h) {
  HWND link = CreateWindowExW(0, L"STATIC", W(text),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | SS_LEFT | SS_NOPREFIX,
                              ScaleX(x), ScaleY(y), ScaleX(w), ScaleY(h), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance,
                              nullptr);
  if (!link) return nullptr;
  SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(LinkFont()), FALSE);
  SetWindowSubclass(link, LinkProc, kLinkSubclassId, LinkData(window, id));
  AccessibleTraits traits;
  traits.role = ROLE_SYSTEM_LINK;
  traits.name = [link] { return WindowTextOf(link); };
  traits.default_action = [] { return Tr(u"WinMain", u"InfoActionOpen"); };
  const DWORD_PTR data = LinkData(window, id);
  traits.do_default_action = [data] { ReportClick(data); };
  MakeAccessible(link, std::move(traits));
  return link;
}

namespace {

// The character-map link's width in units: its text's, never more than 200
// (its right edge stays at 520).
int CharMapLinkUnits(const Text& text) { return std::min(LinkWidthFor(text), 200); }

}  // namespace

HWND CreateCharMapLink(const Text& text) {
  // Made at once where SetCharMapLinkText would put it: no move afterwards.
  const int units = CharMapLinkUnits(text);
  return CreateLinkControl(App().main_window, MainWindow, kCtlCharMapLink, text, 520 - units, 15,
                           units, 20);
}

int LinkWidthFor(const Text& text) {
  int pixels = 0;
  if (HDC dc = GetDC(nullptr)) {
    HGDIOBJ old_font = LinkFont() ? SelectObject(dc, LinkFont()) : nullptr;
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, W(text), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX);
    pixels = rect.right - rect.left;
    if (old_font) SelectObject(dc, old_font);
    ReleaseDC(nullptr, dc);
  }
  return MulDiv(pixels + 4, 96, App().dpi_x);
}

void SetCharMapLinkText(const Text& text) {
  HWND link = MainControl(kCtlCharMapLink);
  if (!link) return;
  SetWindowTextW(link, W(text));

  const int units = CharMapLinkUnits(text);
  RECT rect;
  GetWindowRect(link, &rect);
  MapWindowPoints(nullptr, GetParent(link), reinterpret_cast<POINT*>(&rect), 2);
  SetWindowPos(link, nullptr, ScaleX(520 - units), rect.top, ScaleX(units), rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(link, nullptr, TRUE);
}

void SetCharMapLinkTooltip(const Text& text) { SetMainControlTooltip(kCtlCharMapLink, text); }

HFONT LinkFont() {
  if (g_link_font) return g_link_font;
  LOGFONTW lf{};
  HFONT base = MessageFontHandle();
  if (base && GetObjectW(base, sizeof(lf), &lf) == sizeof(lf)) {
    lf.lfUnderline = TRUE;
    g_link_font = CreateFontIndirectW(&lf);
  }
  if (!g_link_font) g_link_font = base;
  return g_link_font;
}

HFONT ForgetLinkFont() {
  HFONT previous = g_link_font;
  g_link_font = nullptr;
  return previous == MessageFontHandle() ? nullptr : previous;
}

}  // namespace gw
