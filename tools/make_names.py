#!/usr/bin/env python3
"""Writes the character-name file that Glyphwell carries: the Unicode names of
every named code point and the HTML entity names of the characters, packed
with zlib.

    make_names.py OUTPUT [--unicode-data PATH]

The names come from UnicodeData.txt (Debian's unicode-data package:
/usr/share/unicode/UnicodeData.txt), the entity names from Python's
html.entities.html5, the list that browsers follow. Names that the Unicode
standard makes up by rule (CJK unified ideographs, Tangut ideographs, Hangul
syllables) are not listed one by one: the file names their ranges and the
program spells them out.

When UnicodeData.txt is missing the file holds the entity names alone; the
build goes on, and the program then simply knows no Unicode names.

The file: the 8 bytes "GWNAMES1", the size and the CRC-32 of the text below
(two 32-bit little-endian numbers), then that text compressed with zlib. The
text is ASCII, one line each:
    # a comment (the sources and their versions)
    =FIRST..LAST;PREFIX       a range named PREFIX + the code point in hex
                              (four digits at least); the prefix
                              "HANGUL SYLLABLE " asks for the syllable names
    STEP;NAME;ENTITIES        the next code point: STEP (hex, empty for 0) code
                              points after the one before plus one; its name
                              and its entity names, separated by spaces
"""

import argparse
import html.entities
import os
import re
import struct
import sys
import zlib

MAGIC = b"GWNAMES1"
DEFAULT_UNICODE_DATA = "/usr/share/unicode/UnicodeData.txt"

# Ranges of UnicodeData.txt ("<CJK Ideograph, First>" .. "<..., Last>") whose
# characters have names made by rule; the others (surrogates, private use)
# have no names.
RANGE_PREFIXES = [
    ("CJK Ideograph", "CJK UNIFIED IDEOGRAPH-"),
    ("Tangut Ideograph", "TANGUT IDEOGRAPH-"),
    ("Hangul Syllable", "HANGUL SYLLABLE "),
]


def range_prefix(label):
    for start, prefix in RANGE_PREFIXES:
        if label.startswith(start):
            return prefix
    return None


def unicode_version(data_path):
    """The version named by the ReadMe.txt beside UnicodeData.txt, or "unknown"."""
    readme = os.path.join(os.path.dirname(data_path), "ReadMe.txt")
    try:
        with open(readme, encoding="utf-8", errors="replace") as f:
            m = re.search(r"Version (\d+\.\d+\.\d+) of the Unicode Standard", f.read())
            if m:
                return m.group(1)
    except OSError:
        pass
    return "unknown"


def read_unicode_data(path):
    """code point -> name, and the named ranges (first, last, prefix)."""
    names = {}
    ranges = []
    open_range = None
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            if len(fields) < 11:
                continue
            cp = int(fields[0], 16)
            name = fields[1]
            if name.startswith("<"):
                label = name[1:-1]
                if label.endswith(", First"):
                    open_range = (cp, label[: -len(", First")])
                elif label.endswith(", Last") and open_range:
                    prefix = range_prefix(open_range[1])
                    if prefix:
                        ranges.append((open_range[0], cp, prefix))
                    open_range = None
                elif label == "control" and fields[10]:
                    # Control characters have no name; their Unicode 1.0 name
                    # ("CHARACTER TABULATION") is what people search for.
                    names[cp] = fields[10]
                continue
            names[cp] = name
    return names, ranges


def entity_names():
    """code point -> entity names without their ";", for entities of one character."""
    found = {}
    for entity, value in html.entities.html5.items():
        if len(value) != 1:
            continue
        name = entity.rstrip(";")
        bucket = found.setdefault(ord(value), [])
        if name not in bucket:
            bucket.append(name)
    return found


def build_text(names, ranges, entities, comment):
    lines = ["# " + comment]
    for first, last, prefix in ranges:
        lines.append("=%X..%X;%s" % (first, last, prefix))
    previous = -1
    for cp in sorted(set(names) | set(entities)):
        step = cp - previous - 1
        previous = cp
        lines.append("%s;%s;%s" % ("%X" % step if step else "", names.get(cp, ""),
                                   " ".join(entities.get(cp, []))))
    return ("\n".join(lines) + "\n").encode("ascii")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("output")
    ap.add_argument("--unicode-data", default=DEFAULT_UNICODE_DATA)
    args = ap.parse_args()

    try:
        names, ranges = read_unicode_data(args.unicode_data)
        source = "UnicodeData.txt %s" % unicode_version(args.unicode_data)
    except (OSError, ValueError, UnicodeDecodeError) as e:
        print("make_names.py: no Unicode names (%s)" % e, file=sys.stderr)
        names, ranges, source = {}, [], "no UnicodeData.txt"
    entities = entity_names()
    comment = "%s; HTML entities of Python %d.%d" % (source, sys.version_info[0], sys.version_info[1])
    text = build_text(names, ranges, entities, comment)
    packed = MAGIC + struct.pack("<II", len(text), zlib.crc32(text)) + zlib.compress(text, 9)
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(packed)
    os.replace(tmp, args.output)
    print("make_names.py: %d names, %d ranges, %d bytes (%s)" % (len(names), len(ranges), len(packed), comment))
    return 0


if __name__ == "__main__":
    sys.exit(main())
