# How much collecting a source into the recording pair list costs over the least it must do: the scan
# of a card of 10,000 recordings (20,000 tiny files in day folders) as a ratio to a bare walk of the same
# tree in the same run that opens every file and reads its first 260 and last 85 bytes.
# Goal: at most 2.
set -euo pipefail
exe="$QUILL_BUILD/tests/names/bench_scan_vs_walk.exe"
out="$("$QUILL_BUILD/wine-run.sh" "$exe" | tr -d '\r')"
printf '%s\n' "$out" | grep -v '^scan-vs-walk:' || true
line="$(printf '%s\n' "$out" | grep '^scan-vs-walk:' | tail -n1)"
[ -n "$line" ] || { echo "scan-vs-walk: the benchmark program gave no result" >&2; exit 1; }
echo "$line"
