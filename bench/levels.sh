#!/usr/bin/env bash
# Every compression level against zlib's matching level (arq -1..-5 against
# zlib 1, 6, 7, 8, 9, all with the 8192-byte window), file by file, on the
# level corpus: the generated files of corpus_gen and a fixed list of files
# that a Debian system with this project's build dependencies has (text,
# source, a font, ELF and PE programs, an already compressed file).  Extra
# arguments replace the system files.  Exits non-zero when a level is larger
# than its zlib level or than a lower level on any file.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
for tool in level_bench corpus_gen; do
  if [ ! -x "$build/bin/$tool" ]; then
    echo "$tool is not built in $build (level_bench needs zlib1g-dev)" >&2
    exit 2
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/corpus_gen" "$work"

if [ $# -gt 0 ]; then
  system=("$@")
else
  system=(
    /usr/share/vim/vim90/doc/version8.txt
    /usr/share/perl/5.36.0/unicore/Name.pl
    /usr/share/mingw-w64/include/shobjidl.h
    /usr/share/common-licenses/GPL-3
    /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
    /usr/bin/bash
    /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe
    /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll
    /usr/share/doc/valgrind/valgrind_manual.ps.gz
  )
fi
files=("$work"/text.txt "$work"/blocks.txt "$work"/log.txt "$work"/mixed.bin "$work"/runs.bin "$work"/random.bin)
for f in "${system[@]}"; do
  if [ -r "$f" ]; then files+=("$f"); else echo "levels.sh: $f is not on this system; left out" >&2; fi
done
"$build/bin/level_bench" "${files[@]}"
