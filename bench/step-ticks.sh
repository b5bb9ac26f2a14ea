# Step mode: the spacing of its ticks (one a second) over the last positions of a recording, beside a
# thread of the same process waiting one second at a time (the machine's own scheduling). The last
# line is the worst distance of a tick's spacing from one second, in ms.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
out="$QUILL_BUILD/bench-step-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --out "$out" --count 1 --duration 4 --main-size 320x320 \
  --no-rear >/dev/null 2>&1
row=$(awk -F'\t' 'NR > 1 && $2 == "M" { print; exit }' "$out/manifest-files.tsv")
rel=$(printf '%s' "$row" | cut -f1)
frames=$(printf '%s' "$row" | cut -f9)
winpath="Z:$(printf '%s' "$out/$rel" | tr '/' '\\')"
bench_program step-tick-spacing "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/player/step_bench.exe" \
  "$winpath" "$frames"
bench_figure step-tick-spacing "$(bench_value step-tick-spacing "worst spacing" "$(bench_line_value step-tick-spacing)")"
