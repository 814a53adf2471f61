#!/usr/bin/python3
# tag_dump.py FILE: the tag of an MP3 file as mutagen (Debian's python3-mutagen), an independent reader, sees it,
# for scripts that check converted files. Prints the ID3v2 version and frames (and "ID3v1" if that block is
# there), then the title and the artist.
import sys

from mutagen.id3 import ID3

path = sys.argv[1]
# With no frame type known, every frame is kept raw: none is dropped for content mutagen would not parse.
frames = [raw[:4].decode() for raw in ID3(path, known_frames={}, translate=False, load_v1=False).unknown_frames]
tag = ID3(path, load_v1=False)  # ID3v1 stays apart, never merged into the frames
with open(path, "rb") as song:
    hasTagV1 = song.read()[-128:].startswith(b"TAG")
print("tag: ID3v2.%d" % tag.version[1], *frames, *["ID3v1"] * hasTagV1)
print("title:", tag.get("TIT2", ""))
print("artist:", tag.get("TPE1", ""))
