#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the fuzz targets into tests/fuzz/corpus/<target>/ and the dictionaries into
tests/fuzz/dict/. PE seeds are cut from DLLs and programs of a Windows build (default: ./build).

Usage: tests/fuzz/make_corpus.py [build-folder]

The seeds are committed; run this again only to change them. Each file name says what the seed is; files named
by a hash beside them were found by long fuzzing runs and kept because they reach code the named ones do not.
"""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus")
DICT = os.path.join(ROOT, "tests", "fuzz", "dict")
SEP = "\uffff"  # separates the texts of one input


def u16(text):
    return text.encode("utf-16-le", "surrogatepass")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def write_dict(target, entries):
    os.makedirs(DICT, exist_ok=True)
    with open(os.path.join(DICT, target + ".dict"), "w") as f:
        for entry in entries:
            data = entry if isinstance(entry, bytes) else u16(entry)
            f.write('"' + "".join("\\x%02X" % b for b in data) + '"\n')


# --- PE headers: 8-byte file size, flag byte (1 = DLL expected), header block from offset 0 ---------------------

def pe_input(file_size, expect_dll, block):
    return struct.pack("<QB", file_size, 1 if expect_dll else 0) + block


def header_block(image):
    nt = struct.unpack_from("<i", image, 60)[0]
    sections, = struct.unpack_from("<H", image, nt + 6)
    optional, = struct.unpack_from("<H", image, nt + 20)
    return image[: nt + 24 + optional + 40 * sections]


def make_image(pe32plus, dll):
    """A valid image laid out as the tests' own builder does: header at 0x80, two sections, file 0x400 bytes."""
    b = bytearray(0x400)
    b[0:2] = b"MZ"
    nt = 0x80
    struct.pack_into("<i", b, 60, nt)
    b[nt:nt + 4] = b"PE\0\0"
    opt = nt + 24
    opt_size = 240 if pe32plus else 224
    sec = opt + opt_size
    struct.pack_into("<HH", b, nt + 4, 0x8664 if pe32plus else 0x014C, 2)
    struct.pack_into("<HH", b, nt + 20, opt_size, 0x0002 | (0x0020 if pe32plus else 0x0100) | (0x2000 if dll else 0))
    struct.pack_into("<H", b, opt, 0x020B if pe32plus else 0x010B)
    struct.pack_into("<II", b, opt + 32, 0x1000, 0x200)
    struct.pack_into("<II", b, opt + 56, 0x3000, 0x200)
    struct.pack_into("<I", b, opt + (108 if pe32plus else 92), 16)
    b[sec:sec + 5] = b".text"
    struct.pack_into("<II", b, sec + 16, 0x200, 0x200)
    b[sec + 40:sec + 44] = b".bss"
    return b


def pe_seeds(build):
    names = {
        "payload/akisp11_32.dll": ("standin32-dll", True),
        "payload/akisp11_64.dll": ("standin64-dll", True),
        "tests/dlls/akis_x86_3.4.1.0.dll": ("variant-x86-dll", True),
        "tests/dlls/akis_x64_3.5.0.0.dll": ("variant-x64-dll", True),
        "TavlunYardimcisi.exe": ("program-x86-exe", False),
    }
    for relative, (name, dll) in names.items():
        path = os.path.join(build, relative)
        if not os.path.exists(path):
            print("missing (skipped):", path)
            continue
        image = open(path, "rb").read()
        write("pe_headers", name + "-headers", pe_input(len(image), dll, header_block(image)))
        if len(image) <= 16384:
            write("pe_headers", name + "-whole", pe_input(len(image), dll, image))
        write("pe_headers", name + "-as-other-kind", pe_input(len(image), not dll, header_block(image)))

    for pe32plus in (False, True):
        kind = "pe32plus" if pe32plus else "pe32"
        base = make_image(pe32plus, True)
        write("pe_headers", kind + "-valid-dll", pe_input(len(base), True, bytes(base)))
        write("pe_headers", kind + "-valid-exe", pe_input(len(base), False, bytes(make_image(pe32plus, False))))
        nt, opt = 0x80, 0x80 + 24
        sec = opt + (240 if pe32plus else 224)

        def variant(name, change, file_size=len(base)):
            b = bytearray(base)
            change(b)
            write("pe_headers", kind + "-" + name, pe_input(file_size, True, bytes(b)))

        variant("raw-data-inside-headers", lambda b: struct.pack_into("<I", b, sec + 20, 0x100))
        variant("raw-data-past-end", lambda b: struct.pack_into("<I", b, sec + 16, 0x201))
        variant("raw-data-wraps-32-bits", lambda b: struct.pack_into("<II", b, sec + 16, 0xFFFFFFFF, 0xFFFFFE00))
        variant("headers-past-file", lambda b: struct.pack_into("<I", b, opt + 60, 0x401))
        variant("header-offset-negative", lambda b: struct.pack_into("<i", b, 60, -4))
        variant("header-offset-huge", lambda b: struct.pack_into("<i", b, 60, 0x7FFFFFF0))
        variant("header-offset-at-end", lambda b: struct.pack_into("<i", b, 60, 0x400 - 23))
        variant("96-sections", lambda b: struct.pack_into("<H", b, nt + 6, 96))
        variant("optional-4096", lambda b: struct.pack_into("<H", b, nt + 20, 4096))
        variant("magic-of-other-kind", lambda b: struct.pack_into("<H", b, opt, 0x010B if pe32plus else 0x020B))
        variant("machine-1c4", lambda b: struct.pack_into("<H", b, nt + 4, 0x01C4))
        variant("machine-arm64", lambda b: struct.pack_into("<H", b, nt + 4, 0xAA64))
        variant("rva-count-17", lambda b: struct.pack_into("<I", b, opt + (108 if pe32plus else 92), 17))
        variant("file-size-63", lambda b: None, 63)
        variant("file-size-shorter-than-block", lambda b: None, 0x300)
        variant("file-size-4-gib-plus", lambda b: None, 0x100000400)
    write("pe_headers", "63-bytes", pe_input(63, True, b"MZ" + bytes(61)))
    write("pe_headers", "64-bytes-offset-0", pe_input(64, True, b"MZ" + bytes(62)))


# --- Display text: text, needle, replacement ---------------------------------------------------------------

def display_seeds():
    seeds = {
        "controls-and-rlo": "  Java\r\n1.8\t<b>&amp;\u202Egnp.exe\u200B\uFEFF  ",
        "turkish-letters": "İSTANBUL ıişŞğĞüÜöÖçÇ" + SEP + "istanbul" + SEP + "%ŞEHİR%",
        "only-controls": "\x00\x01\x1f\x7f\x85\x9f",
        "bidi-isolates": "\u2066x\u2069\u202A\u202B\u202C\u202D\u061C\u200E\u200F\u2060",
        "white-space-kinds": "\u00A0\u3000\u2028x\u2029\u205F\u1680",
        "replace-overlapping": "aaaaAAAA" + SEP + "aa" + SEP + "a",
        "replace-grows": "C:\\USERS\\ayse\\x" + SEP + "c:\\users\\AYSE" + SEP + "%USERPROFILE%",
        "replace-empty-needle": "abc" + SEP + SEP + "x",
        "greek-cyrillic-armenian": "ΣΑΣ ς ЖЁЇ Ա ＡＢＣ ǅ ẞ ſ",
        "surrogates": "\ud83d\ude00 \ud800 \udc00",
    }
    for name, text in seeds.items():
        write("display_text", name, u16(text))
    write_dict("display_text", ["\u202E", "\u200B", "\uFEFF", "\u2066", "<", "&", "\r\n", "\t", SEP, "İ", "ı", "ſ"])


# --- Redaction: text, LOCALAPPDATA, APPDATA, TEMP, TMP, USERPROFILE --------------------------------------

def redaction_seeds():
    local = "C:\\Users\\Ayse\\AppData\\Local"
    roaming = "C:\\Users\\Ayse\\AppData\\Roaming"
    temp = local + "\\Temp"
    profile = "C:\\Users\\Ayse"
    env = [local, roaming, temp, temp, profile]
    seeds = {
        "longest-value-wins": ["c:\\users\\ayse\\appdata\\local\\Temp\\x.txt"] + env,
        "profile": ["C:\\Users\\Ayse\\Documents"] + env,
        "tmp-only": ["C:\\T\\x", "", "", "", "C:\\T", ""],
        "backup-users-folder": ["D:\\Backup\\Users\\mehmet\\notes.txt", "", "", "", "", ""],
        "username-reference": ["C:\\Users\\%USERNAME%\\x"],
        "users-at-end": ["C:\\Users\\"],
        "two-users": ["C:\\Users\\a\\x; C:\\Users\\b\\y"],
        "forward-slashes": ["c:/users/Ayse/AppData/Local/Temp/x"] + env,
        "doubled-separators": ["C:\\Users\\\\Users\\x\\USERS\\y"],
        "line-break-and-rlo": [" C:\\Users\\x\r\n\u202Etxt.exe "],
        "value-with-percent": ["C:\\A%B\\x", "C:\\A%B", "", "", "", ""],
        "turkish-profile": ["C:\\USERS\\İLKER\\x", "", "", "", "", "C:\\Users\\ilker"],
        # Spellings that Windows resolves to the profile: repeated separators, "." and "..", trailing dots and blanks.
        "profile-spellings": ["D:\\Profiller\\\\Ayşe Kaya. \\x\\..\\jdk", "", "", "", "", "D:\\Profiller\\Ayşe Kaya"],
        "users-dot-segments": ["C:\\Users\\Public\\..\\.\\Ayşe Kaya\\jdk"],
        "index-stream-and-junction": ["C:\\Users::$INDEX_ALLOCATION\\Ayşe Kaya; C:\\Documents and Settings\\Ayşe Kaya\\jdk"],
    }
    for name, parts in seeds.items():
        write("redaction", name, u16(SEP.join(parts)))
    write_dict("redaction", ["\\users\\", "/Users/", "%", "C:\\", SEP, "\\", "<kullanıcı>", "\\..\\", "\\.\\", ". \\",
                              "\\documents and settings\\", "::$INDEX_ALLOCATION"])


# --- Release files: raw bytes ------------------------------------------------------------------------------

def release_seeds():
    body = ('IMPLEMENTOR="Eclipse Adoptium"\nJAVA_VERSION="17.0.2"\nJAVA_VERSION_DATE="2022-01-18"\n'
            'OS_ARCH="x86_64"\nOS_NAME="Windows"\n')
    write("release_file", "utf8", body.encode())
    write("release_file", "utf8-bom-crlf", b"\xef\xbb\xbf" + body.replace("\n", "\r\n").encode())
    write("release_file", "utf16-bom", b"\xff\xfe" + u16(body.replace("\n", "\r\n")))
    write("release_file", "utf16-odd-byte", b"\xff\xfe" + u16("JAVA_VERSION=11") + b"\x00")
    write("release_file", "java8", b'JAVA_VERSION="1.8.0_301"\r\nOS_ARCH="i586"\r\n')
    write("release_file", "spaces-around-equals", b'JAVA_VERSION = "17.0.2"\r\njava_version=1\r\nJAVA_VERSION="9"\r\n')
    write("release_file", "cp1254", 'JAVA_VERSION="21"\nIMPLEMENTOR="Şirket İ"\n'.encode("cp1254"))
    write("release_file", "overlong-and-surrogate", b"JAVA_VERSION=\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\n")
    write("release_file", "truncated-sequence", b"OS_ARCH=x\xe2\x82")
    write("release_file", "four-byte", "JAVA_VERSION=\"1.\U0001F600\"\n".encode())
    write("release_file", "quote-only", b'JAVA_VERSION="\n OS_ARCH = ""\n')
    write("release_file", "beta-with-blank", b'JAVA_VERSION="11 beta"\nOS_ARCH=\x1b[31mx64\n')
    write("release_file", "long-token", b"JAVA_VERSION=" + b"9" * 97 + b"\n")
    write("release_file", "empty", b"")
    write("release_file", "bom-only", b"\xef\xbb\xbf")
    write_dict("release_file", [b"JAVA_VERSION", b"OS_ARCH", b"IMPLEMENTOR", b"=", b'"', b"\r\n", b"\xef\xbb\xbf",
                                b"\xff\xfe", b"1.", b"\xed\xa0\x80", b"\xf4\x8f\xbf\xbf", b"\xc2\x80"])


# --- Java candidates: home, label, version triples ---------------------------------------------------------

def java_seeds():
    jre = "HKLM/32-bit/SOFTWARE\\JavaSoft\\JRE"
    jdk = "HKLM/64-bit/SOFTWARE\\JavaSoft\\JDK"
    seeds = {
        "same-home-three-ways": ["C:\\Java\\jdk1.8.0_301", jre, "1.8.0_301",
                                 "\"c:/java/JDK1.8.0_301/\"", jdk, "1.8",
                                 "  C:\\JAVA\\jdk1.8.0_301\\\\ ", "JAVA_HOME", ""],
        "quoted-forward-slashes": ["\"C:/Java/jdk1.8.0_301/\"", jre, "Latest"],
        "drive-root": ["C:\\", jre, "17", "C:/", jdk, "17"],
        "empty-and-quotes": ["", jre, "1", "\"\"", jre, "1", "\"", jre, "1"],
        "label-repeated": ["D:\\j", jre, "", "D:\\J", jre, "11.0.2+8"],
        "filler-to-128": ["\u0001", "x", "1", "E:\\new", jdk, "21"],
    }
    for name, parts in seeds.items():
        write("java_candidates", name, u16(SEP.join(parts)))
    write_dict("java_candidates", ["\"", "/", "\\", "C:\\", SEP, "1.8.0_301", "; ", "JAVA_HOME"])


# --- Registry strings: type selector (0 none, 1 SZ, 2 EXPAND_SZ, 3 MULTI_SZ), value bytes ------------------

def registry_seeds():
    seeds = {
        "sz-home": (1, u16("C:\\Program Files\\Java\\jdk-17\0")),
        "expand-home": (2, u16("%JAVA%\0")),
        "expand-undefined": (2, u16("%UNDEFINED%\\bin\0")),
        "expand-to-percent": (2, u16("%PCT%\0")),
        "expand-to-nothing": (2, u16("%NONE%\0")),
        "embedded-nul": (1, u16("C:\\Java\0jdk\0")),
        "odd-size": (1, u16("C:\\Java\0") + b"\x00"),
        "no-terminator": (1, u16("C:\\Java")),
        "lone-high-surrogate": (1, u16("C:\\\ud800x\0")),
        "lone-low-surrogate": (1, u16("C:\\\udc00\0")),
        "pair": (1, u16("C:\\\ud83d\ude00\0")),
        "only-nul": (1, u16("\0")),
        "multi-sz": (3, u16("a\0b\0\0")),
        "none-type": (0, u16("C:\\Java\0")),
    }
    for name, (type_selector, data) in seeds.items():
        write("registry_string", name, bytes([type_selector]) + data)
    write_dict("registry_string", [b"\x00\x00", b"\x00\xd8", b"\x00\xdc", u16("%JAVA%"), u16("%PCT%"), u16("%")])


# --- PC/SC records: 68 bytes --------------------------------------------------------------------------------

NOT_CALLED = 0x80100001


def record(queried=0, running=0, state=0, error=0, establish=NOT_CALLED, listing=NOT_CALLED, status=NOT_CALLED,
           readers=0, present=0, empty=0, unknown=0, unavailable=0, truncated=0, service_start=0, mute=0,
           exclusive=0, magic=b"PCSC", version=1, size=68):
    return magic + struct.pack("<HH14IHH", version, size, queried, running, state, error, establish, listing, status,
                               readers, present, empty, unknown, unavailable, truncated, service_start, mute,
                               exclusive)


def pcsc_seeds():
    running = dict(queried=1, running=1, state=4)
    seeds = {
        "service-not-installed": record(error=1060),
        "service-stopped": record(queried=1, state=1),
        "context-refused": record(establish=0x8010001D, **running),
        "no-readers": record(establish=0, listing=0x8010002E, **running),
        "only-pnp-reader": record(establish=0, listing=0, status=0, **running),
        "one-reader-with-card": record(establish=0, listing=0, status=0, readers=1, present=1, **running),
        "two-readers-one-card": record(establish=0, listing=0, status=0, readers=2, present=1, empty=1, **running),
        "seventy-readers": record(establish=0, listing=0, status=0, readers=64, present=3, empty=61, truncated=1,
                                  **running),
        "status-failed": record(establish=0, listing=0, status=0x80100008, readers=2, unknown=2, **running),
        "truncated-at-63": record(establish=0, listing=0, status=0, readers=63, empty=63, truncated=1, **running),
        "counts-wrap-32-bits": record(establish=0, listing=0, status=0, readers=2, present=0xFFFFFFFF, empty=3,
                                      **running),
        "counts-short": record(establish=0, listing=0, status=0, readers=2, present=1, **running),
        "reserved-set": record(error=5, mute=1),  # a mute card without any card present
        "stopped-on-demand": record(queried=1, state=1, service_start=0x104),
        "mute-and-exclusive-cards": record(establish=0, listing=0, status=0, readers=3, present=3, mute=1,
                                           exclusive=1, **running),
        "version-2": record(error=5, version=2),
        "size-64": record(error=5, size=64),
        "not-queried-error-0": record(),
        "running-state-3": record(queried=1, running=1, state=3),
    }
    for name, data in seeds.items():
        write("pcsc_record", name, data)
    write("pcsc_record", "67-bytes", record(error=5)[:67])
    write("pcsc_record", "69-bytes", record(error=5) + b"\0")
    write_dict("pcsc_record", [b"PCSC", struct.pack("<I", NOT_CALLED), struct.pack("<I", 0x8010002E),
                               struct.pack("<I", 64), struct.pack("<I", 4), struct.pack("<HH", 1, 68)])


# --- Probe body: answers consumed by FuzzedDataProvider (any bytes will do) ----------------------------------

def probe_body_seeds():
    write("pcsc_probe_body", "zeros", bytes(64))
    write("pcsc_probe_body", "ones", b"\x01" * 64)
    write("pcsc_probe_body", "names", b"Reader A\x00Reader B\x00" + bytes(range(48)))
    write("pcsc_probe_body", "many", bytes([3]) + bytes(range(255, 128, -1)))


# --- Paths --------------------------------------------------------------------------------------------------

def path_seeds():
    paths = {
        "java-home": "C:\\Program Files\\Java\\jdk-17",
        "drive-root": "C:\\",
        "drive-only": "C:",
        "relative": "Java\\bin",
        "stream": "C:\\data\\file.txt:stream",
        "doubled-backslash": "C:\\a\\\\b",
        "forward-slash-root": "C:/Java",
        "forward-slash-inside": "C:\\Java/bin",
        "dot-dot": "C:\\Java\\..\\Windows",
        "dot-last": "C:\\Java\\.",
        "trailing-dot-blank": "C:\\bin. \\x",
        "wildcard": "C:\\Ja?va",
        "nul-txt": "C:\\tools\\NUL.txt\\x",
        "com9": "C:\\COM9\\x",
        "lpt1": "C:\\lpt1",
        "com10-com0-console": "C:\\COM10\\com0\\console",
        "superscript-digit": "C:\\COM\u00b9\\x",
        "clock-conin": "C:\\clock$\\CONIN$.x",
        "device-namespace": "\\\\?\\C:\\x",
        "unc": "\\\\server\\share\\x",
        "long": "C:\\" + "\\".join(["abcdefghij"] * 30),
        "javaws": "C:\\Program Files\\Java\\jre1.8.0_301\\bin\\javaws.exe",
        "javaws-forward": "C:/Java/bin/JAVAWS.EXE",
        "javaws-bak": "C:\\Java\\bin\\javaws.exe.bak",
        "non-ascii-drive": "Ç:\\x",
        "turkish-dotted-i": "C:\\İ\\javaws.exe",
    }
    for name, text in paths.items():
        write("path_syntax", name, u16(text))
    write_dict("path_syntax", ["con", "prn", "aux", "nul", "com", "lpt", "clock$", "conin$", "conout$", "\u00b9",
                               "\\", ":", "/", "..", ".", " ", "C:\\", "javaws.exe", "<", "|", "*", "?", "\""])


# --- Command lines: arguments separated by U+FFFF -----------------------------------------------------------

def probe_argument_seeds():
    program = "C:\\Program Files\\Tavlun\\TavlunYardimcisi.exe"
    lines = {
        "probe": [program, "--pcsc-probe", "--pcsc-pipe=1234"],
        "probe-leading-zeros": [program, "--pcsc-probe", "--pcsc-pipe=0001234"],
        "probe-plus-blank": [program, "--pcsc-probe", "--pcsc-pipe= +5"],
        "probe-minus": [program, "--pcsc-probe", "--pcsc-pipe=-1"],
        "probe-minus-wraps-to-1": [program, "--pcsc-probe", "--pcsc-pipe=-18446744073709551615"],
        "probe-zero": [program, "--pcsc-probe", "--pcsc-pipe=0"],
        "probe-max": [program, "--pcsc-probe", "--pcsc-pipe=4294967295"],
        "probe-above-max": [program, "--pcsc-probe", "--pcsc-pipe=4294967296"],
        "probe-range-error": [program, "--pcsc-probe", "--pcsc-pipe=99999999999999999999999"],
        "probe-embedded-nul": [program, "--pcsc-probe", "--pcsc-pipe=12\u00003"],
        "probe-trailing": [program, "--pcsc-probe", "--pcsc-pipe=12x"],
        "probe-extra": [program, "--pcsc-probe", "--pcsc-pipe=12", "--self-test"],
        "probe-upper-case": [program, "--PCSC-PROBE", "--pcsc-pipe=12"],
        "probe-prefix-only": [program, "--pcsc-probex"],
        "self-test": [program, "--SELF-TEST"],
        "elevated": [program, "--install-elevated"],
        "window": [program],
    }
    for name, args in lines.items():
        write("probe_arguments", name, u16(SEP.join(args)))
    write_dict("probe_arguments", ["--pcsc-probe", "--pcsc-pipe=", "--self-test", "--install-elevated", SEP, "+",
                                   "-", " ", "4294967295", "18446744073709551615", "\0"])


# --- System identity: answers consumed by FuzzedDataProvider ------------------------------------------------

def system_identity_seeds():
    write("system_identity", "zeros", bytes(40))
    write("system_identity", "names", u16("Turkey Standard Time" + SEP + "Türkiye Standart Saati") + bytes(40))
    write("system_identity", "extremes", b"\xff" * 20 + b"\x80\x00\x00\x00" * 5)


# --- Targets fed through FuzzedDataProvider: a few plain byte patterns; the fuzzer's own finds do the rest ------

def provider_seeds():
    for target in ("requirements", "report", "security_rules"):
        write(target, "zeros", bytes(256))
        write(target, "ones", b"\xff" * 256)
        write(target, "ramp", bytes(range(256)))
    # Facts with long texts, so that the report reaches its length limits.
    write("report", "long-texts", bytes(range(32, 127)) * 40 + b"\x04\x80" * 64)


# --- Window layout: client width, client height, DPI, status detail extra, work area, section shown, as
# FuzzedDataProvider consumes them ------------------------------------------------------------------------------------------------

def provider_input(choices):
    """Bytes that FuzzedDataProvider hands back as the given answers: ("bool", b), ("range", low, high, v) or
    ("int", v). It takes integers from the end of the input, most significant byte first."""
    consumed = []
    for choice in choices:
        if choice[0] == "bool":
            consumed.append(1 if choice[1] else 0)
        elif choice[0] == "range":
            _, low, high, value = choice
            span, offset = high - low, 0
            while offset < 32 and (span >> offset) > 0:
                offset += 8
            count = offset // 8
            consumed.extend(((value - low) >> (8 * (count - 1 - i))) & 0xFF for i in range(count))
        else:
            consumed.extend((choice[1] + 2**31) .to_bytes(4, "big"))
    return bytes(reversed(consumed))


def layout_seeds():
    def seed(name, width, height, dpi, work=(1920, 1040), extra=0, section=False):
        write("layout", name, provider_input([
            ("bool", False), ("range", 0, 8000, width), ("bool", False), ("range", 0, 8000, height),
            ("bool", False), ("range", 48, 480, dpi), ("bool", False), ("range", 0, 2000, extra),
            ("int", work[0]), ("int", work[1])] + ([("bool", True)] if section else [])))
    seed("design-96", 760, 620, 96)
    seed("design-144", 1140, 930, 144)
    seed("compact-96", 760, 500, 96)
    seed("short-narrow-96", 544, 321, 96)
    seed("shared-buttons-96", 400, 500, 96)
    seed("minimised", 0, 0, 96)
    seed("small-work-area-480", 8000, 8000, 480, (800, 500))
    seed("tiny-48", 3, 2, 48)
    seed("long-status-96", 760, 620, 96, extra=90)
    seed("long-status-capped-144", 840, 660, 144, extra=2000)
    # Finished checks on laptop and netbook screens: the other cards give way to the six rows.
    seed("section-1366x728-120", 950, 640, 120, (1366, 728), extra=4, section=True)
    seed("section-1366x728-144", 1140, 620, 144, (1366, 728), section=True)
    seed("section-1024x560-96", 760, 489, 96, (1024, 560), extra=40, section=True)
    seed("section-design-96", 760, 620, 96, section=True)


def check_report_seeds():
    rows = [("AKİS DLL", "\x00Gerekli dosyalar"), ("Visual C++ bileşenleri", "\x01hazır"), ("Java", "\x02eksik"),
            ("JNLP / Web Start", "\x03bilinmeyen"), ("Akıllı Kart hizmeti", ""), ("Okuyucu ve kart", "\x01dikkat")]
    six = "".join(SEP + title + SEP + detail for title, detail in rows)
    seeds = {
        "six-rows": "1.4.0.0" + SEP + "2026-01-31T09:05:07Z" + SEP + "Windows 10.0 (build 19045)" + SEP + "x64" + SEP
                    + "SONUÇ\r\nOK — \"tırnak\" \\ C:\\Windows" + six,
        "controls-and-quotes": "\x00\x1f\"\\\b\f\n\r\t\x7f" + SEP + "\u2028\u2029" + SEP + "</script>" + SEP + SEP,
        "surrogates": "\ud83d\ude00" + SEP + "\ud800" + SEP + "\udc00\ud800" + SEP + "x\ud83d" + SEP + "\ude00y",
        "no-rows": SEP * 4,
    }
    for name, text in seeds.items():
        write("check_report_json", name, u16(text))
    write_dict("check_report_json", ["\"", "\\", "\r\n", "\u2028", "\ud800", "\udc00", SEP, "İ", "\x00"])


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    pe_seeds(build)
    display_seeds()
    redaction_seeds()
    release_seeds()
    java_seeds()
    registry_seeds()
    pcsc_seeds()
    probe_body_seeds()
    path_seeds()
    probe_argument_seeds()
    system_identity_seeds()
    provider_seeds()
    layout_seeds()
    check_report_seeds()


if __name__ == "__main__":
    main()
