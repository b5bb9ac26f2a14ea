# Frames per second of each 360-degree scene view (divided screen, rectangle screen, sphere, planes)
# at 1920x1080 from a 1920x1920 fisheye frame, as a ratio to drawing the same frame on one plain quad
# in the same run (the test bed's software renderer). Goal: every view at least 0.5 of the quad.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
bench_program scene-sphere-vs-quad "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/scene/scene_bench.exe"
value=$(bench_line_value scene-sphere-vs-quad)
value=$(bench_value scene-sphere-vs-quad "scene-sphere-vs-quad line" "$value")
bench_figure scene-sphere-vs-quad "$value"
