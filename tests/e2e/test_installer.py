"""The installer as a user meets it under Wine: a silent install of an older
version with start with Windows turned on for every user, the first start of
the installed program, an upgrade to this version while the program runs, a
rebuilt release installed over it, and the uninstall. Needs the dist target
(dist/Glyphwell-1.11-x64.msi); the older and the rebuilt MSI are built from
the same files."""

from __future__ import annotations

import hashlib
import os
import shutil
import subprocess
from pathlib import Path

import pytest

from glyphwell import (DEFAULT_TABLE, REPO, RUN_KEY, attach, character_file, choose_main_menu_item, quit_program,
                       run_value, settings_file)
from harness import wait_until

DIST = Path(os.environ.get("GLYPHWELL_DIST", REPO / "dist"))
MSI = DIST / "Glyphwell-1.11-x64.msi"
MACHINE_RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
INSTALLED_EXE = r"C:\Program Files\Glyphwell\Glyphwell.exe"
WM_ENDSESSION, ENDSESSION_CLOSEAPP = 0x16, 0x1


def msiexec(wine, *args: str) -> int:
    proc = wine.start(r"C:\windows\system32\msiexec.exe", args=" ".join(args))
    return proc.wait(timeout=180)


def snapshot(folder: Path) -> dict[str, str]:
    """Relative path -> SHA-256 of every file below `folder`."""
    return {p.relative_to(folder).as_posix(): hashlib.sha256(p.read_bytes()).hexdigest()
            for p in sorted(folder.rglob("*")) if p.is_file()}


def start_installed(wine, wait_tray: bool = False):
    return attach(wine, wine.start(INSTALLED_EXE), exe=INSTALLED_EXE, focus_list=False, wait_tray=wait_tray,
                  timeout=30)


def _pack(out: Path, **env: str) -> None:
    subprocess.run(["bash", str(REPO / "scripts" / "pack-dist.sh"), str(DIST / "Glyphwell.exe"), str(REPO),
                    str(out / "stage"), str(out)], env=dict(os.environ, **env), check=True, capture_output=True)


@pytest.fixture(scope="module")
def msis(tmp_path_factory) -> tuple[Path, Path, Path]:
    """The older version, this one, and this one rebuilt with other contents
    (another help link)."""
    if not MSI.is_file():
        pytest.fail(f"{MSI} is missing: build the dist target first")
    older = tmp_path_factory.mktemp("older")
    _pack(older, GLYPHWELL_MSI_VERSION="1.10")
    rebuilt = tmp_path_factory.mktemp("rebuilt")
    _pack(rebuilt, GLYPHWELL_WEBSITE="https://glyphwell.example.net/")
    (rebuilt / "Rebuilt-1.11-x64.msi").write_bytes((rebuilt / MSI.name).read_bytes())
    return older / "Glyphwell-1.10-x64.msi", MSI, rebuilt / "Rebuilt-1.11-x64.msi"


def test_install_start_upgrade_and_uninstall(wine, glyphwell_exe, msis):
    older, newer, rebuilt = msis
    setup = wine.unix_path(r"C:\Setup")
    setup.mkdir(exist_ok=True)
    for m in msis:
        shutil.copy(m, setup / m.name)
    program = wine.unix_path(r"C:\Program Files\Glyphwell")
    data = wine.appdata / "Glyphwell"
    shutil.rmtree(data, ignore_errors=True)
    wine.reg_delete(RUN_KEY, "Glyphwell")
    # The usual first-start files (tests/e2e/test_startup.py shows that a first start writes these).
    first_start = {"Glyphwell.ini": settings_file(), "Characters.json": character_file(DEFAULT_TABLE)}

    # A silent install of the older version, with start with Windows.
    assert msiexec(wine, "/i", rf"C:\Setup\{older.name}", "/qn", "RUNATSTARTUP=1") == 0
    installed = snapshot(program)
    print("\nafter installing 1.10:", sorted(installed))
    assert sorted(installed) == sorted(["Glyphwell.exe"] + [f"lang/{p.name}" for p in (REPO / "lang").iterdir()]
                                       + [f"doc/{p.name}" for p in (REPO / "doc").iterdir()])
    # Windows puts a per-machine shortcut into the common Start menu; Wine 8
    # into the installing user's.
    shortcuts = [link for base in (wine.drive_c / "ProgramData", wine.appdata)
                 if (link := base / "Microsoft/Windows/Start Menu/Programs/Glyphwell.lnk").exists()]
    assert len(shortcuts) == 1, "no Start-menu shortcut"
    # For every user, written by the installer itself: nothing in the
    # installing user's own Run key.
    assert run_value(wine, MACHINE_RUN_KEY) == f'"{INSTALLED_EXE}" /tray'
    assert run_value(wine) is None
    arp = [wine.reg_query(f"{UNINSTALL_KEY}\\{code}") for code in _product_codes(wine)]
    assert [(e["DisplayName"], e["DisplayVersion"], e["Publisher"]) for e in arp] == \
        [("Glyphwell", "1.10", "Glyphwell developers")]
    assert arp[0]["HelpLink"] == "https://glyphwell.example.org/prog/"
    assert arp[0]["InstallLocation"] == "C:\\Program Files\\Glyphwell\\"
    # The entry's icon: Windows shows the one the installer keeps below
    # C:\Windows\Installer (Wine writes no DisplayIcon value for it).
    code = _product_codes(wine)[0]
    icon = wine.drive_c / "windows" / "Installer" / code / "Glyphwell.ico"
    assert icon.read_bytes() == (REPO / "resources" / "icon" / "glyphwell.ico").read_bytes()
    assert not data.exists()

    # The first start writes the usual first-start files into AppData and
    # nothing below Program Files.
    app = start_installed(wine, wait_tray=True)
    wait_until(lambda: (data / "Characters.json").exists(), message="the character file in AppData")
    assert {n: (data / n).read_bytes() for n in first_start} == first_start
    assert snapshot(program) == installed

    # The menu item is checked and greyed (the in-process tests look at it):
    # choosing it changes nothing.
    choose_main_menu_item(wine, app.main.hwnd, "RunAtStartup")
    assert run_value(wine) is None
    assert run_value(wine, MACHINE_RUN_KEY) == f'"{INSTALLED_EXE}" /tray'

    # The user's own table.
    (data / "Characters.json").write_bytes(character_file([("x", r"\u2716", "heavy multiplication x")]))
    user_data = snapshot(data)
    assert snapshot(program) == installed

    # The upgrade while the program runs: it goes on running, and after it
    # the table, the settings and start with Windows are as they were.
    assert msiexec(wine, "/i", rf"C:\Setup\{newer.name}", "/qn") == 0
    arp = [wine.reg_query(f"{UNINSTALL_KEY}\\{code}") for code in _product_codes(wine)]
    print("after upgrading to 1.11:", sorted(snapshot(program)), [e["DisplayVersion"] for e in arp])
    assert [e["DisplayVersion"] for e in arp] == ["1.11"]
    assert sorted(snapshot(program)) == sorted(installed)
    assert app.proc.running
    assert snapshot(data) == user_data
    assert run_value(wine, MACHINE_RUN_KEY) == f'"{INSTALLED_EXE}" /tray'
    # Windows' Restart Manager ends it the way a sign-out does.
    wine.post_message(app.main.hwnd, WM_ENDSESSION, 1, ENDSESSION_CLOSEAPP)
    assert app.proc.wait(timeout=20) == 0
    app = start_installed(wine)
    rows = wine.list_view(app.list).rows
    assert [r[0] for r in rows] == ["x"]  # the trigger column
    quit_program(wine, app)

    # A rebuilt 1.11 installs over the 1.11 installed: one entry, the new help
    # link, start with Windows kept.
    assert msiexec(wine, "/i", rf"C:\Setup\{rebuilt.name}", "/qn") == 0
    arp = [wine.reg_query(f"{UNINSTALL_KEY}\\{code}") for code in _product_codes(wine)]
    assert [(e["DisplayVersion"], e["HelpLink"]) for e in arp] == [("1.11", "https://glyphwell.example.net/prog/")]
    assert run_value(wine, MACHINE_RUN_KEY) == f'"{INSTALLED_EXE}" /tray'

    # The uninstall removes the program, the shortcut and the Run value, and
    # leaves the user's data alone.
    assert msiexec(wine, "/x", rf"C:\Setup\{rebuilt.name}", "/qn") == 0
    print("after uninstalling:", "program folder" if program.exists() else "no program folder",
          sorted(snapshot(data)))
    assert not program.exists()
    assert not any(s.exists() for s in shortcuts)
    assert run_value(wine, MACHINE_RUN_KEY) is None
    assert _product_codes(wine) == []
    assert snapshot(data) == user_data


def _product_codes(wine) -> list[str]:
    """Uninstall entries whose DisplayName is Glyphwell."""
    r = wine.reg("query", UNINSTALL_KEY, check=False)
    codes = []
    for line in r.stdout.splitlines():
        key = line.strip()
        if not key.upper().startswith(UNINSTALL_KEY.upper().replace("HKLM", "HKEY_LOCAL_MACHINE") + "\\"):
            continue
        values = wine.reg_query(key)
        if values and values.get("DisplayName") == "Glyphwell":
            codes.append(key.rsplit("\\", 1)[1])
    return codes
