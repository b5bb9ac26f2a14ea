# The program's start: the time from starting QuillmereX.exe until its main window is visible (a
# second start, so no model question; no card), beside the same for a minimal Win32 dialog program
# started the same way in the same run. The last line is the ratio of the two medians (goal: 2 or less).
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
work="$QUILL_BUILD/bench-app-start"
rm -rf "$work"
mkdir -p "$work"
printf '[DISPLAY]\r\nMODELSELECT=1\r\n' > "$work/Default_Folder.ini"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
bench_program app-start "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/app/start_bench.exe" \
  "$(winpath "$QUILL_BUILD/QuillmereX.exe")" "$(winpath "$QUILL_BUILD/tests/app/min_dialog.exe")" \
  "$(winpath "$work")" 7
ratio=$(bench_value app-start "ratio" "$(printf '%s\n' "$bench_out" | awk '/^ratio/ { print $2 }')")
bench_figure app-start "$ratio"
