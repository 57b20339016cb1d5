// What the fuzz targets share: a simulated Windows XP machine in a
// memory-backed scratch directory, and files written there.
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
