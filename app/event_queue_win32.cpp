// The event queue and the window procedures that feed it: every message the
// program acts on becomes an event here; the loop acts on the events.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "app/event_loop.h"
#include "app/event_queue.h"
#include "app/shell_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

WNDPROC g_list_procedure = nullptr;
WNDPROC g_main_window_painting = nullptr;

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
bool g_main_filter_installed = false;
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

Event MakeEvent(EventKind kind, int window, int object = 0, int type = 0) {
  Event event;
  event.kind = kind;
  event.window = window;
  event.object = object;
  event.type = type;
  return event;
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
void InstallMainWindowFilter() { g_main_filter_installed = true; }

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
    PostEvent(MakeEvent(EventKind::Control, window, GetDlgCtrlID(g_tracked_focus), FocusLost));
  if (IsTrackedKind(now))
    PostEvent(MakeEvent(EventKind::Control, window, GetDlgCtrlID(now), FocusGained));
  g_tracked_focus = now;
}

bool TranslateWindowMessage(int window, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                            LRESULT* result) {
  switch (msg) {
    case WM_COMMAND:
      if (lp == 0) {
        QueueEvent(MakeEvent(EventKind::Command, window, LOWORD(wp)));
      } else {
        HWND control = reinterpret_cast<HWND>(lp);
        QueueEvent(MakeEvent(EventKind::Control, window, LOWORD(wp),
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
      QueueEvent(MakeEvent(EventKind::Control, window, static_cast<int>(header->idFrom), type));
      *result = 0;
      return true;
    }

    case WM_ACTIVATE: {
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) g_saved_focus[hwnd] = focus;
        QueueEvent(MakeEvent(EventKind::Deactivate, window));
        g_active.erase(hwnd);
        return false;
      }
      // Bringing a window back from the tray shows it minimised, then restores
      // it, and Wine reports an activation for each step. Only the first of
      // two activations without a deactivation between them is the user's
      // return to the window; a second would at once replace the message
      // that a reread of the character file has just shown.
      if (g_active.insert(hwnd).second) QueueEvent(MakeEvent(EventKind::Activate, window));
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
      if (wp == SIZE_MINIMIZED) QueueEvent(MakeEvent(EventKind::Minimize, window));
      return false;

    case WM_TIMER:
      QueueEvent(MakeEvent(EventKind::Timer, window, static_cast<int>(wp)));
      *result = 0;
      return true;

    case WM_CLOSE:
      // The window is never destroyed by the request itself.
      QueueEvent(MakeEvent(EventKind::Close, window));
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

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  AppState& app = App();

  // The message filter sees these before the normal handling and lets them
  // go on.
  if (g_main_filter_installed) {
    if (msg == WM_HOTKEY) {
      PostEvent(MakeEvent(EventKind::Hotkey, MainWindow));
    } else if (msg == WM_UNINITMENUPOPUP && MainMenuHandle() &&
               reinterpret_cast<HMENU>(wp) == MainMenuHandle()) {
      PostEvent(MakeEvent(EventKind::MainMenuClosed, MainWindow));
    }
  }

  if (msg != 0 && msg == app.taskbar_created_message) {
    // The taskbar was re-created (Explorer restarted): the icon comes back.
    ReAddTrayIcon();
    return 0;
  }

  if (msg == WM_ENDSESSION) {
    // Windows signs out or shuts down, or an installer's Restart Manager
    // closes the program to replace its files: every change is written
    // already, so it ends at once, with its tray icon and hotkey released.
    if (wp) QuitProgram(false, app.tray_icon);
    return 0;
  }

  if (msg == kTrayCallbackMessage) {
    // The shell reports a double click as up, double-click, up. The up that
    // ends a double click is no click of its own: it would put the window
    // that the first one showed back into the tray. The next press starts
    // a new click.
    static bool double_click_up_due = false;
    int type = -1;
    switch (static_cast<UINT>(lp)) {
      case WM_LBUTTONDOWN: double_click_up_due = false; break;
      case WM_LBUTTONUP:
        if (!double_click_up_due) type = 0;
        double_click_up_due = false;
        break;
      case WM_RBUTTONUP: type = 1; break;
      case WM_LBUTTONDBLCLK:
        type = 2;
        double_click_up_due = true;
        break;
      case WM_RBUTTONDBLCLK: type = 3; break;
      default: break;
    }
    if (type >= 0) QueueEvent(MakeEvent(EventKind::Tray, MainWindow, static_cast<int>(wp), type));
    return 0;
  }

  LRESULT result = 0;
  if (msg == WM_NOTIFY && lp && AnswerListNotification(*reinterpret_cast<const NMHDR*>(lp), &result))
    return result;
  if (TranslateWindowMessage(MainWindow, hwnd, msg, wp, lp, &result)) return result;
  if (g_main_window_painting) return g_main_window_painting(hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TriggerKeyFilter(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    const Text typed(1, static_cast<char16_t>(wp));
    LoopState& loop = Loop();
    loop.TriggerRow = App().table.FindTrigger(typed);
    loop.TriggerFound = loop.TriggerRow >= 0;
    loop.TriggerTyped = typed;
    PostEvent(MakeEvent(EventKind::TriggerKey, MainWindow));
    // A character that is no trigger never reaches the list view.
    if (!loop.TriggerFound) return 1;
  }
  if (g_list_procedure) return CallWindowProcW(g_list_procedure, hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace gw
