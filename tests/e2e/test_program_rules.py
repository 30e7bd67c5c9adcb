"""Rules per program, as a user meets them: a paste rule for WordPad puts
the entry in whole and leaves the clipboard as it was; a pass-through rule
for notepad leaves F10 to notepad's menu while WordPad's F10 still brings
Glyphwell up."""

from __future__ import annotations

import shutil

from glyphwell import NOTEPAD, character_file, settings_file
from harness import PROGRAM_TITLE, wait_until

WORDPAD = r"C:\Program Files\Windows NT\Accessories\wordpad.exe"
# A surrogate pair and a combining sequence: grinning face, e + combining acute.
ENTRY = "\U0001F600e\u0301"
ROWS = [("g", r"\u1F600\u0065\u0301", "face and e acute")]
RULES = "[Programs]\r\nwordpad.exe = Paste\r\nNOTEPAD.EXE = Type, PassHotkey\r\n"


def start_glyphwell(wine, exe_path):
    win_folder = r"C:\Portable\GlyphwellRules"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, exe_path)
    (folder / "Glyphwell.ini").write_bytes(settings_file() + b"\r\n" + RULES.encode())
    (folder / "Characters.json").write_bytes(character_file(ROWS))
    proc = wine.start(exe)

    def main_window():
        for box in wine.message_boxes(pid=proc.pid):  # no language files: one warning
            wine.click_button(box.hwnd, text="OK")
        found = [w for w in proc.windows(title=PROGRAM_TITLE, visible=True) if w.cls != "#32770"]
        return found[0] if found else None

    main = wait_until(main_window, timeout=20, message="the main window")
    wait_until(lambda: any(t.text.startswith("Glyphwell (F10") for t in wine.tray_icons()),
               message="the hotkey registered")
    return proc, main


def start_wordpad(wine):
    pad = wine.start(WORDPAD)
    window = pad.wait_window(cls="WORDPADTOP", timeout=20)
    # Wine 8's WordPad holds its text in a RichEdit20W child.
    edits = wait_until(lambda: [c for c in wine.children(window.hwnd)
                                if c.cls.upper() in ("RICHEDIT20W", "RICHEDIT50W")],
                       message="WordPad's text field")
    return window, edits[0]


def bring_up_with_f10(wine, main):
    wine.key("F10")
    wait_until(lambda: (fg := wine.foreground()) is not None and fg.hwnd == main.hwnd,
               message="Glyphwell in front after F10")
    wine.activate(main.hwnd)


def test_paste_rule_puts_the_entry_whole_into_wordpad_and_gives_the_clipboard_back(
        wine, glyphwell_exe):
    proc, main = start_glyphwell(wine, glyphwell_exe)
    window, edit = start_wordpad(wine)
    wine.set_clipboard_text("the user's own \u2713 text")
    before = wine._call("clipboard-get")
    wine.activate(window.hwnd)

    bring_up_with_f10(wine, main)
    wine.key("g")
    wine.key("Return")
    wait_until(lambda: wine.text(edit.hwnd).rstrip("\r\n") == ENTRY,
               message=lambda: f"the entry in WordPad (it holds {wine.text(edit.hwnd)!r})")
    wait_until(lambda: wine._call("clipboard-get") == before,
               message=lambda: f"the clipboard as before (it holds {wine._call('clipboard-get')})")
    assert proc.running


def test_pass_through_rule_leaves_f10_to_notepad_but_not_to_wordpad(wine, glyphwell_exe):
    proc, main = start_glyphwell(wine, glyphwell_exe)
    pad = wine.start(NOTEPAD)
    pad_window = pad.wait_window(title="Untitled - Notepad")
    wine.activate(pad_window.hwnd)

    # F10 enters notepad's menu bar; Down then opens its first menu.
    wine.key("F10")
    wine.key("Down")
    wait_until(lambda: wine.open_menus(), message="notepad's menu open")
    assert wine.foreground().hwnd != main.hwnd
    wine.key("Escape")
    wine.key("Escape")
    wait_until(lambda: not wine.open_menus(), message="notepad's menu closed")

    window, _ = start_wordpad(wine)
    wine.activate(window.hwnd)
    bring_up_with_f10(wine, main)
    assert proc.running
