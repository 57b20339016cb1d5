// The machine's clock and its time since the last start: GetTickCount
// counts from when `winsim reboot` last restarted the machine, or from its
// creation when it never was.
#include <sys/stat.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <windows.h>

#include "machine/machine_state.h"

namespace {

constexpr int64_t kSecondsFrom1601To1970 = 11644473600ll;

struct timespec Now() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

std::string BootMark() { return winsim::MachineDirectory() + "/.winsim/boot"; }

}  // namespace

namespace winsim {

void MarkBoot() {
    std::error_code ec;
    std::filesystem::create_directories(MachineDirectory() + "/.winsim", ec);
    if (FILE* f = std::fopen(BootMark().c_str(), "w")) std::fclose(f);
}

}  // namespace winsim

extern "C" DWORD WINAPI GetTickCount(void) {
    struct stat boot;
    if (stat(BootMark().c_str(), &boot) != 0 && stat((winsim::MachineDirectory() + "/machine.ini").c_str(), &boot) != 0)
        return 0;
    struct timespec now = Now();
    int64_t ms = (static_cast<int64_t>(now.tv_sec) - boot.st_mtim.tv_sec) * 1000 +
                 (now.tv_nsec - boot.st_mtim.tv_nsec) / 1000000;
    // Like Windows' counter it wraps after 49.7 days.
    return static_cast<DWORD>(ms < 0 ? 0 : ms);
}

extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME out) {
    struct timespec now = Now();
    uint64_t ticks = static_cast<uint64_t>(now.tv_sec + kSecondsFrom1601To1970) * 10000000ull +
                     static_cast<uint64_t>(now.tv_nsec / 100);
    out->dwLowDateTime = static_cast<DWORD>(ticks);
    out->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}
