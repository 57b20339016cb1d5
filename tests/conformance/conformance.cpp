// A transcript of how this machine's Win32 behaves where the installer, the
// uninstaller and arq rely on it. The same source runs on winsim (host build,
// `winsim run`) and under wine64 (win64 build); compare.sh compares the two.
#include <cstdio>

#include "check.h"

int main() {
    using namespace conformance;
    CheckFiles();
    CheckFileContents();
    CheckFileNames();
    CheckMoves();
    CheckRegistry();
    CheckRegistryValues();
    CheckSystem();
    CheckStrings();
    CheckLocale();
    CheckCodePages();
    CheckVersionResources();
    CheckOwnResources();
    std::printf("checks: %d\n", ReportCount());
    return 0;
}
