// A machine with the product installed by the real installer, and the
// uninstaller run on it as a process, as Add/Remove Programs would.
#ifndef TESTS_UNINSTALLER_FIXTURE_H
#define TESTS_UNINSTALLER_FIXTURE_H

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include "machine_fixture.h"

// The lines of a `winsim diff` listing that name a file or a key (what changed).
inline std::vector<std::string> Changes(const std::string& listing) {
    std::vector<std::string> lines;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("  + ", 0) == 0 || line.rfind("  - ", 0) == 0 || line.rfind("  ~ ", 0) == 0) lines.push_back(line);
    return lines;
}

// Nothing but the logs, the completion record (LEAVESTATUS) and, on the 95
// family, the wininit.bak that Windows' WININIT leaves after a restart that
// carried out restart-time operations.
inline bool OnlyLogs(const std::string& listing) {
    for (const std::string& line : Changes(listing)) {
        bool allowed = line.find(".LOG (") != std::string::npos || line.find("UpgWizCompletion") != std::string::npos ||
                       line.find("\\SOFTWARE\\Talven]") != std::string::npos ||
                       line.find("\\wininit.bak (") != std::string::npos;
        if (!allowed) return false;
    }
    return true;
}

inline std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether the key is there on the machine under HKEY_LOCAL_MACHINE.
inline bool KeyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class Uninstall : public MachineTest {
protected:
    static constexpr const char* kInstalled = "'C:\\WINDOWS\\system32\\HALVUNIN.EXE'";

    void Prepare(const std::string& profile, const winsim::CreateOptions& options = {}) {
        UseFreshMachine(profile, options);
        std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    }
    std::string Tool(const std::string& args, const std::string& env = "") {
        return RunShell(env + " " + WINSIM_TOOL + " " + args);
    }
    // Runs a program on the machine; returns its status code (or 0xFFFFFFFF).
    unsigned RunProgram(const std::string& program, const std::string& args, const std::string& env = "",
                        std::string* output = nullptr) {
        std::string out = Tool("run '" + dir_ + "' -- " + program + " " + args, env);
        if (output) *output = out;
        // winsim may say first where a host program runs in the machine.
        size_t at = out.find("exit code 0x");
        unsigned code = 0;
        if (at == std::string::npos || std::sscanf(out.c_str() + at, "exit code 0x%x", &code) != 1) return 0xFFFFFFFF;
        return code >> 20;
    }
    unsigned Install(const std::string& args = "SILENT") { return RunProgram("'D:\\HALVINST.EXE'", args); }
    // The carried uninstaller, where the installer put it.
    unsigned Remove(const std::string& args = "SILENT", const std::string& env = "", std::string* output = nullptr) {
        return RunProgram("'" + System32() + "\\HALVUNIN.EXE'", args, env, output);
    }
    std::string System32() { return winsim::CurrentProfile().systemDir; }
    void TearDown() override {
        for (const std::string& file : snapshots_) std::filesystem::remove_all(file);
        MachineTest::TearDown();
    }
    std::string Snapshot(const std::string& name) {
        std::string file = dir_ + "." + name;
        snapshots_.push_back(file);
        Tool("snapshot '" + dir_ + "' '" + file + "'");
        return file;
    }
    std::string Diff(const std::string& before) { return Tool("diff '" + before + "' '" + dir_ + "'"); }
    std::string Reboot() { return Tool("reboot '" + dir_ + "'"); }
    std::vector<std::string> snapshots_;
    std::string Log() { return ReadHostFile(Host(winsim::CurrentProfile().tempPath + "HALVUNIN.LOG")); }
};

#endif
