#!/usr/bin/env python3
"""Draws the main window's own images into res/app/: the program icon, the tool buttons, the caption
buttons, the movie window's size button and the pane cursor.

Each tool and caption button bitmap holds four faces side by side (normal, hover, pressed, disabled)
on black, which the image lists key out. The glyphs are simple vector shapes drawn with the skin
script's canvas, so the output is deterministic; `--check DIR` compares with the files in DIR.

Usage: draw_app_images.py [--out DIR] [--check DIR]
"""
import argparse
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import draw_skin as ds  # noqa: E402  (the canvas and the writers)

FILL = [(58, 62, 70), (84, 96, 118), (38, 92, 160), (40, 40, 44)]
BORDER = [(110, 116, 128), (150, 170, 200), (90, 150, 220), (64, 64, 68)]
INK = [(232, 236, 242), (255, 255, 255), (255, 255, 255), (96, 96, 100)]


def tri(cv, pts, c):
    """A filled triangle (pixel centres inside)."""
    (x0, y0), (x1, y1), (x2, y2) = pts
    minx, maxx = int(min(x0, x1, x2)), int(max(x0, x1, x2)) + 1
    miny, maxy = int(min(y0, y1, y2)), int(max(y0, y1, y2)) + 1

    def side(ax, ay, bx, by, px, py):
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax)

    for y in range(miny, maxy + 1):
        for x in range(minx, maxx + 1):
            px, py = x + 0.5, y + 0.5
            a = side(x0, y0, x1, y1, px, py)
            b = side(x1, y1, x2, y2, px, py)
            c2 = side(x2, y2, x0, y0, px, py)
            if (a >= 0 and b >= 0 and c2 >= 0) or (a <= 0 and b <= 0 and c2 <= 0):
                cv.put(x, y, c)


def ring(cv, cx, cy, r, c, w=1.6):
    cv.disc(cx, cy, r, c, inner=r - w)


# Glyphs on a 32x32 face whose left edge is ox. Each takes (canvas, ox, ink).
def g_first(cv, o, k):
    cv.rect(o + 9, 10, o + 11, 22, k); tri(cv, [(o + 22, 10), (o + 22, 22), (o + 12, 16)], k)
def g_prev(cv, o, k):
    tri(cv, [(o + 16, 10), (o + 16, 22), (o + 8, 16)], k); tri(cv, [(o + 24, 10), (o + 24, 22), (o + 16, 16)], k)
def g_play(cv, o, k):
    tri(cv, [(o + 11, 9), (o + 11, 23), (o + 23, 16)], k)
def g_pause(cv, o, k):
    cv.rect(o + 10, 9, o + 14, 23, k); cv.rect(o + 18, 9, o + 22, 23, k)
def g_slow(cv, o, k):
    tri(cv, [(o + 9, 10), (o + 9, 22), (o + 17, 16)], k); cv.rect(o + 19, 10, o + 21, 22, k)
def g_fast(cv, o, k):
    tri(cv, [(o + 8, 10), (o + 8, 22), (o + 16, 16)], k); tri(cv, [(o + 16, 10), (o + 16, 22), (o + 24, 16)], k)
def g_next(cv, o, k):
    tri(cv, [(o + 10, 10), (o + 10, 22), (o + 20, 16)], k); cv.rect(o + 21, 10, o + 23, 22, k)
def g_snapshot(cv, o, k):
    cv.round_rect(o + 7, 11, o + 25, 23, 2, k); cv.rect(o + 12, 9, o + 18, 11, k)
    cv.disc(o + 16, 17, 4, (30, 30, 34)); cv.disc(o + 16, 17, 2.2, k)
def g_join(cv, o, k):
    cv.rect(o + 7, 12, o + 14, 20, k); cv.rect(o + 18, 12, o + 25, 20, k); cv.line(o + 13, 16, o + 19, 16, k, 2)
def g_upload(cv, o, k):
    tri(cv, [(o + 16, 7), (o + 9, 15), (o + 23, 15)], k); cv.rect(o + 14, 15, o + 18, 22, k); cv.rect(o + 8, 23, o + 24, 25, k)
def g_enlarge(cv, o, k):
    ring(cv, o + 14, 14, 6, k, 2); cv.line(o + 18, 18, o + 24, 24, k, 2.5); cv.line(o + 11, 14, o + 17, 14, k, 1.6); cv.line(o + 14, 11, o + 14, 17, k, 1.6)
def g_display_mode(cv, o, k):
    ring(cv, o + 16, 16, 8, k, 1.8); cv.line(o + 8, 16, o + 24, 16, k, 1.4); cv.line(o + 16, 8, o + 16, 24, k, 1.2)
def g_flip(cv, o, k):
    tri(cv, [(o + 16, 7), (o + 10, 13), (o + 22, 13)], k); tri(cv, [(o + 16, 25), (o + 10, 19), (o + 22, 19)], k); cv.rect(o + 8, 15, o + 24, 17, k)
def g_mirror(cv, o, k):
    tri(cv, [(o + 7, 16), (o + 13, 10), (o + 13, 22)], k); tri(cv, [(o + 25, 16), (o + 19, 10), (o + 19, 22)], k); cv.rect(o + 15, 8, o + 17, 24, k)
def g_map(cv, o, k):
    cv.disc(o + 16, 13, 6, k); cv.disc(o + 16, 13, 2.5, (30, 30, 34)); tri(cv, [(o + 11, 16), (o + 21, 16), (o + 16, 25)], k)
def g_source(cv, o, k):
    cv.round_rect(o + 7, 11, o + 25, 23, 2, k); cv.rect(o + 7, 9, o + 14, 12, k)
def g_delete(cv, o, k):
    cv.rect(o + 10, 12, o + 22, 24, k); cv.rect(o + 8, 9, o + 24, 11, k); cv.rect(o + 14, 7, o + 18, 9, k)
    for x in (13, 16, 19): cv.rect(o + x, 14, o + x + 1, 22, (30, 30, 34))
def g_settings(cv, o, k):
    for i in range(8):
        a = i * math.pi / 4
        cv.line(o + 16, 16, o + 16 + 9 * math.cos(a), 16 + 9 * math.sin(a), k, 3)
    cv.disc(o + 16, 16, 6.5, k); cv.disc(o + 16, 16, 2.5, (30, 30, 34))
def g_csv(cv, o, k):
    cv.text("CSV", o + 16, 16, k)
def g_switch(cv, o, k):
    cv.line(o + 8, 12, o + 22, 12, k, 2); tri(cv, [(o + 21, 8), (o + 21, 16), (o + 25, 12)], k)
    cv.line(o + 10, 20, o + 24, 20, k, 2); tri(cv, [(o + 11, 16), (o + 11, 24), (o + 7, 20)], k)
def g_reset(cv, o, k):
    ring(cv, o + 16, 16, 8, k, 2); tri(cv, [(o + 20, 6), (o + 20, 13), (o + 25, 9)], k)


def g_up(cv, o, k):
    tri(cv, [(o + 8, 21), (o + 24, 21), (o + 16, 10)], k)
def g_down(cv, o, k):
    tri(cv, [(o + 8, 11), (o + 24, 11), (o + 16, 22)], k)
def g_left(cv, o, k):
    tri(cv, [(o + 21, 8), (o + 21, 24), (o + 10, 16)], k)
def g_right(cv, o, k):
    tri(cv, [(o + 11, 8), (o + 11, 24), (o + 22, 16)], k)


# The controller pad's buttons: up, down, left, right and the view reset (also the 38012 reset face).
PAD_BUTTONS = [(360, "up", g_up), (361, "down", g_down), (362, "left", g_left), (363, "right", g_right),
               (364, "reset", g_reset)]


TOOL_BUTTONS = [  # (resource id, file stem, glyph)
    (154, "first", g_first), (144, "previous", g_prev), (148, "play", g_play), (147, "pause", g_pause),
    (142, "slow", g_slow), (139, "fast", g_fast), (145, "next", g_next), (153, "snapshot", g_snapshot),
    (150, "join", g_join), (368, "upload", g_upload), (200, "enlarge", g_enlarge),
    (359, "display_mode", g_display_mode), (357, "flip", g_flip), (372, "mirror", g_mirror),
    (358, "map", g_map), (146, "source", g_source), (138, "delete", g_delete), (151, "settings", g_settings),
    (137, "csv", g_csv), (367, "display_switch", g_switch),
]


def tool_faces(glyph):
    cv = ds.Canvas(128, 32)
    for s in range(4):
        o = s * 32
        cv.round_rect(o + 1, 1, o + 31, 31, 6, FILL[s], BORDER[s])
        glyph(cv, o, INK[s])
    return cv


def caption_faces(w, h, glyph):
    cv = ds.Canvas(4 * w, h)
    for s in range(4):
        o = s * w
        fill = [(70, 74, 82), (96, 104, 120), (196, 48, 48) if glyph == "close" else (44, 100, 170), (48, 48, 52)][s]
        cv.round_rect(o, 0, o + w, h, 3, fill, BORDER[s])
        k = INK[s]
        cx, cy = o + w / 2, h / 2
        if glyph == "close":
            cv.line(cx - 4, cy - 4, cx + 4, cy + 4, k, 1.8); cv.line(cx + 4, cy - 4, cx - 4, cy + 4, k, 1.8)
        elif glyph == "size":
            cv.rect(int(cx - 5), int(cy - 4), int(cx + 5), int(cy - 2), k)
            cv.rect(int(cx - 5), int(cy - 4), int(cx - 3), int(cy + 4), k)
            cv.rect(int(cx + 3), int(cy - 4), int(cx + 5), int(cy + 4), k)
            cv.rect(int(cx - 5), int(cy + 2), int(cx + 5), int(cy + 4), k)
        else:  # minimise
            cv.rect(int(cx - 5), int(cy + 2), int(cx + 5), int(cy + 4), k)
    return cv


def size_faces():
    """The movie window's 13x12 size button: two nested squares."""
    cv = ds.Canvas(52, 12)
    for s in range(4):
        o = s * 13
        cv.round_rect(o, 0, o + 13, 12, 2, FILL[s])
        k = INK[s]
        cv.rect(o + 3, 3, o + 10, 4, k); cv.rect(o + 3, 8, o + 10, 9, k)
        cv.rect(o + 3, 3, o + 4, 9, k); cv.rect(o + 9, 3, o + 10, 9, k)
    return cv


def app_icon(size):
    """The program icon: a lens ring with a play mark."""
    cv = ds.Canvas(size, size)
    c = size / 2
    cv.disc(c, c, size / 2 - 0.5, (28, 84, 150))
    cv.disc(c, c, size / 2 - 0.5, (120, 180, 240), inner=size / 2 - max(1.5, size / 14))
    s = size / 32
    tri(cv, [(c - 5 * s, c - 7 * s), (c - 5 * s, c + 7 * s), (c + 8 * s, c)], (255, 255, 255))
    return cv


def pane_cursor():
    """A 32x32 open-hand-like grip cursor (hot spot in the middle)."""
    cv = ds.Canvas(32, 32)
    ring(cv, 16, 16, 9, (0, 0, 0), 3.5)
    ring(cv, 16, 16, 8, (255, 255, 255), 1.6)
    for dx, dy in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        cv.line(16 + dx * 4, 16 + dy * 4, 16 + dx * 13, 16 + dy * 13, (255, 255, 255), 1.6)
    cv.disc(16, 16, 1.5, (255, 255, 255))
    return cv


def cursor_bytes(cv, hot):
    """A .cur file: the icon layout with type 2 and the hot spot in place of planes and bit count."""
    ico = bytearray(ds.ico_bytes([cv]))
    struct.pack_into("<H", ico, 2, 2)
    struct.pack_into("<HH", ico, 6 + 4, hot[0], hot[1])
    return bytes(ico)


def outputs():
    out = []
    for rid, stem, glyph in TOOL_BUTTONS:
        out.append(("%d_tool_%s.bmp" % (rid, stem), ds.bmp24(tool_faces(glyph), "black")))
    for rid, stem, glyph in PAD_BUTTONS:
        out.append(("%d_pad_%s.bmp" % (rid, stem), ds.bmp24(tool_faces(glyph), "black")))
    out.append(("155_caption_close.bmp", ds.bmp24(caption_faces(46, 18, "close"), "black")))
    out.append(("157_caption_size.bmp", ds.bmp24(caption_faces(26, 18, "size"), "black")))
    out.append(("156_caption_minimise.bmp", ds.bmp24(caption_faces(26, 18, "minimise"), "black")))
    out.append(("375_movie_size.bmp", ds.bmp24(size_faces(), "black")))
    out.append(("128_main.ico", ds.ico_bytes([app_icon(16), app_icon(32), app_icon(48)])))
    out.append(("191_pane.cur", cursor_bytes(pane_cursor(), (16, 16))))
    return out


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(HERE, "..", "res", "app"))
    parser.add_argument("--check", metavar="DIR")
    args = parser.parse_args(argv)
    bad = []
    if not args.check:
        os.makedirs(args.out, exist_ok=True)
    for name, data in outputs():
        if args.check:
            try:
                with open(os.path.join(args.check, name), "rb") as f:
                    if f.read() != data:
                        bad.append(name)
            except OSError:
                bad.append(name)
        else:
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(data)
    if bad:
        print("differ from the description: " + ", ".join(bad))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
