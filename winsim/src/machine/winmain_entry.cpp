// The start of a WinMain program on the host: attach to the simulated
// machine, pass the command tail, and hand back the full 32-bit exit code.
// A POSIX exit status keeps only 8 bits, so the whole status word is also
// written to the file named by WINSIM_EXIT_FILE, where `winsim run` reads it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "winsim/machine.h"
#include "winsim/module_resources.h"

// The installer's resource table, when the program carries one.
extern "C" const WinsimResourceTable halvinstResources __attribute__((weak));

int main(int argc, char** argv) {
    const char* dir = std::getenv("WINSIM_MACHINE");
    std::string error;
    if (!dir || !*dir || !winsim::UseMachine(dir, error)) {
        std::fprintf(stderr,
                     "%s: this is a Windows program and needs a simulated Windows machine%s%s.\n"
                     "Create one and run the program on it:\n"
                     "  winsim create DIR --profile winxp\n"
                     "  winsim run DIR -- %s [ARGS]\n",
                     argv[0], error.empty() ? "" : ": ", error.c_str(), argv[0]);
        return 3;
    }
    if (&halvinstResources) winsim::SetModuleResources(&halvinstResources);
    // Windows hands WinMain the command line after the program's name.
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    std::vector<char> commandLine(tail.begin(), tail.end());
    commandLine.push_back('\0');
    int status = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
    winsim::ReportExitStatus(static_cast<unsigned>(status));
    return status & 0xFF;
}
