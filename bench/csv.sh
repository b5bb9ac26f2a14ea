# How much the CSV export of a card of 10,000 recordings costs over collecting the same card into the
# recording pair list (the folder scan), in the same run. Every file is a generated recording with its
# media cut short, so the export reads real track, sample and data boxes. Goal: at most 3.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
recordings="$QUILL_BUILD/recordings"
python3 "$QUILL_ROOT/tools/make_recordings.py" --preset test --out "$recordings" --quiet
template="$QUILL_BUILD/csv-bench-template"
python3 "$QUILL_ROOT/bench/csv_template.py" "$recordings" "$template"
exe="$QUILL_BUILD/tests/tools/bench_csv_vs_scan.exe"
export QUILL_CSV_TEMPLATE="$template"
bench_program csv-vs-scan "$QUILL_BUILD/wine-run.sh" "$exe"
value=$(bench_line_value csv-vs-scan)
value=$(bench_value csv-vs-scan "csv-vs-scan line" "$value")
bench_figure csv-vs-scan "$value"
