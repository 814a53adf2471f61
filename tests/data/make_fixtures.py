#!/usr/bin/env python3
"""Remakes the MP3 fixtures in this folder and their manifest, tests/taglib/Fixtures.h.

Each fixture is a short tone encoded by lame, with tag bytes built here by hand so that every byte is known.
Needs Python 3.9+ and lame 3.100 on the PATH; clang-format, if present, formats the manifest.

    python3 tests/data/make_fixtures.py
"""

import math
import os
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
MANIFEST = os.path.join(HERE, "..", "taglib", "Fixtures.h")

SAMPLE_RATE = 22050
SECONDS = 2.0
LAME_ARGS = ["--quiet", "--cbr", "-b", "32", "-m", "m", "--resample", "22.05"]


# ---- audio -------------------------------------------------------------------------------------------------------


def tone_wav(path, frequency):
    """A sine with a little deterministic noise, so each fixture's audio bytes differ from the others'."""
    count = int(SAMPLE_RATE * SECONDS)
    seed = frequency
    samples = bytearray()
    for i in range(count):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (seed >> 16) % 2001 - 1000
        value = int(9000 * math.sin(2 * math.pi * frequency * i / SAMPLE_RATE)) + noise
        samples += struct.pack("<h", value)
    header = b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, SAMPLE_RATE, SAMPLE_RATE * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(samples))
    with open(path, "wb") as out:
        out.write(header + bytes(samples))


def encode(frequency, work):
    wav = os.path.join(work, "tone.wav")
    mp3 = os.path.join(work, "tone.mp3")
    tone_wav(wav, frequency)
    subprocess.run(["lame", *LAME_ARGS, wav, mp3], check=True)
    with open(mp3, "rb") as f:
        audio = f.read()
    # lame writes no tag unless asked; the audio must start with an MPEG frame sync.
    assert audio[0] == 0xFF and audio[1] & 0xE0 == 0xE0, "lame output does not start with a frame"
    return audio


# ---- tag bytes ---------------------------------------------------------------------------------------------------


def cp1251(text):
    return text.encode("cp1251")


def synchsafe(n):
    assert n < 1 << 28
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame22(frame_id, content):
    return frame_id.encode() + len(content).to_bytes(3, "big") + content


def frame23(frame_id, content):
    return frame_id.encode() + len(content).to_bytes(4, "big") + b"\0\0" + content


def unsynchronised(data):
    """As an unsynchronising writer stores bytes: a 00 after every FF, so that no FF can look like a frame sync."""
    return data.replace(b"\xff", b"\xff\0")


def frame24(frame_id, content, unsync=False):
    """With unsync, the content alone is unsynchronised, the size counts it as stored and the flag 0x02 says so."""
    if unsync:
        content = unsynchronised(content)
    return frame_id.encode() + synchsafe(len(content)) + bytes([0, 0x02 if unsync else 0]) + content


def tag_v2(major, frames, padding=0, footer=False, unsync=False):
    """With unsync (v2.2 and v2.3), the header flag 0x80 is set and the whole body, frame sizes counting the bytes
    before it, is unsynchronised."""
    body = b"".join(frames) + bytes(padding)
    if unsync:
        body = unsynchronised(body)
    flags = (0x10 if footer else 0) | (0x80 if unsync else 0)
    tag = b"ID3" + bytes([major, 0, flags]) + synchsafe(len(body)) + body
    if footer:
        tag += b"3DI" + bytes([major, 0, flags]) + synchsafe(len(body))
    return tag


def field(data, size, fill):
    assert len(data) <= size
    return data + fill * (size - len(data))


def tag_v1(title, artist, album=b"", year=b"", comment=b"", genre=12):
    """ID3v1: fixed 30-byte fields. Title and artist are given padded as wanted; the rest is zero-filled."""
    assert len(title) == 30 and len(artist) == 30
    return (b"TAG" + title + artist + field(album, 30, b"\0") + field(year, 4, b"\0") + field(comment, 30, b"\0")
            + bytes([genre]))


def png(width, height, seed):
    """A small valid PNG of noise, so the picture frame holds real image bytes that do not compress away."""
    rows = b""
    for _ in range(height):
        row = bytearray([0])
        for _ in range(width * 3):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            row.append((seed >> 16) & 0xFF)
        rows += bytes(row)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


# Text frame contents: the encoding byte, then the text.
def latin(text):  # encoding 0 holding Windows-1251 bytes, as legacy Cyrillic taggers wrote them
    return b"\0" + cp1251(text)


def utf16(text, byte_order="little", terminated=False):
    bom = b"\xff\xfe" if byte_order == "little" else b"\xfe\xff"
    codec = "utf-16-le" if byte_order == "little" else "utf-16-be"
    return b"\1" + bom + text.encode(codec) + (b"\0\0" if terminated else b"")


def utf8(text):
    return b"\3" + text.encode("utf-8")


# ---- expected conversion -----------------------------------------------------------------------------------------

# Windows-1251 letters А..Я (0xC0..0xDF); the small letters 0xE0..0xFF give the same. None: byte kept.
TRANSLIT = ["A", "B", "V", "G", "D", "E", "ZH", "Z", "I", "I", "K", "L", "M", "N", "O", "P", "R", "S", "T", "U", "F",
            "H", "TS", "CH", "SH", "SHT", "A", None, "Y", None, "YU", "YA"]


def transliterate(raw):
    out = b""
    for byte in raw:
        letters = TRANSLIT[(byte - 0xC0) % 32] if byte >= 0xC0 else None
        if byte == 0:
            continue
        out += letters.encode() if letters else bytes([byte])
    return out


# ---- the fixtures ------------------------------------------------------------------------------------------------

LONG_TITLE = ("Длинная песня о том, как пчела летала над садом, над рекой и над полем весь день до заката")


def fixtures():
    """(name, tone Hz, tag before audio, tag after audio, source title and artist in Windows-1251 or None,
    expected title, expected artist). The expected texts are worked out by hand from the transliteration table;
    make() checks them against transliterate()."""
    v1_title = field(cp1251("Щука в реке"), 30, b" ")
    v1_artist = field(cp1251("Чиж") + b"\0" + cp1251("Юля"), 30, b" ")
    picture = b"\0image/png\0" + b"\3" + b"\0" + png(10, 10, 7)
    return [
        ("no-tag.mp3", 330, b"", b"", None, b"no-tag.mp3", b""),
        ("Пчела.mp3", 349, b"", b"", None, cp1251("Пчела.mp3"), b""),
        ("v1-only-cp1251.mp3", 392, b"", tag_v1(v1_title, v1_artist, cp1251("Лес"), b"1999"),
         (v1_title, v1_artist), b"SHTUKA V REKE", b"CHIZHYULYA"),
        ("v23-cp1251.mp3", 440,
         tag_v2(3, [frame23("TIT2", latin("Пчела")), frame23("TPE1", latin("Шмель и Оса")),
                    frame23("TALB", latin("Сад")), frame23("TRCK", latin("3/12")), frame23("TYER", latin("2004")),
                    frame23("COMM", b"\0rus\0" + cp1251("Жужжит"))]),
         b"", (cp1251("Пчела"), cp1251("Шмель и Оса")), b"PCHELA", b"SHMELY I OSA"),
        ("v23-utf16-picture-padding.mp3", 494,
         tag_v2(3, [frame23("TIT2", utf16("Царь Горох", terminated=True)),
                    frame23("TPE1", utf16("Ансамбль Щит", "big")), frame23("TALB", utf16("Сказки")),
                    frame23("APIC", picture)], padding=512),
         b"", (cp1251("Царь Горох"), cp1251("Ансамбль Щит")), b"TSARY GOROH", b"ANSAMBLY SHTIT"),
        ("v24-utf8-long.mp3", 523,
         tag_v2(4, [frame24("TIT2", utf8(LONG_TITLE)), frame24("TPE1", utf8("Жуки")), frame24("TALB", utf8("Поле")),
                    frame24("TDRC", latin("2005"))]),
         b"", (cp1251(LONG_TITLE), cp1251("Жуки")),
         b"DLINNAYA PESNYA O TOM, KAK PCHELA LETALA NAD SADOM, NAD REKOI I NAD POLEM VESY DENY DO ZAKATA",
         b"ZHUKI"),
        ("v22.mp3", 587,
         tag_v2(2, [frame22("TT2", latin("Чайка")), frame22("TP1", latin("Зима")), frame22("TAL", latin("Море")),
                    frame22("TRK", latin("1"))]),
         b"", (cp1251("Чайка"), cp1251("Зима")), b"CHAIKA", b"ZIMA"),
        ("v23-and-v1.mp3", 659,
         tag_v2(3, [frame23("TIT2", latin("Rock 'n' roll")), frame23("TPE1", latin("Жук")),
                    frame23("TALB", latin("Hits"))]),
         tag_v1(field(b"Other title", 30, b" "), field(b"Other artist", 30, b" ")),
         (b"Rock 'n' roll", cp1251("Жук")), b"Rock 'n' roll", b"ZHUK"),
        # TagLib 1.13 takes the footer for part of the announced size and so skips a frame starting in the
        # body's last 20 bytes; the album comes last so that TagLib still sees the title and artist.
        ("v24-footer.mp3", 698,
         tag_v2(4, [frame24("TIT2", utf8("Шум")), frame24("TPE1", utf8("Лес")), frame24("TALB", utf8("Ветер"))],
                footer=True),
         b"", (cp1251("Шум"), cp1251("Лес")), b"SHUM", b"LES"),
        ("v23-unsync-utf16.mp3", 740,
         tag_v2(3, [frame23("TIT2", utf16("My babe just cares for me")), frame23("TPE1", utf16("Nina Simone", "big")),
                    frame23("TALB", utf16("Колыбельная"))], padding=64, unsync=True),
         b"", (b"My babe just cares for me", b"Nina Simone"), b"My babe just cares for me", b"Nina Simone"),
        ("v24-unsync-frames.mp3", 784,
         tag_v2(4, [frame24("TIT2", utf16("Лунная ночь"), unsync=True), frame24("TPE1", utf16("Сова"), unsync=True),
                    frame24("TALB", utf8("Лес"))]),
         b"", (cp1251("Лунная ночь"), cp1251("Сова")), b"LUNNAYA NOCHY", b"SOVA"),
        ("v22-unsync.mp3", 831,
         tag_v2(2, [frame22("TT2", utf16("Белка", terminated=True)), frame22("TP1", utf16("Щегол", "big")),
                    frame22("TAL", latin("Роща"))], unsync=True),
         b"", (cp1251("Белка"), cp1251("Щегол")), b"BELKA", b"SHTEGOL"),
    ]


def check_unsynchronised(name, head):
    """The unsync fixtures must hold FF bytes, each followed by the 00 that unsynchronisation put there."""
    if "unsync" in name:
        stored = head + b"\1"
        assert 0 < stored.count(b"\xff") == stored.count(b"\xff\0"), name


def check_identifiers(name, head):
    """The reader under test scans the tag byte by byte, so the title and artist identifiers must occur only as
    frame headers, once each."""
    if not head:
        return
    ids = (b"TT2", b"TP1") if head[3] == 2 else (b"TIT2", b"TPE1")
    for frame_id in ids:
        assert head.count(frame_id) == 1, (name, frame_id)


# ---- manifest ----------------------------------------------------------------------------------------------------


def cpp_string(raw):
    """A C++ literal for raw bytes; a hex escape never runs into a following hex digit."""
    out = '"'
    escaped = False
    for byte in raw:
        char = chr(byte)
        if byte < 0x20 or byte >= 0x7F:
            out += "\\x%02X" % byte
            escaped = True
            continue
        if escaped and char in "0123456789abcdefABCDEF":
            out += '" "'
        if char in '"\\':
            out += "\\"
        out += char
        escaped = False
    return out + '"'


MANIFEST_HEAD = """\
#pragma once

// Generated by tests/data/make_fixtures.py together with the fixtures; remake both with it, never by hand.

#include <array>
#include <cstddef>
#include <filesystem>
#include <string_view>

namespace fixtures {

// One real MP3 file in tests/data and what converting it must give.
struct FixtureFile {
    std::string_view name;            // UTF-8 file name
    std::string_view expectedTitle;   // the title after one conversion, as the new tag's bytes
    std::string_view expectedArtist;  // the artist after one conversion
    std::size_t audioOffset;          // the audio starts here, after the whole ID3v2 block (padding, footer)
    std::size_t audioSize;            // and runs this long, up to the ID3v1 block or the end of the file
    int tagV2Version;                 // 2, 3 or 4; 0 without an ID3v2 tag
    bool hasTagV1;
};

inline constexpr std::array<FixtureFile, %d> kFixtureFiles = {{
"""

MANIFEST_TAIL = """\
}};

// Full path of a fixture in the source tree. Tests read fixtures there and write only to copies.
std::filesystem::path FixturePath(std::string_view name);

}  // namespace fixtures
"""


def write_manifest(rows):
    text = MANIFEST_HEAD % len(rows)
    for name, title, artist, offset, size, version, has_v1 in rows:
        comment = "  // " + name if not name.isascii() else ""
        text += "    {%s, %s, %s, %d, %d, %d, %s},%s\n" % (
            cpp_string(name.encode()), cpp_string(title), cpp_string(artist), offset, size, version,
            "true" if has_v1 else "false", comment)
    text += MANIFEST_TAIL
    with open(MANIFEST, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)
    if shutil.which("clang-format"):
        subprocess.run(["clang-format", "-i", MANIFEST], check=True)


def make():
    rows = []
    with tempfile.TemporaryDirectory() as work:
        for name, frequency, head, tail, source, title, artist in fixtures():
            check_identifiers(name, head)
            check_unsynchronised(name, head)
            if source is not None:
                # ID3v1 fields are padded, and their trailing spaces trimmed; ID3v2 texts are taken as they are.
                trim = (lambda text: text.rstrip(b" ")) if not head else (lambda text: text)
                assert trim(transliterate(source[0])) == title and trim(transliterate(source[1])) == artist, name
            audio = encode(frequency, work)
            with open(os.path.join(HERE, name), "wb") as out:
                out.write(head + audio + tail)
            version = head[3] if head else 0
            rows.append((name, title, artist, len(head), len(audio), version, bool(tail)))
            print("%-32s %6d bytes  title %r  artist %r" % (name, len(head) + len(audio) + len(tail), title, artist))
    write_manifest(rows)


if __name__ == "__main__":
    make()
