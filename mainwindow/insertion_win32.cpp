// Typing a row's characters or code into the previous window, copying them to
// the clipboard, and the beep.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <utility>
#include <vector>

#include "base/event_queue.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/elevated_target_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/insertion.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/paste_route.h"
#include "mainwindow/program_in_front_win32.h"
#include "resources/resource_ids.h"

namespace gw {

namespace {

// How long the "Stay on top" mode waits for Alt+Esc to bring another window
// to the front, and how long a hand-back waits for the window it activated.
constexpr ULONGLONG kForegroundWaitMs = 1000;
constexpr ULONGLONG kHandBackWaitMs = 500;

HWND g_previous_window = nullptr;
const void* g_beep = nullptr;
bool g_beep_tried = false;  // the sound engine was asked to start
KeyInputHook g_key_hook;
BeepHook g_beep_hook;
WarningBeepHook g_warning_beep_hook;
int g_timer_periods_held = 0;

void SendRecords(const std::vector<KeyRecord>& records) { SendKeyRecords(records); }

}  // namespace

void SendKeyRecords(const std::vector<KeyRecord>& records) {
  if (records.empty()) return;
  if (g_key_hook) {
    g_key_hook(records);
    return;
  }
  std::vector<INPUT> inputs(records.size());
  for (size_t k = 0; k < records.size(); ++k) {
    INPUT& input = inputs[k];
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = records[k].vk;
    input.ki.wScan = records[k].scan;
    input.ki.dwFlags = records[k].flags;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

// The timer resolution of 1 ms, held for one wait so that its short sleeps
// are short. Windows runs the whole system's timer at the finest resolution
// that any program holds, which costs power, so it is given back after the
// wait.
class FineTimerResolution {
 public:
  FineTimerResolution() : held_(timeBeginPeriod(1) == TIMERR_NOERROR) {
    if (held_) ++g_timer_periods_held;
  }
  ~FineTimerResolution() {
    if (!held_) return;
    timeEndPeriod(1);
    --g_timer_periods_held;
  }
  FineTimerResolution(const FineTimerResolution&) = delete;
  FineTimerResolution& operator=(const FineTimerResolution&) = delete;

 private:
  bool held_;
};

// A window that typed keys may go to: one of another program, not the
// desktop.
bool IsOtherProgramsWindow(HWND hwnd) {
  return hwnd && !IsOwnWindow(hwnd) && hwnd != GetDesktopWindow() && hwnd != GetShellWindow();
}

// After the main window stepped back: when no other program's window is in
// front (some systems activate nothing on minimising), activates the window
// that was in front when the main window came up. The window of another
// program that now has the keyboard, or null when none has.
HWND HandBackKeyboard() {
  if (HWND front = GetForegroundWindow(); IsOtherProgramsWindow(front)) return front;
  if (g_previous_window && IsWindow(g_previous_window) && !IsOwnWindow(g_previous_window)) {
    SetForegroundWindow(g_previous_window);
    // Looked at every millisecond: the typing waits for this and nothing else.
    const FineTimerResolution fine;
    const ULONGLONG deadline = GetTickCount64() + kHandBackWaitMs;
    while (!IsOtherProgramsWindow(GetForegroundWindow()) && GetTickCount64() < deadline)
      Sleep(1);
  }
  HWND front = GetForegroundWindow();
  return front && !IsOwnWindow(front) ? front : nullptr;
}

Text CurrentRowColumn(int column) {
  FollowListSelection();
  const CharacterTable& table = App().table;
  return table.Column(table.CurrentRow(), column);
}

Text CodePayloadOfCurrentRow() {
  return CodePayload(CurrentRowColumn(static_cast<int>(TableColumn::CodeText)),
                     App().settings.HTML);
}

bool HasCurrentRow() {
  FollowListSelection();
  return App().table.CurrentRow() >= 0;
}


// The status bar says what became of the copy for the system's message
// duration, and a screen reader says it too: a failed copy at once, with
// the warning sound.
void Copy(const Text& text, const char16_t* status_key) {
  if (CopyTextToClipboard(text)) {
    ShowStatusMessage(Tr(u"WinMain", status_key), Politeness::Polite);
  } else {
    WarningBeep();
    ShowStatusMessage(Tr(u"WinMain", u"StatusCopyFailed"), Politeness::Assertive);
  }
}

}  // namespace

void WarningBeep() {
  if (g_warning_beep_hook)
    g_warning_beep_hook();
  else
    MessageBeep(MB_ICONWARNING);
}

void SetKeyInputHookForTesting(KeyInputHook hook) { g_key_hook = std::move(hook); }
void SetBeepHookForTesting(BeepHook hook) { g_beep_hook = std::move(hook); }
void SetWarningBeepHookForTesting(WarningBeepHook hook) { g_warning_beep_hook = std::move(hook); }
void ForgetPreviousWindowForTesting() { g_previous_window = nullptr; }
int TimerPeriodsHeld() { return g_timer_periods_held; }

void RememberPreviousWindow() {
  HWND front = GetForegroundWindow();
  if (IsOtherProgramsWindow(front)) g_previous_window = front;
}

void SendKey(int vk, std::uint32_t flags) {
  SendRecords({KeyRecord{static_cast<std::uint16_t>(vk & 0xFF), 0, flags}});
}

Text ProgramOfPreviousWindow() {
  if (!g_previous_window || !IsWindow(g_previous_window)) return Text();
  return ProgramOfWindow(g_previous_window).executable;
}

namespace {

// What became of a row's text.
enum class Sent { Nothing, Typed, Pasted, CodeTyped };

// SendTextToPreviousWindow with the program's rule: `code` is what a Code
// rule types instead of `text`.
Sent SendToPreviousWindow(const Text& text, const Text& code, bool stay_on_top) {
  if (stay_on_top) {
    // The main window stays in front of the others: Shift released, then
    // Alt+Esc, which sends the active window to the back and activates the
    // previous one. One SendInput call, so that no key of the user's comes
    // in between and a window switch halfway cannot leave Alt down.
    const FineTimerResolution fine;
    HWND before = GetForegroundWindow();
    SendRecords({{VK_SHIFT, 0, kKeyUp},
                 {VK_MENU, 0, kKeyDown},
                 {VK_ESCAPE, 0, kKeyDown},
                 {VK_ESCAPE, 0, kKeyUp},
                 {VK_MENU, 0, kKeyUp}});
    // Alt+Esc need not change anything (no other window to activate); the
    // wait is bounded.
    const ULONGLONG deadline = GetTickCount64() + kForegroundWaitMs;
    do {
      Sleep(10);
    } while (GetForegroundWindow() == before && GetTickCount64() < deadline);
  } else {
    MinimizeMainWindow();
  }
  // Never type into the program's own windows.
  HWND target = HandBackKeyboard();
  if (!target) return Sent::Nothing;
  // Keys for a window above this program's integrity level would be dropped
  // unseen: the text goes to the clipboard, and the user is told to paste it.
  // The window looked at is the one just handed the keyboard, not whatever
  // is in front a moment later.
  if (!text.empty() &&
      ChooseInsertionRoute(ReadWindowIntegrity(target)) == InsertionRoute::Clipboard) {
    TellTextIsOnClipboard(CopyTextToClipboard(text));
    return Sent::Nothing;
  }
  const std::optional<ProgramRule> rule = RuleForWindow(target);
  if (rule && rule->method == InsertMethod::Code) {
    SendRecords(UnicodeKeyRecords(code));
    return Sent::CodeTyped;
  }
  if (rule && rule->method == InsertMethod::Paste && !text.empty()) {
    const WindowProgram program = ProgramOfWindow(target);
    const PasteResult result =
        PasteIntoWindowInFront(text, IsTerminal(program.executable, program.window_class));
    TellPasteResult(result);
    return result == PasteResult::Pasted || result == PasteResult::NotGivenBack ? Sent::Pasted
                                                                                : Sent::Nothing;
  }
  SendRecords(UnicodeKeyRecords(text));
  return Sent::Typed;
}

}  // namespace

bool SendTextToPreviousWindow(const Text& text, bool stay_on_top) {
  return SendToPreviousWindow(text, text, stay_on_top) != Sent::Nothing;
}

void InsertCharacters() {
  if (!HasCurrentRow()) return;
  const Text characters = CurrentRowColumn(static_cast<int>(TableColumn::Characters));
  const Text code_text = CurrentRowColumn(static_cast<int>(TableColumn::CodeText));
  const Sent sent = SendToPreviousWindow(characters, CodePayloadOfCurrentRow(), App().settings.OnTop);
  if (sent != Sent::Typed && sent != Sent::Pasted) return;
  if (CaretGoesBetweenPair(characters, code_text)) {
    SendKey(VK_LEFT, 0);
    SendKey(VK_LEFT, KEYEVENTF_KEYUP);
  }
}

void InsertCode() {
  if (!HasCurrentRow()) return;
  const Text code = CodePayloadOfCurrentRow();
  SendToPreviousWindow(code, code, App().settings.OnTop);
}

void CopyCharacters() {
  if (!HasCurrentRow()) return;
  Copy(CurrentRowColumn(static_cast<int>(TableColumn::Characters)), u"StatusCharCopied");
}

void CopyCode() {
  if (!HasCurrentRow()) return;
  Copy(CodePayloadOfCurrentRow(), u"StatusCodeCopied");
}

bool LoadBeepResource() {
  if (g_beep) return true;
  HMODULE module = App().instance ? App().instance : GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_WAV_BEEP), MAKEINTRESOURCEW(10));
  if (!found) return false;
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 ||
      std::memcmp(static_cast<const char*>(data) + 8, "WAVE", 4) != 0)
    return false;
  g_beep = data;
  return true;
}

bool LoadBeep() {
  if (waveOutGetNumDevs() == 0) return false;
  return LoadBeepResource();
}

bool BeepLoaded() { return g_beep != nullptr; }

bool BeepReady() {
  if (!g_beep && !g_beep_tried) {
    g_beep_tried = true;
    LoadBeep();
  }
  return g_beep != nullptr;
}

void ForgetBeepForTesting() {
  g_beep = nullptr;
  g_beep_tried = false;
}

void PlayBeep() {
  if (!g_beep) return;
  const unsigned flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT;
  if (g_beep_hook) {
    g_beep_hook(g_beep, flags);
    return;
  }
  PlaySoundW(static_cast<const wchar_t*>(g_beep), nullptr, flags);
}

}  // namespace gw
