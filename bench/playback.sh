# Playback through the main window: two byte-identical pairs (1920x1920 fisheye main, 1280x720 rear,
# 6 s) in one folder; the time from the start of the cold open of the first pair to its first position
# shown, against the same for the second pair, which opens at the end of the first with its drive
# data read ahead. The last line is the ratio next / cold (goal: 0.5 or less).
# Dropped frames are not measured here: the main window does not publish the presenter's counts
# (bench/pair.sh measures them for the two instances).
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
out="$QUILL_BUILD/bench-playback-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --out "$out" --count 1 --duration 6 \
  --main-size 1920x1920 --rear-size 1280x720 >/dev/null
day=$(ls -d "$out"/card/*/ | head -n1)
work="$QUILL_BUILD/bench-playback"
rm -rf "$work"
mkdir -p "$work/card"
for f in "$day"*_M.MP4; do cp "$f" "$work/card/001_100000A_M.MP4"; cp "$f" "$work/card/002_100010A_M.MP4"; done
for f in "$day"*_R.MP4; do cp "$f" "$work/card/001_100000A_R.MP4"; cp "$f" "$work/card/002_100010A_R.MP4"; done
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
printf '[DISPLAY]\r\nMODELSELECT=1\r\n[SOURCE]\r\nFOLDER=%s\r\n' "$(winpath "$work/card")" > "$work/Default_Folder.ini"
bench_program playback-next-vs-cold "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/app/playback_bench.exe" \
  "$(winpath "$QUILL_BUILD/QuillmereX.exe")" "$(winpath "$work")"
ratio=$(bench_value playback-next-vs-cold "ratio" "$(printf '%s\n' "$bench_out" | awk '/^ratio/ { print $2 }')")
bench_figure playback-next-vs-cold "$ratio"
