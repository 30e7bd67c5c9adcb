"""The main menu as a user drives it: Shift+F10 opens it, and Down moves
from item to item (separators are skipped) until Return chooses one. The
items' order is read from the program's own menu table, so that a test
names the item it means and survives items added before it."""

from __future__ import annotations

import re
from pathlib import Path

from harness import wait_until

_LAYOUT = Path(__file__).resolve().parents[2] / "mainwindow" / "menu_layout.cpp"


def _main_menu_keys() -> list[str]:
    """The text keys of MainMenu's items, separators left out, in order."""
    source = _LAYOUT.read_text(encoding="utf-8")
    table = source[source.index("kMainMenu[]"):source.index("kTrayMenu[]")]
    return re.findall(r'\{\s*\d+,\s*[\w]+,\s*u"\w+",\s*u"(\w+)"', table)


MAIN_MENU_KEYS = _main_menu_keys()


def choose_main_menu_item(wine, main_hwnd: int, key: str) -> None:
    """Opens MainMenu with Shift+F10 and chooses the item whose text has the
    language key `key` ("About", "Update", "Settings", "Goto", "RunAtStartup", ...)."""
    wine.activate(main_hwnd)
    wine.key("shift+F10")
    wait_until(lambda: wine.open_menus(), message="the main menu to open")
    wine.key(*(["Down"] * (MAIN_MENU_KEYS.index(key) + 1)), "Return")
    wait_until(lambda: not wine.open_menus(), message="the main menu to close")
