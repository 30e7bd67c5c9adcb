#include "app/keyboard_win32.h"

#include <commctrl.h>

#include <cwctype>

#include "base/event_queue.h"

namespace gw {

namespace {

constexpr wchar_t kHomeDefaultProp[] = L"GlyphwellHomeDefault";
constexpr wchar_t kDefaultsKnownProp[] = L"GlyphwellDefaultsKnown";

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

LRESULT DialogCode(HWND control) {
  return SendMessageW(control, WM_GETDLGCODE, 0, 0);
}

bool IsPushButton(HWND control) {
  return (DialogCode(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

bool HasClass(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[32] = {};
  return GetClassNameW(hwnd, buffer, 32) && lstrcmpiW(buffer, name) == 0;
}

bool IsStandardButton(HWND control) { return HasClass(control, L"Button"); }

// The upper-cased mnemonic of a caption ("&&" is a plain "&"); 0 for none.
wchar_t CaptionMnemonic(HWND control) {
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  for (const wchar_t* p = text; *p; ++p) {
    if (*p != L'&') continue;
    if (p[1] == L'&') {
      ++p;
      continue;
    }
    return p[1] ? static_cast<wchar_t>(std::towupper(p[1])) : 0;
  }
  return 0;
}

bool Usable(HWND control) { return IsWindowVisible(control) && IsWindowEnabled(control); }

}  // namespace

bool EnterPressesControl(HWND control) {
  if (!control) return false;
  const LRESULT code = DialogCode(control);
  if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) return true;
  return (code & DLGC_BUTTON) && !(code & DLGC_RADIOBUTTON);
}

bool FocusTakesKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR)
    return false;
  HWND focus = GetFocus();
  if (!focus || focus != msg.hwnd || !HasClass(focus, HOTKEY_CLASSW)) return false;
  if (msg.message == WM_SYSCHAR) return true;
  const bool alt = KeyDown(VK_MENU), ctrl = KeyDown(VK_CONTROL);
  if (!alt && !ctrl && (msg.wParam == VK_TAB || msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
    return false;
  return true;
}

bool PressFocusedControl(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  if (KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return false;
  HWND focus = GetFocus();
  if (!focus || focus != msg.hwnd || !IsOwnWindow(focus) || !EnterPressesControl(focus))
    return false;
  if (msg.lParam & (1 << 30)) return true;  // a held key presses once
  SendMessageW(focus, BM_CLICK, 0, 0);
  return true;
}

void TurnOptionArrow(MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_LEFT && msg.wParam != VK_RIGHT)) return;
  if (KeyDown(VK_CONTROL) || KeyDown(VK_MENU) || KeyDown(VK_SHIFT)) return;
  HWND focus = GetFocus();
  if (!focus || focus != msg.hwnd || !IsStandardButton(focus) ||
      !(DialogCode(focus) & DLGC_RADIOBUTTON))
    return;
  msg.wParam = msg.wParam == VK_LEFT ? VK_UP : VK_DOWN;
}

bool HandleCloseKey(const MSG& msg) {
  if (msg.message != WM_SYSKEYDOWN || msg.wParam != VK_F4 || !(HIWORD(msg.lParam) & KF_ALTDOWN))
    return false;
  if (KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT)) return false;
  HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (!top || !IsOwnWindow(top)) return false;
  PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
  return true;
}

bool HandleMnemonic(const MSG& msg) {
  if (msg.message != WM_SYSCHAR || !msg.hwnd || !IsOwnWindow(msg.hwnd)) return false;
  HWND top = GetAncestor(msg.hwnd, GA_ROOT);
  if (!top || !IsWindowEnabled(top)) return false;
  const auto key = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(msg.wParam)));
  for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child) || CaptionMnemonic(child) != key) continue;
    if (!IsStandardButton(child) || (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
      // A label names the control after it.
      HWND next = GetNextDlgTabItem(top, child, FALSE);
      if (next && Usable(next)) SetFocus(next);
      return true;
    }
    if (!Usable(child)) return true;
    const LRESULT code = DialogCode(child);
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) SetFocus(child);
    if (!(code & DLGC_RADIOBUTTON) || SendMessageW(child, BM_GETCHECK, 0, 0) != BST_CHECKED)
      SendMessageW(child, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

void FollowDefaultButton() {
  static HWND last_focus = nullptr;
  HWND focus = GetFocus();
  if (focus == last_focus) return;
  last_focus = focus;
  if (!focus || !IsOwnWindow(focus)) return;
  HWND top = GetAncestor(focus, GA_ROOT);
  if (!top) return;
  if (!GetPropW(top, kDefaultsKnownProp)) {
    SetPropW(top, kDefaultsKnownProp, reinterpret_cast<HANDLE>(1));
    for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (IsStandardButton(child) &&
          (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        SetPropW(child, kHomeDefaultProp, reinterpret_cast<HANDLE>(1));
  }
  const bool on_button = IsStandardButton(focus) && IsPushButton(focus);
  for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsStandardButton(child) || !IsPushButton(child)) continue;
    const bool ring = on_button ? child == focus : GetPropW(child, kHomeDefaultProp) != nullptr;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) == ring) continue;
    const LONG kept = style & 0xFFFF & ~BS_TYPEMASK;  // BS_BITMAP and the alignment stay
    SendMessageW(child, BM_SETSTYLE, static_cast<WPARAM>(kept | (ring ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
                 TRUE);
  }
}

}  // namespace gw
