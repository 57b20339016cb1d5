#include "machine/restart_store.h"

#include <unistd.h>

#include <cctype>
#include <climits>

#include "machine/machine_state.h"
#include "machine/registry_store.h"

namespace winsim {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenamesValue[] = "PendingFileRenameOperations";

namespace {

const char kNtPrefix[] = "\\??\\";

// The full Windows path Windows stores: a drive path as given (with
// backslashes), anything else taken from the current directory.
std::string FullPath(const std::string& path) {
    std::string full = FullWindowsPath(path);
    for (char& c : full)
        if (c == '/') c = '\\';
    return full;
}

// The key, created when a machine lacks it.
RegKey& SessionManager(RegistrySession& session) {
    std::vector<std::string> names;
    SplitKeyPath(kSessionManagerKey, names);
    RegKey* key = &session.Root(kLocalMachine);
    for (const std::string& name : names) {
        std::unique_ptr<RegKey>& sub = key->subkeys[name];
        if (!sub) sub = std::make_unique<RegKey>();
        key = sub.get();
    }
    return *key;
}

void Append(std::vector<BYTE>& data, const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
    data.push_back(0);
}

// One string from `pos`; false when the data ends before its NUL.
bool NextString(const std::vector<BYTE>& data, size_t& pos, std::string& out) {
    out.clear();
    while (pos < data.size() && data[pos] != 0) out += static_cast<char>(data[pos++]);
    if (pos >= data.size()) return false;
    ++pos;
    return true;
}

bool StripPrefix(std::string& path) {
    if (path.compare(0, sizeof kNtPrefix - 1, kNtPrefix) != 0) return false;
    path.erase(0, sizeof kNtPrefix - 1);
    return true;
}

}  // namespace

bool QueueRestartMove(LPCSTR from, LPCSTR to, DWORD flags) {
    if (!from || !*from || (flags & MOVEFILE_COPY_ALLOWED)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // The store is a machine-wide key that only administrators may write.
    if (!Machine().admin) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    RegistrySession session(MachineDirectory());
    RegKey& key = SessionManager(session);
    RegValue* value = key.FindValue(kPendingRenamesValue);
    if (!value) {
        key.values.push_back(RegValue{kPendingRenamesValue, REG_MULTI_SZ, {}});
        value = &key.values.back();
    }
    std::vector<BYTE>& data = value->data;
    // Drop the list's closing NUL; the new pair gets one of its own.
    if (data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0) data.pop_back();
    if (data.size() == 1 && data[0] == 0) data.clear();
    Append(data, kNtPrefix + FullPath(from));
    std::string destination;
    if (to && *to) destination = std::string((flags & MOVEFILE_REPLACE_EXISTING) ? "!" : "") + kNtPrefix + FullPath(to);
    Append(data, destination);
    data.push_back(0);
    value->type = REG_MULTI_SZ;
    if (!session.Commit(kLocalMachine)) {
        SetLastError(ERROR_CANTWRITE);
        return false;
    }
    return true;
}

std::vector<PendingRename> ParsePendingRenames(const std::vector<BYTE>& data, std::string& problem) {
    std::vector<PendingRename> renames;
    problem.clear();
    size_t pos = 0;
    while (pos < data.size()) {
        PendingRename r;
        if (!NextString(data, pos, r.source)) {
            problem = "the value ends inside a source name";
            break;
        }
        if (r.source.empty()) break;  // the closing NUL
        std::string destination;
        if (!NextString(data, pos, destination)) {
            problem = "the source " + r.source + " has no destination";
            break;
        }
        if (!destination.empty() && destination[0] == '!') {
            r.replace = true;
            destination.erase(0, 1);
        }
        if (!StripPrefix(r.source) || (!destination.empty() && !StripPrefix(destination))) {
            problem = "a name is not of the form \\??\\PATH: " + r.source;
            break;
        }
        r.destination = destination;
        renames.push_back(r);
    }
    return renames;
}

}  // namespace winsim
