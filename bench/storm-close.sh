# The close of the program after a storm of commands on a playing card: the card test's run
# (tests/app/commands_process_test.cpp) with a fixed seed, 2,000 random commands handled to the end,
# then the close; against the same run with no command. Prints both times and, last, the close after
# the storm in milliseconds (goal: under 2,000).
set -euo pipefail
out="$QUILL_BUILD/bench-storm-recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --count 3 --duration 3 --main-size 256x256 \
  --rear-size 256x144 --quiet --out "$out"
seed="${QUILL_COMMAND_SEED:-20261207}"
close_ms() {  # count of commands -> the close time the run printed
  QUILL_BUILD_DIR="$QUILL_BUILD" QUILL_SOURCE_DIR="$QUILL_ROOT" QUILL_PLAYBACK_RECORDINGS="$out" \
  QUILL_COMMAND_SEED="$seed" QUILL_COMMAND_COUNT="$1" \
    "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/app/test_commands_process.exe" \
    --gtest_filter='CommandsOnACard.*SizeStepsAndTwoThousandRandomCommands' \
    </dev/null 2>&1 |
    tr -d '\r' | tee "$QUILL_BUILD/bench-storm-$1.log" | awk '/^close took/ { print $3 }'
}
quiet=$(close_ms 0)
storm=$(close_ms 2000)
echo "seed $seed"
echo "close without commands: ${quiet:-none} ms"
echo "close after 2000 commands: ${storm:-none} ms"
grep -h "threads .* before" "$QUILL_BUILD/bench-storm-2000.log" || true
echo "storm-close: ${storm:-none}"
