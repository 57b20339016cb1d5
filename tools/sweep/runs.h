// Running the installer and the uninstaller on a machine of the sweep, and
// looking at the machine: its state, a restart, a copy.
#ifndef SWEEP_RUNS_H
#define SWEEP_RUNS_H

#include <string>
#include <vector>

// What a run printed and how it ended.
struct Outcome {
    bool killed = false;
    bool exited = false;
    unsigned long status = 0;  // the program's exit code (its status word)
    std::string text;
};

// Where a Windows keeps the driver and the uninstaller.
struct Target {
    std::string driver;       // Windows path of the installed driver
    std::string uninstaller;  // Windows path of HALVUNIN.EXE
};
Target TargetOf(const std::string& profile);

enum class Program { Install, Uninstall };

std::string ReadFile(const std::string& path);

// Runs argv with extra environment variables (the caller's WINSIM_ ones
// left out); returns what it printed on both streams.
std::string Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int* status = nullptr);

// Runs the program silently with the faults of `faults` (WINSIM_FAIL) and
// the call counts written to `counts` (WINSIM_CALLS). With `inUse`, the
// driver is kept open meanwhile, as Windows keeps a loaded driver's image
// (when the driver exists).
Outcome RunProgram(const std::string& machine, const Target& target, Program program, bool inUse,
                   const std::string& faults = "", const std::string& counts = "");

bool IsError(unsigned long status);
unsigned long Code(unsigned long status);

// The machine's state without what a run may always leave: the logs it
// keeps and the completion records.
std::string State(const std::string& machine);
void Reboot(const std::string& machine);
void CopyMachine(const std::string& from, const std::string& to);

#endif
