#!/usr/bin/env python3
"""Draws the upload converter's own images into res/convert/:

  391_convert_band.png  the band laid over the top third of every converted frame (and of the
                        conversion dialog's preview). The panorama's top rows show the rim of the
                        fisheye picture and what lies outside it; the band hides them. It is drawn
                        at half the frame's size (960 x 160) and stretched 2:1 onto 1920 x 320, so
                        each of its pixels covers exactly 2 x 2 pixels of the frame. Opaque.
  392_convert_mark.png  the small mark the converter keeps beside the band (64 x 64, with alpha).

The output is deterministic; `--check DIR` compares freshly drawn images with the files in DIR.
`--band-rgb FILE` writes the band as raw RGB rows (top-down) for the host checks of converted frames.

Usage: draw_convert_images.py [--out DIR] [--check DIR] [--band-rgb FILE]
"""
import argparse
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import draw_skin as ds  # noqa: E402  (the canvas and the PNG writer)

BAND_W, BAND_H = 960, 160
MARK = 64
TOP = (22, 26, 34)
BOTTOM = (44, 52, 66)
ACCENT = (61, 155, 255)
INK = (226, 232, 240)
SOFT = (120, 132, 150)


def lens(cv, cx, cy, r):
    """The round lens glyph of the mark and the band: rings and a highlight."""
    cv.disc(cx, cy, r, ACCENT)
    cv.disc(cx, cy, r * 0.78, TOP)
    cv.disc(cx, cy, r * 0.55, (30, 70, 120))
    cv.disc(cx, cy, r * 0.3, (12, 16, 22))
    cv.disc(cx - r * 0.22, cy - r * 0.22, r * 0.12, INK)


def draw_band():
    cv = ds.Canvas(BAND_W, BAND_H)
    cv.vgradient(0, 0, BAND_W, BAND_H, TOP, BOTTOM)
    # A faint horizon of ticks, one every 40 pixels (every 15 degrees of the panorama).
    for x in range(0, BAND_W, 40):
        cv.rect(x, BAND_H - 22, x + 1, BAND_H - 10, SOFT)
    cv.rect(0, BAND_H - 6, BAND_W, BAND_H, ACCENT)
    lens(cv, 80, 70, 38)
    cv.text("QUILLMERE", 480, 62, INK, scale=6)
    cv.text("360 UPLOAD", 480, 112, SOFT, scale=3)
    return cv


def draw_mark():
    cv = ds.Canvas(MARK, MARK)
    lens(cv, MARK / 2, MARK / 2, MARK / 2 - 2)
    return cv


IMAGES = [("391_convert_band.png", draw_band), ("392_convert_mark.png", draw_mark)]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(HERE, "..", "res", "convert"))
    parser.add_argument("--check", metavar="DIR", help="compare with the images in DIR instead")
    parser.add_argument("--band-rgb", metavar="FILE", help="also write the band's raw RGB rows")
    args = parser.parse_args(argv)
    if args.band_rgb:
        band = draw_band()
        with open(args.band_rgb, "wb") as f:
            f.write(bytes(v for row in band.px for (r, g, b, _) in row for v in (r, g, b)))
    mismatches = []
    if not args.check:
        os.makedirs(args.out, exist_ok=True)
    for name, draw in IMAGES:
        data = ds.png_bytes(draw())
        if args.check:
            try:
                with open(os.path.join(args.check, name), "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                mismatches.append(name)
                print("differs from its drawing: %s" % name)
        else:
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(data)
    if args.check:
        print("%d images checked, %d differ" % (len(IMAGES), len(mismatches)))
        return 1 if mismatches else 0
    print("%d images written to %s" % (len(IMAGES), args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
