// GetShortPathNameA. Windows looks up only the components that are not
// valid 8.3 names and copies the rest as the caller spelled them, separators,
// "." and ".." included; a long name becomes the alias of the entry it
// names on disk.
#include <dirent.h>

#include <cstring>
#include <string>
#include <vector>

#include "kernel32/files/shortnames.h"
#include "machine/faults.h"
#include "machine/machine_state.h"
#include "shared/text.h"

namespace {

// The alias of `component` inside the directory that `parent` (a Windows
// path) names; empty when it cannot be found.
std::string AliasOf(const std::string& parent, const std::string& component) {
    winsim::ResolvedPath dir = winsim::ResolvePath(parent.c_str());
    for (const auto& [name, alias] : winsim::ShortNamesOf(winsim::ListDirectory(dir.host)))
        if (winsim::EqualNoCase(name, component)) return alias;
    return "";
}

bool ShortSpelling(const std::string& path, std::string& out) {
    out = path.substr(0, 2);  // the drive
    size_t i = 2;
    while (i < path.size()) {
        if (path[i] == '\\' || path[i] == '/') {
            out += path[i++];
            continue;
        }
        size_t end = path.find_first_of("\\/", i);
        if (end == std::string::npos) end = path.size();
        std::string component = path.substr(i, end - i);
        if (winsim::IsShortName(component)) {
            out += component;
        } else {
            std::string alias = AliasOf(out.empty() ? std::string(".") : out, component);
            if (alias.empty()) return false;
            out += alias;
        }
        i = end;
    }
    return true;
}

}  // namespace

extern "C" DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    if (winsim::FailsHere("GetShortPathNameA", false)) return 0;
    if (!longPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Any part of the path missing reads as the file missing, as on Windows.
    winsim::ResolvedPath where = winsim::ResolvePath(longPath);
    if (!where.exists || where.driveMissing) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    std::string result = longPath;
    if (where.windows && !ShortSpelling(longPath, result)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!shortPath || result.size() + 1 > size) return static_cast<DWORD>(result.size() + 1);
    std::memcpy(shortPath, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size());
}
