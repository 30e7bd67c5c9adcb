#!/usr/bin/env python3
"""The release files' byte-exact parts, for scripts/pack-dist.sh.

  release.py zip STAGE OUT.zip EPOCH      the zip of the folder STAGE/Glyphwell
  release.py files-wxs STAGE OUT.wxs      the installer's components for STAGE/Glyphwell
                                          (file names relative to STAGE, where wixl runs)
  release.py check-version VERSION        refuses a version Windows Installer cannot tell apart
  release.py check-names EXE              refuses a program without the Unicode character names
  release.py product-code VERSION STAGE [TEXT...]
                                          the product code of that version with those
                                          contents (and TEXTs: the package's source, its
                                          help link)
  release.py msi-finish OUT.msi EPOCH     fixed summary-information times and a
                                          package code derived from the contents

Everything depends only on the files and EPOCH (SOURCE_DATE_EPOCH), never on
the time, the folder or the machine of the build, so that two builds of the
same sources give the same bytes.
"""

from __future__ import annotations

import hashlib
import os
import struct
import sys
import time
import uuid
import zipfile
from pathlib import Path
from xml.sax.saxutils import quoteattr

# Derived GUIDs (product and package codes, component ids) come from this
# namespace; the upgrade code in installer/Glyphwell.wxs never changes.
NAMESPACE = uuid.UUID("d16bb2a9-8281-45fd-9a37-9901c5c3f7e8")


def guid(name: str) -> str:
    return str(uuid.uuid5(NAMESPACE, name)).upper()


def tree(stage: Path) -> list[tuple[str, Path]]:
    """The folder STAGE/Glyphwell with every folder and file below it, as zip
    names (with '/', and a trailing '/' for folders) in a fixed order."""
    out = []
    for folder, dirs, files in os.walk(stage / "Glyphwell"):
        base = Path(folder)
        out.append((base.relative_to(stage).as_posix() + "/", base))
        for f in files:
            out.append(((base / f).relative_to(stage).as_posix(), base / f))
    return sorted(out)


def write_zip(stage: Path, out: Path, epoch: int) -> None:
    # DOS times start in 1980 and count two-second steps in local time;
    # the zip holds the commit's time in UTC.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    tmp = out.with_name(out.name + ".tmp")
    with zipfile.ZipFile(tmp, "w") as z:
        for name, path in tree(stage):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 0  # MS-DOS attributes, as Windows writes them
            if name.endswith("/"):
                info.external_attr = 0x10  # directory
                z.writestr(info, b"")
            else:
                info.external_attr = 0x20  # archive
                info.compress_type = zipfile.ZIP_DEFLATED
                # zipfile sets the UTF-8 flag (bit 11) on every name that is
                # not plain ASCII, which is what Windows reads it by.
                z.writestr(info, path.read_bytes(), compresslevel=9)
    tmp.replace(out)


def files_wxs(stage: Path, out: Path) -> None:
    """One component per file, with ids and GUIDs derived from its path, so
    that every version installs the same components (which a major upgrade
    and a clean uninstall rely on)."""
    root = stage / "Glyphwell"
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">', "  <Fragment>"]
    refs = []

    def ident(prefix: str, rel: str) -> str:
        return prefix + hashlib.sha256(rel.encode()).hexdigest()[:24]

    def walk(folder: Path, dir_id: str, indent: str) -> None:
        for entry in sorted(folder.iterdir()):
            rel = entry.relative_to(root).as_posix()
            if entry.is_dir():
                sub = ident("d", rel)
                lines.append(f"{indent}<Directory Id={quoteattr(sub)} Name={quoteattr(entry.name)}>")
                walk(entry, sub, indent + "  ")
                lines.append(f"{indent}</Directory>")
                continue
            cid = "Program" if rel == "Glyphwell.exe" else ident("c", rel)
            fid = "GlyphwellExe" if rel == "Glyphwell.exe" else ident("f", rel)
            refs.append(cid)
            lines.append(f'{indent}<Component Id={quoteattr(cid)} Guid="{guid("component " + rel)}" Win64="yes">')
            lines.append(f'{indent}  <File Id={quoteattr(fid)} Name={quoteattr(entry.name)} '
                         f'Source={quoteattr(entry.relative_to(stage).as_posix())} KeyPath="yes"/>')
            if rel == "Glyphwell.exe":
                # A plain shortcut to the file, as every user's Start menu shows it.
                lines.append(f'{indent}  <Shortcut Id="StartMenuShortcut" Directory="ProgramMenuFolder" '
                             'Name="Glyphwell" Description="Type characters that are not on the keyboard" '
                             'Target="[#GlyphwellExe]" WorkingDirectory="INSTALLDIR"/>')
            lines.append(f"{indent}</Component>")

    lines.append('    <DirectoryRef Id="INSTALLDIR">')
    walk(root, "INSTALLDIR", "      ")
    lines.append("    </DirectoryRef>")
    lines.append('    <ComponentGroup Id="ProgramFiles">')
    lines += [f"      <ComponentRef Id={quoteattr(r)}/>" for r in refs]
    lines += ["    </ComponentGroup>", "  </Fragment>", "</Wix>", ""]
    out.write_text("\n".join(lines), encoding="utf-8")


# --- The MSI's summary information ----------------------------------------------------
# wixl writes the time of the build into it and a random package code. Both are
# set here, in place: the stream keeps its size, so only those bytes change.

PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_LPSTR, VT_FILETIME = 30, 64


def _summary_fields(data: bytes) -> dict[int, tuple[int, int]]:
    """Property id -> (type, offset of its value) of the first section."""
    section = struct.unpack_from("<I", data, 44)[0]
    count = struct.unpack_from("<I", data, section + 4)[0]
    fields = {}
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        vtype = struct.unpack_from("<I", data, section + offset)[0]
        fields[pid] = (vtype, section + offset + 4)
    return fields


def _set_summary(data: bytes, epoch: int, package_code: str) -> bytes:
    buf = bytearray(data)
    fields = _summary_fields(data)
    filetime = (epoch + 11644473600) * 10_000_000
    for pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
        vtype, at = fields[pid]
        assert vtype == VT_FILETIME, f"summary property {pid} has type {vtype}"
        struct.pack_into("<Q", buf, at, filetime)
    vtype, at = fields[PID_REVNUMBER]
    assert vtype == VT_LPSTR
    size = struct.unpack_from("<I", buf, at)[0]
    code = ("{" + package_code + "}").encode("ascii") + b"\0"
    assert size == len(code), f"package code field holds {size} bytes"
    buf[at + 4:at + 4 + size] = code
    return bytes(buf)


def msi_finish(path: Path, epoch: int) -> str:
    import olefile

    stream = "\x05SummaryInformation"
    with olefile.OleFileIO(str(path), write_mode=True) as ole:
        data = ole.openstream(stream).read()
        # The package code names these exact contents: a hash of the file with
        # a blank code and the fixed times.
        ole.write_stream(stream, _set_summary(data, epoch, "0" * 8 + "-0000" * 3 + "-" + "0" * 12))
    digest = hashlib.sha256(path.read_bytes()).hexdigest()
    code = guid("package " + digest)
    with olefile.OleFileIO(str(path), write_mode=True) as ole:
        ole.write_stream(stream, _set_summary(ole.openstream(stream).read(), epoch, code))
    return code


# --- What a release must be ---------------------------------------------------------

def check_version(version: str) -> str | None:
    """Why `version` cannot be a release's, or None. Windows Installer compares
    the first three fields only (major and minor up to 255, build up to 65535):
    a fourth field would make a second entry in "Apps & features" that no
    upgrade replaces."""
    parts = version.split(".")
    if not 2 <= len(parts) <= 3 or not all(p.isdigit() and (p == "0" or not p.startswith("0")) for p in parts):
        return f"version {version!r} is not MAJOR.MINOR or MAJOR.MINOR.BUILD"
    limits = (255, 255, 65535)
    if any(int(p) > limit for p, limit in zip(parts, limits)):
        return f"version {version!r} has a field above Windows Installer's limits (255.255.65535)"
    return None


NAMES_MAGIC = b"GWNAMES1"


def check_names(exe: bytes) -> str | None:
    """Why the program `exe` must not ship, as far as its character names go,
    or None: it must carry the packed names with the Unicode names in them,
    not the entity names alone (the build makes such a file when
    UnicodeData.txt is missing, and Find then finds no names)."""
    import zlib

    # The reader's own copy of the magic is in the program too: the packed
    # file is the occurrence whose text unpacks with its size and CRC.
    text = None
    at = exe.find(NAMES_MAGIC)
    while at >= 0 and text is None:
        start = at + len(NAMES_MAGIC)
        if start + 8 <= len(exe):
            size, crc = struct.unpack_from("<II", exe, start)
            try:
                unpacked = zlib.decompressobj().decompress(exe[start + 8:])
            except zlib.error:
                unpacked = b""
            if len(unpacked) == size and zlib.crc32(unpacked) == crc:
                text = unpacked
        at = exe.find(NAMES_MAGIC, at + 1)
    if text is None:
        return "the program carries no character names (or damaged ones)"
    if b"LATIN CAPITAL LETTER A" not in text or b"PER MILLE SIGN" not in text:
        return ("the program's character names hold no Unicode names (UnicodeData.txt was missing "
                "at build time: install Debian's unicode-data or set GLYPHWELL_UNICODE_DATA)")
    return None


def product_code(version: str, stage: Path, *extra: str) -> str:
    """Derived from the version and the contents: another build of the same
    version with other contents is another product, which the package's
    upgrade (up to and including its own version) replaces in place; the
    same contents give the same code."""
    digest = hashlib.sha256()
    for name, path in tree(stage):
        digest.update(name.encode() + b"\0")
        if not name.endswith("/"):
            digest.update(hashlib.sha256(path.read_bytes()).digest())
    for text in extra:
        digest.update(b"\1" + text.encode())
    return guid(f"product Glyphwell x64 {version} {digest.hexdigest()}")


def main(argv: list[str]) -> int:
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    cmd, args = argv[1], argv[2:]
    if cmd == "zip" and len(args) == 3:
        write_zip(Path(args[0]), Path(args[1]), int(args[2]))
    elif cmd == "files-wxs" and len(args) == 2:
        files_wxs(Path(args[0]), Path(args[1]))
    elif cmd in ("check-version", "check-names") and len(args) == 1:
        problem = check_version(args[0]) if cmd == "check-version" else check_names(Path(args[0]).read_bytes())
        if problem:
            print(f"release: {problem}", file=sys.stderr)
            return 1
    elif cmd == "product-code" and len(args) >= 2:
        print(product_code(args[0], Path(args[1]), *args[2:]))
    elif cmd == "msi-finish" and len(args) == 2:
        print(msi_finish(Path(args[0]), int(args[1])))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
