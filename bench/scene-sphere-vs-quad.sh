# Frames per second of each 360-degree scene view (divided screen, rectangle screen, sphere, planes)
# at 1920x1080 from a 1920x1920 fisheye frame, as a ratio to drawing the same frame on one plain quad
# in the same run (the test bed's software renderer). Goal: every view at least 0.5 of the quad.
set -euo pipefail
"$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/scene/scene_bench.exe"
