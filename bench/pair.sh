# Two cameras of one recording played together through the two player instances: the time from
# opening the pair to the first presented frame of both, and the fraction of frames dropped by a
# 1920x1920 fisheye main and a 1920x1080 rear at x1, x2 and x4, beside ffmpeg decoding the same two
# files to null in the same run (the decode limit of this machine). Per rate and camera it also prints
# how often a frame was presented against its clock and how far the last one was behind its time (a
# picture slower than its clock shows late frames instead of dropping them). The last line is the
# fraction of main-camera frames dropped at x1.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
out="$QUILL_BUILD/bench-pair-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --out "$out" --count 1 --duration 10 \
  --main-size 1920x1920 --rear-size 1920x1080 >/dev/null
main_row=$(awk -F'\t' 'NR > 1 && $2 == "M" { print; exit }' "$out/manifest-files.tsv")
main_rel=$(printf '%s' "$main_row" | cut -f1)
main_frames=$(printf '%s' "$main_row" | cut -f9)
rear_rel=$(printf '%s' "$main_rel" | sed 's/_M\./_R./')
rear_frames=$(awk -F'\t' -v p="$rear_rel" 'NR > 1 && $1 == p { print $9; exit }' "$out/manifest-files.tsv")
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

t0=$(date +%s%N)
ffmpeg -v error -threads 1 -i "$out/$main_rel" -f null - </dev/null
ffmpeg -v error -threads 1 -i "$out/$rear_rel" -f null - </dev/null
t1=$(date +%s%N)
decode_ms=$(( (t1 - t0) / 1000000 ))
frames=$(( main_frames + rear_frames ))
echo "ffmpeg decode to null (1 thread, both files): $frames frames in ${decode_ms} ms" \
     "($(( frames * 1000 / (decode_ms > 0 ? decode_ms : 1) )) fps; the pair at x1 needs 60 fps)"

bench_program pair-dropped-x1 "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/player/pair_bench.exe" \
  "$(winpath "$out/$main_rel")" "$(winpath "$out/$rear_rel")" "$main_frames" "$rear_frames"
dropped=$(printf '%s\n' "$bench_out" | awk '/^x1:/ { for (i = 1; i <= NF; i++) if ($i == "dropped") { v = $(i + 1); sub(",", "", v); print v; exit } }')
dropped=$(bench_value pair-dropped-x1 "x1 dropped fraction" "$dropped")
bench_figure pair-dropped-x1 "$dropped"
