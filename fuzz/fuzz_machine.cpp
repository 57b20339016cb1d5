#include "fuzz_machine.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "winsim/machine.h"

namespace fs = std::filesystem;

namespace {

std::string scratch;

void removeScratch()
{
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

}  // namespace

bool StartFuzzMachine(const char *target)
{
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    scratch = (base / (std::string(target) + "-" + std::to_string(getpid()))).string();
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    std::atexit(removeScratch);
    std::string error;
    if (!winsim::CreateMachine(scratch + "/machine", "winxp", {}, error) ||
        !winsim::UseMachine(scratch + "/machine", error)) {
        std::fprintf(stderr, "%s: %s\n", target, error.c_str());
        return false;
    }
    winsim::SetProgramPath("D:\\HALVINST.EXE");
    return true;
}

const std::string &FuzzScratch()
{
    return scratch;
}

bool WriteFuzzFile(const std::string &hostPath, const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(hostPath.c_str(), "wb");
    if (!f)
        return false;
    bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}
