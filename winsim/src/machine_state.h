// The machine this process runs on: its directory and profile, and the
// mapping of its Windows paths onto the host file system.
#ifndef WINSIM_MACHINE_STATE_H
#define WINSIM_MACHINE_STATE_H

#include <string>
#include <vector>

#include "winsim/machine.h"

namespace winsim {

// The attached machine, attaching from WINSIM_MACHINE on first use. When no
// machine can be had the process is told how to get one and exits.
const Profile& Machine();
const std::string& MachineDirectory();

// The profile file of a machine directory.
bool LoadProfile(const std::string& dir, Profile& profile, std::string& error);
bool SaveProfile(const std::string& dir, const Profile& profile, std::string& error);

const DriveInfo* FindDrive(char letter);

// Where a path leads on the host.
struct ResolvedPath {
    std::string host;        // host path (the given spelling for parts that do not exist)
    bool windows = false;    // the path had a drive letter
    bool driveMissing = false;
    bool parentMissing = false;  // a directory on the way does not exist
    bool exists = false;         // the final component exists
};
ResolvedPath ResolvePath(const char* path);

// The names in a host directory, without "." and "..".
std::vector<std::string> ListDirectory(const std::string& hostDir);

// The folder under the machine's private state directory (mutexes, open files).
std::string StateDir(const std::string& leaf);

}  // namespace winsim

#endif
