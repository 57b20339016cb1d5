#!/usr/bin/env bash
# Runs a Windows build of the installer silently under its Wine (the i686
# release under 32-bit Wine, the win64 build under wine64) in a fresh prefix
# and checks what a real Win32 underneath makes of it: the log in the prefix's temporary
# directory, the driver and the uninstaller in place, the service key, the
# CD/DVD class filter and the uninstall entry, and the full exit code.
set -euo pipefail
. "$(dirname "$0")/prefix.sh"

out=$(run_cmd 'C:\halvinst.exe SILENT LEAVELOG')
echo "$out"
code=$(exit_code "$out")

log=$(find "$WINEPREFIX/drive_c" -ipath '*temp*' -iname 'HALVINST.LOG' | head -n 1)
[ -n "$log" ] || { echo "FAIL: no HALVINST.LOG in the prefix's temporary directory"; exit 1; }
tr -d '\r' < "$log"
check "start banner" "grep -q 'Starting HALVINST installer on' '$log'"
check "library banner" "grep -q 'Talven INSTALL Library - 1.09 (019)' '$log'"
check "summary line" "grep -q 'Unforced silent install, leave logfile on completion, allow reboots. not autorun launched' '$log'"
check "image files" "grep -q 'Image file creation success' '$log'"
final=$(sed -n 's/.*Final Status 0x\([0-9A-F]\{8\}\) Qualifier.*/\1/p' "$log" | tr -d '\r')
check "final status line" "[ -n '$final' ]"
check "exit code $code is the final status word 0x$final" "[ -n '$final' ] && [ '$code' = \"\$((16#$final))\" ]"
check "status code 2 (installed, restart needed)" "[ -n '$final' ] && [ \$((16#$final >> 20)) = 2 ]"

system32="$WINEPREFIX/drive_c/windows/system32"
# The carried files of this Windows build, beside its bin/ folder.
payload=$(dirname "$exe")/../payload
check "the 2000/XP driver as Halvik.sys" "cmp -s '$system32/drivers/Halvik.sys' '$payload/HALVIK2K.SYS'"
check "the uninstaller (this build's own)" "cmp -s '$system32/halvunin.exe' '$payload/HALVUNIN.EXE'"
check "service key Group" "query 'HKLM\\System\\CurrentControlSet\\Services\\Halvik' Group | grep -q 'REG_SZ *Filter'"
check "service key Start" "query 'HKLM\\System\\CurrentControlSet\\Services\\Halvik' Start | grep -q 'REG_DWORD *0x0'"
check "service key DisplayName" "query 'HKLM\\System\\CurrentControlSet\\Services\\Halvik' DisplayName | grep -q 'Tessera Driver'"
check "LowerFilters" "query 'HKLM\\System\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}' LowerFilters | grep -q 'REG_MULTI_SZ *Halvik'"
check "uninstall entry" "query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik' UninstallString | grep -qi 'HALVUNIN.EXE'"

[ "$fail" = 0 ] && echo "wine${wine_bits} smoke run: 1 passed, 0 failed" || { echo "wine${wine_bits} smoke run: 0 passed, 1 failed"; exit 1; }
