#!/usr/bin/env python3
"""Draws the event marker icons of the map pages (the project's own pictures).

Each event kind gets a 32x32 pin in its own colour with a letter on its head; the shadow is a soft
49x32 ellipse whose anchor (16, 32) meets the pin's tip. The pictures are drawn in memory (PNG, RGBA)
and put into both map pages by tools/make_map_pages.py; `--out DIR` also writes them as files to look at.

Usage: draw_map_icons.py [--out DIR]
"""
import argparse
import math
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from draw_skin import FONT  # noqa: E402  (the project's 5x7 badge font)

PIN = 32
SHADOW_W, SHADOW_H = 49, 32

# Resource number -> (pin colour, letter). The page's icon table maps event colours onto these.
ICONS = {
    183: ((235, 120, 20), "G"),    # shock (left/right, acceleration, braking, drop, rise)
    185: ((40, 160, 60), "M"),     # user point
    182: ((210, 30, 30), "S"),     # emergency recording stop
    216: ((40, 90, 200), "P"),     # parking watch
    221: ((150, 50, 170), "V"),    # speeding
    329: ((60, 60, 60), "C"),      # speed-enforcement camera
    330: ((20, 150, 150), "R"),    # radar
    184: ((220, 190, 20), "H"),    # driving assist: steering
    180: ((220, 190, 20), "A"),    # driving assist: acceleration
    181: ((220, 190, 20), "B"),    # driving assist: braking
}
SHADOW = 186

# Event colour index (0-13) -> resource number, as the page's g_iconurl table is ordered.
ICON_TABLE = [183, 183, 183, 183, 183, 185, 182, 216, 221, 329, 330, 184, 180, 181]


def png_bytes(w, h, px):
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            raw += bytes(px[y][x])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def inside_pin(x, y):
    """The pin: a round head of radius 11 centred at (16, 12) and a point down to (16, 31)."""
    cx, cy, r = 15.5, 12.0, 11.0
    if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
        return True
    if cy <= y <= 31:
        half = r * (31 - y) / (31 - cy) * 0.75
        return abs(x - cx) <= half
    return False


def draw_pin(colour, letter):
    px = [[(0, 0, 0, 0)] * PIN for _ in range(PIN)]
    dark = tuple(max(0, c - 90) for c in colour)
    for y in range(PIN):
        for x in range(PIN):
            if inside_pin(x + 0.5, y + 0.5):
                edge = not all(inside_pin(x + 0.5 + dx, y + 0.5 + dy)
                               for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
                px[y][x] = (dark if edge else colour) + (255,)
    # A white disc on the head and the letter on it.
    for y in range(PIN):
        for x in range(PIN):
            if (x + 0.5 - 15.5) ** 2 + (y + 0.5 - 12.0) ** 2 <= 7.5 ** 2:
                px[y][x] = (255, 255, 255, 255)
    rows = FONT[letter]
    for gy, row in enumerate(rows):
        for gx, bit in enumerate(row):
            if bit == "1":
                x, y = 13 + gx, 9 + gy
                px[y][x] = dark + (255,)
    return png_bytes(PIN, PIN, px)


def draw_shadow():
    px = [[(0, 0, 0, 0)] * SHADOW_W for _ in range(SHADOW_H)]
    # A slanted ellipse leaning right from the tip at (16, 32).
    for y in range(SHADOW_H):
        for x in range(SHADOW_W):
            u = (x + 0.5) - 16 - (32 - (y + 0.5)) * 0.8
            v = (y + 0.5) - 22
            d = (u / 12.0) ** 2 + (v / 9.0) ** 2
            if d <= 1.0:
                a = int(90 * (1.0 - d) ** 0.5)
                px[y][x] = (0, 0, 0, a)
    return png_bytes(SHADOW_W, SHADOW_H, px)


def draw_all():
    """Resource number -> PNG bytes."""
    pictures = {number: draw_pin(colour, letter) for number, (colour, letter) in ICONS.items()}
    pictures[SHADOW] = draw_shadow()
    return pictures


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for number, data in sorted(draw_all().items()):
        with open(os.path.join(args.out, "%d.png" % number), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
