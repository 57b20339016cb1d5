// libFuzzer target over the installer's archive path: the input is the
// archive behind the installer, run through the engine's extraction with its
// real callback and checks. Beyond the sanitizers' findings it aborts when an
// extraction that reports success leaves an image that is not the entry it
// stands for: missing, or of another size than the entry's header gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../codec/cx.h"
#include "fuzz_machine.h"
#include "install.h"
#include "installer_reset.h"
#include "library.h"
#include "log.h"
#include "status.h"
#include "upgrade.h"
#include "winsim/machine.h"

namespace {

const DWORD kAll = FE_WIN9X | FE_NT4 | FE_W2K;

struct FileEntry Table[] = {
    {"halvinst.inf", "halvinst.inf", "", "halvinst", DIR_TEMP, FE_REGISTRY_SCRIPT | kAll, 0},
    {"halvunin.exe", "halvunin.exe", "", "halvunin", DIR_SYSTEM32, FE_NO_VERSION | FE_NO_BACKUP | kAll, 3},
    {"Halvik.vxd", "Halvik.vxd", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_WIN9X, 1},
    {"Halvik.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_NT4, 1},
    {"Halvik2k.sys", "Halvik.sys", "", "Halvik", DIR_DRIVERS, FE_REPLACE_NOW | FE_NEEDS_RESTART | FE_W2K, 1},
};
const DWORD kCount = sizeof Table / sizeof Table[0];
struct FileState States[kCount];
char ArchivePath[MAX_PATH];

// The header size of the first archive entry of that name, read on its own; false when none.
bool HeaderSize(const char *name, uint32_t *size)
{
    CxEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.outputHandle = -1;
    entry.archiveHandle = cxOpenFile(ArchivePath, CX_MODE_READ);
    if (entry.archiveHandle < 0)
        return false;
    bool found = false;
    int result = cxFindFirst(&entry);
    for (int n = 0; result == 0 && n < 1000 && !found; n++) {
        if (strcasecmp(entry.name, name) == 0) {
            *size = entry.uncompressedSize;
            found = true;
        }
        result = cxFindNext(&entry);
    }
    cxCloseFile(entry.archiveHandle);
    return found;
}

uint64_t HostSize(const std::string &windowsPath)
{
    FILE *f = std::fopen(winsim::HostPath(windowsPath).c_str(), "rb");
    if (!f)
        return UINT64_MAX;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    return (uint64_t)size;
}

void CheckImages(struct FileSet *set)
{
    for (DWORD i = 0; i < set->count; ++i) {
        if (!EntryApplies(&set->entries[i]))
            continue;
        uint32_t expected = 0;
        if (!HeaderSize(set->entries[i].archiveName, &expected)) {
            std::fprintf(stderr, "extraction succeeded without the entry %s\n", set->entries[i].archiveName);
            std::abort();
        }
        std::string image = std::string(GetDirectory(set->entries[i].directory)) + set->entries[i].imageName + ".TMP";
        if (HostSize(image) != expected) {
            std::fprintf(stderr, "image %s of %s is not %u bytes\n", image.c_str(), set->entries[i].archiveName,
                         expected);
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!StartFuzzMachine("install-fuzz"))
        std::exit(1);
    std::snprintf(ArchivePath, sizeof ArchivePath, "%s/HALVINST.EXE", FuzzScratch().c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!WriteFuzzFile(ArchivePath, data, size))
        return 0;
    ResetInstallerState();
    for (DWORD i = 0; i < kCount; ++i)
        Table[i].imageName[0] = '\0';
    std::memset(States, 0, sizeof States);
    struct FileSet set;
    std::memset(&set, 0, sizeof set);
    set.archivePath = ArchivePath;
    set.count = kCount;
    set.entries = Table;
    set.states = States;
    if (!InstallLibraryInit(""))
        return 0;
    if (CreateImageFiles(&set)) {
        if (StatusWord & 0x80000000) {
            std::fprintf(stderr, "extraction succeeded with an error status\n");
            std::abort();
        }
        CheckImages(&set);
    }
    CleanupImageFiles(&set, TRUE);
    return 0;
}
