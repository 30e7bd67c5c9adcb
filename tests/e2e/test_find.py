"""Find as a user meets it: over notepad, the hotkey brings up the main window,
Ctrl+F opens Find, and one Enter types the result into notepad: a row of the
table found by a word of its character's Unicode name, and, in a German
program, a character of all of Unicode found by its German name. Ctrl+Enter
opens the New window filled with an emoji sequence found by its English
name, and OK keeps it in the table and in Characters.json."""

from __future__ import annotations

import json
import shutil
from pathlib import Path

from harness import PROGRAM_TITLE, wait_until
from glyphwell import settings_file

REPO = Path(__file__).resolve().parents[2]
NOTEPAD = r"C:\windows\system32\notepad.exe"
PER_MILLE_ROW = 5  # of the default table: "\u2030", "per thousand"
NEW_TRIGGER, NEW_CODE, NEW_COMMENT = 37, 35, 39


def start(wine, glyphwell_exe, name: str, language: str = "English"):
    win_folder = rf"C:\Portable\GlyphwellFind{name}"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, glyphwell_exe, lang=REPO / "lang")
    (folder / "Glyphwell.ini").write_bytes(settings_file(Language=language))
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()),
               message="tray icon with the hotkey F10 in its tooltip")
    return proc, main, folder


def open_find_over_notepad(wine, proc, main, title: str):
    """Notepad in front, F10, Ctrl+F: the Find window and notepad's edit control."""
    main_list = wine.child(main.hwnd, cls="SysListView32").hwnd
    pad = wine.start(NOTEPAD)
    pad_window = pad.wait_window(title="Untitled - Notepad")
    edit = wine.child(pad_window.hwnd, cls="Edit").hwnd
    wine.activate(pad_window.hwnd)
    wine.key("F10")
    wait_until(lambda: wine.foreground().hwnd == main.hwnd
               and wine.focus_info(main.hwnd).focus == main_list,
               message="main window in front with the focus on its list")
    wine.activate(main.hwnd)
    wine.key("ctrl+f")
    find = proc.wait_window(title=title, visible=True)
    field = wine.child(find.hwnd, cls="Edit").hwnd
    wait_until(lambda: wine.focus_info(find.hwnd).focus == field, message="the focus in Find's field")
    wine.activate(find.hwnd)
    return find, edit, main_list


def first_result(wine, find) -> list[str]:
    view = wine.list_view(wine.child(find.hwnd, cls="SysListView32").hwnd)
    return view.rows[0] if view.count else []


def test_ctrl_f_a_name_and_one_enter_type_the_row_found(wine, glyphwell_exe):
    proc, main, _ = start(wine, glyphwell_exe, "Row")
    find, edit, main_list = open_find_over_notepad(wine, proc, main, "Find")
    bar = wine.child(main.hwnd, cls="msctls_statusbar32").hwnd
    # "mille" is in the Unicode name of U+2030 (PER MILLE SIGN) alone: its
    # comment says "per thousand". The row comes first among the results.
    wine.type_text("mille")
    wait_until(lambda: wine.list_view(main_list).selected_rows == [PER_MILLE_ROW]
               and wine.status_bar(bar) == [" 1 item matches \u201cmille\u201d."]
               and first_result(wine, find)[:1] == ["\u2030"]
               and first_result(wine, find)[3:4] == ["%"],
               message="the per-mille row found, counted and first among the results")
    wine.key("Return")
    wait_until(lambda: wine.text(edit) == "\u2030", message="the per-mille sign in notepad", timeout=10)
    wait_until(lambda: not wine.window(main.hwnd).visible, message="main window in the tray")
    assert wine.list_view(main_list).selected_rows == [PER_MILLE_ROW]


def test_german_name_of_a_character_not_in_the_table_and_enter_types_it(wine, glyphwell_exe):
    proc, main, folder = start(wine, glyphwell_exe, "German", language="Deutsch")
    find, edit, _ = open_find_over_notepad(wine, proc, main, "Zeichen suchen")
    wine.type_text("ungleich")
    wait_until(lambda: first_result(wine, find)[:3] == ["\u2260", "ungleich", "U+2260"],
               message=lambda: f"\u2260 first, named in German (first: {first_result(wine, find)})")
    wine.key("Return")
    wait_until(lambda: wine.text(edit) == "\u2260", message="\u2260 in notepad", timeout=10)
    # Typed through the program: it is the first of the recent characters.
    wait_until(lambda: (folder / "RecentCharacters.txt").exists(), message="the recent characters' file")
    assert (folder / "RecentCharacters.txt").read_bytes().split(b"\r\n")[1] == b"2260"


def test_ctrl_enter_fills_the_new_window_and_ok_keeps_the_emoji(wine, glyphwell_exe):
    proc, main, folder = start(wine, glyphwell_exe, "Add")
    find, _, main_list = open_find_over_notepad(wine, proc, main, "Find")
    technologist = "\U0001F469\u200D\U0001F4BB"
    wine.type_text("woman technologist")
    wait_until(lambda: first_result(wine, find)[:1] == [technologist],
               message=lambda: f"the woman technologist first (first: {first_result(wine, find)})")
    wine.key("ctrl+Return")
    new = wait_until(lambda: next(iter(wine.find_windows(title="New item", pid=proc.pid, visible=True)), None),
                     message="the New item window")
    assert wine.text(wine.child(new.hwnd, id=NEW_CODE).hwnd) == technologist
    assert wine.text(wine.child(new.hwnd, id=NEW_COMMENT).hwnd) == "woman technologist"
    wine.activate(new.hwnd)
    wait_until(lambda: wine.focus_info(new.hwnd).focus_id == NEW_TRIGGER, message="the focus on the trigger")
    wine.type_text("w")
    wine.key("Return")
    wait_until(lambda: (w := wine.window(new.hwnd)) is None or not w.visible, message="New closed")

    row = ["w", r"\u1F469\u200D\u1F4BB", "woman technologist"]
    wait_until(lambda: row in json.loads((folder / "Characters.json").read_bytes().decode("utf-8"))[1:],
               message="the row in Characters.json")
    assert any(r[:2] == ["w", technologist] for r in wine.list_view(main_list).rows)
