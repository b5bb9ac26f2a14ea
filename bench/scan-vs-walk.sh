# How much collecting a source into the recording pair list costs over the least it must do: the scan
# of a card of 10,000 recordings (20,000 tiny files in day folders) as a ratio to a bare walk of the same
# tree in the same run that opens every file and reads its first 260 and last 85 bytes.
# Goal: at most 2.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
exe="$QUILL_BUILD/tests/names/bench_scan_vs_walk.exe"
bench_program scan-vs-walk "$QUILL_BUILD/wine-run.sh" "$exe"
value=$(bench_line_value scan-vs-walk)
value=$(bench_value scan-vs-walk "scan-vs-walk line" "$value")
bench_figure scan-vs-walk "$value"
