#!/usr/bin/env bash
# A signed release from the stand-ins with a throwaway certificate (CI): the
# installer's and the carried uninstaller's signatures verify, the manifest
# names the signer, and the signed installer installs under Wine. One byte
# changed in its archive (a data byte with its entry's CRC-32 fixed up, or a
# header byte that no CRC covers) breaks the signature, and the installer
# refuses as a damaged setup (2069) before it changes anything.
# Usage: tests/release/signed_release.sh BUILD_DIR...   (build-win32, build-win64)
# The Wine runs take the 64-bit build: a 32-bit process in a wine64 prefix
# sees no system32\drivers folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAILED: $*"; failed=1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Halvinst CI throwaway/O=Talven" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
for build in "$@"; do
echo "== $build"
rm -rf "$work/out" "$work/x"
SOURCE_DATE_EPOCH=1700000000 build/bin/halvrel --drivers build/release-drivers \
    --stub "$build/bin/halvinst-stub.exe" --uninstaller "$build/payload/HALVUNIN.EXE" \
    --out "$work/out/halvinst.exe" --cert "$work/cert.pem" --key "$work/key.pem" >/dev/null
installer=$work/out/halvinst.exe
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.txt" 2>&1; }
verify "$installer" || fail "the installer's signature does not verify: $(cat "$work/verify.txt")"
mkdir "$work/x"
build/bin/arq x "$installer" HALVUNIN.EXE -o "$work/x" >/dev/null || fail "the signed installer does not extract"
verify "$work/x/HALVUNIN.EXE" || fail "the carried uninstaller's signature does not verify"
grep -q '^signer O=Talven,CN=Halvinst CI throwaway; certificate SHA-256 ' "$work/out/halvinst-manifest.txt" \
    || fail "the manifest does not name the signer: $(grep signer "$work/out/halvinst-manifest.txt")"
echo "signatures of the installer and the carried uninstaller verify"

# Two damaged copies: byte offsets from the stamp and the entry headers.
python3 - "$installer" "$work" <<'PY'
import struct, sys, zlib
data = bytearray(open(sys.argv[1], 'rb').read())
stamp = data.find(b'HALVINST-STAMP-1')
offset, = struct.unpack_from('<I', data, stamp + 24)
at = data.find(b'gW\x04\x01', offset)              # the first entry
name_length, = struct.unpack_from('<H', data, at + 6)
attributes = at + 8 + name_length
stored, = struct.unpack_from('<I', data, attributes + 10)
start = attributes + 33
damaged = bytearray(data)
damaged[start + stored // 2] ^= 0x20                # a data byte, and its CRC-32 to match
struct.pack_into('<I', damaged, attributes + 18, zlib.crc32(bytes(damaged[start:start + stored])))
open(sys.argv[2] + '/data.exe', 'wb').write(damaged)
damaged = bytearray(data)
damaged[attributes] ^= 0x01                         # the time stamp: no CRC covers it
open(sys.argv[2] + '/header.exe', 'wb').write(damaged)
PY
for damaged in data header; do
    if verify "$work/$damaged.exe"; then fail "$damaged: the signature still verifies"; fi
done
build/bin/arq t "$work/data.exe" 2>&1 | grep -q "CRC" && fail "data: the CRC-32 was not fixed up"
echo "a changed data byte (CRC-32 fixed up) and a changed header byte break the signature"

[ "$build" = build-win64 ] || continue
# Under Wine: the intact signed installer installs; a damaged one changes nothing.
run_wine() {  # EXE: prints the status code of a silent run, then whether the driver is in place
    (
        . tests/wine/prefix.sh "$1"
        out=$(run_cmd 'C:\halvinst.exe SILENT')
        code=$(exit_code "$out")
        echo "$((code >> 20)) $([ -e "$WINEPREFIX/drive_c/windows/system32/drivers/Halvik.sys" ] && echo driver || echo none)"
    )
}
result=$(run_wine "$installer")
[ "$result" = "2 driver" ] || fail "the signed installer did not install under Wine: $result"
result=$(run_wine "$work/data.exe")
[ "$result" = "2069 none" ] || fail "the damaged signed installer did not refuse before changing anything: $result"
echo "under Wine the signed installer installs and the damaged one refuses with 2069"
done

[ "$failed" = 0 ] && echo "signed release checks passed"
exit "$failed"
