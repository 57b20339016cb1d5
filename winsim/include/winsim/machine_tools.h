// Host-side operations on whole machines, for the winsim tool and tests:
// restarting a machine, and seeing what a run changed.
#ifndef WINSIM_MACHINE_TOOLS_H
#define WINSIM_MACHINE_TOOLS_H

#include <string>
#include <vector>

namespace winsim {

// Restarts the attached machine: carries out its restart-time file
// operations the way its Windows does during start-up, empties their
// store, and clears a restart request. NT family: the pairs of
// PendingFileRenameOperations in order (a move replaces the destination
// only when it carried "!" or does not exist; an empty destination
// deletes), then the value is deleted. Windows 95 family: the [RENAME]
// lines of wininit.ini in order (NUL=SOURCE deletes, DEST=SOURCE replaces
// DEST), then wininit.ini becomes wininit.bak. An operation that cannot be
// carried out is skipped, as Windows skips it; `report` gets one line for
// every operation and problem. False with `error` only when a store cannot
// be read or emptied.
bool Reboot(std::vector<std::string>& report, std::string& error);

// A machine's state as the diff compares it: every file and folder under
// its drive folders (size, last-write time, content hash) and every
// registry key and value.
// Writes the state of the machine in `machineDir` to the file `snapshot`.
bool SaveSnapshot(const std::string& machineDir, const std::string& snapshot, std::string& error);

// What changed from `before` to `after`, each a machine directory or a
// snapshot file: a listing with one line per file or folder added (+),
// removed (-) or changed (~) and per registry key or value added, removed
// or changed; "no changes" when there are none.
bool DiffMachines(const std::string& before, const std::string& after, std::string& listing, std::string& error);

// A program about to be run in the attached machine.
struct RunTarget {
    std::string hostPath;          // what the host starts
    std::string windowsPath;       // the program's own path in the machine
    std::string currentDirectory;  // its folder, where the program starts
    std::string copy;              // host path of a copy made for the run ("" for none)
};

// Finds `program` (a Windows path in the machine, or a host path) and checks
// that it is a program. A host path outside the machine is copied into the
// machine's Temp folder, so that the program sees only the machine, its own
// file included (as NAME.exe when the host name has no extension); the
// caller deletes the copy after the run. False with
// `error` for a missing file, a file that is no program (ERROR_BAD_EXE_FORMAT
// on Windows), or a copy that cannot be made.
bool PrepareRun(const std::string& program, RunTarget& target, std::string& error);

}  // namespace winsim

#endif
