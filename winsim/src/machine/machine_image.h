// A machine's state as `winsim diff` compares it: the files and folders
// under its drive folders and its registry, taken from a machine directory
// or read back from a snapshot file.
#ifndef WINSIM_MACHINE_IMAGE_H
#define WINSIM_MACHINE_IMAGE_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "shared/text.h"

namespace winsim {

struct FileFacts {
    bool folder = false;
    uint64_t size = 0;
    int64_t writtenNs = 0;  // last write, nanoseconds since 1970 (UTC)
    uint64_t hash = 0;      // FNV-1a of the contents
    DWORD attributes = 0;
};

struct ValueFacts {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const ValueFacts& o) const { return type == o.type && data == o.data; }
};

using KeyValues = std::map<std::string, ValueFacts, LessNoCase>;  // by value name ("" = default)

struct MachineImage {
    std::map<std::string, FileFacts, LessNoCase> files;  // by Windows path
    std::map<std::string, KeyValues, LessNoCase> keys;   // by full key path
};

// From a machine directory (one with machine.ini).
bool CaptureMachine(const std::string& machineDir, MachineImage& image, std::string& error);
// Snapshot files: a first line "winsim snapshot 1", then one tab-separated
// record a line (F file, D folder, K key, V value); text fields escape
// control characters and '%' as %XX.
std::string WriteSnapshot(const MachineImage& image);
bool ReadSnapshot(const std::string& text, MachineImage& image, std::string& error);

}  // namespace winsim

#endif
