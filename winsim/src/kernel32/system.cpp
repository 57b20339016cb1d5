// The process's identity and the machine's clock and directories.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "machine/faults.h"
#include "machine/machine_state.h"

namespace winsim {
namespace {
std::string& ProgramOverride() {
    static std::string path;
    return path;
}

// Copies `text` as the A calls do: the length on success, or the size
// needed (with its NUL) when the buffer is too small.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
    if (text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}
}  // namespace

void SetProgramPath(const std::string& windowsPath) { ProgramOverride() = windowsPath; }

std::string ProgramPath() {
    if (!ProgramOverride().empty()) return ProgramOverride();
    if (const char* program = std::getenv("WINSIM_PROGRAM"); program && *program) return program;
    char self[PATH_MAX] = {0};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    return WindowsPath(n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string("/"));
}

}  // namespace winsim

// The program's own path as a Windows path. The module handle is ignored:
// a winsim process has one module. A name that does not fit is cut to the
// buffer's size: Windows Vista and later terminate it and report
// ERROR_INSUFFICIENT_BUFFER; earlier Windows leave it unterminated and
// report success.
extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
    if (winsim::FailsHere("GetModuleFileNameA", false)) return 0;
    std::string path = winsim::ProgramPath();
    bool beforeVista = winsim::Machine().major < 6;
    if (size == 0) {
        SetLastError(beforeVista ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > size && beforeVista) {
        std::memcpy(buffer, path.c_str(), std::min<size_t>(size, path.size()));
        SetLastError(ERROR_SUCCESS);
        return size;
    }
    if (path.size() + 1 > size) {
        std::memcpy(buffer, path.c_str(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

extern "C" DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
    if (winsim::FailsHere("GetTempPathA", false)) return 0;
    return winsim::CopyOut(winsim::Machine().tempPath, buffer, size);
}

namespace {
void FillSystemTime(const struct tm& t, long nanoseconds, LPSYSTEMTIME out) {
    out->wYear = static_cast<WORD>(t.tm_year + 1900);
    out->wMonth = static_cast<WORD>(t.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    out->wDay = static_cast<WORD>(t.tm_mday);
    out->wHour = static_cast<WORD>(t.tm_hour);
    out->wMinute = static_cast<WORD>(t.tm_min);
    out->wSecond = static_cast<WORD>(t.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}
}  // namespace

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME out) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm t;
    localtime_r(&now.tv_sec, &t);
    FillSystemTime(t, now.tv_nsec, out);
}

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME out) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm t;
    gmtime_r(&now.tv_sec, &t);
    FillSystemTime(t, now.tv_nsec, out);
}

extern "C" void WINAPI Sleep(DWORD milliseconds) { usleep(static_cast<useconds_t>(milliseconds) * 1000); }

namespace winsim {
void ReportExitStatus(unsigned status) {
    const char* exitFile = std::getenv("WINSIM_EXIT_FILE");
    if (!exitFile || !*exitFile) return;
    if (FILE* f = std::fopen(exitFile, "w")) {
        std::fprintf(f, "0x%08X\n", status);
        std::fclose(f);
    }
}
}  // namespace winsim

extern "C" void WINAPI ExitProcess(UINT code) {
    winsim::ReportExitStatus(code);
    std::_Exit(static_cast<int>(code & 0xFF));
}
