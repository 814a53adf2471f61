#!/usr/bin/env python3
"""The peer the benchmark measures Kelvara against: the tag library mutagen doing Kelvara's job on every MP3
file of a folder, in one process and in place, as a script would: read title and artist (ID3v2, or ID3v1
without it), write an ID3v2.3 tag holding only TIT2 and TPE1, and remove the ID3v1 tag. Nothing is flushed,
so a crash mid-file can lose the song; that is the peer's speed, not its safety.

Usage: mutagen_peer.py FOLDER"""

import pathlib
import sys

from mutagen.id3 import ID3, ID3NoHeaderError, TIT2, TPE1


def convert(path):
    try:
        old = ID3(path)  # falls back to the ID3v1 tag when there is no ID3v2 tag
    except ID3NoHeaderError:
        old = ID3()
    title = old.get("TIT2")
    artist = old.get("TPE1")
    new = ID3()
    new.add(TIT2(encoding=1, text=title.text if title else [path.name]))
    new.add(TPE1(encoding=1, text=artist.text if artist else [""]))
    new.save(path, v1=0, v2_version=3, padding=lambda info: 0)


def main():
    for path in sorted(pathlib.Path(sys.argv[1]).glob("*.mp3")):
        convert(path)


if __name__ == "__main__":
    main()
