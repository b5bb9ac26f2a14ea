# How long the real main window stops answering while a card of 10,000 recordings in one day folder
# is opened, its day folder clicked and a filter pressed: a thread sends the window a message every
# 10 ms and times each answer. Printed beside the time the same folder takes to list (its scan).
# Figure: the longest stretch in ms. Goal: at most 100.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
card="$QUILL_BUILD/large-card"
python3 "$QUILL_ROOT/bench/make_large_card.py" "$card"
exe="$QUILL_BUILD/tests/app/bench_card_stall.exe"
export QUILL_LARGE_CARD="$card"
bench_show="longest|lists" bench_program card-stall "$QUILL_BUILD/wine-run.sh" "$exe"
value=$(bench_line_value card-stall)
value=$(bench_value card-stall "card-stall line" "$value")
bench_figure card-stall "$value"
