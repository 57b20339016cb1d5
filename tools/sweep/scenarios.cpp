#include "scenarios.h"

#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "winsim/machine.h"

namespace fs = std::filesystem;

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> list = {
        {"fresh", "", ""},
        {"upgrade", "variants/7.1.0.188/HALVIK.SYS", ""},
        {"equal", "=", ""},
        {"newer", "variants/7.2.0.0/HALVIK.SYS", ""},
        {"pending", "variants/7.1.0.188/HALVIK.SYS", "variants/7.0.5.300/HALVIK.SYS"},
    };
    return list;
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

}  // namespace

bool PrepareMachine(const std::string& dir, const std::string& profile, const Scenario& scenario,
                    std::string& error) {
    if (!winsim::CreateMachine(dir, profile, {}, error)) return false;
    fs::copy_file(HALVINST_EXE, dir + "/d/HALVINST.EXE");
    // Attaching is once per process: a child furnishes the machine.
    pid_t child = fork();
    if (child == 0) {
        std::string e;
        bool ok = winsim::UseMachine(dir, e) && Furnish(profile, scenario, e);
        if (!ok) std::fprintf(stderr, "sweep: %s: %s\n", dir.c_str(), e.c_str());
        std::fflush(nullptr);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "cannot furnish the machine for " + scenario.name;
        return false;
    }
    return true;
}
