"""Start with Windows as a user meets it: the main menu's "Run at startup"
writes the Run value for this copy of the program, a start with exactly that
value's command line waits hidden in the tray until the hotkey brings the
window up, and choosing the item again removes the value."""

from __future__ import annotations

import re

from glyphwell import (RUN_KEY, attach, choose_main_menu_item, install, is_foreground, quit_program, run_value,
                       tray_icon_shown)
from harness import PROGRAM_TITLE, wait_until


def visible_main_windows(wine, proc) -> list:
    return [w for w in wine.find_windows(title=PROGRAM_TITLE, cls="GlyphwellMain", pid=proc.pid) if w.visible]


def test_run_at_startup_starts_hidden_in_the_tray(wine, glyphwell_exe):
    win_folder = r"C:\Portable\Run at startup"
    exe = install(wine, glyphwell_exe, win_folder, chars=None)
    # Another copy's value: this copy's item is unchecked, so choosing it
    # writes the value for this copy.
    wine.reg_add(RUN_KEY, "Glyphwell", r'"C:\Elsewhere\Glyphwell.exe" /tray')

    app = attach(wine, wine.start(exe), win_folder, exe, focus_list=False)
    choose_main_menu_item(wine, app.main.hwnd, "RunAtStartup")
    wait_until(lambda: run_value(wine) == f'"{exe}" /tray', message="the Run value naming this copy")
    quit_program(wine, app)

    # Exactly the value's command line: the quoted program and its switch.
    value = run_value(wine)
    program, switch = re.fullmatch(r'"([^"]+)" (.+)', value).groups()
    proc = wine.start(program, args=switch)
    tray_icon_shown(wine)
    app = attach(wine, proc, win_folder, exe, focus_list=False, visible=False)
    main = app.main
    assert not visible_main_windows(wine, proc), "the main window was shown"

    wine.key("F10")
    wait_until(lambda: visible_main_windows(wine, proc), message="the hotkey to show the main window")
    wait_until(lambda: is_foreground(wine, main.hwnd), message="the main window in the foreground")

    # Checked now, so choosing the item again removes the value.
    choose_main_menu_item(wine, main.hwnd, "RunAtStartup")
    wait_until(lambda: run_value(wine) is None, message="the Run value removed")
    quit_program(wine, app)
