#!/usr/bin/env bash
# The program loads no library by a bare name: such a load also searches the program's folder, the
# current directory (which can be the card the program was started from) and PATH. Names go through
# platform/imports/system_library.cpp (the system folder only); the one other load allowed is a full
# path with LOAD_WITH_ALTERED_SEARCH_PATH (the WebView2 loader beside the program).
# usage: check-library-loads.sh <source root>
set -u
root="$1"
[ -d "$root/platform" ] || { echo "no sources under $root"; exit 1; }
status=0
count=0
while IFS= read -r hit; do
  count=$((count + 1))
  file=${hit%%:*}
  case "$file" in
    */platform/imports/system_library.cpp) continue ;;
  esac
  if printf '%s' "$hit" | grep -Eq 'LoadLibraryEx[AW]?\(' &&
     printf '%s' "$hit" | grep -q 'LOAD_WITH_ALTERED_SEARCH_PATH' &&
     ! printf '%s' "$hit" | grep -Eq 'LoadLibraryEx[AW]?\(\s*L?"'; then
    continue
  fi
  echo "library loaded by name outside the system-folder loader: $hit"
  status=1
done < <(grep -rnE --include='*.cpp' --include='*.h' 'LoadLibrary(Ex)?[AW]?\s*\(' \
           "$root/platform" "$root/playcore" "$root/tavrin")
[ "$count" -gt 0 ] || { echo "no library load found under $root: the search is broken"; exit 1; }
[ "$status" -eq 0 ] && echo "$count library loads, none by a bare name"
exit $status
