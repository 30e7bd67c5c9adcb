"""Start-up as a user meets it: first and second start, where the data lives,
the single-instance rule, language files and the system language, and
character files that cannot be read."""
import os
import shutil
import struct
from pathlib import Path

import pytest

from glyphwell import (CRLF, DEFAULT_TABLE, ENGLISH, ON_TOP_ID, attach, character_file, is_foreground, quit_program,
                       settings_file, start_notepad)
from harness import PROGRAM_TITLE, wait_until

FIRST_START_INI = settings_file()


def default_character_file() -> bytes:
    return character_file(DEFAULT_TABLE)


def start_and_wait_main(wine, exe, **kw):
    app = attach(wine, wine.start(exe, **kw), exe=exe, focus_list=False)
    return app, app.main


def test_first_start_writes_both_files_and_second_start_writes_nothing(wine, glyphwell_exe, tmp_path):
    lang = ENGLISH  # the shipped English language file: starts show no warning
    exe = wine.install_program(r"C:\Portable\First", glyphwell_exe, lang=lang)
    folder = wine.unix_path(r"C:\Portable\First")
    app, main = start_and_wait_main(wine, exe)
    ini = folder / "Glyphwell.ini"
    chars = folder / "Characters.json"
    wait_until(lambda: chars.exists(), message="Characters.json written")
    assert ini.read_bytes() == FIRST_START_INI
    assert chars.read_bytes() == default_character_file()
    rows = wine.list_view(wine.child(main.hwnd, id=5).hwnd).rows
    assert [r[0] for r in rows] == ["", "", "", "", "-", "%"]
    assert rows[4][1] == "\u2013" and rows[0][1] == "\u201e\u201c"
    quit_program(wine, app)

    # The second start reads both files back and writes neither: their
    # last-write times, set back by a day, stay as they are.
    old = {}
    for p in (ini, chars):
        earlier = p.stat().st_mtime_ns - 86400 * 10**9
        os.utime(p, ns=(earlier, earlier))
        old[p] = (p.read_bytes(), earlier)
    app, main = start_and_wait_main(wine, exe)
    wait_until(lambda: wine.status_bar(wine.child(main.hwnd, cls="msctls_statusbar32").hwnd))
    quit_program(wine, app)
    for p, (data, mtime) in old.items():
        assert p.read_bytes() == data
        assert p.stat().st_mtime_ns == mtime
    assert sorted(x.name for x in folder.iterdir()) == ["Characters.json", "Glyphwell.exe",
                                                        "Glyphwell.ini", "lang"]


def test_installed_program_keeps_its_data_in_appdata(wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    # Any letter case of Program Files counts as installed.
    exe = wine.install_program(r"C:\program files\Tools", glyphwell_exe, lang=lang)
    data = wine.appdata / "Tools"
    shutil.rmtree(data, ignore_errors=True)
    app, main = start_and_wait_main(wine, exe)
    wait_until(lambda: (data / "Characters.json").exists())
    assert (data / "Glyphwell.ini").read_bytes() == FIRST_START_INI
    assert (data / "Characters.json").read_bytes() == default_character_file()
    assert not (wine.unix_path(r"C:\program files\Tools") / "Glyphwell.ini").exists()
    quit_program(wine, app)
    shutil.rmtree(data)


def test_file_where_the_data_folder_belongs_ends_with_write_failure(wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    exe = wine.install_program(r"C:\Program Files\Blocked", glyphwell_exe, lang=lang)
    blocker = wine.appdata / "Blocked"
    shutil.rmtree(blocker, ignore_errors=True)
    blocker.write_bytes(b"not a folder")
    proc = wine.start(exe)
    box = wine.wait_message_box(pid=proc.pid)
    expected_ini = wine.windows_path(wine.appdata) + r"\Blocked\Glyphwell.ini"
    assert box.message == "Can't write file:\n" + expected_ini + "\n\nThe program will be terminated."
    wine.answer_message_box("OK", pid=proc.pid)
    assert proc.wait(timeout=10) == 0
    assert blocker.read_bytes() == b"not a folder"
    assert not wine.find_windows(title=PROGRAM_TITLE, cls="GlyphwellMain")
    blocker.unlink()


@pytest.mark.parametrize("first_copy", ["behind notepad", "hidden in the tray"])
def test_second_start_brings_the_first_to_the_front(wine, glyphwell_exe, tmp_path, first_copy):
    lang = ENGLISH
    exe = wine.install_program(rf"C:\Portable\Single{first_copy.split()[0]}", glyphwell_exe, lang=lang)
    first, main = start_and_wait_main(wine, exe)
    if first_copy == "hidden in the tray":
        wine.activate(main.hwnd)
        wine.key("Escape")
        wait_until(lambda: not wine.window(main.hwnd).visible, message="first copy in the tray")
    pad, _ = start_notepad(wine)
    wine.activate(pad.hwnd)
    second = wine.start(exe)
    assert second.wait(timeout=15) == 0
    wait_until(lambda: is_foreground(wine, main.hwnd), message="first copy in front")
    assert wine.window(main.hwnd).visible
    assert first.proc.running
    assert len(wine.find_windows(title=PROGRAM_TITLE, cls="GlyphwellMain")) == 1
    assert not wine.message_boxes(pid=second.pid)
    # Shown by the first copy itself, as the hotkey shows it: it remembers the
    # window the user came from, and Enter types the row there.
    edit = wine.child(pad.hwnd, cls="Edit")
    wine.activate(main.hwnd)
    wine.key("Return")
    wait_until(lambda: wine.text(edit.hwnd) == "\u201e\u201c", message="the row typed into notepad", timeout=10)
    quit_program(wine, first)


def test_a_tray_start_beside_a_running_copy_ends_silently_and_another_table_runs_beside(
        wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    exe = wine.install_program(r"C:\Portable\TrayTwice", glyphwell_exe, lang=lang)
    first = attach(wine, wine.start(exe, args="/tray"), exe=exe, focus_list=False, visible=False, wait_tray=True)
    main = first.main
    # Sign-in starts it again (a second Run value, a restart after an upgrade).
    second = wine.start(exe, args="/tray")
    assert second.wait(timeout=15) == 0
    assert not wine.window(main.hwnd).visible
    assert not wine.message_boxes(pid=second.pid)
    # A copy with a table of its own (and a hotkey of its own) is no second copy.
    other_exe = wine.install_program(r"C:\Portable\TrayTwiceOther", glyphwell_exe, lang=lang)
    (wine.unix_path(r"C:\Portable\TrayTwiceOther") / "Glyphwell.ini").write_bytes(settings_file(Hotkey="F9"))
    other, _ = start_and_wait_main(wine, other_exe)
    assert first.proc.running and other.proc.running
    quit_program(wine, other)
    quit_program(wine, first)


def test_five_starts_at_once_leave_one_copy_and_a_foreign_window_of_that_title_stops_none(
        wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    exe = wine.install_program(r"C:\Portable\Five", glyphwell_exe, lang=lang)
    # Another program's window that bears the title, as Explorer does on a
    # folder of that name.
    pad, _ = start_notepad(wine)
    wine.set_text(pad.hwnd, PROGRAM_TITLE)
    starts = [wine.start(exe, suspended=True) for _ in range(5)]
    assert wine.resume_started() == 5
    main = wine.wait_window(title=PROGRAM_TITLE, cls="GlyphwellMain", timeout=30)
    wait_until(lambda: sum(p.poll() is not None for p in starts) >= 4, timeout=30,
               message="four of the five starts to end")
    running = [p for p in starts if p.running]
    assert [p.pid for p in running] == [main.pid]
    assert [p.poll() for p in starts if p.pid != main.pid] == [0, 0, 0, 0]
    assert len(wine.find_windows(title=PROGRAM_TITLE, cls="GlyphwellMain")) == 1
    quit_program(wine, attach(wine, running[0], exe=exe, focus_list=False))


def write_lang(folder: Path, name: str, text: str, bom: bool = True) -> None:
    folder.mkdir(parents=True, exist_ok=True)
    data = text.replace("\n", "\r\n").encode("utf-8")
    (folder / f"{name}.lng").write_bytes((b"\xef\xbb\xbf" if bom else b"") + data)


def write_ini(folder: Path, language: str) -> None:
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "Glyphwell.ini").write_bytes(
        FIRST_START_INI.replace(b"Language = English", f"Language = {language}".encode("utf-8")))


def test_language_file_named_by_the_setting_is_used(wine, glyphwell_exe, tmp_path):
    lang = tmp_path / "lang"
    write_lang(lang, "Deutsch", '[Version check]\nProgram version = 1.11\n[WinMain]\n'
               'OnTop = "&Immer im Vordergrund"\nTrigger = "Auslöser"\nBtnInsert = "Einfügen"\n'
               'StatusInfo = " Mit [Umschalt] den Code statt des Zeichens einfügen."\n')
    exe = wine.install_program(r"C:\Portable\German", glyphwell_exe, lang=lang)
    write_ini(wine.unix_path(r"C:\Portable\German"), "Deutsch")
    app, main = start_and_wait_main(wine, exe)
    assert wine.child(main.hwnd, id=ON_TOP_ID).text == "&Immer im Vordergrund"
    assert wine.child(main.hwnd, id=7).text == "Einfügen"
    assert wine.list_view(wine.child(main.hwnd, id=5).hwnd).columns[0] == "Auslöser"
    # A key that the translation lacks is not filled in from English.
    assert wine.list_view(wine.child(main.hwnd, id=5).hwnd).columns[1] == "##### String not found! #####"
    bar = wine.child(main.hwnd, cls="msctls_statusbar32").hwnd
    assert wine.status_bar(bar)[0] == " Mit [Umschalt] den Code statt des Zeichens einfügen."
    quit_program(wine, app)


@pytest.mark.parametrize("kind", ["missing", "invalid"])
def test_unusable_language_file_warns_and_falls_back_to_english(wine, glyphwell_exe, tmp_path, kind):
    lang = tmp_path / "lang"
    # A version in quotes makes the file invalid.
    write_lang(lang, "Klingon", '[Version check]\nProgram version = "1.11"\n[WinMain]\nOnTop = "x"\n')
    folder_name = f"Lang{kind}"
    exe = wine.install_program(rf"C:\Portable\{folder_name}", glyphwell_exe, lang=lang)
    language = "Klingon" if kind == "invalid" else "Vulcan"
    write_ini(wine.unix_path(rf"C:\Portable\{folder_name}"), language)
    proc = wine.start(exe)
    box = wine.wait_message_box(pid=proc.pid)
    path = rf"C:\Portable\{folder_name}\lang\{language}.lng"
    if kind == "missing":
        assert box.message == f"Can't open language file '{path}'."
    else:
        assert box.message == f"Invalid language file '{path}'."
    wine.answer_message_box("OK", pid=proc.pid)
    app = attach(wine, proc, exe=exe, focus_list=False)
    assert wine.child(app.main.hwnd, id=ON_TOP_ID).text == "&Stay on top"
    # The setting keeps its value.
    ini = (wine.unix_path(rf"C:\Portable\{folder_name}") / "Glyphwell.ini").read_bytes()
    assert f"Language = {language}".encode() in ini
    quit_program(wine, app)


def test_german_system_picks_deutsch(wine, glyphwell_exe, tmp_path):
    lang = tmp_path / "lang"
    write_lang(lang, "Deutsch", '[Version check]\nProgram version = 1.11\n[WinMain]\nOnTop = "Immer oben"\n')
    exe = wine.install_program(r"C:\Portable\Locale", glyphwell_exe, lang=lang)
    app, main = start_and_wait_main(wine, exe, locale="de")
    ini = wine.unix_path(r"C:\Portable\Locale") / "Glyphwell.ini"
    assert b"\r\nLanguage = Deutsch\r\n" in ini.read_bytes()
    assert wine.child(main.hwnd, id=ON_TOP_ID).text == "Immer oben"
    quit_program(wine, app)


@pytest.mark.parametrize("content, reason", [
    (b"\xef\xbb\xbf" + default_character_file(),    # saved with a byte-order mark
     "The file begins with a byte order mark. Save it as UTF-8 without BOM."),
    (b"[\r\n  \"Glyphwell 1.11\",\r\n  [\r\n    \"-\",",  # cut off
     "line 4, column 9: value expected"),
    (b"", "The file is empty."),
], ids=["bom", "truncated", "empty"])  # every other reason: tests/core/table_file_test.cpp
def test_unreadable_character_file_is_never_replaced(wine, glyphwell_exe, tmp_path, content, reason):
    lang = ENGLISH
    folder = wine.unix_path(r"C:\Portable\Broken")
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(r"C:\Portable\Broken", glyphwell_exe, lang=lang)
    (folder / "Characters.json").write_bytes(content)
    proc = wine.start(exe)
    box = wine.wait_message_box(pid=proc.pid)
    assert box.message == ("Error reading file:\n" + r"C:\Portable\Broken\Characters.json" + "\n" + reason +
                           "\n\nThe program will be terminated.")
    wine.answer_message_box("OK", pid=proc.pid)
    assert proc.wait(timeout=10) == 0
    assert (folder / "Characters.json").read_bytes() == content


def test_legacy_list_is_imported_and_then_removed(wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    folder = wine.unix_path(r"C:\Portable\Legacy")
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(r"C:\Portable\Legacy", glyphwell_exe, lang=lang)
    (folder / "Characters.lst").write_bytes(
        b"\xef\xbb\xbf; old list\r\n[Characters]\r\n\\u00AB\\u00BB =  guillemets \r\n\\u2014 = em dash\r\n")
    app, main = start_and_wait_main(wine, exe)
    wait_until(lambda: not (folder / "Characters.lst").exists(), message="legacy list removed")
    text = (folder / "Characters.json").read_bytes().decode("utf-8")
    assert text == CRLF.join([
        "[", '  "Glyphwell 1.11",',
        "  [", '    "",', '    "\\\\u00AB\\\\u00BB",', '    "guillemets"', "  ],",
        "  [", '    "",', '    "\\\\u2014",', '    "em dash"', "  ]", "]"])
    quit_program(wine, app)


def test_legacy_list_with_a_bad_code_ends_the_program_and_stays(wine, glyphwell_exe, tmp_path):
    lang = ENGLISH
    folder = wine.unix_path(r"C:\Portable\LegacyBad")
    shutil.rmtree(folder, ignore_errors=True)
    exe = wine.install_program(r"C:\Portable\LegacyBad", glyphwell_exe, lang=lang)
    legacy = b"[Characters]\r\n\\u00AB = fine\r\nnot code = bad\r\n"
    (folder / "Characters.lst").write_bytes(legacy)
    proc = wine.start(exe)
    box = wine.wait_message_box(pid=proc.pid)
    assert box.message.startswith("Error reading file:\n" + r"C:\Portable\LegacyBad\Characters.json")
    wine.answer_message_box("OK", pid=proc.pid)
    assert proc.wait(timeout=10) == 0
    assert (folder / "Characters.lst").read_bytes() == legacy
    assert not (folder / "Characters.json").exists()


def test_program_file_is_laid_out_to_be_mapped_page_by_page(glyphwell_exe):
    """Wine maps a program whose sections sit on page boundaries in the file straight into
    memory; any other layout it copies in whole at every start, which made each start some
    7 ms slower.  The link keeps the file alignment at the page size, within the size limit."""
    data = glyphwell_exe.read_bytes()
    assert len(data) <= 3.0 * 1024 * 1024
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    assert struct.unpack_from("<H", data, optional)[0] == 0x20B  # PE32+
    section_alignment, file_alignment = struct.unpack_from("<II", data, optional + 32)
    assert section_alignment == file_alignment == 0x1000
    table = optional + optional_size
    for i in range(sections):
        name, _, _, raw_size, raw_pointer = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if raw_size:
            assert raw_pointer % 0x1000 == 0, name


def test_program_file_is_marked_terminal_server_aware(glyphwell_exe):
    """On a Remote Desktop server Windows gives a program without the mark a
    Windows folder of its own per user and patches its view of the system;
    Glyphwell needs neither."""
    data = glyphwell_exe.read_bytes()
    optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
    dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
    assert dll_characteristics & 0x8000  # IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE
