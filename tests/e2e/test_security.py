"""What the program must never do to the machine it runs on: load a library
of a system name that someone put beside it, or write a file anywhere but in
its data folder."""

from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

import pytest

from harness import PROGRAM_TITLE, wait_until
from program_files import character_file, settings_file

MINGW_OBJCOPY = "x86_64-w64-mingw32-objcopy"

REPO = Path(__file__).resolve().parents[2]
NOTEPAD = r"C:\windows\system32\notepad.exe"

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
    lines = ["REGEDIT4", ""]
    for program in PROGRAMS:
        if on:
            lines += [f"[{key}\\{program}\\DllOverrides]"]
            lines += [f'"{name[:-4]}"="native,builtin"' for name in FAKE_NAMES] + [""]
        else:
            lines += [f"[-{key}\\{program}]", ""]
    reg = wine.unix_path(r"C:\DllCheck") / ("order-on.reg" if on else "order-off.reg")
    reg.parent.mkdir(parents=True, exist_ok=True)
    reg.write_text("\r\n".join(lines))
    assert wine.start(r"C:\windows\regedit.exe", args=f'/s "{wine.windows_path(reg)}"').wait(timeout=30) == 0


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
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, glyphwell_exe, lang=[REPO / "lang" / "English.lng"])
    (folder / "Glyphwell.ini").write_bytes(settings_file(Beep="True"))
    (folder / "Characters.json").write_bytes(character_file([("-", r"\u2013", "en dash")]))
    plant_fakes(wine, folder)
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()),
               message="the program started up to its hotkey")
    wine.activate(main.hwnd)
    wine.key("x")  # no trigger: the beep, through winmm
    wine.close_window(main.hwnd)
    assert proc.wait(timeout=15) == 0
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
    exe = wine.install_program(r"C:\Program Files\Glyphwell", glyphwell_exe, lang=[REPO / "lang" / "English.lng"])
    data = wine.appdata / "Glyphwell"
    shutil.rmtree(data, ignore_errors=True)
    pad = wine.start(NOTEPAD)
    pad_window = pad.wait_window(title="Untitled - Notepad")
    edit = wine.child(pad_window.hwnd, cls="Edit").hwnd

    before = snapshot(wine.drive_c, [data])
    # First start: the data folder and both files are made.
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    main_list = wine.child(main.hwnd, cls="SysListView32").hwnd
    wait_until(lambda: (data / "Characters.json").exists(), message="the first start's character file")
    wait_until(lambda: any(t.text == "Glyphwell (F10)" for t in wine.tray_icons()), message="the hotkey")
    data_before = snapshot(data, [])

    # Insert: from notepad, the hotkey, a trigger, Enter.
    wine.activate(pad_window.hwnd)
    wine.key("F10")
    wait_until(lambda: (fg := wine.foreground()) is not None and fg.hwnd == main.hwnd, message="main window up")
    wine.activate(main.hwnd)
    wine.key("minus")
    wait_until(lambda: wine.list_view(main_list).selected_rows == [4], message="the en-dash row")
    wine.key("Return")
    wait_until(lambda: wine.text(edit) == "\u2013", message="the en dash in notepad")

    # Edit: a new entry through the New window.
    wine.key("F10")
    wait_until(lambda: (fg := wine.foreground()) is not None and fg.hwnd == main.hwnd, message="main window up")
    wine.activate(main.hwnd)
    wine.key("ctrl+n")
    new = wait_until(lambda: next(iter(wine.find_windows(title="New item", pid=proc.pid, visible=True)), None),
                     message="the New item window")
    wine.set_text(wine.child(new.hwnd, id=35).hwnd, "\u00a7")
    wine.set_text(wine.child(new.hwnd, id=39).hwnd, "section sign")
    wine.activate(new.hwnd)
    wine.key("Return")
    wait_until(lambda: "section sign" in (data / "Characters.json").read_text("utf-8"), message="the new entry written")

    # A setting: "Stay on top".
    wine.click_button(wine.child(main.hwnd, id=6).hwnd)
    wait_until(lambda: b"OnTop = True" in (data / "Glyphwell.ini").read_bytes(), message="the setting written")

    wine.close_window(main.hwnd)
    assert proc.wait(timeout=15) == 0
    # The snapshot sees writes: the data folder's files changed during the session.
    assert differences(data_before, snapshot(data, [])) == ["changed Characters.json", "changed Glyphwell.ini"]
    assert differences(before, snapshot(wine.drive_c, [data])) == []
