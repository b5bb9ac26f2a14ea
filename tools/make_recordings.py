#!/usr/bin/env python3
"""Writes an SD-card tree of synthetic drive-recorder recordings for Quillmere's tests and demo.

Usage:
  make_recordings.py --preset test --out DIR      small set for the unit tests (a few seconds to generate)
  make_recordings.py --preset demo --out DIR      demo card: 1920x1920 main / 1280x720 rear, about 3 minutes
  make_recordings.py --out DIR [--count N] [--duration S] [--fps F] [--main-size WxH] [--rear-size WxH]
                     [--no-rear] [--joined N] [--records N] [--seed N] [--start YYYY-MM-DDThh:mm:ss]
  make_recordings.py --decode IMAGE [--frame-size WxH] [--frame-rect X,Y,W,H]
                                                  print the frame number and clip id burnt into a picture

Options given with a preset override the preset's values, except --count, --joined and --start: a preset
has a fixed plan of recordings (--fps and --duration then apply to the recordings without their own).
  test: 14 recordings (23 files) of 2 s, 320x320 main / 320x180 rear: every trigger letter over two day
        folders, a rear partner 2 s later, a rear partner with another trigger letter, main-only and
        rear-only recordings, a ".mp4" pair, 27.5 and 15 fps recordings, southern/western fixes, invalid
        fixes, seconds offsets "***" / "018" / "-10", shocks on X, Y and Z, manual (type 5) and parking
        (type 7) marks, speed-camera and radar bytes, a file with 14,000 records (a box over 1 MiB) and
        joined names JM01 (both cameras), JB02 and JN03.
  demo: 7 recordings over two days, 170 s in all (A, A, G, A, M, P, S), 1920x1920 / 1280x720 at 30 fps.
Without a preset: --count recordings one after another, trigger letters cycling A G M P S O R T U, each
with its event, and --joined copies with the prefixes JM01, JR02, JB03, JN04, ...
The same options always give the same bytes; a second run with the same options and the same scripts only
checks the stamp file DIR/.make_recordings.stamp and returns (well under a second). Needs Debian's
ffmpeg/ffprobe (libx264, aac); the burnt-in text uses the IPA Gothic font (fonts-ipafont-gothic) or, when
that is missing, DejaVu Sans Mono; without either the text is left out (the font is part of the stamp).

Output:
  DIR/card/YYYYMMDD_001/NNN_hhmmssT_C.MP4   recordings by day folder; T trigger (A G M P S O R T U),
                                            C camera (M main fisheye, R rear)
  DIR/joined/JXnn_NNN_hhmmssT_C.MP4         files with the joined-name prefix
  DIR/manifest.json                         everything asked for, per file (format below)
  DIR/manifest-files.tsv, manifest-records.tsv   the same, flat, one line per file / per record

Each recording is H.264 (libx264, no B-frames, yuv420p) + AAC stereo 48 kHz in MP4, "mdat" before "moov",
the video track first with a media time scale of 1,000,000, then the recorder's "gps0" box appended at the
end of the file: one 79-byte record per 100 ms of video (recording_box.py describes every byte).
The main camera shows a circular fisheye picture (black outside the circle) in its frame, the rear camera a
flat picture. Every frame shows its number three ways: burnt-in text, a moving square, and a machine-readable
frame code (frame_code.py):

  one row of 29 square cells across the middle of the frame: white, black, 16 bits of the frame index (MSB
  first), 8 bits of the clip id (the file's index in manifest.json "files", modulo 256), an even-parity cell,
  black, white. White = 1. cell = max(8, floor(min(W,H) / 40 / 4) * 4) pixels; the row starts at
  x0 = floor((W - 29 * cell) / 4) * 2, y0 = floor((H - cell) / 4) * 2, on a mid-grey band. frame_code.decode()
  and decode_file() read it back from RGB/grey pixels, PPM or PNG files, also from a scaled frame.

manifest.json: {"format_version", "options", "frame_code", "record_columns", "roots", "recordings": [...],
  "files": [{"path", "name", "folder", "camera", "trigger", "trigger_class", "joined_prefix",
  "camera_pattern_match", "recording", "partner", "start", "width", "height", "fisheye", "fps", "fps_rational",
  "frames", "duration_ms", "clip_id", "video": {"codec", "handler", "timescale", "sample_count", "stts_entries",
  "stts_delta_sum", "stts_total", "frame_length_ms"}, "audio": {...}, "top_level_boxes", "size", "sha256",
  "data_box": {"offset", "size", "count", "csodat_offset", "csoend_offset", "sha256", "header": {"hex",
  "raw_hex", "value_texts", "values", "tag"}, "records": [[value per record_columns], ...]}}]}
  Paths are relative to DIR with "/" separators. Record values are what the viewer is expected to read:
  texts as stored, bytes as integers, degrees, local time "YYYY-MM-DD hh:mm:ss" (fix time text + offset),
  values in g, event type (5, 7 or -1), axis code, flag byte and the byte after the record with its nibbles.
  frame_length_ms is (stts_delta_sum // stts_entries) // 1000, the viewer's frame length.
"""

import argparse
import calendar
import concurrent.futures
import datetime
import fractions
import hashlib
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import frame_code  # noqa: E402
import recording_box as rbox  # noqa: E402

STAMP_NAME = ".make_recordings.stamp"
MANIFEST_NAMES = ("manifest.json", "manifest-files.tsv", "manifest-records.tsv")
CARD_ROOT, JOINED_ROOT, WORK_DIR = "card", "joined", ".work"
OWN_SCRIPTS = ("make_recordings.py", "frame_code.py", "recording_box.py")
FONT_CANDIDATES = ("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                   "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf")
VIDEO_TIMESCALE = 1000000
AUDIO_RATE = 48000
TRIGGER_CLASSES = {"A": 0, "G": 1, "M": 2, "P": 3, "S": 4, "O": 5, "R": 6, "T": 7, "U": 8}
TRIGGER_CYCLE = "AGMPSORTU"
PARKED_TRIGGERS = "PSTU"
JOINED_KINDS = "MRBN"
# The recorder's name rules: the either-camera patterns, plain and joined, upper- and lower-case extension.
CAMERA_NAME_PATTERNS = [re.compile(p) for p in (
    r"[0-9]{3,3}_[0-9]{6,6}[APGSM_]{1,1}_[MR]{1,1}.MP4",
    r"[0-9]{3,3}_[0-9]{6,6}[APGSM_]{1,1}_[MR]{1,1}.mp4",
    r"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSM_]{1,1}_[MR]{1,1}.MP4",
    r"J[MRBN]{1,1}[0-9]{2,2}_[0-9]{3,3}_[0-9]{6,6}[APGSM_]{1,1}_[MR]{1,1}.mp4")]

X264_PRESETS = ("ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow")
PLAN_OPTIONS = ("count", "joined", "start")
DEFAULTS = {"count": 3, "duration": 3.0, "fps": "30", "main_size": "480x480", "rear_size": "640x360",
            "no_rear": False, "joined": 0, "records": None, "seed": 1, "start": "2024-03-15T09:30:00",
            "encoder_preset": "veryfast", "qp": 20}

_SHOCK_X = ("shock", 1.0, {"axis": "X", "peak": 2600})
TEST_PLAN = [
    {"time": "2024-03-15 09:30:00", "trigger": "A", "invalid": [(0, 5)]},
    {"time": "2024-03-15 09:30:02", "trigger": "A", "fix_offset": 18, "ext": ".mp4"},
    {"time": "2024-03-15 09:31:10", "trigger": "G", "rear_offset": 2, "events": [_SHOCK_X]},
    {"time": "2024-03-15 09:32:00", "trigger": "M", "fps": "27.5", "rear_trigger": "A", "place": "santiago",
     "fix_offset": -10, "invalid": [(12, 15)],
     "events": [("manual", 0.5, {}), ("shock", 1.2, {"axis": "Z", "peak": -1800})]},
    {"time": "2024-03-15 09:33:00", "trigger": "P", "fps": "15", "rear": False, "events": [("parking", 0.3, {})]},
    {"time": "2024-03-15 09:34:00", "trigger": "S", "main": False,
     "events": [("shock", 0.8, {"axis": "Y", "peak": -2100})]},
    {"time": "2024-03-16 08:00:00", "trigger": "O", "events": [("warning", 1.0, {"code": 0xA9})]},
    {"time": "2024-03-16 08:01:00", "trigger": "R", "events": [("warning", 1.0, {"code": 0x88})]},
    {"time": "2024-03-16 08:02:00", "trigger": "T", "events": [("parking", 1.0, {})]},
    {"time": "2024-03-16 08:03:00", "trigger": "U", "events": [("shock", 1.0, {"axis": "Z", "peak": 3100})]},
    {"time": "2024-03-16 08:04:00", "trigger": "A", "records": 14000, "rear": False},
    {"time": "2024-03-15 09:30:00", "trigger": "A", "joined": "JM01", "number": 1},
    {"time": "2024-03-15 09:31:10", "trigger": "G", "joined": "JB02", "number": 3, "rear": False,
     "events": [_SHOCK_X]},
    {"time": "2024-03-15 09:32:00", "trigger": "M", "joined": "JN03", "number": 4, "rear": False},
]
DEMO_PLAN = [
    {"time": "2024-03-15 09:30:00", "trigger": "A", "duration": 30, "invalid": [(0, 40)]},
    {"time": "2024-03-15 09:30:30", "trigger": "A", "duration": 30},
    {"time": "2024-03-15 09:31:00", "trigger": "G", "duration": 20, "rear_offset": 1,
     "events": [("shock", 9.5, {"axis": "X", "peak": 2800})]},
    {"time": "2024-03-15 09:31:20", "trigger": "A", "duration": 30, "fix_offset": 18},
    {"time": "2024-03-15 09:31:50", "trigger": "M", "duration": 20, "events": [("manual", 6.0, {})]},
    {"time": "2024-03-16 18:20:00", "trigger": "P", "duration": 20, "events": [("parking", 2.0, {})]},
    {"time": "2024-03-16 18:40:12", "trigger": "S", "duration": 20,
     "events": [("shock", 8.0, {"axis": "Y", "peak": -2300}), ("shock", 12.0, {"axis": "Z", "peak": 1900})]},
]
PRESETS = {
    "test": {"plan": TEST_PLAN, "options": {"duration": 2.0, "main_size": "320x320", "rear_size": "320x180",
                                             "encoder_preset": "veryfast", "qp": 20}},
    "demo": {"plan": DEMO_PLAN, "options": {"main_size": "1920x1920", "rear_size": "1280x720",
                                             "encoder_preset": "ultrafast", "qp": 23}},
}


class UsageError(Exception):
    pass


# ----------------------------------------------------------------------------------------------------------
# Options and plan


def parse_size(text, what):
    m = re.fullmatch(r"(\d+)x(\d+)", text or "")
    if not m:
        raise UsageError("%s must look like 1280x720, not %r" % (what, text))
    w, h = int(m.group(1)), int(m.group(2))
    if w % 2 or h % 2 or not (64 <= w <= 4096 and 64 <= h <= 4096):
        raise UsageError("%s %s: both sides must be even and within 64..4096" % (what, text))
    try:
        frame_code.geometry(w, h)
    except ValueError:
        raise UsageError("%s %s is too small for the frame code (at least 256 wide)" % (what, text))
    return w, h


def parse_fps(text):
    try:
        fps = fractions.Fraction(str(text))
    except (ValueError, ZeroDivisionError):
        raise UsageError("--fps must be a number such as 30, 27.5 or 30000/1001, not %r" % text)
    if not (1 <= fps <= 120):
        raise UsageError("--fps %s is outside 1..120" % text)
    return fps


def effective_options(args):
    """Options after preset and defaults, as plain JSON values (they key the stamp)."""
    preset = PRESETS.get(args.preset, {}).get("options", {})
    opts = {"preset": args.preset, "duration_given": args.duration is not None}
    for key, default in DEFAULTS.items():
        given = getattr(args, key)
        # "is" tests: 0 is a given value (and an invalid one for most options), not a missing one.
        opts[key] = preset.get(key, default) if given is None or given is False else given
    if args.preset:
        for name in PLAN_OPTIONS:
            if getattr(args, name) is not None:
                raise UsageError("--%s cannot be combined with --preset (a preset has a fixed plan)" % name)
            opts[name] = None
    else:
        if not (1 <= opts["count"] <= 999):
            raise UsageError("--count must be within 1..999")
        if not (0 <= opts["joined"] <= 99):
            raise UsageError("--joined must be within 0..99")
        try:
            datetime.datetime.strptime(opts["start"], "%Y-%m-%dT%H:%M:%S")
        except ValueError:
            raise UsageError("--start must look like 2024-03-15T09:30:00")
    if not (0 < opts["duration"] <= 3600):
        raise UsageError("--duration must be within (0, 3600] seconds")
    if opts["records"] is not None and not (0 <= opts["records"] <= rbox.MAX_RECORDS):
        raise UsageError("--records must be within 0..65535")
    if not (1 <= opts["qp"] <= 51):
        raise UsageError("--qp must be within 1..51")
    if opts["encoder_preset"] not in X264_PRESETS:
        raise UsageError("--encoder-preset must be one of %s" % ", ".join(X264_PRESETS))
    parse_size(opts["main_size"], "--main-size")
    parse_size(opts["rear_size"], "--rear-size")
    opts["fps"] = str(opts["fps"])
    if parse_fps(opts["fps"]) * fractions.Fraction(opts["duration"]) < 1:
        raise UsageError("--duration %s is shorter than one frame" % opts["duration"])
    return opts


def _generic_plan(opts):
    start = datetime.datetime.strptime(opts["start"], "%Y-%m-%dT%H:%M:%S")
    plan, axes = [], "XYZ"
    for i in range(opts["count"]):
        trig = TRIGGER_CYCLE[i % len(TRIGGER_CYCLE)]
        at = opts["duration"] / 2
        events = {"G": [("shock", at, {"axis": axes[i % 3], "peak": 2500})],
                  "S": [("shock", at, {"axis": axes[i % 3], "peak": -2200})],
                  "U": [("shock", at, {"axis": axes[i % 3], "peak": 2000})],
                  "M": [("manual", at, {})], "P": [("parking", at, {})], "T": [("parking", at, {})],
                  "O": [("warning", at, {"code": rbox.WARNING_CODES["O"]})],
                  "R": [("warning", at, {"code": rbox.WARNING_CODES["R"]})]}.get(trig, [])
        moment = start + datetime.timedelta(seconds=math.ceil(opts["duration"]) * i)
        entry = {"time": moment.strftime("%Y-%m-%d %H:%M:%S"), "trigger": trig, "events": events}
        if i == 0:
            entry["invalid"] = [(0, max(1, int(opts["duration"])))]
        plan.append(entry)
    plain = list(plan)
    for j in range(opts["joined"]):
        src = dict(plain[j % len(plain)])
        src.update(joined="J%s%02d" % (JOINED_KINDS[j % len(JOINED_KINDS)], j + 1), number=j % len(plain) + 1)
        plan.append(src)
    return plan


def build_plan(opts):
    """List of recordings (dicts) with everything needed to write their files."""
    entries = PRESETS[opts["preset"]]["plan"] if opts["preset"] else _generic_plan(opts)
    recordings, number = [], 0
    for index, e in enumerate(entries):
        if not e.get("joined"):
            number = number % 999 + 1
        main_start = datetime.datetime.strptime(e["time"], "%Y-%m-%d %H:%M:%S")
        fps = parse_fps(e.get("fps", opts["fps"]))
        duration = opts["duration"] if opts["duration_given"] else e.get("duration", opts["duration"])
        rec = {
            "index": index, "number": e.get("number", number), "start": main_start,
            "trigger": e["trigger"], "fps": fps, "duration": float(duration),
            "main": e.get("main", True), "rear": e.get("rear", True) and not opts["no_rear"],
            "rear_trigger": e.get("rear_trigger", e["trigger"]), "rear_offset": e.get("rear_offset", 0),
            "ext": e.get("ext", ".MP4"), "joined": e.get("joined"), "fix_offset": e.get("fix_offset"),
            "invalid": e.get("invalid", []), "events": e.get("events", []),
            "place": e.get("place", "tokyo"), "parked": e["trigger"] in PARKED_TRIGGERS,
            "records": opts["records"] if opts["records"] is not None else e.get("records"),
        }
        if not rec["main"] and not rec["rear"]:
            continue
        recordings.append(rec)
    return recordings


def plan_files(recordings, opts):
    """One dict per file to write, in manifest order."""
    main_size = parse_size(opts["main_size"], "--main-size")
    rear_size = parse_size(opts["rear_size"], "--rear-size")
    files = []
    for rec in recordings:
        for camera in "MR":
            if not rec["main" if camera == "M" else "rear"]:
                continue
            offset = rec["rear_offset"] if camera == "R" else 0
            start = rec["start"] + datetime.timedelta(seconds=offset)
            trigger = rec["trigger"] if camera == "M" else rec["rear_trigger"]
            prefix = rec["joined"] + "_" if rec["joined"] else ""
            name = "%s%03d_%s%s_%s%s" % (prefix, rec["number"], start.strftime("%H%M%S"), trigger, camera,
                                         rec["ext"])
            folder = JOINED_ROOT if rec["joined"] else "%s/%s_001" % (CARD_ROOT, rec["start"].strftime("%Y%m%d"))
            frames = int(round(rec["duration"] * rec["fps"]))
            duration = fractions.Fraction(frames) / rec["fps"]
            count = rec["records"] if rec["records"] is not None else math.ceil(duration * 10)
            w, h = main_size if camera == "M" else rear_size
            files.append({"recording": rec, "camera": camera, "trigger": trigger, "start": start, "name": name,
                          "folder": folder, "path": folder + "/" + name, "width": w, "height": h,
                          "frames": frames, "duration": duration, "records": count,
                          "clip_id": len(files) % 256})
    for f in files:
        others = [g for g in files if g["recording"] is f["recording"] and g is not f]
        f["partner"] = others[0]["path"] if others else None
    return files


# ----------------------------------------------------------------------------------------------------------
# Drive data


def build_drive_data(recordings, files, seed):
    """Attach the records and the box of every file (file["box"], file["box_info"])."""
    drive = rbox.Drive(seed)
    for rec in recordings:
        own = [f for f in files if f["recording"] is rec]
        ticks = [(rbox.tick_of(f["start"]), rbox.tick_of(f["start"]) + max(f["records"], 1)) for f in own]
        main_tick = rbox.tick_of(rec["start"])
        # A little before and after, so that rear files shifted by a few seconds find their samples.
        drive.cover(min(t[0] for t in ticks) - 50, max(t[1] for t in ticks) + 50, rec["place"], rec["parked"])
        marks = {}
        for kind, at, params in rec["events"]:
            for tick, mark in rbox.event_marks(kind, main_tick + int(round(at * 10)), **params).items():
                marks.setdefault(tick, {}).update(mark)
        invalid = {main_tick + k for k0, k1 in rec["invalid"] for k in range(k0, k1)}
        for f in own:
            start_tick = rbox.tick_of(f["start"])
            raws, rows = rbox.build_records(start_tick, f["records"], drive.samples, marks, invalid,
                                            rec["fix_offset"])
            header, header_info = rbox.build_header(drive.samples[start_tick], rec["parked"])
            f["box"] = rbox.build_box(header, raws)
            f["box_info"] = {"header": header_info,
                             "records": [[row[c] for c in rbox.RECORD_COLUMNS] for row in rows]}


# ----------------------------------------------------------------------------------------------------------
# Pictures and encoding


def run(cmd, cwd):
    proc = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if proc.returncode != 0:
        tail = proc.stderr.decode("utf-8", "replace")[-2000:]
        raise RuntimeError("%s failed (%d):\n%s" % (" ".join(cmd[:3]) + " ...", proc.returncode, tail))
    return proc.stdout


FFMPEG_BASE = ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
               "-threads", "1", "-filter_threads", "1", "-filter_complex_threads", "1"]


def _png(width, height, rows_rgba):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + r for r in rows_rgba)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def write_ring(path, width, height):
    """RGBA picture: opaque black outside the centred circle, transparent inside."""
    r = min(width, height) / 2
    black, clear = b"\x00\x00\x00\xff", b"\x00\x00\x00\x00"
    rows = []
    for y in range(height):
        dy = y + 0.5 - height / 2
        half = math.sqrt(r * r - dy * dy) if r * r > dy * dy else 0.0
        x0 = max(0, min(width, int(round(width / 2 - half))))
        x1 = max(x0, min(width, int(round(width / 2 + half))))
        rows.append(black * x0 + clear * (x1 - x0) + black * (width - x1))
    with open(path, "wb") as f:
        f.write(_png(width, height, rows))


def make_background(kind, width, height, work):
    """Still picture under the moving parts: a fisheye view of a gridded world, or a flat road view."""
    name = "bg_%s_%dx%d.png" % (kind, width, height)
    line = max(2, min(width, height) // 480 * 2)
    if kind == "fisheye":
        d = max(width, height)
        ring = "ring_%dx%d.png" % (width, height)
        write_ring(os.path.join(work, ring), width, height)
        stripe = "drawbox=x=%s:y=ih/2:w=iw/180:h=ih/2:c=%s:t=fill"
        world = ",".join([
            "color=c=0x86b2e0:s=%dx%d:r=1" % (2 * d, d),
            "drawbox=x=0:y=ih/2:w=iw:h=ih/2:c=0x4b5a3c:t=fill",
            stripe % ("iw/2-iw/360", "0xd02020"), stripe % ("iw*3/4-iw/360", "0xe0c020"),
            stripe % ("iw/4-iw/360", "0x20c0c0"), stripe % ("0", "0x2040d0"),
            "drawgrid=w=iw/24:h=ih/12:t=%d:c=white@0.7" % line,
            "v360=input=e:output=fisheye:h_fov=180:v_fov=180:w=%d:h=%d" % (width, height)])
        graph = "%s[fe];[fe][0:v]overlay=0:0,format=rgb24[out]" % world
        run(FFMPEG_BASE + ["-i", ring, "-filter_complex", graph, "-map", "[out]", "-frames:v", "1", name], work)
    else:
        graph = ",".join([
            "color=c=0x9cc3e6:s=%dx%d:r=1" % (width, height),
            "drawbox=x=0:y=ih*0.45:w=iw:h=ih*0.55:c=0x5a5a5a:t=fill",
            "drawbox=x=iw/2-iw/200:y=ih*0.45:w=iw/100:h=ih*0.55:c=0xf0f0f0:t=fill",
            "drawgrid=w=iw/16:h=ih/9:t=%d:c=white@0.35" % line, "format=rgb24"])
        run(FFMPEG_BASE + ["-f", "lavfi", "-i", graph, "-frames:v", "1", name], work)
    return name


def find_font():
    return next((p for p in FONT_CANDIDATES if os.path.isfile(p)), None)


def _filter_script(f, text_file, font):
    """Filter graph of one file: the still background looped at the file's exact frame rate, a moving
    square, the burnt-in text, the frame code, and a beep at every whole second on both channels."""
    w, h, fps = f["width"], f["height"], f["recording"]["fps"]
    rate = "%d/%d" % (fps.numerator, fps.denominator)
    side = max(8, min(w, h) // 10 // 2 * 2)
    if f["camera"] == "M":
        radius = 0.32 * min(w, h)
        x = "%d+%.1f*cos(2*PI*t/4)" % (w // 2 - side // 2, radius)
        y = "%d+%.1f*sin(2*PI*t/4)" % (h // 2 - side // 2, radius)
        colour, fs, ty, tone = "0xe03030", max(10, min(w, h) // 26), int(0.2 * h), 880
    else:
        x = "%d+%.1f*sin(2*PI*t/3)" % ((w - side) // 2, (w - side) / 2 * 0.9)
        y = "%d" % int(0.72 * h)
        colour, fs, ty, tone = "0xf0d020", max(10, h // 16), int(0.06 * h), 660
    # Converting the still once and looping it is far cheaper than decoding a picture per frame; the time
    # base of one frame and pts = N give exact frame times, which the muxer turns into 1/1000000 units.
    parts = ["[0:v]format=yuv420p,loop=loop=-1:size=1:start=0,settb=expr=%d/%d,setpts=N,fps=%s[bg]"
             % (fps.denominator, fps.numerator, rate),
             "color=c=%s:s=%dx%d:r=%s[sq]" % (colour, side, side, rate),
             "[bg][sq]overlay=x='%s':y='%s':eval=frame[mv]" % (x, y)]
    chain = []
    if font:
        chain.append("drawtext=fontfile='%s':textfile='%s':fontsize=%d:fontcolor=white:line_spacing=%d:"
                     "x=(w-tw)/2:y=%d:box=1:boxcolor=black@0.55:boxborderw=%d"
                     % (font, text_file, fs, fs // 4, ty, max(2, fs // 5)))
    chain.append(frame_code.ffmpeg_filters(w, h, f["clip_id"]))
    chain.append("format=yuv420p")
    parts.append("[mv]%s[v]" % ",".join(chain))
    beep = "0.2*sin(2*PI*%d*t)*lt(mod(t,1),0.08)" % tone
    parts.append("aevalsrc=exprs='%s|%s':s=%d:d=%s[a]" % (beep, beep, AUDIO_RATE, _decimal(f["duration"])))
    return ";\n".join(parts) + "\n"


def _decimal(value):
    return "%.6f" % float(value)


def encode_file(f, out_dir, work, background, font, opts):
    """Write one recording: ffmpeg's MP4, checked, with the data box appended."""
    # The text and the graph go through files in the work folder: no shell or filter-graph quoting of
    # paths, colons and percent signs.
    tag = "f%03d" % f["clip_id"]
    text_file, script = tag + ".txt", tag + ".filter"
    epoch = calendar.timegm(f["start"].timetuple())
    label = "%s  %s  %s" % ("MAIN" if f["camera"] == "M" else "REAR", f["trigger"], os.path.splitext(f["name"])[0])
    with open(os.path.join(work, text_file), "w") as t:
        t.write("%s\n%%{pts:gmtime:%d:%%Y/%%m/%%d %%H\\:%%M\\:%%S}\nFRAME %%{eif:n:d:5}" % (label, epoch))
    with open(os.path.join(work, script), "w") as s:
        s.write(_filter_script(f, text_file, font))
    fps = f["recording"]["fps"]
    gop = max(1, int(round(fps)))  # a key frame every second, at fixed places (no scene-cut detection)
    final = os.path.join(out_dir, f["path"])
    part = final + ".part"
    cmd = FFMPEG_BASE + [
        "-i", background, "-filter_complex_script", script, "-map", "[v]", "-map", "[a]",
        "-frames:v", str(f["frames"]),
        "-c:v", "libx264", "-preset", opts["encoder_preset"], "-profile:v", "main", "-qp", str(opts["qp"]),
        "-g", str(gop), "-keyint_min", str(gop), "-sc_threshold", "0", "-bf", "0", "-pix_fmt", "yuv420p",
        "-threads", "1", "-c:a", "aac", "-b:a", "64k", "-ar", str(AUDIO_RATE), "-ac", "2",
        "-video_track_timescale", str(VIDEO_TIMESCALE), "-map_metadata", "-1",
        "-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact", "-f", "mp4", part]
    run(cmd, work)
    info = inspect_mp4(part)
    video = info["video"]
    if video["handler"] != "vide" or video["sample_count"] != f["frames"] or video["timescale"] != VIDEO_TIMESCALE:
        raise RuntimeError("%s: ffmpeg wrote %r, expected a first video track of %d frames at time scale %d"
                           % (f["path"], video, f["frames"], VIDEO_TIMESCALE))
    boxes = info["top_level_boxes"]
    if "mdat" not in boxes or "moov" not in boxes or boxes.index("mdat") > boxes.index("moov"):
        raise RuntimeError("%s: expected mdat before moov, got %s" % (f["path"], boxes))
    box_offset = os.path.getsize(part)
    with open(part, "ab") as out:
        out.write(f["box"])
    info["top_level_boxes"].append("gps0")
    info["box_offset"] = box_offset
    info["size"] = os.path.getsize(part)
    info["sha256"] = _file_sha256(part)
    os.replace(part, final)
    return info


def _file_sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def _boxes(data, start, end):
    pos = start
    while pos + 8 <= end:
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        head = 8
        if size == 1:
            size, head = struct.unpack(">Q", data[pos + 8:pos + 16])[0], 16
        elif size == 0:
            size = end - pos
        if size < head or pos + size > end:
            raise RuntimeError("damaged box %r at %d" % (kind, pos))
        yield kind.decode("latin-1"), pos + head, pos + size
        pos += size


def _child(data, start, end, kind):
    return next(((s, e) for k, s, e in _boxes(data, start, end) if k == kind), None)


def inspect_mp4(path):
    """Top-level box order and the first (video) track's time scale and stts of an MP4 file."""
    tops, moov = [], None
    with open(path, "rb") as f:
        size, pos = os.fstat(f.fileno()).st_size, 0
        while pos + 8 <= size:
            f.seek(pos)
            head = f.read(16)
            box_size, kind = struct.unpack(">I4s", head[:8])
            if box_size == 1:
                box_size = struct.unpack(">Q", head[8:16])[0]
            elif box_size == 0:
                box_size = size - pos
            tops.append(kind.decode("latin-1"))
            if kind == b"moov":
                f.seek(pos)
                moov = f.read(box_size)
            if box_size < 8:
                break
            pos += box_size
    if moov is None:
        raise RuntimeError("%s: no moov box" % path)
    trak = _child(moov, 8, len(moov), "trak")
    mdia = _child(moov, trak[0], trak[1], "mdia")
    mdhd = _child(moov, mdia[0], mdia[1], "mdhd")
    hdlr = _child(moov, mdia[0], mdia[1], "hdlr")
    handler = moov[hdlr[0] + 8:hdlr[0] + 12].decode("latin-1")
    version = moov[mdhd[0]]
    timescale = struct.unpack(">I", moov[mdhd[0] + (20 if version == 1 else 12):][:4])[0]
    minf = _child(moov, mdia[0], mdia[1], "minf")
    stbl = _child(moov, minf[0], minf[1], "stbl")
    stts = _child(moov, stbl[0], stbl[1], "stts")
    entries = struct.unpack(">I", moov[stts[0] + 4:stts[0] + 8])[0]
    pairs = [struct.unpack(">II", moov[stts[0] + 8 + 8 * i:stts[0] + 16 + 8 * i]) for i in range(entries)]
    delta_sum = sum(d for _, d in pairs)
    video = {"codec": "h264", "handler": handler, "timescale": timescale, "sample_count": sum(c for c, _ in pairs),
             "stts_entries": entries, "stts_delta_sum": delta_sum, "stts_total": sum(c * d for c, d in pairs),
             "frame_length_ms": (delta_sum // entries) // 1000 if entries else 0}
    return {"top_level_boxes": tops, "video": video}


# ----------------------------------------------------------------------------------------------------------
# Manifest


def _json(value, indent=0):
    """JSON with objects indented and every list of plain values (a record) on one line."""
    pad, inner = " " * indent, " " * (indent + 1)
    if isinstance(value, dict):
        if not value:
            return "{}"
        items = ["%s%s: %s" % (inner, json.dumps(k), _json(v, indent + 1)) for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + pad + "}"
    if isinstance(value, list) and any(isinstance(v, (dict, list)) for v in value):
        return "[\n" + ",\n".join(inner + _json(v, indent + 1) for v in value) + "\n" + pad + "]"
    return json.dumps(value, ensure_ascii=False)


def manifest_file_entry(f, info):
    rec, box = f["recording"], f["box"]
    offset, count = info["box_offset"], f["records"]
    return {
        "path": f["path"], "name": f["name"], "folder": f["folder"], "camera": f["camera"],
        "trigger": f["trigger"], "trigger_class": TRIGGER_CLASSES[f["trigger"]],
        "joined_prefix": rec["joined"],
        "camera_pattern_match": any(p.fullmatch(f["name"]) for p in CAMERA_NAME_PATTERNS),
        "recording": rec["index"], "partner": f["partner"],
        "start": f["start"].strftime("%Y-%m-%dT%H:%M:%S"), "width": f["width"], "height": f["height"],
        "fisheye": f["camera"] == "M", "fps": float(rec["fps"]),
        "fps_rational": "%d/%d" % (rec["fps"].numerator, rec["fps"].denominator),
        "frames": f["frames"], "duration_ms": float(f["duration"] * 1000), "clip_id": f["clip_id"],
        "video": info["video"],
        "audio": {"codec": "aac", "sample_rate": AUDIO_RATE, "channels": 2},
        "top_level_boxes": info["top_level_boxes"], "size": info["size"], "sha256": info["sha256"],
        "data_box": {"offset": offset, "size": len(box), "count": count, "csodat_offset": offset + 8,
                     "csoend_offset": offset + 42 + rbox.RECORD_SIZE * count,
                     "sha256": hashlib.sha256(box).hexdigest(), "header": f["box_info"]["header"],
                     "records": f["box_info"]["records"]},
    }


def write_manifest(out_dir, opts, recordings, files, infos):
    entries = [manifest_file_entry(f, infos[f["path"]]) for f in files]
    recs = []
    for rec in recordings:
        own = {f["camera"]: f["path"] for f in files if f["recording"] is rec}
        recs.append({"index": rec["index"], "trigger": rec["trigger"], "joined_prefix": rec["joined"],
                     "start": rec["start"].strftime("%Y-%m-%dT%H:%M:%S"),
                     "main": own.get("M"), "rear": own.get("R")})
    manifest = {
        "format_version": 1, "generator": "tools/make_recordings.py", "options": opts,
        "frame_code": {"cells": frame_code.CELLS, "frame_bits": frame_code.FRAME_BITS,
                       "clip_bits": frame_code.CLIP_BITS,
                       "layout": "white, black, 16 frame bits MSB first, 8 clip bits MSB first, even parity, "
                                 "black, white; white = 1",
                       "geometry": "cell = max(8, floor(min(W,H)/40/4)*4); x0 = floor((W-29*cell)/4)*2; "
                                   "y0 = floor((H-cell)/4)*2"},
        "record_columns": rbox.RECORD_COLUMNS, "roots": {"card": CARD_ROOT, "joined": JOINED_ROOT},
        "recordings": recs, "files": entries,
    }
    with open(os.path.join(out_dir, "manifest.json"), "w", encoding="utf-8") as m:
        m.write(_json(manifest) + "\n")
    file_cols = ["path", "camera", "trigger", "trigger_class", "start", "width", "height", "fps", "frames",
                 "duration_ms", "frame_length_ms", "clip_id", "records", "box_offset", "box_size", "size",
                 "header_hex", "tag"]
    with open(os.path.join(out_dir, "manifest-files.tsv"), "w", encoding="utf-8") as t:
        t.write("\t".join(file_cols) + "\n")
        for e in entries:
            box = e["data_box"]
            row = [e["path"], e["camera"], e["trigger"], e["trigger_class"], e["start"], e["width"], e["height"],
                   e["fps"], e["frames"], e["duration_ms"], e["video"]["frame_length_ms"], e["clip_id"],
                   box["count"], box["offset"], box["size"], e["size"], box["header"]["hex"],
                   box["header"]["tag"]]
            t.write("\t".join(str(v) for v in row) + "\n")
    with open(os.path.join(out_dir, "manifest-records.tsv"), "w", encoding="utf-8") as t:
        t.write("\t".join(["path"] + rbox.RECORD_COLUMNS) + "\n")
        for e in entries:
            for row in e["data_box"]["records"]:
                t.write("\t".join([e["path"]] + [str(v) for v in row]) + "\n")


# ----------------------------------------------------------------------------------------------------------
# Stamp and main


def ffmpeg_version():
    try:
        out = subprocess.run(["ffmpeg", "-version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        raise UsageError("ffmpeg was not found; install Debian's ffmpeg (tools/setup.sh does)")
    return out.decode("utf-8", "replace").splitlines()[0]


def stamp_key(opts, font):
    here = os.path.dirname(os.path.abspath(__file__))
    scripts = {}
    for name in OWN_SCRIPTS:
        with open(os.path.join(here, name), "rb") as s:
            scripts[name] = hashlib.sha256(s.read()).hexdigest()
    blob = json.dumps({"options": opts, "scripts": scripts, "ffmpeg": ffmpeg_version(), "font": font},
                      sort_keys=True)
    return hashlib.sha256(blob.encode()).hexdigest()


def up_to_date(out_dir, key):
    try:
        with open(os.path.join(out_dir, STAMP_NAME), encoding="utf-8") as s:
            stamp = json.load(s)
    except (OSError, ValueError):
        return False
    if stamp.get("key") != key:
        return False
    for name in MANIFEST_NAMES:
        if not os.path.isfile(os.path.join(out_dir, name)):
            return False
    for path, size in stamp.get("files", {}).items():
        full = os.path.join(out_dir, path)
        if not os.path.isfile(full) or os.path.getsize(full) != size:
            return False
    return True


def clear_output(out_dir, force):
    """Remove what an earlier run wrote; refuse to touch a folder that was not written by this script."""
    ours = os.path.isfile(os.path.join(out_dir, STAMP_NAME)) or os.path.isfile(os.path.join(out_dir, "manifest.json"))
    present = [n for n in (CARD_ROOT, JOINED_ROOT) if os.path.exists(os.path.join(out_dir, n))]
    if present and not ours and not force:
        raise UsageError("%s already holds %s but no stamp of this script; use --force to replace it"
                         % (out_dir, ", ".join(present)))
    for name in (STAMP_NAME,) + MANIFEST_NAMES:
        if os.path.exists(os.path.join(out_dir, name)):
            os.remove(os.path.join(out_dir, name))
    for name in (CARD_ROOT, JOINED_ROOT, WORK_DIR):
        shutil.rmtree(os.path.join(out_dir, name), ignore_errors=True)


def generate(opts, out_dir, jobs, font, log):
    recordings = build_plan(opts)
    files = plan_files(recordings, opts)
    build_drive_data(recordings, files, opts["seed"])
    work = os.path.join(out_dir, WORK_DIR)
    os.makedirs(work)
    for f in files:
        os.makedirs(os.path.join(out_dir, f["folder"]), exist_ok=True)
    kinds = sorted({("fisheye" if f["camera"] == "M" else "road", f["width"], f["height"]) for f in files})
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        backgrounds = dict(zip(kinds, pool.map(lambda k: make_background(k[0], k[1], k[2], work), kinds)))
        # Largest first, so that two workers finish close together; the bytes do not depend on the order.
        order = sorted(files, key=lambda f: -f["frames"] * f["width"] * f["height"])
        futures = {f["path"]: pool.submit(encode_file, f, out_dir, work,
                                          backgrounds[("fisheye" if f["camera"] == "M" else "road",
                                                       f["width"], f["height"])], font, opts)
                   for f in order}
        try:
            infos = {path: fut.result() for path, fut in futures.items()}
        except BaseException:
            for fut in futures.values():
                fut.cancel()  # a failed or interrupted run stops without encoding the rest
            raise
    shutil.rmtree(work)
    write_manifest(out_dir, opts, recordings, files, infos)
    log("make_recordings: wrote %d files of %d recordings" % (len(files), len(recordings)))
    return {f["path"]: infos[f["path"]]["size"] for f in files}


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter,
                                usage=argparse.SUPPRESS)
    p.add_argument("--out", help="output folder (created when missing)")
    p.add_argument("--preset", choices=sorted(PRESETS), help="a fixed plan: test or demo")
    p.add_argument("--count", type=int, help="number of recordings without a preset (default 3)")
    p.add_argument("--duration", type=float, help="seconds per recording (default 3; preset: its own)")
    p.add_argument("--fps", help="frame rate, e.g. 30, 27.5, 30000/1001 (default 30)")
    p.add_argument("--main-size", help="main camera frame, e.g. 1920x1920 (default 480x480)")
    p.add_argument("--rear-size", help="rear camera frame, e.g. 1280x720 (default 640x360)")
    p.add_argument("--no-rear", action="store_true", help="write main camera files only")
    p.add_argument("--joined", type=int, help="number of extra files with joined-name prefixes")
    p.add_argument("--records", type=int, help="records per file instead of one per 100 ms of video")
    p.add_argument("--seed", type=int, help="seed of the simulated drive (default 1)")
    p.add_argument("--start", help="start of the first recording without a preset, YYYY-MM-DDThh:mm:ss")
    p.add_argument("--encoder-preset", help="libx264 preset (default veryfast; demo ultrafast)")
    p.add_argument("--qp", type=int, help="libx264 constant quantizer (default 20; demo 23)")
    p.add_argument("--jobs", type=int, default=min(2, os.cpu_count() or 1), help="parallel ffmpeg runs")
    p.add_argument("--force", action="store_true", help="replace a card/ or joined/ folder without a stamp")
    p.add_argument("--quiet", action="store_true", help="print nothing on success")
    p.add_argument("--decode", metavar="IMAGE", help="decode the frame code of a PNG/PPM picture")
    p.add_argument("--frame-size", help="with --decode: size of the source frame, WxH")
    p.add_argument("--frame-rect", help="with --decode: where the frame lies in the picture, X,Y,W,H")
    return p.parse_args(argv)


def decode_command(args):
    try:
        size = tuple(int(v) for v in args.frame_size.split("x")) if args.frame_size else None
        rect = tuple(int(v) for v in args.frame_rect.split(",")) if args.frame_rect else None
        if (size and len(size) != 2) or (rect and len(rect) != 4):
            raise ValueError("bad size")
    except ValueError:
        raise UsageError("--frame-size must look like 1920x1920 and --frame-rect like 0,140,640,360")
    try:
        result = frame_code.decode_file(args.decode, frame_size=size, frame_rect=rect)
    except ValueError as e:
        raise UsageError(str(e))
    if result is None:
        print("no frame code found", file=sys.stderr)
        return 1
    print("frame %d clip %d" % result)
    return 0


def main(argv=None):
    args = parse_args(argv if argv is not None else sys.argv[1:])
    try:
        if args.decode:
            return decode_command(args)
        if not args.out:
            raise UsageError("--out DIR is required")
        opts = effective_options(args)
        font = find_font()
        key = stamp_key(opts, font)
        out_dir = os.path.abspath(args.out)
        log = (lambda *_: None) if args.quiet else (lambda m: print(m, file=sys.stderr))
        if up_to_date(out_dir, key):
            # Touch the stamp, so that a build rule with the stamp as its output sees it newer than the scripts.
            os.utime(os.path.join(out_dir, STAMP_NAME))
            log("make_recordings: %s is up to date" % out_dir)
            return 0
        began = time.monotonic()
        os.makedirs(out_dir, exist_ok=True)
        clear_output(out_dir, args.force)
        # An unfinished stamp marks the folder as ours, so that a run broken off is redone, not refused.
        with open(os.path.join(out_dir, STAMP_NAME), "w", encoding="utf-8") as s:
            json.dump({"key": None}, s)
        sizes = generate(opts, out_dir, max(1, args.jobs), font, log)
        with open(os.path.join(out_dir, STAMP_NAME + ".tmp"), "w", encoding="utf-8") as s:
            json.dump({"key": key, "files": sizes}, s, indent=1, sort_keys=True)
        os.replace(os.path.join(out_dir, STAMP_NAME + ".tmp"), os.path.join(out_dir, STAMP_NAME))
        log("make_recordings: done in %.1f s" % (time.monotonic() - began))
        return 0
    except UsageError as e:
        print("make_recordings: %s" % e, file=sys.stderr)
        return 2
    except (RuntimeError, OSError) as e:
        print("make_recordings: %s" % e, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
