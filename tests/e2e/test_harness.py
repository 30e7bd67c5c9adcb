"""The harness's own tests, with Wine's notepad and the stand-in gwdemo.exe."""

from __future__ import annotations

import pytest

from harness import PROGRAM_TITLE, HarnessError, ProbeError, WaitTimeout, wait_until

NOTEPAD = r"C:\windows\system32\notepad.exe"
# Latin-1, General Punctuation, a character outside the BMP (surrogate pair).
TYPED = "Grüße – „quoted“ 𝄞 x"


def notepad_edit(wine, proc):
    win = proc.wait_window(title="Untitled - Notepad")
    return win, wine.child(win.hwnd, cls="Edit")


def test_wait_until_returns_value_or_names_what_it_waited_for():
    seen = []
    assert wait_until(lambda: seen.append(1) or len(seen) >= 3 and "done", timeout=5, interval=0.01) == "done"
    assert len(seen) == 3
    calls = []

    def flaky():
        calls.append(1)
        raise ProbeError("window vanished")

    with pytest.raises(WaitTimeout, match="the answer.*window vanished"):
        wait_until(flaky, timeout=0.2, interval=0.01, message="the answer")
    assert len(calls) > 1


def test_typing_into_notepad_reaches_its_edit_field(wine):
    proc = wine.start(NOTEPAD)
    win, edit = notepad_edit(wine, proc)
    wine.activate(win.hwnd)
    assert wine.focus_info(win.hwnd).focus == edit.hwnd
    wine.type_text(TYPED)
    wait_until(lambda: wine.text(edit.hwnd) == TYPED, message="typed text in notepad",
               timeout=10)
    # The clipboard between processes: notepad copies, the probe reads.
    wine.set_clipboard_text(None)
    wine.key("ctrl+a", "ctrl+c")
    wait_until(lambda: wine.clipboard_text() == TYPED, message="notepad's copy on the clipboard")


def test_watches_time_a_start_and_typing_from_inside_wine(wine):
    proc = wine.start(NOTEPAD, watch=dict(watch_class="Notepad", watch_title="Untitled - Notepad", gap_us=500))
    timing = proc.started
    win, edit = notepad_edit(wine, proc)
    assert timing["hwnd"] == win.hwnd
    assert timing["started_at"] < timing["not_before"] <= timing["seen_at"] <= timing["answered_at"]
    assert timing["checks"] >= 2
    # A key in X moves notepad's caret; the watch sees it without asking notepad.
    wine.activate(win.hwnd)
    x0 = wine._call("focus", hwnd=edit.hwnd)["caret_rect"][0]
    result = wine.probe.begin("watch", what="caret", hwnd=edit.hwnd, beyond=x0, gap_us=500, timeout=10000)
    wine.key("a")  # the probe is busy with the watch until its result is read
    seen = result(20)
    assert seen["not_before"] <= seen["seen_at"]
    assert wine.text(edit.hwnd) == "a"
    assert wine._call("clock")["now"] >= seen["seen_at"]
    # A state that holds already, or one that never comes, is an error, and the probe goes on.
    with pytest.raises(ProbeError, match="holds before"):
        wine.probe.begin("watch", what="foreground", hwnd=win.hwnd)
    with pytest.raises(ProbeError, match="timeout"):
        wine.probe.begin("watch", what="text", hwnd=edit.hwnd, text="never", timeout=300)(10)
    assert wine.text(edit.hwnd) == "a"


def test_text_round_trip_keeps_control_characters_and_surrogates(wine):
    proc = wine.start(NOTEPAD)
    _, edit = notepad_edit(wine, proc)
    tricky = "tab\there\r\nback\\slash \\u0041 \\n = 𝄞\u00a0end"
    wine.set_text(edit.hwnd, tricky)
    assert wine.text(edit.hwnd) == tricky
    wine.set_clipboard_text(tricky)
    assert wine.clipboard_text() == tricky


def test_closing_modified_notepad_asks_and_exit_code_follows(wine):
    proc = wine.start(NOTEPAD)
    win, edit = notepad_edit(wine, proc)
    wine.set_text(edit.hwnd, "changed")
    wine.send_message(edit.hwnd, 0x00B9, 1)  # EM_SETMODIFY: notepad now asks before closing
    wine.close_window(win.hwnd)
    box = wine.wait_message_box(title="Notepad", pid=proc.pid)
    assert "Untitled" in box.message
    assert {"Yes", "No", "Cancel"} <= set(box.button_labels)
    wine.click_button(box.hwnd, text="No")
    assert proc.wait(timeout=10) == 0
    assert not proc.running


def test_message_box_text_buttons_and_answer(wine, demo_exe):
    exe = wine.install_program(r"C:\Portable\Glyphwell", demo_exe)
    text = "Can't write file:\nC:\\Portable\\Glyphwell\\Glyphwell.ini\n\nÄrger – 𝄞"
    results = {}
    for answer, code in (("Yes", 6), ("No", 7)):
        proc = wine.start(exe, args=f'msgbox "{text}"')
        box = wine.wait_message_box(pid=proc.pid)
        assert box.title == PROGRAM_TITLE
        assert box.message == text
        assert box.button_labels == ["Yes", "No"]
        wine.click_button(box.hwnd, text=answer)
        results[answer] = proc.wait(timeout=10)
        assert results[answer] == code
        wine.wait_window_gone(title=PROGRAM_TITLE, pid=proc.pid, timeout=5)


def test_exit_codes_and_killing_only_own_processes(wine, demo_exe):
    exe = wine.install_program(r"C:\Program Files\Tools", demo_exe)
    assert wine.start(exe, args="exit 42").wait(timeout=10) == 42
    assert wine.start(exe, args="exit 0").wait(timeout=10) == 0
    stays = wine.start(exe, args="window")
    stays.wait_window(title="Glyphwell stand-in")
    with pytest.raises(WaitTimeout):
        stays.wait(timeout=0.3)
    assert stays.kill(code=9) == 9
    explorer = wine.windows_processes(name="explorer.exe")[0]["pid"]
    with pytest.raises(ProbeError, match="not a process this probe started"):
        wine.probe.call("kill", pid=explorer)
    with pytest.raises(ProbeError, match="unknown command"):
        wine.probe.call("no-such-command")


def test_stand_in_window_list_status_edit_tray_hotkey(wine, demo_exe):
    proc = wine.start(wine.install_program(r"C:\Portable\Glyphwell", demo_exe), args="window")
    win = proc.wait_window(title="Glyphwell stand-in")
    lv = wine.child(win.hwnd, cls="SysListView32")
    sb = wine.child(win.hwnd, cls="msctls_statusbar32")

    table = wine.list_view(lv.hwnd)
    assert table.columns == ["Trigger", "Characters", "Comment"]
    assert table.rows == [["-", "\u2013", "en dash"], ['"', "\u201e\u201c", "German quotes äöü"],
                          ["g", "\U0001d11e", "G clef (surrogate pair)"]]
    assert table.selected == -1
    wine.select_row(lv.hwnd, 2)
    table = wine.list_view(lv.hwnd)
    assert (table.selected, table.focused, table.selected_rows) == (2, 2, [2])
    assert wine.status_bar(sb.hwnd) == [" Ready \u2013 ok", "part two"]

    # Keyboard focus on the list at start; typing into the edit field after a click.
    wine.activate(win.hwnd)
    assert wine.focus_info(win.hwnd).focus == lv.hwnd
    edit = wine.child(win.hwnd, cls="Edit")
    wine.click_window(edit.hwnd)
    wait_until(lambda: wine.focus_info(win.hwnd).focus == edit.hwnd, message="focus in the edit field")
    wine.type_text("é–𝄞")
    wait_until(lambda: wine.text(edit.hwnd) == "é–𝄞", message="typed text in the edit field")
    # Insert adds the text as a row and shows it in the status bar; watches inside Wine see the
    # row count, the new cell and the status text, each only once it is there.
    # The probe is busy with a watch until its result is read, so the button is clicked through X.
    button = wine.child(win.hwnd, cls="Button", text="Insert")
    x, y = button.center
    # Each click 6 pixels from the one before: two clicks within the double-click
    # rectangle (4 pixels) and time would make one double click.
    assert button.rect[2] - button.rect[0] > 16
    watches = [dict(what="status", hwnd=sb.hwnd, text="insert: é–𝄞"),
               dict(what="count", hwnd=lv.hwnd, count=5),
               dict(what="cell", hwnd=lv.hwnd, row=5, col=1, text="é–𝄞")]
    for i, watch in enumerate(watches):
        t0 = wine._call("clock")["now"]
        result = wine.probe.begin("watch", gap_us=500, timeout=10000, **watch)
        wine.click(x + 6 * (i - 1), y)
        seen = result(20)
        assert t0 <= seen["not_before"] <= seen["seen_at"] <= wine._call("clock")["now"]
        assert wine.status_bar(sb.hwnd)[0] == "insert: é–𝄞"
    assert wine.list_view(lv.hwnd).rows[3:] == [["i", "é–𝄞", "inserted"]] * 3
    with pytest.raises(ProbeError, match="holds before"):
        wine.probe.begin("watch", what="cell", hwnd=lv.hwnd, row=3, col=2, text="inserted")
    with pytest.raises(ProbeError, match="timeout"):
        wine.probe.begin("watch", what="status", hwnd=sb.hwnd, part=1, text="never", timeout=300)(10)

    # A global hotkey pressed in X reaches the program.
    wine.key("F10")
    wait_until(lambda: wine.status_bar(sb.hwnd)[0] == "hotkey", message="status after F10")

    # The tray icon: found by its tip, clicked with the mouse.
    wine.click_tray_icon("Glyphwell stand-in tray")
    wait_until(lambda: wine.status_bar(sb.hwnd)[0] == "tray click", message="status after the tray click")

    wine.close_window(win.hwnd)
    assert proc.wait(timeout=10) == 3
    wait_until(lambda: not any(t.text == "Glyphwell stand-in tray" for t in wine.tray_icons()), timeout=10,
               message="the tray icon to go")


def test_locale_working_folder_and_environment_of_started_programs(wine, demo_exe):
    exe = wine.install_program(r"C:\Program Files\Tools", demo_exe, name="envshow.exe")
    assert (wine.program_files / "Tools" / "envshow.exe").is_file()
    seen = {}
    for locale in (None, "fr", "de_DE.UTF-8"):
        proc = wine.start(exe, args="env", cwd="C:\\users", locale=locale, env={"GW_MARK": "ü"})
        box = wine.wait_message_box(title="gwdemo env", pid=proc.pid)
        fields = dict(line.split("=", 1) for line in box.message.split("\n"))
        seen[locale] = fields["locale"]
        assert fields["cwd"] == "C:\\users"
        assert fields["exe"] == exe
        assert fields["mark"] == "ü"
        wine.click_button(box.hwnd, text="OK")
        assert proc.wait(timeout=10) == 0
    assert seen == {None: "en-US", "fr": "fr-FR", "de_DE.UTF-8": "de-DE"}


def test_paths_between_windows_and_unix(wine):
    assert wine.unix_path(r"C:\Program Files\Tools\a.exe") == wine.drive_c / "Program Files" / "Tools" / "a.exe"
    assert wine.windows_path(wine.appdata / "Glyphwell" / "Glyphwell.ini") == (
        f"C:\\users\\{wine.user}\\AppData\\Roaming\\Glyphwell\\Glyphwell.ini")
    assert not (wine.drive_c / "users" / wine.user / "Documents").is_symlink()
    with pytest.raises(HarnessError):
        wine.unix_path(r"D:\Portable")
