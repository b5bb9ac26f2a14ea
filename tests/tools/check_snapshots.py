#!/usr/bin/env python3
"""Host-side check of the snapshots the capture test wrote under Wine: each JPEG named in expected.tsv
(name, width, height, frame, clip id, source frame size) decodes to that size, and the generator's frame
code in it names that frame of that clip.

Usage: check_snapshots.py OUT_DIR
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import frame_code  # noqa: E402


def main(out):
    lines = [l.split("\t") for l in open(os.path.join(out, "expected.tsv")).read().splitlines() if l]
    if not lines:
        print("FAIL: no snapshot listed")
        return 1
    bad = 0
    for name, width, height, frame, clip, frame_size in lines:
        path = os.path.join(out, name)
        with tempfile.TemporaryDirectory() as work:
            png = os.path.join(work, "shot.png")
            r = subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", path, "-pix_fmt", "rgb24", png],
                               capture_output=True, text=True)
            if r.returncode != 0:
                print("FAIL: %s does not decode: %s" % (name, r.stderr[:200]))
                bad += 1
                continue
            w, h, channels, pixels = frame_code.read_image(png)
        if (w, h) != (int(width), int(height)):
            print("FAIL: %s is %dx%d, want %sx%s" % (name, w, h, width, height))
            bad += 1
        size = tuple(int(v) for v in frame_size.split("x"))
        # The frame fills the picture, stretched or fitted inside it.
        fit = min(w / size[0], h / size[1])
        fw, fh = int(size[0] * fit), int(size[1] * fit)
        found = None
        for rect in (None, ((w - fw) // 2, (h - fh) // 2, fw, fh)):
            found = frame_code.decode(pixels, w, h, channels, size, rect)
            if found:
                break
        if found != (int(frame), int(clip)):
            print("FAIL: %s shows %s, want frame %s clip %s" % (name, found, frame, clip))
            bad += 1
        else:
            print("ok: %s %dx%d frame %d clip %d" % (name, w, h, found[0], found[1]))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
