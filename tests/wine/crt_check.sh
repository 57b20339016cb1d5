#!/usr/bin/env bash
# The shipped programs' own C routines and program start (crt/crt.cpp),
# built into a check program the way the programs are built (no C runtime,
# no start files, libgcc, the four system DLLs) for x86_64 and i686 and run
# under wine64 and the 32-bit Wine (where it is installed): crt_check.cpp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d /tmp/halvinst-crt.XXXXXX)
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
fail=0
for arch in x86_64 i686; do
  if [ "$arch" = i686 ]; then
    wine=$(command -v wine || true) entry=_WinMainCRTStartup
    export WINEARCH=win32
    if [ -z "$wine" ] || ! "$wine" --version >/dev/null 2>&1; then
      echo "NO 32-BIT WINE HERE: THE I686 C ROUTINES WERE NOT CHECKED"
      continue
    fi
  else
    wine=/usr/lib/wine/wine64 entry=WinMainCRTStartup
    unset WINEARCH
  fi
  # As crt/CMakeLists.txt and cmake/small_program.cmake build them.
  flags="-Os -D_CRTIMP= -D__USE_MINGW_ANSI_STDIO=0 -fno-exceptions -ffunction-sections -Wall -Wextra -Werror"
  "$arch-w64-mingw32-g++" $flags -ffreestanding -fno-tree-loop-distribute-patterns -fno-builtin \
    -c "$root/crt/crt.cpp" -o "$work/crt-$arch.o"
  # No built-ins: every routine is called, not worked out by the compiler.
  "$arch-w64-mingw32-g++" $flags -fno-builtin -c "$here/crt_check.cpp" -o "$work/check-$arch.o"
  "$arch-w64-mingw32-g++" -mwindows -nostdlib -Wl,--gc-sections -Wl,--entry=$entry -o "$work/crt check.exe" \
    "$work/check-$arch.o" "$work/crt-$arch.o" -lgcc -lkernel32 -luser32 -lgdi32 -ladvapi32
  imports=$("$arch-w64-mingw32-objdump" -p "$work/crt check.exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z\n' 'a-z ')
  [ "$imports" = "kernel32.dll user32.dll " ] || { echo "FAIL: the $arch check program imports $imports"; fail=1; }
  export WINEPREFIX=$work/prefix-$arch WINEDEBUG=-all
  "$wine" wineboot -i >/dev/null 2>&1 || true
  cp "$work/crt check.exe" "$WINEPREFIX/drive_c/"
  printf '@"C:\\crt check.exe"   one  "two"\r\n@echo exit code %%ERRORLEVEL%%\r\n' > "$WINEPREFIX/drive_c/run.bat"
  out=$({ "$wine" cmd /c 'C:\run.bat' 2>/dev/null || true; } | tr -d '\r')
  echo "$arch: $(grep -v '^exit code' <<<"$out")"
  grep -q '^exit code 0$' <<<"$out" || fail=1
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w
done
[ "$fail" = 0 ] && echo "C routines: 1 passed, 0 failed" || { echo "C routines: 0 passed, 1 failed"; exit 1; }
