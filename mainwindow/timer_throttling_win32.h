// Typing waits in steps of a millisecond (the fine timer resolution held for
// one wait, insertion_win32.cpp). Windows 11 ignores a process's timer
// resolution while none of its windows is visible, which is exactly the state
// while the program types; this asks Windows to honour it all the same.
#pragma once

namespace gw {

// Opts the process out of timer-resolution throttling. False when Windows
// does not know the request (before Windows 11, and under Wine), which then
// changes nothing.
bool KeepTimerResolutionWhileHidden();

}  // namespace gw
