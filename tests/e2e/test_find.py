"""Find as a user meets it: over notepad, the hotkey brings up the main window,
Ctrl+F opens Find, a word of a character's Unicode name selects its row, Enter
closes Find with the row kept and a second Enter types the character into
notepad."""

from __future__ import annotations

from pathlib import Path

from harness import PROGRAM_TITLE, wait_until

REPO = Path(__file__).resolve().parents[2]
NOTEPAD = r"C:\windows\system32\notepad.exe"
PER_MILLE_ROW = 5  # of the default table: "\u2030", "per thousand"


def test_ctrl_f_a_name_and_two_enters_type_the_character_found(wine, glyphwell_exe):
    exe = wine.install_program(r"C:\Portable\GlyphwellFind", glyphwell_exe, lang=REPO / "lang")
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    main_list = wine.child(main.hwnd, cls="SysListView32").hwnd
    bar = wine.child(main.hwnd, cls="msctls_statusbar32").hwnd
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()),
               message="tray icon with the hotkey F10 in its tooltip")

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
    find = proc.wait_window(title="Find", visible=True)
    field = wine.child(find.hwnd, cls="Edit").hwnd
    wait_until(lambda: wine.focus_info(find.hwnd).focus == field, message="the focus in Find's field")
    wine.activate(find.hwnd)
    # "mille" is in the Unicode name of U+2030 (PER MILLE SIGN) alone: its
    # comment says "per thousand".
    wine.type_text("mille")
    wait_until(lambda: wine.list_view(main_list).selected_rows == [PER_MILLE_ROW]
               and wine.status_bar(bar) == [" 1 item matches \u201cmille\u201d."],
               message="the per-mille row found and counted")

    wine.key("Return")
    wait_until(lambda: (w := wine.window(find.hwnd)) is None or not w.visible,
               message="Find closed")
    wait_until(lambda: wine.foreground().hwnd == main.hwnd
               and wine.focus_info(main.hwnd).focus == main_list,
               message="the focus back on the list")
    assert wine.list_view(main_list).selected_rows == [PER_MILLE_ROW]
    assert wine.text(edit) == ""

    wine.activate(main.hwnd)
    wine.key("Return")
    wait_until(lambda: wine.text(edit) == "\u2030", message="the per-mille sign in notepad", timeout=10)
    wait_until(lambda: not wine.window(main.hwnd).visible, message="main window in the tray")
