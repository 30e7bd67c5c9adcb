"""The update check as a user meets it: from the main menu and at start-up,
over HTTPS through the user's proxy, with the window served while it runs.

The program asks its built-in site, https://glyphwell.example.org/prog/.  The
loopback servers of tests/servers/version_server.py stand in for it: the
user's proxy settings (Internet Options of the Wine user) name one of its
proxies, which tunnels every CONNECT to a TLS server with a certificate of a
test CA, and that CA is made a trusted root of the prefix.  Wine's TLS layer
accepts any certificate; it is the program's own check that refuses a wrong
one."""

from __future__ import annotations

import json
import shutil
import struct
import subprocess
import sys
from pathlib import Path

import pytest

import glyphwell
from glyphwell import INFO_TEXT, LANG_DIR, REPO, character_file, choose_main_menu_item, is_foreground, status_is
from harness import PROGRAM_TITLE, wait_until

VERSION_SERVER = REPO / "tests" / "servers" / "version_server.py"
PAGE = "https://glyphwell.example.org/prog/"
USER_AGENT = "Mozilla/5.0 Gecko/41.0 Firefox/41.0"
CONNECTIONS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"


class Site:
    """The loopback servers: ports, what the site answers, the request log."""

    def __init__(self, state: Path):
        self.state = state
        lines = (state / "ports.txt").read_text().split()
        self.ports = {name: int(port) for name, port in (line.split("=") for line in lines)}

    def answer(self, body: str, hold: bool = False) -> None:
        """What the version file holds from now on; with `hold`, each answer
        waits until `release`."""
        (self.state / "site.json").write_text(json.dumps({"body": body, "hold": hold}))

    def release(self) -> None:
        """Lets the held answer go."""
        (self.state / "site.release").touch()

    def log(self) -> list[str]:
        path = self.state / "requests.log"
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []

    def wait_log_since(self, start: int, lines: list[str], timeout: float = 10) -> None:
        """Waits until the log from line `start` on is exactly `lines`."""
        wait_until(lambda: [line.rstrip() for line in self.log()[start:]] == [line.rstrip() for line in lines],
                   timeout=timeout, message=lambda: f"{lines} in the server log, which holds {self.log()[start:]}")

    def wait_log(self, line: str, count: int = 1, timeout: float = 20) -> None:
        wait_until(lambda: self.log().count(line) >= count, timeout=timeout,
                   message=lambda: f"{count} x {line!r} in the server log {self.log()}")


@pytest.fixture(scope="module")
def site(wine_session, tmp_path_factory):
    """The servers, and their test CA trusted by the prefix."""
    state = tmp_path_factory.mktemp("version-server")
    r = subprocess.run([sys.executable, str(VERSION_SERVER), "start", str(state)],
                       stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    assert r.returncode == 0, r.stdout + r.stderr
    try:
        wine = wine_session
        folder = wine.unix_path(r"C:\UpdateCheck")
        folder.mkdir(parents=True, exist_ok=True)
        shutil.copy2(state / "ca.pem", folder / "ca.pem")
        tool = wine.install_program(r"C:\UpdateCheck", wine.tools["trust_root_certificate"])
        trust = wine.start(tool, args=r'"C:\UpdateCheck\ca.pem"')
        assert trust.wait(timeout=30) == 0, "the test CA could not be made a trusted root"
        yield Site(state)
    finally:
        subprocess.run([sys.executable, str(VERSION_SERVER), "stop", str(state)],
                       stdin=subprocess.DEVNULL, timeout=60)
        set_user_proxy(wine_session)


def set_user_proxy(wine, server: str = "", script: str = "") -> None:
    """The user's proxy settings as Internet Options keeps them: a proxy
    server, a configuration script, or (neither) the defaults."""
    if not server and not script:
        wine.reg_delete(CONNECTIONS, "DefaultConnectionSettings")
        return

    def field(text: str) -> bytes:
        return struct.pack("<I", len(text)) + text.encode("ascii")

    flags = 1 | (2 if server else 0) | (4 if script else 0)  # direct, proxy, script
    blob = struct.pack("<III", 0x46, 1, flags) + field(server) + field("<local>") + field(script) + bytes(32)
    wine.reg_add(CONNECTIONS, "DefaultConnectionSettings", blob.hex(), type="REG_BINARY")


def start(wine, exe_path, name: str, **settings: str):
    app = glyphwell.start(wine, exe_path, rf"C:\Portable\Update{name}", chars=character_file([("-", r"\u2013", "en dash")]),
                          lang=LANG_DIR, **settings)
    return app


def status_text(wine, app) -> str:
    return wine.status_bar(app.status)[0]


def test_menu_check_over_https_through_the_users_proxy(wine, glyphwell_exe, site):
    """A trusted certificate for the site's name gets the offer; the same CA's
    certificate for another host is refused (CERT_E_CN_NO_MATCH), although
    the request went through.  The proxy comes first from the servers typed
    in, then from a configuration script, each read when the check runs."""
    set_user_proxy(wine, server=f"127.0.0.1:{site.ports['proxy']}")
    site.answer("1.12")
    before = len(site.log())
    app = start(wine, glyphwell_exe, "Https")
    choose_main_menu_item(wine, app.main.hwnd, "Update")
    box = wine.wait_message_box(pid=app.proc.pid, timeout=30)
    assert box.message == "There is the new version 1.12.\n\nDo you want to visit the program website now?"
    assert box.button_labels == ["Yes", "No"]
    wine.click_button(box.hwnd, text="No")
    wine.wait_window_gone(title=PROGRAM_TITLE, cls="#32770", pid=app.proc.pid)
    site.wait_log_since(before, ["proxy CONNECT glyphwell.example.org:443",
                                 f"site /prog/glyphwell.vsn {USER_AGENT}", "site answered /prog/glyphwell.vsn"])

    before = len(site.log())
    set_user_proxy(wine, script=f"http://127.0.0.1:{site.ports['http']}/wrong.pac")
    choose_main_menu_item(wine, app.main.hwnd, "Update")
    box = wine.wait_message_box(pid=app.proc.pid, timeout=30)
    assert box.message == f"Error reading version information on {PAGE}."
    wine.click_button(box.hwnd, text="OK")
    # Wine's WinHTTP asks for the script without a User-Agent.
    site.wait_log_since(before, ["http /wrong.pac ", "proxy_wrong CONNECT glyphwell.example.org:443",
                                 f"wrong /prog/glyphwell.vsn {USER_AGENT}", "wrong answered /prog/glyphwell.vsn"])


def test_window_is_served_while_a_slow_check_runs_and_quitting_does_not_wait(wine, glyphwell_exe, site):
    set_user_proxy(wine, server=f"127.0.0.1:{site.ports['proxy']}")
    site.answer("1.11", hold=True)
    before = len(site.log())
    app = start(wine, glyphwell_exe, "Slow")
    choose_main_menu_item(wine, app.main.hwnd, "Update")
    site.wait_log(f"site /prog/glyphwell.vsn {USER_AGENT}")
    assert status_text(wine, app) == " Checking for updates..."
    # The window answers while the server holds its answer (a window that
    # waited for it would answer none of these) ...
    for _ in range(5):
        wine.send_message(app.main.hwnd, 0, timeout_ms=5000)  # WM_NULL
    # ... and Esc hides it into the tray, F10 brings it back.
    wine.activate(app.main.hwnd)
    wine.key("Escape")
    wait_until(lambda: not wine.window(app.main.hwnd).visible, message="Esc to hide the main window")
    wine.key("F10")
    wait_until(lambda: is_foreground(wine, app.main.hwnd), message="F10 to bring the main window back")
    assert "site answered /prog/glyphwell.vsn" not in site.log()[before:]
    assert not wine.message_boxes(pid=app.proc.pid)

    site.release()
    box = wine.wait_message_box(pid=app.proc.pid, timeout=30)
    assert box.message == "You have got the current version of the program."
    wine.click_button(box.hwnd, text="OK")
    status_is(wine, app, INFO_TEXT)

    # Quitting while a check runs neither waits for it nor fails: the program
    # ends well before its own 15 s limit for the check.
    choose_main_menu_item(wine, app.main.hwnd, "Update")
    site.wait_log(f"site /prog/glyphwell.vsn {USER_AGENT}", count=2)
    wine.close_window(app.main.hwnd)
    assert app.proc.wait(timeout=10) == 0
    assert site.log()[before:].count("site answered /prog/glyphwell.vsn") == 1
    site.answer("1.12")
    site.release()


@pytest.fixture
def offline(wine):
    """Windows reports no internet connection to Glyphwell.exe: a wininet.dll
    of the test in the system folder, loaded for that program alone.  Yields
    a function that returns the times (ms) at which the program asked."""
    system_copy = wine.drive_c / "windows" / "system32" / "wininet.dll"
    kept = system_copy.with_name("wininet.dll.kept")

    def call_logs() -> list[Path]:
        # Named after the library as the loader knows it: WININET.dll.calls.
        return [p for p in system_copy.parent.iterdir() if p.name.lower() == "wininet.dll.calls"]

    def calls() -> list[int]:
        return [int(t) for log in call_logs() for t in log.read_text().split()]

    shutil.copy2(system_copy, kept)
    shutil.copy2(wine.tools["offline_wininet"], system_copy)
    for log in call_logs():
        log.unlink()
    wine.reg_add(r"HKCU\Software\Wine\AppDefaults\Glyphwell.exe\DllOverrides", "wininet", "native")
    try:
        yield calls
    finally:
        wine.kill_started()
        wine.reg_delete(r"HKCU\Software\Wine\AppDefaults\Glyphwell.exe")
        shutil.copy2(kept, system_copy)
        kept.unlink()
        for log in call_logs():
            log.unlink()


def test_start_up_check_without_connection_retries_once_after_ten_seconds(wine, glyphwell_exe, offline):
    calls = offline
    app = start(wine, glyphwell_exe, "Offline", CheckUpdate="True")
    wait_until(lambda: len(calls()) >= 1, timeout=20, message="the start-up check")
    assert not wine.message_boxes(pid=app.proc.pid), "the first failure is silent"
    box = wine.wait_message_box(pid=app.proc.pid, timeout=30)
    assert box.message == "No internet connection."
    first, second = calls()
    assert second - first >= 9500, f"the retry came after {second - first} ms"
    wine.click_button(box.hwnd, text="OK")
