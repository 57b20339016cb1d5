#!/usr/bin/env bash
# Runs the codec benchmark from a build directory (default build/); extra
# arguments are the files to measure, else a sample of the wine64 PE files.
# Then the whole programs on the same files, in CPU time (user + system):
# `arq a` at its default level against `gzip -9`, each file on its own as
# either would be run; and winsim's registry store under 20,000 keys.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
if [ ! -x "$build/bin/codec_bench" ]; then
  echo "codec_bench is not built in $build (needs zlib1g-dev)" >&2
  exit 2
fi
status=0
"$build/bin/codec_bench" "$@" || status=1

mapfile -t files < <("$build/bin/codec_bench" --list "$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpu() {   # prints the CPU time (clock ticks) of the command and its children
  local me=$BASHPID before after
  before=$(awk '{print $16 + $17}' "/proc/$me/stat")
  "$@"
  after=$(awk '{print $16 + $17}' "/proc/$me/stat")
  echo $(( after - before ))
}
arq_ticks=$( { cpu bash -c 'for f in "$@"; do "$0" a "'"$work"'/$(basename "$f").arq" "$f" >/dev/null; done' \
  "$build/bin/arq" "${files[@]}"; } | tail -1)
gzip_ticks=$( { cpu bash -c 'for f in "$@"; do gzip -9 -c "$f" >/dev/null; done' _ "${files[@]}"; } | tail -1)
echo "whole process, CPU time over ${#files[@]} files: arq a (default level) $arq_ticks ticks," \
  "gzip -9 $gzip_ticks ticks, gzip/arq $(awk -v a="$arq_ticks" -v g="$gzip_ticks" 'BEGIN{printf "%.3f", g/a}')"
if [ "$arq_ticks" -gt "$gzip_ticks" ]; then
  echo "target: arq a at least as fast as gzip -9 ... MISSED"; status=1
else
  echo "target: arq a at least as fast as gzip -9 ... met"
fi

if [ -x "$build/bin/registry_bench" ]; then
  "$build/bin/registry_bench" || status=1
fi
exit $status
