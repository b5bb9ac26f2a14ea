#!/usr/bin/env python3
"""Host-side checks of what the converter tests wrote under Wine:

  silent-C-R.aac        the silent AAC frames (C channels, R Hz) in ADTS: ffmpeg decodes them to a
                        second of all-zero samples with C channels
  copy-*.mp4            the movie-first rewrites: ffmpeg's framemd5 of every stream equals the input's
  frames.bgra           the converted frames (1920 x 960, bottom-up BGRA) of short.mp4:
                        pixels land where the fisheye-to-panorama projection puts them, the top third
                        shows the converter's band (res/convert/391_convert_band.png, stretched 2:1),
                        and the mask areas are covered by a 9 x 9 mosaic

Usage: check_convert_outputs.py RECORDINGS_DIR INPUTS_DIR OUT_DIR
       check_convert_outputs.py --frames RAW SOURCE MASKS   (one conversion's frames, e.g. the program's;
                                                              MASKS "l,t,r,b;l,t,r,b" or "")
"""
import math
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import draw_convert_images  # noqa: E402  (the band as the converter draws it)

W, H = 1920, 960
MASKS = [(100, 400, 400, 600), (1500, 700, 1800, 900)]  # as in convert_run_test.cpp
SCALE = 0.286
BAND_ROWS = H // 3  # the band over the top third


def fail(msg):
    print("FAIL:", msg)
    return 1


def check_silence(out):
    bad = 0
    for channels in (1, 2, 6):
        for rate in (48000, 44100):
            path = os.path.join(out, "silent-%d-%d.aac" % (channels, rate))
            r = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-acodec", "pcm_s16le", "-"],
                               capture_output=True)
            samples = len(r.stdout) // 2
            expected = 50 * 1024 * channels
            nonzero = len(r.stdout) - r.stdout.count(0)
            if r.returncode != 0 or r.stderr.strip() or samples != expected or nonzero:
                bad += fail("%s: rc %d, %d samples (want %d), nonzero bytes %d, %s" % (
                    path, r.returncode, samples, expected, nonzero, r.stderr[:200]))
    return bad


def framemd5(path):
    r = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-map", "0:a?", "-c", "copy",
                        "-f", "framemd5", "-"], capture_output=True, text=True, check=True)
    return [l for l in r.stdout.splitlines() if l and not l.startswith("#")]


def check_copies(inputs, out):
    bad = 0
    for name in ("moov-last", "moov-last-video-only", "moov-first"):
        a = framemd5(os.path.join(inputs, name + ".mp4"))
        b = framemd5(os.path.join(out, "copy-%s.mp4" % name))
        if not a or a != b:
            bad += fail("framemd5 of copy-%s.mp4 differs from its input (%d vs %d lines)" % (name, len(a), len(b)))
    return bad


def projection(x, y):
    a = ((x / W) - 0.5) * -2.0
    e = 0.25 - (((H - y) / H) - 0.5) * 0.5
    p, m = (a + e) * math.pi, (e - a) * math.pi
    return 0.5 - (math.sin(p) - math.sin(m)) * SCALE, 0.5 - (math.cos(p) + math.cos(m)) * SCALE


def inside_mask(x, y, masks, margin=0):
    return any(l - margin <= x < r + margin and t - margin <= y < b + margin for l, t, r, b in masks)


def band_pixels():
    """The band's pixels as the converter's picture holds them: rows of (r, g, b)."""
    band = draw_convert_images.draw_band()
    return [[(r, g, b) for (r, g, b, _) in row] for row in band.px]


def check_band(px, band, k, masks):
    """Every sampled pixel of the top third outside the mask areas (the mosaic covers the band too)
    shows the band stretched 2:1 (point sampled: the texel under the pixel or, at a texel edge, its
    neighbour above or to the left)."""
    bh, bw = len(band), len(band[0])
    checked = wrong = 0
    for y in range(0, BAND_ROWS, 5):
        for x in range(0, W, 5):
            if inside_mask(x, y, masks, 12):
                continue
            got = px(x, y)
            tx, ty = x * bw // W, y * bh // BAND_ROWS
            near = [band[b][a] for b in (ty, ty - 1) for a in (tx, tx - 1) if a >= 0 and b >= 0]
            checked += 1
            if min(max(abs(got[i] - c[i]) for i in range(3)) for c in near) > 24:
                wrong += 1
    if wrong > checked // 200:
        return fail("frame %d: %d of %d band pixels differ from the band" % (k, wrong, checked))
    print("frame %d: band pixels %d checked, %d off" % (k, checked, wrong))
    return 0


def read_frame(path, k):
    """Frame k of the raw file as a function (x, y) -> (r, g, b), top-down."""
    with open(path, "rb") as f:
        f.seek(k * W * H * 4)
        data = f.read(W * H * 4)
    def px(x, y):
        o = ((H - 1 - y) * W + x) * 4
        return data[o + 2], data[o + 1], data[o]
    return px


def source_size(source):
    r = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=width,height",
                        "-of", "csv=p=0", source], capture_output=True, text=True, check=True)
    w, h = r.stdout.strip().split(",")[:2]
    return int(w), int(h)


def check_frames(path, source, masks):
    frames = os.path.getsize(path) // (W * H * 4)
    sw, sh = source_size(source)
    src = subprocess.run(["ffmpeg", "-v", "error", "-i", source, "-f", "rawvideo",
                          "-pix_fmt", "rgb24", "-"], capture_output=True, check=True).stdout
    if frames < 2 or frames != len(src) // (sw * sh * 3):
        return fail("%s holds %d frames, the source %d" % (path, frames, len(src) // (sw * sh * 3)))
    bad = 0
    band = band_pixels()
    for k in (0, frames // 2, frames - 1):
        px = read_frame(path, k)
        pic = src[k * sw * sh * 3:(k + 1) * sw * sh * 3]
        def spx(x, y):
            o = (y * sw + x) * 3
            return pic[o], pic[o + 1], pic[o + 2]
        bad += check_band(px, band, k, masks)
        checked = wrong = 0
        for y in range(BAND_ROWS + 4, H, 23):
            for x in range(4, W, 23):
                if inside_mask(x, y, masks, 12):
                    continue
                u, v = projection(x + 0.5, y + 0.5)
                sx, sy = int(u * sw), int(v * sh)
                if not (3 <= sx < sw - 3 and 3 <= sy < sh - 3):
                    continue
                patch = [spx(a, b) for b in range(sy - 3, sy + 4) for a in range(sx - 3, sx + 4)]
                if max(max(c[i] for c in patch) - min(c[i] for c in patch) for i in range(3)) > 16:
                    continue  # an edge of the picture: filtering decides the colour
                checked += 1
                got, want = px(x, y), spx(sx, sy)
                if max(abs(got[i] - want[i]) for i in range(3)) > 40:
                    wrong += 1
        if checked < 300 or wrong > checked // 25:
            bad += fail("frame %d: %d of %d projection points wrong" % (k, wrong, checked))
        else:
            print("frame %d: projection points %d checked, %d off" % (k, checked, wrong))
        for l, t, r, b in masks:
            colours = {px(x, y) for y in range(t, b) for x in range(l, r)}
            blocks = ((r - l) // 9 + 2) * ((b - t) // 9 + 2)
            # Each 9 x 9 block is one colour; the same area without mosaic has far more colours.
            if len(colours) > blocks:
                bad += fail("frame %d: mask %s shows %d colours, a mosaic has at most %d" % (
                    k, (l, t, r, b), len(colours), blocks))
    return bad


def main(argv):
    if len(argv) > 1 and argv[1] == "--frames":
        raw, source, spec = argv[2:5]
        masks = [tuple(int(v) for v in m.split(",")) for m in spec.split(";") if m]
        bad = check_frames(raw, source, masks)
        print("converted frames: %s" % ("ok" if bad == 0 else "%d failures" % bad))
        return 1 if bad else 0
    recordings, inputs, out = argv[1:4]
    bad = (check_silence(out) + check_copies(inputs, out) +
           check_frames(os.path.join(out, "frames.bgra"), os.path.join(inputs, "short.mp4"), MASKS))
    print("convert outputs: %s" % ("ok" if bad == 0 else "%d failures" % bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
