#!/usr/bin/env python3
"""Writes the search data that Find reads beside the character names: the
aliases of the characters, every fully-qualified emoji sequence, and the CLDR
short names and keywords in English, German and French, packed with zlib.

    make_search_data.py OUTPUT [--unicode DIR] [--cldr DIR] [--emoji-test PATH]
    make_search_data.py --verify FILE [--names NAMEFILE]

The sources (Debian packages):
  DIR/NameAliases.txt, DIR/NamesList.txt,      unicode-data (/usr/share/unicode)
  DIR/UnicodeData.txt (the accented letters)
  emoji-test.txt                               unicode-data (/usr/share/unicode/emoji)
  CLDR/common/annotations/{en,de,fr}.xml and
  CLDR/common/annotationsDerived/{en,de,fr}.xml unicode-cldr-core (/usr/share/unicode/cldr)
  tools/everyday_names.txt                     this program's own short list of everyday
                                               German and French names, searched as names

An accented Latin letter (one plain letter and one combining accent) is also
named by its letter and each name of its accent: "o umlaut" (English, from the
accent's informal aliases), "o Umlaut", "großes O Umlaut" (German) and
"o tréma", "O tréma majuscule" (French, from the accent's everyday names).

A missing source is left out and named in the file's first line ("missing:
..."); the build goes on with what there is. --verify fails for a file that
misses a source: the release build runs it first.

The file: the 8 bytes "GWFIND01", the size and the CRC-32 of the text below
(two 32-bit little-endian numbers), then that text compressed with zlib. The
text is UTF-8, one line each:
    # the sources and their versions[; missing: SOURCE ...]
    [aliases]                 then lines STEP;ALIAS|ALIAS...: the next code
                              point, STEP (hex, empty for 0) after the one
                              before plus one, and its formal and informal
                              aliases
    [emoji]                   then lines CODES;NAME: a fully-qualified emoji
                              sequence (code points in hex, separated by
                              spaces) and its English name
    [en] [de] [fr]            then lines CODES;SHORT NAME;KEYWORD|KEYWORD...[;NAME|NAME...]:
                              the CLDR short name and keywords of a character
                              or sequence in that language, and its everyday
                              names of tools/everyday_names.txt (searched as
                              names)
"""

import argparse
import html
import os
import re
import struct
import sys
import zlib

MAGIC = b"GWFIND01"
LANGUAGES = ["en", "de", "fr"]


def read_name_aliases(path, aliases):
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split(";")
            if len(fields) < 3:
                raise ValueError("NameAliases.txt: a line without three fields: %r" % line)
            cp = int(fields[0], 16)
            add_alias(aliases, cp, fields[1].strip())


def read_names_list(path, aliases):
    """The informal aliases: the "= " lines under a character's line."""
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"^([0-9A-F]{4,6})\t", line)
            if m:
                current = int(m.group(1), 16)
                continue
            if line.startswith("@"):
                current = None
                continue
            if current is not None and line.startswith("\t= "):
                text = line[3:].strip()
                # "command key (1.0)": the note in brackets is no part of it.
                text = re.sub(r"\s*\([^)]*\)\s*$", "", text)
                for alias in text.split(", "):
                    add_alias(aliases, current, alias)


def add_alias(aliases, cp, alias):
    alias = alias.strip().replace("|", " ").replace(";", ",")
    if alias and alias.lower() not in [a.lower() for a in aliases.setdefault(cp, [])]:
        aliases[cp].append(alias)


def read_emoji_test(path):
    """[(codes, name)] of the fully-qualified sequences, in the file's order."""
    found = []
    version = "unknown"
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^# Version: (\S+)", line)
            if m:
                version = m.group(1)
            if line.startswith("#") or ";" not in line:
                continue
            codes, rest = line.split(";", 1)
            if not rest.strip().startswith("fully-qualified"):
                continue
            # "... # 😀 E1.0 grinning face"
            m = re.search(r"#\s*\S+\s+E\d+\.\d+\s+(.*)$", rest)
            if not m:
                raise ValueError("emoji-test.txt: a line without a name: %r" % line)
            found.append(([int(c, 16) for c in codes.split()], m.group(1).strip()))
    if not found:
        raise ValueError("emoji-test.txt: no fully-qualified sequences")
    return found, version


# Other attributes (draft="contributed") may follow cp and type.
ANNOTATION = re.compile(r'<annotation cp="([^"]+)"( type="tts")?(?: [a-z]+="[^"]*")*>([^<]*)</annotation>')


def read_annotations(paths, entries):
    """CLDR annotation files: codes -> [short name, [keywords]]."""
    for path in paths:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        count = 0
        for m in ANNOTATION.finditer(text):
            codes = tuple(ord(c) for c in html.unescape(m.group(1)))
            value = html.unescape(m.group(3)).strip().replace(";", ",")
            entry = entries.setdefault(codes, ["", [], []])
            if m.group(2):
                entry[0] = value
            else:
                entry[1] = [k.strip() for k in value.split("|") if k.strip()]
            count += 1
        if count == 0:
            raise ValueError("%s: no annotations" % path)


# Keywords that people use as often as CLDR's own word: every character with
# the keyword on the left gets the one on the right ("Fahne Österreich").
SYNONYMS = {"de": {"Flagge": "Fahne"}}


def add_synonyms(annotations):
    for language, synonyms in SYNONYMS.items():
        for entry in annotations.get(language, {}).values():
            for keyword, synonym in synonyms.items():
                if keyword in entry[1] and synonym not in entry[1]:
                    entry[1].append(synonym)


def read_everyday_names(path, annotations):
    """The hand-written everyday names: LANGUAGE, code points, NAME|NAME; each
    is searched as a name of the character in that language."""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 3 or fields[0] not in LANGUAGES:
                raise ValueError("%s:%d: not LANGUAGE<TAB>CODES<TAB>NAMES" % (path, number))
            codes = tuple(int(c, 16) for c in fields[1].split())
            entry = annotations.setdefault(fields[0], {}).setdefault(codes, ["", [], []])
            known = {entry[0].lower()} | {k.lower() for k in entry[2]}
            for name in fields[2].split("|"):
                name = name.strip().replace(";", ",")
                if name and name.lower() not in known:
                    entry[2].append(name)
                    known.add(name.lower())


def read_decompositions(path):
    """The Latin letters made of a plain letter and one combining accent:
    code point -> (the plain letter, the accent, what the name says after WITH)."""
    letters = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split(";")
            if len(fields) < 6:
                continue
            parts = fields[5].split()
            m = re.match(r"^LATIN (SMALL|CAPITAL) LETTER [A-Z] WITH (.+)$", fields[1])
            if not m or len(parts) != 2 or parts[0].startswith("<"):
                continue
            base, mark = int(parts[0], 16), int(parts[1], 16)
            if chr(base).isascii() and chr(base).isalpha() and 0x300 <= mark <= 0x36F:
                letters[int(fields[0], 16)] = (chr(base), mark, m.group(2).lower())
    if not letters:
        raise ValueError("%s: no decomposed letters" % path)
    return letters


def add_accented_letter_names(letters, aliases, annotations):
    """Names such as "o umlaut", "e accent aigu" and "großes A Umlaut" for the
    letters with one accent: the letter and each name of its accent, in English
    from the character's own name and the accent's one-word informal aliases,
    in German and French from the accent's everyday names."""
    for cp, (base, mark, after_with) in sorted(letters.items()):
        small = base.islower()
        for name in [after_with] + [a for a in aliases.get(mark, []) if " " not in a and a.islower()]:
            add_alias(aliases, cp, "%s %s" % (base, name))
        for language, pattern in (("de", "%s %s" if small else "großes %s %s"),
                                  ("fr", "%s %s" if small else "%s %s majuscule")):
            accent = annotations.get(language, {}).get((mark,))
            if not accent:
                continue
            entry = annotations[language].setdefault((cp,), ["", [], []])
            for accent_name in accent[2]:
                name = pattern % (base, accent_name)
                if name.lower() not in [e.lower() for e in entry[2]]:
                    entry[2].append(name)


def cldr_version(cldr):
    try:
        with open(os.path.join(cldr, "common", "dtd", "ldml.dtd"), encoding="utf-8") as f:
            m = re.search(r'cldrVersion CDATA #FIXED "([^"]+)"', f.read())
            if m:
                return m.group(1)
    except OSError:
        pass
    return "unknown"


def unicode_version(unicode_dir):
    try:
        with open(os.path.join(unicode_dir, "NamesList.txt"), encoding="utf-8", errors="replace") as f:
            m = re.search(r"The Unicode Standard (\d+\.\d+\.\d+)", f.read(2000))
            if m:
                return m.group(1)
    except OSError:
        pass
    return "unknown"


def hex_codes(codes):
    return " ".join("%X" % c for c in codes)


def build_text(aliases, emoji, annotations, comment):
    lines = ["# " + comment, "[aliases]"]
    previous = -1
    for cp in sorted(aliases):
        step = cp - previous - 1
        previous = cp
        lines.append("%s;%s" % ("%X" % step if step else "", "|".join(aliases[cp])))
    lines.append("[emoji]")
    for codes, name in emoji:
        lines.append("%s;%s" % (hex_codes(codes), name))
    for language in LANGUAGES:
        if language not in annotations:
            continue
        lines.append("[%s]" % language)
        for codes in sorted(annotations[language]):
            short, keywords, everyday = annotations[language][codes]
            # A keyword that only repeats the short name or an everyday name adds nothing.
            named = {short.lower()} | {e.lower() for e in everyday}
            keywords = [k for k in keywords if k.lower() not in named]
            line = "%s;%s;%s" % (hex_codes(codes), short, "|".join(keywords))
            lines.append(line + (";" + "|".join(everyday) if everyday else ""))
    return ("\n".join(lines) + "\n").encode("utf-8")


def unpack(path, magic=MAGIC):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != magic:
        raise ValueError("%s is no search data file" % path)
    size, crc = struct.unpack("<II", data[8:16])
    text = zlib.decompress(data[16:])
    if len(text) != size or zlib.crc32(text) != crc:
        raise ValueError("%s is damaged" % path)
    return text.decode("utf-8")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("output")
    ap.add_argument("--unicode", default="/usr/share/unicode")
    ap.add_argument("--cldr", default="/usr/share/unicode/cldr")
    ap.add_argument("--emoji-test", default="/usr/share/unicode/emoji/emoji-test.txt")
    ap.add_argument("--everyday", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                       "everyday_names.txt"))
    ap.add_argument("--verify", action="store_true",
                    help="fail unless OUTPUT was made with every source")
    ap.add_argument("--names", help="with --verify: the name file, which must hold UnicodeData.txt's names")
    args = ap.parse_args()

    if args.verify:
        first = unpack(args.output).split("\n", 1)[0]
        if args.names:
            names_first = unpack(args.names, b"GWNAMES1").split("\n", 1)[0]
            if "no UnicodeData.txt" in names_first:
                first += "; missing: UnicodeData.txt"
        if "missing:" in first:
            print("make_search_data.py: %s was made without every source (%s)" % (args.output, first),
                  file=sys.stderr)
            return 1
        print("make_search_data.py: %s has every source (%s)" % (args.output, first[2:]))
        return 0

    missing, sources = [], []
    aliases = {}
    for name, reader in (("NameAliases.txt", read_name_aliases), ("NamesList.txt", read_names_list)):
        try:
            reader(os.path.join(args.unicode, name), aliases)
        except (OSError, ValueError, UnicodeDecodeError) as e:
            print("make_search_data.py: no %s (%s)" % (name, e), file=sys.stderr)
            missing.append(name)
    if "NameAliases.txt" not in missing or "NamesList.txt" not in missing:
        sources.append("Unicode %s" % unicode_version(args.unicode))
    emoji = []
    try:
        emoji, version = read_emoji_test(args.emoji_test)
        sources.append("emoji %s" % version)
    except (OSError, ValueError, UnicodeDecodeError) as e:
        print("make_search_data.py: no emoji-test.txt (%s)" % e, file=sys.stderr)
        missing.append("emoji-test.txt")
    annotations = {}
    for language in LANGUAGES:
        paths = [os.path.join(args.cldr, "common", folder, language + ".xml")
                 for folder in ("annotations", "annotationsDerived")]
        entries = {}
        try:
            read_annotations(paths, entries)
            annotations[language] = entries
        except (OSError, ValueError, UnicodeDecodeError) as e:
            print("make_search_data.py: no CLDR %s (%s)" % (language, e), file=sys.stderr)
            missing.append("CLDR-" + language)
    if annotations:
        sources.append("CLDR %s" % cldr_version(args.cldr))
        add_synonyms(annotations)
    try:
        read_everyday_names(args.everyday, annotations)
    except (OSError, ValueError, UnicodeDecodeError) as e:
        print("make_search_data.py: no everyday names (%s)" % e, file=sys.stderr)
        missing.append("everyday_names.txt")
    try:
        add_accented_letter_names(read_decompositions(os.path.join(args.unicode, "UnicodeData.txt")),
                                  aliases, annotations)
    except (OSError, ValueError, UnicodeDecodeError) as e:
        print("make_search_data.py: no UnicodeData.txt (%s)" % e, file=sys.stderr)
        missing.append("UnicodeData.txt")
    comment = ", ".join(sources) if sources else "no sources"
    if missing:
        comment += "; missing: " + " ".join(missing)
    text = build_text(aliases, emoji, annotations, comment)
    packed = MAGIC + struct.pack("<II", len(text), zlib.crc32(text)) + zlib.compress(text, 9)
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(packed)
    os.replace(tmp, args.output)
    print("make_search_data.py: %d aliased characters, %d emoji, %s, %d bytes of text, %d packed (%s)"
          % (len(aliases), len(emoji),
             " ".join("%s %d" % (k, len(v)) for k, v in annotations.items()),
             len(text), len(packed), comment))
    return 0


if __name__ == "__main__":
    sys.exit(main())
