# How long the browser pane takes to open a card of 10,000 recordings in one day folder (scan, probe and
# fill the list), as a ratio to the bare folder scan of the same card in the same run; the refill,
# scroll and sort times are printed beside it. Goal: at most 3.
set -euo pipefail
card="$QUILL_BUILD/large-card"
python3 "$QUILL_ROOT/bench/make_large_card.py" "$card"
exe="$QUILL_BUILD/tests/browser/bench_browser_large.exe"
out="$(QUILL_LARGE_CARD="$card" "$QUILL_BUILD/wine-run.sh" "$exe" | tr -d '\r')"
printf '%s\n' "$out" | grep '^10,000 recordings' || true
line="$(printf '%s\n' "$out" | grep '^large-card:' | tail -n1)"
[ -n "$line" ] || { echo "large-card: the program gave no result" >&2; exit 1; }
echo "$line"
