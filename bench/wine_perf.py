"""End-to-end timings of Glyphwell under Wine, each beside a baseline measured in the same run.

Run with scripts/bench-wine.sh (Debian's /usr/bin/python3).  Each group of figures (start, keys,
reread, edit) has a Wine session of its own (tests/e2e/harness.py): Wine's explorer keeps a tooltip
window for every tray icon ever removed, and the windows left by the many starts of one group would
slow down the window operations of the next.  Each figure is repeated RUNS times and the medians
are printed.

Figures (goal in brackets):
  start        process start -> main window visible, vs notepad.exe -> "Untitled - Notepad" visible
               [<= 1.0 x notepad]
  start 10k    the same with a 10,000-entry Characters.json, vs the 6-entry start [<= 1.3 x]
  F10          hotkey press -> main window in front with the focus on its list [<= 30 ms]
  Enter        Return on the en-dash row -> the character in notepad's Edit (its caret moved right;
               the text is checked afterwards) [<= 30 ms]
  reread       F10 after the 10,000-entry file changed -> status " The character file was reread."
               [<= 50 ms] (the rebuilt list is checked afterwards), vs F10 with the file unchanged
               (main window in front, focus on the list)
  edit         in a 10,000-entry table: ctrl+Down on a middle row, Return on "Yes" after the Delete
               button, and Return in "New item" after ctrl+n and "x" in Code, each until Characters.json
               was replaced and the list shows the change [<= 30 ms each]; the file and list parts are
               printed too
  working set  VmRSS of the program's Wine process after start-up (6 / 10,000 entries) and after N
               insertions, each beside notepad's in the same run [<= 1.1 x / 1.3 x; no growth]
  find         in a 10,000-entry table, a fresh program each run: ctrl+f, then "greek" typed into the
               Find window, each key until the status bar counts the rows for the text so far (the row is
               selected and shown before); the first key includes reading the character names
               [first <= 100 ms, every other key <= 30 ms]; then "greek" replaced by "arrow" (the most
               results), and once they are shown the working set (VmRSS) beside notepad's, which starts
               alone before the program in the same run [<= 1.5 x]

  rules        with a paste rule for WordPad: Return on the en-dash row -> the character in WordPad's
               text (caret moved) [<= 100 ms], and on until the clipboard holds what it held before
               ("paste+back"); idle CPU time (user+system of the program's Wine process) over 60 s
               hidden in the tray with a PassHotkey rule, so the foreground hook in place, beside the
               same without rules [0 ms within the clock tick]
Against the baseline program (bench/baseline, GlyphwellBaseline.exe: the same window, list of the six
default rows, tray icon, hotkey and Enter, and nothing else), each in the same run: start [<= 1.2 x],
F10 [<= 2 x] and Enter (no goal).  The baseline runs alone, as Glyphwell does: in the keys group it has a
phase of its own before Glyphwell's, with the same steps ("minus" selects the en-dash row by the list
view's own type-ahead there).  With --before-exe, another build of Glyphwell (the main branch's, say)
starts beside this one in every start run, so that a change of the start time shows as a paired ratio;
the option may be given several times (builds of older commits, to find which change cost the time).
After notepad, every second start run starts the programs in the opposite order.

A ratio goal is judged by the median of the runs' own ratios (each figure over the baseline of the same
run); the ratio of the medians is printed too.

Baseline of F10 and Enter: one key ("a") through XTest into the focused notepad until notepad's
Edit shows it (caret moved, text checked afterwards): the cost of X and Wine's input path alone.

Keys are pressed with the XTest extension from this process (no xdotool process per key).
Every time is watched by the probe inside Wine (gwprobe's `watch`, and `start` with watch_class):
it checks the awaited state every --watch-gap microseconds and reports the performance-counter
time of the first check that saw it, which under Wine is the host's raw monotonic clock (checked at
the start of the bench).  A key time starts just before the XTest call, a start time just before
CreateProcess; each ends at the end of that check, an upper bound late by at most one check and one
pause (printed).  The list view and the status bar can only be read with messages to the program,
which its window thread answers once it is done with what it is doing; those states are seen then.
The edits' file is watched from here on the same clock (os.stat in a thread of its own).

Options: --runs N (default 5), --insertions N (default 1000), --insert-budget S (seconds the
insertion loop may take, default 240), --exe PATH, --baseline PATH, --before-exe PATH,
--only start,keys,reread,find,edit (edit is not in the default set), --watch-gap US (pause between
two checks of a state watched inside Wine, default 1000).
"""

from __future__ import annotations

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

import glyphwell  # noqa: E402
from glyphwell import DEFAULT_TABLE, LIST_ID, NOTEPAD, TRAY_TIP, settings_file  # noqa: E402
from harness import PROGRAM_TITLE, HarnessError, WaitTimeout, WineSession, wait_until  # noqa: E402

NOTEPAD_TITLE = "Untitled - Notepad"
WORDPAD = r"C:\Program Files\Windows NT\Accessories\wordpad.exe"
MAIN_CLASS = "GlyphwellMain"
STATUS_REREAD = " The character file was reread."
WM_COMMAND = 0x0111
CMD_HIDE = 19
EN_DASH = "\u2013"
FIND_QUERY = "greek"  # typed into the Find window, one key at a time
FIND_MEMORY_QUERY = "arrow"  # typed after it: the working set is read with its results shown
STATUS_BAR = "msctls_statusbar32"


# --------------------------------------------------------------------------- data

def character_file(count: int, tag: str = "") -> bytes:
    """The program's own layout: the six default entries, then generated ones up to `count`.
    Every second generated entry has a trigger (distinct CJK ideographs), the others none."""
    entries = list(DEFAULT_TABLE)
    for i in range(count - len(entries)):
        trigger = chr(0x4E00 + i // 2) if i % 2 == 0 else ""
        code = "\\u%04X" % (0x0100 + i % 0x1F00)
        comment = f"generated entry {i}" + (f" {tag}" if tag and i == count - len(DEFAULT_TABLE) - 1 else "")
        entries.append((trigger, code, comment))
    return glyphwell.character_file(entries)


def write_atomically(path: Path, data: bytes) -> None:
    tmp = path.with_name(path.name + ".bench-tmp")
    tmp.write_bytes(data)
    os.replace(tmp, path)


# --------------------------------------------------------------------------- measuring

def unix_pid(session: WineSession, needle: str) -> int | None:
    """The newest Unix process of this session's prefix whose command line holds `needle`."""
    prefix = session.env["WINEPREFIX"].encode()
    best = None
    for d in Path("/proc").iterdir():
        if not d.name.isdigit():
            continue
        try:
            cmd = (d / "cmdline").read_bytes()
            if needle.lower().encode() not in cmd.lower():
                continue
            env = (d / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if b"WINEPREFIX=" + prefix not in env:
            continue
        pid = int(d.name)
        if best is None or pid > best:
            best = pid
    return best


def rss_kib(pid: int | None) -> float:
    if not pid:
        return float("nan")
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith("VmRSS:"):
                return float(line.split()[1])
    except OSError:
        pass
    return float("nan")


def before_figure(i: int) -> str:
    """The start figure of the i-th --before-exe."""
    return "start 6 before" + (f" {i + 1}" if i else "")


def med(xs: list[float]) -> float:
    xs = [x for x in xs if x == x]
    return statistics.median(xs) if xs else float("nan")


# --------------------------------------------------------------------------- keys through XTest

class XKeys:
    """Presses keys with the XTest extension from this process: no program is spawned, so a timed key
    costs a few X requests (well under a millisecond) instead of an xdotool start."""

    MODIFIERS = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L", "super": "Super_L"}
    NAMES = {"minus": "minus", "Return": "Return"}

    def __init__(self, display: str) -> None:
        import ctypes
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise HarnessError(f"cannot open X display {display}")

    def code(self, name: str) -> int:
        sym = self.x11.XStringToKeysym(self.MODIFIERS.get(name, name).encode())
        code = self.x11.XKeysymToKeycode(self.dpy, sym) if sym else 0
        if not code:
            raise HarnessError(f"no key code for {name!r}")
        return code

    def press(self, combo: str) -> None:
        """One chord in xdotool's notation ("ctrl+Down", "F10", "Return"): pressed and released."""
        codes = [self.code(part) for part in combo.split("+")]
        for c in codes:
            self.xtst.XTestFakeKeyEvent(self.dpy, c, 1, 0)
        for c in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.dpy, c, 0, 0)
        self.x11.XSync(self.dpy, 0)

    def close(self) -> None:
        if self.dpy:
            self.x11.XCloseDisplay(self.dpy)
            self.dpy = None


# --------------------------------------------------------------------------- the bench

class Bench:
    def __init__(self, wine: WineSession, exe: Path, runs: int, insertions: int, budget: float,
                 watch_gap_us: int = 1000, baseline: Path | None = None, before_exes: list[Path] = ()):
        self.watch_gap_us = watch_gap_us
        self.baseline = baseline if baseline and baseline.is_file() else None
        self.before_exes = list(before_exes)
        # per figure: ms between the start of the last check that missed the state and the end of
        # the one that saw it
        self.watch_windows: dict[str, list[float]] = {}
        self.exe = exe
        self.runs = runs
        self.insertions = insertions
        self.budget = budget
        self.results: dict[str, list[float]] = {}
        self.notes: list[str] = []
        self.lang_dir = Path(tempfile.mkdtemp(prefix="gw-bench-lang-"))
        (self.lang_dir / "English.lng").write_bytes((REPO / "lang" / "English.lng").read_bytes())
        self.stat_ms: list[float] = []
        self.attach(wine)

    def attach(self, wine: WineSession) -> None:
        """Works in this Wine session from now on (each group of figures has a fresh one)."""
        self.wine = wine
        self._xids: dict[int, int] = {}
        self.xkeys = XKeys(wine.env["DISPLAY"])
        self.clock_id = self.probe_clock()

    def add(self, key: str, value: float) -> None:
        self.results.setdefault(key, []).append(value)

    # ---- helpers

    def install(self, folder: str, entries: int) -> str:
        exe = self.wine.install_program(folder, self.exe, lang=self.lang_dir)
        if entries != 6:
            write_atomically(self.wine.unix_path(folder) / "Characters.json", character_file(entries))
        return exe

    def probe_clock(self) -> int:
        """The host clock that the probe's performance counter counts (Wine 8 on Linux: the
        raw monotonic clock, in 100 ns).  Checked, not assumed: every reading of the probe must
        lie between two readings of the host clock taken around the call."""
        self.wine._call("ping")
        for clock in (time.CLOCK_MONOTONIC_RAW, time.CLOCK_MONOTONIC):
            ok = True
            for _ in range(5):
                a = time.clock_gettime_ns(clock)
                now = self.wine._call("clock")["now"] * 100
                b = time.clock_gettime_ns(clock)
                ok = ok and a <= now <= b
            if ok:
                return clock
        raise HarnessError("the probe's performance counter matches no host clock")

    def watched(self, figure: str, answer: dict, since_ns: int) -> float:
        """Milliseconds from a host-clock time to the end of the probe's first check that saw the
        state; keeps how long that check and the one before took together."""
        self.watch_windows.setdefault(figure, []).append((answer["seen_at"] - answer["not_before"]) / 1e4)
        return (answer["seen_at"] * 100 - since_ns) / 1e6

    def timed_keys(self, figure: str, keys: tuple[str, ...], **watch) -> None:
        """Presses keys once the probe watches for a state; the figure is the time from just
        before the first key until the probe saw the state (end of the check that saw it)."""
        self.wine._call("ping")
        result = self.wine.probe.begin("watch", gap_us=self.watch_gap_us, timeout=20000, **watch)
        t0 = time.clock_gettime_ns(self.clock_id)
        self.key(*keys)
        self.add(figure, self.watched(figure, result(30), t0))

    def timed_change(self, figure: str, keys: tuple[str, ...], chars: Path, **watch) -> None:
        """Like timed_keys, for a change that also replaces Characters.json: a thread of this process
        watches the file with os.stat (inode, mtime_ns, size; the program replaces it atomically) on
        the same clock, and the figure ends when both the probe and the thread have seen their
        change ("<figure> file" and "<figure> list" keep the two parts)."""
        def stamp():
            try:
                st = os.stat(chars)
                return (st.st_ino, st.st_mtime_ns, st.st_size)
            except FileNotFoundError:
                return None

        before = stamp()
        seen_file: list[int] = []
        stop = threading.Event()

        def watch_file() -> None:
            while not stop.is_set():
                a = time.clock_gettime_ns(self.clock_id)
                now = stamp()
                b = time.clock_gettime_ns(self.clock_id)
                self.stat_ms.append((b - a) / 1e6)
                if now is not None and now != before:
                    seen_file.append(b)
                    return
                time.sleep(0.0002)

        self.wine._call("ping")
        result = self.wine.probe.begin("watch", gap_us=self.watch_gap_us, timeout=20000, **watch)
        watcher = threading.Thread(target=watch_file, daemon=True)
        watcher.start()
        try:
            t0 = time.clock_gettime_ns(self.clock_id)
            self.key(*keys)
            t_list = self.watched(figure, result(30), t0)
            watcher.join(timeout=20)
        finally:
            stop.set()
        if not seen_file:
            raise WaitTimeout(f"timed out waiting for Characters.json to change ({figure})")
        t_file = (seen_file[0] - t0) / 1e6
        self.add(figure, max(t_file, t_list))
        self.add(f"{figure} file", t_file)
        self.add(f"{figure} list", t_list)
        # The file must stay as it is for a moment: no second write after the one timed.
        after = stamp()
        time.sleep(0.3)
        if stamp() != after:
            self.notes.append(f"{figure}: Characters.json changed again after the timed write")

    def start_timed(self, exe: str, title: str, cls: str, figure: str = "") -> tuple[object, object]:
        """The probe starts the program and watches for its visible window, from just before
        CreateProcess: the pipe to this process is not in the figure.  Also keeps the time until
        the window's thread first answered a message ("<figure> answers")."""
        proc = self.wine.start(exe, watch=dict(watch_class=cls, watch_title=title, gap_us=self.watch_gap_us))
        answer = proc.started
        if figure:
            self.add(figure, self.watched(figure, answer, answer["started_at"] * 100))
            if "answered_at" in answer:
                self.add(f"{figure} answers", (answer["answered_at"] - answer["started_at"]) / 1e4)
        return proc, answer["hwnd"]

    def close_glyphwell(self, proc, hwnd) -> None:
        try:
            self.wine.close_window(hwnd)
            proc.wait(timeout=15)
        except HarnessError:
            proc.kill()

    def xid(self, hwnd: int) -> int | None:
        if hwnd not in self._xids:
            x = self.wine._x_window_of(hwnd)
            if x:
                self._xids[hwnd] = x
        return self._xids.get(hwnd)

    def focus_x(self, hwnd: int) -> None:
        """X keyboard focus to a window that Windows already has in front."""
        x = self.xid(hwnd)
        if x:
            self.wine._xdotool("windowfocus", "--sync", str(x))
        else:
            self.wine.activate(hwnd)

    def activate(self, hwnd: int) -> None:
        self.wine._call("activate", hwnd=hwnd)
        self.focus_x(hwnd)
        wait_until(lambda: self.wine._call("foreground")["hwnd"] == hwnd, timeout=10,
                   interval=0.005, message=f"window {hwnd} in front")

    def key(self, *keys: str) -> None:
        for combo in keys:
            self.xkeys.press(combo)

    def main_focused(self, main: int, lst: int):
        def cond():
            fg = self.wine._call("foreground")
            return fg.get("hwnd") == main and fg.get("focus") == lst
        return cond

    def hide(self, main: int) -> None:
        self.wine.post_message(main, WM_COMMAND, CMD_HIDE, 0)
        wait_until(lambda: not self.wine.window(main).visible, timeout=10, interval=0.005,
                   message="main window in the tray")

    # ---- 1, 2 and 6 (start-up)

    def start_figures(self) -> None:
        w = self.wine
        exe6 = self.install(r"C:\Portable\GwBench6", 6)
        exe10k = self.install(r"C:\Portable\GwBench10k", 10_000)
        others = []  # (figure, exe): the baseline program and the build before, when given
        if self.baseline:
            others.append(("start baseline", w.install_program(r"C:\Portable\GwBenchBase", self.baseline)))
        for i, before in enumerate(self.before_exes):
            others.append((before_figure(i), w.install_program(rf"C:\Portable\GwBenchBefore{i or ''}", before,
                                                               lang=self.lang_dir)))
        # Warm-up, not counted: first starts write the settings and fill Wine's caches.
        for exe in (exe6, exe10k, *(exe for _, exe in others)):
            p, h = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
            self.close_glyphwell(p, h)
        p, _ = self.start_timed(NOTEPAD, NOTEPAD_TITLE, "Notepad")
        p.kill()
        for run in range(self.runs):
            pad, _ = self.start_timed(NOTEPAD, NOTEPAD_TITLE, "Notepad", "start notepad")
            time.sleep(1.0)
            pad_rss = rss_kib(unix_pid(w, "notepad.exe"))
            # Each program starts alone: notepad's window is gone before Glyphwell starts, as no
            # Glyphwell window is there when notepad starts.
            pad.kill()
            # (figure, exe, working-set label and command-line needle); every second run goes the
            # other way round, so that no program always starts right after notepad's end.
            starts = [("start 6", exe6, "6", "GwBench6\\"), ("start 10k", exe10k, "10k", "GwBench10k\\"),
                      *((figure, exe, None, None) for figure, exe in others)]
            if run % 2:
                starts.reverse()
            for figure, exe, label, needle in starts:
                proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS, figure)
                time.sleep(1.0)  # let the start-up finish (tray icon, hotkey) before reading the memory
                if label:
                    self.add(f"rss {label}", rss_kib(unix_pid(w, needle)))
                    self.add(f"rss notepad ({label})", pad_rss)
                self.close_glyphwell(proc, main)
            print(f"  start run {run + 1}: notepad {self.results['start notepad'][-1]:.0f} ms, "
                  f"6 entries {self.results['start 6'][-1]:.0f} ms, "
                  f"10k {self.results['start 10k'][-1]:.0f} ms"
                  + "".join(f", {f[6:]} {self.results[f][-1]:.0f} ms" for f, _ in others), flush=True)

    # ---- 3, 4 and 6 (insertions)

    def baseline_key_figures(self) -> None:
        """F10 and Enter of the baseline program, the same steps as Glyphwell's below, in a phase of
        its own before them: both take the hotkey F10, so only one of them may run."""
        w = self.wine
        exe = w.install_program(r"C:\Portable\GwBenchBase", self.baseline)
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
        pad = None
        try:
            wait_until(lambda: any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=20,
                       message="the baseline's tray icon")
            lst = w.child(main, cls="SysListView32").hwnd
            pad = w.start(NOTEPAD)
            pad_win = pad.wait_window(title=NOTEPAD_TITLE)
            edit = w.child(pad_win.hwnd, cls="Edit").hwnd
            self.hide(main)
            for run in range(self.runs + 1):  # run 0 warms up and is not counted
                suffix = " baseline" if run else " baseline warm-up"
                w.set_text(edit, "")
                self.activate(pad_win.hwnd)
                caret = w._call("focus", hwnd=edit).get("caret_rect")
                if not caret:
                    raise HarnessError("notepad's Edit shows no caret")
                self.timed_keys("F10" + suffix, ("F10",), what="foreground", hwnd=main, focus=lst)
                self.focus_x(main)
                self.key("minus")  # the list view's own type-ahead: the row whose first column is "-"
                wait_until(lambda: w.list_view(lst).selected_rows == [4], timeout=10, interval=0.005,
                           message="the en-dash row selected")
                self.timed_keys("Enter" + suffix, ("Return",), what="caret", hwnd=edit, beyond=caret[0])
                if w.text(edit) != EN_DASH:
                    raise HarnessError(f"notepad shows {w.text(edit)!r}, not the en dash (baseline)")
                wait_until(lambda: not w.window(main).visible, timeout=10, interval=0.005,
                           message="the baseline in the tray")
                if run:
                    print(f"  baseline keys run {run}: F10 {self.results['F10 baseline'][-1]:.1f} ms, "
                          f"Enter {self.results['Enter baseline'][-1]:.1f} ms", flush=True)
            for k in [k for k in self.results if "warm-up" in k]:
                del self.results[k]
                self.watch_windows.pop(k, None)
        finally:
            self.close_glyphwell(proc, main)
            if pad and pad.probe.alive:
                pad.kill()
        # A removed tray icon stays listed for a moment; Glyphwell's is waited for by the same tip.
        wait_until(lambda: not any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=15,
                   message="the baseline's tray icon gone")

    def insertion_figures(self) -> None:
        w = self.wine
        if self.baseline:
            self.baseline_key_figures()
        exe = self.install(r"C:\Portable\GwBench6", 6)
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
        try:
            wait_until(lambda: any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=20,
                       message="tray icon with the hotkey")
            lst = w.child(main, id=LIST_ID).hwnd
            pad = w.start(NOTEPAD)
            pad_win = pad.wait_window(title=NOTEPAD_TITLE)
            edit = w.child(pad_win.hwnd, cls="Edit").hwnd
            self.hide(main)
            for run in range(self.runs):
                # Baseline: one key straight into notepad.
                w.set_text(edit, "")
                self.activate(pad_win.hwnd)
                t0 = time.monotonic()
                self.key("shift")  # the key call's own cost: X round trips
                self.add("key call alone", (time.monotonic() - t0) * 1000)
                # Characters are seen arrive by notepad's caret moving right, which the probe reads
                # from the system: reading the text would send notepad a message, which waits while
                # notepad is busy (activating) and slows it down.  The text is checked afterwards.
                caret = w._call("focus", hwnd=edit).get("caret_rect")
                if not caret:
                    raise HarnessError("notepad's Edit shows no caret")
                x0 = caret[0]
                self.timed_keys("key->notepad", ("a",), what="caret", hwnd=edit, beyond=x0)
                if w.text(edit) != "a":
                    raise HarnessError(f"notepad shows {w.text(edit)!r}, not 'a'")
                w.set_text(edit, "")
                # F10 -> main window in front with the focus on the list.
                self.timed_keys("F10", ("F10",), what="foreground", hwnd=main, focus=lst)
                self.focus_x(main)
                self.key("minus")
                wait_until(lambda: w.list_view(lst).selected_rows == [4], timeout=10, interval=0.005,
                           message="the en-dash row selected")
                self.timed_keys("Enter", ("Return",), what="caret", hwnd=edit, beyond=x0)
                if w.text(edit) != EN_DASH:
                    raise HarnessError(f"notepad shows {w.text(edit)!r}, not the en dash")
                wait_until(lambda: not w.window(main).visible, timeout=10, interval=0.005,
                           message="main window in the tray")
                print(f"  keys run {run + 1}: key->notepad {self.results['key->notepad'][-1]:.1f} ms, "
                      f"F10 {self.results['F10'][-1]:.1f} ms, Enter {self.results['Enter'][-1]:.1f} ms", flush=True)

            # Working set across many insertions.
            w.set_text(edit, "")
            gw_pid, pad_pid = unix_pid(w, "GwBench6\\"), unix_pid(w, "notepad.exe")
            before = (rss_kib(gw_pid), rss_kib(pad_pid))
            done = failures = 0
            t_start = time.monotonic()
            while done < self.insertions and time.monotonic() - t_start < self.budget:
                try:
                    self.activate(pad_win.hwnd)
                    self.key("F10")
                    wait_until(self.main_focused(main, lst), timeout=10, interval=0.002, message="main focused")
                    self.focus_x(main)
                    self.key("minus", "Return")
                    want = done + 1
                    wait_until(lambda: len(w.text(edit)) >= want, timeout=10, interval=0.002,
                               message=f"{want} characters in notepad")
                    wait_until(lambda: not w.window(main).visible, timeout=10, interval=0.002,
                               message="main window in the tray")
                    done += 1
                except HarnessError as e:
                    failures += 1
                    self.notes.append(f"insertion {done + 1}: {e}")
                    if failures > 10:
                        break
                    w.set_text(edit, EN_DASH * done)
                    if w.window(main).visible:
                        self.hide(main)
            elapsed = time.monotonic() - t_start
            text = w.text(edit)
            time.sleep(1.0)
            after = (rss_kib(gw_pid), rss_kib(pad_pid))
            self.insert_info = dict(done=done, failures=failures, seconds=elapsed,
                                    correct=text == EN_DASH * done, before=before, after=after)
        finally:
            self.close_glyphwell(proc, main)
            for p in list(w.processes):
                if p.exe.lower().endswith("notepad.exe") and p.probe.alive:
                    p.kill()

    # ---- rules per program

    def idle_cpu_ms(self, folder: str, ini: bytes, seconds: float) -> float:
        """CPU time (ms) the program's Wine process uses over `seconds`, hidden in the tray."""
        w = self.wine
        exe = self.install(folder, 6)
        w.unix_path(folder).joinpath("Glyphwell.ini").write_bytes(ini)
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
        try:
            wait_until(lambda: any(t.text.startswith("Glyphwell (F10") for t in w.tray_icons()),
                       timeout=20, message="tray icon with the hotkey")
            self.hide(main)
            time.sleep(2.0)  # start-up's own work done
            pid = unix_pid(w, folder.rsplit("\\", 1)[-1] + "\\")
            tick = os.sysconf("SC_CLK_TCK")

            def cpu() -> float:
                fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
                return (int(fields[11]) + int(fields[12])) * 1000.0 / tick

            before = cpu()
            time.sleep(seconds)
            return cpu() - before
        finally:
            self.close_glyphwell(proc, main)

    def rules_figures(self) -> None:
        w = self.wine
        rules = b"\r\n[Programs]\r\nwordpad.exe = Paste\r\nnotepad.exe = Type, PassHotkey\r\n"
        plain = settings_file()
        self.add("idle CPU 60 s, no rules", self.idle_cpu_ms(r"C:\Portable\GwIdlePlain", plain, 60))
        self.add("idle CPU 60 s, hook", self.idle_cpu_ms(r"C:\Portable\GwIdleRules", plain + rules, 60))
        print(f"  idle CPU over 60 s: {self.results['idle CPU 60 s, no rules'][-1]:.0f} ms without rules, "
              f"{self.results['idle CPU 60 s, hook'][-1]:.0f} ms with the foreground hook", flush=True)

        exe = self.install(r"C:\Portable\GwBenchRules", 6)
        w.unix_path(r"C:\Portable\GwBenchRules").joinpath("Glyphwell.ini").write_bytes(plain + rules)
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
        try:
            wait_until(lambda: any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=20,
                       message="tray icon with the hotkey")
            lst = w.child(main, id=LIST_ID).hwnd
            pad = w.start(WORDPAD)
            pad_win = pad.wait_window(cls="WORDPADTOP", timeout=20)
            edit = wait_until(lambda: next((c.hwnd for c in w.children(pad_win.hwnd)
                                            if c.cls.upper() in ("RICHEDIT20W", "RICHEDIT50W")), None),
                              message="WordPad's text field")
            self.hide(main)
            for run in range(self.runs):
                w.set_text(edit, "")
                kept = f"bench clipboard {run}"
                w.set_clipboard_text(kept)
                self.activate(pad_win.hwnd)
                caret = w._call("focus", hwnd=edit).get("caret_rect")
                if not caret:
                    raise HarnessError("WordPad's text field shows no caret")
                self.key("F10")
                wait_until(self.main_focused(main, lst), timeout=10, interval=0.002, message="main focused")
                self.focus_x(main)
                self.key("minus")
                wait_until(lambda: w.list_view(lst).selected_rows == [4], timeout=10, interval=0.005,
                           message="the en-dash row selected")
                self.wine._call("ping")
                result = self.wine.probe.begin("watch", gap_us=self.watch_gap_us, timeout=20000,
                                               what="caret", hwnd=edit, beyond=caret[0])
                t0 = time.clock_gettime_ns(self.clock_id)
                self.key("Return")
                self.add("paste Enter", self.watched("paste Enter", result(30), t0))
                wait_until(lambda: w.clipboard_text() == kept, timeout=10, interval=0.002,
                           message="the clipboard given back")
                self.add("paste+back", (time.clock_gettime_ns(self.clock_id) - t0) / 1e6)
                if w.text(edit).rstrip("\r\n") != EN_DASH:
                    raise HarnessError(f"WordPad shows {w.text(edit)!r}, not the en dash")
                print(f"  rules run {run + 1}: paste Enter {self.results['paste Enter'][-1]:.1f} ms, "
                      f"clipboard back after {self.results['paste+back'][-1]:.1f} ms", flush=True)
                wait_until(lambda: not w.window(main).visible, timeout=10, interval=0.005,
                           message="main window in the tray")
        finally:
            self.close_glyphwell(proc, main)
            for p in list(w.processes):
                if p.exe.lower().endswith("wordpad.exe") and p.probe.alive:
                    p.kill()

    # ---- 5 (reread)

    def reread_figures(self) -> None:
        w = self.wine
        exe = self.install(r"C:\Portable\GwBench10k", 10_000)
        chars = w.unix_path(r"C:\Portable\GwBench10k") / "Characters.json"
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
        try:
            wait_until(lambda: any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=20,
                       message="tray icon with the hotkey")
            lst = w.child(main, id=LIST_ID).hwnd
            bar = w.child(main, cls="msctls_statusbar32").hwnd
            pad = w.start(NOTEPAD)
            pad_win = pad.wait_window(title=NOTEPAD_TITLE)
            self.hide(main)
            for run in range(self.runs):
                # Baseline: F10 with the file unchanged -> in front, focus on the list.
                self.activate(pad_win.hwnd)
                self.timed_keys("F10 unchanged 10k", ("F10",), what="foreground", hwnd=main, focus=lst)
                self.hide(main)
                # The file changes while the window is in the tray (a later time, another size).
                tag = f"rev{run}" + "x" * run
                # A new second, so that the file's time differs from the last one's as well as its size.
                time.sleep(1.05)
                write_atomically(chars, character_file(10_000, tag=tag))
                self.activate(pad_win.hwnd)
                self.timed_keys("reread", ("F10",), what="status", hwnd=bar, text=STATUS_REREAD)
                last = w._call("listview", hwnd=lst, first=9999, max=1)["rows"]
                if not (last and any(tag in c for c in last[0]["cells"])):
                    raise HarnessError(f"the reread list does not end with the changed entry ({tag})")
                self.hide(main)
                print(f"  reread run {run + 1}: unchanged {self.results['F10 unchanged 10k'][-1]:.1f} ms, "
                      f"reread {self.results['reread'][-1]:.1f} ms", flush=True)
        finally:
            self.close_glyphwell(proc, main)
            for p in list(w.processes):
                if p.exe.lower().endswith("notepad.exe") and p.probe.alive:
                    p.kill()

    # ---- 7 (editing a 10,000-entry table)

    def edit_figures(self) -> None:
        """Move (ctrl+Down), delete (the Delete button, then Return on "Yes") and add (ctrl+n, "x" in
        Code, Return) one row of a 10,000-entry table.  Each time starts just before the key that
        does it and ends when Characters.json was replaced AND the list shows the change (timed_change:
        the list is watched by the probe inside Wine, the file by a thread of this process)."""
        w = self.wine
        folder = r"C:\Portable\GwBenchEdit"
        exe = self.install(folder, 10_000)
        chars = w.unix_path(folder) / "Characters.json"
        proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)

        def rows(first: int, n: int) -> tuple[int, list[list[str]]]:
            r = w._call("listview", hwnd=lst, first=first, max=n)
            return r["count"], [x["cells"] for x in r["rows"]]

        def file_entries() -> list[list[str]]:
            data = json.loads(chars.read_bytes().decode("utf-8-sig"))
            return data[1:]

        try:
            wait_until(lambda: any(t.text == TRAY_TIP for t in w.tray_icons()), timeout=20,
                       message="tray icon with the hotkey")
            lst = w.child(main, id=LIST_ID).hwnd
            delete_button = w.child(main, id=1).hwnd
            focused = self.main_focused(main, lst)
            middle = 5000
            for run in range(self.runs + 1):  # run 0 warms up and is not counted
                counted = run > 0
                prefix = "edit" if counted else "warm-up"
                # Baseline: the same bytes written, fsynced and renamed over a sibling by Python.
                data = chars.read_bytes()
                side = chars.with_name("Characters.bench-side.json")
                t0 = time.monotonic()
                tmp = side.with_name(side.name + ".tmp")
                with open(tmp, "wb") as f:
                    f.write(data)
                    f.flush()
                    os.fsync(f.fileno())
                os.replace(tmp, side)
                if counted:
                    self.add("edit fsync baseline", (time.monotonic() - t0) * 1000)
                # Move: a row one down, its comment then shows one row further down.  The rows moved lie
                # away from those deleted and added, so that their comments stay distinct.
                moved = middle - 1000
                self.activate(main)
                if not focused():
                    w.click_window(lst)  # after "New item" the focus is on the New button
                w.select_row(lst, moved)
                wait_until(focused, timeout=10, interval=0.005, message="focus on the list")
                count0, (row_a, row_b) = rows(moved, 2)
                if row_a[3] == row_b[3]:
                    raise HarnessError("the bench table needs distinct comments")
                self.timed_change(f"{prefix} move", ("ctrl+Down",), chars,
                                  what="cell", hwnd=lst, row=moved + 1, col=3, text=row_a[3])
                entries = file_entries()
                if [e[2] for e in entries[moved:moved + 2]] != [row_b[3], row_a[3]] or \
                        rows(moved, 2)[1] != [row_b, row_a]:
                    self.notes.append(f"edit run {run}: the file or the list does not show the moved row")
                # Delete: the middle row, through the Delete button and Return on "Yes" (the box's default).
                self.activate(main)
                w.select_row(lst, middle)
                w.click_window(delete_button)
                box = w.wait_message_box(pid=proc.pid)
                self.focus_x(box.hwnd)
                wait_until(lambda: w._call("foreground").get("hwnd") == box.hwnd, timeout=10, interval=0.005,
                           message="the question in front")
                self.timed_change(f"{prefix} delete", ("Return",), chars, what="count", hwnd=lst, count=count0 - 1)
                if len(file_entries()) != count0 - 1 or rows(0, 0)[0] != count0 - 1:
                    self.notes.append(f"edit run {run}: the file or the list does not have one row less")
                # Add: ctrl+n, "x" in the Code field, Return.
                self.activate(main)
                w.select_row(lst, middle)
                self.focus_x(main)
                self.key("ctrl+n")
                new = w.wait_window(title="New item", pid=proc.pid, visible=True)
                edits = [c for c in w.children(new.hwnd, cls="Edit")]
                code_field = sorted(edits, key=lambda c: c.rect[0])[1].hwnd
                self.focus_x(new.hwnd)
                for _ in range(4):
                    if w.focus_info(new.hwnd).focus == code_field:
                        break
                    self.key("Tab")
                    time.sleep(0.05)
                if w.focus_info(new.hwnd).focus != code_field:
                    raise HarnessError("the Code field of \"New item\" did not get the focus")
                self.key("x")
                wait_until(lambda: w.text(code_field) == "x", timeout=10, interval=0.005, message="x in Code")
                self.timed_change(f"{prefix} add", ("Return",), chars, what="count", hwnd=lst, count=count0)
                if len(file_entries()) != count0:
                    self.notes.append(f"edit run {run}: the file does not hold the added row")
                r = self.results
                if not counted:
                    for k in [k for k in r if k.startswith("warm-up")]:
                        del r[k]
                        self.watch_windows.pop(k, None)
                if counted:
                    print(f"  edit run {run}: move {r['edit move'][-1]:.1f} ms, delete {r['edit delete'][-1]:.1f} ms, "
                          f"add {r['edit add'][-1]:.1f} ms", flush=True)
                else:
                    print("  edit warm-up done", flush=True)
        finally:
            self.close_glyphwell(proc, main)

    # ---- 8 (Find in a 10,000-entry table)

    def find_figures(self) -> None:
        """A fresh program with the 10,000-entry table each run: ctrl+f, then FIND_QUERY typed into the
        Find window one key at a time.  Each key's time ends when the status bar counts the rows for the
        text so far; the program selects and shows the row before it sets that text.  The first key
        includes reading the character names (never read at start-up).  Run 0 warms up and learns, for
        each key, the status text and the row selected, which the counted runs must show again."""
        w = self.wine
        exe = self.install(r"C:\Portable\GwBenchFind", 10_000)
        expected: list[tuple[str, int]] = []
        for run in range(self.runs + 1):
            if run:  # notepad's working set in this run, with no window of the program open
                pad, _ = self.start_timed(NOTEPAD, NOTEPAD_TITLE, "Notepad")
                time.sleep(1.0)
                self.add("rss notepad (find)", rss_kib(unix_pid(w, "notepad.exe")))
                pad.kill()
            proc, main = self.start_timed(exe, PROGRAM_TITLE, MAIN_CLASS)
            try:
                lst = w.child(main, id=LIST_ID).hwnd
                bar = w.child(main, cls=STATUS_BAR).hwnd
                self.activate(main)
                wait_until(self.main_focused(main, lst), timeout=10, interval=0.005, message="focus on the list")
                opened_at = time.perf_counter()
                self.key("ctrl+f")
                find = wait_until(lambda: next((x for x in proc.windows(visible=True)
                                                if x.owner == main and x.text == "Find"), None),
                                  timeout=10, interval=0.005, message="the Find window")
                field = w.child(find.hwnd, cls="Edit").hwnd
                # Opening Find reads and indexes the search data (never at start-up) and lists the
                # recent characters: timed from the key to the results list's first answer, as
                # seen from outside (a coarser clock than the probe's watches).
                results = w.child(find.hwnd, cls="SysListView32").hwnd
                w._call("listview", hwnd=results, first=0, max=0)
                if run:
                    self.results.setdefault("find open", []).append((time.perf_counter() - opened_at) * 1000)

                def selected() -> int:  # the rows themselves are not read: 10,000 would take seconds
                    return w._call("listview", hwnd=lst, first=0, max=0)["selected"]

                wait_until(lambda: w.focus_info(find.hwnd).focus == field, timeout=10, interval=0.005,
                           message="the focus in Find's field")
                self.focus_x(find.hwnd)
                for i, ch in enumerate(FIND_QUERY):
                    typed = FIND_QUERY[:i + 1]
                    if run == 0:
                        self.key(ch)
                        status = wait_until(lambda: next((t for t in w.status_bar(bar)
                                                          if f"\u201c{typed}\u201d" in t), None),
                                            timeout=20, interval=0.005, message=f"the status for {typed!r}")
                        expected.append((status, selected()))
                        continue
                    figure = "find first key" if i == 0 else "find key"
                    self.timed_keys(figure, (ch,), what="status", hwnd=bar, text=expected[i][0])
                    if selected() != expected[i][1]:
                        self.notes.append(f"find run {run}: {typed!r} selected another row")
                if run:
                    # The working set once every character has been searched and the most results
                    # are listed: "greek" replaced by "arrow".
                    self.key(*["BackSpace"] * len(FIND_QUERY), *FIND_MEMORY_QUERY)
                    wait_until(lambda: any(f"\u201c{FIND_MEMORY_QUERY}\u201d" in t for t in w.status_bar(bar)),
                               timeout=20, interval=0.01, message=f"the status for {FIND_MEMORY_QUERY!r}")
                    time.sleep(1.0)
                    self.add("rss find", rss_kib(unix_pid(w, "GwBenchFind\\")))
                    keys = self.results["find key"][-(len(FIND_QUERY) - 1):]
                    print(f"  find run {run}: first key {self.results['find first key'][-1]:.1f} ms, "
                          f"the others {', '.join(f'{k:.1f}' for k in keys)} ms; working set after "
                          f"{FIND_MEMORY_QUERY!r} {self.results['rss find'][-1] / 1024:.1f} MiB, notepad "
                          f"{self.results['rss notepad (find)'][-1] / 1024:.1f} MiB", flush=True)
                else:
                    print("  find warm-up: " + "; ".join(f"{s.strip()} row {r}" for s, r in expected), flush=True)
            finally:
                self.close_glyphwell(proc, main)

    # ---- report

    def report(self) -> None:
        r = self.results
        rows = []

        def row(name, key, base_key, goal, limit, unit="ms"):
            xs, bs = r.get(key, []), r.get(base_key, []) if base_key else []
            a, b = med(xs), med(bs) if base_key else float("nan")
            ratio = a / b if b == b and b else float("nan")
            # Each run's figure over the baseline of the same run: the machine's drift during the
            # bench cancels out, so this ratio decides a ratio goal.
            paired = med([x / y for x, y in zip(xs, bs) if y]) if xs and len(xs) == len(bs) else float("nan")
            decisive = paired if paired == paired else ratio
            if limit is None:
                verdict = ""
            elif not xs:
                verdict = "not run"
            elif goal == "ratio":
                verdict = "met" if decisive <= limit else "MISSED"
            else:
                verdict = "met" if a <= limit else "MISSED"
            n = len(xs)
            fmt = (lambda v: f"{v:.1f} ms") if unit == "ms" else (lambda v: f"{v / 1024:.1f} MiB")
            rows.append((name, fmt(a) if a == a else "-", (fmt(b) if b == b else "-") + (f" ({base_key})" if base_key else ""),
                         f"{ratio:.2f}" if ratio == ratio else "-", f"{paired:.2f}" if paired == paired else "-",
                         f"{verdict} {goal_text(goal, limit) if xs else ''}".strip(), str(n)))

        def goal_text(goal, limit):
            if limit is None:
                return ""
            return f"(<= {limit} x)" if goal == "ratio" else f"(<= {limit} ms)"

        row("1 start -> main window visible", "start 6", "start notepad", "ratio", 1.0)
        row("  ... against the baseline program", "start 6", "start baseline", "ratio", 1.2)
        for i, before in enumerate(self.before_exes):
            row(f"  ... against the build before{f' {i + 1}' if i else ''}", "start 6", before_figure(i), "ratio", None)
        row("  ... until the window answers a message", "start 6 answers", "start notepad answers", "ratio", None)
        row("2 start, 10,000 entries", "start 10k", "start 6", "ratio", 1.3)
        row("3 F10 -> main in front, list focused", "F10", "key->notepad", "abs", 30)
        row("  ... against the baseline program", "F10", "F10 baseline", "ratio", 2.0)
        row("4 Enter -> en dash in notepad", "Enter", "key->notepad", "abs", 30)
        row("  ... against the baseline program", "Enter", "Enter baseline", "ratio", None)
        row("  XTest key call alone (in 3, 4, 7)", "key call alone", None, "abs", None)
        row("5 F10 -> reread shown (10,000)", "reread", "F10 unchanged 10k", "abs", 50)
        row("6 working set, 6 entries", "rss 6", "rss notepad (6)", "ratio", 1.1, unit="kib")
        row("6 working set, 10,000 entries", "rss 10k", "rss notepad (10k)", "ratio", 1.3, unit="kib")
        for what, label in (("move", "ctrl+Down -> row moved"), ("delete", "Delete, Yes -> row gone"),
                            ("add", "New item, Return -> row added")):
            if f"edit {what}" in r:
                row(f"7 {label} (10,000)", f"edit {what}", None, "abs", 30)
                row(f"    file replaced", f"edit {what} file", None, "abs", None)
                row(f"    list shows it", f"edit {what} list", None, "abs", None)
        if "find key" in r:
            if "find open" in r:
                row("8 Find opened, search data read (10,000)", "find open", None, "abs", 150)
            row("8 first Find key (10,000)", "find first key", None, "abs", 100)
            row("8 a Find key (10,000)", "find key", None, "abs", 30)
            row("8 working set after a Find (10,000)", "rss find", "rss notepad (find)", "ratio", 1.5, unit="kib")
        if "paste Enter" in r:
            row("9 Enter -> en dash pasted in WordPad", "paste Enter", None, "abs", 100)
            row("    ... and the clipboard given back", "paste+back", None, "abs", None)
            row("9 idle CPU over 60 s, foreground hook", "idle CPU 60 s, hook", "idle CPU 60 s, no rules",
                "abs", None)
        if "edit fsync baseline" in r:
            row("  write+fsync+rename of the file (Python)", "edit fsync baseline", None, "abs", None)
        header = ("figure", "median", "baseline median", "ratio", "paired", "goal", "runs")
        widths = [max(len(x[i]) for x in rows + [header]) for i in range(7)]
        print()
        print("=== Glyphwell under Wine: medians")
        for x in [header, tuple("-" * w for w in widths)] + rows:
            print("  ".join(c.ljust(w) for c, w in zip(x, widths)).rstrip())
        print("ratio: median over median of the baseline; paired: the median of each run's own ratio to the "
              "baseline of the same run, which a ratio goal is judged by.")
        for i, before in enumerate(self.before_exes):
            print(f"The build before{f' {i + 1}' if i else ''}: {before}")
        size = self.exe.stat().st_size
        print(f"Glyphwell.exe: {size:,} bytes = {size / 1e6:.2f} MB "
              f"({'met' if size <= 3.0e6 else 'MISSED'} (<= 3.0 MB))"
              + (f"; the baseline program {self.baseline.stat().st_size:,} bytes" if self.baseline else ""))
        ins = getattr(self, "insert_info", None)
        if ins:
            (g0, p0), (g1, p1) = ins["before"], ins["after"]
            print()
            print(f"6 working set over {ins['done']} insertions ({ins['seconds']:.0f} s, {ins['failures']} retried, "
                  f"notepad text {'correct' if ins['correct'] else 'WRONG'}):")
            print(f"  Glyphwell {g0 / 1024:.1f} -> {g1 / 1024:.1f} MiB ({g1 - g0:+.0f} KiB); "
                  f"notepad {p0 / 1024:.1f} -> {p1 / 1024:.1f} MiB ({p1 - p0:+.0f} KiB); "
                  f"ratio after {g1 / p1:.2f}; growth: {'none' if g1 - g0 <= 256 else 'YES'} (<= 256 KiB counts as none)")
        if self.stat_ms:
            print()
            print(f"7: the file is watched by a thread of this process with os.stat (inode, mtime_ns, size; the "
                  f"program replaces it atomically), median {med(self.stat_ms) * 1000:.0f} us a call plus a 0.2 ms "
                  "pause, on the probe's clock; the list by the probe (the moved row's cell, or the row count).")
        if self.watch_windows:
            print()
            print(f"Watched by the probe inside Wine, a check every {self.watch_gap_us} us; each time ends with "
                  "the first check that saw the state, and the state came after the start of the check before "
                  "(key times start just before the XTest call, start times just before CreateProcess).  "
                  "Between the two checks, median / largest:")
            for k, xs in sorted(self.watch_windows.items()):
                print(f"  {k}: {med(xs):.2f} / {max(xs):.2f} ms")
        print("Working set: VmRSS of the Unix process (Wine's own libraries included); compare only with "
              "notepad in the same run.")
        load = os.getloadavg()
        print(f"Load average at the end: {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} on {os.cpu_count()} cores.")
        for k in sorted(r):
            print(f"  raw {k}: " + ", ".join(f"{v:.1f}" for v in r[k]))
        for n in self.notes[:20]:
            print("  note: " + n)

    def cleanup(self) -> None:
        shutil.rmtree(self.lang_dir, ignore_errors=True)


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--insertions", type=int, default=1000)
    ap.add_argument("--insert-budget", type=float, default=240.0)
    ap.add_argument("--exe", type=Path, default=REPO / "build" / "win" / "bin" / "Glyphwell.exe")
    ap.add_argument("--baseline", type=Path, default=REPO / "build" / "win" / "bin" / "GlyphwellBaseline.exe",
                    help="the baseline program (cmake --build build/win --target GlyphwellBaseline)")
    ap.add_argument("--before-exe", type=Path, action="append", default=[],
                    help="another build of Glyphwell.exe whose start is timed beside this one's (repeatable)")
    ap.add_argument("--only", default="start,keys,reread,find",
                    help="comma list of: start, keys, reread, find, edit, rules")
    ap.add_argument("--watch-gap", type=int, default=1000,
                    help="pause in us between two checks of a state watched inside Wine (default 1000)")
    args = ap.parse_args()
    if not args.exe.is_file():
        print(f"{args.exe} is not built (cmake --build build/win --target Glyphwell)", file=sys.stderr)
        return 2
    if not args.baseline.is_file():
        print(f"{args.baseline} is not built: no figures against the baseline program", file=sys.stderr)
    for before in args.before_exe:
        if not before.is_file():
            print(f"{before} does not exist", file=sys.stderr)
            return 2
    only = set(args.only.split(","))
    t = time.monotonic()
    bench: Bench | None = None
    try:
        # Each group of figures runs in a Wine session of its own. Wine's explorer keeps a
        # tooltip window for every tray icon ever removed, so the thirty-odd starts of the start
        # figures would leave as many windows behind, and every later window operation of the
        # session (F10, Enter, the reread, the edits) would be slower for them.
        for name in ("start", "keys", "reread", "find", "edit", "rules"):
            if name not in only:
                continue
            t_session = time.monotonic()
            with WineSession() as wine:
                print(f"{name}: Wine session ready in {time.monotonic() - t_session:.1f} s", flush=True)
                if bench is None:
                    bench = Bench(wine, args.exe, args.runs, args.insertions, args.insert_budget,
                                  args.watch_gap, args.baseline, args.before_exe)
                else:
                    bench.attach(wine)
                fn = {"start": bench.start_figures, "keys": bench.insertion_figures,
                      "reread": bench.reread_figures, "find": bench.find_figures,
                      "edit": bench.edit_figures, "rules": bench.rules_figures}[name]
                try:
                    fn()
                except (HarnessError, OSError) as e:
                    bench.notes.append(f"{name} figures stopped: {e}")
                    print(f"  {name} figures stopped: {e}", flush=True)
                    wine.kill_started()
                finally:
                    bench.xkeys.close()  # before this session's X server goes
        if bench:
            bench.report()
    finally:
        if bench:
            bench.cleanup()
    print(f"Total {time.monotonic() - t:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
