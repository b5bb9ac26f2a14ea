# How the cost of reading a recording grows with its movie data: the time to probe it and read its
# drive data and time scale (what opening a movie reads) for a recording whose "mdat" is 4 GB (a sparse
# file), as a ratio to the same recording with a 4 MB "mdat", both measured in one run of the program.
# Goal: at most 1.5 (nothing of the movie data is read).
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
exe="$QUILL_BUILD/tests/recorder/bench_recorder_load.exe"
bench_program recorder-load "$QUILL_BUILD/wine-run.sh" "$exe"
value=$(bench_line_value recorder-load)
value=$(bench_value recorder-load "recorder-load line" "$value")
bench_figure recorder-load "$value"
