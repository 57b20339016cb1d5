// libFuzzer target over the move record file reader: the input is the move
// record file that an earlier run left in the System32 directory, searched
// for the names the comparison asks about.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_machine.h"
#include "install.h"
#include "installer_reset.h"
#include "library.h"
#include "upgrade.h"
#include "winsim/machine.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!StartFuzzMachine("move-record-fuzz"))
        std::exit(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ResetInstallerState();
    if (!InstallLibraryInit(""))
        return 0;
    // Written after the start: the engine's start deletes a stale record.
    std::string record = winsim::HostPath(std::string(GetDirectory(DIR_SYSTEM32)) + "kvtinit.TMP");
    if (!WriteFuzzFile(record, data, size))
        return 0;
    static const char *const names[] = {"C:\\WINDOWS\\system32\\drivers\\Halvik.sys",
                                        "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\HALVIK.SYS", "C:\\WINDOWS\\system32\\halvunin.exe",
                                        ""};
    for (const char *name : names) {
        char pair[2 * MAX_PATH];
        std::memset(pair, 0, sizeof pair);
        FindMoveRecord(name, pair);
        if (std::memchr(pair, 0, MAX_PATH) == nullptr || std::memchr(pair + MAX_PATH, 0, MAX_PATH) == nullptr) {
            std::fprintf(stderr, "a found pair is not terminated within its buffers\n");
            std::abort();
        }
    }
    return 0;
}
