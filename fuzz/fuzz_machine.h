// What the installer's fuzz targets share: a simulated Windows XP machine in
// a memory-backed scratch directory, and the installer's process-wide state
// put back to a fresh start between inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Creates the machine once; false (with a message on stderr) when it cannot.
bool StartFuzzMachine(const char *target);
// The scratch directory on the host (the machine lies below it).
const std::string &FuzzScratch();
// Writes bytes to a host file; false when it cannot.
bool WriteFuzzFile(const std::string &hostPath, const uint8_t *data, size_t size);
// Stops the install library and engine and clears the status, run flags and
// platform facts, so that the next input starts as a new process would.
void ResetInstallerState();
