// A machine with the product installed by the real installer, and the
// uninstaller run on it as a process, as Add/Remove Programs would.
#ifndef TESTS_UNINSTALLER_FIXTURE_H
#define TESTS_UNINSTALLER_FIXTURE_H

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "machine_fixture.h"

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
