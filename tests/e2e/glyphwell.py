"""Glyphwell as the end-to-end tests drive it: its data files, a start in a
portable folder of its own, the main menu, quitting, and the focus, notepad
and registry helpers that the tests share (tests/e2e/README.md shows how).

Every program started through `start` or `attach` is ended after the test by
the `wine` fixture (`end_started`), the way a user would: open questions
answered, a Settings window cancelled, the main window closed.
"""

from __future__ import annotations

import json
import os
import re
import shutil
import stat
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import Optional

from harness import PROGRAM_TITLE, HarnessError, Window, wait_until

REPO = Path(__file__).resolve().parents[2]
LANG_DIR = REPO / "lang"
ENGLISH = [LANG_DIR / "English.lng"]
NOTEPAD = r"C:\windows\system32\notepad.exe"
TRAY_TIP = "Glyphwell (F10)"
INFO_TEXT = " Press [Shift] to get the code rather than the character."
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"

# Control ids of the main window.
LINK_ID, DELETE_ID, EDIT_ID, MENU_ID, LIST_ID, ON_TOP_ID, INSERT_ID = 0, 1, 2, 4, 5, 6, 7
SETTINGS_CANCEL_ID = 29

# The table of a first start: (trigger, code text as the program shows it, comment).
DEFAULT_TABLE = [
    ("", r"\u201E\u201C", "quotation marks (de)"),
    ("", r"\u00BB\u00AB", "guillemets (de)"),
    ("", r"\u201C\u201D", "quotation marks (en, es)"),
    ("", r"\u00AB\u00BB", "guillemets (fr)"),
    ("-", r"\u2013", "en dash"),
    ("%", r"\u2030", "per thousand"),
]


# --------------------------------------------------------------------------- data files

CRLF = "\r\n"
SETTINGS = {"OnTop": "False", "Language": "English", "Hotkey": "F10", "Beep": "True", "HTML": "False",
            "CheckUpdate": "False", "ConfirmEnd": "False"}
CHARACTER_MAP = {"Option": "Standard", "CustomCaption": "", "CustomCommand": ""}

_NEEDS_ESCAPE = re.compile('["\\\\\x00-\x1f\ud800-\udfff]')
_SHORT_ESCAPES = {'"': '\\"', "\\": "\\\\", "\b": "\\b", "\t": "\\t", "\n": "\\n", "\f": "\\f", "\r": "\\r"}


def settings_file(**changes: str) -> bytes:
    """Glyphwell.ini as the first start writes it, with `changes` applied (keys of
    [General] or of [Character map]: Option, CustomCaption, CustomCommand)."""
    general = {k: changes.get(k, v) for k, v in SETTINGS.items()}
    charmap = {k: changes.get(k, v) for k, v in CHARACTER_MAP.items()}
    unknown = set(changes) - set(general) - set(charmap)
    assert not unknown, f"no such setting: {unknown}"
    lines = (["[General]"] + [f"{k} = {v}" for k, v in general.items()] + ["", "[Character map]"]
             + [f"{k} = {v}" for k, v in charmap.items()] + [""])
    return ("\ufeff" + CRLF.join(lines)).encode("utf-8")


def json_string(text: str) -> str:
    """A string as the program writes it: quotation mark, backslash and the
    controls with a short form escaped as such, other controls and lone
    surrogates (which UTF-8 cannot carry) as lower-case \\u escapes, every
    other character as itself (raw UTF-8 in the file)."""
    def escape(m: re.Match) -> str:
        c = m.group()
        return _SHORT_ESCAPES.get(c) or f"\\u{ord(c):04x}"
    return '"' + _NEEDS_ESCAPE.sub(escape, text) + '"'


def character_file(rows) -> bytes:
    """The character file exactly as the program writes it for `rows` of
    (trigger, code text, comment); the backslashes of the code texts are
    doubled."""
    lines = ["[", '  "Glyphwell 1.11",']
    for i, (trigger, code, comment) in enumerate(rows):
        lines += ["  [", f"    {json_string(trigger)},", f"    {json_string(code)},", f"    {json_string(comment)}",
                  "  ]," if i < len(rows) - 1 else "  ]"]
    lines.append("]")
    return CRLF.join(lines).encode("utf-8")


# --------------------------------------------------------------------------- the program

@dataclass
class App:
    """One running copy of the program and what a test reads from it."""
    proc: object        # harness.Process
    main: Window        # the main window
    list: int           # hwnd of the main list
    status: int         # hwnd of the status bar
    folder: Optional[Path] = None   # Unix path of its data folder (None: not known to the test)
    win_folder: str = ""            # the same as a Windows path
    exe: str = ""                   # Windows path of the program

    @property
    def ini(self) -> Path:
        return self.folder / "Glyphwell.ini"

    @property
    def chars(self) -> Path:
        return self.folder / "Characters.json"

    def win(self, name: str) -> str:
        """Windows path of a file in the data folder."""
        return self.win_folder + "\\" + name

    def table(self) -> list[list[str]]:
        """The rows of Characters.json (the version string left out)."""
        data = json.loads(self.chars.read_bytes().decode("utf-8"))
        assert data[0] == "Glyphwell 1.11"
        return data[1:]


_started: list[App] = []


def install(wine, exe_path, win_folder: str, chars: bytes | None = character_file(DEFAULT_TABLE),
            ini: bytes | None = settings_file(), lang=ENGLISH, doc=None) -> str:
    """A fresh portable folder `win_folder` with the program, the language
    files `lang` (a folder or a list of files), the help pages `doc` and the
    data files given (None: no such file); returns the program's Windows path."""
    folder = wine.unix_path(win_folder)
    if folder.exists():
        subprocess.run(["chattr", "-R", "-i", str(folder)], check=False, capture_output=True)
        shutil.rmtree(folder)
    exe = wine.install_program(win_folder, exe_path, lang=lang, doc=doc)
    if ini is not None:
        (folder / "Glyphwell.ini").write_bytes(ini)
    if chars is not None:
        (folder / "Characters.json").write_bytes(chars)
    return exe


def attach(wine, proc, win_folder: str = "", exe: str = "", focus_list: bool = True,
           wait_tray: bool = False, visible: bool = True, timeout: float = 20) -> App:
    """Waits for the main window of a started copy and returns it as an App,
    ended after the test.  focus_list: brought to the front with the focus on
    its list (also for X, so that keys reach it); wait_tray: until the tray
    icon names the hotkey (it is registered); visible=False for a start in the tray."""
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", visible=visible, timeout=timeout)
    app = App(proc, main, wine.child(main.hwnd, id=LIST_ID).hwnd,
              wine.child(main.hwnd, cls="msctls_statusbar32").hwnd,
              wine.unix_path(win_folder) if win_folder else None, win_folder, exe)
    _started.append(app)
    if wait_tray:
        tray_icon_shown(wine)
    if focus_list:
        wine.activate(main.hwnd)
        wait_until(lambda: wine.focus_info(main.hwnd).focus == app.list, message="the focus on the list")
    return app


def start(wine, exe_path, win_folder: str, chars: bytes | None = character_file(DEFAULT_TABLE),
          ini: bytes | None = None, lang=ENGLISH, doc=None, focus_list: bool = True, wait_tray: bool = False,
          **settings: str) -> App:
    """Installs the program as `install` does (the settings file: `ini`, else
    settings_file(**settings)), starts it and waits as `attach` does."""
    ini = settings_file(**settings) if ini is None else ini
    exe = install(wine, exe_path, win_folder, chars=chars, ini=ini, lang=lang, doc=doc)
    return attach(wine, wine.start(exe), win_folder, exe, focus_list=focus_list, wait_tray=wait_tray)


def quit_program(wine, app: App, tray: bool = False) -> None:
    """Closes the main window; the program must end with 0 (and, with `tray`,
    its tray icon go)."""
    wine.close_window(app.main.hwnd)
    assert app.proc.wait(timeout=20) == 0
    if tray:
        tray_icon_gone(wine)


def end_started(wine) -> None:
    """Ends what a test (failed or not) left running the way a user would, so
    that no icon, hotkey or open file of it is in the next test's way: the
    settings file made writable again, every question answered No (else OK),
    a Settings window cancelled, the main window closed, a question on
    quitting answered Yes (a message then OK).  What will not end is left to the wine fixture."""
    apps, _started[:] = list(_started), []
    for app in apps:
        try:
            if app.folder and app.ini.exists():
                os.chmod(app.ini, stat.S_IRUSR | stat.S_IWUSR | stat.S_IRGRP | stat.S_IROTH)
            if not app.proc.running:
                continue
            for top in wine.find_windows(pid=app.proc.pid, visible=True):
                if top.cls == "#32770":
                    labels = [re.sub(r"&(.)", r"\1", c.text) for c in wine.children(top.hwnd, cls="Button")]
                    wine.click_button(top.hwnd, text="No" if "No" in labels else "OK")
                elif any(c.id == SETTINGS_CANCEL_ID for c in wine.children(top.hwnd)):
                    wine.click_button(top.hwnd, id=SETTINGS_CANCEL_ID)
            wine.close_window(app.main.hwnd)

            def ended_or_asking() -> bool:
                if not app.proc.running:
                    return True
                for box in wine.message_boxes(pid=app.proc.pid):
                    wine.click_button(box.hwnd, text="Yes" if "Yes" in box.button_labels else "OK")
                return False
            wait_until(ended_or_asking, timeout=20, message="the program to end")
        except (HarnessError, AssertionError) as e:  # the wine fixture kills what is left
            print(f"\ncleanup of {app.win_folder or app.exe}: {e}")


def tray_icon_shown(wine) -> None:
    """The tray icon names the hotkey F10 once it is registered."""
    wait_until(lambda: any(t.text == TRAY_TIP for t in wine.tray_icons()), timeout=20,
               message="the tray icon naming the hotkey F10")


def tray_icon_gone(wine) -> None:
    # A removed icon can stay listed for a moment.
    wait_until(lambda: not any(t.text == TRAY_TIP for t in wine.tray_icons()), timeout=20,
               message="the tray icon removed")


# --------------------------------------------------------------------------- the main menu

_LAYOUT = REPO / "mainwindow" / "menu_layout.cpp"


def _main_menu_keys() -> list[str]:
    """The text keys of MainMenu's items, separators left out, in order (read
    from the program's own menu table, so that a test names the item it means
    and survives items added before it)."""
    source = _LAYOUT.read_text(encoding="utf-8")
    table = source[source.index("kMainMenu[]"):source.index("kTrayMenu[]")]
    return re.findall(r'\{\s*\d+,\s*[\w]+,\s*u"\w+",\s*u"(\w+)"', table)


MAIN_MENU_KEYS = _main_menu_keys()


def choose_main_menu_item(wine, main_hwnd: int, key: str) -> None:
    """Opens MainMenu with Shift+F10 and chooses, with Down and Return, the item
    whose text has the language key `key` ("About", "Update", "Settings", "Goto",
    "RunAtStartup", ...)."""
    wine.activate(main_hwnd)
    wine.key("shift+F10")
    wait_until(lambda: wine.open_menus(), message="the main menu to open")
    wine.key(*(["Down"] * (MAIN_MENU_KEYS.index(key) + 1)), "Return")
    wait_until(lambda: not wine.open_menus(), message="the main menu to close")


# --------------------------------------------------------------------------- focus and windows

def is_visible(wine, hwnd: int) -> bool:
    w = wine.window(hwnd)
    return bool(w and w.visible)


def is_foreground(wine, hwnd: int) -> bool:
    """Whether `hwnd` is the foreground window (False while there is none)."""
    fg = wine.foreground()
    return fg is not None and fg.hwnd == hwnd


def wait_hidden(wine, hwnd: int, what: str = "the window to close or hide") -> None:
    wait_until(lambda: not is_visible(wine, hwnd), message=what)


def focus_in(wine, window_hwnd: int, control_id: int) -> bool:
    """Whether the keyboard focus of `window_hwnd`'s thread is on its control
    `control_id` or inside it (the edit field of a combo box)."""
    info = wine.focus_info(window_hwnd)
    if info.focus_id == control_id:
        return True
    controls = [c for c in wine.children(window_hwnd) if c.id == control_id and c.parent == window_hwnd]
    return any(c.hwnd == info.focus for control in controls for c in wine.children(control.hwnd))


def wait_focus(wine, window_hwnd: int, control_id: int) -> None:
    """Until the focus is on (or inside) the control `control_id` of `window_hwnd`."""
    wait_until(lambda: focus_in(wine, window_hwnd, control_id),
               message=lambda: f"the focus on control {control_id} "
                               f"(it is on {wine.focus_info(window_hwnd).focus_id})")


def tab_to(wine, window_hwnd: int, control_id: int) -> None:
    """Presses Tab, each time until the focus has moved, until it is on the
    control `control_id` of `window_hwnd` (which must have the X keyboard focus)."""
    for _ in range(48):  # the Settings window has more than 16 tab stops
        if focus_in(wine, window_hwnd, control_id):
            return
        before = wine.focus_info(window_hwnd).focus
        wine.key("Tab")
        wait_until(lambda: wine.focus_info(window_hwnd).focus != before, message="Tab to move the focus")
    wait_focus(wine, window_hwnd, control_id)


def in_front_on_the_list(wine, app: App, what: str = "main window in front with the focus on its list") -> None:
    wait_until(lambda: is_foreground(wine, app.main.hwnd) and wine.focus_info(app.main.hwnd).focus == app.list,
               message=what)


def hotkey_to_front(wine, app: App) -> None:
    """F10 from wherever the user is; the main window comes to the front with
    the focus on the list, then gets the X keyboard focus for the keys that
    follow (Xvfb has no window manager)."""
    wine.key("F10")
    in_front_on_the_list(wine, app)
    wine.activate(app.main.hwnd)


def select_by_trigger(wine, app: App, key: str, row: int) -> None:
    """Presses the trigger `key` (an xdotool key name) and waits until exactly `row` is selected."""
    wine.key(key)
    wait_until(lambda: wine.list_view(app.list).selected_rows == [row],
               message=lambda: f"row {row} selected by the trigger {key!r} "
                               f"(selected: {wine.list_view(app.list).selected_rows})")


def status_is(wine, app: App, text: str, timeout: float = 10.0) -> None:
    wait_until(lambda: wine.status_bar(app.status)[0] == text, timeout=timeout,
               message=lambda: f"the status text {text!r} (it is {wine.status_bar(app.status)[0]!r})")


# --------------------------------------------------------------------------- notepad

def start_notepad(wine) -> tuple[Window, int]:
    """Wine's notepad, empty; returns its window and the hwnd of its Edit field."""
    pad = wine.start(NOTEPAD)
    window = pad.wait_window(title="Untitled - Notepad")
    return window, wine.child(window.hwnd, cls="Edit").hwnd


def notepad_text_is(wine, edit: int, expected: str, timeout: float = 10.0) -> None:
    wait_until(lambda: wine.text(edit) == expected, timeout=timeout,
               message=lambda: f"notepad to hold {expected!r} (it holds {wine.text(edit)!r})")


# --------------------------------------------------------------------------- registry

def run_value(wine, key: str = RUN_KEY) -> str | None:
    """The program's value under a Run key (the user's by default), or None."""
    values = wine.reg_query(key, "Glyphwell")
    return values["Glyphwell"] if values else None
