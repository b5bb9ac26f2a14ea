# Lossless join of five recordings of 200 MB or more each, against cp of the same input bytes and
# against ffmpeg's concat demuxer with stream copy (which also drops the recorder's data box), all
# measured in this run with the inputs in the page cache, best of three rounds. Prints throughputs
# and, last, "join-vs-cp: <join throughput / cp throughput>" for the output written to disk.
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
dir="$QUILL_BUILD/bench-join"
mkdir -p "$dir"
seconds=50   # about 215 MB per recording at the settings below
inputs=()
if [ ! -s "$dir/base.mp4" ]; then
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$seconds" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" \
    -c:v libx264 -preset ultrafast -qp 0 -bf 0 -g 30 -pix_fmt yuv420p -video_track_timescale 1000000 \
    -c:a aac -b:a 128k -f mp4 "$dir/base.mp4.tmp"
  mv "$dir/base.mp4.tmp" "$dir/base.mp4"
fi
for i in 1 2 3 4 5; do
  f="$dir/rec_$i.mp4"
  inputs+=("$f")
  [ -s "$f" ] && continue
  cp "$dir/base.mp4" "$f.tmp"
  python3 -c "import sys; sys.path.insert(0, '$QUILL_ROOT/tests/join'); import make_join_inputs as m
open(sys.argv[1], 'ab').write(m.gps_box($i, $seconds * 10))" "$f.tmp"
  mv "$f.tmp" "$f"
done
total=$(cat "${inputs[@]}" | wc -c)   # also brings the inputs into the page cache
echo "inputs: 5 recordings, $((total / 1000000)) MB"

now() { date +%s%N; }
mbps() { echo "scale=1; $total * 1000 / $1 / 1000000" | bc; }
win() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }

# Runs a command after flushing earlier writes; sets cached_ms (until the command returns, its output
# still in the page cache) and disk_ms (until its output is on disk: what a user waits for). cp copies
# inside the kernel (copy_file_range), which no program that sees the bytes can match in the cached
# figure; on disk every copy pays the same writes.
measure() {
  sync
  local t0 t1 t2
  t0=$(now); "$@"; t1=$(now); sync; t2=$(now)
  cached_ms=$(( (t1 - t0) / 1000000 )); disk_ms=$(( (t2 - t0) / 1000000 ))
}

wargs=(); for f in "${inputs[@]}"; do wargs+=("$(win "$f")"); done
printf "file '%s'\n" "${inputs[@]}" > "$dir/concat.txt"
declare -A best_cached best_disk
keep_best() {
  if [ -z "${best_cached[$1]:-}" ] || [ "$cached_ms" -lt "${best_cached[$1]}" ]; then best_cached[$1]=$cached_ms; fi
  if [ -z "${best_disk[$1]:-}" ] || [ "$disk_ms" -lt "${best_disk[$1]}" ]; then best_disk[$1]=$disk_ms; fi
}
join_once() {
  "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/join/join_files.exe" "$(win "$1")" "${wargs[@]}"
}
# The program joins from a long-running process; the first join after the Wine server starts pays
# for setting up the server's file mappings, so one untimed join comes first.
join_once "$dir/joined.mp4"
if [ -n "$(ffprobe -v warning -show_format "$dir/joined.mp4" 2>&1 >/dev/null)" ]; then
  bench_fail join-vs-cp "ffprobe does not accept the joined file"
fi
rm -f "$dir/joined.mp4"
for round in 1 2 3; do
  # Outputs stay until the round ends, so no step pays for freeing another's blocks.
  mkdir -p "$dir/cp"
  measure join_once "$dir/joined.mp4"; keep_best join; line="round $round: join $cached_ms/$disk_ms ms"
  measure cp "${inputs[@]}" "$dir/cp/"; keep_best cp; line="$line, cp $cached_ms/$disk_ms ms"
  measure ffmpeg -v error -y -f concat -safe 0 -i "$dir/concat.txt" -map 0 -c copy "$dir/ffconcat.mp4"
  keep_best ffmpeg
  echo "$line, ffmpeg concat $cached_ms/$disk_ms ms (returned/on disk)"
  rm -rf "$dir/cp" "$dir/joined.mp4" "$dir/ffconcat.mp4"
  sync
done
for k in cp join ffmpeg; do
  echo "$k: $(mbps "${best_cached[$k]}") MB/s returned, $(mbps "${best_disk[$k]}") MB/s on disk"
done
echo "join-vs-cp, returned (page cache): $(echo "scale=2; ${best_cached[cp]} / ${best_cached[join]}" | bc)"
echo "join-vs-ffmpeg-concat, on disk: $(echo "scale=2; ${best_disk[ffmpeg]} / ${best_disk[join]}" | bc)"
bench_figure join-vs-cp "$(awk -v a="${best_disk[cp]}" -v b="${best_disk[join]}" 'BEGIN { if (b > 0) printf "%.2f", a / b }')"
