#!/usr/bin/env bash
# Set-up, build and every test: ./test.sh [ctest arguments, e.g. -L recorder]
# A test that fails is run once more (Wine's media session can stall under heavy load), and the
# summary names every test that needed that second run, so flakiness is seen rather than hidden.
# CTest's log of the first run is kept as Testing/Temporary/LastTest-first-run.log.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup.sh
. tools/build.sh
quill_build

# The names CTest lists under "The following tests FAILED:" in its output.
failed_in() { sed -n '/^The following tests FAILED:/,$p' "$1" | sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*)$/\1/p'; }

out="$QUILL_BUILD/Testing/Temporary"
mkdir -p "$out"
first_run="$out/test-sh-first-run.txt"
second_run="$out/test-sh-second-run.txt"
status=0
ctest --test-dir "$QUILL_BUILD" --output-on-failure --no-tests=error -j"$(nproc)" "$@" 2>&1 |
  tee "$first_run" || status=$?
if [ "$status" -eq 0 ]; then
  echo "test.sh: every test passed on its first run; none needed a second run."
  exit 0
fi
mapfile -t first_failed < <(failed_in "$first_run")
if [ "${#first_failed[@]}" -eq 0 ]; then
  echo "test.sh: CTest failed without naming a failed test (status $status)." >&2
  exit "$status"
fi
cp "$out/LastTest.log" "$out/LastTest-first-run.log" 2>/dev/null || true
echo "test.sh: running once more what failed: ${first_failed[*]}"
status=0
ctest --test-dir "$QUILL_BUILD" --output-on-failure --rerun-failed -j"$(nproc)" "$@" 2>&1 |
  tee "$second_run" || status=$?
mapfile -t still_failed < <(failed_in "$second_run")
passed_second=()
for t in "${first_failed[@]}"; do
  [[ " ${still_failed[*]} " == *" $t "* ]] || passed_second+=("$t")
done
echo "test.sh summary:"
echo "  needed a second run and passed it (flaky): ${passed_second[*]:-none}"
echo "  failed both runs: ${still_failed[*]:-none}"
[ "$status" -eq 0 ] && [ "${#still_failed[@]}" -eq 0 ]
