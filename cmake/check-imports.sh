#!/usr/bin/env bash
# Every program of the build imports only DLLs that every Windows 10/11 installation has: the C and
# C++ runtimes are linked in statically, and optional libraries (D3DX9, WebView2's loader) are loaded
# at run time, never imported.
# usage: check-imports.sh <build folder>
set -u
allowed=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll d3d9.dll dwmapi.dll dxva2.dll
 evr.dll gdi32.dll gdiplus.dll imm32.dll kernel32.dll mf.dll mfplat.dll mfreadwrite.dll msimg32.dll
 msvcrt.dll ntdll.dll ole32.dll oleaut32.dll powrprof.dll setupapi.dll shcore.dll shell32.dll
 shlwapi.dll urlmon.dll user32.dll userenv.dll uxtheme.dll version.dll wininet.dll winmm.dll
 ws2_32.dll api-ms-win-core-synch-l1-2-0.dll "
allowed=" $(echo $allowed) "   # one space between names, and around them
status=0
count=0
while IFS= read -r exe; do
  count=$((count + 1))
  while IFS= read -r dll; do
    lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    case "$allowed" in
      *" $lower "*) ;;
      *) echo "$exe imports $dll, which is not a Windows system DLL"; status=1 ;;
    esac
  done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
done < <(find "$1" -name '*.exe' -not -path '*/drive_c/*' -not -path '*/CMakeFiles/*')
[ "$count" -gt 0 ] || { echo "no programs found in $1"; exit 1; }
echo "$count programs checked"
exit $status
