#!/usr/bin/env python3
"""Makes the small recordings the join tests read: ffmpeg clips (H.264 without B-frames, a track time
scale of 1 us like the recorder's) with the recorder's "gps0" box appended, plus variants a join must
refuse. Usage: make_join_inputs.py OUT_DIR. Files that already exist are kept (the set is fixed)."""
import os
import struct
import subprocess
import sys

RECORD_SIZE = 79
SPARSE_MDAT_GROWTH = 2200 * 1024 * 1024  # two of these pass 4 GB together


def gps_record(file_id, k):
    """One 79-byte GPS record whose unread bytes carry the file and record number (order checks)."""
    sec = k % 60
    minute = (k // 60) % 60
    rec = bytearray(b" " * RECORD_SIZE)
    rec[0:5] = b"%05d" % (k % 100000)
    rec[5:6] = b"A"
    rec[6:15] = b"3539.1234"
    rec[15] = 1
    rec[16:26] = b"13945.6789"
    rec[26] = 1
    rec[27:31] = b"0042"
    rec[31:43] = b"260102%02d%02d%02d" % (10 + file_id % 10, minute, sec)
    rec[43:44] = b" "
    rec[44:47] = b"*00"
    rec[47:52] = b"F%04d" % file_id
    rec[52:79] = b"EVT00" + b"00100" + b"00200" + b"00300" + b"NXN" + b"   " + b"\x07"
    return bytes(rec)


def gps_box(file_id, count):
    header = b"AB1234" + b"0012" + b"0034" + b"1002" + b"N" + b"\x00" * 7
    records = b"".join(gps_record(file_id, k) for k in range(count))
    payload = b"CSODAT" + header + struct.pack(">H", count) + records + b"CSOEND"
    return struct.pack(">I", 8 + len(payload)) + b"gps0" + payload


def encode(path, seconds, size, audio=True, faststart=False, timescale=1000000, rate=30):
    cmd = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
           f"testsrc2=size={size}:rate={rate}:duration={seconds}"]
    if audio:
        cmd += ["-f", "lavfi", "-i", f"sine=frequency=440:sample_rate=48000:duration={seconds}"]
    cmd += ["-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", "-g", "15", "-pix_fmt", "yuv420p",
            "-video_track_timescale", str(timescale), "-map_metadata", "-1", "-fflags", "+bitexact"]
    if audio:
        cmd += ["-c:a", "aac", "-b:a", "64k", "-ac", "1"]
    if faststart:
        cmd += ["-movflags", "+faststart"]
    cmd += ["-f", "mp4", path]
    subprocess.run(cmd, check=True)


def make(out, name, file_id, records, **kw):
    path = os.path.join(out, name)
    if os.path.exists(path):
        return
    tmp = path + ".tmp"
    encode(tmp, **kw)
    with open(tmp, "ab") as f:
        f.write(gps_box(file_id, records))
    os.replace(tmp, path)


def top_boxes(data):
    pos = 0
    while pos + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield pos, size, kind
        pos += size


def make_sparse_huge(out, name, source):
    """The source with its "mdat" payload grown by SPARSE_MDAT_GROWTH zero bytes left as a hole."""
    path = os.path.join(out, name)
    if os.path.exists(path):
        return
    data = open(os.path.join(out, source), "rb").read()
    mdat = [(p, s) for p, s, k in top_boxes(data) if k == b"mdat"][0]
    end = mdat[0] + mdat[1]
    head = bytearray(data[:end])
    struct.pack_into(">I", head, mdat[0], mdat[1] + SPARSE_MDAT_GROWTH)
    with open(path + ".tmp", "wb") as f:
        f.write(head)
        f.seek(end + SPARSE_MDAT_GROWTH)
        f.write(data[end:])
    os.replace(path + ".tmp", path)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    main_cam = [(1.0, 100), (1.5, 120), (2.0, 30), (1.2, 45), (0.8, 60)]
    for i, (sec, recs) in enumerate(main_cam, 1):
        make(out, f"main_{i}.mp4", i, recs, seconds=sec, size="320x240")
    rear_cam = [(1.0, 10), (0.7, 20), (1.3, 30), (0.9, 40), (1.1, 50)]
    for i, (sec, recs) in enumerate(rear_cam, 1):
        make(out, f"rear_{i}.mp4", 10 + i, recs, seconds=sec, size="240x160", audio=False)
    for i, sec in enumerate([1.0, 1.4, 0.6], 1):
        make(out, f"faststart_{i}.mp4", 20 + i, 25 * i, seconds=sec, size="320x240", faststart=True)
    make(out, "noaudio_1.mp4", 31, 5, seconds=1.0, size="320x240", audio=False)
    make(out, "timescale_1.mp4", 32, 5, seconds=1.0, size="320x240", timescale=90000)
    make(out, "gps_big_1.mp4", 41, 40000, seconds=0.5, size="160x120")
    make(out, "gps_big_2.mp4", 42, 40000, seconds=0.5, size="160x120")
    make_sparse_huge(out, "huge_1.mp4", "gps_big_1.mp4")


if __name__ == "__main__":
    main()
