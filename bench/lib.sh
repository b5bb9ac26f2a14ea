# Sourced by the benchmark scripts: runs a benchmark's program and checks its figures, so that a
# benchmark that cannot give its figure says why on stderr and ends with a non-zero status instead of
# printing nothing, an empty figure or a made-up one.

# The status of a script that has said why it gives no figure.
readonly bench_said_why=77

# bench_fail NAME REASON...: says why NAME gives no figure and ends the script.
bench_fail() {
  local name=$1
  shift
  echo "$name: no figure: $*" >&2
  exit "$bench_said_why"
}

# Any other failing step of a script (set -e ends it there) is named too.
bench_step_failed() {
  [ "$2" -eq "$bench_said_why" ] ||
    echo "$(basename "$0" .sh): no figure: the step '$1' failed with status $2" >&2
}
trap 'bench_step_failed "$BASH_COMMAND" "$?"' ERR

# bench_program NAME COMMAND...: runs COMMAND with no input and keeps its output (carriage returns
# dropped) in bench_out. It prints that output but for the program's own "NAME:" line, which
# bench_figure prints once checked (with bench_show set, only the lines matching that extended
# regular expression). When COMMAND fails, its whole output goes to stderr and the script ends,
# naming the program and its exit status.
bench_program() {
  local name=$1
  shift
  local status=0
  bench_out=$("$@" </dev/null | tr -d '\r') || status=$?
  if [ "$status" -ne 0 ]; then
    [ -z "$bench_out" ] || printf '%s\n' "$bench_out" >&2
    local program=$1 arg
    for arg in "$@"; do
      case "$arg" in *.exe) program=$arg; break ;; esac
    done
    bench_fail "$name" "$(basename "$program") ended with status $status"
  fi
  printf '%s\n' "$bench_out" | grep -av "^$name:" | grep -aE "${bench_show:-.}" || true
}

# bench_line_value NAME: the number after "NAME:" in the program's last such line (empty if none).
bench_line_value() {
  printf '%s\n' "$bench_out" | grep -a "^$1:" | tail -n1 | awk '{ print $2 }' || true
}

# bench_is_number TEXT: whether TEXT is a plain decimal number (what a figure must be).
bench_is_number() {
  [[ "$1" =~ ^-?[0-9]+(\.[0-9]+)?$ ]]
}

# bench_value NAME WHAT VALUE: VALUE when it is a number; otherwise the script ends saying that WHAT
# is missing.
bench_value() {
  bench_is_number "$3" || bench_fail "$1" "no $2 in the program's output${3:+ (got '$3')}"
  printf '%s' "$3"
}

# bench_figure NAME VALUE: prints the benchmark's last line "NAME: VALUE"; VALUE must be a number.
bench_figure() {
  bench_is_number "$2" || bench_fail "$1" "the figure is not a number${2:+ (got '$2')}"
  echo "$1: $2"
}
