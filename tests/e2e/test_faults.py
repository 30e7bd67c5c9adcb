"""Files that fail under the running program, and at its start: the character
file and the settings file that cannot be replaced, held open by another
program at the start, deleted, replaced by garbage, by a 50 MB file or by one
that begins with a byte-order mark, and the data folder itself unwritable.  In every case
the program says what its messages say, goes on where it goes on, and each
file on disk is afterwards either the old one or the new one, whole, with no
temporary file left beside it.

How a file is made unwritable here: the tests run as root, who ignores Unix
permission bits.  What really stops every writer, the program's temporary file and its rename
included, is the immutable flag of the Linux file system (`chattr +i`), set
on a file or on the data folder; the tests always clear it again.
"""

from __future__ import annotations

import os
import subprocess
import time
from pathlib import Path

import pytest

import glyphwell
from glyphwell import ON_TOP_ID, App, character_file, install, is_foreground, settings_file, wait_hidden
from harness import PROGRAM_TITLE, wait_until

TABLE = [
    ("q", r"\u201E\u201C", "quotation marks (de)"),
    ("-", r"\u2013", "en dash"),
    ("%", r"\u2030", "per thousand"),
]
MOVED = [TABLE[1], TABLE[0], TABLE[2]]  # row 0 moved down

BOM = b"\xef\xbb\xbf"
FIFTY_MB = 50 * 1024 * 1024


def garbage(size: int = 4096) -> bytes:
    """Bytes that no reader makes sense of: every byte value, repeated."""
    return (bytes(range(256)) * (size // 256 + 1))[:size]


# --------------------------------------------------------------------------- fixtures and helpers

_immutable: list[Path] = []


def make_immutable(path: Path) -> None:
    """Nobody, root included, may change, replace or delete `path` (or, for a
    folder, create, rename or delete anything in it) until it is cleared."""
    _immutable.append(path)
    subprocess.run(["chattr", "+i", str(path)], check=True)


def clear_immutable(path: Path) -> None:
    subprocess.run(["chattr", "-i", str(path)], check=True)
    _immutable.remove(path)


@pytest.fixture(autouse=True)
def _clear_immutable_flags(wine):
    """Clears every immutable flag a test set, also after a failure, before
    the wine fixture ends what the test left running."""
    yield
    for path in list(_immutable):
        subprocess.run(["chattr", "-i", str(path)], check=False)
        _immutable.remove(path)


def prepare(wine, exe_path, name: str, chars: bytes | None = None, ini: bytes | None = None) -> tuple[str, Path]:
    """A fresh portable folder C:\\Faults\\<name> with the program, the English
    language file and the given data files; returns (exe, folder)."""
    exe = install(wine, exe_path, rf"C:\Faults\{name}", chars=chars, ini=ini)
    return exe, wine.unix_path(rf"C:\Faults\{name}")


def start(wine, exe_path, name: str, chars: bytes | None = None, ini: bytes | None = None) -> App:
    """Starts the program on the given files and waits until it is ready for
    the user: main window up, hotkey registered, the list focused."""
    return glyphwell.start(wine, exe_path, rf"C:\Faults\{name}",
                           chars=character_file(TABLE) if chars is None else chars,
                           ini=settings_file() if ini is None else ini, wait_tray=True)


def folder_names(app: App) -> list[str]:
    """What lies in the data folder: no temporary file may be left."""
    return sorted(p.name for p in app.folder.iterdir())


def rows_shown(wine, app: App) -> list[tuple[str, str, str]]:
    return [(r[0], r[2], r[3]) for r in wine.list_view(app.list).rows]


def expect_box(wine, app: App, message: str) -> None:
    """The program shows exactly `message`; OK closes it and the program runs on."""
    box = wine.answer_message_box("OK", pid=app.proc.pid, timeout=20)
    assert box.message == message
    assert box.button_labels == ["OK"]
    assert app.proc.running


def no_box(wine, app: App) -> None:
    assert not wine.message_boxes(pid=app.proc.pid)


def move_row_0_down(wine, app: App) -> None:
    """Ctrl+Down on row 0, as the user moves it; the program writes the file."""
    wine.activate(app.main.hwnd)
    wine.select_row(app.list, 0)
    wait_until(lambda: wine.list_view(app.list).selected_rows == [0], message="row 0 selected")
    wine.key("ctrl+Down")


def toggle_stay_on_top(wine, app: App) -> None:
    """A click on "Stay on top" (BM_CLICK; xdotool would wait 15 s to move the
    mouse to where it already is); the program writes the settings file."""
    wine.click_button(wine.child(app.main.hwnd, id=ON_TOP_ID).hwnd)


def checked_on_top(wine, app: App) -> bool:
    return wine.child(app.main.hwnd, id=ON_TOP_ID).checked == 1


def bring_back(wine, app: App) -> None:
    """Into the tray and back with the hotkey: the activation that makes the
    program look at the character file again."""
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_hidden(wine, app.main.hwnd, "the main window in the tray")
    wine.key("F10")


_next_stamp = [time.time() - 100000]


def replace(path: Path, data: bytes | None) -> None:
    """Another program replaces (or, with None, deletes) the file. Each
    replacement gets a last-write time of its own, so that the program sees a
    change however quickly the tests follow each other."""
    if data is None:
        path.unlink()
        return
    path.write_bytes(data)
    _next_stamp[0] += 10
    os.utime(path, (_next_stamp[0], _next_stamp[0]))


def tool(wine, name: str) -> str:
    """Windows path of a helper program of the tests, copied into the prefix."""
    path = wine.tools[name]
    target = wine.unix_path(r"C:\FaultTools") / path.name
    if not target.exists() or target.stat().st_mtime < path.stat().st_mtime:
        wine.install_program(r"C:\FaultTools", path)
    return wine.windows_path(target)


class Lock:
    """Another program holds the file open without sharing (gwlock.exe)
    until released; `share` ("r", "w", "d" for reading, writing, deleting)
    lets others do some of it."""

    def __init__(self, wine, path: Path, share: str = ""):
        self.wine = wine
        self.proc = wine.start(tool(wine, "gwlock"), args=f'"{wine.windows_path(path)}" {share}'.rstrip())

        def locked():
            if self.proc.poll() is not None:
                raise AssertionError(f"gwlock could not open {path} (exit code {self.proc.poll()})")
            return next(iter(self.proc.windows(title="gwlock: locked")), None)
        self.window = wait_until(locked, message=f"gwlock holding {path.name}")

    def release(self) -> None:
        if self.proc.running:
            self.wine.close_window(self.window.hwnd)
            assert self.proc.wait(timeout=10) == 0

    def __enter__(self) -> "Lock":
        return self

    def __exit__(self, *exc) -> None:
        self.release()


def end_of(data: bytes) -> str:
    """Line and column of the end of `data`, where a cut-off file breaks."""
    lines = data.decode("utf-8").split("\r\n")
    return f"line {len(lines)}, column {len(lines[-1]) + 1}"


def big_table_file(size: int, broken_end: bool) -> bytes:
    """A character file of about `size` bytes: many ordinary entries; with
    `broken_end` its closing bracket is missing, so that a reader has gone
    through all of it before it fails."""
    row = ("", r"\u00E9", "e" * 200)
    one = len(character_file([row, row])) - len(character_file([row]))
    data = character_file([row] * (size // one))
    return data[:-1] if broken_end else data


# --------------------------------------------------------------------------- the character file

def each_write_obstacle(wine, app: App, path: Path, refused) -> None:
    """Calls refused(what) once under each thing that keeps the program from writing `path`, one at
    a time and each taken away again: the immutable flag (its temporary file is written, the
    rename fails) and an unwritable data folder (no temporary file can be made).  The Windows
    read-only attribute and a file held open by another program are shown in-process
    (tests/win32/platform_test.cpp, editing_test.cpp, settings_window_test.cpp)."""
    make_immutable(path)
    refused("immutable file")
    clear_immutable(path)

    make_immutable(app.folder)
    refused("data folder unwritable")
    clear_immutable(app.folder)


def test_character_file_that_cannot_be_replaced_is_reported_and_stays_whole(wine, glyphwell_exe):
    app = start(wine, glyphwell_exe, "CharsWrite")
    old = app.chars.read_bytes()
    names = folder_names(app)

    def refused(what: str) -> None:
        move_row_0_down(wine, app)
        expect_box(wine, app, "Can't write file:\n" + app.win("Characters.json"))
        # The move is undone; the file is the old one; no temporary file is left.
        assert rows_shown(wine, app) == TABLE, what
        assert app.chars.read_bytes() == old, what
        assert folder_names(app) == names, what

    each_write_obstacle(wine, app, app.chars, refused)

    # With the obstacle gone the same command goes through.
    move_row_0_down(wine, app)
    wait_until(lambda: app.chars.read_bytes() == character_file(MOVED), message="the moved table written")
    assert rows_shown(wine, app) == MOVED
    assert folder_names(app) == names
    no_box(wine, app)


def test_character_file_changed_into_something_unreadable_is_reported_once_and_kept_from_the_next_change(
        wine, glyphwell_exe):
    app = start(wine, glyphwell_exe, "CharsReread")
    names = folder_names(app)
    big = big_table_file(FIFTY_MB, broken_end=True)
    # The user's own table, edited by hand: one comma left out after a code.
    hand_edited = character_file(TABLE + [("x", r"\u00D7", "multiplication sign")]).replace(
        b'"\\\\u00D7",', b'"\\\\u00D7"', 1)
    cases = [
        ("deleted", None, "The file does not exist."),
        ("garbage", garbage(), "The file is not UTF-8 text. Save it as UTF-8."),
        ("byte-order mark", BOM + character_file(MOVED),
         "The file begins with a byte order mark. Save it as UTF-8 without BOM."),
        ("50 MB without its last bracket", big, end_of(big) + ": ',' or ']' expected"),
        ("nested 100,000 deep", b"[" * 100000 + b"]" * 100000, "line 1, column 2: '\"' expected"),
        ("a comma left out", hand_edited, "line 21, column 5: ',' or ']' expected"),
    ]
    for what, data, reason in cases:
        replace(app.chars, data)
        bring_back(wine, app)
        expect_box(wine, app, "Error reading file:\n" + app.win("Characters.json") + "\n" + reason)
        assert rows_shown(wine, app) == TABLE, what
        # The program only read: what the other program left is still there.
        if data is None:
            assert not app.chars.exists(), what
        else:
            assert app.chars.read_bytes() == data, what
    # A failed reread is reported once, not at every activation.
    bring_back(wine, app)
    wait_until(lambda: is_foreground(wine, app.main.hwnd), message="main window back")
    wait_until(lambda: wine.focus_info(app.main.hwnd).focus == app.list, message="the focus on the list")
    no_box(wine, app)
    # The next change moves the user's file aside, byte for byte, writes the
    # table shown with the change, and says where the file went.
    move_row_0_down(wine, app)
    expect_box(wine, app, "The character file could not be read. It has been kept unchanged as:\n" +
               app.win("Characters.unreadable.json") + "\n\nThe table shown has been saved in its place.")
    assert (app.folder / "Characters.unreadable.json").read_bytes() == hand_edited
    assert app.chars.read_bytes() == character_file(MOVED)
    assert folder_names(app) == sorted(names + ["Characters.unreadable.json"])
    # Said once: the change after it is written as any other.
    move_row_0_down(wine, app)
    wait_until(lambda: app.chars.read_bytes() == character_file(TABLE), message="the table moved back")
    no_box(wine, app)


# --------------------------------------------------------------------------- the settings file

def test_settings_file_that_cannot_be_replaced_is_reported_and_the_program_goes_on(wine, glyphwell_exe):
    app = start(wine, glyphwell_exe, "IniWrite")
    old = app.ini.read_bytes()
    names = folder_names(app)
    on = False

    def refused(what: str) -> None:
        nonlocal on
        toggle_stay_on_top(wine, app)
        on = not on
        expect_box(wine, app, "Can't write file:\n" + app.win("Glyphwell.ini"))
        # The box keeps its new state (it reaches the file with the next
        # write); the file is the old one.
        assert checked_on_top(wine, app) == on, what
        assert app.ini.read_bytes() == old, what
        assert folder_names(app) == names, what

    each_write_obstacle(wine, app, app.ini, refused)

    # The settings are read only at start-up: whatever another program puts
    # there meanwhile is replaced, whole, by the next write.
    for what, data in [("deleted", None), ("garbage", garbage()), ("50 MB", garbage(FIFTY_MB)),
                       ("UTF-16", "\ufeff[General]\r\nOnTop = True\r\n".encode("utf-16-le"))]:
        replace(app.ini, data)
        toggle_stay_on_top(wine, app)
        on = not on
        expected = settings_file(OnTop=str(on))
        wait_until(lambda: app.ini.exists() and app.ini.read_bytes() == expected,
                   message=f"the settings written whole over the file {what}")
        no_box(wine, app)
    assert folder_names(app) == names


# --------------------------------------------------------------------------- at start-up

def start_expecting_end(wine, exe: str, message: str) -> None:
    """The program shows `message`, ends with exit code 0 after OK and leaves
    no main window."""
    proc = wine.start(exe)
    box = wine.answer_message_box("OK", pid=proc.pid, timeout=30)
    assert box.message == message
    assert proc.wait(timeout=20) == 0
    assert not proc.windows(title=PROGRAM_TITLE, cls="GlyphwellMain")


def test_character_file_that_cannot_be_read_at_start_up_ends_the_program_and_stays(wine, glyphwell_exe):
    for name in ["Locked", "Big", "Sparse3GB"]:
        data = {"Locked": character_file(TABLE), "Big": big_table_file(FIFTY_MB, broken_end=True)}.get(name, b"")
        exe, folder = prepare(wine, glyphwell_exe, f"CharsStart{name}", chars=data, ini=settings_file())
        chars = folder / "Characters.json"
        if name.startswith("Sparse"):
            # 3 GB of NUL bytes without taking the space: too big to read.
            # (A file just under 2 GB is read whole and fails to parse, in
            # about 20 s under Wine; too slow to test here.)
            os.truncate(chars, 3 << 30)
        before = chars.stat()
        reason = {"Locked": "The file cannot be opened or read.",
                  "Big": end_of(data) + ": ',' or ']' expected",
                  "Sparse3GB": "The file cannot be opened or read."}[name]
        message = ("Error reading file:\n" + rf"C:\Faults\CharsStart{name}\Characters.json" + "\n" +
                   reason + "\n\nThe program will be terminated.")
        if name == "Locked":
            with Lock(wine, chars):
                start_expecting_end(wine, exe, message)
        else:
            start_expecting_end(wine, exe, message)
        after = chars.stat()
        assert (after.st_size, after.st_mtime_ns) == (before.st_size, before.st_mtime_ns), name
        if not name.startswith("Sparse"):
            assert chars.read_bytes() == data, name
        assert (folder / "Glyphwell.ini").read_bytes() == settings_file(), name
        if name.startswith("Sparse"):
            chars.unlink()


def test_fifty_megabyte_character_file_loads_and_is_written_back_whole(wine, glyphwell_exe):
    rows = [("c", r"\u00E7", "c\u0327" * (FIFTY_MB // 3)), *TABLE]  # one comment of 50 MB
    app = start(wine, glyphwell_exe, "CharsFifty", chars=character_file(rows))
    assert [r[0] for r in wine.list_view(app.list).rows] == ["c", "q", "-", "%"]
    expected = character_file([rows[1], rows[0], *rows[2:]])
    move_row_0_down(wine, app)
    wait_until(lambda: app.chars.stat().st_size == len(expected) and app.chars.read_bytes() == expected,
               timeout=30, message="the 50 MB comment written back in the second row")
    no_box(wine, app)


@pytest.mark.parametrize("share", ["", "d"], ids=["no sharing", "shared for replacing only"])
def test_settings_file_held_by_another_program_at_start_up_is_not_replaced(wine, glyphwell_exe, share):
    # It cannot be read, so the program writes its defaults; that write
    # cannot replace a file another program holds open (under Wine not even
    # one shared for deleting), so the program ends and the user's file stays.
    ini = settings_file(Hotkey="F9", Beep="False")
    exe, folder = prepare(wine, glyphwell_exe, "IniLocked", chars=character_file(TABLE), ini=ini)
    with Lock(wine, folder / "Glyphwell.ini", share):
        start_expecting_end(wine, exe, "Can't write file:\n" + r"C:\Faults\IniLocked\Glyphwell.ini" +
                            "\n\nThe program will be terminated.")
    assert (folder / "Glyphwell.ini").read_bytes() == ini
    assert sorted(p.name for p in folder.iterdir()) == ["Characters.json", "Glyphwell.exe", "Glyphwell.ini", "lang"]


@pytest.mark.parametrize("kind", ["garbage", "50MB", "UTF-16"])
def test_settings_file_that_makes_no_sense_gives_the_defaults_and_is_left_alone(wine, glyphwell_exe, kind):
    data = {"garbage": garbage(),
            "50MB": garbage(FIFTY_MB),
            "UTF-16": settings_file(Hotkey="F9").decode("utf-8").encode("utf-16")}[kind]
    # The default hotkey F10 (the tray tip names it) shows that nothing of the
    # file was taken; the program opened it, so it does not write it.
    app = start(wine, glyphwell_exe, f"IniOdd{kind.replace('-', '')}", ini=data)
    no_box(wine, app)
    glyphwell.quit_program(wine, app)
    assert app.ini.read_bytes() == data
    assert app.chars.read_bytes() == character_file(TABLE)


def test_settings_file_with_its_byte_order_mark_is_read(wine, glyphwell_exe):
    ini = settings_file(Hotkey="F9")
    assert ini.startswith(BOM)
    app = glyphwell.start(wine, glyphwell_exe, r"C:\Faults\IniBom", chars=character_file(TABLE), ini=ini,
                          focus_list=False)
    wait_until(lambda: any(t.text == "Glyphwell (F9)" for t in wine.tray_icons()), message="the hotkey F9")
    glyphwell.quit_program(wine, app)
    assert app.ini.read_bytes() == ini


@pytest.mark.parametrize("present", ["nothing", "settings"])
def test_unwritable_data_folder_at_the_first_start_ends_the_program(wine, glyphwell_exe, present):
    ini = settings_file() if present == "settings" else None
    exe, folder = prepare(wine, glyphwell_exe, f"Folder{present}", ini=ini)
    make_immutable(folder)
    # The first missing file that the program must write is named.
    missing = "Characters.json" if ini else "Glyphwell.ini"
    start_expecting_end(wine, exe, "Can't write file:\n" + rf"C:\Faults\Folder{present}\{missing}" +
                        "\n\nThe program will be terminated.")
    clear_immutable(folder)
    expected = ["Glyphwell.exe", "lang"] + (["Glyphwell.ini"] if ini else [])
    assert sorted(p.name for p in folder.iterdir()) == sorted(expected)
    if ini:
        assert (folder / "Glyphwell.ini").read_bytes() == ini


# --------------------------------------------------------------------------- hostile contents

HOSTILE = [
    ("\x01", r"\u0041", "Ctrl+A is its trigger"),
    ("\b", r"\u0042", "Backspace is its trigger"),
    ("m", r"\u00E9", "1 MB comment " + "c" * 0x100000),
    ("f", r"\u0041" * 100000, "100,000 fields"),
    ("h", r"\u110000\uFFFFFFFFFFFF\u0041", "fields above U+10FFFF"),
    ("s", r"\uD800\u0041\uDC00", "lone surrogates \ud800 in the code \udc00 and here"),
    ("\udc00", r"\u0043", "a lone low surrogate as the trigger"),
]


def test_hostile_contents_of_the_character_file_are_shown_used_and_written_back_unchanged(wine, glyphwell_exe):
    app = start(wine, glyphwell_exe, "Hostile", chars=character_file(HOSTILE))
    view = wine.list_view(app.list)
    assert view.count == len(HOSTILE)
    # Fields above U+10FFFF show as replacement characters (the code as stored);
    # lone surrogates stay what they are.
    assert view.rows[4][1:3] == ["\ufffd\ufffdA", HOSTILE[4][1]]
    assert view.rows[5][1:] == ["\ud800A\udc00", HOSTILE[5][1], HOSTILE[5][2]]
    assert view.rows[6][0] == "\udc00"
    assert view.rows[2][3].startswith("1 MB comment ccc") and view.rows[3][1].startswith("AAAA")

    # Control characters typed in the list are triggers.
    wine.key("ctrl+a")
    wait_until(lambda: wine.list_view(app.list).selected_rows == [0], message="row 0 selected by Ctrl+A")
    wine.key("BackSpace")
    wait_until(lambda: wine.list_view(app.list).selected_rows == [1], message="row 1 selected by Backspace")

    # Copied whole: the lone surrogates, the 100,000 fields.
    wine.select_row(app.list, 5)
    wine.key("ctrl+c")
    wait_until(lambda: wine.clipboard_text() == "\ud800A\udc00", message="the lone surrogates on the clipboard")
    wine.select_row(app.list, 3)
    wine.key("ctrl+c")
    wait_until(lambda: wine.clipboard_text() == "A" * 100000, message="100,000 characters on the clipboard")
    wine.key("ctrl+shift+c")
    wait_until(lambda: wine.clipboard_text() == HOSTILE[3][1], message="100,000 fields on the clipboard")

    # Written back by a move, every text is as it was.
    move_row_0_down(wine, app)
    expected = character_file([HOSTILE[1], HOSTILE[0], *HOSTILE[2:]])
    wait_until(lambda: app.chars.read_bytes() == expected, message="the table written back")
    no_box(wine, app)
