#!/usr/bin/env python3
"""Draws the skin images of the viewer from tools/skin_images.json into res/.

Every bitmap, PNG and icon of the skinned interface is the project's own drawing, made here from a
small description so that it can be changed and regenerated. The output is deterministic: running the
script twice gives the same bytes, and `--check DIR` compares freshly drawn images with the files in
DIR (the build's test uses it to prove the committed images are what the description says).

Formats written (own writers, standard library only):
  bmp24  24-bit bottom-up BMP (RT_BITMAP resources)
  mask1  1-bit BMP, white where the shape is (the needle mask)
  png    8-bit RGBA PNG (resources of type "PNG")
  ico    icon with 16x16 and 32x32 32-bit images

Transparent keys: a "key" of "black" or "white" paints every pixel outside the shape in exactly that
colour and keeps the shape itself off it (the controls draw these with TransparentBlt or masked image
lists); "none" is an opaque picture; PNGs and icons carry alpha.

Usage: draw_skin.py [--desc FILE] [--out DIR] [--check DIR]
"""
import argparse
import json
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# A 5x7 pixel font for the short codes printed on badges (rows top to bottom, 5 bits each).
FONT = {
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'G': ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'Z': ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    ' ': ["00000"] * 7,
    '-': ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    '/': ["00001", "00001", "00010", "00100", "01000", "10000", "10000"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
}

KEYS = {"black": (0, 0, 0), "white": (255, 255, 255)}


def rgb(value):
    """'#rrggbb' -> (r, g, b)."""
    value = value.lstrip('#')
    return tuple(int(value[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Canvas:
    """RGBA pixels; alpha 0 marks 'outside the shape' (the key colour or transparency)."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def put(self, x, y, c, a=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (c[0], c[1], c[2], a)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                row[x] = (c[0], c[1], c[2], 255)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        span = max(1, y1 - y0 - 1)
        for y in range(max(0, y0), min(self.h, y1)):
            c = mix(top, bottom, (y - y0) / span)
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = (c[0], c[1], c[2], 255)

    def inside_round(self, x, y, x0, y0, x1, y1, r):
        """Whether pixel (x, y) lies in the rounded rectangle [x0, x1) x [y0, y1) of radius r."""
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x + 0.5, x0 + r), x1 - r)
        cy = min(max(y + 0.5, y0 + r), y1 - r)
        return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r

    def round_rect(self, x0, y0, x1, y1, r, fill, border=None, top=None):
        """A rounded rectangle; `top` gives a vertical gradient from top to fill."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                if not self.inside_round(x, y, x0, y0, x1, y1, r):
                    continue
                c = fill if top is None else mix(top, fill, (y - y0) / max(1, y1 - y0 - 1))
                if border is not None and not self.inside_round(x, y, x0 + 1, y0 + 1, x1 - 1, y1 - 1,
                                                                 max(0, r - 1)):
                    c = border
                self.put(x, y, c)

    def disc(self, cx, cy, r, c, inner=0.0):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if inner <= d <= r:
                    self.put(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1.0):
        """A straight stroke of the given width (pixels whose centre is near the segment)."""
        minx, maxx = int(min(x0, x1) - width) - 1, int(max(x0, x1) + width) + 1
        miny, maxy = int(min(y0, y1) - width) - 1, int(max(y0, y1) + width) + 1
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        for y in range(miny, maxy + 1):
            for x in range(minx, maxx + 1):
                px, py = x + 0.5, y + 0.5
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
                if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                    self.put(x, y, c)

    def text(self, s, cx, cy, c, scale=1):
        """Centred text in the 5x7 font, one pixel between letters."""
        width = len(s) * 6 * scale - scale
        x = int(cx - width / 2)
        y = int(cy - 7 * scale / 2)
        for ch in s.upper():
            glyph = FONT.get(ch, FONT[' '])
            for row, bits in enumerate(glyph):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        self.rect(x + col * scale, y + row * scale, x + (col + 1) * scale,
                                  y + (row + 1) * scale, c)
            x += 6 * scale


# --- Styles -----------------------------------------------------------------------------------------

def style_backdrop(cv, p):
    """A large opaque dark backdrop with a faint grid."""
    cv.vgradient(0, 0, cv.w, cv.h, rgb(p["top"]), rgb(p["bottom"]))
    grid = rgb(p["grid"])
    step = p.get("step", 50)
    for x in range(0, cv.w, step):
        cv.rect(x, 0, x + 1, cv.h, grid)
    for y in range(0, cv.h, step):
        cv.rect(0, y, cv.w, y + 1, grid)


def style_lens(cv, p):
    """A 360-degree lens on the key colour: rings, a glint and an accent arc."""
    cx, cy = cv.w / 2, cv.h * p.get("cy", 0.45)
    r = min(cv.w, cv.h) * p.get("radius", 0.36)
    cv.disc(cx, cy, r, rgb(p["ring"]))
    cv.disc(cx, cy, r * 0.86, rgb(p["body"]))
    cv.disc(cx, cy, r * 0.62, rgb(p["glass"]))
    cv.disc(cx, cy, r * 0.34, rgb(p["pupil"]))
    cv.disc(cx - r * 0.2, cy - r * 0.22, r * 0.09, rgb(p["glint"]))
    accent = rgb(p["accent"])
    for a in range(200, 340):
        t = math.radians(a)
        cv.disc(cx + math.cos(t) * r * 0.74, cy + math.sin(t) * r * 0.74, r * 0.05, accent)
    if p.get("caption"):
        cv.text(p["caption"], cx, cv.h * 0.88, rgb(p["captionColor"]), p.get("captionScale", 3))


def style_dial(cv, p):
    """A gauge dial on the key colour: an arc of `sweep` degrees (240 unless given) centred on the
    top, with major and minor ticks, around (w/2, cy) with radius `radius`."""
    cx, cy = cv.w / 2, p.get("cy", cv.h / 2)
    r = p.get("radius", min(cv.w, cv.h) / 2 - 3)
    sweep = p.get("sweep", 240)
    cv.disc(cx, cy, r, rgb(p["rim"]), inner=r - 3)
    cv.disc(cx, cy, r - 3, rgb(p["face"]))
    tick, zone = rgb(p["tick"]), rgb(p["zone"])
    for i in range(0, 41):
        a = math.radians(270 - sweep / 2 + i * sweep / 40)
        outer, inner = r - 6, r - (16 if i % 5 == 0 else 11)
        c = zone if i >= p.get("zoneFrom", 32) else tick
        cv.line(cx + math.cos(a) * inner, cy + math.sin(a) * inner, cx + math.cos(a) * outer,
                cy + math.sin(a) * outer, c, 2.0 if i % 5 == 0 else 1.2)
    cv.disc(cx, cy, 7, rgb(p["hub"]))
    if p.get("caption"):
        cv.text(p["caption"], cx, cy + r * p.get("captionAt", 0.45), rgb(p["tick"]), 2)


def needle_shape(cv, p, c):
    cx = cv.w / 2
    hub = p.get("hubY", cv.h - 11)
    cv.line(cx, 4, cx, min(cv.h - 12, hub + 17), c, 4.0)
    cv.line(cx, 2, cx, 30, c, 2.0)
    cv.disc(cx, hub, 9, c)


def style_needle(cv, p):
    """The gauge needle on the key colour, pivot at `hubY` (near the bottom unless given)."""
    needle_shape(cv, p, rgb(p["color"]))
    cv.disc(cv.w / 2, p.get("hubY", cv.h - 11), 4, rgb(p["hub"]))


def style_badge(cv, p):
    """A rounded badge with a short code; the corners are the key colour."""
    r = p.get("radius", 4)
    cv.round_rect(0, 0, cv.w, cv.h, r, rgb(p["fill"]), rgb(p.get("border", p["fill"])),
                  rgb(p["top"]) if "top" in p else None)
    if p.get("text"):
        cv.text(p["text"], cv.w / 2, cv.h / 2, rgb(p.get("ink", "#f4f6fa")), p.get("scale", 2))


def style_strip(cv, p):
    """A dark label strip with a thin accent line at the bottom."""
    cv.round_rect(0, 0, cv.w, cv.h, p.get("radius", 3), rgb(p["fill"]), rgb(p["border"]),
                  rgb(p["top"]))
    accent = rgb(p["accent"])
    cv.rect(2, cv.h - 2, cv.w - 2, cv.h - 1, accent)


def style_gps(cv, p):
    """A location pin with two signal arcs, on the key colour."""
    c = rgb(p["color"])
    cx, cy = cv.w / 2, cv.h / 2 + 2
    cv.disc(cx, cy - 2, 5, c)
    cv.disc(cx, cy - 2, 2, rgb(p["hole"]))
    cv.line(cx - 4, cy + 1, cx, cy + 8, c, 2.0)
    cv.line(cx + 4, cy + 1, cx, cy + 8, c, 2.0)
    for rad in (9, 13):
        for a in range(-40, 41, 4):
            t = math.radians(a)
            cv.put(int(cx + rad * math.cos(t)), int(cy - 2 + rad * math.sin(t)), c)
            cv.put(int(cx - rad * math.cos(t)), int(cy - 2 + rad * math.sin(t)), c)


def style_panel(cv, p):
    """A tall side panel: dark gradient, frame and a faint lens in the middle (key-coloured margin)."""
    cv.round_rect(2, 2, cv.w - 2, cv.h - 2, 6, rgb(p["bottom"]), rgb(p["border"]), rgb(p["top"]))
    cx, cy = cv.w / 2, cv.h / 2
    r = min(cv.w, cv.h) * 0.3
    cv.disc(cx, cy, r, rgb(p["mark"]), inner=r - 4)
    cv.disc(cx, cy, r * 0.55, rgb(p["mark"]), inner=r * 0.55 - 3)
    cv.disc(cx, cy, r * 0.2, rgb(p["mark"]))


def style_pad(cv, p):
    """The controller pad: a disc with four direction arrows and a centre button."""
    cx, cy = cv.w / 2, cv.h / 2
    r = min(cv.w, cv.h) / 2 - 3
    cv.disc(cx, cy, r, rgb(p["rim"]))
    cv.disc(cx, cy, r - 3, rgb(p["face"]))
    arrow = rgb(p["arrow"])
    for dx, dy in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        tipx, tipy = cx + dx * (r - 10), cy + dy * (r - 10)
        basex, basey = cx + dx * (r - 24), cy + dy * (r - 24)
        for s in range(0, 15):
            t = s / 14
            half = 8 * t
            mx, my = tipx + (basex - tipx) * t, tipy + (basey - tipy) * t
            cv.line(mx - dy * half, my - dx * half, mx + dy * half, my + dx * half, arrow, 1.5)
    cv.disc(cx, cy, r * 0.28, rgb(p["center"]))


def face_close(cv, ox, state, p):
    """One 13x12 caption-button face: an X on a rounded square."""
    fills = p["fills"]
    cv.round_rect(ox, 0, ox + 13, 12, 2, rgb(fills[state]))
    ink = rgb(p["inks"][state])
    cv.line(ox + 3.5, 3, ox + 9.5, 9, ink, 1.6)
    cv.line(ox + 9.5, 3, ox + 3.5, 9, ink, 1.6)


def face_check(cv, ox, state, p):
    """One 12x12 check-box face: unchecked, hover, checked, disabled."""
    border = rgb(p["borders"][state])
    fill = rgb(p["fills"][state])
    cv.round_rect(ox, 0, ox + 12, 12, 2, fill, border)
    if state == 2:
        ink = rgb(p["tick"])
        cv.line(ox + 2.5, 6, ox + 5, 8.5, ink, 1.8)
        cv.line(ox + 5, 8.5, ox + 9.5, 3, ink, 1.8)


def face_choice(cv, ox, state, p):
    """One 12x12 choice (one of several) face: a round box, with a dot when chosen."""
    cv.disc(ox + 6, 6, 5.6, rgb(p["borders"][state]))
    cv.disc(ox + 6, 6, 4.4, rgb(p["fills"][state]))
    if state == 2:
        cv.disc(ox + 6, 6, 2.4, rgb(p["dot"]))


def face_toggle(cv, ox, state, p):
    """One 15x15 toggle face: a lamp square, lit when checked (pressed) and dim when disabled."""
    border = rgb(p["borders"][state])
    cv.round_rect(ox, 0, ox + 15, 15, 3, rgb(p["fills"][state]), border)
    if state == 2:
        cv.round_rect(ox + 4, 4, ox + 11, 11, 2, rgb(p["lamp"]))


def style_faces(cv, p):
    """Four state faces side by side (normal, hover, pressed or checked, disabled), key black."""
    draw = {"close": face_close, "check": face_check, "choice": face_choice,
            "toggle": face_toggle}[p["glyph"]]
    width = cv.w // 4
    for state in range(4):
        draw(cv, state * width, state, p)


def style_bar(cv, p):
    """A slider track band across the whole image, the rest key black."""
    y0 = p["y"]
    cv.vgradient(0, y0, cv.w, y0 + p["height"], rgb(p["top"]), rgb(p["bottom"]))


def style_thumb(cv, p):
    """A slider knob: a rounded body with a grip line, the corners key black."""
    cv.round_rect(0, p.get("y", 0), cv.w, cv.h - p.get("y", 0), p.get("radius", 4), rgb(p["fill"]),
                  rgb(p["border"]), rgb(p["top"]))
    grip = rgb(p["grip"])
    cv.rect(cv.w // 2 - 1, 4, cv.w // 2 + 1, cv.h - 4, grip)


def style_graph(cv, p):
    """The G-sensor graph's background: an opaque dark band with a shaded left margin, a vertical grid
    and the three band centre lines."""
    cv.vgradient(0, 0, cv.w, cv.h, rgb(p["top"]), rgb(p["bottom"]))
    margin = p["margin"]
    cv.rect(0, 0, margin, cv.h, rgb(p["marginFill"]))
    grid = rgb(p["grid"])
    for x in range(margin, cv.w, p["step"]):
        cv.rect(x, 0, x + 1, cv.h, grid)
    for y, colour in zip(p["lines"], p["lineColors"]):
        cv.rect(margin, y, cv.w, y + 1, rgb(colour))
        cv.rect(4, y - 1, margin - 6, y + 2, rgb(colour))


STYLES = {
    "backdrop": style_backdrop, "lens": style_lens, "dial": style_dial, "needle": style_needle,
    "badge": style_badge, "strip": style_strip, "gps": style_gps, "panel": style_panel,
    "pad": style_pad, "faces": style_faces, "bar": style_bar, "thumb": style_thumb,
    "graph": style_graph,
}


# --- Writers ----------------------------------------------------------------------------------------

def keyed_rgb(cv, key):
    """Pixels as RGB rows: outside the shape the key colour; inside, a pure key colour is nudged off
    the key so that the shape never turns transparent by accident."""
    k = KEYS.get(key)
    rows = []
    for row in cv.px:
        out = []
        for r, g, b, a in row:
            if a == 0:
                out.append(k if k else (0, 0, 0))
            elif k and (r, g, b) == k:
                out.append((1, 1, 1) if key == "black" else (254, 254, 254))
            else:
                out.append((r, g, b))
        rows.append(out)
    return rows


def bmp24(cv, key):
    rows = keyed_rgb(cv, key)
    stride = (cv.w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40) + header + data


def mask_rows(cv):
    """1-bit rows (bottom-up), bit 1 where the shape is."""
    stride = ((cv.w + 31) // 32) * 4
    data = bytearray()
    for row in reversed(cv.px):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return data


def mask1(cv):
    data = mask_rows(cv)
    header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 1, 0, len(data), 2835, 2835, 2, 2)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    offset = 14 + 40 + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + header + palette + data


def png_bytes(cv):
    raw = bytearray()
    for row in cv.px:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    ihdr = struct.pack(">IIBBBBB", cv.w, cv.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def ico_bytes(canvases):
    """An icon of 32-bit images (colour with alpha, plus the AND mask)."""
    images = []
    for cv in canvases:
        xor = bytearray()
        for row in reversed(cv.px):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        and_stride = ((cv.w + 31) // 32) * 4
        andmask = bytearray()
        for row in reversed(cv.px):
            line = bytearray(and_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            andmask += line
        header = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 32, 0, len(xor) + len(andmask),
                             0, 0, 0, 0)
        images.append(header + xor + andmask)
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", cv.w % 256, cv.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


# --- Driver -----------------------------------------------------------------------------------------

def draw(entry, w, h):
    cv = Canvas(w, h)
    STYLES[entry["style"]](cv, entry.get("params", {}))
    return cv


def render(entry):
    """(file name, bytes) of one description entry."""
    fmt = entry["format"]
    if fmt == "ico":
        return entry["file"], ico_bytes([draw(entry, s, s) for s in entry["sizes"]])
    cv = draw(entry, entry["w"], entry["h"])
    if fmt == "bmp24":
        return entry["file"], bmp24(cv, entry.get("key", "none"))
    if fmt == "mask1":
        return entry["file"], mask1(cv)
    if fmt == "png":
        return entry["file"], png_bytes(cv)
    raise ValueError("unknown format %r" % fmt)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--desc", default=os.path.join(HERE, "skin_images.json"))
    parser.add_argument("--out", default=os.path.join(HERE, "..", "res", "skin"))
    parser.add_argument("--check", metavar="DIR", help="compare with the images in DIR instead")
    args = parser.parse_args(argv)
    with open(args.desc, encoding="utf-8") as f:
        entries = json.load(f)["images"]
    mismatches = []
    if not args.check:
        os.makedirs(args.out, exist_ok=True)
    for entry in entries:
        name, data = render(entry)
        if args.check:
            path = os.path.join(args.check, name)
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                mismatches.append(name)
        else:
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(data)
    if args.check:
        for name in mismatches:
            print("differs from its description: %s" % name)
        print("%d images checked, %d differ" % (len(entries), len(mismatches)))
        return 1 if mismatches else 0
    print("%d images written to %s" % (len(entries), args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
