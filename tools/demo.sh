#!/usr/bin/env bash
# The main job: a fresh simulated Windows XP machine, the installer copied
# onto its CD-ROM drive and run silently, then the log, the full exit code
# and what the run changed on the machine; then the uninstaller that the
# installer registered, run silently as Add/Remove Programs' quiet command
# would, a restart, and what is left compared with the machine before the
# install: nothing but the two logs.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
machine=${DEMO_MACHINE:-demo-machine}
snapshot="$machine.before"
installed="$machine.installed"

rm -rf "$machine" "$snapshot" "$installed"
"$bin/winsim" create "$machine" --profile winxp
cp "$bin/halvinst" "$machine/d/HALVINST.EXE"
"$bin/winsim" snapshot "$machine" "$snapshot"

echo "== winsim run $machine -- D:\\HALVINST.EXE SILENT LEAVELOG"
start=$(date +%s%N)
"$bin/winsim" run "$machine" -- 'D:\HALVINST.EXE' SILENT LEAVELOG
end=$(date +%s%N)
echo "(the install step took $(( (end - start) / 1000000 )) ms)"

echo
echo "== the log"
find "$machine/c" -iname 'HALVINST.LOG' -print0 | xargs -0 -I{} sh -c 'echo "({})"; tr -d "\r" < "{}"'

echo "== what the run changed on the machine"
"$bin/winsim" diff "$snapshot" "$machine" || true
"$bin/winsim" snapshot "$machine" "$installed"

# The command Add/Remove Programs runs for a quiet removal, as registered.
quiet=$("$bin/winsim" reg "$machine" 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Talven Halvik' |
  sed -n 's/^"QuietUninstallString"="\(.*\)"$/\1/p' | sed 's/\\\\/\\/g')
uninstaller=${quiet% SILENT}
echo
echo "== winsim run $machine -- $uninstaller SILENT LEAVELOG   (the registered QuietUninstallString, and LEAVELOG)"
"$bin/winsim" run "$machine" -- "$uninstaller" SILENT LEAVELOG

echo
echo "== the uninstaller's log"
find "$machine/c" -iname 'HALVUNIN.LOG' -print0 | xargs -0 -I{} sh -c 'echo "({})"; tr -d "\r" < "{}"'

echo "== what the uninstaller changed on the machine"
"$bin/winsim" diff "$installed" "$machine" || true

echo
echo "== winsim reboot $machine"
"$bin/winsim" reboot "$machine"

echo
echo "== the machine now, compared with the machine before the install"
"$bin/winsim" diff "$snapshot" "$machine" || true
rm -f "$snapshot" "$installed"
