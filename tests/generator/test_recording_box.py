"""Building blocks of the generated data box at their edges: angle texts that round into the next degree,
the box frame for 0 and too many records, clamped header texts, and a warning on the last record. (Field offsets and event marks are checked on the generated files in test_recording_set.)"""

import datetime
import unittest

from gen_support import TOOLS  # noqa: F401  (puts tools/ on the module path)
import recording_box as rb  # noqa: E402

START = datetime.datetime(2024, 3, 15, 9, 30, 0)


def drive_for(count, place="tokyo", parked=False, seed=7):
    drive = rb.Drive(seed)
    first = rb.tick_of(START)
    drive.cover(first, first + count, place, parked)
    return drive, first


class AngleTextTest(unittest.TestCase):
    def test_angles_are_written_as_degrees_and_minutes_with_carry(self):
        cases = [
            (35.652056666, 2, "3539.1234"),
            (-33.5, 2, "3330.0000"),
            (139.76260, 3, "13945.7560"),
            (35.999999999, 2, "3600.0000"),   # 59.99999994 minutes round up into the next degree
            (0.0, 3, "00000.0000"),
            (5.25, 2, "0515.0000"),
        ]
        for value, digits, text in cases:
            with self.subTest(value=value):
                self.assertEqual(rb.angle_text(value, digits), text)
                self.assertEqual(len(text), 9 if digits == 2 else 10)


class BoxFrameTest(unittest.TestCase):
    def test_the_box_frame_holds_its_size_marks_and_16_bit_count(self):
        for n in (0, 3):
            box = rb.build_box(b"H" * rb.HEADER_SIZE, [bytes([k]) * 79 for k in range(n)])
            self.assertEqual(len(box), 48 + 79 * n)
            self.assertEqual(int.from_bytes(box[:4], "big"), len(box))
            self.assertEqual(box[4:14], b"gps0CSODAT")
            self.assertEqual(box[40:42], n.to_bytes(2, "big"))
            self.assertEqual(box[-6:], b"CSOEND")

    def test_more_records_than_the_16_bit_count_holds_are_refused(self):
        with self.assertRaises(ValueError):
            rb.build_box(b"H" * rb.HEADER_SIZE, [b"r" * 79] * 65536)

    def test_header_texts_stay_four_characters_at_the_limits(self):
        header, info = rb.build_header({"x": -12345, "y": 12, "z": 10000}, parked=True)
        self.assertEqual(header[6:19], b"-9990012" + b"9999P")
        self.assertEqual(info["values"], [-0.999, 0.012, 9.999])


class RecordTest(unittest.TestCase):
    def test_a_warning_marks_the_lead_byte_of_the_next_record_but_never_past_the_last(self):
        drive, first = drive_for(10)
        marks = {first + 2: {"next": 0xA9, "flag": True}, first + 4: {"next": 0x88, "flag": True}}
        raws, rows = rb.build_records(first, 5, drive.samples, marks, set(), None)
        self.assertEqual([r[0] for r in raws], [0x24, 0x24, 0x24, 0xA9, 0x24])
        self.assertEqual([(r["next_high"], r["next_low"]) for r in rows],
                         [(2, 4), (2, 4), (10, 9), (2, 4), (4, 3)])
        self.assertEqual(raws[2][78], ord("1"))


if __name__ == "__main__":
    unittest.main()
