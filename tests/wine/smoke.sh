#!/usr/bin/env bash
# Runs the win64 installer silently under wine64 in a fresh prefix and checks
# the log in the prefix's temporary directory and the full exit code.
set -euo pipefail
exe=$(realpath "$1")
wine=/usr/lib/wine/wine64
export WINEPREFIX=$(mktemp -d /tmp/halvinst-wine.XXXXXX) WINEDEBUG=-all
trap 'rm -rf "$WINEPREFIX"' EXIT

"$wine" wineboot -i >/dev/null 2>&1 || true
cp "$exe" "$WINEPREFIX/drive_c/halvinst.exe"
# cmd keeps the whole 32-bit exit code, which a POSIX status cannot.
printf '@C:\\halvinst.exe SILENT LEAVELOG\r\n@echo exit code %%ERRORLEVEL%%\r\n' > "$WINEPREFIX/drive_c/run.bat"
out=$("$wine" cmd /c 'C:\run.bat' 2>/dev/null | tr -d '\r' || true)
echo "$out"
code=$(sed -n 's/^exit code //p' <<<"$out")

log=$(find "$WINEPREFIX/drive_c" -ipath '*temp*' -iname 'HALVINST.LOG' | head -n 1)
[ -n "$log" ] || { echo "FAIL: no HALVINST.LOG in the prefix's temporary directory"; exit 1; }
tr -d '\r' < "$log"
fail=0
grep -q 'Starting HALVINST installer on' "$log" || { echo "FAIL: no start banner"; fail=1; }
grep -q 'Unforced silent install, leave logfile on completion, allow reboots. not autorun launched' "$log" \
  || { echo "FAIL: no summary line"; fail=1; }
final=$(sed -n 's/.*Final Status 0x\([0-9A-F]\{8\}\) Qualifier.*/\1/p' "$log" | tr -d '\r')
[ -n "$final" ] || { echo "FAIL: no final status line"; fail=1; }
if [ -n "$final" ] && [ "$code" != "$((16#$final))" ]; then
  echo "FAIL: exit code $code is not the final status word 0x$final"; fail=1
fi
[ "$fail" = 0 ] && echo "wine smoke run: 1 passed, 0 failed" || { echo "wine smoke run: 0 passed, 1 failed"; exit 1; }
