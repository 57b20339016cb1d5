#!/usr/bin/env bash
# The main job: a fresh simulated Windows XP machine, the installer copied
# onto its CD-ROM drive and run silently, then the log, the exit code and
# what the run left in the registry.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
machine=${DEMO_MACHINE:-demo-machine}

rm -rf "$machine"
"$bin/winsim" create "$machine" --profile winxp
cp "$bin/halvinst" "$machine/d/HALVINST.EXE"

echo "== winsim run $machine -- D:\\HALVINST.EXE SILENT LEAVELOG LEAVESTATUS"
"$bin/winsim" run "$machine" -- 'D:\HALVINST.EXE' SILENT LEAVELOG LEAVESTATUS

echo
echo "== the log"
find "$machine/c" -iname 'HALVINST.LOG' -print0 | xargs -0 -I{} sh -c 'echo "({})"; tr -d "\r" < "{}"'

echo "== what the run left in the registry"
"$bin/winsim" reg "$machine" 'HKEY_LOCAL_MACHINE\SOFTWARE\Talven'
