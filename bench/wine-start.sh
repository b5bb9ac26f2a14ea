# How much a Windows test program's start under the build's persistent wineserver costs, as a ratio to
# starting a native program that does the same nothing. Shows whether the test bed's set-up works: a
# wineserver that is not reused costs ~5x more.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
runs=20
exe="$QUILL_BUILD/tests/bytes/test_bytes.exe"
t0=$(date +%s%N)
for _ in $(seq $runs); do "$QUILL_BUILD/wine-run.sh" "$exe" --gtest_list_tests >/dev/null; done
t1=$(date +%s%N)
for _ in $(seq $runs); do /bin/sh -c 'true' >/dev/null; done
t2=$(date +%s%N)
wine_ms=$(( (t1 - t0) / runs / 1000000 ))
native_us=$(( (t2 - t1) / runs / 1000 ))
[ "$native_us" -gt 0 ] || native_us=1
echo "wine program start: ${wine_ms} ms; native program start: ${native_us} us ($runs runs each)"
bench_figure wine-start "$(( wine_ms * 1000 / native_us ))"
