#!/usr/bin/env bash
# Shows the uninstaller's question under Wine (32-bit for the release) on a virtual X screen, once
# per language, each in a fresh prefix whose locale (and so code page) is
# that language's: a silent installation, the language the wizard stores
# under the product key (`Language`), then the uninstaller started the way
# Add/Remove Programs starts it, from the uninstall entry's UninstallString.
# The question is saved as LANGUAGE-uninstall-question.png and answered No,
# which must leave the driver and the entry in place. About 30 s a language.
#
# usage: uninstall_screenshots.sh INSTALLER OUTDIR [LANGUAGE...]   (default: all 13)
set -uo pipefail
# Reads INSTALLER OUTDIR [LANGUAGE...] into exe, out and the languages.
source "$(dirname "$0")/screens.sh"

entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talven Halvik'
uninstall_string() {
  "$wine" reg query "$entry" /v UninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}

# One language in a fresh prefix; non-zero when the question did not come or
# No changed the machine.
drive_uninstaller() {
  local ok=1 driver command
  fresh_prefix
  driver=$WINEPREFIX/drive_c/windows/system32/drivers/Halvik.sys
  "$wine" 'C:\halvinst.exe' SILENT >/dev/null 2>&1
  "$wineserver" -w
  "$wine" reg add 'HKLM\Software\Talven\Halvik' /v Language /t REG_DWORD /d $((16#$langid)) /f >/dev/null 2>&1
  command=$(uninstall_string)
  if [ ! -e "$driver" ] || [ -z "$command" ]; then
    echo "FAIL: $tag: the silent installation left no driver or no uninstall entry"
    ok=0
  else
    start_program halvunin "$command"
    { wait_for_screen uninstall-question && shot uninstall-question && keys Tab Return &&
      wait_for_end; } || ok=0
    if [ $ok = 1 ] && { [ ! -e "$driver" ] || [ "$(uninstall_string)" != "$command" ]; }; then
      echo "FAIL: $tag: No removed something"
      ok=0
    fi
  fi
  drop_prefix
  [ $ok = 1 ]
}

for_each_language drive_uninstaller "uninstaller screenshots"
