"""The program's data files as the end-to-end tests write them before a
start: the settings file and the character file in the program's layout."""

from __future__ import annotations

import json

CRLF = "\r\n"

SETTINGS = {"OnTop": "False", "Language": "English", "Hotkey": "F10", "Beep": "True", "HTML": "False",
            "CheckUpdate": "False", "ConfirmEnd": "False"}


def settings_file(**changes: str) -> bytes:
    """Glyphwell.ini as the first start writes it, with `changes` applied."""
    values = dict(SETTINGS, **changes)
    lines = ["[General]"] + [f"{k} = {v}" for k, v in values.items()] + [
        "", "[Character map]", "Option = Standard", "CustomCaption = ", "CustomCommand = ", ""]
    return ("\ufeff" + CRLF.join(lines)).encode("utf-8")


def character_file(rows) -> bytes:
    """The character file as the program writes it; json.dumps doubles the
    backslashes of the code texts."""
    lines = ["[", '  "Glyphwell 1.11",']
    for i, (trigger, code, comment) in enumerate(rows):
        lines += ["  [", f"    {json.dumps(trigger)},", f"    {json.dumps(code)},", f"    {json.dumps(comment)}",
                  "  ]," if i < len(rows) - 1 else "  ]"]
    lines.append("]")
    return CRLF.join(lines).encode("utf-8")
