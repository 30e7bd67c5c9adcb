"""Typing an entry into another program, as a user does it: the hotkey brings
the main window up over notepad, a trigger key selects a row, Enter types the
row's characters into notepad and the main window goes into the tray."""

from __future__ import annotations

from harness import PROGRAM_TITLE, wait_until

NOTEPAD = r"C:\windows\system32\notepad.exe"


def start_glyphwell(wine, exe_path):
    exe = wine.install_program(r"C:\Portable\Glyphwell", exe_path)
    proc = wine.start(exe)

    def main_window():
        # Without language files the program warns once and goes on in English.
        for box in wine.message_boxes(pid=proc.pid):
            wine.click_button(box.hwnd, text="OK")
        found = [w for w in proc.windows(title=PROGRAM_TITLE, visible=True) if w.cls != "#32770"]
        return found[0] if found else None

    main = wait_until(main_window, timeout=20, message="the main window")
    # The tooltip names the hotkey once it is registered.
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()),
               message="tray icon with the hotkey F10 in its tooltip")
    return proc, main


def test_hotkey_trigger_and_enter_type_the_en_dash_into_notepad(wine, glyphwell_exe):
    proc, main = start_glyphwell(wine, glyphwell_exe)
    main_list = wine.child(main.hwnd, cls="SysListView32")

    pad = wine.start(NOTEPAD)
    pad_window = pad.wait_window(title="Untitled - Notepad")
    edit = wine.child(pad_window.hwnd, cls="Edit")
    wine.activate(pad_window.hwnd)

    wine.key("F10")
    wait_until(lambda: (fg := wine.foreground()) is not None and fg.hwnd == main.hwnd
               and wine.focus_info(main.hwnd).focus == main_list.hwnd,
               message="main window in front with the focus on its list")
    # Xvfb has no window manager: the X keyboard focus follows only when asked.
    wine.activate(main.hwnd)

    wine.key("minus")
    wait_until(lambda: wine.list_view(main_list.hwnd).selected_rows == [4],
               message="the en-dash row selected by its trigger")
    assert wine.text(edit.hwnd) == ""  # the trigger only selects

    wine.key("Return")
    wait_until(lambda: wine.text(edit.hwnd) == "\u2013", message="the en dash in notepad",
               timeout=10)
    wait_until(lambda: not wine.window(main.hwnd).visible, message="main window in the tray")
    assert wine.foreground().hwnd == pad_window.hwnd
    assert proc.running
