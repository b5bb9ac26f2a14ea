"""Frame-number code burnt into every generated recording, and its decoder.

The code is one row of 29 square cells across the middle of the picture:

    cell  0      white  (start guard)
    cell  1      black  (start guard)
    cells 2-17   frame number, 16 bits, most significant first (frame index in its file, modulo 65536)
    cells 18-25  clip id, 8 bits, most significant first (the file's index in the manifest, modulo 256)
    cell  26     parity: white when the 24 data bits hold an odd number of ones (so data + parity is even)
    cell  27     black  (end guard)
    cell  28     white  (end guard)

White is a 1 bit, black a 0 bit. The row sits on a mid-grey band half a cell wider on every side, so the
guards are never confused with the picture around them. Geometry for a W x H frame (all values even):

    cell = max(8, floor(floor(min(W, H) / 40) / 4) * 4)
    x0   = floor((W - 29 * cell) / 4) * 2          left edge of cell 0
    y0   = floor((H - cell) / 4) * 2               top edge of the row

Cells of 8 pixels and more survive H.264 at the generator's quality, and the decoder compares each cell with
a threshold taken from the guards, so limited-range (16-235) or otherwise shifted colours decode as well.
A frame shown scaled or inside a larger picture decodes when the caller says where the frame lies
(`frame_rect`) and how large the source frame was (`frame_size`).

Usable on its own: `read_image` reads binary PPM/PGM (P6/P5) and 8-bit PNG files with the standard library.
"""

import struct
import zlib

CELLS = 29
FRAME_BITS = 16
CLIP_BITS = 8
_FIRST_FRAME_CELL = 2
_FIRST_CLIP_CELL = _FIRST_FRAME_CELL + FRAME_BITS
_PARITY_CELL = _FIRST_CLIP_CELL + CLIP_BITS
_GUARDS = {0: 1, 1: 0, CELLS - 2: 0, CELLS - 1: 1}
_MIN_CELL = 8
_CELLS_PER_SHORT_SIDE = 40
# A guard pair must differ by this many luma levels before the row is trusted (black 16 vs white 235 in
# limited range gives about 219; heavy blur or a missing code gives far less).
_MIN_GUARD_CONTRAST = 40


def geometry(width, height):
    """Cell size and the top-left corner of the code row for a frame of width x height."""
    cell = max(_MIN_CELL, (min(width, height) // _CELLS_PER_SHORT_SIDE) // 4 * 4)
    x0 = (width - CELLS * cell) // 4 * 2
    y0 = (height - cell) // 4 * 2
    if x0 < cell // 2 or y0 < cell // 2:
        raise ValueError("frame %dx%d is too small for the frame code" % (width, height))
    return {"cell": cell, "x0": x0, "y0": y0, "cells": CELLS}


def bits_for(frame, clip):
    """The 29 cell values (1 white, 0 black) of frame `frame` of clip `clip`."""
    data = [(frame >> (FRAME_BITS - 1 - i)) & 1 for i in range(FRAME_BITS)]
    data += [(clip >> (CLIP_BITS - 1 - i)) & 1 for i in range(CLIP_BITS)]
    return [1, 0] + data + [sum(data) & 1, 0, 1]


def ffmpeg_filters(width, height, clip):
    """drawbox filters (comma-joined) that draw the row for every frame; frame bits follow `n`."""
    g = geometry(width, height)
    cell, x0, y0 = g["cell"], g["x0"], g["y0"]
    half = cell // 2

    def box(index, colour, enable=None):
        text = "drawbox=x=%d:y=%d:w=%d:h=%d:c=%s:t=fill" % (x0 + index * cell, y0, cell, cell, colour)
        return text + (":enable='%s'" % enable if enable else "")

    filters = ["drawbox=x=%d:y=%d:w=%d:h=%d:c=0x808080:t=fill"
               % (x0 - half, y0 - half, CELLS * cell + cell, cell + cell),
               "drawbox=x=%d:y=%d:w=%d:h=%d:c=black:t=fill" % (x0, y0, CELLS * cell, cell)]
    filters += [box(i, "white") for i, v in sorted(_GUARDS.items()) if v]
    clip_bits = bits_for(0, clip)[_FIRST_CLIP_CELL:_PARITY_CELL]
    filters += [box(_FIRST_CLIP_CELL + i, "white") for i, v in enumerate(clip_bits) if v]
    frame_terms = ["mod(floor(n/%d),2)" % (1 << b) for b in range(FRAME_BITS)]
    for b in range(FRAME_BITS):
        filters.append(box(_FIRST_FRAME_CELL + FRAME_BITS - 1 - b, "white", "eq(%s,1)" % frame_terms[b]))
    parity = "eq(mod(%s+%d,2),1)" % ("+".join(frame_terms), sum(clip_bits) & 1)
    filters.append(box(_PARITY_CELL, "white", parity))
    # The quotes around each enable expression keep its commas away from the filter-graph parser.
    return ",".join(filters)


def _luma_reader(pixels, width, height, channels):
    stride = width * channels

    def luma(x, y):
        x = min(max(int(x), 0), width - 1)
        y = min(max(int(y), 0), height - 1)
        i = y * stride + x * channels
        if channels < 3:
            return pixels[i]
        return 0.299 * pixels[i] + 0.587 * pixels[i + 1] + 0.114 * pixels[i + 2]
    return luma


def sample_cells(pixels, width, height, channels=3, frame_size=None, frame_rect=None):
    """Mean luma of the middle of each of the 29 cells (list of floats)."""
    rx, ry, rw, rh = frame_rect if frame_rect else (0, 0, width, height)
    fw, fh = frame_size if frame_size else (rw, rh)
    g = geometry(fw, fh)
    sx, sy = rw / fw, rh / fh
    luma = _luma_reader(pixels, width, height, channels)
    cell = g["cell"]
    values = []
    for i in range(CELLS):
        # The middle half of the cell: away from the blurred edges that H.264 and scaling leave.
        left, top = g["x0"] + i * cell + cell / 4, g["y0"] + cell / 4
        points = [(left + (cell / 2) * (a + 0.5) / 4, top + (cell / 2) * (b + 0.5) / 4)
                  for a in range(4) for b in range(4)]
        values.append(sum(luma(rx + px * sx, ry + py * sy) for px, py in points) / len(points))
    return values


def decode(pixels, width, height, channels=3, frame_size=None, frame_rect=None):
    """(frame, clip) read from an image, or None when no valid code is there.

    pixels: bytes-like, rows top-down, `channels` bytes a pixel (1 grey, 3 RGB, 4 RGBA).
    frame_size: (w, h) of the video frame the image shows (default: the size of frame_rect).
    frame_rect: (x, y, w, h) where that frame lies in the image (default: the whole image).
    """
    values = sample_cells(pixels, width, height, channels, frame_size, frame_rect)
    white = (values[0] + values[CELLS - 1]) / 2
    black = (values[1] + values[CELLS - 2]) / 2
    if white - black < _MIN_GUARD_CONTRAST:
        return None
    threshold = (white + black) / 2
    bits = [1 if v > threshold else 0 for v in values]
    if any(bits[i] != v for i, v in _GUARDS.items()):
        return None
    data = bits[_FIRST_FRAME_CELL:_PARITY_CELL]
    if (sum(data) & 1) != bits[_PARITY_CELL]:
        return None
    frame = int("".join(map(str, data[:FRAME_BITS])), 2)
    clip = int("".join(map(str, data[FRAME_BITS:])), 2)
    return frame, clip


def read_image(path):
    """(width, height, channels, pixels) of a binary PPM/PGM or an 8-bit non-interlaced PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] in (b"P6", b"P5"):
        return _read_pnm(data)
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        return _read_png(data)
    raise ValueError("%s: not a PNG, PPM or PGM file" % path)


def decode_file(path, frame_size=None, frame_rect=None):
    """decode() applied to an image file."""
    width, height, channels, pixels = read_image(path)
    return decode(pixels, width, height, channels, frame_size, frame_rect)


def _read_pnm(data):
    fields, pos = [], 2
    while len(fields) < 3:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(int(data[start:pos]))
    width, height, maxval = fields
    if maxval != 255:
        raise ValueError("only 8-bit PPM/PGM files are read")
    channels = 3 if data[:2] == b"P6" else 1
    pixels = data[pos + 1:pos + 1 + width * height * channels]
    if len(pixels) != width * height * channels:
        raise ValueError("PPM/PGM file is truncated")
    return width, height, channels, pixels


_PNG_CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}


def _read_png(data):
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if header is None:
        raise ValueError("PNG without IHDR")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or interlace != 0 or colour not in _PNG_CHANNELS:
        raise ValueError("only 8-bit non-interlaced grey/RGB/RGBA PNG files are read")
    channels = _PNG_CHANNELS[colour]
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    out = bytearray(stride * height)
    prev = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        _unfilter(kind, line, prev, channels)
        out[y * stride:(y + 1) * stride] = line
        prev = line
    if channels == 2:  # grey + alpha: keep the grey
        return width, height, 1, bytes(out[0::2])
    return width, height, channels, bytes(out)


def _unfilter(kind, line, prev, bpp):
    n = len(line)
    if kind == 1:
        for i in range(bpp, n):
            line[i] = (line[i] + line[i - bpp]) & 0xFF
    elif kind == 2:
        for i in range(n):
            line[i] = (line[i] + prev[i]) & 0xFF
    elif kind == 3:
        for i in range(n):
            left = line[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
    elif kind == 4:
        for i in range(n):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
            line[i] = (line[i] + pred) & 0xFF
    elif kind != 0:
        raise ValueError("PNG filter type %d" % kind)
