#!/usr/bin/env bash
# The main job: a fresh simulated Windows XP machine, the installer copied
# onto its CD-ROM drive and run silently, then the log, the full exit code
# and what the run changed on the machine.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
machine=${DEMO_MACHINE:-demo-machine}
snapshot="$machine.before"

rm -rf "$machine" "$snapshot"
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
rm -f "$snapshot"
