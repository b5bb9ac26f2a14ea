# Playback through the main window: three byte-identical pairs (1920x1920 fisheye main, 1280x720
# rear, 6 s), two in one day folder and one in the next (bench/playback_bench.cpp). Figures:
# playback-dropped-x1, the fraction of the main recording's frames never shown while the second pair
# played at x1 (goal: 0.01 or less), and last playback-next-vs-cold: the open work of the second pair
# at the end of the first (its drive data read ahead) against that of the next day folder's pair at
# the end of the second (warm, nothing read ahead), the closing of the pair before and the fixed waits
# (timers, first tick) printed apart (goal: 0.5 or less).
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
out="$QUILL_BUILD/bench-playback-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --out "$out" --count 1 --duration 6 \
  --main-size 1920x1920 --rear-size 1280x720 >/dev/null
day=$(ls -d "$out"/card/*/ | head -n1)
main_frames=$(awk -F'\t' 'NR > 1 && $2 == "M" { print $9; exit }' "$out/manifest-files.tsv")
work="$QUILL_BUILD/bench-playback"
rm -rf "$work"
mkdir -p "$work/card/20240315_001" "$work/card/20240316_001"
for cam in M R; do
  for f in "$day"*_"$cam".MP4; do
    cp "$f" "$work/card/20240315_001/001_100000A_$cam.MP4"
    cp "$f" "$work/card/20240315_001/002_100010A_$cam.MP4"
    cp "$f" "$work/card/20240316_001/003_100020A_$cam.MP4"
  done
done
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
printf '[DISPLAY]\r\nMODELSELECT=1\r\n' > "$work/Default_Folder.ini"
bench_program playback-next-vs-cold "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/app/playback_bench.exe" \
  "$(winpath "$QUILL_BUILD/QuillmereX.exe")" "$(winpath "$work")" "$(winpath "$work/card")" "$main_frames"
dropped=$(bench_value playback-dropped-x1 "dropped fraction" "$(printf '%s\n' "$bench_out" | awk '/^dropped/ { print $2 }')")
bench_figure playback-dropped-x1 "$dropped"
ratio=$(bench_value playback-next-vs-cold "ratio" "$(printf '%s\n' "$bench_out" | awk '/^ratio/ { print $2 }')")
bench_figure playback-next-vs-cold "$ratio"
