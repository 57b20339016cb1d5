#!/usr/bin/env bash
# Runs the codec benchmark from a build directory (default build/); extra
# arguments are the files to measure, else a sample of the wine64 PE files.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
if [ ! -x "$build/bin/codec_bench" ]; then
  echo "codec_bench is not built in $build (needs zlib1g-dev)" >&2
  exit 2
fi
"$build/bin/codec_bench" "$@"
