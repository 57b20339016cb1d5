// Starting a program records it on the machine and starts nothing: each
// CreateProcessA appends a line to .winsim/processes, the command line
// followed by tab-separated details (application, directory, window
// position and size, show command). The handles it returns can be closed.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "faults.h"
#include "handles.h"
#include "machine_state.h"
#include "winsim/ui.h"

namespace winsim {
namespace {

struct ProcessObject : KernelObject {};
struct ThreadObject : KernelObject {};

DWORD nextProcessId = 0x4C0;

std::string ProcessesFile() {
    std::string dir = MachineDirectory() + "/.winsim";
    mkdir(dir.c_str(), 0755);
    return dir + "/processes";
}

std::string Record(LPCSTR application, LPCSTR commandLine, LPCSTR directory, const STARTUPINFOA* startup) {
    std::ostringstream line;
    line << (commandLine ? commandLine : application);
    if (application) line << "\tapplication=" << application;
    if (directory) line << "\tdirectory=" << directory;
    if (startup && (startup->dwFlags & STARTF_USEPOSITION)) line << "\tposition=" << startup->dwX << "," << startup->dwY;
    if (startup && (startup->dwFlags & STARTF_USESIZE)) line << "\tsize=" << startup->dwXSize << "x" << startup->dwYSize;
    if (startup && (startup->dwFlags & STARTF_USESHOWWINDOW)) line << "\tshow=" << startup->wShowWindow;
    return line.str();
}

}  // namespace

std::vector<std::string> StartedProcesses() {
    std::vector<std::string> lines;
    std::ifstream in(ProcessesFile());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace winsim

extern "C" BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR directory,
                                      LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information) {
    if (winsim::FailsHere("CreateProcessA", true)) return FALSE;
    if ((!application && !commandLine) || !startup || !information) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::ofstream out(winsim::ProcessesFile(), std::ios::app);
    out << winsim::Record(application, commandLine, directory, startup) << '\n';
    if (!out) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    information->hProcess = winsim::AddHandle(std::make_unique<winsim::ProcessObject>());
    information->hThread = winsim::AddHandle(std::make_unique<winsim::ThreadObject>());
    information->dwProcessId = winsim::nextProcessId;
    information->dwThreadId = winsim::nextProcessId + 4;
    winsim::nextProcessId += 8;
    return TRUE;
}
