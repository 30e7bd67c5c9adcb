"""Editing the table as a user does it: a new row typed into the New window,
a comment and a trigger changed in the Edit window, and a row deleted after
the question (No keeps it, Yes removes it).  Every change must reach
Characters.json and the list."""

from __future__ import annotations

import json
import shutil
from dataclasses import dataclass
from pathlib import Path

import pytest

from harness import PROGRAM_TITLE, Window, wait_until
from main_menu import choose_main_menu_item
from program_files import character_file, settings_file

REPO = Path(__file__).resolve().parents[2]

LIST_ID = 5
DELETE_ID, EDIT_ID = 1, 2
NEW_TITLE = "New item"
NEW_ABOVE, NEW_TRIGGER, NEW_CODE = 32, 37, 35
EDIT_CODE, EDIT_TRIGGER, EDIT_COMMENT, EDIT_OK = 43, 45, 47, 48

# The table of a first start: [trigger, code text, comment] as json.loads gives them.
DEFAULT_TABLE = [
    ["", r"\u201E\u201C", "quotation marks (de)"],
    ["", r"\u00BB\u00AB", "guillemets (de)"],
    ["", r"\u201C\u201D", "quotation marks (en, es)"],
    ["", r"\u00AB\u00BB", "guillemets (fr)"],
    ["-", r"\u2013", "en dash"],
    ["%", r"\u2030", "per thousand"],
]
EN_DASH_ROW, PER_MILLE_ROW = 4, 5


@dataclass
class App:
    proc: object
    main: Window
    list: int
    folder: Path

    @property
    def chars(self) -> Path:
        return self.folder / "Characters.json"

    def table(self) -> list[list[str]]:
        """The rows of Characters.json (the version string left out)."""
        data = json.loads(self.chars.read_bytes().decode("utf-8"))
        assert data[0] == "Glyphwell 1.11"
        return data[1:]


_started: list[App] = []


@pytest.fixture(autouse=True)
def _quit_left_over_programs(wine):
    """Closes what a failed test left running (answering a pending question),
    so that its hotkey and icon are not in the next test's way."""
    _started.clear()
    yield
    for app in _started:
        try:
            if not app.proc.running:
                continue
            for top in wine.find_windows(pid=app.proc.pid, visible=True):
                if top.cls == "#32770":
                    wine.click_button(top.hwnd, text="No")
            wine.close_window(app.main.hwnd)
            wait_until(lambda: not app.proc.running, timeout=10, message="the program to end")
        except Exception as e:  # the wine fixture kills what is left
            print(f"\ncleanup of {app.folder.name}: {e}")
    _started.clear()


def start_glyphwell(wine, exe_path, name: str, rows=DEFAULT_TABLE) -> App:
    win_folder = rf"C:\Portable\Editing{name}"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, exe_path, lang=[REPO / "lang" / "English.lng"])
    (folder / "Glyphwell.ini").write_bytes(settings_file())
    (folder / "Characters.json").write_bytes(character_file(rows))
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    app = App(proc, main, wine.child(main.hwnd, id=LIST_ID).hwnd, folder)
    _started.append(app)
    wine.activate(main.hwnd)
    wait_until(lambda: wine.focus_info(main.hwnd).focus == app.list, message="the focus on the list")
    return app


def quit_glyphwell(wine, app: App) -> None:
    wine.close_window(app.main.hwnd)
    assert app.proc.wait(timeout=15) == 0


def select_by_trigger(wine, app: App, key: str, row: int) -> None:
    wine.key(key)
    wait_until(lambda: wine.list_view(app.list).selected_rows == [row],
               message=lambda: f"row {row} selected by the trigger {key!r} "
                               f"(selected: {wine.list_view(app.list).selected_rows})")


def tab_to_list(wine, app: App) -> None:
    """Tab from wherever the focus is in the main window to the list."""
    for _ in range(10):
        if wine.focus_info(app.main.hwnd).focus == app.list:
            return
        before = wine.focus_info(app.main.hwnd).focus
        wine.key("Tab")
        wait_until(lambda: wine.focus_info(app.main.hwnd).focus != before, message="Tab to move the focus")
    assert wine.focus_info(app.main.hwnd).focus == app.list, "Tab never reached the list"


def focus_is(wine, window: Window, control_id: int) -> None:
    wait_until(lambda: wine.focus_info(window.hwnd).focus_id == control_id,
               message=lambda: f"the focus on control {control_id} "
                               f"(it is on {wine.focus_info(window.hwnd).focus_id})")


def editor_closed(wine, window: Window) -> None:
    wait_until(lambda: (w := wine.window(window.hwnd)) is None or not w.visible,
               message=f"the {window.text!r} window to close")


def table_is(app: App, expected: list[list[str]]) -> None:
    def same():
        try:
            return app.table() == expected
        except (OSError, ValueError):  # between the temporary file and its rename
            return False
    wait_until(same, message=lambda: f"Characters.json to hold {expected} (it holds {app.table()})")


def open_edit_window(wine, app: App) -> Window:
    wine.click_window(wine.child(app.main.hwnd, id=EDIT_ID).hwnd)
    edit = wait_until(lambda: next((w for w in wine.find_windows(pid=app.proc.pid, visible=True)
                                    if w.hwnd != app.main.hwnd and w.cls != "#32770"
                                    and w.parent in (0, None) and _has_control(wine, w, EDIT_OK)), None),
                      message="the Edit window")
    wine.activate(edit.hwnd)
    focus_is(wine, edit, EDIT_TRIGGER)  # the window opens with the focus in the trigger field
    return edit


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

    table_is(app, [["g", r"\u00AB\u00BB", ""]] + DEFAULT_TABLE)
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
    quit_glyphwell(wine, app)


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

    expected = [list(r) for r in DEFAULT_TABLE]
    expected[EN_DASH_ROW] = ["-", r"\u2013", "dash"]
    table_is(app, expected)
    row = wine.list_view(app.list).rows[EN_DASH_ROW]
    assert row[:2] == ["-", "\u2013"] and "dash" in row and "en dash" not in row
    quit_glyphwell(wine, app)


def test_edit_clears_a_trigger_and_the_key_no_longer_selects_the_row(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "Trigger")
    select_by_trigger(wine, app, "percent", PER_MILLE_ROW)
    edit = open_edit_window(wine, app)
    assert wine.text(wine.child(edit.hwnd, id=EDIT_TRIGGER).hwnd) == "%"
    wine.key("BackSpace")  # the trigger is selected on focus
    wait_until(lambda: wine.text(wine.child(edit.hwnd, id=EDIT_TRIGGER).hwnd) == "",
               message="the trigger field emptied")
    wine.key("Return")
    editor_closed(wine, edit)

    expected = [list(r) for r in DEFAULT_TABLE]
    expected[PER_MILLE_ROW] = ["", r"\u2030", "per thousand"]
    table_is(app, expected)
    assert wine.list_view(app.list).rows[PER_MILLE_ROW][0] == ""

    wait_until(lambda: wine.focus_info(app.main.hwnd).focus_id == EDIT_ID, message="the focus on the Edit button")
    wine.activate(app.main.hwnd)
    tab_to_list(wine, app)
    select_by_trigger(wine, app, "minus", EN_DASH_ROW)
    # "%" is no trigger any more and leaves the selection alone; the Up arrow
    # after it shows in which row it was: row 3 from the en dash, row 4 had
    # "%" still selected the per-mille row.
    wine.key("percent", "Up")
    wait_until(lambda: wine.list_view(app.list).selected_rows == [EN_DASH_ROW - 1],
               message=lambda: f"row {EN_DASH_ROW - 1} selected after % and Up "
                               f"(selected: {wine.list_view(app.list).selected_rows})")
    quit_glyphwell(wine, app)


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

    expected = [r for i, r in enumerate(DEFAULT_TABLE) if i != EN_DASH_ROW]
    table_is(app, expected)
    view = wine.list_view(app.list)
    assert [r[0] for r in view.rows] == [r[0] for r in expected]
    assert all(r[1] != "\u2013" for r in view.rows)
    quit_glyphwell(wine, app)


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
    beep = wine.child(settings.hwnd, id=SETTINGS_BEEP_ID).hwnd
    for _ in range(16):
        if wine.focus_info(settings.hwnd).focus == beep:
            break
        wine.key("Tab")
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
    quit_glyphwell(wine, app)
