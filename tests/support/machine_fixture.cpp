#include "machine_fixture.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

void MachineTest::UseFreshMachine(const std::string& profile, const winsim::CreateOptions& options) {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
    std::string pattern = machineBase_ + "/winsim-test-XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir_ = pattern;
    std::string error;
    ASSERT_TRUE(winsim::CreateMachine(dir_, profile, options, error)) << error;
    ASSERT_TRUE(winsim::UseMachine(dir_, error)) << error;
    winsim::SetFaults("", error);
}

void MachineTest::TearDown() {
    std::string error;
    winsim::SetFaults("", error);
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

std::string MachineTest::RegistryText(const std::string& key) const {
    std::string text, error, plain;
    if (!winsim::ExportRegistry(dir_, key, text, error)) return "";
    for (char c : text)
        if (c != '\r') plain += c;
    return plain;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteHostFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool HostFileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string RunShell(const std::string& command) {
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

std::string DiffChanges(const std::string& listing, const std::string& leaveOut) {
    std::string left;
    size_t at = 0;
    while (at < listing.size()) {
        size_t end = listing.find('\n', at);
        if (end == std::string::npos) end = listing.size();
        std::string line = listing.substr(at, end - at);
        if (!line.empty() && line.back() != ':' && line.find(leaveOut) == std::string::npos) left += line + "\n";
        at = end + 1;
    }
    return left;
}
