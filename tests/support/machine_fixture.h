// A fresh simulated machine for each test, and small helpers to look at it.
#ifndef TESTS_MACHINE_FIXTURE_H
#define TESTS_MACHINE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "winsim/machine.h"

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { UseFreshMachine("winxp"); }
    void TearDown() override;

    // Replaces the attached machine with a new one of `profile`.
    void UseFreshMachine(const std::string& profile, const winsim::CreateOptions& options = {});
    // Host path of a Windows path on the machine.
    std::string Host(const std::string& windowsPath) const { return winsim::HostPath(windowsPath); }
    // The registry subtree of `key` as REGEDIT4 text without CRs ("" when absent).
    std::string RegistryText(const std::string& key) const;

    std::string dir_;
    // Where new machines are made; tests of many runs may choose memory-backed storage.
    std::string machineBase_ = "/tmp";
};

std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, const std::string& bytes);
bool HostFileExists(const std::string& path);
// Runs a shell command and returns what it printed on both streams.
std::string RunShell(const std::string& command);
// The lines of a `winsim diff` listing that name a change, one per line,
// without its headings and without the lines that mention `leaveOut`.
std::string DiffChanges(const std::string& listing, const std::string& leaveOut);

#endif
