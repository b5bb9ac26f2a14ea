"""Shared fixtures of the generator tests: one generated test set per run, ffprobe, and an MP4/box reader
written independently of the generator (so that the tests check its output, not restate its code)."""

import atexit
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = os.path.join(ROOT, "tools")
SCRIPT = os.path.join(TOOLS, "make_recordings.py")
if TOOLS not in sys.path:
    sys.path.insert(0, TOOLS)

_test_set = {}


def run_generator(*args, check=True):
    """(returncode, stderr text, seconds) of one run of the generator."""
    began = time.monotonic()
    proc = subprocess.run([sys.executable, SCRIPT] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.monotonic() - began
    if check and proc.returncode != 0:
        raise AssertionError("generator failed (%d): %s" % (proc.returncode, proc.stderr.decode()))
    return proc.returncode, proc.stderr.decode("utf-8", "replace"), seconds


def make_temp_dir(tag):
    path = tempfile.mkdtemp(prefix="quill-gen-%s-" % tag)
    atexit.register(shutil.rmtree, path, True)
    return path


def generated_test_set():
    """(folder, manifest) of `--preset test`, generated once per test process."""
    if not _test_set:
        folder = os.path.join(make_temp_dir("set"), "out")
        _, _, seconds = run_generator("--preset", "test", "--out", folder, "--quiet")
        with open(os.path.join(folder, "manifest.json"), encoding="utf-8") as m:
            _test_set.update(folder=folder, manifest=json.load(m), seconds=seconds)
    return _test_set["folder"], _test_set["manifest"]


def ffprobe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path],
                         stdout=subprocess.PIPE, check=True).stdout
    return json.loads(out)


def frames_rgb(path, width, height, extra_filter=None):
    """Every decoded frame of a file as RGB24 bytes."""
    cmd = ["ffmpeg", "-v", "error", "-nostdin", "-i", path]
    if extra_filter:
        cmd += ["-vf", extra_filter]
    cmd += ["-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"]
    data = subprocess.run(cmd, stdout=subprocess.PIPE, check=True).stdout
    size = width * height * 3
    return [data[i:i + size] for i in range(0, len(data), size)]


def top_level_boxes(data):
    """[(type, offset, size)] of the top-level boxes; raises on a box that runs past the end."""
    boxes, pos = [], 0
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if size == 1:
            size = struct.unpack(">Q", data[pos + 8:pos + 16])[0]
        if size < 8 or pos + size > len(data):
            raise AssertionError("box %r at %d has size %d past the end" % (kind, pos, size))
        boxes.append((kind.decode("latin-1"), pos, size))
        pos += size
    return boxes


def child(data, start, end, kind):
    pos = start
    while pos + 8 <= end:
        size, k = struct.unpack(">I4s", data[pos:pos + 8])
        if k.decode("latin-1") == kind:
            return pos + 8, pos + size
        pos += size
    raise AssertionError("no %s box" % kind)


def first_track_timing(data, moov_offset, moov_size):
    """(mdhd time scale, [(count, delta)] of stts) of the first track."""
    end = moov_offset + moov_size
    trak = child(data, moov_offset + 8, end, "trak")
    mdia = child(data, trak[0], trak[1], "mdia")
    mdhd = child(data, mdia[0], mdia[1], "mdhd")
    scale_at = mdhd[0] + (20 if data[mdhd[0]] == 1 else 12)
    timescale = struct.unpack(">I", data[scale_at:scale_at + 4])[0]
    minf = child(data, mdia[0], mdia[1], "minf")
    stbl = child(data, minf[0], minf[1], "stbl")
    stts = child(data, stbl[0], stbl[1], "stts")
    n = struct.unpack(">I", data[stts[0] + 4:stts[0] + 8])[0]
    entries = [struct.unpack(">II", data[stts[0] + 8 + 8 * i:stts[0] + 16 + 8 * i]) for i in range(n)]
    return timescale, entries
