#!/usr/bin/env bash
# Runs the codec benchmarks from a build directory (default build/); extra
# arguments are the files to measure, else a sample of the wine64 PE files.
#   1. codec_bench: the compressor at levels 2 and 5 against deflate -9 with
#      the same 8 KiB window, and the decoder against inflate (in-process,
#      interleaved file by file, best of several rounds, CPU time);
#   2. process_bench: the whole programs on the same files, `arq a` against
#      `gzip -9` and `arq x` against `gzip -dc`, interleaved, best of several;
#   3. levels.sh: every level against zlib's matching level, file by file, on
#      the level corpus, with the size checks;
#   4. registry_bench: winsim's registry store under 20,000 keys.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
for tool in codec_bench process_bench; do
  if [ ! -x "$build/bin/$tool" ]; then
    echo "$tool is not built in $build (codec_bench needs zlib1g-dev)" >&2
    exit 2
  fi
done
status=0
"$build/bin/codec_bench" "$@" || status=1
mapfile -t files < <("$build/bin/codec_bench" --list "$@")
"$build/bin/process_bench" "$build/bin/arq" "${files[@]}" || status=1
bash bench/levels.sh "$build" || status=1
if [ -x "$build/bin/registry_bench" ]; then
  "$build/bin/registry_bench" || status=1
fi
exit $status
