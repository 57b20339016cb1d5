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

// Records that the machine starts now (GetTickCount counts from here).
void MarkBoot();

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
// A path with a drive letter maps into the machine. A path without one is
// relative to the current directory: for a program run in the machine that
// is a Windows path there, so the path maps into the machine as well (a
// rooted "\\x" goes to the current drive); for a host tool it stays a host path.
ResolvedPath ResolvePath(const char* path);

// The current directory of a program run in the machine ("C:\\", "D:\\SETUP"),
// or "" for a host tool. `winsim run` and a WinMain program's start set it.
std::string CurrentDirectory();
// A path made absolute as a Windows path: one without a drive letter against
// the current directory (a host tool's working directory as WindowsPath spells it).
std::string FullWindowsPath(const std::string& path);

// The names in a host directory, without "." and "..".
std::vector<std::string> ListDirectory(const std::string& hostDir);

// The folder under the machine's private state directory (mutexes, open files).
std::string StateDir(const std::string& leaf);

}  // namespace winsim

#endif
