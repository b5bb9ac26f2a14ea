# How the cost of reading a recording grows with its movie data: the time to probe it and read its
# drive data and time scale (what opening a movie reads) for a recording whose "mdat" is 4 GB (a sparse
# file), as a ratio to the same recording with a 4 MB "mdat", both measured in one run of the program.
# Goal: at most 1.5 (nothing of the movie data is read).
set -euo pipefail
exe="$QUILL_BUILD/tests/recorder/bench_recorder_load.exe"
out="$("$QUILL_BUILD/wine-run.sh" "$exe" | tr -d '\r')"
printf '%s\n' "$out" | grep -v '^recorder-load:' || true
line="$(printf '%s\n' "$out" | grep '^recorder-load:' | tail -n1)"
[ -n "$line" ] || { echo "recorder-load: the benchmark program gave no result" >&2; exit 1; }
echo "$line"
