#!/usr/bin/env python3
"""Writes the CSV benchmark's template recordings: a generated main and rear recording with their media
payload cut to 64 bytes, so that 20,000 copies stay small while every box the export reads ("moov" with
its track and sample tables, "gps0") is as the recorder writes it.

Usage: csv_template.py RECORDINGS_DIR OUT_DIR
"""
import os
import struct
import sys

SOURCES = {"M.MP4": "card/20240315_001/001_093000A_M.MP4", "R.MP4": "card/20240315_001/001_093000A_R.MP4"}


def shrink(data):
    out, pos = b"", 0
    while pos + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if size < 8 or pos + size > len(data):
            raise ValueError("unexpected box layout")
        if kind == b"mdat":
            out += struct.pack(">I4s", 8 + 64, b"mdat") + b"\x11" * 64
        else:
            out += data[pos:pos + size]
        pos += size
    return out


def main(recordings, out):
    os.makedirs(out, exist_ok=True)
    for name, rel in SOURCES.items():
        with open(os.path.join(recordings, rel), "rb") as f:
            data = shrink(f.read())
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
