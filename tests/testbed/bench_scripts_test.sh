#!/usr/bin/env bash
# The benchmark scripts fail loudly: a benchmark whose program fails, or gives no figure, ends with a
# non-zero status and says why on stderr, and never prints a figure line; one whose program gives its
# figure ends with that figure as its last line. The scripts run against a stand-in for the Wine
# runner (FAKE_MODE says what the "program" does), so no Windows program runs here.
# usage: bench_scripts_test.sh <source folder>
set -u
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build"
cat > "$work/build/wine-run.sh" <<'EOF'
#!/usr/bin/env bash
case "$FAKE_MODE" in
  fail) printf 'started\r\n'; exit 3 ;;
  silent) printf 'nothing measured\r\n' ;;
  garbage) printf 'ratio n/a\r\n%s: n/a\r\n' "$FAKE_FIGURE" ;;
  ok) printf 'measured\r\nratio 1.25\r\n%s: 1.25\r\n' "$FAKE_FIGURE" ;;
esac
EOF
chmod +x "$work/build/wine-run.sh"
export QUILL_ROOT="$root" QUILL_BUILD="$work/build"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# script | figure it prints
scripts="app-start app-start
recorder-load recorder-load
scan-vs-walk scan-vs-walk
scene-sphere-vs-quad scene-sphere-vs-quad"

while read -r script figure; do
  for mode in fail silent garbage ok; do
    status=0
    FAKE_MODE=$mode FAKE_FIGURE=$figure bash "$root/bench/$script.sh" >"$work/out" 2>"$work/err" || status=$?
    last=$(tail -n1 "$work/out")
    if [ "$mode" = ok ]; then
      [ "$status" -eq 0 ] || fail "$script/$mode: status $status ($(cat "$work/err"))"
      [ "$last" = "$figure: 1.25" ] || fail "$script/$mode: last line '$last'"
      [ "$(grep -c "^$figure:" "$work/out")" -eq 1 ] || fail "$script/$mode: the figure line is not printed once"
      continue
    fi
    [ "$status" -ne 0 ] || fail "$script/$mode: status 0"
    grep -q "^$figure: no figure: " "$work/err" || fail "$script/$mode: no reason on stderr: $(cat "$work/err")"
    ! grep -q "^$figure:" "$work/out" || fail "$script/$mode: a figure line on stdout: $(cat "$work/out")"
    if [ "$mode" = fail ]; then
      grep -q "ended with status 3" "$work/err" || fail "$script/$mode: the program's status is not named"
      grep -q "\.exe ended" "$work/err" || fail "$script/$mode: the program is not named"
      grep -q "^started$" "$work/err" || fail "$script/$mode: the failed program's output is not shown"
    fi
  done
done <<<"$scripts"

# The helpers themselves: what counts as a figure, and a failing step that no helper checks.
. "$root/bench/lib.sh"
trap 'rm -rf "$work"' EXIT
for good in 0 1.25 -0.5 12; do bench_is_number "$good" || fail "'$good' is not taken as a number"; done
for bad in "" none .85 1.2.3 "1 2" nan; do ! bench_is_number "$bad" || fail "'$bad' is taken as a number"; done
status=0
(set -e; x=$(bench_value demo "ratio" "")) 2>"$work/err" || status=$?
[ "$status" -ne 0 ] && grep -q "^demo: no figure: no ratio" "$work/err" || fail "bench_value accepts a missing value"
printf 'set -euo pipefail\n. "%s/bench/lib.sh"\nfalse\necho demo: 1\n' "$root" > "$work/step.sh"
status=0
bash "$work/step.sh" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -ne 0 ] && grep -q "no figure: the step 'false' failed with status 1" "$work/err" ||
  fail "a failing step is not named: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "a script went on after a failing step"

[ "$failures" -eq 0 ] || exit 1
echo "benchmark scripts: every failure said, every figure checked"
