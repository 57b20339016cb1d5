// Creating a fresh machine: its profile, drive folders, the directories its
// Windows version lays out, and a registry with the keys every such system has.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kernel32/files/shortnames.h"
#include "machine/machine_state.h"
#include "machine/registry_store.h"

namespace winsim {
namespace {

namespace fs = std::filesystem;

fs::path HostOf(const std::string& dir, const std::string& windowsPath) {
    fs::path p = fs::path(dir) / std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0]))));
    std::string rest = windowsPath.substr(2);
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        if (end > start) p /= rest.substr(start, end - start);
        start = end + 1;
    }
    return p;
}

// The temporary directory in its long spelling, and the user profile it sits in.
std::string LongTempPath(const Profile& p) {
    if (p.platformId == 2 && p.major == 5)
        return "C:\\Documents and Settings\\" + p.userName + "\\Local Settings\\Temp";
    if (p.platformId == 2 && p.major >= 6) return "C:\\Users\\" + p.userName + "\\AppData\\Local\\Temp";
    std::string t = p.tempPath;
    if (!t.empty() && t.back() == '\\') t.pop_back();
    return t;
}

// The 8.3 spelling of an existing long path, as GetShortPathNameA gives it:
// names that are valid 8.3 names keep their case, long names become aliases.
std::string ShortSpelling(const std::string& dir, const std::string& windowsPath) {
    std::string out = windowsPath.substr(0, 2);
    fs::path host = HostOf(dir, windowsPath.substr(0, 2));
    std::string rest = windowsPath.substr(2);
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) end = rest.size();
        std::string name = rest.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        std::vector<std::string> siblings;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(host, ec)) siblings.push_back(entry.path().filename().string());
        out += "\\" + (IsShortName(name) ? name : ShortNamesOf(siblings)[name]);
        host /= name;
    }
    return out;
}

void AddKey(RegKey& root, const std::string& path) {
    std::vector<std::string> names;
    SplitKeyPath(path, names);
    RegKey* key = &root;
    for (const std::string& n : names) {
        std::unique_ptr<RegKey>& sub = key->subkeys[n];
        if (!sub) sub = std::make_unique<RegKey>();
        key = sub.get();
    }
}

void SetString(RegKey& root, const std::string& path, const std::string& name, const std::string& text) {
    AddKey(root, path);
    std::vector<std::string> names;
    SplitKeyPath(path, names);
    RegKey* key = &root;
    for (const std::string& n : names) key = key->Find(n);
    RegValue v{name, REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
    v.data.push_back(0);
    key->values.push_back(v);
}

bool SeedRegistry(const std::string& dir, const Profile& p, std::string& error) {
    if (!CreateHives(dir, error)) return false;
    RegistrySession session(dir);
    RegKey& machine = session.Root(kLocalMachine);
    RegKey& user = session.Root(kCurrentUser);
    AddKey(machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    AddKey(machine, "SYSTEM\\CurrentControlSet\\Services");
    AddKey(user, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
    if (p.platformId == 2) {
        AddKey(machine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
        AddKey(machine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager");
    }
    if (p.platformId == 2 && p.major >= 5) {
        // The CD-ROM device class, which filter drivers join through LowerFilters.
        std::string cdrom = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";
        SetString(machine, cdrom, "", "DVD/CD-ROM drives");
        SetString(machine, cdrom, "Class", "CDROM");
    }
    if (!session.Commit(kLocalMachine) || !session.Commit(kCurrentUser)) {
        error = "cannot write the registry of " + dir;
        return false;
    }
    return true;
}

}  // namespace

bool CreateMachine(const std::string& dir, const std::string& profileName, const CreateOptions& options,
                   std::string& error) {
    Profile p;
    if (!BuiltinProfile(profileName, p)) {
        error = "unknown profile '" + profileName + "'";
        return false;
    }
    if (!SetMachineLanguage(p, options.langId ? options.langId : p.langId, error)) return false;
    if (options.plainUser) {
        p.admin = false;
        p.userName = "Tester";
    }
    std::error_code ec;
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        error = dir + " exists and is not empty";
        return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    for (const DriveInfo& d : p.drives)
        fs::create_directories(fs::path(dir) / std::string(1, static_cast<char>(std::tolower(d.letter))), ec);
    std::vector<std::string> folders = {p.windowsDir, p.systemDir, LongTempPath(p)};
    if (p.platformId == 1) {
        folders.push_back(p.systemDir + "\\IOSUBSYS");
    } else {
        folders.push_back(p.systemDir + "\\drivers");
        folders.push_back(p.windowsDir + "\\SYSTEM");
    }
    for (const std::string& folder : folders) fs::create_directories(HostOf(dir, folder), ec);
    if (ec) {
        error = "cannot lay out the folders of " + dir + ": " + ec.message();
        return false;
    }
    p.tempPath = ShortSpelling(dir, LongTempPath(p)) + "\\";
    if (!SaveProfile(dir, p, error)) return false;
    return SeedRegistry(dir, p, error);
}

}  // namespace winsim
