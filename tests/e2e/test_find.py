"""Find as a user meets it: over notepad, the hotkey brings up the main window,
Ctrl+F opens Find, a word of a character's Unicode name selects its row, Enter
closes Find with the row kept and a second Enter types the character into
notepad."""

from __future__ import annotations

from glyphwell import (LANG_DIR, attach, hotkey_to_front, in_front_on_the_list, install, notepad_text_is,
                       start_notepad, wait_hidden)
from harness import wait_until

PER_MILLE_ROW = 5  # of the default table: "\u2030", "per thousand"


def test_ctrl_f_a_name_and_two_enters_type_the_character_found(wine, glyphwell_exe):
    exe = install(wine, glyphwell_exe, r"C:\Portable\GlyphwellFind", chars=None, ini=None, lang=LANG_DIR)
    app = attach(wine, wine.start(exe), focus_list=False, wait_tray=True)

    pad, edit = start_notepad(wine)
    wine.activate(pad.hwnd)
    hotkey_to_front(wine, app)

    wine.key("ctrl+f")
    find = app.proc.wait_window(title="Find", visible=True)
    field = wine.child(find.hwnd, cls="Edit").hwnd
    wait_until(lambda: wine.focus_info(find.hwnd).focus == field, message="the focus in Find's field")
    wine.activate(find.hwnd)
    # "mille" is in the Unicode name of U+2030 (PER MILLE SIGN) alone: its
    # comment says "per thousand".
    wine.type_text("mille")
    wait_until(lambda: wine.list_view(app.list).selected_rows == [PER_MILLE_ROW]
               and wine.status_bar(app.status) == [" 1 item matches \u201cmille\u201d."],
               message="the per-mille row found and counted")

    wine.key("Return")
    wait_hidden(wine, find.hwnd, "Find closed")
    in_front_on_the_list(wine, app, "the focus back on the list")
    assert wine.list_view(app.list).selected_rows == [PER_MILLE_ROW]
    assert wine.text(edit) == ""

    wine.activate(app.main.hwnd)
    wine.key("Return")
    notepad_text_is(wine, edit, "\u2030")
    wait_hidden(wine, app.main.hwnd, "main window in the tray")
