#include "scenarios.h"

#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "winsim/machine.h"

namespace fs = std::filesystem;

const std::vector<Scenario>& Scenarios() {
    const Program in = Program::Install, un = Program::Uninstall;
    const std::string older = "variants/7.1.0.188/HALVIK.SYS";
    static const std::vector<Scenario> list = {
        {"fresh", "", "", in, {}},
        {"upgrade", older, "", in, {}},
        {"equal", "=", "", in, {}},
        {"newer", "variants/7.2.0.0/HALVIK.SYS", "", in, {}},
        {"pending", older, "variants/7.0.5.300/HALVIK.SYS", in, {}},
        {"u-fresh", "", "", un, {"install", "reboot"}},
        {"u-upgrade", older, "", un, {"install", "reboot"}},
        {"u-inuse", "", "", un, {"install", "reboot", "in use"}},
        {"u-filters", "", "", un, {"filter before", "install", "reboot", "filter after"}},
        // Uninstall, then install again before the restart.
        {"x-un-in", "", "", in, {"install", "reboot", "uninstall"}},
        {"x-un-in-use", "", "", in, {"install", "reboot", "in use", "uninstall"}},
        // Install (the restart it asks for not yet made), then uninstall.
        {"x-in-un", "", "", un, {"install"}},
        {"x-in-un-use", older, "", un, {"in use", "install"}},
    };
    return list;
}

bool Scenario::InUse() const {
    for (const std::string& step : steps)
        if (step == "in use") return true;
    return false;
}

std::vector<std::string> ScenarioGroup(const std::string& name) {
    std::vector<std::string> names;
    for (const Scenario& s : Scenarios()) {
        bool cross = s.name.rfind("x-", 0) == 0;
        bool member = name == s.name || (name == "cross" && cross) ||
                      (name == "installer" && !cross && s.program == Program::Install) ||
                      (name == "uninstaller" && !cross && s.program == Program::Uninstall);
        if (member) names.push_back(s.name);
    }
    return names;
}

namespace {

std::string Payload(const std::string& name) { return std::string(PAYLOAD_BUILD_DIR) + "/" + name; }

// The scenarios name the NT driver's variants; the 95 family's driver is the
// VxD of the same version (an LE executable).
std::string VariantFor(const std::string& variant, bool win9x) {
    const std::string sys = "HALVIK.SYS";
    if (!win9x || variant.size() < sys.size() || variant.compare(variant.size() - sys.size(), sys.size(), sys) != 0)
        return variant;
    return variant.substr(0, variant.size() - sys.size()) + "HALVIK.VXD";
}

void PutLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

// Runs inside a child attached to the machine: installs the files and the
// waiting replacement the way an earlier installer run would have left them.
bool Furnish(const std::string& profile, const Scenario& s, std::string& error) {
    const winsim::Profile& p = winsim::CurrentProfile();
    bool win9x = p.platformId == 1;
    std::string drivers = win9x ? p.windowsDir + "\\SYSTEM\\IOSUBSYS" : p.systemDir + "\\drivers";
    std::string driver = drivers + (win9x ? "\\Halvik.vxd" : "\\Halvik.sys");
    std::string carried = win9x ? "HALVIK.VXD" : profile == "nt4" ? "HALVIK.SYS" : "HALVIK2K.SYS";
    if (s.driverVariant.empty()) return true;
    fs::create_directories(winsim::HostPath(drivers));
    fs::copy_file(Payload(s.driverVariant == "=" ? carried : VariantFor(s.driverVariant, win9x)), winsim::HostPath(driver),
                  fs::copy_options::overwrite_existing);
    if (s.pendingVariant.empty()) return true;
    std::string waiting = drivers + "\\KVT7.TMP";
    fs::copy_file(Payload(VariantFor(s.pendingVariant, win9x)), winsim::HostPath(waiting));
    char shortWaiting[MAX_PATH], shortDriver[MAX_PATH];
    if (!GetShortPathNameA(waiting.c_str(), shortWaiting, MAX_PATH) ||
        !GetShortPathNameA(driver.c_str(), shortDriver, MAX_PATH)) {
        error = "no short names";
        return false;
    }
    if (win9x) {
        std::ofstream(winsim::HostPath(p.windowsDir + "\\wininit.ini"), std::ios::binary)
            << "[RENAME]\r\n" << shortDriver << "=" << shortWaiting << "\r\n";
    } else if (!MoveFileExA(shortWaiting, shortDriver, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
        error = "MoveFileExA failed";
        return false;
    }
    std::string record;
    std::string a = shortWaiting, b = shortDriver;
    PutLe32(record, static_cast<uint32_t>(12 + a.size() + b.size()));
    PutLe32(record, static_cast<uint32_t>(a.size()));
    PutLe32(record, static_cast<uint32_t>(b.size()));
    record += a + b;
    std::ofstream(winsim::HostPath(p.systemDir + "\\kvtinit.TMP"), std::ios::binary) << record;
    return true;
}

const char kCdromClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E965-E325-11CE-BFC1-08002BE10318}";

// Runs inside a child attached to the machine: lists another filter before
// or behind what LowerFilters holds (the NT family only; the 95 family's
// driver is no class filter).
bool AddFilter(bool behind, std::string& error) {
    if (winsim::CurrentProfile().platformId == 1) return true;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCdromClass, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        error = "cannot open the CD-ROM class key";
        return false;
    }
    char data[1024] = {};
    DWORD type = 0, size = sizeof data - 2;
    std::vector<std::string> names;
    if (RegQueryValueExA(key, "LowerFilters", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        for (const char* p = data; p < data + size && *p; p += std::strlen(p) + 1) names.push_back(p);
    names.insert(behind ? names.end() : names.begin(), behind ? "After" : "Before");
    std::string list;
    for (const std::string& name : names) list += name + '\0';
    list += '\0';
    LONG result = RegSetValueExA(key, "LowerFilters", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                                 static_cast<DWORD>(list.size()));
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) error = "cannot set LowerFilters";
    return result == ERROR_SUCCESS;
}

// Runs `work` in a child attached to the machine in `dir` (attaching is
// once per process).
template <typename Work>
bool Attached(const std::string& dir, Work work, std::string& error) {
    std::fflush(nullptr);  // the child must not write the parent's buffered output again
    pid_t child = fork();
    if (child == 0) {
        std::string e;
        bool ok = winsim::UseMachine(dir, e) && work(e);
        if (!ok) std::fprintf(stderr, "sweep: %s: %s\n", dir.c_str(), e.c_str());
        std::fflush(nullptr);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "cannot prepare the machine " + dir;
        return false;
    }
    return true;
}

}  // namespace

bool PrepareMachine(const std::string& dir, const std::string& profile, const Scenario& scenario,
                    std::string& error) {
    if (!winsim::CreateMachine(dir, profile, {}, error)) return false;
    fs::copy_file(HALVINST_EXE, dir + "/d/HALVINST.EXE");
    if (!Attached(dir, [&](std::string& e) { return Furnish(profile, scenario, e); }, error)) return false;
    Target target = TargetOf(profile);
    bool inUse = false;
    for (const std::string& step : scenario.steps) {
        if (step == "reboot") {
            Reboot(dir);
        } else if (step == "in use") {
            inUse = true;
        } else if (step == "filter before" || step == "filter after") {
            bool behind = step == "filter after";
            if (!Attached(dir, [&](std::string& e) { return AddFilter(behind, e); }, error)) return false;
        } else {
            Program program = step == "install" ? Program::Install : Program::Uninstall;
            Outcome o = RunProgram(dir, target, program, inUse);
            if (!o.exited || IsError(o.status)) {
                error = "the " + step + " before the swept run failed: " + o.text;
                return false;
            }
        }
    }
    return true;
}
