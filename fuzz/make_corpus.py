#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: fuzz/corpus/<target>/.

The seeds are small real examples of each kind of input: files as the
program writes them, files as people edit them by hand, older formats, and a
few inputs just beside the rules. The targets that read UTF-16 text
(code_notation, placeholders) take two bytes per unit, low byte first.
Run it from anywhere; it replaces the corpus folders it owns.
"""
import os
import shutil
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def json_string(text):
    out = ['"']
    for ch in text:
        code = ord(ch)
        if ch == '"':
            out.append('\\"')
        elif ch == "\\":
            out.append("\\\\")
        elif ch in "\b\t\n\f\r":
            out.append({"\b": "\\b", "\t": "\\t", "\n": "\\n", "\f": "\\f", "\r": "\\r"}[ch])
        elif code < 0x20:
            out.append("\\u%04x" % code)
        else:
            out.append(ch)
    out.append('"')
    return "".join(out)


def character_file(header, entries):
    """The exact text the program writes: CR LF, two spaces per level."""
    parts = ["[\r\n  ", json_string(header)]
    for entry in entries:
        parts.append(",\r\n  [")
        parts.append(",".join("\r\n    " + json_string(value) for value in entry))
        parts.append("\r\n  ]")
    parts.append("\r\n]")
    return "".join(parts).encode("utf-8")


DEFAULT_ENTRIES = [
    ("", "\\u201E\\u201C", "quotation marks (de)"),
    ("", "\\u00BB\\u00AB", "guillemets (de)"),
    ("", "\\u201C\\u201D", "quotation marks (en, es)"),
    ("", "\\u00AB\\u00BB", "guillemets (fr)"),
    ("-", "\\u2013", "en dash"),
    ("%", "\\u2030", "per thousand"),
]

NAME_TEXT = (b"# UnicodeData.txt 15.0.0; HTML entities of Python 3.11\n"
             b"=3400..4DBF;CJK UNIFIED IDEOGRAPH-\n=AC00..D7A3;HANGUL SYLLABLE \n"
             b";NULL;\n8;CHARACTER TABULATION;Tab\n1C;AMPERSAND;AMP amp\n"
             b"CF;LATIN SMALL LETTER O WITH DIAERESIS;ouml\n;DIVISION SIGN;div divide\n"
             b"1F1B;EN DASH;ndash\n;EM DASH;mdash\n1D5EB;GRINNING FACE;\n")


SEARCH_TEXT = ("# Unicode 15.0.0, emoji 15.0, CLDR 41\n[aliases]\n"
               "308;umlaut|double dot above\n1C27;command key\n"
               "[emoji]\n2603 FE0F;snowman\n1F469 200D 1F4BB;woman technologist\n1F1E6 1F1F9;flag: Austria\n"
               "[en]\n2260;not equal;inequality|unequal\n2603;snowman;cold|snow\n"
               "[fr]\n2260;différent;inégalité;non égal|différent de\n1F602;visage riant aux larmes;"
               "larmes|rire;larmes de joie\n[xx]\nunknown section\n").encode("utf-8")


def search_file(text):
    """A search data file as tools/make_search_data.py packs it."""
    return b"GWFIND01" + struct.pack("<II", len(text), zlib.crc32(text)) + zlib.compress(text, 9)


def name_file(text):
    """A name file as tools/make_names.py packs it."""
    return b"GWNAMES1" + struct.pack("<II", len(text), zlib.crc32(text)) + zlib.compress(text, 9)


SEEDS = {
    "character_file": {
        "default.json": character_file("Glyphwell 1.11", DEFAULT_ENTRIES),
        "empty_table.json": character_file("Glyphwell 1.11", []),
        "legacy_1_09.json": (
            b'[\r\n  "Glyphwell 1.09",\r\n  [\r\n    "\\\\u00AB\\\\u00BB",\r\n'
            b'    "guillemets"\r\n  ],\r\n  [\r\n    "\\\\u2013",\r\n    "en dash"\r\n  ]\r\n]'),
        "legacy_compact.json": b'["Glyphwell 1.0",["\\\\u201E\\\\u201C","de"],["\\\\u2030"],[]]\n',
        "hand_edited.json": (
            '[ "Glyphwell 1.11" ,\n'
            '\t["a", "\\\\u0061", "say \\"\u00e9\\" and \\\\ \\/ \\b\\f\\n\\r\\t"],\n'
            '  [7, "\\\\u1F600", null, {"note": [1, -2.5e+3, true, false]}, "extra"],\n'
            '  ["\\ud83d\\ude00", "\\\\uD83D\\\\uDE00", "pair \\uD83D\\uDE00 lone \\udc00 \\u0001"],\n'
            '  ["a", "\\\\u110000", "same trigger, later row \U0001F600"]\n'
            ']\n').encode("utf-8"),
        "byte_order_mark.json": b"\xef\xbb\xbf" + character_file("Glyphwell 1.11", DEFAULT_ENTRIES[:1]),
        "trailing_comma.json": b'["Glyphwell 1.11",["-","\\\\u2013","en dash"],]',
        "deep_nesting.json": b'["Glyphwell 1.11",["", "", "", ' + b"[" * 70 + b"]" * 70 + b"]]",
        "invalid_utf8.json": b'["Glyphwell 1.11",["\xc3", "\xe2\x80", "\xf0\x9f\x98\xc0\xed\xa0\x80 \xc0\xaf"]]',
    },
    "character_names": {
        "text.txt": NAME_TEXT,
        "packed.bin": name_file(NAME_TEXT),
        "packed_cut.bin": name_file(NAME_TEXT)[:40],
    },
    "search_data": {
        "text.txt": SEARCH_TEXT,
        "packed.bin": search_file(SEARCH_TEXT),
        "packed_cut.bin": search_file(SEARCH_TEXT)[:40],
        "broken_codes.txt": b"# x\n[emoji]\nD800 110000;bad\n[de]\nZZ;;\n",
    },
    "ini_settings": {
        "default.ini": (
            "\ufeff[General]\r\nOnTop = False\r\nLanguage = English\r\nHotkey = F10\r\n"
            "Beep = True\r\nHTML = False\r\nCheckUpdate = False\r\nConfirmEnd = False\r\n\r\n"
            "[Character map]\r\nOption = Standard\r\nCustomCaption = \r\nCustomCommand = \r\n"
        ).encode("utf-8"),
        "custom.ini": (
            "\ufeff[General]\r\nOnTop = True\r\nLanguage = Fran\u00e7ais\r\nHotkey = \u00d8\r\n"
            "Beep = False\r\nHTML = True\r\nCheckUpdate = True\r\nConfirmEnd = True\r\n"
            "FontName = Segoe UI\r\n\r\n[Character map]\r\nOption = Custom\r\n"
            "CustomCaption = BabelMap\r\nCustomCommand = C:\\Tools\\BabelMap.exe /x=1\r\n"
        ).encode("utf-8"),
        "hand_edited_ansi.ini": (
            b"lost = before any group\n; a comment\n[general]\n\tontop=TRUE\nhotkey = \xd8\n"
            b"beep =\nhotkey = F5\nlanguage =  Deutsch \t\n[General]\nHTML = true\n"
            b"[character map]\noption = CUSTOM\ncustomcaption = Map \x80\ncustomcommand\n"),
        "odd_values.ini": (
            b"[General]\r\nHotkey = F266\r\nBeep = yes\r\nFontName = \r\n"
            b"[Character map]\r\nOption = Customized\r\nCustomCaption = a = b\r\n"),
        "negative_hotkey.ini": b"[General]\nHotkey = x -128\n[Character map\nOption=custom\n",
    },
    "language_file": {
        "english.lng": (
            "\ufeff; Glyphwell language file\r\n[Version check]\r\nProgram version = 1.11\r\n\r\n"
            "[General]\r\nCancel = \"&Cancel\"\r\nOK = \"&OK\"\r\n"
            "ErrOpen = \"Error:\\nCan't open \u201c%s\u201d window.\"\r\n"
            "[WinMain]\r\nStatusInfo = \" Press [Shift] to get the code rather than the character.\"\r\n"
            "OnTop = \"Stay on &top\"\r\nMenu = \"Open menu (Shift+F10)\"\r\n"
            "[WinNew]\r\nCode = \"Character or \\uXXXX\"\r\n"
        ).encode("utf-8"),
        "mnemonics.lng": (
            "\ufeff[version CHECK]\nprogram VERSION =   1.11  \n[WinSettings]\n"
            "Beep = \"&Beep && more\"\nHTML = \"& space\"\nHotkey = \"&1\"\nCaption = \"&\u00fcber\"\n"
            "Command = \"x&\"\nLanguage = \"&amp;\"\nStandard = \"  two  \"\nEmpty = \"\"\nOne = \"x\"\n"
            "[WinSettings]\nBeep = \"second group wins\"\nBeep = \"later key wins\"\n"
            "Path = \"C:\\temp\\new\\a\\\"b\\\\c\\v\\q\"\n"
        ).encode("utf-8"),
        "quoted_version.lng": b'[Version check]\r\nProgram version = "1.11"\r\n[General]\r\nOK = "&OK"\r\n',
        "ansi.lng": (
            b"[Version check]\nProgram version=1.11\n[Men\xfc]\n\xfcber = \"\xdcber &uns\"\n"
            b"[general]\nQuit = \"Beenden\"\n"),
    },
    "legacy_list": {
        "characters.lst": (
            b"[Characters]\r\n\\u00AB\\u00BB = guillemets \r\n\\u201E\\u201C=quotation marks (de)\r\n"
            b"\\u2013 = en dash\r\n\\u 2030 \\u00e9 = per mille; e acute\r\n"),
        "keys_before_group.lst": (
            b"\\u0041 = not used\n; comment\n[List]\n\\u1F600 = smile\n[Other]\n\\uXYZ = ignored\n"),
        "invalid_key.lst": b"[Characters]\n\\u0041 = A\n\\uXYZ = not a code\n",
        "no_group.lst": b"\\u0041 = A\n",
        "empty_group.lst": b"[Characters]\n",
        "utf8_bom.lst": "\ufeff[Zeichen]\n\\u201A\\u2018 = Anf\u00fchrungszeichen\n".encode("utf-8"),
        "prefix_and_limits.lst": b"[x]\nx\\u0041 = prefix\n\\u10FFFF = top\n\\u110000 = over\n",
    },
    "code_notation": {
        "quotes_code.txt": utf16("\\u201E\\u201C"),
        "capital_u.txt": utf16("\\U00e9"),
        "spaces.txt": utf16(" \\u 41 "),
        "literal_quotes.txt": utf16("\u201e\u201c"),
        "emoji.txt": utf16("\U0001F600"),
        "pair_as_fields.txt": utf16("\\uD83D\\uDE00"),
        "lone_surrogates.txt": utf16("\ud83dA\ud83d\ufc00\udc00"),
        "limits.txt": utf16("\\u10FFFF\\u110000\\u0000\\u"),
        "prefix.txt": utf16("x\\u0041 \\u00ab  "),
        "invalid.txt": utf16("\\uXYZ"),
        "nul.txt": utf16("a\x00b"),
        "literal.txt": utf16("abc"),
    },
    "placeholders": {
        "err_open.txt": utf16("Error:\nCan't open \u201c%s\u201d window.\x00Settings"),
        "two_fields.txt": utf16("%s and %s, 100%%\x00first|second|third"),
        "missing_field.txt": utf16("%s-%s-%s\x00only"),
        "bad_percent.txt": utf16("50% off\x00x"),
        "percent_at_end.txt": utf16("value %\x00"),
        "no_percent.txt": utf16("plain text"),
    },
    "relative_path": {
        "sibling.txt": utf16("C:\\Tools\\Map\\map.exe\x00C:\\Tools\\App\\"),
        "sub_folder.txt": utf16("C:\\Tools\\App\\x\\y.exe\x00C:\\Tools\\App\\"),
        "other_drive.txt": utf16("D:\\map.exe\x00C:\\Tools\\App\\"),
        "letter_case.txt": utf16("c:\\tools\\APP\\\u00c4.exe\x00C:\\Tools\\app\\"),
        "long_prefix.txt": utf16("\\\\?\\C:\\Tools\\App\\x.exe\x00\\\\?\\C:\\Tools\\"),
        "slashes.txt": utf16("C:/Tools/Map/map.exe\x00C:/Tools/App"),
        "network.txt": utf16("\\\\srv\\share\\a\\x.exe\x00\\\\srv\\share\\b\\"),
        "other_server.txt": utf16("\\\\srv\\s\\x.exe\x00\\\\other\\s\\"),
        "unc_long.txt": utf16("\\\\?\\UNC\\srv\\s\\a\\x\x00\\\\?\\UNC\\srv\\s\\b\\"),
        "dots.txt": utf16("C:\\A\\..\\B\\.\\x\x00C:\\A\\"),
    },
    # Byte 0: bit 0 set = transfer error; byte 1: 0 = status 200, else 100 + value.
    "update_body": {
        "current.bin": b"\x00\x00" b"1.11",
        "newer.bin": b"\x00\x00" b"1.12",
        "newer_by_characters.bin": b"\x00\x00" b"1.2",
        "older.bin": b"\x00\x00" b"1.10",
        "line_break.bin": b"\x00\x00" b"1.11\n",
        "sixteen.bin": b"\x00\x00" + b"1.12".ljust(16, b"0"),
        "seventeen.bin": b"\x00\x00" + b"1.12".ljust(17, b"0"),
        "empty.bin": b"\x00\x00",
        "nul_inside.bin": b"\x00\x00" b"1.2\x00junk",
        "error_status.bin": b"\x00\xa8" b"Not Found",
        "transfer_error.bin": b"\x01\x00" b"1.12",
        "utf8.bin": b"\x00\x00" b"1.11\xc3\xa9",
        "invalid_utf8.bin": b"\x00\x00" b"1.\xff\xfe",
    },
}


def main():
    for target, files in SEEDS.items():
        folder = os.path.join(CORPUS, target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    print("seed corpus written to", CORPUS)


if __name__ == "__main__":
    main()
