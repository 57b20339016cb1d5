#include "machine/machine_state.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "kernel32/files/shortnames.h"
#include "kernel32/locale/locale_table.h"
#include "shared/text.h"

namespace winsim {
namespace {

struct State {
    bool attached = false;
    std::string dir;
    Profile profile;
};

State& TheState() {
    static State state;
    return state;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Finds `component` in host directory `dir`: the exact name, then the same
// name in any case, then an entry whose 8.3 alias it is.
bool FindComponent(const std::string& dir, const std::string& component, std::string& found) {
    if (Exists(dir + "/" + component)) {
        found = component;
        return true;
    }
    std::vector<std::string> names = ListDirectory(dir);
    for (const std::string& name : names) {
        if (EqualNoCase(name, component)) {
            found = name;
            return true;
        }
    }
    if (component.find('~') == std::string::npos) return false;
    for (const auto& [name, alias] : ShortNamesOf(names)) {
        if (EqualNoCase(alias, component)) {
            found = name;
            return true;
        }
    }
    return false;
}

[[noreturn]] void NoMachine(const std::string& why) {
    std::fprintf(stderr,
                 "winsim: %s\n"
                 "This program runs on a simulated Windows machine. Create one and run the program on it:\n"
                 "  winsim create DIR --profile winxp\n"
                 "  winsim run DIR -- PROGRAM [ARGS]\n"
                 "(or set WINSIM_MACHINE=DIR).\n",
                 why.c_str());
    std::exit(3);
}

}  // namespace

bool LoadProfile(const std::string& dir, Profile& profile, std::string& error) {
    std::ifstream in(dir + "/machine.ini");
    if (!in) {
        error = "no machine.ini in " + dir;
        return false;
    }
    profile = Profile{};
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == '[') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        auto number = [&]() { return std::strtoul(value.c_str(), nullptr, 0); };
        if (key == "profile") profile.name = value;
        else if (key == "platform") profile.platformId = static_cast<int>(number());
        else if (key == "major") profile.major = static_cast<int>(number());
        else if (key == "minor") profile.minor = static_cast<int>(number());
        else if (key == "build") profile.build = static_cast<int>(number());
        else if (key == "csd") profile.csdVersion = value;
        else if (key == "langid") profile.langId = static_cast<unsigned>(number());
        else if (key == "codepage") profile.codePage = static_cast<unsigned>(number());
        else if (key == "oemcodepage") profile.oemCodePage = static_cast<unsigned>(number());
        else if (key == "locales") {
            std::istringstream ids(value);
            for (std::string id; ids >> id;) profile.locales.push_back(static_cast<unsigned>(std::strtoul(id.c_str(), nullptr, 0)));
        }
        else if (key == "admin") profile.admin = number() != 0;
        else if (key == "cpuvendor") profile.cpuVendor = value;
        else if (key == "screen") std::sscanf(value.c_str(), "%dx%d", &profile.screenWidth, &profile.screenHeight);
        else if (key == "windir") profile.windowsDir = value;
        else if (key == "sysdir") profile.systemDir = value;
        else if (key == "temppath") profile.tempPath = value;
        else if (key == "username") profile.userName = value;
        else if (key == "refuserestart") profile.refuseRestart = number() != 0;
        else if (key == "shutdownprivilege") profile.shutdownPrivilege = number() != 0;
        else if (key == "extragroups") profile.extraGroups = static_cast<int>(number());
        else if (key.size() == 7 && key.compare(0, 6, "drive.") == 0) {
            DriveInfo drive;
            drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(key[6])));
            std::istringstream fields(value);
            fields >> drive.type >> drive.freeBytes >> drive.totalBytes;
            profile.drives.push_back(drive);
        }
    }
    if (profile.locales.empty()) profile.locales = DefaultInstalledLocales(profile.langId);
    return true;
}

bool SaveProfile(const std::string& dir, const Profile& p, std::string& error) {
    std::ofstream out(dir + "/machine.ini");
    out << "# A simulated Windows machine. Drives: drive.X = type free-bytes total-bytes\n"
        << "[machine]\n"
        << "profile=" << p.name << "\nplatform=" << p.platformId << "\nmajor=" << p.major
        << "\nminor=" << p.minor << "\nbuild=" << p.build << "\ncsd=" << p.csdVersion;
    char lang[16];
    std::snprintf(lang, sizeof lang, "0x%04X", p.langId);
    out << "\nlangid=" << lang << "\ncodepage=" << p.codePage << "\noemcodepage=" << p.oemCodePage << "\nlocales=";
    for (size_t i = 0; i < p.locales.size(); ++i) {
        std::snprintf(lang, sizeof lang, "%s0x%04X", i ? " " : "", p.locales[i]);
        out << lang;
    }
    out << "\nadmin=" << (p.admin ? 1 : 0)
        << "\ncpuvendor=" << p.cpuVendor << "\nscreen=" << p.screenWidth << "x" << p.screenHeight
        << "\nwindir=" << p.windowsDir << "\nsysdir=" << p.systemDir << "\ntemppath=" << p.tempPath
        << "\nusername=" << p.userName << "\nrefuserestart=" << (p.refuseRestart ? 1 : 0)
        << "\nshutdownprivilege=" << (p.shutdownPrivilege ? 1 : 0) << "\nextragroups=" << p.extraGroups << "\n";
    for (const DriveInfo& d : p.drives)
        out << "drive." << d.letter << "=" << d.type << " " << d.freeBytes << " " << d.totalBytes << "\n";
    if (!out) {
        error = "cannot write " + dir + "/machine.ini";
        return false;
    }
    return true;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

bool UseMachine(const std::string& dir, std::string& error) {
    char real[PATH_MAX];
    if (!realpath(dir.c_str(), real)) {
        error = "no machine directory " + dir;
        return false;
    }
    Profile profile;
    if (!LoadProfile(real, profile, error)) return false;
    State& s = TheState();
    s.attached = true;
    s.dir = real;
    s.profile = profile;
    return true;
}

const Profile& Machine() {
    State& s = TheState();
    if (!s.attached) {
        const char* dir = std::getenv("WINSIM_MACHINE");
        if (!dir || !*dir) NoMachine("no simulated machine is attached (WINSIM_MACHINE is not set).");
        std::string error;
        if (!UseMachine(dir, error)) NoMachine(error);
    }
    return s.profile;
}

const std::string& MachineDirectory() {
    Machine();
    return TheState().dir;
}

std::string MachineDir() { return TheState().attached ? TheState().dir : std::string(); }
const Profile& CurrentProfile() { return Machine(); }

const DriveInfo* FindDrive(char letter) {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const DriveInfo& d : Machine().drives)
        if (d.letter == letter) return &d;
    return nullptr;
}

std::string StateDir(const std::string& leaf) {
    std::string dir = MachineDirectory() + "/.winsim";
    mkdir(dir.c_str(), 0755);
    dir += "/" + leaf;
    mkdir(dir.c_str(), 0755);
    return dir;
}

std::string CurrentDirectory() {
    const char* here = std::getenv("WINSIM_CURRENT_DIRECTORY");
    std::string dir = here ? here : "";
    bool hasDrive = dir.size() >= 2 && dir[1] == ':' && std::isalpha(static_cast<unsigned char>(dir[0]));
    if (!hasDrive) return "";
    if (dir.size() == 2) dir += '\\';
    return dir;
}

std::string FullWindowsPath(const std::string& path) {
    bool hasDrive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
    if (hasDrive) return path;
    std::string current = CurrentDirectory();
    if (current.empty()) {
        char cwd[PATH_MAX];
        current = getcwd(cwd, sizeof cwd) ? WindowsPath(cwd) : std::string("C:\\");
    }
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return current.substr(0, 2) + path;
    if (current.back() != '\\') current += '\\';
    return current + path;
}

ResolvedPath ResolvePath(const char* path) {
    ResolvedPath r;
    std::string p = path ? path : "";
    bool hasDrive = p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
    if (!hasDrive && !CurrentDirectory().empty()) return ResolvePath(FullWindowsPath(p).c_str());
    if (!hasDrive) {
        r.host = p;
        size_t slash = p.find_last_of('/');
        std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
        r.parentMissing = !IsDirectory(parent);
        r.exists = Exists(p);
        return r;
    }
    r.windows = true;
    char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(p[0])));
    std::string root = MachineDirectory() + "/" + std::string(1, letter);
    if (!IsDirectory(root)) {
        // Z: is the host's root, as Wine maps it, for host tools only: a
        // program run in the machine never reaches the host beyond it.
        if (letter == 'z' && CurrentDirectory().empty()) {
            root = "";  // the host's own root, as Wine maps it
        } else {
            r.driveMissing = true;
            r.parentMissing = true;
            r.host = root + "/" + p.substr(2);
            return r;
        }
    }
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 2; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\' || p[i] == '/') {
            if (current == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!current.empty() && current != ".") {
                parts.push_back(current);
            }
            current.clear();
        } else {
            current += p[i];
        }
    }
    std::string host = root;
    bool missing = false;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string found;
        if (!missing && FindComponent(host.empty() ? "/" : host, parts[i], found)) {
            host += "/" + found;
            if (i + 1 < parts.size() && !IsDirectory(host)) missing = true, r.parentMissing = true;
        } else {
            host += "/" + parts[i];
            if (i + 1 < parts.size()) r.parentMissing = true;
            missing = true;
        }
    }
    r.host = host.empty() ? "/" : host;
    r.exists = !missing;
    return r;
}

std::string HostPath(const std::string& windowsPath) { return ResolvePath(windowsPath.c_str()).host; }

std::string WindowsPath(const std::string& hostPath) {
    char real[PATH_MAX];
    std::string path = realpath(hostPath.c_str(), real) ? std::string(real) : hostPath;
    std::string machine = MachineDir();
    std::string result;
    if (!machine.empty() && path.size() >= machine.size() + 2 && path.compare(0, machine.size(), machine) == 0 &&
        path[machine.size()] == '/' && (path.size() == machine.size() + 2 || path[machine.size() + 2] == '/')) {
        result = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[machine.size() + 1])))) +
                 ":" + path.substr(machine.size() + 2);
    } else {
        result = "Z:" + path;
    }
    for (char& c : result)
        if (c == '/') c = '\\';
    if (result.size() == 2) result += '\\';
    return result;
}

}  // namespace winsim
