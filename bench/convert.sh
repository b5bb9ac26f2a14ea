# Frames per second of the recording converter into the recording fake sink (read, colour
# conversion, the 1920 x 960 panorama on the test bed's software renderer, read-back, mosaic) against
# ffmpeg's v360 filter turning the same 1920 x 1920 fisheye frames into a 1920 x 960 equirectangular
# picture (-f null), in the same run. Last line "convert-vs-v360: <ratio>" (goal: at least 1.0).
set -euo pipefail
. "$QUILL_ROOT/bench/lib.sh"
work="$QUILL_BUILD/bench-convert"
mkdir -p "$work"
clip="$work/fisheye-1920.mp4"
frames=60
if [ ! -f "$clip" ]; then
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x960:rate=30" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 2 \
    -vf "v360=input=e:output=fisheye:h_fov=180:v_fov=180:w=1920:h=1920" \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 "$clip"
fi
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
bench_program convert-vs-v360 "$QUILL_BUILD/wine-run.sh" "$QUILL_BUILD/tests/convert/convert_bench.exe" \
  "$(winpath "$clip")" "$(winpath "$work")"
conv_fps=$(bench_value convert-vs-v360 "converter-fps line" "$(printf '%s\n' "$bench_out" | sed -n 's/^converter-fps: //p' | tail -n1)")
t0=$(date +%s%N)
ffmpeg -v error -threads 1 -i "$clip" \
  -vf "v360=input=fisheye:output=e:ih_fov=180:iv_fov=180:w=1920:h=960" -f null -
t1=$(date +%s%N)
v360_fps=$(awk -v n=$frames -v ns=$((t1 - t0)) 'BEGIN { printf "%.2f", n / (ns / 1e9) }')
echo "ffmpeg v360 (one thread): $frames frames, ${v360_fps} fps"
bench_figure convert-vs-v360 "$(awk -v a="$conv_fps" -v b="$v360_fps" 'BEGIN { printf "%.2f", a / b }')"
