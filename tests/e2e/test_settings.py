"""The Settings window as a user meets it: opened from the main menu
(Shift+F10), a new language that relabels the main window at once and stays
for the next start, the hotkey moved to Ctrl+Alt+K and released with Backspace,
and the custom character-map link with its checks.  OK without a change, Cancel,
Alt+F4 and a read-only settings file are shown in-process
(tests/win32/settings_window_test.cpp)."""

from __future__ import annotations

from pathlib import Path

import pytest

from glyphwell import (INSERT_ID, LINK_ID, MENU_ID, ON_TOP_ID, REPO, attach, character_file, choose_main_menu_item,
                       is_foreground, quit_program, start, tab_to, tray_icon_shown, wait_focus,
                       wait_hidden)
from harness import Window, wait_until

LANG_FILES = [REPO / "lang" / name for name in ("English.lng", "Deutsch.lng", "Français.lng")]

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


def start_glyphwell(wine, exe_path, name: str, **settings: str):
    return start(wine, exe_path, rf"C:\Portable\Settings{name}", chars=character_file(TABLE), lang=LANG_FILES,
                 **settings)


def start_again(wine, app):
    """The same copy started once more."""
    return attach(wine, wine.start(app.exe), app.win_folder, app.exe)


def open_settings(wine, app, title: str = "Settings") -> Window:
    choose_main_menu_item(wine, app.main.hwnd, "Settings")
    window = app.proc.wait_window(title=title, timeout=10)
    wine.activate(window.hwnd)
    wait_focus(wine, window.hwnd, LANGUAGE_ID)  # the window opens with the focus on the language list
    assert not wine.window(app.main.hwnd).enabled
    return window


def closed(wine, app, window: Window) -> None:
    wait_hidden(wine, window.hwnd, "the Settings window to close")
    wait_until(lambda: wine.window(app.main.hwnd).enabled, message="the main window enabled again")


def menu_width(wine, app) -> int:
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


def main_window_texts(wine, app) -> dict:
    view = wine.list_view(app.list)
    tips = {t.tool: t.text for t in wine.tooltips(hwnd=app.main.hwnd)}
    child = {i: control(wine, app.main.hwnd, i) for i in (LINK_ID, MENU_ID, ON_TOP_ID, INSERT_ID, 1, 2, 3)}
    return {
        "columns": view.columns,
        "ontop": child[ON_TOP_ID].text,
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
    tab_to(wine, window.hwnd, CANCEL_ID)
    wine.key("Return")
    closed(wine, app, window)

    # The next start is in the new language.
    quit_program(wine, app)
    app = start_again(wine, app)
    assert main_window_texts(wine, app) == expected
    quit_program(wine, app)


# --------------------------------------------------------------------------- hotkey

def test_hotkey_moves_to_ctrl_alt_k_frees_f10_and_backspace_releases_it(wine, glyphwell_exe, demo_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Hotkey")
    tray_icon_shown(wine)
    window = open_settings(wine, app)
    wine.key("Tab")
    wait_focus(wine, window.hwnd, HOTKEY_ID)
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
    wait_hidden(wine, app.main.hwnd, "main window in the tray")
    wine.key("ctrl+alt+k")
    wait_until(lambda: is_foreground(wine, app.main.hwnd), message="Ctrl+Alt+K bringing the main window to the front")

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
    wait_focus(wine, window.hwnd, HOTKEY_ID)
    wine.key("BackSpace")
    wine.key("Return")
    closed(wine, app, window)
    wait_until(lambda: "\r\nHotkey = \u00d8\r\n".encode() in app.ini.read_bytes(), message="Hotkey = Ø")
    wait_until(lambda: any(t.text == "Glyphwell" for t in wine.tray_icons()), message="the tray tip without key")
    quit_program(wine, app)


# --------------------------------------------------------------------------- character map

def test_custom_map_needs_a_command_then_sets_the_link(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "CharMap")
    before = app.ini.read_bytes()
    window = open_settings(wine, app)
    tab_to(wine, window.hwnd, STANDARD_ID)
    assert wine.child(window.hwnd, id=STANDARD_ID).checked == 1
    assert not wine.child(window.hwnd, id=CAPTION_ID).enabled
    wine.key("Down")
    wait_focus(wine, window.hwnd, CUSTOM_ID)
    assert wine.child(window.hwnd, id=CUSTOM_ID).checked == 1
    assert wine.child(window.hwnd, id=CAPTION_ID).enabled and wine.child(window.hwnd, id=COMMAND_ID).enabled
    wine.key("Tab")
    wait_focus(wine, window.hwnd, CAPTION_ID)
    wine.type_text("Zeichen Plus")
    wait_until(lambda: wine.text(wine.child(window.hwnd, id=CAPTION_ID).hwnd) == "Zeichen Plus",
               message="the caption typed")
    wine.key("Return")
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == "The fields \u201cCaption\u201d and \u201cCommand\u201d must not be empty."
    # Nothing changed: the window is open, the focus in the caption, the file as it was.
    assert wine.window(window.hwnd).visible
    wait_focus(wine, window.hwnd, CAPTION_ID)
    assert app.ini.read_bytes() == before
    assert control(wine, app.main.hwnd, LINK_ID).text == "Windows Character Map"

    wine.activate(window.hwnd)
    wine.key("Tab")
    wait_focus(wine, window.hwnd, COMMAND_ID)
    wine.type_text("charmap.exe /x")
    wait_until(lambda: wine.text(wine.child(window.hwnd, id=COMMAND_ID).hwnd) == "charmap.exe /x",
               message="the command typed")
    wine.key("Return")
    closed(wine, app, window)

    wait_until(lambda: control(wine, app.main.hwnd, LINK_ID).text == "Zeichen Plus", message="the link's caption")
    # Where the link sits and how wide it grows are shown in-process
    # (tests/win32/main_window_test.cpp, LinkFitsItsTextUpTo200Units).
    link = control(wine, app.main.hwnd, LINK_ID)
    tips = {t.tool: t.text for t in wine.tooltips(hwnd=app.main.hwnd)}
    assert tips.get(link.hwnd) == "charmap.exe /x"
    ini = app.ini.read_bytes()
    assert b"\r\nOption = Custom\r\nCustomCaption = Zeichen Plus\r\nCustomCommand = charmap.exe /x\r\n" in ini
    quit_program(wine, app)
