"""The Settings window as a user meets it: opened from the main menu
(Shift+F10), a new language that relabels the main window at once and stays
for the next start, the hotkey moved to Ctrl+Alt+K and released with Backspace, the custom
character-map link with its checks, OK without a change, Cancel, Alt+F4, and a
read-only settings file."""

from __future__ import annotations

import os
import re
import shutil
import stat
from dataclasses import dataclass
from pathlib import Path

import pytest

from harness import PROGRAM_TITLE, Window, wait_until
from main_menu import choose_main_menu_item
from program_files import character_file, settings_file

REPO = Path(__file__).resolve().parents[2]
LANG_FILES = [REPO / "lang" / name for name in ("English.lng", "Deutsch.lng", "Français.lng")]

LINK_ID, MENU_ID, LIST_ID, ONTOP_ID, INSERT_ID = 0, 4, 5, 6, 7
LANGUAGE_ID, HOTKEY_ID, STANDARD_ID, CUSTOM_ID = 15, 17, 18, 19
CAPTION_ID, COMMAND_ID, BEEP_ID, OK_ID, CANCEL_ID = 20, 22, 24, 28, 29

TABLE = [("-", r"\u2013", "en dash"), ("%", r"\u2030", "per thousand")]


def lng_texts(path: Path) -> dict[tuple[str, str], str]:
    """(section, key) -> text of a shipped language file (quotes dropped,
    "\\n" decoded), enough for the texts these tests compare."""
    texts: dict[tuple[str, str], str] = {}
    section = ""
    for line in path.read_text(encoding="utf-8-sig").splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line[1:line.index("]")]
        elif "=" in line and not line.startswith(";"):
            key, value = (part.strip() for part in line.split("=", 1))
            texts[(section, key)] = value[1:-1].replace("\\n", "\n") if value.startswith('"') else value
    return texts


@dataclass
class App:
    proc: object
    main: Window
    list: int
    status: int
    folder: Path
    win_folder: str
    exe: str

    @property
    def ini(self) -> Path:
        return self.folder / "Glyphwell.ini"


_started: list[App] = []


@pytest.fixture(autouse=True)
def _end_left_over_programs(wine):
    """Closes what a failed test left: its message boxes, its Settings window
    (Cancel) and the program, so that its hotkey is free for the next test."""
    _started.clear()
    yield
    for app in _started:
        try:
            os.chmod(app.ini, stat.S_IRUSR | stat.S_IWUSR | stat.S_IRGRP | stat.S_IROTH)
            if not app.proc.running:
                continue
            for top in wine.find_windows(pid=app.proc.pid, visible=True):
                if top.cls == "#32770":
                    wine.click_button(top.hwnd, text="OK")
            for top in wine.find_windows(pid=app.proc.pid, visible=True):
                if any(c.id == CANCEL_ID for c in wine.children(top.hwnd)):
                    wine.click_button(top.hwnd, id=CANCEL_ID)
            wine.close_window(app.main.hwnd)
            wait_until(lambda: not app.proc.running, timeout=10, message="the program to end")
        except Exception as e:  # the wine fixture kills what is left
            print(f"\ncleanup of {app.folder.name}: {e}")
    _started.clear()


def install(wine, exe_path, name: str, **settings: str) -> tuple[str, Path, str]:
    win_folder = rf"C:\Portable\Settings{name}"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, exe_path, lang=LANG_FILES)
    (folder / "Glyphwell.ini").write_bytes(settings_file(**settings))
    (folder / "Characters.json").write_bytes(character_file(TABLE))
    return win_folder, folder, exe


def start(wine, win_folder: str, folder: Path, exe: str) -> App:
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    app = App(proc, main, wine.child(main.hwnd, id=LIST_ID).hwnd,
              wine.child(main.hwnd, cls="msctls_statusbar32").hwnd, folder, win_folder, exe)
    _started.append(app)
    wine.activate(main.hwnd)
    wait_until(lambda: wine.focus_info(main.hwnd).focus == app.list, message="the focus on the list")
    return app


def start_glyphwell(wine, exe_path, name: str, **settings: str) -> App:
    return start(wine, *install(wine, exe_path, name, **settings))


def quit_glyphwell(wine, app: App) -> None:
    wine.close_window(app.main.hwnd)
    assert app.proc.wait(timeout=15) == 0


def open_settings(wine, app: App, title: str = "Settings") -> Window:
    choose_main_menu_item(wine, app.main.hwnd, "Settings")
    window = app.proc.wait_window(title=title, timeout=10)
    wine.activate(window.hwnd)
    focus_on(wine, window, LANGUAGE_ID)  # the window opens with the focus on the language list
    assert not wine.window(app.main.hwnd).enabled
    return window


def focus_on(wine, window: Window, control_id: int) -> None:
    wait_until(lambda: wine.focus_info(window.hwnd).focus_id == control_id
               or _focus_inside(wine, window, control_id),
               message=lambda: f"the focus on control {control_id} "
                               f"(it is on {wine.focus_info(window.hwnd).focus_id})")


def _focus_inside(wine, window: Window, control_id: int) -> bool:
    """The focus on a child of the control (the combo box inside the
    language list)."""
    focus = wine.focus_info(window.hwnd).focus
    control = wine.child(window.hwnd, id=control_id)
    return any(c.hwnd == focus for c in wine.children(control.hwnd))


def tab_to(wine, window: Window, control_id: int) -> None:
    for _ in range(32):  # the window has more than 16 tab stops
        if wine.focus_info(window.hwnd).focus_id == control_id:
            return
        before = wine.focus_info(window.hwnd).focus
        wine.key("Tab")
        wait_until(lambda: wine.focus_info(window.hwnd).focus != before, message="Tab to move the focus")
    focus_on(wine, window, control_id)


def closed(wine, app: App, window: Window) -> None:
    wait_until(lambda: (w := wine.window(window.hwnd)) is None or not w.visible,
               message="the Settings window to close")
    wait_until(lambda: wine.window(app.main.hwnd).enabled, message="the main window enabled again")


def menu_width(wine, app: App) -> int:
    wine.activate(app.main.hwnd)
    wine.key("shift+F10")
    menus = wait_until(lambda: wine.open_menus(), message="the main menu open")
    l, _, r, _ = menus[0].rect
    wine.key("Escape")
    wait_until(lambda: not wine.open_menus(), message="the main menu closed")
    return r - l


def control(wine, parent: int, control_id: int) -> Window:
    """A direct child by its id (the list's header is a child of the list with id 0 too)."""
    found = [c for c in wine.children(parent) if c.id == control_id and c.parent == parent]
    assert len(found) == 1, f"{len(found)} direct children of {parent} with id {control_id}"
    return found[0]


def main_window_texts(wine, app: App) -> dict:
    view = wine.list_view(app.list)
    tips = {t.tool: t.text for t in wine.tooltips(hwnd=app.main.hwnd)}
    child = {i: control(wine, app.main.hwnd, i) for i in (LINK_ID, MENU_ID, ONTOP_ID, INSERT_ID, 1, 2, 3)}
    return {
        "columns": view.columns,
        "ontop": child[ONTOP_ID].text,
        "insert": child[INSERT_ID].text,
        "link": child[LINK_ID].text,
        "status": wine.status_bar(app.status)[0],
        "tips": [tips.get(child[i].hwnd) for i in (MENU_ID, 3, 1, 2)],
    }


def expected_texts(t: dict) -> dict:
    return {
        "columns": [t[("WinMain", k)].replace("&", "") for k in ("Trigger", "Characters", "Unicode", "Comment")],
        "ontop": t[("WinMain", "OnTop")],
        "insert": t[("WinMain", "BtnInsert")],
        "link": t[("WinMain", "Charmap")],
        "status": t[("WinMain", "StatusInfo")],
        "tips": [t[("WinMain", k)] for k in ("Menu", "New", "Delete", "Edit")],
    }


# --------------------------------------------------------------------------- language

@pytest.mark.parametrize("language,key", [("Deutsch", "Up"), ("Français", "Down")])
def test_new_language_relabels_the_main_window_at_once_and_stays(wine, glyphwell_exe, language, key):
    app = start_glyphwell(wine, glyphwell_exe, f"Language{language[:2]}")
    english = expected_texts(lng_texts(REPO / "lang" / "English.lng"))
    assert main_window_texts(wine, app) == english
    english_menu = menu_width(wine, app)
    before = app.ini.read_bytes()

    window = open_settings(wine, app)
    # Deutsch, English, Français in that order; English is selected.
    wine.key(key)
    wine.key("Return")
    closed(wine, app, window)

    texts = lng_texts(REPO / "lang" / f"{language}.lng")
    expected = expected_texts(texts)
    wait_until(lambda: main_window_texts(wine, app) == expected,
               message=lambda: f"the main window in {language}: {main_window_texts(wine, app)}")
    # The menu was relabelled: its longest item is another one now.
    assert menu_width(wine, app) != english_menu
    assert app.ini.read_bytes() == before.replace(b"Language = English", f"Language = {language}".encode())

    # The Settings window itself now has the new title and texts.
    window = open_settings(wine, app, title=texts[("MenuMain", "Settings")])
    assert wine.child(window.hwnd, id=CANCEL_ID).text == texts[("General", "Cancel")]
    tab_to(wine, window, CANCEL_ID)
    wine.key("Return")
    closed(wine, app, window)

    # The next start is in the new language.
    quit_glyphwell(wine, app)
    app = start(wine, app.win_folder, app.folder, app.exe)
    assert main_window_texts(wine, app) == expected
    quit_glyphwell(wine, app)


# --------------------------------------------------------------------------- hotkey

def test_hotkey_moves_to_ctrl_alt_k_frees_f10_and_backspace_releases_it(wine, glyphwell_exe, demo_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Hotkey")
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()), message="the F10 tray tip")
    window = open_settings(wine, app)
    wine.key("Tab")
    focus_on(wine, window, HOTKEY_ID)
    wine.key("ctrl+alt+k")  # the hotkey field records the keys pressed in it
    wine.key("Return")
    closed(wine, app, window)
    wait_until(lambda: b"\r\nHotkey = Ctrl+Alt+K\r\n" in app.ini.read_bytes(),
               message="Hotkey = Ctrl+Alt+K in the ini")
    wait_until(lambda: any(t.text == "Glyphwell (Ctrl+Alt+K)" for t in wine.tray_icons()),
               message="the Ctrl+Alt+K tray tip")

    # Ctrl+Alt+K brings the window back from the tray.
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_until(lambda: not wine.window(app.main.hwnd).visible, message="main window in the tray")
    wine.key("ctrl+alt+k")
    wait_until(lambda: (fg := wine.foreground()) is not None and fg.hwnd == app.main.hwnd,
               message="Ctrl+Alt+K bringing the main window to the front")

    # F10 is free: another program can take it, and gets the key.
    demo = wine.start(wine.install_program(r"C:\Portable\SettingsHotkeyDemo", demo_exe), args="window")
    demo_window = demo.wait_window(title="Glyphwell stand-in")
    demo_status = wine.child(demo_window.hwnd, cls="msctls_statusbar32").hwnd
    wine.activate(demo_window.hwnd)
    wine.key("F10")
    wait_until(lambda: wine.status_bar(demo_status)[0] == "hotkey", message="F10 reaching the stand-in")
    demo.kill()

    # Backspace in the field releases the hotkey; the file says "Ø" as always.
    window = open_settings(wine, app)
    wine.key("Tab")
    focus_on(wine, window, HOTKEY_ID)
    wine.key("BackSpace")
    wine.key("Return")
    closed(wine, app, window)
    wait_until(lambda: "\r\nHotkey = \u00d8\r\n".encode() in app.ini.read_bytes(), message="Hotkey = Ø")
    wait_until(lambda: any(t.text == "Glyphwell" for t in wine.tray_icons()), message="the tray tip without key")
    quit_glyphwell(wine, app)


# --------------------------------------------------------------------------- character map

def test_custom_map_needs_a_command_then_sets_the_link(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "CharMap")
    before = app.ini.read_bytes()
    window = open_settings(wine, app)
    tab_to(wine, window, STANDARD_ID)
    assert wine.child(window.hwnd, id=STANDARD_ID).checked == 1
    assert not wine.child(window.hwnd, id=CAPTION_ID).enabled
    wine.key("Down")
    focus_on(wine, window, CUSTOM_ID)
    assert wine.child(window.hwnd, id=CUSTOM_ID).checked == 1
    assert wine.child(window.hwnd, id=CAPTION_ID).enabled and wine.child(window.hwnd, id=COMMAND_ID).enabled
    wine.key("Tab")
    focus_on(wine, window, CAPTION_ID)
    wine.type_text("Zeichen Plus")
    wait_until(lambda: wine.text(wine.child(window.hwnd, id=CAPTION_ID).hwnd) == "Zeichen Plus",
               message="the caption typed")
    wine.key("Return")
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == "The fields \u201cCaption\u201d and \u201cCommand\u201d must not be empty."
    # Nothing changed: the window is open, the focus in the caption, the file as it was.
    assert wine.window(window.hwnd).visible
    focus_on(wine, window, CAPTION_ID)
    assert app.ini.read_bytes() == before
    assert control(wine, app.main.hwnd, LINK_ID).text == "Windows Character Map"

    wine.activate(window.hwnd)
    wine.key("Tab")
    focus_on(wine, window, COMMAND_ID)
    wine.type_text("charmap.exe /x")
    wait_until(lambda: wine.text(wine.child(window.hwnd, id=COMMAND_ID).hwnd) == "charmap.exe /x",
               message="the command typed")
    wine.key("Return")
    closed(wine, app, window)

    wait_until(lambda: control(wine, app.main.hwnd, LINK_ID).text == "Zeichen Plus", message="the link's caption")
    link = control(wine, app.main.hwnd, LINK_ID)
    origin = wine.child(app.main.hwnd, cls="msctls_statusbar32").rect[0]  # client x 0
    dpi = wine.screen()["dpi_x"]
    assert link.rect[2] - origin == 520 * dpi // 96
    assert 0 < link.rect[2] - link.rect[0] < 200 * dpi // 96
    tips = {t.tool: t.text for t in wine.tooltips(hwnd=app.main.hwnd)}
    assert tips.get(link.hwnd) == "charmap.exe /x"
    ini = app.ini.read_bytes()
    assert b"\r\nOption = Custom\r\nCustomCaption = Zeichen Plus\r\nCustomCommand = charmap.exe /x\r\n" in ini

    # A long caption: the link stops at 200 wide, its right edge stays.
    window = open_settings(wine, app)
    tab_to(wine, window, CAPTION_ID)
    wine.type_text("A very long caption for the character map link of the main window")
    wait_until(lambda: wine.text(wine.child(window.hwnd, id=CAPTION_ID).hwnd).startswith("A very long"),
               message="the long caption typed")
    wine.key("Return")
    closed(wine, app, window)
    wait_until(lambda: control(wine, app.main.hwnd, LINK_ID).text.startswith("A very long"), message="the long link")
    link = control(wine, app.main.hwnd, LINK_ID)
    assert link.rect[2] - origin == 520 * dpi // 96
    assert link.rect[2] - link.rect[0] == 200 * dpi // 96
    quit_glyphwell(wine, app)


# --------------------------------------------------------------------------- OK, Cancel, Alt+F4

def test_ok_without_change_writes_nothing_cancel_and_alt_f4_change_nothing(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "NoChange")
    before = app.ini.read_bytes()
    written = app.ini.stat().st_mtime_ns

    window = open_settings(wine, app)
    wine.key("alt+F4")  # cancels: the window closes, nothing is written
    closed(wine, app, window)
    assert app.ini.read_bytes() == before
    window = open_settings(wine, app)
    wine.key("Return")  # OK with nothing changed
    closed(wine, app, window)
    assert app.ini.read_bytes() == before
    assert app.ini.stat().st_mtime_ns == written
    # Beep switched off, then Return on Cancel: nothing changes.
    window = open_settings(wine, app)
    tab_to(wine, window, BEEP_ID)
    wine.key("space")
    wait_until(lambda: wine.child(window.hwnd, id=BEEP_ID).checked == 0, message="Beep unchecked")
    tab_to(wine, window, CANCEL_ID)
    wine.key("Return")
    closed(wine, app, window)
    assert app.ini.read_bytes() == before
    window = open_settings(wine, app)
    assert wine.child(window.hwnd, id=BEEP_ID).checked == 1
    wine.key("alt+c")
    closed(wine, app, window)
    assert app.ini.stat().st_mtime_ns == written
    quit_glyphwell(wine, app)


# --------------------------------------------------------------------------- read-only file

def test_read_only_settings_file_is_reported_after_the_window_closed(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "ReadOnly")
    before = app.ini.read_bytes()
    # Wine shows a file without write permission as read-only, and refuses
    # to replace it even for root.
    os.chmod(app.ini, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    window = open_settings(wine, app)
    tab_to(wine, window, BEEP_ID)
    wine.key("space")
    wait_until(lambda: wine.child(window.hwnd, id=BEEP_ID).checked == 0, message="Beep unchecked")
    wine.key("alt+o")
    box = wine.wait_message_box(pid=app.proc.pid)
    assert box.message == "Can't write file:\n" + app.win_folder + r"\Glyphwell.ini"
    w = wine.window(window.hwnd)
    assert w is None or not w.visible  # the window had closed before the message
    wine.answer_message_box("OK", pid=app.proc.pid)
    assert app.ini.read_bytes() == before

    # The new value stays in memory, and reaches the file with the next write.
    window = open_settings(wine, app)
    assert wine.child(window.hwnd, id=BEEP_ID).checked == 0
    tab_to(wine, window, CANCEL_ID)
    wine.key("Return")
    closed(wine, app, window)
    os.chmod(app.ini, stat.S_IRUSR | stat.S_IWUSR | stat.S_IRGRP | stat.S_IROTH)
    wine.activate(app.main.hwnd)
    wine.click_window(wine.child(app.main.hwnd, id=ONTOP_ID).hwnd)
    wait_until(lambda: b"\r\nOnTop = True\r\n" in app.ini.read_bytes(), message="the next write")
    assert app.ini.read_bytes() == settings_file(OnTop="True", Beep="False")
    quit_glyphwell(wine, app)
