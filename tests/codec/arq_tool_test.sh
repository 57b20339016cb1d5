#!/usr/bin/env bash
# arq as its users meet it: it works on the host's files directly, every level
# gives an archive that extracts to the same bytes, entry names reach the
# terminal escaped, a damaged entry is passed over and named, and `arq sfx`
# writes a file that can be run.
set -euo pipefail
arq=$1
stub=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

# arq works on the host's files: no simulated machine is set up for a run
# (there would be no room for one in a TMPDIR that does not exist).
TMPDIR="$work/none" WINSIM_MACHINE= "$arq" a host.arq "$stub" >/dev/null || fail "arq a needs a temporary directory"
TMPDIR="$work/none" WINSIM_MACHINE= "$arq" t host.arq >/dev/null || fail "arq t needs a temporary directory"

head -c 300000 "$stub" > data.bin
printf 'plain text %.0s' $(seq 1 500) >> data.bin
evil=$'A\e[31mB\x07.TXT'
cp data.bin "$evil"

for level in 1 2 5; do
  "$arq" a -$level "l$level.arq" data.bin >/dev/null
  mkdir "out$level"
  "$arq" x "l$level.arq" -o "out$level" >/dev/null
  cmp -s data.bin "out$level/DATA.BIN" || fail "level $level does not extract to the same bytes"
done
[ "$(stat -c %s l5.arq)" -le "$(stat -c %s l2.arq)" ] || fail "level 5 is larger than level 2"
[ "$(stat -c %s l2.arq)" -le "$(stat -c %s l1.arq)" ] || fail "level 2 is larger than level 1"
if "$arq" a -9 bad.arq data.bin >/dev/null 2>&1; then fail "level 9 was accepted"; fi

"$arq" a names.arq "$evil" > add.txt
"$arq" l names.arq > list.txt
"$arq" t names.arq > test.txt
mkdir names
"$arq" x names.arq -o names > extract.txt
for out in add.txt list.txt test.txt extract.txt; do
  if LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$out"; then fail "$out carries a raw control character"; fi
  grep -qF 'A\x1B[31MB\x07.TXT' "$out" || fail "$out does not show the escaped name: $(cat -v "$out")"
done

# A fixed entry time makes two archives of the same files the same bytes.
SOURCE_DATE_EPOCH=1000000000 "$arq" a e1.arq data.bin >/dev/null
touch -d '2020-01-01' data.bin
SOURCE_DATE_EPOCH=1000000000 "$arq" a e2.arq data.bin >/dev/null
cmp -s e1.arq e2.arq || fail "SOURCE_DATE_EPOCH does not fix the archive's bytes"
"$arq" l e1.arq | grep -q '2001-09-09 01:46:40' || fail "the entry does not carry SOURCE_DATE_EPOCH's time"
if SOURCE_DATE_EPOCH=soon "$arq" a e3.arq data.bin >/dev/null 2>&1; then fail "a bad SOURCE_DATE_EPOCH was accepted"; fi

# An entry that cannot be extracted is passed over and named at the end; the
# entries after it are still extracted.  The .ZIP names are stored as they are,
# so their bytes can be found: TWO's data gets a changed byte (CRC-32), FOUR's
# header an unknown method.
mkdir damaged && cd damaged
for name in ONE TWO THREE FOUR; do printf '%s file %sMARK\n' "$name" "$name" > "$name.ZIP"; done
"$arq" a d.arq ONE.ZIP TWO.ZIP THREE.ZIP FOUR.ZIP >/dev/null
poke() { printf "$2" | dd of=d.arq bs=1 seek="$1" conv=notrunc status=none; }
poke "$(grep -obUa TWOMARK d.arq | cut -d: -f1)" 'X'
poke $(( $(grep -obUa FOUR.ZIP d.arq | head -1 | cut -d: -f1) + 8 + 22 )) '\x09'
mkdir out
if "$arq" x d.arq -o out > x.txt 2> x.err; then fail "arq x succeeded with damaged entries"; fi
cmp -s ONE.ZIP out/ONE.ZIP || fail "the entry before the damaged one was not extracted"
cmp -s THREE.ZIP out/THREE.ZIP || fail "the entry after the damaged one was not extracted"
[ ! -e out/TWO.ZIP ] && [ ! -e out/FOUR.ZIP ] || fail "a damaged entry left a file"
grep -q 'TWO.ZIP: extract failed (codec result -7' x.err || fail "the CRC failure is not named: $(cat x.err)"
grep -q 'FOUR.ZIP: extract failed' x.err || fail "the unknown method is not named: $(cat x.err)"
grep -q '2 entries not extracted: TWO.ZIP, FOUR.ZIP' x.err || fail "no closing error names both: $(cat x.err)"
cd ..

umask 022
"$arq" sfx "$stub" installer data.bin >/dev/null
[ -x installer ] || fail "arq sfx left its output without the execute permission"
"$arq" t installer >/dev/null || fail "the self-extracting file does not test"
echo "arq tool checks passed"
