#!/usr/bin/env python3
"""Pictures of the program for docs/: the main, New and Settings windows in a
language, taken under Wine in Xvfb with the end-to-end tests' harness
(ImageMagick's import of the whole screen, cut to the window's outer
rectangle) at the Wine desktop's resolution, 96 DPI.

    python3 tools/docs_screenshots.py [--exe build/win/bin/Glyphwell.exe] Deutsch Français

writes docs/main-window-de-96dpi.png, docs/new-window-de-96dpi.png,
docs/settings-window-de-96dpi.png, docs/find-window-de.png (Find with a word
typed) and the same with "fr"; English pictures have no language in their
names (docs/main-window-96dpi.png). The program starts with the default table
and the given language; nothing else is changed."""

from __future__ import annotations

import argparse
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

from harness import PROGRAM_TITLE, WineSession, wait_until  # noqa: E402
from glyphwell import settings_file  # noqa: E402

CODES = {"English": "en", "Deutsch": "de", "Français": "fr"}
# What is typed into Find: a word with rows of the default table and characters.
FIND_WORDS = {"English": "arrow", "Deutsch": "Pfeil", "Français": "flèche"}
LIST_ID = 5
NEW_CANCEL_ID, SETTINGS_CANCEL_ID = 41, 29


def shoot(wine: WineSession, hwnd: int, path: Path) -> None:
    """The window's outer rectangle from a screenshot, once two shots in a row
    agree (the window has finished painting)."""
    l, t, r, b = wine.window(hwnd).rect
    ox, oy = wine._desktop_origin
    whole = path.with_suffix(".screen.png")

    def crop() -> bytes:
        wine.screenshot(whole)
        return subprocess.run(["convert", str(whole), "-crop", f"{r - l}x{b - t}+{l + ox}+{t + oy}",
                               "+repage", "-strip", "png:-"], check=True, capture_output=True).stdout

    shots = [crop()]

    def steady() -> bool:
        shots.append(crop())
        return shots[-1] == shots[-2]

    wait_until(steady, timeout=20, message=f"{path.name} to stop changing")
    path.write_bytes(shots[-1])
    whole.unlink(missing_ok=True)
    print(f"wrote {path}")


def owned_window(wine: WineSession, pid: int, main: int) -> int:
    """The visible window that the program opened over its main window."""
    def find():
        return next((w.hwnd for w in wine.find_windows(pid=pid, visible=True)
                     if w.owner == main and w.cls != "#32770"), None)
    return wait_until(find, timeout=20, message="the program's window over its main window")


def pictures_of(wine: WineSession, exe_path: Path, language: str, out: Path) -> None:
    code = CODES[language]
    name = "" if code == "en" else f"-{code}"
    folder = rf"C:\Docs\Glyphwell-{code}"
    exe = wine.install_program(folder, exe_path, lang=REPO / "lang", doc=REPO / "doc")
    wine.unix_path(folder).joinpath("Glyphwell.ini").write_bytes(settings_file(Language=language))
    proc = wine.start(exe)
    try:
        main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20).hwnd
        wine.activate(main)
        list_hwnd = wine.child(main, id=LIST_ID).hwnd
        wait_until(lambda: wine.focus_info(main).focus == list_hwnd, message="the focus on the list")
        # The pointer in a free corner of the desktop, so that no tooltip shows.
        ox, oy = wine._desktop_origin
        wine._xdotool("mousemove", str(ox + 1010), str(oy + 10))
        shoot(wine, main, out / f"main-window{name}-96dpi.png")

        wine.key("ctrl+n")
        new = owned_window(wine, proc.pid, main)
        shoot(wine, new, out / f"new-window{name}-96dpi.png")
        wine.click_button(new, id=NEW_CANCEL_ID)
        wait_until(lambda: wine.window(new) is None, message="the New window to close")

        wine.activate(main)
        wine.key("shift+F10")
        wait_until(lambda: wine.open_menus(), message="the main menu")
        wine.key("Down", "Down", "Down", "Down", "Return")  # About, Update, Help, Settings
        settings = owned_window(wine, proc.pid, main)
        shoot(wine, settings, out / f"settings-window{name}-96dpi.png")
        wine.click_button(settings, id=SETTINGS_CANCEL_ID)
        wait_until(lambda: wine.window(settings) is None, message="the Settings window to close")

        wine.activate(main)
        wine.key("ctrl+f")
        find = owned_window(wine, proc.pid, main)
        wine.type_text(FIND_WORDS[language])
        shoot(wine, find, out / f"find-window{name}.png")
        wine.key("Escape")
        wait_until(lambda: wine.window(find) is None, message="the Find window to close")
    finally:
        proc.kill(0)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("languages", nargs="+", choices=sorted(CODES))
    parser.add_argument("--exe", type=Path, default=REPO / "build" / "win" / "bin" / "Glyphwell.exe")
    parser.add_argument("--out", type=Path, default=REPO / "docs")
    args = parser.parse_args()
    with WineSession() as wine:
        for language in args.languages:
            pictures_of(wine, args.exe.resolve(), language, args.out.resolve())
    return 0


if __name__ == "__main__":
    sys.exit(main())
