"""The generated test set read back from the files themselves: streams by ffprobe, box order, the first
track's timing, the data box parsed byte by byte against the manifest, and the names and folders."""

import datetime
import math
import os
import re
import struct
import unittest
from fractions import Fraction

from gen_support import ffprobe, first_track_timing, generated_test_set, top_level_boxes

# The day-folder name of an SD card, and the parts of a recording name.
DAY_FOLDER = re.compile(r"[0-9]{8,8}_[0-9]{3,3}")
NAME_PARTS = re.compile(r"(?:(J[MRBN][0-9]{2})_)?([0-9]{3})_([0-9]{6})([A-Z])_([MR])\.(MP4|mp4)")


def parse_box(data, offset):
    """Fields of a "gps0" box at `offset`, read by offsets. (Every record field is read back by the
    viewer's own reader against the manifest in tests/recorder.)"""
    size, kind = struct.unpack(">I4s", data[offset:offset + 8])
    box = data[offset:offset + size]
    count = struct.unpack(">H", box[40:42])[0]
    return {"size": size, "kind": kind, "box": box, "count": count, "header": box[14:40]}


class GeneratedRecordingsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder, cls.manifest = generated_test_set()
        cls.files = cls.manifest["files"]
        cls.columns = cls.manifest["record_columns"]
        cls.data = {}
        for f in cls.files:
            with open(os.path.join(cls.folder, f["path"]), "rb") as fh:
                cls.data[f["path"]] = fh.read()

    def rows(self, f):
        return [dict(zip(self.columns, row)) for row in f["data_box"]["records"]]

    def test_every_file_has_the_streams_sizes_frames_and_time_base_asked_for(self):
        for f in self.files:
            with self.subTest(f["path"]):
                probe = ffprobe(os.path.join(self.folder, f["path"]))
                video, audio = probe["streams"]
                self.assertEqual((video["codec_type"], video["codec_name"]), ("video", "h264"))
                self.assertEqual((video["width"], video["height"]), (f["width"], f["height"]))
                self.assertEqual(video["pix_fmt"], "yuv420p")
                self.assertEqual(video["has_b_frames"], 0)
                self.assertEqual(video["time_base"], "1/1000000")
                self.assertEqual(int(video["nb_frames"]), f["frames"])
                self.assertEqual(Fraction(video["r_frame_rate"]), Fraction(f["fps_rational"]))
                self.assertAlmostEqual(float(video["duration"]) * 1000, f["duration_ms"], delta=0.01)
                self.assertAlmostEqual(f["duration_ms"], f["frames"] * 1000 / f["fps"], delta=0.01)
                self.assertEqual((audio["codec_name"], audio["sample_rate"], audio["channels"]),
                                 ("aac", "48000", 2))

    def test_mdat_comes_before_moov_and_the_data_box_ends_the_file(self):
        for f in self.files:
            with self.subTest(f["path"]):
                data = self.data[f["path"]]
                boxes = top_level_boxes(data)
                kinds = [b[0] for b in boxes]
                self.assertEqual(kinds[0], "ftyp")
                self.assertEqual(data[4:8], b"ftyp")
                self.assertLess(kinds.index("mdat"), kinds.index("moov"))
                self.assertEqual(kinds[-1], "gps0")
                self.assertEqual(kinds.count("gps0"), 1)
                self.assertEqual(kinds, f["top_level_boxes"])
                self.assertEqual(boxes[-1][1], f["data_box"]["offset"])
                self.assertEqual(len(data), f["size"])
                self.assertIn(b"CSOEND", data[-85:])
                self.assertEqual(data[-6:], b"CSOEND")

    def test_the_first_track_is_video_at_one_million_units_a_second_with_the_frame_length_asked_for(self):
        expected_ms = {"30/1": 33, "55/2": 36, "15/1": 66}
        for f in self.files:
            with self.subTest(f["path"]):
                data = self.data[f["path"]]
                moov = next(b for b in top_level_boxes(data) if b[0] == "moov")
                timescale, entries = first_track_timing(data, moov[1], moov[2])
                self.assertEqual(timescale, 1000000)
                self.assertEqual(sum(c for c, _ in entries), f["frames"])
                mean = sum(d for _, d in entries) // len(entries)
                self.assertEqual(mean // 1000, expected_ms[f["fps_rational"]])
                self.assertEqual(mean // 1000, f["video"]["frame_length_ms"])

    def test_data_box_layout_matches_the_manifest_byte_by_byte(self):
        for f in self.files:
            with self.subTest(f["path"]):
                box = f["data_box"]
                parsed = parse_box(self.data[f["path"]], box["offset"])
                n = box["count"]
                self.assertEqual(parsed["kind"], b"gps0")
                self.assertEqual(parsed["size"], 48 + 79 * n)
                self.assertEqual(parsed["size"], box["size"])
                self.assertEqual(parsed["count"], n)
                self.assertEqual(parsed["box"][8:14], b"CSODAT")
                self.assertEqual(box["csodat_offset"], box["offset"] + 8)
                self.assertEqual(self.data[f["path"]][box["csoend_offset"]:box["csoend_offset"] + 6], b"CSOEND")
                self.assertEqual(box["csoend_offset"], box["offset"] + 42 + 79 * n)
                self.assertEqual(parsed["header"].hex(), box["header"]["hex"])

    def test_header_holds_one_sensor_group_with_the_values_of_the_first_record(self):
        for f in self.files:
            with self.subTest(f["path"]):
                box = f["data_box"]
                header = bytes.fromhex(box["header"]["hex"])
                self.assertEqual(header[0:6].hex(), box["header"]["raw_hex"])
                texts = [header[6:10].decode(), header[10:14].decode(), header[14:18].decode()]
                self.assertEqual(texts, box["header"]["value_texts"])
                self.assertEqual([int(t) / 1000 for t in texts], box["header"]["values"])
                self.assertEqual(chr(header[18]), box["header"]["tag"])
                self.assertEqual(box["header"]["tag"], "P" if f["trigger"] in "PSTU" else "N")
                first = self.rows(f)[0]
                self.assertAlmostEqual(box["header"]["values"][2], first["value3"], delta=0.0005)
                # Group offsets 30-33 (bytes 2-5 of the first record) must not chain a second group.
                record0 = self.data[f["path"]][box["offset"] + 42:box["offset"] + 48]
                self.assertNotEqual(record0[2:5], b"@CS")

    def test_record_k_is_the_fix_at_k_times_100_ms_from_the_file_start(self):
        for f in self.files:
            with self.subTest(f["path"]):
                start = datetime.datetime.strptime(f["start"], "%Y-%m-%dT%H:%M:%S")
                rows = self.rows(f)
                if f["data_box"]["count"] <= 1000:
                    self.assertEqual(len(rows), math.ceil(f["duration_ms"] / 100))
                for row in rows[:50] + rows[-50:]:
                    expected = start + datetime.timedelta(seconds=row["k"] // 10)
                    self.assertEqual(row["local_time"], expected.strftime("%Y-%m-%d %H:%M:%S"))
                self.assertEqual((rows[-1]["next_byte"], rows[-1]["next_high"], rows[-1]["next_low"]),
                                 (0x43, 4, 3))

    def test_the_set_covers_the_record_variants_the_readers_must_handle(self):
        rows = [r for f in self.files for r in self.rows(f)]
        wanted = {
            "invalid fix": any(r["status"] == "V" for r in rows),
            "valid fix": any(r["status"] == "A" for r in rows),
            "southern latitude": any(r["valid"] and r["lat_hemisphere"] == 0 for r in rows),
            "western longitude": any(r["valid"] and r["lon_hemisphere"] == 0 for r in rows),
            "no seconds offset": any(r["offset_text"] == "***" for r in rows),
            "positive offset": any(r["offset_text"] == "018" for r in rows),
            "negative offset": any(r["offset_text"] == "-10" for r in rows),
            "shock on X": any(r["axis"] == "X" for r in rows),
            "shock on Y": any(r["axis"] == "Y" for r in rows),
            "shock on Z": any(r["axis"] == "Z" for r in rows),
            "type 5": any(r["type"] == 5 for r in rows),
            "type 7": any(r["type"] == 7 for r in rows),
            "speed-camera nibbles": any((r["next_high"], r["next_low"]) == (10, 9) for r in rows),
            "radar nibbles": any((r["next_high"], r["next_low"]) == (8, 8) for r in rows),
            "box over 1 MiB": any(f["data_box"]["size"] > 1 << 20 for f in self.files),
        }
        self.assertEqual([k for k, ok in wanted.items() if not ok], [])

    def test_names_and_folders_follow_the_recorder_rules(self):
        for f in self.files:
            with self.subTest(f["path"]):
                m = NAME_PARTS.fullmatch(f["name"])
                self.assertIsNotNone(m)
                prefix, _, hms, trigger, camera, _ = m.groups()
                self.assertEqual((prefix, trigger, camera), (f["joined_prefix"], f["trigger"], f["camera"]))
                self.assertEqual(hms, f["start"][11:].replace(":", ""))
                self.assertEqual(f["camera_pattern_match"], trigger in "AGMPS")
                parts = f["path"].split("/")
                self.assertEqual(parts[-1], f["name"])
                if f["joined_prefix"]:
                    self.assertEqual(parts[:-1], ["joined"])
                else:
                    self.assertEqual(parts[0], "card")
                    self.assertRegex(parts[1], DAY_FOLDER)
                    self.assertEqual(parts[1][:8], f["start"][:10].replace("-", ""))

    def test_the_set_has_every_trigger_both_cameras_and_joined_names(self):
        card = [f for f in self.files if not f["joined_prefix"]]
        self.assertEqual({f["trigger"] for f in card}, set("AGMPSORTU"))
        self.assertEqual({f["camera"] for f in card}, {"M", "R"})
        self.assertEqual({f["joined_prefix"][:2] for f in self.files if f["joined_prefix"]}, {"JM", "JB", "JN"})
        self.assertTrue(any(f["name"].endswith(".mp4") for f in card))
        self.assertEqual({f["fps"] for f in self.files}, {30.0, 27.5, 15.0})
        recs = self.manifest["recordings"]
        self.assertTrue(any(r["main"] and not r["rear"] for r in recs))
        self.assertTrue(any(r["rear"] and not r["main"] for r in recs))

    def test_pairs_can_be_found_from_either_name(self):
        # The partner differs by at most 10 s and its trigger letter, if different, is one of A G M P S.
        by_path = {f["path"]: f for f in self.files}
        for rec in self.manifest["recordings"]:
            if not (rec["main"] and rec["rear"]):
                continue
            main, rear = by_path[rec["main"]], by_path[rec["rear"]]
            with self.subTest(rec["main"]):
                self.assertEqual((main["partner"], rear["partner"]), (rear["path"], main["path"]))
                self.assertEqual(main["name"][:-11], rear["name"][:-11])
                gap = abs(datetime.datetime.fromisoformat(main["start"]) - datetime.datetime.fromisoformat(rear["start"]))
                self.assertLessEqual(gap.total_seconds(), 10)
                if main["trigger"] != rear["trigger"]:
                    self.assertIn(rear["trigger"], "AGMPS")

    def test_flat_manifest_tables_agree_with_the_json(self):
        with open(os.path.join(self.folder, "manifest-files.tsv"), encoding="utf-8") as t:
            lines = [line.rstrip("\n").split("\t") for line in t]
        head, body = lines[0], lines[1:]
        self.assertEqual([row[head.index("path")] for row in body], [f["path"] for f in self.files])
        for row, f in zip(body, self.files):
            self.assertEqual(int(row[head.index("box_offset")]), f["data_box"]["offset"])
            self.assertEqual(int(row[head.index("records")]), f["data_box"]["count"])
        with open(os.path.join(self.folder, "manifest-records.tsv"), encoding="utf-8") as t:
            count = sum(1 for _ in t) - 1
        self.assertEqual(count, sum(f["data_box"]["count"] for f in self.files))


if __name__ == "__main__":
    unittest.main()
