#!/usr/bin/env bash
# Runs the conformance program on winsim (a fresh win7 machine) and under
# wine64 (a fresh prefix, which reports Windows 7 too) and compares the two
# transcripts line by line. A difference passes only when allowed.txt names
# it: Wine's own deviations from Windows, with winsim's line being Windows'.
# The run also checks that expected.txt, Windows' transcript (Wine's with the
# allowed lines as Windows prints them), is up to date; `--update` rewrites it
# after checks were added.
#
#   tests/conformance/compare.sh [--update] [BUILD [WIN64BUILD]]  (build, build-win64)
#   tests/conformance/compare.sh --winsim-only BUILD
#       the winsim side alone, against expected.txt (no Wine needed)
#
# Transcripts are kept in $CONFORMANCE_OUT when that is set.
#
# Windows need a display under Wine. When Xvfb is installed, Wine runs on a
# private virtual screen and both sides are told so by the word "windows" on
# the program's command line; without Xvfb neither side makes windows and
# the "window …" lines of expected.txt are left out of the comparison.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
winsim_only=0 update=0
if [ "${1:-}" = "--winsim-only" ]; then winsim_only=1; shift; fi
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
build="$(cd "${1:-build}" && pwd)"
win64="${2:-build-win64}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
# Two of Wine's own PE files carry the version resources that both sides read.
pe_dir=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
pe1="$pe_dir/version.dll" pe2="$pe_dir/kernel32.dll"

work="$(mktemp -d /tmp/conformance.XXXXXX)"
chmod 755 "$work"
# Wine run as root writes files that carry the read-only attribute (it keeps
# that attribute in the Unix mode, which root ignores); Windows refuses. So
# as root, Wine runs as nobody.
as_user=()
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
wine_env() { "${as_user[@]}" env HOME="$work/wine" WINEPREFIX="$work/wine/prefix" WINEDEBUG=-all LANG=C.UTF-8 "$@"; }
xvfb=
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  if [ -d "$work/wine/prefix" ]; then
    wine_env "$wineserver" -k >/dev/null 2>&1 || true
    wine_env "$wineserver" -w >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
out="${CONFORMANCE_OUT:-$work}"
mkdir -p "$out"

# The stand-in VxD, an LE executable with a version resource.
le1="$build/payload/HALVIK.VXD"

# Puts the program, the PE files and the VxD at the root of drive C (a host folder).
stage() {
  cp "$1" "$2/CONFTEST.EXE"
  if [ -f "$pe1" ] && [ -f "$pe2" ]; then cp "$pe1" "$2/PE1.DLL"; cp "$pe2" "$2/PE2.DLL"; fi
  if [ -f "$le1" ]; then cp "$le1" "$2/LE1.VXD"; fi
}

# Starts Xvfb on a display no one uses (it picks and reports the number) and
# sets DISPLAY; fails when there is no Xvfb or it does not come up.
start_xvfb() {
  command -v Xvfb >/dev/null || return 1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do
    if [ -s "$work/display" ]; then
      export DISPLAY=":$(head -n1 "$work/display")"
      return 0
    fi
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  kill "$xvfb" 2>/dev/null || true
  xvfb=
  return 1
}
# The program's word that turns the window checks on, and the lines of
# expected.txt that are compared.
with_windows=() compared='^(exit code |checks: )' skipped=()
if [ "$winsim_only" = 1 ] || start_xvfb; then
  with_windows=(windows)
else
  echo "(no Xvfb here: the window checks are left out on both sides)"
  compared='^(exit code |checks: |window )' skipped=(--skipped 'window ')
fi

# winsim: the program starts in C:\ as its current directory.
"$build/bin/winsim" create "$work/machine" --profile win7
stage "$build/bin/conformance" "$work/machine/c"
(cd "$work" && "$build/bin/winsim" run "$work/machine" -- 'C:\CONFTEST.EXE' "${with_windows[@]}") > "$out/winsim.txt"
if [ "$winsim_only" = 1 ]; then
  # Plain diff, so that the test suite needs no Python.
  grep -q '^checks: ' "$out/winsim.txt" || { echo "FAIL: the program did not run to its end on winsim"; exit 1; }
  # Without Wine's DLLs here, the version resources cannot be read on this side.
  skip="$compared"
  [ -f "$pe1" ] && [ -f "$pe2" ] || { skip="$compared|PE[12]\\.DLL"; echo "(no wine64 DLLs here: their version resources are not compared)"; }
  if ! diff <(grep -Ev "$skip" "$here/expected.txt") <(grep -Ev "$skip" "$out/winsim.txt"); then
    echo "FAIL: winsim differs from Windows' transcript (<: Windows, >: winsim)"
    exit 1
  fi
  echo "conformance on winsim: $(grep -c . "$here/expected.txt") checks, as Windows' transcript"
  exit 0
fi

[ -x "$wine" ] || { echo "wine64 not found at $wine" >&2; exit 2; }
[ -f "$win64/bin/conformance.exe" ] || { echo "$win64/bin/conformance.exe not built (make win64)" >&2; exit 2; }
mkdir -p "$work/wine"
[ ${#as_user[@]} = 0 ] || chown 65534:65534 "$work/wine"
wine_env "$wine" wineboot -i >/dev/null 2>&1 || true
drive_c="$work/wine/prefix/drive_c"
stage "$win64/bin/conformance.exe" "$drive_c"
# Started from drive_c, the program's current directory is C:\ there too.
(cd "$drive_c" && wine_env "$wine" 'C:\CONFTEST.EXE' "${with_windows[@]}" 2>/dev/null | tr -d '\r') > "$out/wine.txt"

python3 "$here/compare_transcripts.py" "${skipped[@]}" "$out/wine.txt" "$out/winsim.txt" "$here/allowed.txt" "$out/expected.txt"
if [ "$update" = 1 ]; then
  [ ${#with_windows[@]} = 1 ] || { echo "FAIL: --update needs Xvfb, or the window checks would be lost"; exit 1; }
  cp "$out/expected.txt" "$here/expected.txt"
elif ! diff -q <(grep -Ev "$compared" "$here/expected.txt") <(grep -Ev "$compared" "$out/expected.txt") >/dev/null; then
  echo "FAIL: tests/conformance/expected.txt is not Windows' transcript of this program; run compare.sh --update"
  diff <(grep -Ev "$compared" "$here/expected.txt") <(grep -Ev "$compared" "$out/expected.txt") | head -20
  exit 1
fi
