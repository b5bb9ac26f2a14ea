# How long the browser pane takes to open a card of 10,000 recordings in one day folder (scan, probe and
# fill the list), as a ratio to the bare folder scan of the same card in the same run; the refill,
# scroll and sort times are printed beside it. Goal: at most 3.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
card="$QUILL_BUILD/large-card"
python3 "$QUILL_ROOT/bench/make_large_card.py" "$card"
exe="$QUILL_BUILD/tests/browser/bench_browser_large.exe"
export QUILL_LARGE_CARD="$card"
bench_show="^10,000 recordings" bench_program large-card "$QUILL_BUILD/wine-run.sh" "$exe"
value=$(bench_line_value large-card)
value=$(bench_value large-card "large-card line" "$value")
bench_figure large-card "$value"
