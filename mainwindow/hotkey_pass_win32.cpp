#include <windows.h>

#include "base/placeholders.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/hotkey_pass.h"
#include "mainwindow/hotkey_win32.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/program_in_front_win32.h"

namespace gw {

namespace {

HWINEVENTHOOK g_hook = nullptr;
bool g_passed = false;
Text g_tip_before;  // the tray tooltip while the hotkey is Glyphwell's

bool AnyRulePasses() {
  for (const ProgramRule& rule : App().settings.Programs.rules)
    if (rule.pass_hotkey) return true;
  return false;
}

}  // namespace

void TakeHotkeyBack() {
  if (!g_passed) return;
  g_passed = false;
  const int n = App().settings.Hotkey;
  // Another program may have taken the key meanwhile: the tooltip then
  // names no hotkey, as after a failed registration.
  SetTrayTip(n > 0 && RegisterFunctionKey(n) ? g_tip_before : Text(u"Glyphwell"));
}

namespace {

void ApplyRuleOfWindow(HWND hwnd) {
  const int n = App().settings.Hotkey;
  const auto rule = RuleForWindow(hwnd);
  if (!rule || !rule->pass_hotkey || n <= 0) {
    TakeHotkeyBack();
    return;
  }
  if (g_passed) return;
  g_passed = true;
  g_tip_before = App().tray_tip;
  UnregisterHotKey(App().main_window, 1);
  const Text key = u"F" + NumberText(n);
  const Text program(ProgramFileName(ProgramOfWindow(hwnd).executable));
  SetTrayTip(FillPlaceholders(Tr(u"WinMain", u"InfoHotkeyPassed"),
                              std::vector<TextView>{key, program.empty() ? rule->program : program}));
}

void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG,
                                  DWORD, DWORD) {
  if (event != EVENT_SYSTEM_FOREGROUND || object != OBJID_WINDOW) return;
  ApplyRuleOfWindow(hwnd);
}

}  // namespace

void FollowProgramsInFront() {
  const bool wanted = App().settings.Hotkey > 0 && AnyRulePasses();
  if (wanted && !g_hook) {
    g_hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                             OnForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
  } else if (!wanted && g_hook) {
    UnhookWinEvent(g_hook);
    g_hook = nullptr;
  }
  if (g_hook)
    ApplyRuleOfWindow(GetForegroundWindow());
  else
    TakeHotkeyBack();
}

bool PassHotkeyToProgramInFront() {
  const int n = App().settings.Hotkey;
  if (n <= 0 || n > 24 || !AnyRulePasses()) return false;
  const auto rule = RuleForWindow(GetForegroundWindow());
  if (!rule || !rule->pass_hotkey) return false;
  // Not registered while the key goes on, so that it reaches the program.
  const auto vk = static_cast<std::uint16_t>(VK_F1 + n - 1);
  UnregisterHotKey(App().main_window, 1);
  SendKeyRecords({{vk, 0, kKeyDown}, {vk, 0, kKeyUp}});
  if (!RegisterFunctionKey(n)) SetTrayTip(u"Glyphwell");
  return true;
}

bool HotkeyPassedThrough() { return g_passed; }
bool FollowingProgramsInFront() { return g_hook != nullptr; }

}  // namespace gw
