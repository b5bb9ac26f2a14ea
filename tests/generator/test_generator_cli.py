"""The generator as a command: the same options give the same bytes, a second run leaves the files alone,
an interrupted run is redone, and bad options or foreign folders are refused."""

import hashlib
import json
import os
import shutil
import unittest

from gen_support import generated_test_set, make_temp_dir, run_generator

SMALL = ["--count", "2", "--duration", "2", "--fps", "15", "--main-size", "256x256", "--rear-size", "256x144",
         "--joined", "1", "--qp", "30", "--quiet"]


def tree_hashes(folder):
    """{relative path: sha256} of the recordings and the manifest (not the stamp, which holds no bytes of them)."""
    out = {}
    for base, _, names in os.walk(folder):
        for name in names:
            full = os.path.join(base, name)
            rel = os.path.relpath(full, folder)
            if not rel.startswith(".make_recordings"):
                with open(full, "rb") as f:
                    out[rel] = hashlib.sha256(f.read()).hexdigest()
    return out


class GeneratorCommandTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = make_temp_dir("cli")
        cls.small = os.path.join(cls.tmp, "small")
        run_generator("--out", cls.small, *SMALL)
        with open(os.path.join(cls.small, "manifest.json"), encoding="utf-8") as m:
            cls.manifest = json.load(m)

    def test_the_test_preset_gives_the_same_bytes_every_time(self):
        folder, _ = generated_test_set()
        again = os.path.join(self.tmp, "again")
        run_generator("--preset", "test", "--out", again, "--quiet", "--jobs", "3")
        first, second = tree_hashes(folder), tree_hashes(again)
        self.assertGreater(len(first), 20)
        self.assertEqual(first, second)

    def test_a_second_run_with_the_same_options_leaves_the_files_alone(self):
        before = {p: os.stat(os.path.join(self.small, p)).st_mtime_ns for p in tree_hashes(self.small)}
        _, err, _ = run_generator("--out", self.small, *SMALL[:-1])
        self.assertIn("up to date", err)
        after = {p: os.stat(os.path.join(self.small, p)).st_mtime_ns for p in before}
        self.assertEqual(before, after)

    def test_bad_options_are_refused_and_nothing_is_written(self):
        cases = [
            ["--main-size", "321x320"], ["--main-size", "128x128"], ["--rear-size", "wide"],
            ["--fps", "0"], ["--fps", "fast"], ["--duration", "0"], ["--duration", "0.01"],
            ["--records", "70000"], ["--count", "0"], ["--qp", "0"], ["--encoder-preset", "lightning"],
            ["--start", "2024-13-01T00:00:00"], ["--preset", "test", "--count", "3"],
        ]
        for args in cases:
            with self.subTest(args=args):
                folder = os.path.join(self.tmp, "refused")
                code, err, _ = run_generator("--out", folder, *args, check=False)
                self.assertEqual(code, 2, err)
                self.assertTrue(err.startswith("make_recordings: "), err)
                self.assertFalse(os.path.exists(folder))

    def test_a_folder_written_by_someone_else_is_left_alone(self):
        folder = os.path.join(self.tmp, "foreign")
        os.makedirs(os.path.join(folder, "card"))
        keep = os.path.join(folder, "card", "mine.txt")
        with open(keep, "w") as k:
            k.write("not a recording")
        code, err, _ = run_generator("--out", folder, *SMALL, check=False)
        self.assertEqual(code, 2)
        self.assertIn("--force", err)
        self.assertTrue(os.path.isfile(keep))

    def test_a_run_broken_off_or_a_deleted_recording_is_redone_on_the_next_call(self):
        damaged = os.path.join(self.tmp, "damaged")
        shutil.copytree(self.small, damaged)
        os.remove(os.path.join(damaged, self.manifest["files"][0]["path"]))
        run_generator("--out", damaged, *SMALL)
        self.assertEqual(tree_hashes(damaged), tree_hashes(self.small))
        folder = os.path.join(self.tmp, "broken")
        os.makedirs(os.path.join(folder, "card", "20240315_001"))
        with open(os.path.join(folder, "card", "20240315_001", "001_093000A_M.MP4.part"), "wb") as p:
            p.write(b"half")
        with open(os.path.join(folder, ".make_recordings.stamp"), "w") as s:
            json.dump({"key": None}, s)
        run_generator("--out", folder, *SMALL)
        self.assertEqual(tree_hashes(folder), tree_hashes(self.small))


if __name__ == "__main__":
    unittest.main()
