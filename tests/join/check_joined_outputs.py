#!/usr/bin/env python3
"""Host-side check of the joins the Windows test wrote (out/joined.txt: output, then its parts):
ffprobe reads each without a warning, frame and audio sample counts are the sums, the duration is the
sum within one frame, the packets are the parts' packets in order (framemd5 of a stream copy), every
frame decodes, and the "gps0" box holds every part's records in order."""
import json
import os
import struct
import subprocess
import sys
import unittest

INPUTS = os.environ.get("QUILL_JOIN_INPUTS", "")
OUTPUTS = os.environ.get("QUILL_JOIN_OUTPUTS", "")


def joins():
    rows = []
    for name in sorted(os.listdir(OUTPUTS)) if os.path.isdir(OUTPUTS) else []:
        if name.startswith("joined") and name.endswith(".txt"):
            rows += [line.rstrip("\n").split("\t") for line in open(os.path.join(OUTPUTS, name)) if line.strip()]
    return [(os.path.join(OUTPUTS, r[0]), [os.path.join(INPUTS, p) for p in r[1:]]) for r in rows]


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True, check=False)


def streams(path):
    r = run(["ffprobe", "-v", "error", "-print_format", "json", "-show_streams", "-show_format", path])
    return json.loads(r.stdout)


def packet_hashes(path, stream):
    """md5 of every packet of one stream, in media order, from a stream copy (no decoding). Edit lists
    are ignored: an audio track's edit trims encoder priming at its ends, which moves packets in or out
    of the presentation without changing the media."""
    r = run(["ffmpeg", "-v", "error", "-ignore_editlist", "1", "-i", path, "-map", f"0:{stream}", "-c", "copy", "-f", "framemd5", "-"])
    if r.returncode != 0:
        raise AssertionError(r.stderr)
    # stream, dts, pts, duration, size, hash[, side data...]
    return [line.split(",")[5].strip() for line in r.stdout.splitlines() if line and not line.startswith("#")]


def decoded_hashes(path):
    """md5 of every decoded video frame (every frame kept, whatever its time), and ffmpeg's errors."""
    r = run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-fps_mode", "passthrough",
             "-f", "framemd5", "-"])
    return [line.split(",")[5].strip() for line in r.stdout.splitlines()
            if line and not line.startswith("#")], r.stderr.strip()


def gps_box(path):
    data = open(path, "rb").read()
    pos = 0
    while pos + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"gps0":
            return data[pos:pos + size]
        pos += size
    return None


class JoinedOutputsPlay(unittest.TestCase):
    def setUp(self):
        self.joins = joins()
        if not self.joins:
            self.skipTest("the Windows join test wrote no outputs")

    def test_ffprobe_reads_every_output_without_a_warning(self):
        for out, _ in self.joins:
            with self.subTest(out=os.path.basename(out)):
                r = run(["ffprobe", "-v", "warning", "-show_format", "-show_streams", out])
                self.assertEqual(r.returncode, 0)
                self.assertEqual(r.stderr.strip(), "")

    def test_frame_and_audio_sample_counts_and_durations_are_the_sums(self):
        for out, parts in self.joins:
            with self.subTest(out=os.path.basename(out)):
                joined = streams(out)
                inputs = [streams(p) for p in parts]
                for i, s in enumerate(joined["streams"]):
                    want = sum(int(p["streams"][i]["nb_frames"]) for p in inputs)
                    self.assertEqual(int(s["nb_frames"]), want, s["codec_type"])
                    if s["codec_type"] == "video":
                        frame = 1.0 / eval(s["avg_frame_rate"])
                        total = sum(float(p["streams"][i]["duration"]) for p in inputs)
                        self.assertAlmostEqual(float(s["duration"]), total, delta=frame)

    def test_packets_are_the_parts_packets_in_order(self):
        for out, parts in self.joins:
            for i, s in enumerate(streams(out)["streams"]):
                with self.subTest(out=os.path.basename(out), stream=s["codec_type"]):
                    want = [h for p in parts for h in packet_hashes(p, i)]
                    self.assertEqual(packet_hashes(out, i), want)

    def test_every_frame_decodes_to_the_parts_pictures_in_order(self):
        for out, parts in self.joins:
            with self.subTest(out=os.path.basename(out)):
                joined, errors = decoded_hashes(out)
                self.assertEqual(errors, "")
                self.assertEqual(joined, [h for p in parts for h in decoded_hashes(p)[0]])

    def test_the_data_box_holds_every_record_in_order(self):
        for out, parts in self.joins:
            with self.subTest(out=os.path.basename(out)):
                box = gps_box(out)
                boxes = [gps_box(p) for p in parts]
                counts = [struct.unpack(">H", b[40:42])[0] for b in boxes]
                n = struct.unpack(">H", box[40:42])[0]
                self.assertEqual(n, sum(counts))
                self.assertEqual(len(box), 48 + 79 * n)
                self.assertEqual(box[8:14], b"CSODAT")
                self.assertEqual(box[14:40], boxes[0][14:40])
                self.assertEqual(box[42:42 + 79 * n], b"".join(b[42:42 + 79 * c] for b, c in zip(boxes, counts)))
                self.assertEqual(box[-6:], b"CSOEND")


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
