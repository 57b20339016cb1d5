#!/usr/bin/env bash
# The i686 release on every Windows it supports, under 32-bit Wine with Wine's
# version setting (win95, win98, winme, nt40, win2k, winxp), and the same
# scenario on the matching winsim profile; the outcomes must agree.
#
# The scenario: a fresh silent install; an upgrade over an older driver
# (payload variant 7.1.0.188 put in the driver's place); an up-to-date rerun;
# the quiet uninstall (the entry's QuietUninstallString). After each step
# whose restart-time store holds anything (PendingFileRenameOperations, or
# wininit.ini on the 9x family) the machine restarts: `wineboot -r` carries
# out both stores under Wine, `winsim reboot` on winsim. After every step and
# restart both sides print the exit code, the files we own with their bytes,
# our registry values and the restart-time stores (machine_state.py), and the
# two transcripts are compared. Differences that are Wine's own are allowed
# below, each with its reason (docs/wine-notes.md).
#
# Wine 8's version.dll reads no version resource from a VxD (an LE executable),
# which Windows 95, 98 and Me do (docs/wine-notes.md). Under Wine's 9x settings
# the release therefore stops at its VxD's version with 2067 and changes
# nothing; that is checked once per 9x version. The scenario then runs, on both
# sides, from an installer packed the same way whose VxD is the stand-in in PE
# form, whose version Wine reads.
#
# What a fresh Wine prefix lacks and a real machine of that version has, added
# here: the CD/DVD device class key that every 2000/XP has (in the base
# prefix of all six; the installer uses it only on 2000/XP), and on the 9x
# family the folder system\iosubsys, where the VxD goes (Wine's system folder
# is system32 on the 9x versions too).
#
# usage: tests/wine/versions.sh [WIN32BUILD [BUILD]]   (build-win32, build)
#        VERSIONS="win98 nt40" tests/wine/versions.sh  runs only those
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
win32=$(realpath "${1:-build-win32}")
build=$(realpath "${2:-build}")
exe=$win32/bin/halvinst.exe
winsim=$build/bin/winsim
older=$build/payload/variants/7.1.0.188/HALVIK.SYS
state=$here/machine_state.py
. "$here/wine_select.sh"
select_wine "$exe" || exit 1
[ -x "$winsim" ] && [ -f "$older" ] || { echo "FAIL: build $build first (make all)"; exit 1; }
export WINEDEBUG=-all

# Wine version, winsim profile.
all_versions="win95 win95
win98 win98
winme winme
nt40 nt4
win2k win2000
winxp winxp"
versions=${VERSIONS:-win95 win98 winme nt40 win2k winxp}

# Differences allowed per version and step, as extended regular expressions
# over diff lines, with the reason. None are needed today; an entry looks like
#   allowed+=("nt40 4-uninstall ^< reg .*  # reason, see docs/wine-notes.md")
allowed=()

work=$(mktemp -d /tmp/halvinst-versions.XXXXXX)
cleanup() {
  for p in "$work"/wine-*; do [ -d "$p" ] && WINEPREFIX=$p "$wineserver" -k >/dev/null 2>&1; done
  rm -rf "$work"
}
trap cleanup EXIT

# The installers with a PE stand-in in the VxD's place, for the 9x scenario:
# the release's stub and the host build's, with the same carried files and
# the product version of the release.
product=$(sed -n 's/^product //p' "$build/bin/halvinst-manifest.txt")
pe_vxd_installer() { # STUB PAYLOAD-DIR OUT
  local dir=$work/pe-vxd-$(basename "$3")
  mkdir -p "$dir"
  cp "$2/HALVIK.SYS" "$2/HALVIK2K.SYS" "$2/HALVINST.INF" "$2/HALVUNIN.EXE" "$dir/"
  cp "$2/HALVIK.SYS" "$dir/HALVIK.VXD"
  (cd "$dir" && "$build/bin/arq" sfx --version "$product" "$1" "$3" \
    HALVIK.SYS HALVIK.VXD HALVINST.INF HALVIK2K.SYS HALVUNIN.EXE >/dev/null)
}
pe_vxd_installer "$win32/bin/halvinst-stub.exe" "$win32/payload" "$work/halvinst-pe-vxd.exe" || exit 1
pe_vxd_installer "$build/bin/halvinst-stub" "$build/payload" "$work/halvinst-pe-vxd" || exit 1

# The base prefix, made once (about 20 s) and copied per version; the DLLs of
# system32, which no step changes, are hard links into it.
base=$work/base
export WINEPREFIX=$base
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKLM\System\CurrentControlSet\Control\Class\{4D36E965-E325-11CE-BFC1-08002BE10318}' \
  /v Class /d CDROM /f >/dev/null 2>&1
"$wineserver" -w
copy_prefix() {
  mkdir -p "$2"
  tar -C "$1" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$2" -xf -
  cp -al "$1/drive_c/windows/system32" "$2/drive_c/windows/"
}

keys=('HKLM\Software\Talven' 'HKLM\System\CurrentControlSet\Services\Halvik'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talven Halvik'
  'HKLM\System\CurrentControlSet\Control\Class\{4D36E965-E325-11CE-BFC1-08002BE10318}'
  'HKLM\System\CurrentControlSet\Control\Session Manager')

# ---- Wine side: one function per action, state into $out/STEP.txt ----
wine_run() { # COMMAND-LINE STEP
  local bat=$WINEPREFIX/drive_c/step.bat n=0 key
  mkdir -p "$WINEPREFIX/drive_c/state"
  rm -f "$WINEPREFIX"/drive_c/state/*
  { printf '@%s\r\n@echo exit code %%ERRORLEVEL%%\r\n' "$1"
    for key in "${keys[@]}"; do
      n=$((n + 1))
      printf '@reg export "%s" C:\\state\\%d.reg /y >nul 2>nul\r\n' "$key" "$n"
    done; } > "$bat"
  code=$("$wine" cmd /c 'C:\step.bat' 2>/dev/null | tr -d '\r' | sed -n 's/^exit code //p')
  code=$(( (${code:--1} + 4294967296) % 4294967296 ))   # none printed: 0xFFFFFFFF
  wine_state "$2" "$code"
}
wine_state() { # STEP CODE
  local user_temp
  user_temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 2 -iname temp -type d | head -n 1)
  { printf 'exit code 0x%08X\n' "$2"
    python3 "$state" --carried "$win32/payload" --windir "$WINEPREFIX/drive_c/windows" 'C:\windows' \
      --sysdir "$WINEPREFIX/drive_c/windows/system32" 'C:\windows\system32' \
      --temp "$user_temp" "C:\\users\\$(basename "$(dirname "$user_temp")")\\Temp" \
      "$WINEPREFIX"/drive_c/state/*.reg; } > "$out/wine-$1.txt"
}
wine_restart() { # STEP
  "$wine" wineboot -r >/dev/null 2>&1
  "$wineserver" -w
  wine_run 'rem restarted' "$1"
}

# ---- winsim side ----
ini() { sed -n "s/^$1=//p" "$machine/machine.ini" | tr -d '\r'; }
host() { # Windows path on the machine -> host path (long or 8.3 short names)
  local p=${1#?:\\} dir=$machine/c part e name
  IFS='\' read -ra parts <<<"$p"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    for e in "$dir"/*; do
      name=$(basename "$e")
      if [ "${name^^}" = "${part^^}" ]; then dir=$e; continue 2; fi
    done
    for e in "$dir"/*; do
      name=$(basename "$e")
      name=${name// /}
      if [[ "$part" == *~* && "${name^^}" == "${part%%~*}"* ]]; then dir=$e; continue 2; fi
    done
    dir=$dir/$part
  done
  echo "$dir"
}
sim_run() { # COMMAND-LINE STEP
  local code n=0 key
  # shellcheck disable=SC2086
  code=$("$winsim" run "$machine" -- $1 2>/dev/null | sed -n 's/^exit code 0x//p' | tail -n 1)
  sim_state "$2" "$((16#${code:-0}))"
}
sim_state() {
  local n=0 key
  for key in "${keys[@]}"; do
    n=$((n + 1))
    "$winsim" reg "$machine" "HKEY_LOCAL_MACHINE\\${key#HKLM\\}" > "$work/sim-$n.reg" 2>/dev/null || true
  done
  { printf 'exit code 0x%08X\n' "$2"
    python3 "$state" --carried "$build/payload" --windir "$(host "$(ini windir)")" "$(ini windir)" \
      --sysdir "$(host "$(ini sysdir)")" "$(ini sysdir)" \
      --temp "$(host "$(ini temppath)")" "$(ini temppath)" "$work"/sim-*.reg; } > "$out/winsim-$1.txt"
}
sim_restart() { "$winsim" reboot "$machine" >/dev/null; sim_state "$1" 0; }

# The status code of a step's exit code under Wine, and what of ours is on
# the machine then (files and registry values).
status() { echo $(( $(sed -n 's/^exit code //p' "$out/wine-$1.txt") >> 20 )); }
owned() { grep -v -e '^exit code ' -e 'a kept log' "$out/wine-$1.txt"; }
expect() { # STEP WHAT CONDITION: the Wine run's outcome as it must be
  checked=$((checked + 1))
  if ! eval "$3"; then
    echo "FAIL: $version $1: not $2"
    cat "$out/wine-$1.txt"
    failed=$((failed + 1))
  fi
}
pending() { grep -qiE 'pendingfilerenameoperations|wininit\.ini' "$1"; }

failed=0
checked=0
for version in $versions; do
  profile=$(awk -v v="$version" '$1 == v { print $2 }' <<<"$all_versions")
  [ -n "$profile" ] || { echo "FAIL: no such version $version"; failed=$((failed + 1)); continue; }
  started=$SECONDS
  out=$work/out-$version
  mkdir -p "$out"
  export WINEPREFIX=$work/wine-$version
  copy_prefix "$base" "$WINEPREFIX"
  "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
  cp "$exe" "$WINEPREFIX/drive_c/halvinst.exe"
  machine=$work/sim-$version
  "$winsim" create "$machine" --profile "$profile" >/dev/null
  # winsim runs the host build of the same sources in the release's place.
  cp "$build/bin/halvinst" "$machine/c/halvinst.exe"
  case $version in
    win9*|winme) mkdir -p "$WINEPREFIX/drive_c/windows/system32/iosubsys"
      wine_driver=$WINEPREFIX/drive_c/windows/system32/iosubsys/Halvik.vxd
      sim_driver=$(host "$(ini sysdir)")/IOSUBSYS/Halvik.vxd ;;
    *) wine_driver=$WINEPREFIX/drive_c/windows/system32/drivers/Halvik.sys
      sim_driver=$(host "$(ini sysdir)")/drivers/Halvik.sys ;;
  esac
  case $version in
    win9*|winme)
      # The release itself: Wine cannot read its VxD's version (see above).
      wine_run 'C:\halvinst.exe SILENT' 0-release-vxd
      expect 0-release-vxd "status 2067 (Wine reads no VxD version), nothing changed" \
        '[ "$(status 0-release-vxd)" = 2067 ] && [ -z "$(owned 0-release-vxd)" ]'
      # Its kept log is no part of the scenario that winsim runs too.
      find "$WINEPREFIX/drive_c/users" -maxdepth 3 -iname halvinst.log -delete
      cp "$work/halvinst-pe-vxd.exe" "$WINEPREFIX/drive_c/halvinst.exe"
      cp "$work/halvinst-pe-vxd" "$machine/c/halvinst.exe" ;;
  esac

  steps=()
  step() { # NAME WINE-COMMAND SIM-COMMAND
    wine_run "$2" "$1"; sim_run "$3" "$1"; steps+=("$1")
    if pending "$out/wine-$1.txt" || pending "$out/winsim-$1.txt"; then
      wine_restart "$1-restarted"; sim_restart "$1-restarted"; steps+=("$1-restarted")
    fi
  }
  if [ "$version" = win98 ]; then
    # A damaged 9x without system\iosubsys: the run fails cleanly (status
    # 2073) and creates and deletes nothing.
    rmdir "$WINEPREFIX/drive_c/windows/system32/iosubsys"
    mv "$(dirname "$sim_driver")" "$work/iosubsys-aside"
    step 0-no-iosubsys 'C:\halvinst.exe SILENT' 'C:\halvinst.exe SILENT'
    expect 0-no-iosubsys "status 2073, nothing changed" '[ "$(status 0-no-iosubsys)" = 2073 ] && [ -z "$(owned 0-no-iosubsys)" ]'
    mkdir "$WINEPREFIX/drive_c/windows/system32/iosubsys"
    mv "$work/iosubsys-aside" "$(dirname "$sim_driver")"
  fi
  step 1-install 'C:\halvinst.exe SILENT' 'C:\halvinst.exe SILENT'
  expect 1-install "status 2 and no backup of the driver just installed" \
    '[ "$(status 1-install)" = 2 ] && ! grep -q "halvik.bak" "$out/wine-1-install.txt"'
  cp "$older" "$wine_driver"; cp "$older" "$sim_driver"
  step 2-upgrade 'C:\halvinst.exe SILENT' 'C:\halvinst.exe SILENT'
  expect 2-upgrade "status 2, the older driver backed up" \
    '[ "$(status 2-upgrade)" = 2 ] && grep -q "halvik.bak = carried variants/7.1.0.188/halvik.sys" "$out/wine-2-upgrade.txt"'
  step 3-rerun 'C:\halvinst.exe SILENT' 'C:\halvinst.exe SILENT'
  expect 3-rerun "status 0, up to date" '[ "$(status 3-rerun)" = 0 ]'
  quiet_wine=$(sed -n 's/^reg .*quietuninstallstring = sz //p' "$out/wine-3-rerun.txt" | sed 's/%system%/C:\\windows\\system32/')
  quiet_sim=$(sed -n 's/^reg .*quietuninstallstring = sz //p' "$out/winsim-3-rerun.txt" | sed "s/%system%/$(ini sysdir | sed 's/\\/\\\\/g')/")
  step 4-uninstall "${quiet_wine:-missing}" "${quiet_sim:-missing}"
  expect 4-uninstall "status 1, removed; after the restart nothing of ours is left" \
    '[ "$(status 4-uninstall)" = 1 ] && [ -z "$(owned 4-uninstall-restarted | grep -v wininit.bak)" ]'

  for s in "${steps[@]}"; do
    checked=$((checked + 1))
    d=$(diff "$out/wine-$s.txt" "$out/winsim-$s.txt" | grep '^[<>]')
    for rule in "${allowed[@]}"; do
      read -r v st pattern <<<"${rule%%  #*}"
      [ "$v" = "$version" ] && [ "$st" = "$s" ] && d=$(grep -Ev "$pattern" <<<"$d")
    done
    if [ -n "$d" ]; then
      echo "FAIL: $version $s: Wine (<) and winsim's $profile (>) differ"
      echo "$d"
      failed=$((failed + 1))
    fi
  done
  echo "$version ($profile): ${steps[*]} in $((SECONDS - started)) s; $(head -n1 "$out/wine-1-install.txt"), upgrade $(head -n1 "$out/wine-2-upgrade.txt"), rerun $(head -n1 "$out/wine-3-rerun.txt"), uninstall $(head -n1 "$out/wine-4-uninstall.txt")"
  [ -n "${VERSIONS_KEEP:-}" ] && cp -r "$out" "$VERSIONS_KEEP/"
  "$wineserver" -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX" "$machine"
done
echo "wine32 versions: $((checked - failed)) passed, $failed failed"
[ "$failed" = 0 ]
