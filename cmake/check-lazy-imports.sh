#!/usr/bin/env bash
# QuillmereX.exe imports none of the libraries it loads at their first call (platform/imports): each
# one imported again would be mapped, with what it brings, before the program's entry.
# usage: check-lazy-imports.sh <program>
set -u
lazy=" d3d9.dll dxva2.dll evr.dll mf.dll mfplat.dll mfreadwrite.dll wininet.dll winmm.dll comdlg32.dll "
[ -f "$1" ] || { echo "no program $1"; exit 1; }
status=0
count=0
while IFS= read -r dll; do
  count=$((count + 1))
  lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
  case "$lazy" in
    *" $lower "*) echo "$1 imports $dll, which it should load at its first call"; status=1 ;;
  esac
done < <(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ "$count" -gt 0 ] || { echo "no imports read from $1"; exit 1; }
echo "$count imports, none loaded later"
exit $status
