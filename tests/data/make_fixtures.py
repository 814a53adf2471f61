#!/usr/bin/env python3
# Remakes the MP3 fixtures in this folder and their manifest, tests/taglib/FixtureFiles.inc:
#
#     python3 tests/data/make_fixtures.py
#
# Each fixture is a short tone encoded by lame, with tag bytes built here by hand so that every byte is known.
# Needs Python 3.9+ and lame 3.100 on the PATH.

import math
import pathlib
import struct
import subprocess
import tempfile
import wave
import zlib

HERE = pathlib.Path(__file__).resolve().parent
MANIFEST = HERE.parent / "taglib" / "FixtureFiles.inc"
SAMPLE_RATE = 22050


def noise(seed, count):
    # A deterministic stream of pseudo-random numbers below 32768.
    for _ in range(count):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        yield seed >> 16


def encode(frequency, work):
    # Two seconds of a sine with a little noise, so that no two fixtures share audio bytes.
    tone = (int(9000 * math.sin(2 * math.pi * frequency * i / SAMPLE_RATE)) for i in range(SAMPLE_RATE * 2))
    samples = (t + n % 2001 - 1000 for t, n in zip(tone, noise(frequency, SAMPLE_RATE * 2)))
    wav, mp3 = pathlib.Path(work, "tone.wav"), pathlib.Path(work, "tone.mp3")
    with wave.open(str(wav), "wb") as out:
        out.setparams((1, 2, SAMPLE_RATE, 0, "NONE", None))
        out.writeframes(struct.pack("<%dh" % (SAMPLE_RATE * 2), *samples))
    subprocess.run(["lame", "--quiet", "--cbr", "-b", "32", "-m", "m", "--resample", "22.05", wav, mp3], check=True)
    return mp3.read_bytes()


# ---- tag bytes ---------------------------------------------------------------------------------------------------


def cp1251(text): return text.encode("cp1251")


def synchsafe(n): return bytes([(n >> shift) & 0x7F for shift in (21, 14, 7, 0)])


# As an unsynchronising writer stores bytes: a 00 after every FF, so that no FF can look like a frame sync.
def unsynchronised(data, unsync=True): return data.replace(b"\xff", b"\xff\0") if unsync else data


def frame(major, frame_id, content, unsync=False):
    # v2.2: a three-byte size and no flags; v2.3: a four-byte size; v2.4: a synchsafe one. With unsync (v2.4), the
    # content alone is unsynchronised, the size counts it as stored and the flag 0x02 says so.
    content = unsynchronised(content, unsync)
    size = synchsafe(len(content)) if major == 4 else len(content).to_bytes(major + 1, "big")
    return frame_id.encode() + size + (bytes([0, 0x02 * unsync]) if major > 2 else b"") + content


def tag_v2(major, frames, padding=0, footer=False, unsync=False):
    # frames: (identifier, content[, unsync]). With unsync (v2.2 and v2.3), the header flag 0x80 is set and the
    # whole body, frame sizes counting the bytes before it, is unsynchronised.
    body = unsynchronised(b"".join(frame(major, *f) for f in frames) + bytes(padding), unsync)
    tag = b"ID3" + bytes([major, 0, 0x10 * footer | 0x80 * unsync]) + synchsafe(len(body)) + body
    return tag + (b"3DI" + tag[3:10] if footer else b"")


def tag_v1(title, artist, album=b"", year=b""):
    # Fixed fields: title and artist padded with spaces; album, year and comment with zeros; genre 12.
    fields = title.ljust(30, b" ") + artist.ljust(30, b" ") + album.ljust(30, b"\0") + year.ljust(34, b"\0")
    return b"TAG" + fields + b"\x0c"


def png(width, height, seed):
    # A small valid PNG of noise, so that the picture frame holds real image bytes that do not compress away.
    values = noise(seed, width * height * 3)
    rows = b"".join(b"\0" + bytes(next(values) & 0xFF for _ in range(width * 3)) for _ in range(height))
    chunks = ((b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)), (b"IDAT", zlib.compress(rows, 9)),
              (b"IEND", b""))
    return b"\x89PNG\r\n\x1a\n" + b"".join(struct.pack(">I", len(data)) + kind + data
                                           + struct.pack(">I", zlib.crc32(kind + data)) for kind, data in chunks)


# Text frame contents: the encoding byte, then the text.
# Encoding 0 holding Windows-1251 bytes, as legacy Cyrillic taggers wrote them.
def latin(text): return b"\0" + cp1251(text)


def utf16(text, byte_order="little", terminated=False):
    bom = b"\xff\xfe" if byte_order == "little" else b"\xfe\xff"
    return b"\1" + bom + text.encode("utf-16-" + byte_order[0] + "e") + (b"\0\0" if terminated else b"")


def utf8(text): return b"\3" + text.encode("utf-8")


# ---- the fixtures ------------------------------------------------------------------------------------------------

LONG_TITLE = "Длинная песня о том, как пчела летала над садом, над рекой и над полем весь день до заката"

# (name, tone Hz, expected title and artist after one conversion, tag before the audio[, tag after it]), the
# expected texts worked out by hand and checked by the conversion test against the product and TagLib.
FIXTURES = [
    ("no-tag.mp3", 330, "no-tag.mp3", "", b""),
    ("Пчела.mp3", 349, "PCHELA.mp3", "", b""),
    ("v1-only-cp1251.mp3", 392, "SHTUKA V REKE", "CHIZH", b"",
     tag_v1(cp1251("Щука в реке"), cp1251("Чиж") + b"\0" + cp1251("Юля"), cp1251("Лес"), b"1999")),
    ("v23-cp1251.mp3", 440, "PCHELA", "SHMELY I OSA",
     tag_v2(3, [("TIT2", latin("Пчела")), ("TPE1", latin("Шмель и Оса")), ("TALB", latin("Сад")),
                ("TRCK", latin("3/12")), ("TYER", latin("2004")), ("COMM", b"\0rus\0" + cp1251("Жужжит"))])),
    ("v23-utf16-picture-padding.mp3", 494, "TSARY GOROH", "ANSAMBLY SHTIT",
     tag_v2(3, [("TIT2", utf16("Царь Горох", terminated=True)), ("TPE1", utf16("Ансамбль Щит", "big")),
                ("TALB", utf16("Сказки")), ("APIC", b"\0image/png\0\3\0" + png(10, 10, 7))], padding=512)),
    ("v24-utf8-long.mp3", 523,
     "DLINNAYA PESNYA O TOM, KAK PCHELA LETALA NAD SADOM, NAD REKOI I NAD POLEM VESY DENY DO ZAKATA", "ZHUKI",
     tag_v2(4, [("TIT2", utf8(LONG_TITLE)), ("TPE1", utf8("Жуки")), ("TALB", utf8("Поле")), ("TDRC", latin("2005"))])),
    ("v22.mp3", 587, "CHAIKA", "ZIMA",
     tag_v2(2, [("TT2", latin("Чайка")), ("TP1", latin("Зима")), ("TAL", latin("Море")), ("TRK", latin("1"))])),
    ("v23-and-v1.mp3", 659, "Rock 'n' roll", "ZHUK",
     tag_v2(3, [("TIT2", latin("Rock 'n' roll")), ("TPE1", latin("Жук")), ("TALB", latin("Hits"))]),
     tag_v1(b"Other title", b"Other artist")),
    # TagLib 1.13 skips a frame that starts in the last 20 bytes of a footer tag's body: the album comes last, and
    # at 21 bytes TagLib sees it too.
    ("v24-footer.mp3", 698, "SHUM", "LES",
     tag_v2(4, [("TIT2", utf8("Шум")), ("TPE1", utf8("Лес")), ("TALB", utf8("Ветер"))], footer=True)),
    ("v23-unsync-utf16.mp3", 740, "My babe just cares for me", "Nina Simone",
     tag_v2(3, [("TIT2", utf16("My babe just cares for me")), ("TPE1", utf16("Nina Simone", "big")),
                ("TALB", utf16("Колыбельная"))], padding=64, unsync=True)),
    ("v24-unsync-frames.mp3", 784, "LUNNAYA NOCHY", "SOVA",
     tag_v2(4, [("TIT2", utf16("Лунная ночь"), True), ("TPE1", utf16("Сова"), True), ("TALB", utf8("Лес"))])),
    ("v22-unsync.mp3", 831, "BELKA", "SHTEGOL",
     tag_v2(2, [("TT2", utf16("Белка", terminated=True)), ("TP1", utf16("Щегол", "big")), ("TAL", latin("Роща"))],
            unsync=True)),
]


# ---- manifest ----------------------------------------------------------------------------------------------------


# A C++ literal for a text, which the compiler keeps as UTF-8.
def cpp_string(text): return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def make():
    manifest = "// Generated by tests/data/make_fixtures.py with the fixtures; remake both with it, never by hand.\n"
    with tempfile.TemporaryDirectory() as work:
        for name, frequency, title, artist, head, *tail in FIXTURES:
            # The reader under test scans the tag byte by byte: the title and artist identifiers occur once each,
            # as frame headers. Every FF of an unsync tag is followed by the 00 that unsynchronisation put there.
            ids = (b"TT2", b"TP1") if head[3:4] == b"\2" else (b"TIT2", b"TPE1")
            assert not head or all(head.count(frame_id) == 1 for frame_id in ids), name
            stored = head + b"\1"
            assert "unsync" not in name or 0 < stored.count(b"\xff") == stored.count(b"\xff\0"), name
            audio = encode(frequency, work)
            (HERE / name).write_bytes(head + audio + b"".join(tail))
            manifest += "    {%s, %s, %s, %d, %d},\n" % (*map(cpp_string, (name, title, artist)), len(head), len(audio))
    MANIFEST.write_bytes(manifest.encode())


if __name__ == "__main__":
    make()
