// The Windows 95 family's store of restart-time file operations: the
// [RENAME] section of wininit.ini in the Windows directory, lines
// DEST=SOURCE in short names, NUL=SOURCE for a deletion. The section name
// is read without regard to case, as WININIT.EXE reads it.
#ifndef WINSIM_WININIT_H
#define WINSIM_WININIT_H

#include <string>
#include <vector>

namespace winsim {

struct WininitRename {
    int line = 0;
    std::string destination;  // empty for NUL
    std::string source;
};

// The operations in file order, and a sentence for every line of a
// [RENAME] section that is not one (those lines are left out).
std::vector<WininitRename> ParseWininit(const std::string& text, std::vector<std::string>& problems);

}  // namespace winsim

#endif
