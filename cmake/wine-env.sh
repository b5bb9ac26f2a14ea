# Sourced by the build's Wine scripts: the environment of the build's own Wine prefix.
# Needs QUILL_BUILD_DIR. Optional: QUILL_LOCALE (default ja_JP.UTF-8), QUILL_WINEPREFIX.
: "${QUILL_BUILD_DIR:?QUILL_BUILD_DIR must name the build folder}"
export WINEPREFIX="${QUILL_WINEPREFIX:-$QUILL_BUILD_DIR/wine}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No .NET or Gecko install prompts, no debugger (a crash must fail at once), no menu entries in the host.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe,winemenubuilder.exe=d"
# There is no sound card here, and Media Foundation refuses to play video without an audio endpoint:
# give ALSA a null output. A test of a machine without sound names wine-asound-none.conf (no output)
# in QUILL_ALSA_CONFIG.
export ALSA_CONFIG_PATH="${QUILL_ALSA_CONFIG:-$QUILL_BUILD_DIR/wine-asound.conf}"
# The recycle bin and anything else Wine keeps per user stays in the build folder. A test that needs a
# volume without a recycle bin names an unusable folder in QUILL_XDG_DATA_HOME.
export XDG_DATA_HOME="${QUILL_XDG_DATA_HOME:-$QUILL_BUILD_DIR/xdg}"
# Japanese Windows by default (code page 932, language 0x411); QUILL_LOCALE=en_US.UTF-8 for US English.
export LC_ALL="${QUILL_LOCALE:-ja_JP.UTF-8}"
unset LANG LANGUAGE
QUILL_DISPLAY_FILE="$QUILL_BUILD_DIR/xvfb.display"
QUILL_XVFB_PID_FILE="$QUILL_BUILD_DIR/xvfb.pid"
# The build's own Xvfb, when it runs, is the display of every test.
if [ -z "${QUILL_KEEP_DISPLAY:-}" ] && [ -s "$QUILL_DISPLAY_FILE" ] && [ -s "$QUILL_XVFB_PID_FILE" ] \
   && kill -0 "$(cat "$QUILL_XVFB_PID_FILE")" 2>/dev/null; then
  export DISPLAY=":$(head -n1 "$QUILL_DISPLAY_FILE")"
fi
