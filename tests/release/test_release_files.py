"""The release files in dist/ (cmake --build build/win --target dist):
the zip's names as Windows reads them, its fixed order and times, and
signing with a certificate that the test makes."""

from __future__ import annotations

import os
import struct
import subprocess
import time
import zipfile
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("GLYPHWELL_DIST", REPO / "dist"))
ZIP = DIST / "Glyphwell-1.11-x64.zip"
MSI = DIST / "Glyphwell-1.11-x64.msi"
EXE = DIST / "Glyphwell.exe"


def windows_names(data: bytes) -> list[tuple[str, int, int, int]]:
    """(name, flags, DOS time, DOS date) of every entry, read from the raw
    central directory the way Windows' unpacking reads a name: UTF-8 when
    general-purpose flag bit 11 is set, else the OEM code page (437 on an
    English, German or French Windows). Each entry's local header must carry
    the same name bytes and flags."""
    end = data.rindex(b"PK\x05\x06")
    count, _, offset = struct.unpack_from("<HII", data, end + 10)
    entries = []
    for _ in range(count):
        assert data[offset:offset + 4] == b"PK\x01\x02"
        flags, _, mtime, mdate = struct.unpack_from("<HHHH", data, offset + 8)
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, offset + 28)
        local = struct.unpack_from("<I", data, offset + 42)[0]
        raw = data[offset + 46:offset + 46 + name_len]
        assert data[local:local + 4] == b"PK\x03\x04"
        local_flags = struct.unpack_from("<H", data, local + 6)[0]
        local_len = struct.unpack_from("<H", data, local + 26)[0]
        assert (local_flags, data[local + 30:local + 30 + local_len]) == (flags, raw)
        name = raw.decode("utf-8" if flags & 0x800 else "cp437")
        entries.append((name, flags, mtime, mdate))
        offset += 46 + name_len + extra_len + comment_len
    return entries


def expected_names() -> list[str]:
    names = ["Glyphwell/", "Glyphwell/Glyphwell.exe"]
    for folder in ("lang", "doc"):
        names.append(f"Glyphwell/{folder}/")
        names += [f"Glyphwell/{folder}/{p.name}" for p in (REPO / folder).iterdir()]
    return sorted(names)


@pytest.fixture(scope="module")
def zip_bytes() -> bytes:
    if not ZIP.is_file():
        pytest.fail(f"{ZIP} is missing: build the dist target first")
    return ZIP.read_bytes()


def test_zip_names_read_by_windows_are_the_files_names(zip_bytes):
    entries = windows_names(zip_bytes)
    names = [e[0] for e in entries]
    print("\nthe zip's names as Windows reads them:\n  " + "\n  ".join(names))
    assert names == expected_names()  # every name right, in a fixed order
    assert "Glyphwell/lang/Français.lng" in names
    for name, flags, _, _ in entries:
        assert bool(flags & 0x800) == (not name.isascii()), name


def test_zip_holds_the_commit_time_and_the_files(zip_bytes):
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
        ["git", "-C", str(REPO), "log", "-1", "--format=%ct"], capture_output=True, text=True,
        check=True).stdout)
    t = time.gmtime(max(epoch, 315532800))
    dos_time = (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2)
    dos_date = ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday
    assert {(e[2], e[3]) for e in windows_names(zip_bytes)} == {(dos_time, dos_date)}
    with zipfile.ZipFile(ZIP) as z:
        assert z.read("Glyphwell/Glyphwell.exe") == EXE.read_bytes()
        assert z.read("Glyphwell/lang/Français.lng") == (REPO / "lang" / "Français.lng").read_bytes()


def run(cmd: list[str], **kw) -> subprocess.CompletedProcess:
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def test_signing_with_a_given_certificate(tmp_path):
    # Without a certificate nothing is signed.
    assert "No signature found" in run(["osslsigncode", "verify", "-in", str(EXE)]).stderr

    key, cert, pfx = tmp_path / "key.pem", tmp_path / "cert.pem", tmp_path / "sign.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Glyphwell test signing", "-addext", "extendedKeyUsage=codeSigning",
                    "-keyout", str(key), "-out", str(cert)], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(cert),
                    "-out", str(pfx), "-passout", "pass:throwaway secret"], check=True, capture_output=True)

    def pack(out: Path, password: str) -> subprocess.CompletedProcess:
        env = dict(os.environ, GLYPHWELL_SIGN_PFX=str(pfx), GLYPHWELL_SIGN_PASSWORD=password)
        return run(["bash", str(REPO / "scripts" / "pack-dist.sh"), str(EXE), str(REPO),
                    str(tmp_path / "stage"), str(out)], env=env)

    signed = tmp_path / "signed"
    result = pack(signed, "throwaway secret")
    assert result.returncode == 0, result.stdout + result.stderr
    assert "signed and verified: Glyphwell.exe" in result.stdout
    with zipfile.ZipFile(signed / ZIP.name) as z:
        (tmp_path / "zipped.exe").write_bytes(z.read("Glyphwell/Glyphwell.exe"))
    for f in (signed / "Glyphwell.exe", tmp_path / "zipped.exe", signed / MSI.name):
        check = run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(f)])
        assert check.returncode == 0 and "Signature verification: ok" in check.stdout, f
        assert "Glyphwell test signing" in check.stdout
    assert (signed / "Glyphwell.exe").read_bytes() != EXE.read_bytes()
    assert (signed / "SHA256SUMS").read_text().count("\n") == 3

    # A wrong password stops the build with a message.
    result = pack(tmp_path / "wrong", "not the password")
    assert result.returncode != 0
    assert "cannot read" in result.stderr


def _release():
    import importlib.util
    found = importlib.util.spec_from_file_location("release", REPO / "scripts" / "release.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def test_every_build_installs_over_the_one_before(tmp_path):
    """A rebuilt version with other contents is another product that the
    package's upgrade (which includes its own version) replaces; a fourth
    version field, which Windows Installer does not compare, is refused."""
    release = _release()
    stage = tmp_path / "stage"
    (stage / "Glyphwell").mkdir(parents=True)
    exe = stage / "Glyphwell" / "Glyphwell.exe"
    exe.write_bytes(b"first build")
    first = release.product_code("1.11", stage)
    assert release.product_code("1.11", stage) == first
    exe.write_bytes(b"rebuilt")
    assert release.product_code("1.11", stage) != first

    assert [release.check_version(v) is None for v in ("1.11", "1.11.2", "255.255.65535")] == [True] * 3
    for bad in ("1.11.0.1", "1", "1.256", "1.011", "1.x", ""):
        assert release.check_version(bad), bad

    upgrade = subprocess.run(["msiinfo", "export", str(MSI), "Upgrade"], capture_output=True, text=True,
                             check=True).stdout.splitlines()[3:]
    rows = [line.split("\t") for line in upgrade]
    # UpgradeCode, VersionMin, VersionMax, Language, Attributes, Remove, ActionProperty
    replaced = [r for r in rows if r[6] == "WIX_UPGRADE_DETECTED"]
    assert len(replaced) == 1 and replaced[0][2] == "1.11"
    assert int(replaced[0][4]) & 0x200, "the upgrade does not include its own version"


def test_a_program_without_unicode_names_is_not_shipped():
    release = _release()
    assert release.check_names(EXE.read_bytes()) is None
    import zlib
    entities_only = b"# entities\n;;amp\n2;;lt\n"
    packed = (b"MZ..." + release.NAMES_MAGIC + struct.pack("<II", len(entities_only), zlib.crc32(entities_only))
              + zlib.compress(entities_only) + b"rest of the program")
    assert "no Unicode names" in release.check_names(packed)
    assert release.check_names(b"MZ no names at all")
