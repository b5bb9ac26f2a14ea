#!/usr/bin/env python3
"""Writes the large test card: 10,000 tiny main-camera recordings in one day folder.

Each file is what the scan reads of a recording: an "ftyp" box first, a small "mdat", and the data box
with "CSOEND" as the last bytes. Written on the host, where 10,000 files take a second; created from
inside Wine they take minutes (every create looks the whole folder up case-insensitively).
usage: make_large_card.py OUT_DIR   (OUT_DIR/card/20240101_001/...; skipped when complete)
"""
import os
import struct
import sys

COUNT = 10000
LETTERS = "AGMPS"


def box(kind, payload):
    return struct.pack(">I", 8 + len(payload)) + kind + payload


def recording_bytes():
    ftyp = box(b"ftyp", b"isom\0\0\x02\0isommp42")
    mdat = box(b"mdat", b"\x11" * 64)
    gps = box(b"gps0", b"CSODAT" + b"\0" * 26 + b"CSOEND")
    return ftyp + mdat + gps


def main():
    out = sys.argv[1]
    day = os.path.join(out, "card", "20240101_001")
    stamp = os.path.join(out, "complete")
    if os.path.exists(stamp):
        return
    os.makedirs(day, exist_ok=True)
    data = recording_bytes()
    for i in range(COUNT):
        second = i % 86400
        name = "%03d_%02d%02d%02d%s_M.MP4" % (i % 1000, second // 3600, second // 60 % 60, second % 60,
                                            LETTERS[i % 5])
        with open(os.path.join(day, name), "wb") as f:
            f.write(data)
    open(stamp, "w").close()


if __name__ == "__main__":
    main()
