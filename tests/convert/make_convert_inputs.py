#!/usr/bin/env python3
"""Makes the converter tests' inputs from a generated recording (which has "mdat" before "moov"):
moov-last.mp4 (the recording as it is, with the recorder's data box), moov-last-video-only.mp4 (its first
10 frames of video, remuxed by ffmpeg, which writes "moov" last), moov-first.mp4 (the same streams with
"moov" first), short.mp4 (its first half second of video and audio, the whole conversions' source) and
short-audio-first.mp4 (the same half second with the sound as the first stream, as the recorder orders
its streams).
It also empties the tests' output folder, so that a file left by an earlier run cannot hide or fake one.

Usage: make_convert_inputs.py RECORDINGS_DIR INPUTS_DIR TESTS_OUT_DIR
"""
import os
import shutil
import subprocess
import sys

SOURCE = os.path.join("card", "20240315_001", "001_093000A_M.MP4")


def main(argv):
    recordings, out, tests_out = argv[1:4]
    shutil.rmtree(tests_out, ignore_errors=True)
    os.makedirs(out, exist_ok=True)
    src = os.path.join(recordings, SOURCE)
    shutil.copyfile(src, os.path.join(out, "moov-last.mp4"))
    base = ["ffmpeg", "-v", "error", "-y", "-i", src, "-map_metadata", "-1"]
    for extra, name in ((["-map", "0:v", "-frames:v", "10"], "moov-last-video-only"),
                        (["-map", "0:v", "-map", "0:a", "-movflags", "+faststart"], "moov-first"),
                        (["-map", "0:v", "-map", "0:a", "-t", "0.5"], "short"),
                        (["-map", "0:a", "-map", "0:v", "-t", "0.5"], "short-audio-first")):
        subprocess.run(base + extra + ["-c", "copy", os.path.join(out, name + ".mp4")], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
