"""Editing the table as a user does it: a new row typed into the New window,
a comment changed in the Edit window, and a row deleted after the question
(No keeps it, Yes removes it).  Every change must reach Characters.json and
the list.  The checks of the Edit window (a trigger taken or cleared) are
shown in-process (tests/win32/editing_test.cpp)."""

from __future__ import annotations

from glyphwell import (DEFAULT_TABLE, DELETE_ID, EDIT_ID, LIST_ID, choose_main_menu_item, quit_program,
                       select_by_trigger, start, tab_to, wait_focus, wait_hidden)
from harness import Window, wait_until

NEW_TITLE = "New item"
NEW_ABOVE, NEW_TRIGGER, NEW_CODE = 32, 37, 35
EDIT_CODE, EDIT_TRIGGER, EDIT_COMMENT, EDIT_OK = 43, 45, 47, 48
TABLE = [list(r) for r in DEFAULT_TABLE]  # as json.loads gives the rows back
EN_DASH_ROW = 4


def start_glyphwell(wine, exe_path, name: str):
    return start(wine, exe_path, rf"C:\Portable\Editing{name}")


def tab_to_list(wine, app) -> None:
    """Tab from wherever the focus is in the main window to the list."""
    tab_to(wine, app.main.hwnd, LIST_ID)


def editor_closed(wine, window: Window) -> None:
    wait_hidden(wine, window.hwnd, f"the {window.text!r} window to close")


def table_is(app, expected: list[list[str]]) -> None:
    def same():
        try:
            return app.table() == expected
        except (OSError, ValueError):  # between the temporary file and its rename
            return False
    wait_until(same, message=lambda: f"Characters.json to hold {expected} (it holds {app.table()})")


def open_edit_window(wine, app) -> Window:
    wine.click_window(wine.child(app.main.hwnd, id=EDIT_ID).hwnd)
    edit = wait_until(lambda: next((w for w in wine.find_windows(pid=app.proc.pid, visible=True)
                                    if w.hwnd != app.main.hwnd and w.cls != "#32770"
                                    and w.parent in (0, None) and _has_control(wine, w, EDIT_OK)), None),
                      message="the Edit window")
    wine.activate(edit.hwnd)
    focus_is(wine, edit, EDIT_TRIGGER)  # the window opens with the focus in the trigger field
    return edit


def focus_is(wine, window: Window, control_id: int) -> None:
    wait_focus(wine, window.hwnd, control_id)


def _has_control(wine, window: Window, control_id: int) -> bool:
    return any(c.id == control_id for c in wine.children(window.hwnd))


# --------------------------------------------------------------------------- new

def test_new_row_goes_above_the_current_row_and_its_trigger_selects_it(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "New")
    wine.select_row(app.list, 0)
    wine.key("ctrl+n")
    new = wait_until(lambda: next(iter(wine.find_windows(title=NEW_TITLE, pid=app.proc.pid, visible=True)), None),
                     message="the New item window")
    wine.activate(new.hwnd)
    focus_is(wine, new, NEW_TRIGGER)  # the window opens with the focus in the trigger field
    assert wine.child(new.hwnd, id=NEW_ABOVE).checked == 1  # "above" on first use
    wine.type_text("g")
    wine.key("Tab")
    focus_is(wine, new, NEW_CODE)
    wine.type_text("\u00ab\u00bb")
    wait_until(lambda: wine.text(wine.child(new.hwnd, id=NEW_CODE).hwnd) == "\u00ab\u00bb",
               message="the guillemets in the Code field")
    assert wine.text(wine.child(new.hwnd, id=NEW_TRIGGER).hwnd) == "g"
    wine.key("Return")
    editor_closed(wine, new)

    table_is(app, [["g", r"\u00AB\u00BB", ""]] + TABLE)
    view = wine.list_view(app.list)
    assert view.count == len(DEFAULT_TABLE) + 1
    assert view.rows[0][:2] == ["g", "\u00ab\u00bb"]
    assert [r[0] for r in view.rows[1:]] == [r[0] for r in DEFAULT_TABLE]

    # The focus went back to the New button that Ctrl+N focused.
    wait_until(lambda: wine.focus_info(app.main.hwnd).focus_id == 3, message="the focus on the New button")
    wine.activate(app.main.hwnd)
    tab_to_list(wine, app)
    # Away from the new row first, then its trigger brings it back.
    select_by_trigger(wine, app, "minus", EN_DASH_ROW + 1)
    select_by_trigger(wine, app, "g", 0)
    quit_program(wine, app)


# --------------------------------------------------------------------------- edit

def test_edit_changes_only_the_comment(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Comment")
    select_by_trigger(wine, app, "minus", EN_DASH_ROW)
    edit = open_edit_window(wine, app)
    assert wine.text(wine.child(edit.hwnd, id=EDIT_TRIGGER).hwnd) == "-"
    assert wine.text(wine.child(edit.hwnd, id=EDIT_COMMENT).hwnd) == "en dash"
    wine.key("Tab")
    focus_is(wine, edit, EDIT_CODE)
    wine.key("Tab")
    focus_is(wine, edit, EDIT_COMMENT)
    wine.type_text("dash")  # replaces the selected old comment
    wait_until(lambda: wine.text(wine.child(edit.hwnd, id=EDIT_COMMENT).hwnd) == "dash",
               message="the new comment typed")
    wine.key("Return")
    editor_closed(wine, edit)

    expected = [list(r) for r in TABLE]
    expected[EN_DASH_ROW] = ["-", r"\u2013", "dash"]
    table_is(app, expected)
    row = wine.list_view(app.list).rows[EN_DASH_ROW]
    assert row[:2] == ["-", "\u2013"] and "dash" in row and "en dash" not in row
    quit_program(wine, app)


# --------------------------------------------------------------------------- delete

def test_delete_asks_with_the_row_and_no_keeps_it_yes_removes_it(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Delete")
    before = app.chars.read_bytes()
    select_by_trigger(wine, app, "minus", EN_DASH_ROW)
    shown = wine.list_view(app.list).rows[EN_DASH_ROW]
    assert len(shown) == 4
    question = "Do you really want to delete the selected item?\n\n" + "\t".join(shown)
    delete = wine.child(app.main.hwnd, id=DELETE_ID).hwnd

    wine.click_window(delete)
    box = wine.answer_message_box("No", pid=app.proc.pid)
    assert box.message == question
    assert box.button_labels == ["Yes", "No"]
    assert app.chars.read_bytes() == before
    assert wine.list_view(app.list).count == len(DEFAULT_TABLE)

    wine.activate(app.main.hwnd)
    wine.click_window(delete)
    box = wine.answer_message_box("Yes", pid=app.proc.pid)
    assert box.message == question

    expected = [r for i, r in enumerate(TABLE) if i != EN_DASH_ROW]
    table_is(app, expected)
    view = wine.list_view(app.list)
    assert [r[0] for r in view.rows] == [r[0] for r in expected]
    assert all(r[1] != "\u2013" for r in view.rows)
    quit_program(wine, app)


# --------------------------------------------------------------------------- Esc

SETTINGS_LANGUAGE_ID, SETTINGS_BEEP_ID = 15, 24
CB_GETDROPPEDSTATE = 0x0157


def test_escape_leaves_every_secondary_window_without_a_change(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Escape")
    ini = app.folder / "Glyphwell.ini"
    files = (app.chars.read_bytes(), ini.read_bytes())

    # New: a trigger typed, then Esc.
    wine.key("ctrl+n")
    new = wait_until(lambda: next(iter(wine.find_windows(title=NEW_TITLE, pid=app.proc.pid, visible=True)), None),
                     message="the New item window")
    wine.activate(new.hwnd)
    focus_is(wine, new, NEW_TRIGGER)
    wine.type_text("z")
    wait_until(lambda: wine.text(wine.child(new.hwnd, id=NEW_TRIGGER).hwnd) == "z", message="the trigger typed")
    wine.key("Escape")
    editor_closed(wine, new)

    # Edit: the trigger replaced, then Esc.
    wine.activate(app.main.hwnd)
    edit = open_edit_window(wine, app)
    wine.type_text("y")
    wait_until(lambda: wine.text(wine.child(edit.hwnd, id=EDIT_TRIGGER).hwnd) == "y", message="the trigger typed")
    wine.key("Escape")
    editor_closed(wine, edit)

    # Settings: Esc in the dropped-down language list closes the list only;
    # with Beep switched off, the next Esc closes the window.
    choose_main_menu_item(wine, app.main.hwnd, "Settings")
    settings = app.proc.wait_window(title="Settings")
    wine.activate(settings.hwnd)
    # The window opens with the focus in the language list's combo box.
    combo = wait_until(lambda: (f := wine.focus_info(settings.hwnd)).focus_class == "ComboBox"
                       and f.focus_id == SETTINGS_LANGUAGE_ID and f.focus, message="the focus on the language list")
    wine.key("alt+Down")
    wait_until(lambda: wine.send_message(combo, CB_GETDROPPEDSTATE), message="the language list dropped down")
    wine.key("Escape")
    wait_until(lambda: not wine.send_message(combo, CB_GETDROPPEDSTATE), message="the language list closed")
    assert wine.window(settings.hwnd).visible
    tab_to(wine, settings.hwnd, SETTINGS_BEEP_ID)
    wine.key("space")
    wait_until(lambda: wine.child(settings.hwnd, id=SETTINGS_BEEP_ID).checked == 0, message="Beep unchecked")
    wine.key("Escape")
    editor_closed(wine, settings)

    # About: Esc closes it as Enter does.
    choose_main_menu_item(wine, app.main.hwnd, "About")
    about = app.proc.wait_window(title="About ...")
    wine.activate(about.hwnd)
    wine.key("Escape")
    editor_closed(wine, about)

    wait_until(lambda: wine.window(app.main.hwnd).enabled, message="the main window enabled again")
    assert (app.chars.read_bytes(), ini.read_bytes()) == files
    assert [r[0] for r in wine.list_view(app.list).rows] == [r[0] for r in DEFAULT_TABLE]
    quit_program(wine, app)
