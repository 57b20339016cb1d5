#!/usr/bin/env bash
# Installs a Windows build of the installer silently under its Wine (32-bit
# Wine for the i686 release, wine64 for win64) in a fresh prefix, then
# removes it the way Add/Remove Programs does a quiet removal: the command
# in the uninstall entry's QuietUninstallString. Checks that the service
# key, the CD/DVD class filter entry, the driver and the uninstall entry are
# gone, that the uninstaller waits in PendingFileRenameOperations for its own
# deletion, and the full exit code (status 1: removed). About a minute.
set -euo pipefail
prefix_name=halvunin . "$(dirname "$0")/prefix.sh"

run() { exit_code "$(run_cmd "$1")"; }
status() { echo $(( $1 >> 20 )); }

code=$(run 'C:\halvinst.exe SILENT')
check "the install ends with status 2 (got exit code $code)" "[ -n '$code' ] && [ \$(status $code) = 2 ]"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talven Halvik'
quiet=$(query "$entry" QuietUninstallString | sed -n 's/.*REG_SZ *//p')
echo "QuietUninstallString: $quiet"
check "the entry's quiet command is the uninstall string with SILENT" \
  "[ \"\$quiet\" = \"\$(query '$entry' UninstallString | sed -n 's/.*REG_SZ *//p') SILENT\" ]"
check "the entry's version" "query '$entry' DisplayVersion | grep -q 'REG_SZ *7.1.0.189'"

code=$(run "$quiet LEAVELOG")
log=$(find "$WINEPREFIX/drive_c" -ipath '*temp*' -iname 'HALVUNIN.LOG' | head -n 1)
[ -n "$log" ] && tr -d '\r' < "$log"
check "the uninstall ends with status 1, removed (got exit code $code)" "[ -n '$code' ] && [ \$(status $code) = 1 ]"
system32="$WINEPREFIX/drive_c/windows/system32"
check "the driver is gone" "[ ! -e '$system32/drivers/Halvik.sys' ]"
check "the service key is gone" "! \"$wine\" reg query 'HKLM\\System\\CurrentControlSet\\Services\\Halvik' >/dev/null 2>&1"
check "the filter entry is gone" "! query '$class' LowerFilters | grep -qi halvik"
check "the uninstall entry is gone" "! \"$wine\" reg query '$entry' >/dev/null 2>&1"
check "the uninstaller waits for its deletion at the next start" \
  "query 'HKLM\\System\\CurrentControlSet\\Control\\Session Manager' PendingFileRenameOperations | grep -qi 'halvunin.exe'"

[ "$fail" = 0 ] && echo "wine${wine_bits} uninstall run: 1 passed, 0 failed" || { echo "wine${wine_bits} uninstall run: 0 passed, 1 failed"; exit 1; }
