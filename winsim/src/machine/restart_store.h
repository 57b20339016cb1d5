// The NT family's store of restart-time file operations: the REG_MULTI_SZ
// value PendingFileRenameOperations of the Session Manager key, in the
// layout Windows writes. Each operation is a pair of strings: the source as
// "\??\" + path, then the destination as "\??\" + path ("!" in front when
// an existing file is to be replaced) or an empty string for a deletion.
// One more NUL ends the list.
#ifndef WINSIM_RESTART_STORE_H
#define WINSIM_RESTART_STORE_H

#include <windows.h>

#include <string>
#include <vector>

namespace winsim {

extern const char kSessionManagerKey[];   // below HKEY_LOCAL_MACHINE
extern const char kPendingRenamesValue[];

// MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT: appends one pair. As on
// Windows the source need not exist yet. Sets the last error; false on
// failure.
bool QueueRestartMove(LPCSTR from, LPCSTR to, DWORD flags);

struct PendingRename {
    std::string source;       // Windows path, without "\??\"
    std::string destination;  // empty for a deletion
    bool replace = false;     // the destination carried "!"
};

// Reads the value's data as pairs. Data that does not read as pairs ends
// the list; `problem` then says why (empty when the data was sound).
std::vector<PendingRename> ParsePendingRenames(const std::vector<BYTE>& data, std::string& problem);

}  // namespace winsim

#endif
