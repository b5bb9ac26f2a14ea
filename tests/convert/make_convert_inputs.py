#!/usr/bin/env python3
"""Makes the converter tests' inputs from a generated recording (which has "mdat" before "moov"):

  moov-last.mp4             the recording as it is (video, audio and the recorder's data box)
  moov-last-video-only.mp4  its first 10 frames of video alone, remuxed by ffmpeg (which writes "moov"
                            last)
  moov-first.mp4            the same streams remuxed with "moov" first

Usage: make_convert_inputs.py RECORDINGS_DIR OUT_DIR
"""
import os
import shutil
import subprocess
import sys

SOURCE = os.path.join("card", "20240315_001", "001_093000A_M.MP4")


def main(argv):
    recordings, out = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    src = os.path.join(recordings, SOURCE)
    shutil.copyfile(src, os.path.join(out, "moov-last.mp4"))
    base = ["ffmpeg", "-v", "error", "-y", "-i", src, "-map_metadata", "-1"]
    subprocess.run(base + ["-map", "0:v", "-frames:v", "10", "-c", "copy", os.path.join(out, "moov-last-video-only.mp4")],
                   check=True)
    subprocess.run(base + ["-map", "0:v", "-map", "0:a", "-c", "copy", "-movflags", "+faststart",
                           os.path.join(out, "moov-first.mp4")], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
