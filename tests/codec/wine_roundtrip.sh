#!/usr/bin/env bash
# A Windows build of arq under its Wine (the i686 build under 32-bit Wine,
# win64 under wine64): builds an archive and a self-extracting file, lists
# and tests them, extracts both and compares every byte with the originals.
# Usage: tests/codec/wine_roundtrip.sh [build-win64|build-win32]
set -euo pipefail
build="$(cd "${1:-build-win64}" && pwd)"
arq="$build/bin/arq.exe"
[ -f "$arq" ] || { echo "$arq not built (make win32 / make win64)" >&2; exit 2; }
. "$(dirname "$0")/../wine/wine_select.sh"
select_wine "$arq" || exit 2

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# The prefix can go only once its wineserver has ended.
trap '"$wineserver" -k >/dev/null 2>&1 || true; sleep 1; rm -rf "$work"' EXIT
cd "$work"

# Test data: text, incompressible bytes, a real PE file when wine ships one, and a stub.
python3 - <<'PY'
import os, random
random.seed(3)
words = b"extract archive entry window codec block Huffman installer driver".split()
open("text.txt", "wb").write(b" ".join(random.choice(words) for _ in range(60000)))
open("random.bin", "wb").write(os.urandom(20000))
open("stub.exe", "wb").write(b"MZ" + bytes(random.randrange(0, 0x60) for _ in range(200000)))
PY
pe=$wine_dlls/notepad.exe
files=(text.txt random.bin)
if [ -f "$pe" ]; then cp "$pe" notepad.exe; files+=(notepad.exe); fi

run() { "$wine" "$arq" "$@"; }
run a test.arq "${files[@]}"
run l test.arq
run t test.arq
run x test.arq -o out
run sfx stub.exe setup.exe "${files[@]}"
run t setup.exe
run x setup.exe -o out2

for f in "${files[@]}"; do
  upper="$(echo "$f" | tr a-z A-Z)"
  cmp "$f" "out/$upper"
  cmp "$f" "out2/$upper"
done
cmp -n 200002 stub.exe setup.exe
echo "wine${wine_bits} round trip: ${#files[@]} files identical through the archive and the self-extracting file"
echo "wine${wine_bits} codec round trip: 1 passed, 0 failed"
