"""The frame-number code: drawn pictures decode to what was drawn, damaged ones are refused, and every
frame of generated recordings reads back as its own index, also scaled, letterboxed, in limited-range
colours and from PNG/PPM files."""

import os
import subprocess
import sys
import tempfile
import unittest

from gen_support import SCRIPT, frames_rgb, generated_test_set  # puts tools/ on the module path
import frame_code  # noqa: E402

GREY, BLACK, WHITE = 128, 0, 255


def documented_geometry(w, h):
    cell = max(8, (min(w, h) // 40) // 4 * 4)
    return cell, (w - 29 * cell) // 4 * 2, (h - cell) // 4 * 2


def draw_code(w, h, frame, clip, flip_cell=None):
    """RGB picture (grey background) with the documented code row of (frame, clip)."""
    data = [(frame >> (15 - i)) & 1 for i in range(16)] + [(clip >> (7 - i)) & 1 for i in range(8)]
    cells = [1, 0] + data + [sum(data) % 2, 0, 1]
    if flip_cell is not None:
        cells[flip_cell] ^= 1
    cell, x0, y0 = documented_geometry(w, h)
    img = bytearray([GREY]) * (w * h * 3)
    for i, bit in enumerate(cells):
        row = bytes([WHITE if bit else BLACK]) * (cell * 3)
        for y in range(y0, y0 + cell):
            start = (y * w + x0 + i * cell) * 3
            img[start:start + cell * 3] = row
    return bytes(img)


class FrameCodePictureTest(unittest.TestCase):
    def test_frames_that_are_too_small_for_the_row_are_refused(self):
        for w, h in [(200, 200), (236, 64), (320, 8)]:
            with self.assertRaises(ValueError):
                frame_code.geometry(w, h)

    def test_drawn_codes_decode_to_their_frame_and_clip(self):
        cases = [(0, 0), (1, 0), (2, 1), (37, 5), (1800, 19), (32767, 128), (65535, 255)]
        for w, h in [(320, 180), (1280, 720)]:
            for frame, clip in cases:
                with self.subTest(size=(w, h), frame=frame, clip=clip):
                    self.assertEqual(frame_code.decode(draw_code(w, h, frame, clip), w, h), (frame, clip))

    def test_damaged_rows_are_refused(self):
        w, h = 320, 320
        for flipped in [0, 1, 5, 26, 27, 28]:
            with self.subTest(cell=flipped):
                self.assertIsNone(frame_code.decode(draw_code(w, h, 1234, 7, flip_cell=flipped), w, h))
        self.assertIsNone(frame_code.decode(bytes([GREY]) * (w * h * 3), w, h))
        self.assertIsNone(frame_code.decode(bytes(w * h * 3), w, h))

    def test_limited_range_grey_and_rgba_pixels_decode(self):
        # Pictures shown without range expansion come out with black at 16 and white at 235.
        w, h = 480, 480
        img = bytes(16 + v * 219 // 255 for v in draw_code(w, h, 4321, 9))
        self.assertEqual(frame_code.decode(img, w, h), (4321, 9))
        w, h = 320, 320
        rgb = draw_code(w, h, 99, 2)
        self.assertEqual(frame_code.decode(rgb[0::3], w, h, channels=1), (99, 2))
        rgba = bytearray(w * h * 4)
        for c in range(3):
            rgba[c::4] = rgb[c::3]
        self.assertEqual(frame_code.decode(bytes(rgba), w, h, channels=4), (99, 2))


class FrameCodeInRecordingsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder, manifest = generated_test_set()
        cls.by_name = {f["name"]: f for f in manifest["files"]}

    def path(self, f):
        return os.path.join(self.folder, f["path"])

    def test_every_frame_reads_back_as_its_index_and_differs_from_the_one_before(self):
        for name in ["001_093000A_M.MP4", "001_093000A_R.MP4", "004_093200M_M.MP4", "005_093300P_M.MP4"]:
            f = self.by_name[name]
            with self.subTest(name):
                frames = frames_rgb(self.path(f), f["width"], f["height"])
                self.assertEqual(len(frames), f["frames"])
                for index, pixels in enumerate(frames):
                    self.assertEqual(frame_code.decode(pixels, f["width"], f["height"]), (index, f["clip_id"]))
                    if index:
                        self.assertNotEqual(pixels, frames[index - 1])

    def test_a_scaled_and_letterboxed_frame_decodes_with_its_place_given(self):
        f = self.by_name["003_093112G_R.MP4"]
        # 320x180 shown at 2x inside a 800x600 picture, 80 pixels from the left and 120 from the top.
        frames = frames_rgb(self.path(f), 800, 600, "scale=640:360,pad=800:600:80:120")
        for index in (0, 17, len(frames) - 1):
            got = frame_code.decode(frames[index], 800, 600, frame_size=(320, 180), frame_rect=(80, 120, 640, 360))
            self.assertEqual(got, (index, f["clip_id"]))

    def test_png_and_ppm_files_written_by_ffmpeg_decode(self):
        f = self.by_name["002_093002A_M.mp4"]
        with tempfile.TemporaryDirectory() as tmp:
            outputs = [("pred-%s.png" % p, ["-pred", p]) for p in ("none", "sub", "up", "avg", "paeth", "mixed")]
            outputs += [("frame.ppm", []), ("grey.png", ["-pix_fmt", "gray"]), ("rgba.png", ["-pix_fmt", "rgba"])]
            for name, options in outputs:
                target = os.path.join(tmp, name)
                subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", self.path(f), "-vf", "select=eq(n\\,7)",
                                "-frames:v", "1"] + options + [target], check=True)
                with self.subTest(name):
                    self.assertEqual(frame_code.decode_file(target), (7, f["clip_id"]))
            cli = subprocess.run([sys.executable, SCRIPT, "--decode", os.path.join(tmp, "frame.ppm")],
                                 stdout=subprocess.PIPE, check=True)
            self.assertEqual(cli.stdout.decode().strip(), "frame 7 clip %d" % f["clip_id"])


if __name__ == "__main__":
    unittest.main()
