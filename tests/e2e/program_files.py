"""The program's data files as the end-to-end tests write them before a
start, and as the program itself writes them: the settings file and the
character file in the program's exact layout."""

from __future__ import annotations

import re

CRLF = "\r\n"

SETTINGS = {"OnTop": "False", "Language": "English", "Hotkey": "F10", "Beep": "True", "HTML": "False",
            "CheckUpdate": "False", "ConfirmEnd": "False"}

_NEEDS_ESCAPE = re.compile('["\\\\\x00-\x1f\ud800-\udfff]')
_SHORT_ESCAPES = {'"': '\\"', "\\": "\\\\", "\b": "\\b", "\t": "\\t", "\n": "\\n", "\f": "\\f", "\r": "\\r"}


def settings_file(**changes: str) -> bytes:
    """Glyphwell.ini as the first start writes it, with `changes` applied."""
    values = dict(SETTINGS, **changes)
    lines = ["[General]"] + [f"{k} = {v}" for k, v in values.items()] + [
        "", "[Character map]", "Option = Standard", "CustomCaption = ", "CustomCommand = ", ""]
    return ("\ufeff" + CRLF.join(lines)).encode("utf-8")


def json_string(text: str) -> str:
    """A string as the program writes it: quotation mark, backslash and the
    controls with a short form escaped as such, other controls and lone
    surrogates (which UTF-8 cannot carry) as lower-case \\u escapes, every
    other character as itself (raw UTF-8 in the file)."""
    def escape(m: re.Match) -> str:
        c = m.group()
        return _SHORT_ESCAPES.get(c) or f"\\u{ord(c):04x}"
    return '"' + _NEEDS_ESCAPE.sub(escape, text) + '"'


def character_file(rows) -> bytes:
    """The character file exactly as the program writes it for `rows` of
    (trigger, code text, comment); the backslashes of the code texts are
    doubled."""
    lines = ["[", '  "Glyphwell 1.11",']
    for i, (trigger, code, comment) in enumerate(rows):
        lines += ["  [", f"    {json_string(trigger)},", f"    {json_string(code)},", f"    {json_string(comment)}",
                  "  ]," if i < len(rows) - 1 else "  ]"]
    lines.append("]")
    return CRLF.join(lines).encode("utf-8")
