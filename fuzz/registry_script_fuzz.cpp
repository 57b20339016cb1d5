// libFuzzer target over the registry script reader: the input is the script
// file, applied on a Windows XP machine. Any outcome but a wild access or an
// endless pass is fine; keys and values land in the machine's registry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_machine.h"
#include "install.h"
#include "installer_reset.h"
#include "library.h"
#include "registry.h"
#include "winsim/machine.h"

namespace {

const char kScript[] = "C:\\WINDOWS\\TEMP\\KVT1.TMP";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!StartFuzzMachine("registry-script-fuzz"))
        std::exit(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!WriteFuzzFile(winsim::HostPath(kScript), data, size))
        return 0;
    ResetInstallerState();
    if (!InstallLibraryInit(""))
        return 0;
    ApplyRegistryScript(kScript);
    return 0;
}
