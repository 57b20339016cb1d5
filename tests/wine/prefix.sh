# Sourced by the wine checks with the installer's path as $1: a fresh prefix
# (deleted at exit, named after $prefix_name) of the Wine that runs that
# build (32-bit Wine for the i686 release, wine64 for the win64 build) with
# the installer as C:\halvinst.exe and the CD/DVD device class that every
# Windows 2000/XP has (a bare prefix does not), and the helpers the checks
# share.
exe=$(realpath "$1")
. "$(dirname "${BASH_SOURCE[0]}")/wine_select.sh"
select_wine "$exe" || exit 1
export WINEPREFIX=$(mktemp -d "/tmp/${prefix_name:-halvinst}-wine.XXXXXX") WINEDEBUG=-all
trap '"$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

"$wine" wineboot -i >/dev/null 2>&1 || true
cp "$exe" "$WINEPREFIX/drive_c/halvinst.exe"
class='HKLM\System\CurrentControlSet\Control\Class\{4D36E965-E325-11CE-BFC1-08002BE10318}'
"$wine" reg add "$class" /v Class /d CDROM /f >/dev/null 2>&1

query() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r'; }
# Runs a command line through cmd, which keeps the whole 32-bit exit code (a
# POSIX status cannot): prints what it printed, then "exit code N", N as cmd
# shows it, signed.
run_cmd() {
  printf '@%s\r\n@echo exit code %%ERRORLEVEL%%\r\n' "$1" > "$WINEPREFIX/drive_c/run.bat"
  { "$wine" cmd /c 'C:\run.bat' 2>/dev/null || true; } | tr -d '\r'
}
# The unsigned exit code of `run_cmd`'s output.
exit_code() {
  local code
  code=$(sed -n 's/^exit code //p' <<<"$1")
  if [ -n "$code" ]; then echo $(( (code + 4294967296) % 4294967296 )); fi
}

fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
