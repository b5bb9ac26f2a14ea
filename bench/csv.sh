# How much the CSV export of a card of 10,000 recordings costs over collecting the same card into the
# recording pair list (the folder scan), in the same run. Every file is a generated recording with its
# media cut short, so the export reads real track, sample and data boxes. Goal: at most 3.
set -euo pipefail
recordings="$QUILL_BUILD/recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --preset test --out "$recordings" --quiet
template="$QUILL_BUILD/csv-bench-template"
python3 "$QUILL_ROOT/bench/csv_template.py" "$recordings" "$template"
exe="$QUILL_BUILD/tests/tools/bench_csv_vs_scan.exe"
out="$(QUILL_CSV_TEMPLATE="$template" "$QUILL_BUILD/wine-run.sh" "$exe" | tr -d '\r')"
printf '%s\n' "$out" | grep -av '^csv-vs-scan:' || true
line="$(printf '%s\n' "$out" | grep -a '^csv-vs-scan:' | tail -n1)"
[ -n "$line" ] || { echo "csv-vs-scan: the benchmark program gave no result" >&2; exit 1; }
echo "$line"
