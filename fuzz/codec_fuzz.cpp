// libFuzzer target over archive bytes.  The first byte chooses the route:
// even values feed the rest straight to the method 2 decoder; odd values
// write it as an archive file and run the scan, the enumeration with
// cxTestFile, and a full extraction into a scratch directory, after which
// every file reported written must hold the size its header gives.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "cx.h"
#include "fuzz_machine.h"
#include "memory_decode.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kOutputLimit = 1u << 20;     // longer outputs are aborted through the callback
std::string scratch;

// The size each output path was last reported written with (event 7).
std::map<std::string, uint32_t> written;

int32_t boundedEvents(CxEntry *entry, int32_t code, int32_t lVal)
{
    if (code == CX_EV_PROGRESS && (uint32_t)lVal > kOutputLimit)
        entry->action = CX_ACTION_STOP;
    if (code == CX_EV_WRITTEN)
        written[entry->name] = entry->uncompressedSize;
    return 0;
}

// After an extraction that reports success, every file reported written
// holds the size its header gives: a short or padded file is a codec fault.
void checkWrittenSizes()
{
    for (const auto &[path, size] : written) {
        std::error_code error;
        uintmax_t actual = fs::file_size(path, error);
        if (error || actual != size) {
            fprintf(stderr, "%s: %ju bytes written for a size of %u\n", path.c_str(), error ? 0 : actual, size);
            abort();
        }
    }
}

void decodeStream(const uint8_t *data, size_t size)
{
    if (size < 2)
        return;
    size_t outSize = ((size_t)data[0] << 8 | data[1]) * 4;
    static std::vector<uint8_t> out;
    out.resize(outSize);
    cxDecodeBuffer(data + 2, size - 2, out.data(), outSize);
}

void runArchive(const uint8_t *data, size_t size)
{
    std::string archive = scratch + "/input.bin";
    FILE *f = fopen(archive.c_str(), "wb");
    if (!f)
        return;
    fwrite(data, 1, size, f);
    fclose(f);

    CxEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.outputHandle = -1;
    entry.archiveHandle = cxOpenFile(archive.c_str(), CX_MODE_READ);
    if (entry.archiveHandle >= 0) {
        int result = cxFindFirst(&entry);
        for (int n = 0; result == 0 && n < 1000; n++) {
            cxTestFile(&entry);
            result = cxFindNext(&entry);
        }
        cxCloseFile(entry.archiveHandle);
    }

    std::string out = scratch + "/out/";
    if (cxOpenArchive(archive.c_str(), CX_OPEN_READ_ONLY) == 0) {
        written.clear();
        if (cxExtract("*.*", out.c_str()) == 0 && cxProcess() == 0)
            checkWrittenSizes();
        cxCloseArchive();
    }
    std::error_code ignored;
    fs::remove_all(scratch + "/out", ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Every input goes through files: memory-backed storage keeps the rate up.
    if (!StartFuzzMachine("codec-fuzz"))
        std::exit(1);
    scratch = FuzzScratch();
    cxInit();
    cxSetOption(CX_OPTION_EVENT_CALLBACK, (intptr_t)boundedEvents);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1)
        runArchive(data + 1, size - 1);
    else
        decodeStream(data + 1, size - 1);
    return 0;
}
