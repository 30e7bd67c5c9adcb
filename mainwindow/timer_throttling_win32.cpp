#include "mainwindow/timer_throttling_win32.h"

#include <windows.h>

namespace gw {

namespace {

// As the Windows 11 SDK declares them; older headers lack them.
constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
constexpr ULONG kThrottlingVersion = 1;
constexpr ULONG kIgnoreTimerResolution = 0x4;

struct PowerThrottlingState {
  ULONG Version;
  ULONG ControlMask;
  ULONG StateMask;
};

using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

}  // namespace

bool KeepTimerResolutionWhileHidden() {
  // Looked up, not imported: Windows 7 and Wine may not have it.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set = kernel ? reinterpret_cast<SetProcessInformationFn>(
                          reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessInformation")))
                    : nullptr;
  if (!set) return false;
  // The bit in the control mask says the program decides; cleared in the
  // state mask, the decision is "do not ignore the resolution asked for".
  PowerThrottlingState state{kThrottlingVersion, kIgnoreTimerResolution, 0};
  return set(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof(state)) != FALSE;
}

}  // namespace gw
