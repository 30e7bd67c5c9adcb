"""Typing an entry into another program, as a user does it: the hotkey brings
the main window up over notepad, a trigger key selects a row, Enter types the
row's characters into notepad and the main window goes into the tray."""

from __future__ import annotations

from glyphwell import (attach, hotkey_to_front, install, is_foreground, notepad_text_is, select_by_trigger,
                       start_notepad, tray_icon_shown, wait_hidden)
from harness import PROGRAM_TITLE, wait_until


def start_glyphwell(wine, exe_path):
    """The program alone, without language files or data files: it warns once
    and goes on in English with the default table."""
    proc = wine.start(install(wine, exe_path, r"C:\Portable\Glyphwell", chars=None, ini=None, lang=None))

    def main_window():
        for box in wine.message_boxes(pid=proc.pid):
            wine.click_button(box.hwnd, text="OK")
        return [w for w in proc.windows(title=PROGRAM_TITLE, visible=True) if w.cls != "#32770"]

    wait_until(main_window, timeout=20, message="the main window")
    app = attach(wine, proc, focus_list=False)
    tray_icon_shown(wine)
    return app


def test_hotkey_trigger_and_enter_type_the_en_dash_into_notepad(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe)
    pad, edit = start_notepad(wine)
    wine.activate(pad.hwnd)

    hotkey_to_front(wine, app)
    select_by_trigger(wine, app, "minus", 4)
    assert wine.text(edit) == ""  # the trigger only selects

    wine.key("Return")
    notepad_text_is(wine, edit, "\u2013")
    wait_hidden(wine, app.main.hwnd, "main window in the tray")
    assert is_foreground(wine, pad.hwnd)
    assert app.proc.running
