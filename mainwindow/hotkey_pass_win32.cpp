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
  const KeyCombination hotkey = HotkeyOf(App().settings);
  // Another program may have taken the key meanwhile: the tooltip then
  // names no hotkey, as after a failed registration.
  SetTrayTip(hotkey.key != 0 && RegisterProgramHotkey(hotkey) ? g_tip_before : Text(u"Glyphwell"));
}

namespace {

void ApplyRuleOfWindow(HWND hwnd) {
  const auto rule = RuleForWindow(hwnd);
  if (!rule || !rule->pass_hotkey || HotkeyOf(App().settings).key == 0) {
    TakeHotkeyBack();
    return;
  }
  if (g_passed) return;
  g_passed = true;
  g_tip_before = App().tray_tip;
  UnregisterProgramHotkey();
  const Text key = ShownHotkeyName(App().settings, App().language);
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
  const bool wanted = HotkeyOf(App().settings).key != 0 && AnyRulePasses();
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
  const KeyCombination hotkey = HotkeyOf(App().settings);
  if (hotkey.key == 0 || !AnyRulePasses()) return false;
  const auto rule = RuleForWindow(GetForegroundWindow());
  if (!rule || !rule->pass_hotkey) return false;
  // Not registered while the key goes on, so that it reaches the program
  // (with the modifiers the user still holds).
  const auto vk = static_cast<std::uint16_t>(hotkey.key);
  UnregisterProgramHotkey();
  SendKeyRecords({{vk, 0, kKeyDown}, {vk, 0, kKeyUp}});
  if (!RegisterProgramHotkey(hotkey)) SetTrayTip(u"Glyphwell");
  return true;
}

bool HotkeyPassedThrough() { return g_passed; }
bool FollowingProgramsInFront() { return g_hook != nullptr; }

}  // namespace gw
