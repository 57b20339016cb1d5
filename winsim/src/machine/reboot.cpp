// A restart of the machine, as far as files are concerned: what Windows'
// session manager (NT family) or WININIT.EXE (Windows 95 family) does with
// the queued operations before anything else runs. No process of the
// machine runs then, so share modes do not apply.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "kernel32/files/file_object.h"
#include "kernel32/files/sharing.h"
#include "machine/machine_state.h"
#include "machine/registry_store.h"
#include "machine/restart_store.h"
#include "machine/wininit.h"
#include "winsim/machine_tools.h"

namespace winsim {
namespace {

bool IsDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Delete(const std::string& path) {
    ResolvedPath target = ResolvePath(path.c_str());
    if (!target.exists) return "nothing to delete at " + path;
    if (IsDirectory(target.host)) {
        if (rmdir(target.host.c_str()) != 0) return "cannot delete the folder " + path + ": it is not empty";
    } else if (IsReadOnly(target.host)) {
        return "cannot delete " + path + ": it is read-only";
    } else if (unlink(target.host.c_str()) != 0) {
        return "cannot delete " + path;
    }
    return "deleted " + path;
}

std::string Move(const std::string& from, const std::string& to, bool replace) {
    ResolvedPath source = ResolvePath(from.c_str());
    if (!source.exists) return "cannot move " + from + " to " + to + ": the source does not exist";
    ResolvedPath target = ResolvePath(to.c_str());
    if (target.parentMissing) return "cannot move " + from + " to " + to + ": the destination folder does not exist";
    bool replaced = false;
    if (target.exists && ShareKey(source.host) != ShareKey(target.host)) {
        if (!replace) return "cannot move " + from + " to " + to + ": the destination exists";
        if (IsDirectory(target.host) || IsReadOnly(target.host))
            return "cannot move " + from + " to " + to + ": the destination cannot be replaced";
        replaced = true;
    }
    if (std::rename(source.host.c_str(), target.host.c_str()) != 0) return "cannot move " + from + " to " + to;
    return "moved " + from + " to " + to + (replaced ? ", replacing it" : "");
}

bool RunPendingRenames(std::vector<std::string>& report, std::string& error) {
    RegistrySession session(MachineDirectory());
    std::vector<std::string> names;
    SplitKeyPath(kSessionManagerKey, names);
    RegKey* key = session.Walk(kLocalMachine, names);
    RegValue* value = key ? key->FindValue(kPendingRenamesValue) : nullptr;
    if (!value) {
        report.push_back("PendingFileRenameOperations: nothing pending");
        return true;
    }
    std::string problem;
    std::vector<PendingRename> renames = ParsePendingRenames(value->data, problem);
    report.push_back("PendingFileRenameOperations: " + std::to_string(renames.size()) + " operation" +
                     (renames.size() == 1 ? "" : "s"));
    for (const PendingRename& r : renames)
        report.push_back("  " + (r.destination.empty() ? Delete(r.source) : Move(r.source, r.destination, r.replace)));
    if (!problem.empty()) report.push_back("  the rest of the value was not read: " + problem);
    for (size_t i = 0; i < key->values.size(); ++i) {
        if (EqualNoCase(key->values[i].name, kPendingRenamesValue)) {
            key->values.erase(key->values.begin() + static_cast<long>(i));
            break;
        }
    }
    if (!session.Commit(kLocalMachine)) {
        error = "cannot write the registry to delete PendingFileRenameOperations";
        return false;
    }
    report.push_back("deleted the value PendingFileRenameOperations");
    return true;
}

bool RunWininit(std::vector<std::string>& report, std::string& error) {
    std::string windows = Machine().windowsDir;
    std::string iniPath = windows + "\\wininit.ini";
    ResolvedPath ini = ResolvePath(iniPath.c_str());
    if (!ini.exists) {
        report.push_back("wininit.ini: nothing pending");
        return true;
    }
    std::ifstream in(ini.host, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) {
        error = "cannot read " + iniPath;
        return false;
    }
    std::vector<std::string> problems;
    std::vector<WininitRename> renames = ParseWininit(text.str(), problems);
    report.push_back("wininit.ini: " + std::to_string(renames.size()) + " operation" +
                     (renames.size() == 1 ? "" : "s"));
    for (const std::string& p : problems) report.push_back("  skipped " + p);
    for (const WininitRename& r : renames)
        report.push_back("  " + (r.destination.empty() ? Delete(r.source) : Move(r.source, r.destination, true)));
    std::string bakPath = windows + "\\wininit.bak";
    ResolvedPath bak = ResolvePath(bakPath.c_str());
    if (std::rename(ini.host.c_str(), bak.host.c_str()) != 0) {
        error = "cannot rename " + iniPath + " to wininit.bak";
        return false;
    }
    report.push_back("renamed " + iniPath + " to " + bakPath);
    return true;
}

}  // namespace

bool Reboot(std::vector<std::string>& report, std::string& error) {
    const Profile& machine = Machine();
    bool ok = machine.platformId == 2 ? RunPendingRenames(report, error) : RunWininit(report, error);
    if (!ok) return false;
    // A program that asked for the restart (ExitWindowsEx) has had it.
    std::string request = MachineDirectory() + "/.winsim/restart/requested";
    if (unlink(request.c_str()) == 0) report.push_back("the restart a program asked for has happened");
    MarkBoot();
    return true;
}

}  // namespace winsim
