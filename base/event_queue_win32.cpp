// The event queue and the translation of window messages into events: every
// message the program acts on becomes an event here; the loop acts on the
// events.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "base/event_queue.h"

namespace gw {

namespace {

constexpr wchar_t kWakeClass[] = L"GlyphwellEventWake";
// The private message that wakes a loop blocked in GetMessageW.
constexpr UINT kWakeMessage = WM_APP + 0x200;
// An event from a worker thread: the kind in wParam, the window and the
// object in the high and low halves of lParam.
constexpr UINT kThreadEventMessage = WM_APP + 0x201;

std::deque<Event> g_queue;
HWND g_wake_window = nullptr;
bool g_wake_pending = false;

bool g_focus_tracker_installed = false;
HWND g_tracked_focus = nullptr;

// Focus memory of each program window: the control that had the focus when
// the window was deactivated.
std::map<HWND, HWND> g_saved_focus;

LRESULT CALLBACK WakeWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    g_wake_pending = false;
    return 0;
  }
  if (msg == kThreadEventMessage) {
    Event event;
    event.kind = static_cast<EventKind>(wp);
    const auto halves = static_cast<unsigned long long>(lp);
    event.window = static_cast<int>(static_cast<std::uint32_t>(halves >> 32));
    event.object = static_cast<int>(static_cast<std::uint32_t>(halves));
    PostEvent(event);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Windows that were activated and not deactivated since.
std::set<HWND> g_active;

// Windows that are closed and hidden, waiting to be destroyed.
std::vector<HWND> g_retired;

// The keyboard shortcuts of the secondary windows.
std::vector<std::pair<HWND, HACCEL>> g_accelerators;

void Wake() {
  if (!g_wake_window || g_wake_pending) return;
  if (PostMessageW(g_wake_window, kWakeMessage, 0, 0)) g_wake_pending = true;
}

bool HasClass(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[64] = {};
  if (!hwnd || !GetClassNameW(hwnd, buffer, 64)) return false;
  return lstrcmpiW(buffer, name) == 0;
}

// The control that stands for a focused window: the edit part of a combo box
// counts as the combo box.
HWND ProgramControl(HWND focus) {
  if (!focus) return nullptr;
  HWND parent = GetParent(focus);
  if (parent && (HasClass(parent, WC_COMBOBOXW) || HasClass(parent, L"ComboBoxEx32")))
    return parent;
  return focus;
}

// Check boxes, combo boxes and list views report their focus changes through
// the focus tracker.
bool IsTrackedKind(HWND control) {
  if (!control || !IsWindow(control)) return false;
  if (HasClass(control, WC_COMBOBOXW) || HasClass(control, L"ComboBoxEx32") ||
      HasClass(control, WC_LISTVIEWW))
    return true;
  if (HasClass(control, WC_BUTTONW)) {
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
  }
  return false;
}

// The list-view notifications that become events. The rest (items being
// inserted or deleted, custom draw, hovering, ...) are the list's business.
bool ListNotificationEvent(const NMHDR& header, int* type) {
  switch (header.code) {
    case NM_DBLCLK:
      *type = ControlDoubleClick;
      return true;
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) &&
          ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) {
        *type = ControlSelectionChanged;
        return true;
      }
      return false;
    }
    case NM_CLICK:
    case NM_RCLICK:
    case NM_RDBLCLK:
    case LVN_COLUMNCLICK:
      *type = ControlOther;
      return true;
    default:
      return false;
  }
}

// The type of a Control event from a WM_COMMAND notification.
int CommandNotificationType(HWND control, WORD code) {
  if (code == BN_CLICKED) return ControlClick;  // also STN_CLICKED
  if (HasClass(control, WC_EDITW)) {
    if (code == EN_SETFOCUS) return FocusGained;
    if (code == EN_KILLFOCUS) return FocusLost;
  }
  return ControlOther;
}

}  // namespace

bool g_program_selecting = false;

void InitEventQueue(HINSTANCE instance) {
  if (g_wake_window) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WakeWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kWakeClass;
  RegisterClassExW(&wc);
  g_wake_window = CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
}

void QueueEvent(const Event& event) {
  if (!g_queue.empty() && g_queue.back() == event) return;
  g_queue.push_back(event);
  // Messages sent by other threads or processes (the tray's callback through
  // the shell, for one) are handled inside GetMessageW, which then goes on
  // waiting: wake it so the event is taken now.
  Wake();
}

void PostEvent(const Event& event) {
  g_queue.push_back(event);
  Wake();
}

bool PostEventFromThread(const Event& event) {
  const unsigned long long halves =
      (static_cast<unsigned long long>(static_cast<std::uint32_t>(event.window)) << 32) |
      static_cast<std::uint32_t>(event.object);
  return g_wake_window && PostMessageW(g_wake_window, kThreadEventMessage,
                                       static_cast<WPARAM>(event.kind),
                                       static_cast<LPARAM>(halves)) != FALSE;
}

bool TakeEvent(Event& event) {
  if (g_queue.empty()) return false;
  event = g_queue.front();
  g_queue.pop_front();
  return true;
}

std::size_t QueuedEventCount() { return g_queue.size(); }
const Event& QueuedEvent(std::size_t index) { return g_queue[index]; }
void ClearEventQueue() { g_queue.clear(); }

void RemoveQueuedTimerEvents(int timer_id) {
  for (auto it = g_queue.begin(); it != g_queue.end();) {
    if (it->kind == EventKind::Timer && it->window == MainWindow && it->object == timer_id)
      it = g_queue.erase(it);
    else
      ++it;
  }
}

void InstallFocusTracker() { g_focus_tracker_installed = true; }

bool IsOwnWindow(HWND hwnd) {
  if (!hwnd) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == GetCurrentProcessId();
}

void RunFocusTracker(int window) {
  HWND now = ProgramControl(GetFocus());
  if (now == g_tracked_focus) return;
  if (IsTrackedKind(g_tracked_focus))
    PostEvent(WindowEvent(EventKind::Control, window, GetDlgCtrlID(g_tracked_focus), FocusLost));
  if (IsTrackedKind(now))
    PostEvent(WindowEvent(EventKind::Control, window, GetDlgCtrlID(now), FocusGained));
  g_tracked_focus = now;
}

bool TranslateWindowMessage(int window, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                            LRESULT* result) {
  switch (msg) {
    case WM_COMMAND:
      if (lp == 0) {
        QueueEvent(WindowEvent(EventKind::Command, window, LOWORD(wp)));
      } else {
        HWND control = reinterpret_cast<HWND>(lp);
        QueueEvent(WindowEvent(EventKind::Control, window, LOWORD(wp),
                             CommandNotificationType(control, HIWORD(wp))));
      }
      *result = 0;
      return true;

    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      int type = 0;
      if (!header || !HasClass(header->hwndFrom, WC_LISTVIEWW) ||
          !ListNotificationEvent(*header, &type))
        return false;
      if (type == ControlSelectionChanged && g_program_selecting) return false;
      QueueEvent(WindowEvent(EventKind::Control, window, static_cast<int>(header->idFrom), type));
      *result = 0;
      return true;
    }

    case WM_ACTIVATE: {
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) g_saved_focus[hwnd] = focus;
        QueueEvent(WindowEvent(EventKind::Deactivate, window));
        g_active.erase(hwnd);
        return false;
      }
      // Bringing a window back from the tray shows it minimised, then restores
      // it, and Wine reports an activation for each step. Only the first of
      // two activations without a deactivation between them is the user's
      // return to the window; a second would at once replace the message
      // that a reread of the character file has just shown.
      if (g_active.insert(hwnd).second) QueueEvent(WindowEvent(EventKind::Activate, window));
      const bool minimized = HIWORD(wp) != 0;
      auto saved = g_saved_focus.find(hwnd);
      if (!minimized && saved != g_saved_focus.end() && IsWindow(saved->second) &&
          IsChild(hwnd, saved->second) && IsWindowEnabled(saved->second) &&
          IsWindowVisible(saved->second)) {
        SetFocus(saved->second);
        *result = 0;
        return true;
      }
      return false;
    }

    case WM_DESTROY:
      g_saved_focus.erase(hwnd);
      g_active.erase(hwnd);
      return false;

    case WM_SIZE:
      if (wp == SIZE_MINIMIZED) QueueEvent(WindowEvent(EventKind::Minimize, window));
      return false;

    case WM_TIMER:
      QueueEvent(WindowEvent(EventKind::Timer, window, static_cast<int>(wp)));
      *result = 0;
      return true;

    case WM_CLOSE:
      // The window is never destroyed by the request itself.
      QueueEvent(WindowEvent(EventKind::Close, window));
      *result = 0;
      return true;

    case WM_ERASEBKGND:
      if (g_focus_tracker_installed) RunFocusTracker(window);
      return false;

    default:
      return false;
  }
}

void RetireWindow(HWND hwnd) {
  if (!hwnd) return;
  ShowWindow(hwnd, SW_HIDE);
  // The secondary windows' procedure takes the window number from here; with
  // none left, nothing of the window becomes an event any more. Its focus
  // memory goes now, as it would at WM_DESTROY; and the focus tracker lets go
  // of its controls, which (unlike destroyed ones) still have a class.
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  g_saved_focus.erase(hwnd);
  g_active.erase(hwnd);
  if (g_tracked_focus && (g_tracked_focus == hwnd || IsChild(hwnd, g_tracked_focus)))
    g_tracked_focus = nullptr;
  g_retired.push_back(hwnd);
}

bool HaveRetiredWindows() { return !g_retired.empty(); }

bool DestroyRetiredWindows() {
  if (g_retired.empty()) return false;
  std::vector<HWND> windows;
  windows.swap(g_retired);
  for (HWND hwnd : windows) DestroyWindow(hwnd);
  return true;
}

void SetWindowAccelerators(HWND window, HACCEL table) {
  RemoveWindowAccelerators(window);
  g_accelerators.emplace_back(window, table);
}

void RemoveWindowAccelerators(HWND window) {
  for (auto it = g_accelerators.begin(); it != g_accelerators.end();) {
    if (it->first == window)
      it = g_accelerators.erase(it);
    else
      ++it;
  }
}

HACCEL WindowAccelerators(HWND window) {
  for (const auto& [hwnd, table] : g_accelerators)
    if (hwnd == window) return table;
  return nullptr;
}

}  // namespace gw
