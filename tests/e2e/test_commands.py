"""Help, the character-map link, Go to character file and the About window as a
user meets them.  What the program starts is recorded: a small recorder program
(tests/tools/cmdline_recorder.cpp) stands in for the browser (the shell's
program for .htm files and web addresses in this prefix), for charmap.exe and
for a custom command, and writes the command line it got to "<its path>.log"."""

from __future__ import annotations

import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

import pytest

from harness import PROGRAM_TITLE, Window, wait_until
from main_menu import choose_main_menu_item
from program_files import character_file, settings_file

REPO = Path(__file__).resolve().parents[2]
LINK_ID, LIST_ID, MENU_ID = 0, 5, 4
TOOLS = r"C:\Recorded Tools"
BROWSER = TOOLS + r"\browser.exe"
ROWS = [("-", r"\u2013", "en dash")]
WEBSITE_PAGE = "https://glyphwell.example.org/prog/"


@dataclass
class App:
    proc: object
    main: Window
    folder: Path
    win_folder: str


def reg_add(wine, key: str, value: str) -> None:
    r = subprocess.run(["wine", "reg", "add", key, "/ve", "/d", value, "/f"], env=wine.env,
                       stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
    assert r.returncode == 0, r.stderr


@pytest.fixture(scope="module")
def browser(wine_session):
    """The recorder installed as the shell's program for .htm files and web
    addresses of this prefix; yields the Unix path of its log."""
    wine = wine_session
    folder = wine.unix_path(TOOLS)
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(wine.tools["cmdline_recorder"], folder / "browser.exe")
    # The test prefix has no program for .htm files (no Gecko): give it one.
    reg_add(wine, r"HKEY_CLASSES_ROOT\.htm", "htmlfile")
    for cls in ("htmlfile", "http", "https"):
        reg_add(wine, rf"HKEY_CLASSES_ROOT\{cls}\shell\open\command", f'"{BROWSER}" "%1"')
    return folder / "browser.exe.log"


def recorded(log: Path, count: int = 1) -> list[str]:
    """Waits until the recorder wrote `count` lines and returns them."""
    def lines():
        try:
            found = log.read_text(encoding="utf-8").splitlines()
        except OSError:
            return None
        return found if len(found) >= count else None
    return wait_until(lines, timeout=15, message=f"{count} line(s) in {log}")


def ini(**charmap: str) -> bytes:
    data = settings_file(Language=charmap.pop("Language", "English")).decode("utf-8")
    for key, value in charmap.items():
        data = data.replace(f"{key} = \r\n", f"{key} = {value}\r\n").replace(
            f"{key} = Standard\r\n", f"{key} = {value}\r\n")
    return data.encode("utf-8")


_started: list[App] = []


@pytest.fixture(autouse=True)
def _quit_left_over_programs(wine):
    _started.clear()
    yield
    for app in _started:
        try:
            if app.proc.running:
                for top in wine.find_windows(pid=app.proc.pid, visible=True):
                    if top.cls == "#32770":
                        wine.click_button(top.hwnd, text="OK")
                wine.close_window(app.main.hwnd)
                wait_until(lambda: not app.proc.running, timeout=10, message="the program to end")
        except Exception as e:  # the wine fixture kills what is left
            print(f"\ncleanup of {app.folder.name}: {e}")
    _started.clear()


def start_glyphwell(wine, exe_path, name: str, doc: bool = True, settings: bytes | None = None) -> App:
    win_folder = rf"C:\Portable\Commands{name}"
    folder = wine.unix_path(win_folder)
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(win_folder, exe_path, lang=REPO / "lang",
                               doc=REPO / "doc" if doc else None)
    (folder / "Glyphwell.ini").write_bytes(settings or ini())
    (folder / "Characters.json").write_bytes(character_file(ROWS))
    proc = wine.start(exe)
    main = proc.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=20)
    app = App(proc, main, folder, win_folder)
    _started.append(app)
    wine.activate(main.hwnd)
    list_hwnd = wine.child(main.hwnd, id=LIST_ID).hwnd
    wait_until(lambda: wine.focus_info(main.hwnd).focus == list_hwnd, message="the focus on the list")
    return app


def focus_on(wine, app: App, control_id: int) -> None:
    wait_until(lambda: wine.focus_info(app.main.hwnd).focus_id == control_id,
               message=lambda: f"the focus on control {control_id} "
                               f"(it is on {wine.focus_info(app.main.hwnd).focus_id})")


def click_link(wine, app: App) -> None:
    wine.click_window(wine.child(app.main.hwnd, cls="Static", id=LINK_ID).hwnd)


# --------------------------------------------------------------------------- Help

@pytest.mark.parametrize("language, name", [("English", "Glyphwell_en.htm"), ("Deutsch", "Glyphwell_de.htm"),
                                            ("Français", "Glyphwell_fr.htm")])
def test_f1_opens_the_help_file_of_the_language(wine, glyphwell_exe, browser, language, name):
    app = start_glyphwell(wine, glyphwell_exe, f"Help{language[:2]}", settings=ini(Language=language))
    log = browser
    before = len(log.read_text(encoding="utf-8").splitlines()) if log.exists() else 0
    wine.key("F1")
    lines = recorded(log, before + 1)
    assert lines[before] == f'"{BROWSER}" "{app.win_folder}\\doc\\{name}"'
    assert not wine.message_boxes(pid=app.proc.pid)
    # After Help the focus comes back to the list.
    wine.activate(app.main.hwnd)
    focus_on(wine, app, LIST_ID)


def test_missing_help_file_names_its_path(wine, glyphwell_exe, browser):
    app = start_glyphwell(wine, glyphwell_exe, "NoHelp", doc=False)
    wine.key("F1")
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == f"Help file not found:\n{app.win_folder}\\doc\\Glyphwell_en.htm"


# --------------------------------------------------------------------------- character map

def test_standard_link_without_charmap_reports_it(wine, glyphwell_exe):
    # Wine has no charmap.exe.
    assert not (wine.drive_c / "windows" / "system32" / "charmap.exe").exists()
    app = start_glyphwell(wine, glyphwell_exe, "NoCharmap")
    click_link(wine, app)
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == "Command not found:\nC:\\windows\\system32\\charmap.exe"
    # The focus goes back to the link.
    focus_on(wine, app, LINK_ID)


def test_standard_link_starts_charmap(wine, glyphwell_exe):
    charmap = wine.drive_c / "windows" / "system32" / "charmap.exe"
    shutil.copy2(wine.tools["cmdline_recorder"], charmap)
    try:
        app = start_glyphwell(wine, glyphwell_exe, "Charmap")
        click_link(wine, app)
        assert recorded(Path(str(charmap) + ".log")) == ['"C:\\windows\\system32\\charmap.exe"']
        assert not wine.message_boxes(pid=app.proc.pid)
    finally:
        charmap.unlink(missing_ok=True)
        Path(str(charmap) + ".log").unlink(missing_ok=True)


def test_custom_commands(wine, glyphwell_exe):
    """A quoted path with arguments starts as written (no shell reads the
    arguments); a bare full path starts too; a program and an argument without
    quotes start nothing and the message names the whole command."""
    tool = wine.unix_path(TOOLS) / "mymap.exe"
    tool.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy2(wine.tools["cmdline_recorder"], tool)
    log = Path(str(tool) + ".log")
    log.unlink(missing_ok=True)
    win_tool = TOOLS + r"\mymap.exe"
    marker = wine.unix_path(r"C:\shell-ran.txt")
    marker.unlink(missing_ok=True)

    quoted = f'"{win_tool}" /font "Lucida Sans" a&echo x>C:\\shell-ran.txt %PATH% ^|'
    app = start_glyphwell(wine, glyphwell_exe, "Custom",
                          settings=ini(Option="Custom", CustomCaption="My map", CustomCommand=quoted))
    assert wine.text(wine.child(app.main.hwnd, cls="Static", id=LINK_ID).hwnd) == "My map"
    click_link(wine, app)
    assert recorded(log) == [quoted]
    assert not marker.exists()
    wine.close_window(app.main.hwnd)
    wait_until(lambda: not app.proc.running, message="the program to end")

    app = start_glyphwell(wine, glyphwell_exe, "CustomBare",
                          settings=ini(Option="Custom", CustomCaption="Bare", CustomCommand=win_tool))
    click_link(wine, app)
    assert recorded(log, 2)[1] == f'"{win_tool}"'
    wine.close_window(app.main.hwnd)
    wait_until(lambda: not app.proc.running, message="the program to end")

    unquoted = f"{win_tool} /font"
    app = start_glyphwell(wine, glyphwell_exe, "CustomUnquoted",
                          settings=ini(Option="Custom", CustomCaption="Unquoted", CustomCommand=unquoted))
    click_link(wine, app)
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == f"Command not found:\n{unquoted}"
    assert len(log.read_text(encoding="utf-8").splitlines()) == 2


def test_batch_file_command_is_not_run(wine, glyphwell_exe):
    """A batch file would run through the command shell: it is not started."""
    folder = wine.unix_path(TOOLS)
    folder.mkdir(parents=True, exist_ok=True)
    marker = wine.unix_path(r"C:\batch-ran.txt")
    marker.unlink(missing_ok=True)
    (folder / "map.bat").write_bytes(b"@echo ran> C:\\batch-ran.txt\r\n")
    command = f'"{TOOLS}\\map.bat" x&echo y> C:\\batch-ran.txt'
    app = start_glyphwell(wine, glyphwell_exe, "Batch",
                          settings=ini(Option="Custom", CustomCaption="Batch", CustomCommand=command))
    click_link(wine, app)
    box = wine.answer_message_box("OK", pid=app.proc.pid)
    assert box.message == f"Command not found:\n{command}"
    assert not marker.exists()
    assert not [p for p in wine.windows_processes() if p["exe"].lower() == "cmd.exe"]


# --------------------------------------------------------------------------- Go to character file

def test_go_to_character_file_opens_explorer_on_its_folder(wine, glyphwell_exe):
    """Explorer is asked to select the file.  Wine's Explorer opens the folder
    (titled with its name) but selects nothing, so the test sees the folder.
    A program named explorer.exe in the data folder is not the one started."""
    app = start_glyphwell(wine, glyphwell_exe, "Goto")
    planted = app.folder / "explorer.exe"
    shutil.copy2(wine.tools["cmdline_recorder"], planted)
    before = {w.hwnd for w in wine.find_windows(cls="ExplorerWClass")}
    choose_main_menu_item(wine, app.main.hwnd, "Goto")
    explorer = wait_until(lambda: next((w for w in wine.find_windows(cls="ExplorerWClass", visible=True)
                                        if w.hwnd not in before), None),
                          timeout=20, message="an Explorer window")
    assert explorer.text == app.folder.name
    files = wine.child(explorer.hwnd, cls="SysListView32").hwnd
    wait_until(lambda: "Characters.json" in [row[0] for row in wine.list_view(files).rows],
               message="Characters.json listed in Explorer")
    assert not wine.message_boxes(pid=app.proc.pid)
    assert not Path(str(planted) + ".log").exists()
    wine.close_window(explorer.hwnd)


# --------------------------------------------------------------------------- About

def about_window(wine, app: App) -> Window:
    return wait_until(lambda: next((w for w in wine.find_windows(pid=app.proc.pid, visible=True)
                                    if w.text == "About ..."), None), message="the About window")


def test_about_window_shows_its_texts_opens_the_site_and_closes_with_enter(wine, glyphwell_exe, browser):
    app = start_glyphwell(wine, glyphwell_exe, "About")
    choose_main_menu_item(wine, app.main.hwnd, "About")
    about = about_window(wine, app)
    texts = {c.id: wine.text(c.hwnd) for c in wine.children(about.hwnd)}
    assert texts[8] == PROGRAM_TITLE
    assert texts[9].startswith("Copyright")
    assert texts[10] == WEBSITE_PAGE
    assert texts[11] == "Freeware"
    assert texts[13] == "OK"
    assert not wine.window(app.main.hwnd).enabled
    assert wine.focus_info(about.hwnd).focus_id == 13

    # Space on the link opens the site; the window stays open.
    log = browser
    before = len(log.read_text(encoding="utf-8").splitlines()) if log.exists() else 0
    wine.key("shift+Tab")
    wait_until(lambda: wine.focus_info(about.hwnd).focus_id == 10, message="the focus on the link")
    wine.key("space")
    assert recorded(log, before + 1)[before] == f'"{BROWSER}" "{WEBSITE_PAGE}"'
    assert wine.window(about.hwnd).visible

    # Enter on the link opens the site too, as on any link; Alt+F4 does not
    # close the window; Enter elsewhere does.
    wine.key("alt+F4")
    wine.sync_input()
    assert wine.window(about.hwnd) is not None and wine.window(about.hwnd).visible
    wine.key("Return")
    assert recorded(log, before + 2)[before + 1] == f'"{BROWSER}" "{WEBSITE_PAGE}"'
    assert wine.window(about.hwnd).visible
    wine.key("Tab")
    wait_until(lambda: wine.focus_info(about.hwnd).focus_id == 13, message="the focus on OK")
    wine.key("Return")
    wait_until(lambda: wine.window(about.hwnd) is None, message="the About window to close")
    wait_until(lambda: wine.window(app.main.hwnd).enabled, message="the main window enabled again")
    # The Menu button opened the command, so the focus returns there.
    focus_on(wine, app, MENU_ID)


def test_about_ok_button_closes(wine, glyphwell_exe):
    app = start_glyphwell(wine, glyphwell_exe, "AboutOk")
    choose_main_menu_item(wine, app.main.hwnd, "About")
    about = about_window(wine, app)
    wine.click_window(wine.child(about.hwnd, id=13).hwnd)
    wait_until(lambda: wine.window(about.hwnd) is None, message="the About window to close")
    assert wine.window(app.main.hwnd).enabled
    focus_on(wine, app, MENU_ID)
