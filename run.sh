#!/usr/bin/env bash
# ./run.sh [SOURCE]: set up, build, and start QuillmereX.exe under Wine.
# Without SOURCE a demo SD card of synthetic recordings is made (demo/sd) and shown to the program as a
# removable drive E:; a SOURCE folder is shown the same way. On the user's display when DISPLAY is set,
# else on a private Xvfb, with a screenshot saved to shots/run.png.
set -euo pipefail
cd "$(dirname "$0")"
bash tools/setup.sh
. tools/build.sh
quill_build

source_dir="${1:-}"
if [ -z "$source_dir" ]; then
  source_dir="$QUILL_ROOT/demo/sd"
  echo "run: making the demo SD card in $source_dir"
  python3 tools/make_recordings.py --preset demo --out "$source_dir"
  source_dir="$source_dir/card"  # the generator writes the card's folders below card/
fi
source_dir="$(cd "$source_dir" && pwd)"

app="$QUILL_BUILD/QuillmereX.exe"

# The program runs in its own prefix, so that the tests' prefix stays as the tests left it.
export QUILL_BUILD_DIR="$QUILL_BUILD" QUILL_WINEPREFIX="$QUILL_BUILD/wine-app"
[ -n "${DISPLAY:-}" ] && export QUILL_KEEP_DISPLAY=1
. cmake/wine-env.sh
"$QUILL_BUILD/wine-server.sh" prefix
# The source appears to the program as a removable drive (Wine calls that drive type "floppy").
ln -sfn "$source_dir" "$WINEPREFIX/dosdevices/e:"
wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null 2>&1 </dev/null
# Wine's mount manager reads the drive types when its server starts: end this one so the program's
# start sees E: as removable (on a new prefix it would otherwise see a fixed drive).
wineserver -k >/dev/null 2>&1 </dev/null || true
wineserver -w >/dev/null 2>&1 </dev/null || true

workdir="$QUILL_BUILD/app-run"
mkdir -p "$workdir" "$QUILL_ROOT/shots"
if [ -n "${DISPLAY:-}" ]; then
  cd "$workdir" && exec wine "$app"
fi
xvfb_pid=""
app_pid=""
# At the end the program is asked to close as a user would close it (taskkill without /f sends its
# windows WM_CLOSE) and given ten seconds to end; only then is Wine stopped. Stopping Wine under a
# running program ends it by a signal (bash then reports the Wine process's crash).
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    wine taskkill /im QuillmereX.exe >/dev/null 2>&1 </dev/null || true
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app_pid" 2>/dev/null; then
      echo "run: QuillmereX.exe did not close within 10 s of the close request" >&2
    else
      wait "$app_pid" 2>/dev/null && echo "run: QuillmereX.exe closed" ||
        echo "run: QuillmereX.exe closed with exit status $?" >&2
    fi
  fi
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$display_file")"
(cd "$workdir" && exec wine "$app" >/dev/null 2>&1 </dev/null) &
app_pid=$!
# On the first start the program asks which recorder model is used: answer with the first (Enter).
# Then wait for the main window, and give it a moment to paint.
for _ in $(seq 300); do
  if xdotool search --name "製品選択" >/dev/null 2>&1; then
    sleep 1
    xdotool key Return >/dev/null 2>&1 || true
    echo "run: first start: the model selection was answered with MODEL-A"
    break
  fi
  xdotool search --onlyvisible --name "^QuillmereX$" >/dev/null 2>&1 && break
  sleep 0.1
done
for _ in $(seq 300); do
  xdotool search --onlyvisible --name "^QuillmereX$" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep "${QUILL_RUN_SECONDS:-5}"
xwd -root -silent -display "$DISPLAY" | convert xwd:- "$QUILL_ROOT/shots/run.png"
echo "run: screenshot saved to $QUILL_ROOT/shots/run.png"
