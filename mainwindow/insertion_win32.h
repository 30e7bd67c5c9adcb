// Character insertion, the Win32 side: the row commands that type into the
// previous window or copy to the clipboard, the key events sent for them and
// the beep.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "base/text.h"
#include "mainwindow/insertion.h"

namespace gw {

// The four row commands; each acts on the current row and does nothing when
// there is none. A copy shows in the status bar whether the text is on the
// clipboard; when it is not, a warning sound goes with it.
void InsertCharacters();
void InsertCode();
void CopyCharacters();
void CopyCode();

// Puts text on the clipboard as CF_UNICODETEXT, for the main window. A
// clipboard that another program holds is tried again for about 200 ms.
// True only when the text is on the clipboard.
bool CopyTextToClipboard(const Text& text);

// Gives the keyboard back to the window that was active before the main
// window and types `text` into it with one SendInput call. With `stay_on_top`
// the main window stays where it is and Alt+Esc moves to the previous
// window; otherwise the main window is minimised. Returns true when the text
// went to another program's window; nothing is typed (false) when the
// keyboard would still reach one of the program's own windows, or when that
// window runs above this program's integrity level: then the text is put on
// the clipboard and the user told to paste it (ChooseInsertionRoute).
bool SendTextToPreviousWindow(const Text& text, bool stay_on_top);

// Sends key records with one SendInput call (or to the test hook).
void SendKeyRecords(const std::vector<KeyRecord>& records);

// The executable of the window that was in front when the main window came
// up (its full path); empty when there was none or it cannot be read.
Text ProgramOfPreviousWindow();

// One key event, virtual-key code `vk` (low 8 bits) with `flags`.
void SendKey(int vk, std::uint32_t flags);

// The window in front when the main window was brought up; the keyboard is
// handed back to it when minimising leaves no other program in front.
void RememberPreviousWindow();

// The beep: loaded once when an audio device exists; played for a typed
// character that is no trigger, asynchronously, restarting a beep that still
// sounds.
bool LoadBeep();
// LoadBeep the first time a beep is wanted, never again after that: starting
// the audio engine takes a while (the driver is asked for its devices) and
// many runs never beep, so start-up leaves it to the first beep. True when
// the beep can be played.
bool BeepReady();
// The resource part of LoadBeep: takes the embedded WAV whether or not an
// audio device exists.
bool LoadBeepResource();
bool BeepLoaded();
void PlayBeep();

// Test hooks. When set, the hook receives what would go to the system:
// the key records of one SendInput call, or the sound and flags of one
// PlaySoundW call. An empty function removes the hook.
using KeyInputHook = std::function<void(const std::vector<KeyRecord>& records)>;
void SetKeyInputHookForTesting(KeyInputHook hook);
using BeepHook = std::function<void(const void* sound, unsigned flags)>;
void SetBeepHookForTesting(BeepHook hook);
// When set, the hook is called instead of the warning sound of a copy that
// failed.
using WarningBeepHook = std::function<void()>;
void SetWarningBeepHookForTesting(WarningBeepHook hook);
// The warning sound (of a failed copy, and of the note that the text is on
// the clipboard), or the hook.
void WarningBeep();
// Forgets the remembered previous window.
void ForgetPreviousWindowForTesting();
// How many 1 ms timer periods (timeBeginPeriod) the program holds now.
int TimerPeriodsHeld();
// Back to the state of a new run: no beep loaded, none tried.
void ForgetBeepForTesting();

}  // namespace gw
