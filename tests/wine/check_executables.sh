#!/usr/bin/env bash
# The shipped executables (installer stub and uninstaller) of both Windows
# builds import KERNEL32, USER32, GDI32 and ADVAPI32 and nothing else: no C
# runtime DLL (Windows 95 as first shipped has no msvcrt.dll), and VERSION and
# COMCTL32 are loaded at run time by full path, never found by the DLL search
# that looks beside the program first. The 32-bit programs import no function
# Windows 95 lacks; both Windows stubs leave room for the payload within
# 400,000 bytes, the packed installers list the five carried files in their
# order, and the programs' own C routines do what the C library's do
# (crt_check.sh, under Wine).
set -euo pipefail
fail=0
allowed='^(kernel32|user32|gdi32|advapi32)\.dll$'
for build in build-win32 build-win64; do
  objdump=$([ "$build" = build-win32 ] && echo i686-w64-mingw32-objdump || echo x86_64-w64-mingw32-objdump)
  for program in halvinst-stub halvunin; do
    dlls=$($objdump -p "$build/bin/$program.exe" | sed -n 's/.*DLL Name: //p')
    [ -n "$dlls" ] || { echo "FAIL: $build/bin/$program.exe: no import table read"; fail=1; }
    for dll in $dlls; do
      if ! tr 'A-Z' 'a-z' <<<"$dll" | grep -qE "$allowed"; then
        echo "FAIL: $build/bin/$program.exe imports $dll (only KERNEL32, USER32, GDI32 and ADVAPI32 may be imported)"
        fail=1
      fi
    done
    echo "$build/bin/$program.exe imports: $(tr '\n' ' ' <<<"$dlls")"
  done
done
# Functions that Windows 95's system DLLs do not export: a program importing
# one does not start there. They are looked up at run time instead.
newer='^(AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|AddVectoredContinueHandler|GetFileAttributesExA|GetDiskFreeSpaceExA|IsDebuggerPresent|GetLongPathNameA|GetModuleHandleExA|InitializeCriticalSectionAndSpinCount|FlsAlloc|SetDllDirectoryA|SetDefaultDllDirectories|AddDllDirectory)$'
for program in halvinst-stub halvunin; do
  for name in $(i686-w64-mingw32-objdump -p build-win32/bin/$program.exe \
      | awk '/^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print $3}'); do
    if grep -qE "$newer" <<<"$name"; then
      echo "FAIL: $program.exe imports $name, which Windows 95 does not export"; fail=1
    fi
  done
done
for build in build-win32 build-win64; do
  size=$(stat -c %s "$build/bin/halvinst-stub.exe")
  echo "$build: stub $size bytes"
  [ "$size" -lt 400000 ] || { echo "FAIL: the $build stub is not below 400,000 bytes"; fail=1; }
  names=$(build/bin/arq l "$build/bin/halvinst.exe" | awk 'NR > 1 && $1 ~ /\./ {print $1}' | tr '\n' ' ')
  [ "$names" = "HALVIK.SYS HALVIK.VXD HALVINST.INF HALVIK2K.SYS HALVUNIN.EXE " ] \
    || { echo "FAIL: $build/bin/halvinst.exe carries: $names"; fail=1; }
  # The uninstaller it carries is this build's own.
  cmp -s "$build/bin/halvunin.exe" "$build/payload/HALVUNIN.EXE" \
    || { echo "FAIL: $build carries another uninstaller than its own"; fail=1; }
done
# Their own C routines and program start, run under Wine.
bash "$(dirname "$0")/crt_check.sh" || fail=1
[ "$fail" = 0 ] && echo "windows executables: 1 passed, 0 failed" || { echo "windows executables: 0 passed, 1 failed"; exit 1; }
