"""pytest fixtures for the end-to-end tests.

wine_session  (session)  one prefix copy, Xvfb display, wineserver and probe for the whole run
wine          (function) the same session; afterwards the copies of Glyphwell started through
                         glyphwell.start/attach are ended as a user would, every other program
                         the test started is terminated, and on failure a screenshot is kept
demo_exe      (session)  Unix path of the stand-in program gwdemo.exe
glyphwell_exe (session)  Unix path of Glyphwell.exe (GLYPHWELL_EXE, else the build tree);
                         tests using it are skipped when it was not built

Environment: GW_BUILD_DIR (build tree, default <repo>/build), GW_E2E_KEEP=1 (keep the run
folder), GW_E2E_ARTIFACTS (folder for failure screenshots, default <build>/e2e/artifacts).
"""

from __future__ import annotations

import os
import re
import signal
import sys
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))

import glyphwell  # noqa: E402
from harness import HarnessError, WineSession, build_dir  # noqa: E402


def pytest_configure(config):
    # A run stopped with SIGTERM (a CI time limit) still ends its Wine session.
    def interrupt(signum, frame):
        raise KeyboardInterrupt(f"signal {signum}")

    signal.signal(signal.SIGTERM, interrupt)


@pytest.hookimpl(tryfirst=True, hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    rep = outcome.get_result()
    setattr(item, "rep_" + rep.when, rep)


_timings: dict[str, float] = {}


@pytest.fixture(scope="session")
def wine_session():
    session = WineSession()
    try:
        session.start_up()
    except Exception:
        session.shut_down()
        raise
    yield session
    t = time.monotonic()
    session.shut_down()
    _timings.update(session.timings, shut_down=time.monotonic() - t)


def pytest_terminal_summary(terminalreporter):
    if _timings:
        terminalreporter.write_line(
            "wine session: " + ", ".join(f"{k} {v:.2f} s" for k, v in _timings.items()))


@pytest.fixture
def wine(wine_session, request):
    # Explorer windows that the test caused (the program shows its data file in
    # Explorer when it cannot read it) are closed after it: left open, one of
    # them may take the keyboard focus of a later test.
    explorers = {w.hwnd for w in wine_session.find_windows(cls="ExplorerWClass")}
    yield wine_session
    rep = getattr(request.node, "rep_call", None)
    if rep is not None and rep.failed and wine_session.env:
        folder = Path(os.environ.get("GW_E2E_ARTIFACTS", build_dir() / "e2e" / "artifacts"))
        folder.mkdir(parents=True, exist_ok=True)
        name = re.sub(r"[^A-Za-z0-9_.-]+", "_", request.node.nodeid)[-120:]
        try:
            shot = wine_session.screenshot(folder / f"{name}.png")
            print(f"\nscreenshot of the failure: {shot}")
        except Exception as e:  # a failed screenshot must not hide the test's failure
            print(f"\nno screenshot: {e}")
    glyphwell.end_started(wine_session)
    try:
        for w in wine_session.find_windows(cls="ExplorerWClass"):
            if w.hwnd not in explorers:
                wine_session.close_window(w.hwnd)
        wine_session.kill_started()
    except HarnessError as e:
        print(f"\ncleanup: {e}")


@pytest.fixture(scope="session")
def demo_exe(wine_session) -> Path:
    return wine_session.tools["gwdemo"]


@pytest.fixture(scope="session")
def glyphwell_exe() -> Path:
    given = os.environ.get("GLYPHWELL_EXE")
    if given:
        path = Path(given)
        if not path.is_file():
            pytest.fail(f"GLYPHWELL_EXE={given} does not exist")
        return path
    for candidate in sorted(build_dir().glob("**/bin/Glyphwell.exe")):
        return candidate
    pytest.skip("Glyphwell.exe not built (set GLYPHWELL_EXE)")
