#!/usr/bin/env bash
# A DLL planted beside the installer or the uninstaller is never loaded.
#
# planted_dll.sh INSTALLER   (build-win32/bin/halvinst.exe runs under 32-bit
# Wine in a win32 prefix, build-win64/bin/halvinst.exe under wine64)
#
# Builds a version.dll, a comctl32.dll and an msvcrt.dll of our own for the
# installer's architecture (planted_dll.c: each forwards its exports to the
# system's own DLL by full path, and leaves a marker file in C:\planted\ when
# a process loads it, saying how) and puts them in C:\download\ beside the
# installer and a copy of the uninstaller it carries, as a downloads folder
# may hold them. With those DLLs' load order set to native first, as Windows
# has it for DLLs that are not on its known-DLL list (WINEDLLOVERRIDES), it
# runs the installer and the uninstaller silently and then visually (on a
# virtual X screen, driven with keys, NOREBOOT): every run must succeed, and
# no planted DLL may be imported by the program or loaded at run time.
#
# Wine 8 has no known-DLL list, and its own USER32 imports version.dll and its
# ADVAPI32 msvcrt.dll: native first, every program that imports those two
# DLLs gets the planted copies at its start, for Wine's own DLLs, whatever it
# does itself. A control program that imports only
# KERNEL32, USER32, GDI32 and ADVAPI32 shows it; such loads are reported, not
# failed. The planted version.dll has the three calls the installer makes
# as its own: a call that reaches it (a program that looked the calls up in
# the copy Wine's USER32 brought in) fails the check. About two minutes.
set -euo pipefail
exe=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
wineserver=/usr/lib/wine/wineserver

# The PE machine field says which Wine runs the program.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
case $(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ') in
  014c)
    arch=i686 wine=$(command -v wine || true)
    export WINEARCH=win32
    if [ -z "$wine" ] || ! "$wine" --version >/dev/null 2>&1; then
      echo "NO 32-BIT WINE HERE: THE PLANTED-DLL CHECK OF $1 DID NOT RUN"
      exit 0
    fi ;;
  8664) arch=x86_64 wine=/usr/lib/wine/wine64 ;;
  *) echo "FAIL: $1 is no i686 or x86_64 Windows program"; exit 1 ;;
esac

work=$(mktemp -d /tmp/halvinst-planted.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
unset WINEDLLOVERRIDES
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

"$wine" wineboot -i >/dev/null 2>&1 || true
# Every Windows 2000/XP has the CD/DVD device class; a bare prefix does not.
"$wine" reg add 'HKLM\System\CurrentControlSet\Control\Class\{4D36E965-E325-11CE-BFC1-08002BE10318}' \
  /v Class /d CDROM /f >/dev/null 2>&1
"$wineserver" -w
drive_c=$WINEPREFIX/drive_c
download=$drive_c/download
system32=$drive_c/windows/system32
mkdir -p "$download"
cp "$exe" "$download/halvinst.exe"

# The planted DLLs: every named export of the system's DLL forwarded to it.
entry=$([ "$arch" = i686 ] && echo _DllMain@12 || echo DllMain)
named_exports() {
  "$arch-w64-mingw32-objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
    on && /^\t\[/ && $NF ~ /^[A-Za-z_][A-Za-z0-9_]*$/ {print $NF} on && /^$/ {on = 0}' | sort -u
}
# version.dll's three calls that the installer makes are its own (they
# leave a marker when called: planted_dll.c).
own_calls='GetFileVersionInfoSizeA PlantedSize 8
GetFileVersionInfoA PlantedInfo 16
VerQueryValueA PlantedQuery 16'
for name in version comctl32 msvcrt; do
  { echo "LIBRARY $name.dll"; echo EXPORTS
    named_exports "$system32/$name.dll" | while read -r export; do
      own=$([ "$name" = version ] && awk -v e="$export" '$1 == e' <<<"$own_calls" || true)
      if [ -n "$own" ]; then
        read -r _ function bytes <<<"$own"
        [ "$arch" = i686 ] && echo "$export = $function@$bytes" || echo "$export = $function"
      else
        printf '%s = "C:\\windows\\system32\\%s.%s"\n' "$export" "$name" "$export"
      fi
    done
  } > "$work/$name.def"
  "$arch-w64-mingw32-gcc" -shared -nostdlib -O2 -DPLANTED_NAME="$name" -DPLANTED_${name^^} \
    -o "$download/$name.dll" "$here/planted_dll.c" "$work/$name.def" -Wl,--entry,"$entry" -lkernel32 \
    || { echo "FAIL: cannot build the planted $name.dll"; exit 1; }
done
# The control: a program that imports what ours import (and no C runtime),
# and little else.
printf '%s\n' '#include <windows.h>' \
  'void WINAPI Start(void)' \
  '{' '    HKEY key;' \
  '    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);' \
  '    DeleteObject(GetStockObject(WHITE_BRUSH));' \
  '    ExitProcess(GetSystemMetrics(SM_CXSCREEN) > 0 ? 0 : 1);' '}' > "$work/control.c"
"$arch-w64-mingw32-gcc" -O2 -mwindows -nostdlib -o "$download/control.exe" "$work/control.c" \
  -Wl,--entry,"$([ "$arch" = i686 ] && echo _Start@0 || echo Start)" -ladvapi32 -lgdi32 -luser32 -lkernel32 \
  || { echo "FAIL: cannot build the control program"; exit 1; }
export WINEDLLOVERRIDES="version,comctl32,msvcrt=n,b"

# Runs a command line through cmd from C:\download, which keeps the whole
# 32-bit exit code; prints it unsigned.
run_silent() {
  printf '@cd /d C:\\download\r\n@%s\r\n@echo exit code %%ERRORLEVEL%%\r\n' "$1" > "$drive_c/run.bat"
  local code
  code=$({ "$wine" cmd /c 'C:\run.bat' 2>/dev/null || true; } | tr -d '\r' | sed -n 's/^exit code //p')
  "$wineserver" -w
  [ -n "$code" ] && echo $(( (code + 4294967296) % 4294967296 ))
}
# A status word is a success when no error is recorded (bit 31 clear).
succeeded() { [ -n "$1" ] && [ $(($1 >> 31)) = 0 ]; }
# The markers of the last run, then gone: a planted DLL that the program
# imports or that is loaded at run time fails the check; one loaded at the
# start for a system DLL is Wine's doing (see above) and only reported.
no_markers() {
  local marker text ok=0
  for marker in "$drive_c"/planted/*; do
    [ -e "$marker" ] || continue
    text=$(cat "$marker")
    case $marker in
      *.called) echo "  the planted $(basename "$marker" .called).dll was called, $text"; ok=1 ;;
      *) case $text in
           *"for a system DLL") echo "  note: $(basename "$marker" .loaded).dll, $text (Wine's own DLLs import it)" ;;
           *) echo "  $(basename "$marker" .loaded).dll, $text"; ok=1 ;;
         esac ;;
    esac
  done
  rm -rf "$drive_c/planted"
  return $ok
}

echo "control program (imports KERNEL32, USER32, GDI32 and ADVAPI32 only):"
code=$(run_silent 'control.exe')
check "the control program runs (exit code ${code:-none})" "[ '${code:-}' = 0 ]"
check "no planted DLL is loaded for the control program itself" no_markers

code=$(run_silent 'halvinst.exe SILENT NOREBOOT')
echo "silent install: exit code $(printf '0x%08X' "${code:-0}")"
check "the silent install succeeds (exit code ${code:-none})" "succeeded '${code:-}'"
check "the silent install put the driver in place" "[ -e '$system32/drivers/Halvik.sys' ]"
check "no planted DLL is loaded by the silent install" no_markers
cp "$system32/halvunin.exe" "$download/halvunin.exe" 2>/dev/null \
  || { echo "FAIL: no uninstaller was installed"; exit 1; }

code=$(run_silent 'halvunin.exe SILENT NOREBOOT')
echo "silent uninstall: exit code $(printf '0x%08X' "${code:-0}")"
check "the silent uninstall succeeds (exit code ${code:-none})" "succeeded '${code:-}'"
check "the silent uninstall removed the driver" "[ ! -e '$system32/drivers/Halvik.sys' ]"
check "no planted DLL is loaded by the silent uninstall" no_markers

# The visual runs, on a Wine desktop of their own; a step waits until the
# screen has changed and held still (the given number of quarter seconds).
source "$(dirname "${BASH_SOURCE[0]}")/screen_wait.sh"
keys() {
  local desktop
  desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1)
  [ -n "$desktop" ] && xdotool windowfocus --sync "$desktop" 2>/dev/null
  xdotool key --delay 100 "$@"
}
start_visual() {
  last_sum=$(screen_sum)
  (cd "$download" && "$wine" explorer /desktop=planted,1024x768 "$@" >/dev/null 2>&1) &
  program=$!
}
wait_for_end() {
  local tries=0
  while kill -0 "$program" 2>/dev/null && [ $tries -lt 120 ]; do
    sleep 0.5
    tries=$((tries + 1))
  done
  if kill -0 "$program" 2>/dev/null; then
    echo "FAIL: $1 did not end"
    "$wineserver" -k >/dev/null 2>&1 || true
    return 1
  fi
  "$wineserver" -w
}
# The final status of a visual run, from its log (kept with LEAVELOG).
final_status() {
  local log
  log=$(find "$drive_c" -ipath '*temp*' -iname "$1" | head -n 1)
  [ -n "$log" ] && sed -n 's/.*Final Status 0x\([0-9A-F]\{8\}\) Qualifier.*/\1/p' "$log" | tr -d '\r' | tail -n 1
  [ -n "$log" ] && rm -f "$log"
}

# The installer on a machine without the driver: its question (Yes), the
# language page, the welcome page (Install), then the restart page, left
# with No.
start_visual 'C:\download\halvinst.exe' NOREBOOT LEAVELOG
{ wait_for_screen question && keys Return && wait_for_screen language && keys Return &&
  wait_for_screen welcome && keys Return &&
  wait_for_screen "the end page" 12 && keys Escape && wait_for_end "the visual install"; } || fail=1
status=$(final_status HALVINST.LOG)
echo "visual install: final status 0x${status:-none}"
check "the visual install succeeds (final status ${status:-none})" "[ -n '$status' ] && succeeded \$((16#$status))"
check "the visual install put the driver in place" "[ -e '$system32/drivers/Halvik.sys' ]"
check "no planted DLL is loaded by the visual install" no_markers

# The uninstaller: its question (Yes), then what it did.
start_visual 'C:\download\halvunin.exe' NOREBOOT LEAVELOG
{ wait_for_screen question && keys Return && wait_for_screen "the outcome" 8 && keys Return &&
  wait_for_end "the visual uninstall"; } || fail=1
status=$(final_status HALVUNIN.LOG)
echo "visual uninstall: final status 0x${status:-none}"
check "the visual uninstall succeeds (final status ${status:-none})" "[ -n '$status' ] && succeeded \$((16#$status))"
check "the visual uninstall removed the driver" "[ ! -e '$system32/drivers/Halvik.sys' ]"
check "no planted DLL is loaded by the visual uninstall" no_markers

[ "$fail" = 0 ] && echo "planted DLLs ($arch): 1 passed, 0 failed" || { echo "planted DLLs ($arch): 0 passed, 1 failed"; exit 1; }
