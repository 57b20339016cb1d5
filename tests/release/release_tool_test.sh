#!/usr/bin/env bash
# halvrel on crafted driver folders: each problem is refused with its own
# line and nothing is written; a good folder (names in any case) gives an
# installer, the same bytes twice, whose manifest matches what it carries.
set -uo pipefail
halvrel=$1 arq=$2 stub=$3 payload=$4 mkpe=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=1; }

good() {  # a fresh folder of the four stand-ins
    rm -rf "$work/d" "$work/out"
    mkdir -p "$work/d" "$work/out"
    cp "$payload"/HALVIK.SYS "$payload"/HALVIK.VXD "$payload"/HALVIK2K.SYS "$payload"/HALVINST.INF "$work/d/"
}
release() {
    "$halvrel" --drivers "$work/d" --stub "$stub" --uninstaller "$payload/HALVUNIN.EXE" \
        --out "$work/out/halvinst" --arq "$arq" "$@" >"$work/stdout" 2>"$work/stderr"
}
# refused CASE LINE...: the run fails, prints each LINE, and writes nothing.
refused() {
    local case=$1
    shift
    if release; then fail "$case: accepted"; return; fi
    for line in "$@"; do
        grep -qF -- "$line" "$work/stderr" || fail "$case: no line '$line' in: $(cat "$work/stderr")"
    done
    [ -z "$(ls -A "$work/out")" ] || fail "$case: wrote $(ls -A "$work/out")"
}
inf_without() {  # the carried script without lines matching $1
    grep -v "$1" "$payload/HALVINST.INF" >"$work/d/HALVINST.INF"
}

good; rm "$work/d/HALVIK2K.SYS"
refused "a missing driver" "HALVIK2K.SYS: missing" "1 problem; nothing written"
good; echo notes >"$work/d/readme.txt"
refused "an extra file" "readme.txt: extra file"
good; cp "$work/d/HALVIK.SYS" "$work/d/halvik.sys.bak"; cp "$work/d/HALVIK.SYS" "$work/d/halvik.sys"
refused "a name twice in two cases" "extra file (a second HALVIK.SYS in another case)" "halvik.sys.bak: extra file"
good; "$mkpe" --out "$work/d/HALVIK.SYS" --machine amd64 >/dev/null
refused "a 64-bit driver" "HALVIK.SYS: not built for i386 (machine 0x8664)"
good; "$mkpe" --out "$work/d/HALVIK2K.SYS" --kind program >/dev/null
refused "a program for a driver" "HALVIK2K.SYS: not a kernel-mode driver (subsystem 2, not 1 native)"
good; cp "$payload/HALVIK.SYS" "$work/d/HALVIK.VXD"
refused "a PE image for the VxD" "HALVIK.VXD: not a linear executable (LE): its new header holds \"PE\""
good; cp "$payload/variants/none/HALVIK.SYS" "$work/d/HALVIK.SYS"
refused "a driver without a version" "HALVIK.SYS: has no version resource that winxp reads"
good; cp "$payload/variants/none/HALVIK.VXD" "$work/d/HALVIK.VXD"
refused "a VxD without a version" "HALVIK.VXD: has no version resource that win98 reads"
good; cp "$payload/variants/7.1.0.188/HALVIK.SYS" "$work/d/HALVIK2K.SYS"
refused "drivers of two versions" \
    "the drivers' file versions differ: HALVIK.SYS 7.1.0.189, HALVIK.VXD 7.1.0.189, HALVIK2K.SYS 7.1.0.188"
good; { cat "$payload/HALVINST.INF"; printf 'Long = REG_SZ:%0600d\r\n' 0; } >"$work/d/HALVINST.INF"
refused "a script the reader refuses" "HALVINST.INF: does not pass the installer's registry-script reader: Line"
good; inf_without '^Start'
refused "a script without Start" "HALVINST.INF: does not write the service key's Start value"
good; sed 's/^Type .*/Type = REG_SZ:1/' "$payload/HALVINST.INF" >"$work/d/HALVINST.INF"
refused "a Type that is no number" "HALVINST.INF: writes the service key's Type value, but not as REG_DWORD"
good; sed 's/Services\\Halvik/Services\\Other/' "$payload/HALVINST.INF" >"$work/d/HALVINST.INF"
refused "a script without the service key" "HALVINST.INF: does not write the service key"
good; rm "$work/d/HALVIK.VXD"; inf_without 'ErrorControl'
refused "two problems" "HALVIK.VXD: missing" "HALVINST.INF: does not write the service key's ErrorControl value" \
    "2 problems; nothing written"

# A good folder, its names in lower case: the installer and a manifest that matches it.
good
for f in "$work"/d/*; do mv "$f" "$work/d/$(basename "$f" | tr A-Z a-z)"; done
SOURCE_DATE_EPOCH=1700000000 release || fail "a good folder was refused: $(cat "$work/stderr")"
manifest=$work/out/halvinst-manifest.txt
grep -qx "product 7.1.0.189" "$manifest" || fail "the product version is not the drivers': $(cat "$manifest")"
read -r _ name size sum < <(grep '^installer ' "$manifest")
[ "$name $size $sum" = "halvinst $(stat -c %s "$work/out/halvinst") $(sha256sum <"$work/out/halvinst" | cut -d' ' -f1)" ] \
    || fail "the manifest's installer line does not match the installer"
grep -qx "signer none (unsigned development build)" "$manifest" || fail "an unsigned build names a signer"
mkdir "$work/x"
cp "$work/out/halvinst" "$work/x.exe"  # arq takes a name without extension for NAME.arq
"$arq" x "$work/x.exe" -o "$work/x" >/dev/null || fail "the installer's archive does not extract"
count=0
while read -r kind file version size sum; do
    [ "$kind" = file ] || continue
    count=$((count + 1))
    [ "$size $sum" = "$(stat -c %s "$work/x/$file") $(sha256sum <"$work/x/$file" | cut -d' ' -f1)" ] \
        || fail "the manifest's line for $file does not match the carried file"
    case $file in HALVIK*) [ "$version" = 7.1.0.189 ] || fail "$file: version $version";; esac
done <"$manifest"
[ "$count" = 5 ] || fail "the manifest lists $count carried files, not 5"
cp "$work/out/halvinst" "$work/first"; cp "$manifest" "$work/first-manifest"
rm -rf "$work/out"; mkdir "$work/out"
SOURCE_DATE_EPOCH=1700000000 release || fail "the second build was refused"
cmp -s "$work/first" "$work/out/halvinst" || fail "two builds of one release differ"
cmp -s "$work/first-manifest" "$manifest" || fail "two manifests of one release differ"
[ -z "$(ls -A "$work/out" | grep -v '^halvinst')" ] || fail "the staging folder was left: $(ls -A "$work/out")"

[ "$failed" = 0 ] && echo "release tool checks passed"
exit "$failed"
