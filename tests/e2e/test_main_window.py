"""The main window as a user meets it: triggers and Enter type rows into
notepad (pairs with the caret between them), Shift types the code, the copy
commands and the status bar's return to the info text, the tray, quitting
with confirmation, "Stay on top", rereading a changed character file and a
hotkey that another program already holds."""

from __future__ import annotations

import os

import pytest

from glyphwell import (INFO_TEXT, attach, ON_TOP_ID, TRAY_TIP, character_file, hotkey_to_front, in_front_on_the_list,
                       install, is_foreground, is_visible, notepad_text_is, quit_program, select_by_trigger,
                       settings_file, start, start_notepad, status_is, tray_icon_gone, wait_hidden)
from harness import Window, wait_until

# (trigger, code text as the program shows it, comment)
TABLE = [
    ("q", r"\u201E\u201C", "quotation marks (de)"),
    ("s", r"\u1F600", "grinning face"),
    ("a", r"\u0041\u0042\u0043", "three letters"),
    ("r", r"\u0041\u0052", "two letters 17 apart"),
    ("-", r"\u2013", "en dash"),
    ("%", r"\u2030", "per thousand"),
    ("g", r"\u00AB\u00BB", "guillemets, 16 apart"),
    ("e", r"\u1F600\u1F601", "two faces, 1 apart above U+FFFE"),
]


def start_glyphwell(wine, exe_path, name: str, rows=TABLE, **settings: str):
    """The program in its own portable folder, with its tray icon naming the hotkey."""
    return start(wine, exe_path, rf"C:\Portable\MainWindow{name}", chars=character_file(rows), wait_tray=True,
                 **settings)


def type_x_into_notepad(wine, pad: Window) -> None:
    wine.activate(pad.hwnd)
    wine.key("x")


# --------------------------------------------------------------------------- insertion

def test_enter_types_rows_and_puts_the_caret_only_inside_close_pairs(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Insert")
    pad, edit = start_notepad(wine)
    wine.activate(pad.hwnd)

    cases = [
        # trigger key, row, typed text, notepad text after an "x" typed by the user
        ("percent", 5, "\u2030", "\u2030x"),
        ("q", 0, "\u201e\u201c", "\u201ex\u201c"),         # Left arrow: caret between the marks
        ("s", 1, "\U0001F600", "\U0001F600x"),             # one character above U+FFFF
        ("a", 2, "ABC", "ABCx"),                            # three characters: no Left arrow
        ("r", 3, "AR", "ARx"),                              # 17 apart: no Left arrow
        ("g", 6, "\u00ab\u00bb", "\u00abx\u00bb"),         # exactly 16 apart: Left arrow
        ("e", 7, "\U0001F600\U0001F601", "\U0001F600\U0001F601x"),  # above U+FFFE: no Left arrow
    ]
    for key, row, typed, after_x in cases:
        wine.set_text(edit, "")
        wine.activate(pad.hwnd)
        hotkey_to_front(wine, app)
        select_by_trigger(wine, app, key, row)
        assert wine.text(edit) == ""  # the trigger only selects
        wine.key("Return")
        notepad_text_is(wine, edit, typed)
        wait_hidden(wine, app.main.hwnd, "main window in the tray")
        type_x_into_notepad(wine, pad)
        notepad_text_is(wine, edit, after_x)
    assert app.proc.running
    quit_program(wine, app, tray=True)


@pytest.mark.parametrize("html, expected", [("False", "\\u2013"), ("True", "&#x2013;")], ids=["plain", "html"])
def test_shift_enter_types_the_code(wine, glyphwell_exe, html, expected):
    app = start_glyphwell(wine, glyphwell_exe, f"Code{html}", HTML=html)
    pad, edit = start_notepad(wine)
    wine.activate(pad.hwnd)
    hotkey_to_front(wine, app)
    select_by_trigger(wine, app, "minus", 4)
    wine.key("shift+Return")
    notepad_text_is(wine, edit, expected)
    wait_hidden(wine, app.main.hwnd, "main window in the tray")
    # No pair rule for codes: the caret stays at the end.
    type_x_into_notepad(wine, pad)
    notepad_text_is(wine, edit, expected + "x")
    quit_program(wine, app, tray=True)


# --------------------------------------------------------------------------- clipboard

def test_copy_commands_put_characters_or_code_on_the_clipboard_and_the_info_text_returns(wine, glyphwell_exe):
    """What the keys copy, and the status text until the info text is back
    after the system's message duration (5 s here); that a second copy
    restarts it is shown in-process (tests/win32/insertion_test.cpp)."""
    app = start_glyphwell(wine, glyphwell_exe, "Copy")
    wine.activate(app.main.hwnd)
    select_by_trigger(wine, app, "minus", 4)
    # Chosen by keyboard: the status bar names the character.
    status_is(wine, app, " EN DASH")
    wine.set_clipboard_text("before")

    wine.key("ctrl+c")
    wait_until(lambda: wine.clipboard_text() == "\u2013", message="the en dash on the clipboard")
    status_is(wine, app, " Character copied to the clipboard.")
    assert is_visible(wine, app.main.hwnd)  # copying sends nothing anywhere

    wine.key("ctrl+shift+c")
    wait_until(lambda: wine.clipboard_text() == "\\u2013", message="the code on the clipboard")
    status_is(wine, app, " Code copied to the clipboard.")
    status_is(wine, app, INFO_TEXT)  # after the message duration
    assert wine.clipboard_text() == "\\u2013"
    quit_program(wine, app, tray=True)


# --------------------------------------------------------------------------- tray

def test_escape_puts_the_window_into_the_tray_and_the_hotkey_brings_it_back(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Escape")
    pad, _ = start_notepad(wine)
    for _ in range(2):
        wine.activate(app.main.hwnd)
        wine.key("Escape")
        wait_hidden(wine, app.main.hwnd, "main window in the tray after Esc")
        assert any(t.text == TRAY_TIP for t in wine.tray_icons())
        assert app.proc.running
        wine.activate(pad.hwnd)
        hotkey_to_front(wine, app)
        assert is_visible(wine, app.main.hwnd)
    quit_program(wine, app, tray=True)


def test_tray_icon_left_clicks_show_and_hide_the_window(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Tray")
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_hidden(wine, app.main.hwnd, "main window in the tray after Esc")

    icon = wine.click_tray_icon(TRAY_TIP)
    wait_until(lambda: is_visible(wine, app.main.hwnd), message="main window back after a tray click")
    in_front_on_the_list(wine, app, "main window in front with the focus on its list after a tray click")

    # A few pixels aside, so that a quick second click is no double click.
    x, y = icon.center
    assert icon.screen_rect[2] - x > 4
    wine.click(x + 4, y)
    wait_hidden(wine, app.main.hwnd, "main window in the tray after a second tray click")

    hotkey_to_front(wine, app)
    quit_program(wine, app, tray=True)


WM_NCHITTEST, HTMINBUTTON = 0x0084, 8


def minimise_button(wine, hwnd: int) -> tuple[int, int]:
    """The middle of a window's minimise button, found as Windows finds it
    (WM_NCHITTEST) along the caption, from the right."""
    l, t, r, _ = wine.window(hwnd).rect
    for y in range(t + 4, t + 40, 4):
        xs = [x for x in range(r - 2, r - 120, -2)
              if wine.send_message(hwnd, WM_NCHITTEST, 0, ((y & 0xFFFF) << 16) | (x & 0xFFFF)) == HTMINBUTTON]
        if xs:
            return (min(xs) + max(xs)) // 2, y
    raise AssertionError("no minimise button on the caption")


def test_minimise_button_puts_the_window_into_the_tray(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Minimise")
    wine.activate(app.main.hwnd)
    wine.click(*minimise_button(wine, app.main.hwnd))
    wait_hidden(wine, app.main.hwnd, "main window in the tray after the minimise button")
    assert any(t.text == TRAY_TIP for t in wine.tray_icons())
    hotkey_to_front(wine, app)
    assert not wine.window(app.main.hwnd).iconic
    quit_program(wine, app, tray=True)


def choose_tray_menu_item(wine, item: str) -> None:
    """A right click on the tray icon opens TrayMenu, a left click chooses the
    item.  Keys would not reach the menu while the main window is in the tray
    (the X keyboard focus is on no window of the program), and another
    process cannot read a menu's item rectangles under Wine, so the item is
    found by the menu's layout: a border, the items Show and Hide, a
    separator half an item high, Quit."""
    wine.click_tray_icon(TRAY_TIP, button=3)
    menu = wait_until(lambda: next(iter(wine.open_menus()), None), message="TrayMenu to open")
    l, t, r, b = menu.rect
    border = 3
    height = (b - t - 2 * border) / 3.5
    middle = {"Show": 0.5, "Hide": 1.5, "Quit": 3.0}[item]
    wine.click((l + r) // 2, round(t + border + middle * height))
    wait_until(lambda: not wine.open_menus(), message="TrayMenu to close")


def test_tray_menu_hides_shows_and_quits(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "TrayMenu")
    wine.activate(app.main.hwnd)
    choose_tray_menu_item(wine, "Hide")
    wait_hidden(wine, app.main.hwnd, "main window in the tray after Hide")

    choose_tray_menu_item(wine, "Show")
    in_front_on_the_list(wine, app, "main window in front with the focus on its list after Show")

    choose_tray_menu_item(wine, "Quit")
    assert app.proc.wait(timeout=20) == 0
    tray_icon_gone(wine)


def test_tray_icon_double_click_leaves_the_window_shown(wine, glyphwell_exe):
    """The shell reports a double click as up, double-click, up: the first up
    shows the window, and the second must not put it back into the tray."""
    app = start_glyphwell(wine, glyphwell_exe, "TrayDouble")
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_hidden(wine, app.main.hwnd, "main window in the tray after Esc")
    for before in ("in the tray", "shown"):
        wine.click_tray_icon(TRAY_TIP, double=True)
        # The tray menu opens only once the clicks before it have been handled.
        wine.click_tray_icon(TRAY_TIP, button=3)
        wait_until(lambda: wine.open_menus(), message="the tray menu")
        assert is_visible(wine, app.main.hwnd), f"a double click with the window {before} hid it"
        wine.key("Escape")
        wait_until(lambda: not wine.open_menus(), message="the tray menu closed")
    quit_program(wine, app, tray=True)


# --------------------------------------------------------------------------- quitting

def test_quit_asks_and_no_keeps_everything_yes_ends_and_frees_the_hotkey(wine, glyphwell_exe, demo_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Quit", ConfirmEnd="True")

    wine.close_window(app.main.hwnd)
    box = wine.answer_message_box("No", pid=app.proc.pid)
    assert box.message == "Do you really want to quit the program?"
    assert box.button_labels == ["Yes", "No"]
    assert app.proc.running
    assert is_visible(wine, app.main.hwnd)
    assert any(t.text == TRAY_TIP for t in wine.tray_icons())
    # The hotkey still works after declining.
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_hidden(wine, app.main.hwnd, "main window in the tray")
    hotkey_to_front(wine, app)

    wine.close_window(app.main.hwnd)
    box = wine.answer_message_box("Yes", pid=app.proc.pid)
    assert box.message == "Do you really want to quit the program?"
    assert app.proc.wait(timeout=20) == 0
    tray_icon_gone(wine)

    # F10 is free for other programs: the stand-in registers it and receives it.
    demo = wine.start(wine.install_program(r"C:\Portable\MainWindowQuitDemo", demo_exe), args="window")
    demo_window = demo.wait_window(title="Glyphwell stand-in")
    demo_status = wine.child(demo_window.hwnd, cls="msctls_statusbar32").hwnd
    wine.key("F10")
    wait_until(lambda: wine.status_bar(demo_status)[0] == "hotkey", message="F10 reaching the stand-in")


# --------------------------------------------------------------------------- stay on top

def test_stay_on_top_is_saved_at_once_and_keeps_the_window_visible_while_typing(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "OnTop", OnTop="False")
    assert not wine.window(app.main.hwnd).topmost
    box = wine.child(app.main.hwnd, id=ON_TOP_ID)
    assert box.checked == 0 and box.text == "&Stay on top"
    wine.activate(app.main.hwnd)
    wine.click_window(box.hwnd)
    wait_until(lambda: b"\r\nOnTop = True\r\n" in app.ini.read_bytes(), message="OnTop = True in the ini")
    assert wine.child(app.main.hwnd, id=ON_TOP_ID).checked == 1
    wait_until(lambda: wine.window(app.main.hwnd).topmost, message="main window topmost")
    # Only that line changed.
    assert app.ini.read_bytes() == settings_file(OnTop="True")

    pad, edit = start_notepad(wine)
    wine.activate(pad.hwnd)
    hotkey_to_front(wine, app)
    select_by_trigger(wine, app, "minus", 4)
    wine.key("Return")
    notepad_text_is(wine, edit, "\u2013")
    wait_until(lambda: is_foreground(wine, pad.hwnd), message="notepad in front again")
    assert is_visible(wine, app.main.hwnd)
    assert wine.window(app.main.hwnd).topmost
    quit_program(wine, app, tray=True)


# --------------------------------------------------------------------------- rereading

OTHER_TABLE = [
    ("x", r"\u00D7", "multiplication sign"),
    ("d", r"\u00F7", "division sign"),
    ("o", r"\u00B0", "degree sign"),
]


@pytest.mark.parametrize("where", [
    "behind_notepad",
    "in_tray",
])
def test_changed_character_file_is_reread_on_the_next_activation(wine, glyphwell_exe, where):
    app = start_glyphwell(wine, glyphwell_exe, f"Reread{where}")
    pad, _ = start_notepad(wine)
    wine.activate(app.main.hwnd)
    select_by_trigger(wine, app, "minus", 4)
    if where == "in_tray":
        wine.key("Escape")
        wait_hidden(wine, app.main.hwnd, "main window in the tray")
    wine.activate(pad.hwnd)

    app.chars.write_bytes(character_file(OTHER_TABLE))
    # A last-write time other than the one the program knows, however soon
    # after the start this runs.
    later = app.chars.stat().st_mtime + 10
    os.utime(app.chars, (later, later))
    hotkey_to_front(wine, app)
    table = wait_until(lambda: (lv := wine.list_view(app.list)).count == 3 and lv, message="the new table")
    assert [r[:2] for r in table.rows] == [["x", "\u00d7"], ["d", "\u00f7"], ["o", "\u00b0"]]
    assert table.selected_rows == [0]
    status_is(wine, app, " The character file was reread.")
    # The reread text stays until the selection changes; moved by keyboard,
    # the status bar names the row's character.
    wine.key("Down")
    wait_until(lambda: wine.list_view(app.list).selected_rows == [1], message="row 1 selected")
    status_is(wine, app, " DIVISION SIGN")
    # The new triggers work; the program read the file and did not write it back.
    select_by_trigger(wine, app, "o", 2)
    assert app.chars.read_bytes() == character_file(OTHER_TABLE)
    quit_program(wine, app, tray=True)


# --------------------------------------------------------------------------- hotkey taken

def test_hotkey_held_by_another_program_warns_and_the_program_runs_on(wine, glyphwell_exe, demo_exe):
    demo = wine.start(wine.install_program(r"C:\Portable\MainWindowHotkeyDemo", demo_exe), args="window")
    demo_window = demo.wait_window(title="Glyphwell stand-in")
    demo_status = wine.child(demo_window.hwnd, cls="msctls_statusbar32").hwnd

    exe = install(wine, glyphwell_exe, r"C:\Portable\MainWindowTaken", chars=character_file(TABLE))
    proc = wine.start(exe)
    box = wine.answer_message_box("OK", pid=proc.pid, timeout=20)
    assert box.message == "Can't register hotkey: F10"
    assert box.button_labels == ["OK"]

    app = attach(wine, proc, focus_list=False)
    assert app.proc.running
    tray_icon_gone(wine)  # no icon names a hotkey the program does not hold
    # F10 still belongs to the other program.
    wine.key("F10")
    wait_until(lambda: wine.status_bar(demo_status)[0] == "hotkey", message="F10 reaching the stand-in")
    assert app.proc.running
    quit_program(wine, app)
