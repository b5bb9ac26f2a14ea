#!/usr/bin/env bash
# Installs what Quillmere's build and test bed need on Debian 12, and nothing when it is all there.
# Used by ./run.sh, ./test.sh and ./bench/run.
set -euo pipefail

packages=(
  wine wine32:i386 wine64
  g++-mingw-w64-i686 mingw-w64-tools
  cmake ninja-build
  xvfb xauth x11-apps imagemagick xdotool
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  fonts-ipafont-gothic locales
  googletest
  ffmpeg
  python3
  chromium
)

sudo_cmd=()
if [ "$(id -u)" != 0 ]; then sudo_cmd=(sudo); fi

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  # dpkg-query wants the arch spelled out for foreign packages, and plain names for native ones.
  if ! dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Both locales the program is tested under.
gen=0
for loc in ja_JP.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc%%.*}\.utf-\?8$"; then
    "${sudo_cmd[@]}" sed -i "s/^# *${loc} UTF-8/${loc} UTF-8/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    gen=1
  fi
done
if [ $gen = 1 ]; then "${sudo_cmd[@]}" locale-gen >/dev/null; fi

# The map pages' tests drive chromium from node with the client pinned in tests/map/page's lock file.
# node and npm usually come with the machine (a node package that carries npm); Debian's own are the
# fallback.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
map_page_tests="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/map/page"
if [ ! -f "$map_page_tests/node_modules/.package-lock.json" ] ||
   [ "$map_page_tests/package-lock.json" -nt "$map_page_tests/node_modules/.package-lock.json" ]; then
  (cd "$map_page_tests" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
