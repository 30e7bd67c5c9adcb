"""Start with Windows as a user meets it: the main menu's "Run at startup"
writes the Run value for this copy of the program, a start with exactly that
value's command line waits hidden in the tray until the hotkey brings the
window up, and choosing the item again removes the value."""

from __future__ import annotations

import re
import shutil
import subprocess
from pathlib import Path

from harness import PROGRAM_TITLE, wait_until
from main_menu import choose_main_menu_item
from program_files import settings_file

REPO = Path(__file__).resolve().parents[2]
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
TRAY_TIP = "Glyphwell (F10)"


def run_value(wine) -> str | None:
    r = subprocess.run(["wine", "reg", "query", RUN_KEY, "/v", "Glyphwell"], env=wine.env,
                       capture_output=True, text=True, stdin=subprocess.DEVNULL)
    m = re.search(r"^    Glyphwell    REG_SZ    (.*)$", r.stdout, re.M)
    return m.group(1) if r.returncode == 0 and m else None


def visible_main_windows(wine, proc) -> list:
    return [w for w in wine.find_windows(title=PROGRAM_TITLE, cls="GlyphwellMain", pid=proc.pid) if w.visible]


def test_run_at_startup_starts_hidden_in_the_tray(wine, glyphwell_exe):
    win_folder = r"C:\Portable\Run at startup"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, glyphwell_exe, lang=[REPO / "lang" / "English.lng"])
    (folder / "Glyphwell.ini").write_bytes(settings_file())
    # Another copy's value: this copy's item is unchecked, so choosing it
    # writes the value for this copy.
    subprocess.run(["wine", "reg", "add", RUN_KEY, "/v", "Glyphwell", "/t", "REG_SZ", "/d",
                    r'"C:\Elsewhere\Glyphwell.exe" /tray', "/f"], env=wine.env, check=True,
                   capture_output=True, stdin=subprocess.DEVNULL)

    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    choose_main_menu_item(wine, main.hwnd, "RunAtStartup")
    wait_until(lambda: run_value(wine) == f'"{exe}" /tray', message="the Run value naming this copy")
    wine.close_window(main.hwnd)
    assert proc.wait(timeout=15) == 0

    # Exactly the value's command line: the quoted program and its switch.
    value = run_value(wine)
    program, switch = re.fullmatch(r'"([^"]+)" (.+)', value).groups()
    proc = wine.start(program, args=switch)
    wait_until(lambda: any(t.text == TRAY_TIP for t in wine.tray_icons()), message="the tray icon")
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", visible=False, timeout=20)
    assert not visible_main_windows(wine, proc), "the main window was shown"

    wine.key("F10")
    wait_until(lambda: visible_main_windows(wine, proc), message="the hotkey to show the main window")
    wait_until(lambda: wine.foreground() and wine.foreground().hwnd == main.hwnd,
               message="the main window in the foreground")

    # Checked now, so choosing the item again removes the value.
    choose_main_menu_item(wine, main.hwnd, "RunAtStartup")
    wait_until(lambda: run_value(wine) is None, message="the Run value removed")
    wine.close_window(main.hwnd)
    assert proc.wait(timeout=15) == 0
