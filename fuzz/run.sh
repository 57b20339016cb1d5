#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time: the codec over
# the seed corpus for FUZZ_SECONDS (default 60), then the installer's archive
# path, its registry script reader, its move record reader and the LE (VxD)
# reader for FUZZ_INSTALLER_SECONDS each (default 30).  Needs clang and libclang-rt-dev
# (Debian) and python3 (for the installer targets' seeds).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
installer_seconds="${FUZZ_INSTALLER_SECONDS:-30}"
build=build-fuzz

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DHALVINST_SANITIZE=ON -DHALVCODEC_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target codec_fuzz install_fuzz registry_script_fuzz move_record_fuzz le_image_fuzz arq payload -j 2

# New inputs go to scratch corpora; the seeds in the repository stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/codec" "$work/install" "$work/registry" "$work/moves" "$work/files" "$work/le"
cp fuzz/corpus/* "$work/codec/"
"$build/bin/codec_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 "$work/codec"
echo "codec fuzzing ran clean for $seconds seconds"

# Seeds of the installer targets: a small payload in the carried files' names,
# the carried registry script, and a move record file of two records.
python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
files = {"HALVINST.INF": open("payload/halvinst.inf", "rb").read(),
         "HALVUNIN.EXE": b"MZ" + bytes(range(256)) * 2,
         "HALVIK2K.SYS": b"MZ" + b"driver " * 300}
for name, data in files.items():
    open(f"{work}/files/{name}", "wb").write(data)
open(f"{work}/registry/halvinst.inf", "wb").write(files["HALVINST.INF"])
open(f"{work}/registry/options.inf", "wb").write(
    b"[OPTIONAL]\n[HKEY_CURRENT_USER]\nREGKEY=Software\\Talven\\Test\n@ = REG_SZ: %%WINSYSDIR%%\\halvunin.exe\n"
    b"List = REG_MULTI_SZ:4 97 0 0 0\nBytes = REG_BINARY:3 1,2 255\nCount = reg_dword:0x10\n")
def record(source, destination):
    s, d = source.encode(), destination.encode()
    return struct.pack("<III", 12 + len(s) + len(d), len(s), len(d)) + s + d
open(f"{work}/moves/two-records", "wb").write(
    record("C:\\WINDOWS\\system32\\drivers\\KVT1.TMP", "C:\\WINDOWS\\system32\\drivers\\Halvik.sys") +
    record("C:\\WINDOWS\\system32\\KVT2.TMP", "C:\\WINDOWS\\system32\\halvunin.exe"))
PY
(cd "$work/files" && "$OLDPWD/$build/bin/arq" a "$work/install/payload.arq" HALVINST.INF HALVUNIN.EXE HALVIK2K.SYS >/dev/null)

# The LE reader starts from the stand-in VxD and its version-less variant.
cp "$build/payload/HALVIK.VXD" "$work/le/with-version"
cp "$build/payload/variants/none/HALVIK.VXD" "$work/le/without-version"

for target in install registry moves le; do
  case $target in
    install) binary=install_fuzz ;;
    registry) binary=registry_script_fuzz ;;
    moves) binary=move_record_fuzz ;;
    le) binary=le_image_fuzz ;;
  esac
  "$build/bin/$binary" -max_total_time="$installer_seconds" -max_len=16384 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work/$target"
  echo "$binary ran clean for $installer_seconds seconds"
done
