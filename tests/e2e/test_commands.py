"""Help, the character-map link, Go to character file and the About window as a
user meets them.  What the program starts is recorded: a small recorder program
(tests/tools/cmdline_recorder.cpp) stands in for the browser (the shell's
program for .htm files and web addresses in this prefix), for charmap.exe and
for a custom command, and writes the command line it got to "<its path>.log"."""

from __future__ import annotations

import shutil
from pathlib import Path

import pytest

from glyphwell import (LANG_DIR, LINK_ID, LIST_ID, MENU_ID, REPO, character_file, choose_main_menu_item, start,
                       wait_focus)
from harness import PROGRAM_TITLE, Window, wait_until

TOOLS = r"C:\Recorded Tools"
BROWSER = TOOLS + r"\browser.exe"
ROWS = [("-", r"\u2013", "en dash")]
WEBSITE_PAGE = "https://glyphwell.example.org/prog/"


@pytest.fixture(scope="module")
def browser(wine_session):
    """The recorder installed as the shell's program for .htm files and web
    addresses of this prefix; yields the Unix path of its log."""
    wine = wine_session
    folder = wine.unix_path(TOOLS)
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(wine.tools["cmdline_recorder"], folder / "browser.exe")
    # The test prefix has no program for .htm files (no Gecko): give it one.
    wine.reg_add(r"HKEY_CLASSES_ROOT\.htm", data="htmlfile")
    for cls in ("htmlfile", "http", "https"):
        wine.reg_add(rf"HKEY_CLASSES_ROOT\{cls}\shell\open\command", data=f'"{BROWSER}" "%1"')
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


def start_glyphwell(wine, exe_path, name: str, **settings: str):
    return start(wine, exe_path, rf"C:\Portable\Commands{name}", chars=character_file(ROWS), lang=LANG_DIR,
                 doc=REPO / "doc", **settings)


def focus_on(wine, app, control_id: int) -> None:
    wait_focus(wine, app.main.hwnd, control_id)


def click_link(wine, app) -> None:
    wine.click_window(wine.child(app.main.hwnd, cls="Static", id=LINK_ID).hwnd)


# --------------------------------------------------------------------------- Help

@pytest.mark.parametrize("language, name", [("English", "Glyphwell_en.htm"), ("Deutsch", "Glyphwell_de.htm"),
                                            ("Français", "Glyphwell_fr.htm")])
def test_f1_opens_the_help_file_of_the_language(wine, glyphwell_exe, browser, language, name):
    app = start_glyphwell(wine, glyphwell_exe, f"Help{language[:2]}", Language=language)
    log = browser
    before = len(log.read_text(encoding="utf-8").splitlines()) if log.exists() else 0
    wine.key("F1")
    lines = recorded(log, before + 1)
    assert lines[before] == f'"{BROWSER}" "{app.win_folder}\\doc\\{name}"'
    assert not wine.message_boxes(pid=app.proc.pid)
    # After Help the focus comes back to the list.
    wine.activate(app.main.hwnd)
    focus_on(wine, app, LIST_ID)


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


def test_custom_command_starts_as_written_from_a_click_on_the_link(wine, glyphwell_exe):
    """A quoted path with arguments starts as written: no shell reads the
    arguments.  A bare path, a command without quotes and a batch file are
    shown in-process (tests/win32/commands_test.cpp, RunProgram...)."""
    tool = wine.unix_path(TOOLS) / "mymap.exe"
    tool.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy2(wine.tools["cmdline_recorder"], tool)
    log = Path(str(tool) + ".log")
    log.unlink(missing_ok=True)
    marker = wine.unix_path(r"C:\shell-ran.txt")
    marker.unlink(missing_ok=True)

    quoted = f'"{TOOLS}\\mymap.exe" /font "Lucida Sans" a&echo x>C:\\shell-ran.txt %PATH% ^|'
    app = start_glyphwell(wine, glyphwell_exe, "Custom", Option="Custom", CustomCaption="My map",
                          CustomCommand=quoted)
    assert wine.text(wine.child(app.main.hwnd, cls="Static", id=LINK_ID).hwnd) == "My map"
    click_link(wine, app)
    assert recorded(log) == [quoted]
    assert not marker.exists()


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

def about_window(wine, app) -> Window:
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

    # Enter on the link opens the site too, as on any link; Enter elsewhere
    # closes the window.
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
