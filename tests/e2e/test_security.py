"""What the program must never do to the machine it runs on: load a library
of a system name that someone put beside it, or write a file anywhere but in
its data folder."""

from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

import pytest

import glyphwell
from glyphwell import ON_TOP_ID, character_file, hotkey_to_front, quit_program, select_by_trigger, start_notepad
from harness import PROGRAM_TITLE, wait_until

MINGW_OBJCOPY = "x86_64-w64-mingw32-objcopy"

# --------------------------------------------------------------------------- system libraries

# Copies of the fake library under the names of system libraries: two that
# programs commonly import (winmm, which the program loads when it first
# types or beeps; msimg32, which it does not use) and one that programs
# commonly load at run time (version).
FAKE_NAMES = ["winmm.dll", "msimg32.dll", "version.dll"]
# Wine prefers its own built-in libraries to a file beside the program, so
# that no fake would ever be loaded whatever the program does. Windows looks
# in the program's folder first; with the libraries set to "native, then
# built-in" for the programs under test Wine does the same, and only the
# program's own protection (its manifest's bindings to the system folder)
# can keep the fakes out. (WINEDLLOVERRIDES in a started program's
# environment is not taken by Wine's loader; the registry's per-program
# settings are.)
PROGRAMS = ["gwdllcheck.exe", "gwdllcheck-bound.exe", "Glyphwell.exe"]


def set_windows_search_order(wine, on: bool) -> None:
    key = r"HKEY_CURRENT_USER\Software\Wine\AppDefaults"
    lines = []
    for program in PROGRAMS:
        if on:
            lines += [f"[{key}\\{program}\\DllOverrides]"]
            lines += [f'"{name[:-4]}"="native,builtin"' for name in FAKE_NAMES] + [""]
        else:
            lines += [f"[-{key}\\{program}]", ""]
    wine.reg_import(lines)


@pytest.fixture
def windows_search_order(wine):
    set_windows_search_order(wine, True)
    yield
    set_windows_search_order(wine, False)


def plant_fakes(wine, folder: Path) -> None:
    for name in FAKE_NAMES:
        shutil.copy2(wine.tools["gwfakedll"], folder / name)


def loaded_fakes(folder: Path) -> list[str]:
    """The fakes that some process loaded: each leaves <module name>.loaded."""
    return sorted(p.name[:-len(".loaded")].lower() for p in folder.iterdir() if p.name.endswith(".loaded"))


def run_check(wine, name: str, tool: str, args: str | None = None) -> list[str]:
    """Runs a control program beside a fresh set of fakes; returns the fakes it loaded."""
    win_folder = rf"C:\DllCheck\{name}"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, wine.tools[tool])
    plant_fakes(wine, folder)
    assert wine.start(exe, args=args).wait(timeout=30) == 0
    return loaded_fakes(folder)


def test_system_libraries_beside_the_program_are_never_loaded(wine, glyphwell_exe, windows_search_order):
    # The control program without a manifest loads every fake: the test can
    # tell a loaded fake from one that was kept out.
    assert run_check(wine, "Plain", "gwdllcheck") == sorted(FAKE_NAMES)
    # SetDefaultDllDirectories, called first, keeps the library loaded by
    # name at run time out, but not the imports, which come before it.
    assert run_check(wine, "System32Only", "gwdllcheck", args="--system32-only") == \
        ["msimg32.dll", "winmm.dll"]
    # The same program with Glyphwell's manifest loads none of them.
    assert run_check(wine, "Bound", "gwdllcheck-bound") == []

    # Glyphwell itself, started and used beside the fakes, loads none.
    win_folder = r"C:\DllCheck\Glyphwell"
    exe = glyphwell.install(wine, glyphwell_exe, win_folder, chars=character_file([("-", r"\u2013", "en dash")]))
    folder = wine.unix_path(win_folder)
    plant_fakes(wine, folder)
    app = glyphwell.attach(wine, wine.start(exe), win_folder, exe, wait_tray=True)
    wine.key("x")  # no trigger: the beep, through winmm
    quit_program(wine, app)
    assert loaded_fakes(folder) == []

    # The same program with its resources (and so its manifest) removed loads
    # version.dll beside it at once, through one of Wine's own libraries: it
    # is the manifest that keeps it out. The program imports none of the
    # three itself, and winmm is loaded only at its first use, after
    # SetDefaultDllDirectories.
    win_folder = r"C:\DllCheck\GlyphwellWithoutManifest"
    bare = wine.unix_path(win_folder)
    shutil.rmtree(bare, ignore_errors=True)
    bare.mkdir(parents=True)
    subprocess.run([MINGW_OBJCOPY, "--remove-section=.rsrc", str(glyphwell_exe), str(bare / "Glyphwell.exe")],
                   check=True)
    plant_fakes(wine, bare)
    proc = wine.start(wine.windows_path(bare / "Glyphwell.exe"))
    wait_until(lambda: "version.dll" in loaded_fakes(bare), timeout=20,
               message=lambda: f"the fake version.dll loaded (loaded: {loaded_fakes(bare)})")
    # Past its imports once a window of its own shows (without its resources
    # that may be a message box rather than the main window).
    wine.wait_window(title=PROGRAM_TITLE, pid=proc.pid, timeout=20)
    assert loaded_fakes(bare) == ["version.dll"]
    proc.kill()


# --------------------------------------------------------------------------- files outside the data folder

def snapshot(root: Path, leave_out: list[Path]) -> dict[str, tuple]:
    """Every file below `root` (except the `leave_out` trees) with its size,
    last-write time and mode; every folder with its mode; a link by its
    target."""
    result = {}
    skip = {p.resolve() for p in leave_out}
    for folder, dirs, files in os.walk(root):
        here = Path(folder)
        dirs[:] = [d for d in dirs if (here / d).resolve() not in skip]
        for name in dirs + files:
            p = here / name
            st = p.lstat()
            rel = str(p.relative_to(root))
            if p.is_symlink():
                result[rel] = os.readlink(p)
            elif p.is_dir():  # its entries speak for it
                result[rel] = ("folder", st.st_mode)
            else:
                result[rel] = (st.st_size, st.st_mtime_ns, st.st_mode)
    return result


def differences(before: dict, after: dict) -> list[str]:
    return sorted([f"new {k}" for k in after.keys() - before.keys()] +
                  [f"gone {k}" for k in before.keys() - after.keys()] +
                  [f"changed {k}" for k in before.keys() & after.keys() if before[k] != after[k]])


def test_a_working_session_writes_nothing_outside_the_data_folder(wine, glyphwell_exe):
    # Installed use: the program lies in Program Files, its data in AppData.
    exe = wine.install_program(r"C:\Program Files\Glyphwell", glyphwell_exe, lang=glyphwell.ENGLISH)
    data = wine.appdata / "Glyphwell"
    shutil.rmtree(data, ignore_errors=True)
    pad, edit = start_notepad(wine)

    before = snapshot(wine.drive_c, [data])
    # First start: the data folder and both files are made.
    app = glyphwell.attach(wine, wine.start(exe), exe=exe, focus_list=False, wait_tray=True)
    wait_until(lambda: (data / "Characters.json").exists(), message="the first start's character file")
    data_before = snapshot(data, [])

    # Insert: from notepad, the hotkey, a trigger, Enter.
    wine.activate(pad.hwnd)
    hotkey_to_front(wine, app)
    select_by_trigger(wine, app, "minus", 4)
    wine.key("Return")
    wait_until(lambda: wine.text(edit) == "\u2013", message="the en dash in notepad")

    # Edit: a new entry through the New window.
    hotkey_to_front(wine, app)
    wine.key("ctrl+n")
    new = wait_until(lambda: next(iter(wine.find_windows(title="New item", pid=app.proc.pid, visible=True)), None),
                     message="the New item window")
    wine.set_text(wine.child(new.hwnd, id=35).hwnd, "\u00a7")
    wine.set_text(wine.child(new.hwnd, id=39).hwnd, "section sign")
    wine.activate(new.hwnd)
    wine.key("Return")
    wait_until(lambda: "section sign" in (data / "Characters.json").read_text("utf-8"), message="the new entry written")

    # A setting: "Stay on top".
    wine.click_button(wine.child(app.main.hwnd, id=ON_TOP_ID).hwnd)
    wait_until(lambda: b"OnTop = True" in (data / "Glyphwell.ini").read_bytes(), message="the setting written")

    quit_program(wine, app)
    # The snapshot sees writes: the data folder's files changed during the session.
    # The typed character joined the recently typed ones, which Find offers first.
    assert differences(data_before, snapshot(data, [])) == ["changed Characters.json", "changed Glyphwell.ini",
                                                            "new RecentCharacters.txt"]
    assert differences(before, snapshot(wine.drive_c, [data])) == []
