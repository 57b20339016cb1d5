// An application that fails inside the guarded region the way the test asks:
// FAIL_HOW = "fault", "divide", "throw", or "error then fault".
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "Halvinst.h"
#include "log.h"
#include "status.h"

static const char THIS_FILE[] = ".\\Halvinst\\Halvinst.cpp";

const char* FailHow = "";

BOOL ChooseStartupLanguage(void) { return TRUE; }
BOOL CheckSetupArchive(void) { return TRUE; }

// The faults are the point here: the sanitizers must let them happen.
__attribute__((no_sanitize("undefined", "address"))) BOOL StartupChecks(void) {
    static volatile int zero = 0;
    SetSourcePosition(THIS_FILE, 4242);
    if (std::strstr(FailHow, "error")) {
        RecordStatus(2055, 0);
        SetSourcePosition(THIS_FILE, 4243);
    }
    if (std::strstr(FailHow, "fault")) *static_cast<volatile int*>(nullptr) = 1;
    if (std::strstr(FailHow, "divide")) return 10 / zero;
    if (std::strstr(FailHow, "throw")) throw std::runtime_error("unexpected");
    return TRUE;
}

struct FileSet* GetFileSet(void) { return nullptr; }
BOOL RunWizard(void) { return TRUE; }
