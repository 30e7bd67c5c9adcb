"""End-to-end test harness: runs Windows programs under Wine in Xvfb and drives
them the way a user would.

One `WineSession` owns a copy of the cached Wine prefix, an Xvfb display (unless
one is given), the run's wineserver and a `gwprobe.exe` process that answers
questions about windows (see tools/gwprobe/gwprobe.cpp).  Programs are started
through the probe, so their Windows process id and exit code are known.

Everything here waits by polling (`wait_until`), never by fixed sleeps.
"""

from __future__ import annotations

import atexit
import ctypes
import ctypes.util
import hashlib
import json
import os
import queue
import re
import fcntl
import shutil
import subprocess
import tempfile
import threading
import time
from dataclasses import dataclass
from pathlib import Path, PureWindowsPath
from typing import Any, Callable, Iterable, Optional

REPO = Path(__file__).resolve().parents[2]
WINE_ENV = REPO / "scripts" / "wine-env.sh"
TOOLS_SRC = REPO / "tools" / "gwprobe"
FAULT_TOOLS_SRC = REPO / "tools" / "faults"

# The title every message box of the program carries.
PROGRAM_TITLE = "Glyphwell 1.11 (x64)"

MINGW_CXX = "x86_64-w64-mingw32-g++-posix"
MINGW_WINDRES = "x86_64-w64-mingw32-windres"


class HarnessError(Exception):
    """The harness itself could not do what was asked."""


class ProbeError(HarnessError):
    """The probe answered with an error (or did not answer)."""


class WaitTimeout(HarnessError, AssertionError):
    """A condition did not come true in time.  Also an AssertionError, so that
    pytest reports it as a test failure with its message."""


# --------------------------------------------------------------------------- waiting

def wait_until(cond: Callable[[], Any], timeout: float = 10.0, interval: float = 0.05,
               message: str | Callable[[], str] | None = None) -> Any:
    """Calls `cond` until it returns a true value and returns that value.

    Raises WaitTimeout after `timeout` seconds; the message names what was
    awaited and the last value seen.  Exceptions of type HarnessError raised by
    `cond` count as "not yet" (a window may vanish between two calls); the last
    one is reported on timeout.
    """
    deadline = time.monotonic() + timeout
    last: Any = None
    last_error: Exception | None = None
    while True:
        try:
            last = cond()
            last_error = None
            if last:
                return last
        except HarnessError as e:  # includes ProbeError
            if isinstance(e, WaitTimeout):
                raise
            last_error = e
        if time.monotonic() >= deadline:
            what = message() if callable(message) else (message or getattr(cond, "__name__", "condition"))
            detail = f"last error: {last_error}" if last_error else f"last value: {last!r}"
            raise WaitTimeout(f"timed out after {timeout:.1f} s waiting for {what}; {detail}")
        time.sleep(interval)


# --------------------------------------------------------------------------- build

def build_dir() -> Path:
    return Path(os.environ.get("GW_BUILD_DIR", REPO / "build"))


def _compile(sources: list[Path], out: Path, flags: list[str], work: Path) -> subprocess.Popen:
    """Starts the MinGW build of one tool into a temporary file beside `out`.
    A manifest among the sources is compiled into the program's resources
    first (windres, synchronously)."""
    tmp = out.with_name(out.stem + ".tmp" + out.suffix)
    inputs = []
    for src in sources:
        if src.suffix == ".manifest":
            rc = work / f"{out.stem}.rc"
            rc.write_text(f'#include <winuser.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST "{src}"\n')
            obj = work / f"{out.stem}.res.o"
            r = subprocess.run([MINGW_WINDRES, str(rc), "-O", "coff", "-o", str(obj)], capture_output=True, text=True)
            if r.returncode != 0:
                raise HarnessError(f"windres {rc} failed:\n{r.stderr}")
            inputs.append(str(obj))
        else:
            inputs.append(str(src))
    unicode = [] if "-shared" in flags else ["-municode"]
    cmd = [MINGW_CXX, "-std=c++20", "-O1", "-Wall", "-Wextra", *unicode, "-static",
           "-o", str(tmp), *inputs] + flags
    return subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)


def build_tools(out_dir: Path | None = None) -> dict[str, Path]:
    """Builds the helper programs when their sources changed.

    Returns {name: path}: "gwprobe", "gwdemo" (tools/gwprobe), "cmdline_recorder"
    (records its command line, tests/tools), and the fault tests' helpers
    (tools/faults): "gwlock" (holds a file without sharing), "gwfakedll" (a
    stand-in system library), "gwdllcheck" and "gwdllcheck-bound" (its control
    program, without and with the program's manifest).  A stamp holding the
    hash of the sources and flags decides whether a rebuild is needed, so a
    fresh clone builds once and later runs reuse the programs.
    """
    out_dir = out_dir or build_dir() / "e2e" / "tools"
    manifest = REPO / "resources" / "glyphwell.manifest"
    specs = {
        "gwprobe": ([TOOLS_SRC / "gwprobe.cpp"], ["-luser32", "-lgdi32"], ".exe"),
        "gwdemo": ([TOOLS_SRC / "gwdemo.cpp"], ["-mwindows", "-lcomctl32", "-lshell32", "-luser32"], ".exe"),
        "gwlock": ([FAULT_TOOLS_SRC / "gwlock.cpp"], ["-mwindows", "-luser32"], ".exe"),
        "gwfakedll": ([FAULT_TOOLS_SRC / "gwfakedll.cpp", FAULT_TOOLS_SRC / "gwfakedll.def"], ["-shared"], ".dll"),
        "gwdllcheck": ([FAULT_TOOLS_SRC / "gwdllcheck.cpp"], ["-lwinmm", "-lmsimg32"], ".exe"),
        "gwdllcheck-bound": ([FAULT_TOOLS_SRC / "gwdllcheck.cpp", manifest], ["-lwinmm", "-lmsimg32"], ".exe"),
        # Records its command line in "<its path>.log" (tests/tools/cmdline_recorder.cpp).
        "cmdline_recorder": ([REPO / "tests" / "tools" / "cmdline_recorder.cpp"], ["-mwindows"], ".exe"),
        # The update check's helpers: a trusted root for the test CA, and a wininet.dll that
        # reports no connection (tests/tools).
        "trust_root_certificate": ([REPO / "tests" / "tools" / "trust_root_certificate.cpp"], ["-lcrypt32"],
                                   ".exe"),
        "offline_wininet": ([REPO / "tests" / "tools" / "offline_wininet.cpp",
                             REPO / "tests" / "tools" / "offline_wininet.def"], ["-shared"], ".dll"),
    }
    result: dict[str, Path] = {}
    jobs = []
    out_dir.mkdir(parents=True, exist_ok=True)
    lock = open(out_dir / ".build.lock", "w")
    fcntl.flock(lock, fcntl.LOCK_EX)  # another test run may build at the same time
    for name, (sources, flags, suffix) in specs.items():
        exe = out_dir / f"{name}{suffix}"
        stamp = out_dir / f"{name}.stamp"
        digest = hashlib.sha256(b"".join(s.read_bytes() for s in sources) + " ".join(flags).encode()).hexdigest()
        result[name] = exe
        if exe.exists() and stamp.exists() and stamp.read_text() == digest:
            continue
        jobs.append((name, exe, stamp, digest, _compile(sources, exe, flags, out_dir)))
    for name, exe, stamp, digest, proc in jobs:  # compiled side by side
        output, _ = proc.communicate()
        if proc.returncode != 0:
            raise HarnessError(f"building {exe.name} failed:\n{output}")
        exe.with_name(exe.stem + ".tmp" + exe.suffix).replace(exe)
        stamp.write_text(digest)
    lock.close()
    return result


# --------------------------------------------------------------------------- records

def _rect(v) -> tuple[int, int, int, int]:
    return tuple(v) if v else (0, 0, 0, 0)  # type: ignore[return-value]


@dataclass
class Window:
    """A window as the probe saw it (a snapshot; ask again for fresh values)."""
    hwnd: int
    cls: str
    text: str
    pid: int
    tid: int
    visible: bool
    enabled: bool
    iconic: bool
    zoomed: bool
    topmost: bool
    foreground: bool
    rect: tuple[int, int, int, int]      # screen coordinates: left, top, right, bottom
    client: tuple[int, int]              # client area width, height
    owner: int
    parent: int
    id: int
    style: int
    exstyle: int
    checked: Optional[int] = None        # buttons only: BM_GETCHECK

    @property
    def title(self) -> str:
        return self.text

    @property
    def center(self) -> tuple[int, int]:
        l, t, r, b = self.rect
        return (l + r) // 2, (t + b) // 2

    @staticmethod
    def from_json(d: dict) -> "Window":
        return Window(hwnd=d["hwnd"], cls=d["class"], text=d["text"], pid=d["pid"], tid=d["tid"],
                      visible=d["visible"], enabled=d["enabled"], iconic=d["iconic"], zoomed=d["zoomed"],
                      topmost=d["topmost"], foreground=d["foreground"], rect=_rect(d["rect"]),
                      client=tuple(d["client"]), owner=d["owner"], parent=d["parent"], id=d["id"],
                      style=d["style"], exstyle=d["exstyle"], checked=d.get("checked"))


@dataclass
class Button:
    hwnd: int
    id: int
    text: str
    enabled: bool

    @property
    def label(self) -> str:
        """The caption without mnemonic ampersands."""
        return re.sub(r"&(.)", r"\1", self.text)


@dataclass
class MessageBox:
    window: Window
    message: str              # the texts of all Static children, joined by "\n"
    statics: list[str]
    buttons: list[Button]

    @property
    def hwnd(self) -> int:
        return self.window.hwnd

    @property
    def title(self) -> str:
        return self.window.text

    @property
    def button_labels(self) -> list[str]:
        return [b.label for b in self.buttons]

    @staticmethod
    def from_json(d: dict) -> "MessageBox":
        return MessageBox(window=Window.from_json(d), message=d["message"], statics=d["statics"],
                          buttons=[Button(**b) for b in d["buttons"]])


@dataclass
class ListView:
    count: int
    columns: list[str]
    column_widths: list[int]
    rows: list[list[str]]          # cell texts, row by row
    selected: int                  # first selected row, -1 for none
    focused: int                   # focused row, -1 for none
    selected_rows: list[int]
    top_index: int
    per_page: int

    @staticmethod
    def from_json(d: dict) -> "ListView":
        return ListView(count=d["count"], columns=[c["text"] for c in d["columns"]],
                        column_widths=[c["width"] for c in d["columns"]],
                        rows=[r["cells"] for r in d["rows"]], selected=d["selected"], focused=d["focused"],
                        selected_rows=[r["index"] for r in d["rows"] if r["selected"]],
                        top_index=d["top_index"], per_page=d["per_page"])


@dataclass
class Tool:
    """One tool of a tooltip window; for tray icons the tool is the icon."""
    tooltip: int
    owner: int
    tool: int
    text: str
    rect: tuple[int, int, int, int]          # in the owner's client coordinates
    screen_rect: tuple[int, int, int, int]

    @property
    def center(self) -> tuple[int, int]:
        l, t, r, b = self.screen_rect
        return (l + r) // 2, (t + b) // 2


@dataclass
class Focus:
    active: int
    focus: int
    focus_class: Optional[str]
    focus_id: Optional[int]
    in_menu: bool


# --------------------------------------------------------------------------- probe

def _escape(value: Any) -> str:
    if isinstance(value, bool):
        value = int(value)
    s = str(value)
    s = s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")
    # Lone surrogates have no UTF-8 form: they travel as \uXXXX escapes.
    return re.sub("[\ud800-\udfff]", lambda m: f"\\u{ord(m.group()):04x}", s)


class Probe:
    """One gwprobe.exe process: a line in, a JSON line out."""

    def __init__(self, exe_unix: Path, env: dict[str, str], log: Path, name: str = "probe"):
        self.name = name
        self._log = open(log, "ab")
        self._proc = subprocess.Popen(["wine", str(exe_unix)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=self._log, env=env, start_new_session=True)
        self._lines: "queue.Queue[Optional[bytes]]" = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self._lock = threading.Lock()
        hello = self._next(60.0)
        if not hello.get("ready"):
            raise ProbeError(f"{name}: unexpected greeting {hello}")
        self.pid = hello["pid"]  # Windows pid of the probe

    def _read(self) -> None:
        assert self._proc.stdout
        for line in self._proc.stdout:
            self._lines.put(line)
        self._lines.put(None)

    def _next(self, timeout: float) -> dict:
        try:
            line = self._lines.get(timeout=timeout)
        except queue.Empty:
            # A late answer would be taken for the next one: end this probe.
            self._proc.kill()
            raise ProbeError(f"{self.name}: no answer within {timeout} s; probe stopped") from None
        if line is None:
            raise ProbeError(f"{self.name}: the probe ended (exit code {self._proc.poll()})")
        return json.loads(line)

    @property
    def alive(self) -> bool:
        return self._proc.poll() is None

    @staticmethod
    def _line(command: str, args: dict[str, Any]) -> bytes:
        """One request line.  Argument names map to the probe's keys (`cls` and
        `class_` become `class`; `env` is a dict of environment overrides)."""
        fields = [command]
        for key, value in args.items():
            if value is None:
                continue
            if key in ("cls", "class_"):
                key = "class"
            if key == "env":
                for k, v in value.items():
                    fields.append(f"env.{k}={_escape(v)}")
                continue
            fields.append(f"{key}={_escape(value)}")
        return ("\t".join(fields) + "\n").encode("utf-8")

    def call(self, command: str, _timeout: float = 30.0, _check: bool = True, **args: Any) -> dict:
        """Sends one command (arguments as for _line); returns the answer.
        Raises ProbeError for {"ok": false} unless _check is False."""
        line = self._line(command, args)
        with self._lock:
            if not self.alive:
                raise ProbeError(f"{self.name}: the probe is not running")
            assert self._proc.stdin
            self._proc.stdin.write(line)
            self._proc.stdin.flush()
            answer = self._next(_timeout)
        if _check and not answer.get("ok"):
            raise ProbeError(f"{command}: {answer.get('error')}")
        return answer

    def begin(self, command: str, _timeout: float = 30.0, **args: Any) -> Callable[[float], dict]:
        """Sends a command given armed=1, which answers twice: {"armed": true} once it has
        begun, then its result.  Returns after the first answer with a function that waits
        (up to the given seconds) for the result; no other command may go to this probe
        before the result is in."""
        line = self._line(command, dict(args, armed=1))
        self._lock.acquire()
        try:
            assert self._proc.stdin
            self._proc.stdin.write(line)
            self._proc.stdin.flush()
            first = self._next(_timeout)
        except BaseException:
            self._lock.release()
            raise
        if not first.get("armed"):
            self._lock.release()
            raise ProbeError(f"{command}: {first.get('error', first)}")

        def result(timeout: float = 30.0) -> dict:
            try:
                answer = self._next(timeout)
            finally:
                self._lock.release()
            if not answer.get("ok"):
                raise ProbeError(f"{command}: {answer.get('error')}")
            return answer
        return result

    def close(self) -> None:
        if self.alive:
            try:
                self.call("exit", _timeout=5)
            except (ProbeError, OSError):
                pass
            try:
                self._proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait()
        self._log.close()


# --------------------------------------------------------------------------- processes

class Process:
    """A Windows program started by a probe."""

    def __init__(self, session: "WineSession", probe: Probe, pid: int, exe: str):
        self.session = session
        self.probe = probe
        self.pid = pid
        self.exe = exe
        self.started: dict[str, Any] = {}  # the probe's answer to the start (with its timing, if watched)

    def __repr__(self) -> str:
        return f"Process(pid={self.pid}, exe={self.exe!r})"

    def poll(self) -> Optional[int]:
        """The exit code, or None while it runs."""
        r = self.probe.call("wait-exit", pid=self.pid, timeout=0)
        return r["exit_code"] if r["exited"] else None

    @property
    def running(self) -> bool:
        return self.poll() is None

    def wait(self, timeout: float = 10.0) -> int:
        """Waits for the end of the process; returns its exit code."""
        r = self.probe.call("wait-exit", pid=self.pid, timeout=int(timeout * 1000), _timeout=timeout + 30)
        if not r["exited"]:
            raise WaitTimeout(f"{self.exe} (pid {self.pid}) still runs after {timeout:.1f} s")
        return r["exit_code"]

    def kill(self, code: int = 1) -> Optional[int]:
        """Terminates it if it still runs; returns the exit code."""
        r = self.probe.call("kill", pid=self.pid, code=code)
        return r["exit_code"]

    def windows(self, **filters: Any) -> list[Window]:
        """Its top-level windows (filters as WineSession.find_windows)."""
        filters["pid"] = self.pid
        return self.session.find_windows(**filters)

    def wait_window(self, timeout: float = 10.0, **filters: Any) -> Window:
        """Waits for one of its top-level windows (filters as WineSession.wait_window)."""
        filters["pid"] = self.pid
        return self.session.wait_window(timeout=timeout, **filters)


# --------------------------------------------------------------------------- X11 helpers

XK_F24 = 0xFFD5
VK_F24 = 0x87


class _Keymap:
    """Gives `xdotool type` a keycode for every character it types.

    xdotool's own trick for characters missing from the keymap (bind a spare
    keycode, press it, unbind it) races with Wine, which translates the key
    only when the program handles it, often after the binding is gone.  Here
    characters are bound to a pool of spare keycodes and stay bound; after a
    change of the keymap the session presses F24 and waits until the Wine
    server has seen it (`WineSession.sync_input`), which proves that the Wine
    process owning the X focus has handled the MappingNotify that came before
    it.  The first MappingNotify that a Wine process gets does not take effect
    (measured with Wine 8): each process gets one harmless keymap change
    first (`touch`).

    Wine gives the keycodes of unknown keysyms virtual keys from a small OEM
    range (about 30, shared with the layout's punctuation keys), so the pool
    is kept small; each keycode carries two characters (plain and shifted).
    """

    POOL_KEYCODES = 12

    def __init__(self, display: str):
        self.display = display.encode()
        name = ctypes.util.find_library("X11")
        if not name:
            raise HarnessError("libX11 not found (package libx11-6)")
        x = ctypes.CDLL(name)
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
        x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                          ctypes.POINTER(ctypes.c_int)]
        x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                             ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x = x
        self.lock = threading.Lock()
        self.pool: list[int] = []             # keycodes we may rebind
        self.slots: dict[int, list[int]] = {}  # keycode -> its two keysyms
        self.used: dict[int, int] = {}         # keycode -> last use (for reuse)
        self.clock = 0
        self._setup()

    @staticmethod
    def keysym(ch: str) -> int:
        cp = ord(ch)
        if 0x20 <= cp <= 0x7E or 0xA0 <= cp <= 0xFF:
            return cp
        return 0x01000000 | cp

    def _table(self, dpy) -> tuple[int, list[list[int]]]:
        lo, hi = ctypes.c_int(), ctypes.c_int()
        self.x.XDisplayKeycodes(dpy, ctypes.byref(lo), ctypes.byref(hi))
        count = hi.value - lo.value + 1
        per = ctypes.c_int()
        syms = self.x.XGetKeyboardMapping(dpy, lo.value, count, ctypes.byref(per))
        table = [[syms[i * per.value + k] for k in range(per.value)] for i in range(count)]
        self.x.XFree(syms)
        return lo.value, table

    def _bind(self, dpy, code: int, syms: list[int]) -> None:
        arr = (ctypes.c_ulong * 2)(*syms)
        self.x.XChangeKeyboardMapping(dpy, code, 2, arr, 1)

    def _open(self):
        dpy = self.x.XOpenDisplay(self.display)
        if not dpy:
            raise HarnessError(f"cannot open display {self.display.decode()}")
        return dpy

    def _setup(self) -> None:
        """Before any Wine process reads the keymap: unbinds the vendor keys
        (XF86*), whose unknown keysyms would take Wine's spare virtual keys,
        binds F24 (the barrier key) and picks the pool: the lowest spare
        keycodes, which Wine serves first."""
        dpy = self._open()
        try:
            lo, table = self._table(dpy)
            for i, row in enumerate(table):
                if any(row) and all(s == 0 or (s & 0xFFFF0000) == 0x10080000 for s in row):
                    arr = (ctypes.c_ulong * len(row))(*([0] * len(row)))
                    self.x.XChangeKeyboardMapping(dpy, lo + i, len(row), arr, 1)
                    row[:] = [0] * len(row)
            free = [lo + i for i, row in enumerate(table) if not any(row) and lo + i > 8]
            if len(free) < self.POOL_KEYCODES + 1:
                raise HarnessError(f"only {len(free)} spare keycodes")
            self.f24 = next((lo + i for i, row in enumerate(table) if XK_F24 in row), 0)
            if not self.f24:
                self.f24 = free.pop()
                self._bind(dpy, self.f24, [XK_F24, XK_F24])
            self.pool = free[:self.POOL_KEYCODES]
            self.x.XSync(dpy, 0)
        finally:
            self.x.XCloseDisplay(dpy)

    def touch(self) -> None:
        """Changes nothing but still sends every X client a MappingNotify."""
        with self.lock:
            dpy = self._open()
            try:
                self._bind(dpy, self.f24, [XK_F24, XK_F24])
                self.x.XSync(dpy, 0)
            finally:
                self.x.XCloseDisplay(dpy)

    def ensure(self, text: str) -> bool:
        """Binds the characters of `text` that the keymap lacks; True when the
        keymap changed (the caller then waits for Wine with the barrier)."""
        with self.lock:
            self.clock += 1
            dpy = self._open()
            try:
                _, table = self._table(dpy)
                present = {s for row in table for s in row if s}
                wanted = []
                for c in text:
                    if c in "\n\t\r":
                        continue
                    sym = self.keysym(c)
                    if sym in present or sym in wanted:
                        for code, syms in self.slots.items():
                            if sym in syms:
                                self.used[code] = self.clock
                        continue
                    wanted.append(sym)
                if not wanted:
                    return False
                # Reuse keycodes not needed by this text, least recently used first.
                free_codes = sorted((c for c in self.pool if self.used.get(c) != self.clock),
                                    key=lambda c: self.used.get(c, -1))
                if (len(wanted) + 1) // 2 > len(free_codes):
                    raise HarnessError(f"{len(wanted)} characters without a key in one call: type them in "
                                       f"parts of at most {2 * self.POOL_KEYCODES} distinct characters")
                for i in range(0, len(wanted), 2):
                    code = free_codes[i // 2]
                    pair = wanted[i:i + 2]
                    syms = [pair[0], pair[-1]] if len(pair) == 2 else [pair[0], pair[0]]
                    self._bind(dpy, code, syms)
                    self.slots[code] = syms
                    self.used[code] = self.clock
                self.x.XSync(dpy, 0)
                return True
            finally:
                self.x.XCloseDisplay(dpy)


# --------------------------------------------------------------------------- session

_LOCALE_ALIASES = {"fr": "fr_FR.UTF-8", "de": "de_DE.UTF-8", "en": "en_US.UTF-8", "es": "es_ES.UTF-8",
                   "it": "it_IT.UTF-8", "ja": "ja_JP.UTF-8", "ru": "ru_RU.UTF-8"}


def ensure_locale(name: str) -> tuple[str, Optional[Path]]:
    """Makes the glibc locale `name` (e.g. "fr_FR.UTF-8" or "fr") available.

    Returns (locale name, LOCPATH folder or None when the system has it).
    Wine takes a process's Windows locale from its Unix locale, which glibc
    only sets when the locale is compiled; missing ones are compiled with
    localedef into the build tree once."""
    name = _LOCALE_ALIASES.get(name, name)
    have = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    norm = lambda s: s.lower().replace("-", "")  # noqa: E731  fr_FR.UTF-8 == fr_FR.utf8
    if any(norm(h) == norm(name) for h in have):
        return name, None
    base, _, charmap = name.partition(".")
    locpath = build_dir() / "wine" / "locales"
    target = locpath / name
    if not (target / "LC_CTYPE").exists():
        locpath.mkdir(parents=True, exist_ok=True)
        tmp = Path(tempfile.mkdtemp(dir=locpath, prefix=".new-"))
        r = subprocess.run(["localedef", "-i", base, "-f", charmap or "UTF-8", str(tmp / name)],
                           capture_output=True, text=True)
        if not (tmp / name / "LC_CTYPE").exists():
            shutil.rmtree(tmp, ignore_errors=True)
            raise HarnessError(f"localedef {name} failed: {r.stderr.strip()} (is the 'locales' package installed?)")
        shutil.rmtree(target, ignore_errors=True)
        (tmp / name).replace(target)
        shutil.rmtree(tmp, ignore_errors=True)
    return name, locpath


def _parse_env_lines(text: str) -> dict[str, str]:
    out = {}
    for line in text.splitlines():
        if "=" in line:
            k, v = line.split("=", 1)
            out[k] = v
    return out


class WineSession:
    """A Wine prefix + display + wineserver + probe, ready to run programs.

    Use as a context manager, or call start_up() and shut_down()."""

    def __init__(self, run_dir: Path | None = None, display: str | None = None, keep: bool | None = None):
        """run_dir: folder for the prefix copy, logs and TMPDIR (default: a new
        /tmp/gw-e2e-* folder, removed at shut-down; short, because the
        wineserver's socket lives below it).  display: an X display to use
        instead of starting Xvfb.  keep: keep the run folder (GW_E2E_KEEP=1)."""
        self._given_run_dir = Path(run_dir) if run_dir else None
        self.run_dir: Path = self._given_run_dir or Path()
        self.display = display
        self.keep = keep if keep is not None else os.environ.get("GW_E2E_KEEP") == "1"
        self.env: dict[str, str] = {}
        self.xvfb_pid: Optional[int] = None
        self.probe: Optional[Probe] = None
        self._launchers: dict[str, Probe] = {}
        self.processes: list[Process] = []
        self.tools: dict[str, Path] = {}
        self._keymap: Optional[_Keymap] = None
        self._keymap_ready: set[int] = set()  # pids that had their first MappingNotify
        self._desktop_origin = (0, 0)
        self._last_click: tuple[int, int] | None = None
        self.timings: dict[str, float] = {}

    # ---- life cycle

    def __enter__(self) -> "WineSession":
        self.start_up()
        return self

    def __exit__(self, *exc) -> None:
        self.shut_down()

    def _script(self, *args: str, env: dict[str, str] | None = None) -> str:
        r = subprocess.run(["bash", str(WINE_ENV), *args], stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, env=env or self._base_env())
        if r.returncode != 0:
            raise HarnessError(f"wine-env.sh {' '.join(args)} failed:\n{r.stderr}")
        return r.stdout

    @staticmethod
    def _base_env() -> dict[str, str]:
        env = dict(os.environ)
        for k in ("DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX", "WINESERVER", "WINELOADER", "WINEDEBUG",
                  "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LOCPATH"):
            env.pop(k, None)
        # The default Windows locale of a run is en-US (from the C locale).
        env["LANG"] = "C.UTF-8"
        return env

    def start_up(self) -> "WineSession":
        """Builds the tools, copies the prefix, starts Xvfb, the wineserver and
        the probe, and waits for the virtual desktop.  On failure everything
        started so far is stopped again."""
        try:
            return self._start_up()
        except BaseException:
            self.shut_down()
            raise

    def _start_up(self) -> "WineSession":
        t0 = time.monotonic()
        self.tools = build_tools()
        self.timings["build_tools"] = time.monotonic() - t0
        if not self._given_run_dir:
            self.run_dir = Path(tempfile.mkdtemp(prefix="gw-e2e-", dir=os.environ.get("GW_E2E_RUN_BASE")))
        atexit.register(self.shut_down)
        t = time.monotonic()
        self._script("template")
        self.timings["prefix_template"] = time.monotonic() - t
        t = time.monotonic()
        env = self._base_env()
        env.update(_parse_env_lines(self._script("prepare", str(self.run_dir))))
        self.env = env
        self.timings["prefix_copy"] = time.monotonic() - t
        t = time.monotonic()
        if not self.display:
            xv = _parse_env_lines(self._script("xvfb-start", str(self.run_dir)))
            self.xvfb_pid = int(xv["GW_XVFB_PID"])
            self.display = xv["DISPLAY"]
        env["DISPLAY"] = self.display
        self._keymap = _Keymap(self.display)
        self.timings["xvfb"] = time.monotonic() - t
        t = time.monotonic()
        subprocess.run(["wineserver", "-p"], env=env, check=True, stdin=subprocess.DEVNULL)
        self.probe = Probe(self.tools["gwprobe"], env, self.run_dir / "probe.log")
        self.timings["probe_start"] = time.monotonic() - t
        t = time.monotonic()
        # The virtual desktop is up once explorer made its taskbar window (shown
        # from the first program window on) and the desktop's X window exists.
        wait_until(lambda: self.find_windows(cls="Shell_TrayWnd"), timeout=60,
                   message="the Wine desktop's taskbar window")
        self._desktop_origin = wait_until(self._find_desktop_origin, timeout=30,
                                          message="the Wine desktop's X window")
        self.timings["desktop"] = time.monotonic() - t
        self.timings["start_up_total"] = time.monotonic() - t0
        return self

    def shut_down(self) -> None:
        """Ends the programs, the probes, the run's wineserver and our Xvfb
        (each by its own pid or prefix), and removes the run folder.  Safe to
        call twice and after a failed start."""
        if self.probe or self._launchers:
            try:
                self.kill_started()
            except HarnessError:
                pass
        for p in [*self._launchers.values(), self.probe]:
            if p:
                p.close()
        self._launchers.clear()
        self.probe = None
        self.processes = []
        if self.env.get("WINEPREFIX"):
            subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, stdin=subprocess.DEVNULL, timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass
        if self.xvfb_pid:
            self._script("xvfb-stop", str(self.xvfb_pid), env=self._base_env())
            self.xvfb_pid = None
            self.display = None
        if not self._given_run_dir and self.run_dir != Path() and not self.keep:
            shutil.rmtree(self.run_dir, ignore_errors=True)
        self.env = {}

    def _call(self, command: str, **args: Any) -> dict:
        """A command to the main probe, started again if it died (programs it
        started are then no longer known to it)."""
        if self.probe is None or not self.probe.alive:
            if not self.env.get("DISPLAY"):
                raise HarnessError("the Wine session is not started")
            self.probe = Probe(self.tools["gwprobe"], self.env, self.run_dir / "probe.log")
        return self.probe.call(command, **args)

    # ---- paths

    @property
    def prefix(self) -> Path:
        return Path(self.env["WINEPREFIX"])

    @property
    def drive_c(self) -> Path:
        return self.prefix / "drive_c"

    @property
    def user(self) -> str:
        """The Wine user's folder name (the Unix user name)."""
        users = [p.name for p in (self.drive_c / "users").iterdir() if p.is_dir() and p.name != "Public"]
        if len(users) != 1:
            raise HarnessError(f"cannot tell the Wine user from {users}")
        return users[0]

    @property
    def appdata(self) -> Path:
        """Unix path of the roaming application-data folder (CSIDL_APPDATA)."""
        return self.drive_c / "users" / self.user / "AppData" / "Roaming"

    @property
    def program_files(self) -> Path:
        return self.drive_c / "Program Files"

    def unix_path(self, windows_path: str) -> Path:
        """C:\\a\\b -> <prefix>/drive_c/a/b (drive C only, the case kept as given)."""
        p = PureWindowsPath(windows_path)
        if p.drive.upper() != "C:":
            raise HarnessError(f"only drive C is mapped: {windows_path}")
        return self.drive_c.joinpath(*p.parts[1:])

    def windows_path(self, unix_path: Path | str) -> str:
        """<prefix>/drive_c/a/b -> C:\\a\\b."""
        rel = Path(unix_path).resolve().relative_to(self.drive_c.resolve())
        return "C:\\" + "\\".join(rel.parts)

    def install_program(self, dest: str | Path, exe: Path | str, lang: Path | Iterable[Path] | None = None,
                        doc: Path | Iterable[Path] | None = None, name: str | None = None) -> str:
        """Copies `exe` into the folder `dest` (a Windows path such as
        r"C:\\Portable\\Glyphwell", or a Unix folder inside drive_c) and returns the
        program's Windows path.  `lang` and `doc` (a folder, whose files are
        copied, or a list of files) go into the subfolders lang and doc."""
        folder = self.unix_path(dest) if isinstance(dest, str) and re.match(r"^[A-Za-z]:", dest) else Path(dest)
        folder.mkdir(parents=True, exist_ok=True)
        target = folder / (name or Path(exe).name)
        shutil.copy2(exe, target)
        for sub, src in (("lang", lang), ("doc", doc)):
            if src is None:
                continue
            files = sorted(Path(src).iterdir()) if isinstance(src, (str, Path)) else [Path(f) for f in src]
            (folder / sub).mkdir(exist_ok=True)
            for f in files:
                if f.is_file():
                    shutil.copy2(f, folder / sub / f.name)
        return self.windows_path(target)

    # ---- processes

    def _launcher(self, locale: Optional[str]) -> Probe:
        """The probe that starts programs: the main one, or one per locale.
        Wine takes a process's locale from its Unix environment, which a child
        inherits from the process that starts it, so programs that need another
        locale are started by a probe that runs in that locale."""
        if not locale:
            self._call("ping")  # (re)starts the main probe if needed
            assert self.probe
            return self.probe
        name, locpath = ensure_locale(locale)
        if name not in self._launchers or not self._launchers[name].alive:
            env = dict(self.env)
            env.update(LANG=name, LC_ALL=name)
            if locpath:
                env["LOCPATH"] = str(locpath)
            self._launchers[name] = Probe(self.tools["gwprobe"], env, self.run_dir / f"probe-{name}.log",
                                          name=f"probe[{name}]")
        return self._launchers[name]

    def start(self, exe: str | Path, args: str | None = None, cwd: str | None = None,
              env: dict[str, str] | None = None, locale: str | None = None, show: str | None = None,
              stdout: str | None = None, watch: dict[str, Any] | None = None,
              suspended: bool = False) -> Process:
        """Starts a Windows program and returns its Process.

        exe: Windows path (or Unix path inside drive_c).  args: the command line
        after the program name.  cwd: Windows working folder (default: the
        program's folder).  env: Windows environment overrides.  locale: e.g.
        "fr_FR.UTF-8" or "fr": the process runs with that Windows locale.
        show: normal|minimized|minnoactive|maximized|hide|noactivate (the
        STARTUPINFO show command).  stdout: Windows path for the program's
        standard output and error (default: discarded).  watch: the probe's
        watch_class / watch_title / gap_us, to time the start until a visible
        window of the process exists; the answer is kept as `started`.
        suspended: the process waits until `resume_started` lets all such
        processes of the probe run at once (starts at the very same moment)."""
        win_exe = exe if isinstance(exe, str) and re.match(r"^[A-Za-z]:", exe) else self.windows_path(exe)
        if cwd is None:
            cwd = str(PureWindowsPath(win_exe).parent)
        probe = self._launcher(locale)
        r = probe.call("start", exe=win_exe, args=args, cwd=cwd, env=env or {}, show=show, stdout=stdout,
                       suspended=1 if suspended else None, **(watch or {}))
        proc = Process(self, probe, r["pid"], win_exe)
        proc.started = r
        self.processes.append(proc)
        return proc

    def resume_started(self, locale: str | None = None) -> int:
        """Lets every program started with suspended=True (by the probe of
        that locale) run, all at once; returns how many."""
        return self._launcher(locale).call("resume")["resumed"]

    def kill_started(self) -> list[Process]:
        """Terminates every program this session started that still runs; returns them."""
        killed = []
        for p in self.processes:
            if p.probe.alive and p.poll() is None:
                p.kill()
                killed.append(p)
        self.processes = [p for p in self.processes if p not in killed and p.probe.alive and p.poll() is None]
        return killed

    # ---- registry (wine reg, with the session's environment)

    def reg(self, *args: str, check: bool = True) -> subprocess.CompletedProcess:
        """Runs `wine reg ARGS`; raises HarnessError when `check` and it failed."""
        r = subprocess.run(["wine", "reg", *args], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, timeout=120)
        if check and r.returncode != 0:
            raise HarnessError(f"wine reg {' '.join(args)} failed: {r.stderr.strip()}")
        return r

    def reg_query(self, key: str, value: str | None = None) -> dict[str, str] | None:
        """The values of a key (or the one value) as `wine reg query` prints
        them, name -> data ("" for the default value's name "(Default)");
        None when there is no such key or value."""
        r = self.reg("query", key, *(["/v", value] if value else []), check=False)
        if r.returncode != 0:
            return None
        return {name: data for name, _, data in re.findall(r"^    (\S.*?)    (REG_\w+)    (.*)$", r.stdout, re.M)}

    def reg_add(self, key: str, value: str | None = None, data: str = "", type: str = "REG_SZ") -> None:
        """Sets a value (None: the key's default value) and creates the key as needed."""
        self.reg("add", key, *(["/v", value] if value is not None else ["/ve"]), "/t", type, "/d", data, "/f")

    def reg_delete(self, key: str, value: str | None = None) -> None:
        """Deletes a value, or the whole key when `value` is None; nothing to delete is fine."""
        self.reg("delete", key, *(["/v", value] if value is not None else []), "/f", check=False)

    def reg_import(self, lines: list[str]) -> None:
        """Imports the lines of a .reg file (after "REGEDIT4") with regedit, many keys at once."""
        reg = self.run_dir / "import.reg"  # outside drive C:, on Wine's drive Z: (the Unix root)
        reg.write_text("\r\n".join(["REGEDIT4", "", *lines, ""]))
        z_path = "Z:" + str(reg.resolve()).replace("/", "\\")
        try:
            code = self.start(r"C:\windows\regedit.exe", args=f'/s "{z_path}"').wait(timeout=60)
        finally:
            reg.unlink(missing_ok=True)
        if code != 0:
            raise HarnessError(f"regedit ended with {code}")

    def foreground_hwnd(self) -> int:
        """The foreground window's handle, 0 while there is none."""
        fg = self.foreground()
        return fg.hwnd if fg else 0

    def windows_processes(self, name: str | None = None) -> list[dict]:
        """All Windows processes of the run: [{"pid", "ppid", "exe"}]."""
        return self._call("processes", name=name)["processes"]

    # ---- windows

    def find_windows(self, title: str | None = None, cls: str | None = None, pid: int | None = None,
                     title_contains: str | None = None, visible: bool | None = None) -> list[Window]:
        """Top-level windows matching every given filter (exact title and class)."""
        r = self._call("find", title=title, cls=cls, pid=pid, title_contains=title_contains,
                            visible=1 if visible else None)
        return [Window.from_json(w) for w in r["windows"]]

    def wait_window(self, title: str | None = None, cls: str | None = None, pid: int | None = None,
                    title_contains: str | None = None, visible: bool = True, timeout: float = 10.0) -> Window:
        """Waits for a matching top-level window (visible by default) and returns it."""
        r = self._call("wait-window", title=title, cls=cls, pid=pid, title_contains=title_contains,
                            visible=1 if visible else None, timeout=int(timeout * 1000), _timeout=timeout + 30,
                            _check=False)
        if not r["ok"]:
            raise WaitTimeout(f"no window title={title!r} class={cls!r} pid={pid} within {timeout:.1f} s; "
                              f"visible windows: {[w.text for w in self.find_windows(visible=True)]}")
        return Window.from_json(r["windows"][0])

    def wait_window_gone(self, title: str | None = None, cls: str | None = None, pid: int | None = None,
                         visible: bool = True, timeout: float = 10.0) -> None:
        r = self._call("wait-window", title=title, cls=cls, pid=pid, visible=1 if visible else None,
                            gone=1, timeout=int(timeout * 1000), _timeout=timeout + 30, _check=False)
        if not r["ok"]:
            raise WaitTimeout(f"window title={title!r} class={cls!r} still there after {timeout:.1f} s")

    def window(self, hwnd: int) -> Optional[Window]:
        """Fresh information on one window, or None if it no longer exists."""
        r = self._call("info", hwnd=hwnd)
        return Window.from_json(r) if r["exists"] else None

    def text(self, hwnd: int) -> str:
        """The window's text (WM_GETTEXT): an edit field's contents, a caption."""
        return self._call("text", hwnd=hwnd)["text"]

    def set_text(self, hwnd: int, text: str) -> None:
        self._call("set-text", hwnd=hwnd, text=text)

    def children(self, hwnd: int, cls: str | None = None) -> list[Window]:
        """All descendants of a window (z-order within each parent)."""
        return [Window.from_json(c) for c in self._call("children", hwnd=hwnd, cls=cls)["children"]]

    def child(self, hwnd: int, cls: str | None = None, id: int | None = None, text: str | None = None) -> Window:
        """The one descendant matching class, control id and/or text (mnemonic
        ampersands ignored); raises HarnessError if none or several match."""
        found = [c for c in self.children(hwnd, cls=cls)
                 if (id is None or c.id == id)
                 and (text is None or re.sub(r"&(.)", r"\1", c.text) == re.sub(r"&(.)", r"\1", text))]
        if len(found) != 1:
            raise HarnessError(f"{len(found)} children of {hwnd} match class={cls!r} id={id} text={text!r}")
        return found[0]

    def close_window(self, hwnd: int) -> None:
        """Posts WM_CLOSE (what the caption's close button does)."""
        self._call("close", hwnd=hwnd)

    def post_message(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> bool:
        return self._call("post", hwnd=hwnd, msg=msg, wparam=wparam, lparam=lparam)["result"]

    def send_message(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0,
                     timeout_ms: int | None = None) -> int:
        """SendMessageTimeout; raises ProbeError when the window did not answer within
        `timeout_ms` (the probe's default when None)."""
        return self._call("send", hwnd=hwnd, msg=msg, wparam=wparam, lparam=lparam,
                          timeout=timeout_ms)["result"]

    # ---- message boxes and buttons

    def message_boxes(self, title: str | None = None, pid: int | None = None) -> list[MessageBox]:
        r = self._call("msgboxes", title=title, pid=pid)
        return [MessageBox.from_json(b) for b in r["boxes"]]

    def wait_message_box(self, title: str | None = PROGRAM_TITLE, pid: int | None = None,
                         timeout: float = 10.0) -> MessageBox:
        """Waits for a visible #32770 window with that title (the program's by
        default) and returns its text and buttons."""
        r = self._call("msgboxes", title=title, pid=pid, timeout=int(timeout * 1000), _timeout=timeout + 30,
                            _check=False)
        if not r["ok"] or not r["boxes"]:
            raise WaitTimeout(f"no message box titled {title!r} within {timeout:.1f} s; "
                              f"visible windows: {[w.text for w in self.find_windows(visible=True)]}")
        return MessageBox.from_json(r["boxes"][0])

    def click_button(self, hwnd: int, text: str | None = None, id: int | None = None,
                     via_command: bool = False) -> int:
        """Clicks a button: `hwnd` itself, or its Button child with that caption
        (ampersands ignored) or control id.  Posts BM_CLICK (or, with
        via_command, WM_COMMAND/BN_CLICKED to the parent).  Returns the button."""
        r = self._call("click", hwnd=hwnd, text=text, id=id, method="command" if via_command else None)
        return r["button"]

    def answer_message_box(self, button: str, title: str | None = PROGRAM_TITLE, pid: int | None = None,
                           timeout: float = 10.0) -> MessageBox:
        """Waits for the message box, clicks the named button, waits until the
        box is gone; returns what the box showed."""
        box = self.wait_message_box(title=title, pid=pid, timeout=timeout)
        if button not in box.button_labels:
            raise HarnessError(f"message box has buttons {box.button_labels}, not {button!r}")
        self.click_button(box.hwnd, text=button)
        def closed() -> bool:
            w = self.window(box.hwnd)  # one look: the box may vanish between two
            return w is None or not w.visible
        wait_until(closed, timeout=timeout, message=f"message box {box.hwnd} to close")
        return box

    # ---- focus

    def foreground(self) -> Optional[Window]:
        r = self._call("foreground")
        return Window.from_json(r["window"]) if r.get("window") else None

    def focus_info(self, hwnd: int) -> Focus:
        """Active window and keyboard focus of the thread that owns `hwnd`."""
        r = self._call("focus", hwnd=hwnd)
        return Focus(active=r.get("active", 0), focus=r.get("focus") or 0, focus_class=r.get("focus_class"),
                     focus_id=r.get("focus_id"), in_menu=r.get("in_menu", False))

    def activate(self, hwnd: int, timeout: float = 10.0) -> None:
        """Brings a top-level window to the front with the keyboard focus, for
        Windows (SetForegroundWindow) and for X (the window that receives
        xdotool's key events), and waits until it is the foreground window."""
        self._call("activate", hwnd=hwnd)
        xid = self._x_window_of(hwnd)
        if xid:
            self._xdotool("windowfocus", "--sync", str(xid))
        wait_until(lambda: self._call("foreground")["hwnd"] == hwnd, timeout=timeout,
                   message=f"window {hwnd} in the foreground")

    def hotkey_to_front(self, key: str, hwnd: int, focus_hwnd: int, timeout: float = 10.0) -> None:
        """Presses a global hotkey and waits until Wine has `hwnd` in front with the
        focus on `focus_hwnd`, then makes sure X's input focus is there too.

        Under Xvfb (no window manager) Wine may report the window as foreground
        while X keeps its input focus on the window that had it (docs/keyboard.md),
        so keys typed next would reach the other program; the X focus is moved only
        when it is elsewhere, so a run where Wine moved it keeps it untouched."""
        self.key(key)
        wait_until(lambda: (fg := self.foreground()) is not None and fg.hwnd == hwnd
                   and self.focus_info(hwnd).focus == focus_hwnd, timeout=timeout,
                   message=f"window {hwnd} in front with the focus on {focus_hwnd} after {key}")
        xid = self._x_window_of(hwnd)
        if xid and self._x_focus() != xid:
            self._xdotool("windowfocus", "--sync", str(xid))

    def _x_focus(self) -> Optional[int]:
        r = subprocess.run(["xdotool", "getwindowfocus"], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, text=True, timeout=60)
        return int(r.stdout.strip()) if r.returncode == 0 and r.stdout.strip().isdigit() else None

    def _x_window_of(self, hwnd: int) -> Optional[int]:
        """The X window that Wine made for a top-level window: same geometry,
        preferably the same name."""
        w = self.window(hwnd)
        if not w:
            return None
        out = subprocess.run(["xwininfo", "-root", "-tree", "-int"], env=self.env, capture_output=True,
                             text=True, errors="replace").stdout
        ox, oy = self._desktop_origin
        best = None
        for m in re.finditer(r'^\s+(\d+) (?:"(.*)"|\(has no name\)):.*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$',
                             out, re.M):
            xid, name, width, height, ax, ay = m.groups()
            l, t, r, b = w.rect
            if (int(ax) - ox, int(ay) - oy, int(width), int(height)) != (l, t, r - l, b - t):
                continue
            if name == w.text:
                return int(xid)
            best = best or int(xid)
        return best

    def _find_desktop_origin(self) -> Optional[tuple[int, int]]:
        out = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True, text=True,
                             errors="replace").stdout
        m = re.search(r'"Default - Wine desktop":.*?\s\+(-?\d+)\+(-?\d+)\s*$', out, re.M)
        return (int(m.group(1)), int(m.group(2))) if m else None

    # ---- controls

    def list_view(self, hwnd: int) -> ListView:
        """Rows, columns and selection of a SysListView32 of any process."""
        return ListView.from_json(self._call("listview", hwnd=hwnd))

    def select_row(self, hwnd: int, index: int) -> None:
        """Selects and focuses one list view row (LVM_SETITEMSTATE)."""
        self._call("listview-select", hwnd=hwnd, index=index)

    def status_bar(self, hwnd: int) -> list[str]:
        """The texts of a status bar's parts."""
        return self._call("statusbar", hwnd=hwnd)["parts"]

    def tooltips(self, hwnd: int | None = None, pid: int | None = None) -> list[Tool]:
        """The tools of every tooltip window of the process owning `hwnd` (or `pid`)."""
        r = self._call("tooltips", hwnd=hwnd, pid=pid)
        return [Tool(tooltip=t["tooltip"], owner=t["owner"], tool=t["tool"], text=t["text"], rect=_rect(t["rect"]),
                     screen_rect=_rect(t["screen_rect"])) for t in r["tools"]]

    def combo(self, hwnd: int) -> dict:
        """{"count", "selected", "items", "text"} of a ComboBox or ListBox."""
        return self._call("combo", hwnd=hwnd)

    def open_menus(self) -> list[Window]:
        """Open popup menus (#32768).  Their item texts cannot be read from
        another process under Wine."""
        return [Window.from_json(m) for m in self._call("menus")["menus"]]

    # ---- tray

    def tray_icons(self) -> list[Tool]:
        """Icons in the notification area, by their tooltip text (the taskbar's
        tooltip tools), with their screen rectangles."""
        bars = self.find_windows(cls="Shell_TrayWnd", visible=True)
        if not bars:
            return []
        # Explorer gives each icon a tooltip window; a removed icon keeps its
        # tooltip with an empty rectangle.
        return [t for t in self.tooltips(pid=bars[0].pid)
                if t.owner == bars[0].hwnd and t.rect[2] > t.rect[0] and t.rect[3] > t.rect[1]]

    def click_tray_icon(self, tip: str, button: int = 1, double: bool = False, timeout: float = 5.0) -> Tool:
        icon = wait_until(lambda: next((t for t in self.tray_icons() if t.text == tip), None), timeout=timeout,
                          message=f"tray icon {tip!r}")
        self.click(*icon.center, button=button, double=double)
        return icon

    # ---- clipboard

    def clipboard_text(self) -> Optional[str]:
        """The clipboard's CF_UNICODETEXT, or None when it holds no text."""
        return self._call("clipboard-get")["text"]

    def set_clipboard_text(self, text: Optional[str]) -> None:
        """Puts text on the clipboard (None empties it)."""
        self._call("clipboard-set", text=text)

    # ---- X input (as a user)

    def _xdotool(self, *args: str) -> None:
        r = subprocess.run(["xdotool", *args], env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                           text=True, timeout=60)
        if r.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(args)} failed: {r.stderr.strip()}")

    def key(self, *keys: str, delay_ms: int = 30) -> None:
        """Presses keys in X (xdotool names: "F10", "Return", "shift+F10", "alt+F4")."""
        self._xdotool("key", "--delay", str(delay_ms), *keys)

    def type_text(self, text: str, delay_ms: int = 30) -> None:
        """Types text in X, any Unicode characters included (at most 24
        distinct ones missing from the US keymap per call), into the window
        that has the X keyboard focus (see activate)."""
        assert self._keymap
        if any(self._keymap.keysym(c) > 0x7E for c in text):
            fg = self._call("foreground").get("window")
            if fg and fg["pid"] not in self._keymap_ready:
                self._keymap.touch()
                self.sync_input()
                self._keymap_ready.add(fg["pid"])
        if self._keymap.ensure(text):
            self.sync_input()
        self._xdotool("type", "--delay", str(delay_ms), "--", text)

    def sync_input(self, timeout: float = 10.0) -> None:
        """Returns once the Wine process owning the X keyboard focus has
        handled every X event sent before: F24 is pressed and released in X,
        and the Wine server's key state must show both."""
        self._xdotool("keydown", "F24")
        try:
            self._call("key-state", vk=VK_F24, down=1, timeout=int(timeout * 1000), _timeout=timeout + 30)
        finally:
            self._xdotool("keyup", "F24")
        self._call("key-state", vk=VK_F24, down=0, timeout=int(timeout * 1000), _timeout=timeout + 30)

    def click(self, x: int, y: int, button: int = 1, double: bool = False) -> None:
        """Moves the mouse to screen point (x, y) of the Windows desktop and clicks."""
        ox, oy = self._desktop_origin
        args = ["mousemove", "--sync", str(x + ox), str(y + oy), "click"]
        if (x, y) == self._last_click:
            # A synchronous move to where the pointer already is waits for a motion that never
            # comes (xdotool gives up after 15 s): step aside first.
            args = ["mousemove", "--sync", str(x + ox), str(y + oy + 1)] + args
        self._last_click = (x, y)
        if double:
            args += ["--repeat", "2", "--delay", "80"]
        self._xdotool(*args, str(button))

    def click_window(self, hwnd: int, button: int = 1, double: bool = False) -> None:
        """Clicks the middle of a window or control."""
        w = self.window(hwnd)
        if not w:
            raise HarnessError(f"no window {hwnd}")
        self.click(*w.center, button=button, double=double)

    def screenshot(self, path: Path | str) -> Path:
        """Saves the X screen as PNG (ImageMagick's import shows Wine dialogs correctly)."""
        path = Path(path)
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        return path

    def screen(self) -> dict:
        """{"width", "height", "dpi_x", "dpi_y", "work_area", "cursor", "locale"} as Windows sees them."""
        return self._call("screen")
