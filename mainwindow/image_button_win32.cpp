// The image buttons Delete, Edit and New: small child windows that show a
// picture painted on the button face, again when the system colours change,
// take the focus when clicked, draw a dotted focus rectangle, and report
// clicks, Enter, key releases and focus changes as events of the main window.
// To the accessibility layer they are push buttons named by their tooltip,
// with its shortcut, whose default action presses them.
#include <windows.h>

#include <algorithm>
#include <windowsx.h>

#include <oleacc.h>

#include <utility>

#include "base/event_queue.h"
#include "mainwindow/accessibility.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

constexpr wchar_t kImageButtonClass[] = L"GlyphwellImageButton";
// Window extra bytes: the backing bitmap, the "pressed on it" flag, and the
// PNG data with its size, kept to paint the picture again.
constexpr int kBitmapSlot = 0;
constexpr int kPressedSlot = sizeof(LONG_PTR);
constexpr int kPngSlot = 2 * sizeof(LONG_PTR);
constexpr int kPngSizeSlot = 3 * sizeof(LONG_PTR);
constexpr int kSlotCount = 4;
constexpr int kFocusInset = 2;

int ButtonId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

void Report(HWND hwnd, int type, int key = 0) {
  Event event{EventKind::Control, MainWindow, ButtonId(hwnd), type};
  event.key = key;
  QueueEvent(event);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(hwnd, kBitmapSlot));
  HDC memory = bitmap ? CreateCompatibleDC(dc) : nullptr;
  if (memory) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  } else {
    HBRUSH face = CreateSolidBrush(SystemColour(COLOR_BTNFACE));
    FillRect(dc, &client, face);
    DeleteObject(face);
  }
  if (GetFocus() == hwnd) {
    RECT focus = client;
    InflateRect(&focus, -kFocusInset, -kFocusInset);
    DrawFocusRect(dc, &focus);
  }
  EndPaint(hwnd, &ps);
}

bool PaintPicture(HWND button, const void* png, std::size_t size);

LRESULT CALLBACK ImageButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE:
      // Enter presses the focused button, as in a dialog, rather than
      // being the main window's shortcut.
      if (lp && reinterpret_cast<const MSG*>(lp)->message == WM_KEYDOWN &&
          reinterpret_cast<const MSG*>(lp)->wParam == VK_RETURN)
        return DLGC_WANTMESSAGE | DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        Report(hwnd, ControlClick);
        return 0;
      }
      break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      PaintPicture(hwnd, reinterpret_cast<const void*>(GetWindowLongPtrW(hwnd, kPngSlot)),
                   static_cast<std::size_t>(GetWindowLongPtrW(hwnd, kPngSizeSlot)));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      SetCapture(hwnd);
      SetWindowLongPtrW(hwnd, kPressedSlot, 1);
      return 0;
    case WM_LBUTTONUP: {
      const bool pressed = GetWindowLongPtrW(hwnd, kPressedSlot) != 0;
      SetWindowLongPtrW(hwnd, kPressedSlot, 0);
      if (GetCapture() == hwnd) ReleaseCapture();
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT client;
      GetClientRect(hwnd, &client);
      if (pressed && PtInRect(&client, pt)) Report(hwnd, ControlClick);
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetWindowLongPtrW(hwnd, kPressedSlot, 0);
      return 0;
    case WM_KEYUP:
      Report(hwnd, ControlKeyReleased, static_cast<int>(wp));
      return 0;
    case BM_CLICK:  // pressed as a button is (a mnemonic, the keyboard rules)
      Report(hwnd, ControlClick);
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      Report(hwnd, FocusGained);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      Report(hwnd, FocusLost);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_NCDESTROY:
      if (HBITMAP bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(hwnd, kBitmapSlot))) {
        SetWindowLongPtrW(hwnd, kBitmapSlot, 0);
        DeleteObject(bitmap);
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterImageButtonClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(instance, kImageButtonClass, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ImageButtonProc;
  wc.cbWndExtra = kSlotCount * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kImageButtonClass;
  return RegisterClassExW(&wc) != 0;
}

// Paints the picture: the button face, then the PNG alpha-blended at (5, 5)
// scaled to 20 x 20 units, replacing the one painted before. The pixels are
// put together in memory (no device context is needed, which is what made
// the buttons slow to make). False when the bitmap could not be made.
bool PaintPicture(HWND button, const void* png, std::size_t size) {
  const int width = ScaleX(30), height = ScaleY(30);
  void* bits = nullptr;
  HBITMAP bitmap = CreatePixelBitmap(width, height, bits);
  if (!bitmap) return false;
  auto* out = static_cast<unsigned char*>(bits);
  const COLORREF face = SystemColour(COLOR_BTNFACE);
  const unsigned char face_bgr[3] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  for (int i = 0; i < width * height; ++i) {
    std::copy(face_bgr, face_bgr + 3, out + i * 4);
    out[i * 4 + 3] = 0;
  }

  PngImage image;
  if (DecodePng(png, size, image)) {
    const int w = ScaleX(20), h = ScaleY(20), left = ScaleX(5), top = ScaleY(5);
    if (HBITMAP picture = CreateAlphaBitmap(image, w, h)) {
      DIBSECTION section{};
      if (GetObjectW(picture, sizeof(section), &section) == sizeof(section) && section.dsBm.bmBits) {
        // Premultiplied source over the face: out = source + face * (255 - alpha) / 255.
        const auto* source = static_cast<const unsigned char*>(section.dsBm.bmBits);
        for (int y = 0; y < h && top + y < height; ++y)
          for (int x = 0; x < w && left + x < width; ++x) {
            const unsigned char* p = source + (static_cast<std::size_t>(y) * w + x) * 4;
            unsigned char* q = out + (static_cast<std::size_t>(top + y) * width + left + x) * 4;
            for (int c = 0; c < 3; ++c) q[c] = static_cast<unsigned char>(p[c] + (q[c] * (255 - p[3]) + 127) / 255);
          }
      }
      DeleteObject(picture);
    }
  }
  HBITMAP before = reinterpret_cast<HBITMAP>(
      SetWindowLongPtrW(button, kBitmapSlot, reinterpret_cast<LONG_PTR>(bitmap)));
  if (before) DeleteObject(before);
  return true;
}

void MakeButtonAccessible(HWND button) {
  AccessibleTraits traits;
  traits.role = ROLE_SYSTEM_PUSHBUTTON;
  traits.name = [button] { return SplitShortcut(WindowTextOf(button)).name; };
  traits.shortcut = [button] { return SplitShortcut(WindowTextOf(button)).shortcut; };
  traits.default_action = [] { return Tr(u"WinMain", u"InfoActionPress"); };
  traits.do_default_action = [button] { Report(button, ControlClick); };
  MakeAccessible(button, std::move(traits));
}

}  // namespace

HWND MakeImageButton(int id, int x, const void* png, std::size_t size) {
  AppState& app = App();
  if (!RegisterImageButtonClass(app.instance)) return nullptr;
  HWND button =
      CreateWindowExW(0, kImageButtonClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP,
                      ScaleX(x), ScaleY(10), ScaleX(30), ScaleY(30), app.main_window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app.instance, nullptr);
  if (!button) return nullptr;
  SetWindowLongPtrW(button, kPngSlot, reinterpret_cast<LONG_PTR>(png));
  SetWindowLongPtrW(button, kPngSizeSlot, static_cast<LONG_PTR>(size));
  MakeButtonAccessible(button);
  PaintPicture(button, png, size);  // a button that cannot be drawn on stays blank
  InvalidateRect(button, nullptr, FALSE);
  return button;
}

}  // namespace gw
