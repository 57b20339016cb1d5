#!/usr/bin/env bash
# Builds the codec's fuzz target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it over the seed corpus for a bounded
# time: FUZZ_SECONDS (default 60).  Needs clang and libclang-rt-dev (Debian).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DHALVINST_SANITIZE=ON -DHALVCODEC_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target codec_fuzz -j 2

# New inputs go to a scratch corpus; the seeds in the repository stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work/"
"$build/bin/codec_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 "$work"
echo "fuzzing ran clean for $seconds seconds"
