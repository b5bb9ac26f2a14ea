# Presentation through the custom presenter of a 1920x1920 fisheye recording at x1, x2 and x4: the
# lateness of presented frames (mean and worst, ms) and the fraction of frames dropped, beside ffmpeg
# decoding the same file to null in the same run (the decode limit of this machine). The last line is
# the fraction of frames dropped at x1.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
out="$QUILL_BUILD/bench-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --out "$out" --count 1 --duration 10 \
  --main-size 1920x1920 --no-rear >/dev/null
row=$(awk -F'\t' 'NR > 1 && $2 == "M" { print; exit }' "$out/manifest-files.tsv")
rel=$(printf '%s' "$row" | cut -f1)
frames=$(printf '%s' "$row" | cut -f9)
file="$out/$rel"
winpath="Z:$(printf '%s' "$file" | tr '/' '\\')"

t0=$(date +%s%N)
ffmpeg -v error -threads 1 -i "$file" -f null - </dev/null
t1=$(date +%s%N)
decode_ms=$(( (t1 - t0) / 1000000 ))
echo "ffmpeg decode to null (1 thread): $frames frames in ${decode_ms} ms" \
     "($(( frames * 1000 / (decode_ms > 0 ? decode_ms : 1) )) fps; x1 needs 30 fps)"

bench_program presenter-dropped-x1 "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/presenter/presenter_bench.exe" \
  "$winpath" "$frames"
dropped=$(printf '%s\n' "$bench_out" | awk '/^x1:/ { for (i = 1; i <= NF; i++) if ($i == "dropped") { v = $(i + 1); sub(",", "", v); print v } }')
dropped=$(bench_value presenter-dropped-x1 "x1 dropped fraction" "$dropped")
bench_figure presenter-dropped-x1 "$dropped"
