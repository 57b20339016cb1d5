// A transcript of how this machine's Win32 behaves where the installer, the
// uninstaller and arq rely on it. The same source runs on winsim (host build,
// `winsim run`) and under wine64 (win64 build); compare.sh compares the two.
#include <cstdio>
#include <cstring>

#include "check.h"

int main(int argc, char** argv) {
    using namespace conformance;
    if (argc > 1 && std::strcmp(argv[1], "hold-mutex") == 0) return HoldMutexAndEnd();
    if (argc > 1 && std::strcmp(argv[1], "fault") == 0) return FaultUnderHandler();
    CheckFiles();
    CheckFileContents();
    CheckFileNames();
    CheckMoves();
    CheckRegistry();
    CheckRegistryValues();
    CheckSystem();
    CheckProcesses();
    CheckStrings();
    CheckLocale();
    CheckCodePages();
    CheckVersionResources();
    CheckOwnResources();
    CheckGdi();
    // Windows need a display: under Wine an X server, which compare.sh says
    // it has by this word (and passes to winsim's run as well).
    if (argc > 1 && std::strcmp(argv[1], "windows") == 0) CheckWindows();
    std::printf("checks: %d\n", ReportCount());
    return 0;
}
