#include "runs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "winsim/machine.h"

namespace fs = std::filesystem;

Target TargetOf(const std::string& profile) {
    winsim::Profile p;
    Target t;
    if (!winsim::BuiltinProfile(profile, p)) return t;
    t.driver = p.platformId == 1 ? p.windowsDir + "\\SYSTEM\\IOSUBSYS\\Halvik.vxd" : p.systemDir + "\\drivers\\Halvik.sys";
    t.uninstaller = p.systemDir + "\\HALVUNIN.EXE";
    return t;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int* status) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return "";
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("WINSIM_", 0) != 0) environment.push_back(entry);
    }
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int st = 0;
    waitpid(child, &st, 0);
    if (status) *status = st;
    return out;
}

Outcome RunProgram(const std::string& machine, const Target& target, Program program, bool inUse,
                   const std::string& faults, const std::string& counts) {
    std::vector<std::string> env;
    if (!faults.empty()) env.push_back("WINSIM_FAIL=" + faults);
    if (!counts.empty()) env.push_back("WINSIM_CALLS=" + counts);
    std::vector<std::string> run = {WINSIM_TOOL, "run", machine, "--",
                                    program == Program::Install ? "D:\\HALVINST.EXE" : target.uninstaller, "SILENT"};
    Outcome o;
    if (inUse) {
        // The faults are for the program, not for the process that holds the driver.
        std::vector<std::string> held = {WINSIM_TOOL, "hold", machine, "--file", target.driver, "--", "/usr/bin/env"};
        held.insert(held.end(), env.begin(), env.end());
        held.insert(held.end(), run.begin(), run.end());
        o.text = Spawn(held, {});
        if (o.text.rfind("winsim hold: cannot open", 0) == 0) o.text = Spawn(run, env);  // no driver to hold
    } else {
        o.text = Spawn(run, env);
    }
    unsigned long code = 0;
    if (std::sscanf(o.text.c_str(), "exit code 0x%lx", &code) == 1) {
        o.exited = true;
        o.status = code;
    } else if (o.text.find("ended by signal 9") != std::string::npos) {
        o.killed = true;
    }
    return o;
}

bool IsError(unsigned long status) { return (status & 0x80000000UL) != 0; }
unsigned long Code(unsigned long status) { return status >> 20; }

// A file line without its time stamp ("F<tab>path<tab>size<tab>time<tab>...").
std::string WithoutTime(const std::string& line) {
    size_t size = line.find('\t', 2), time = size == std::string::npos ? size : line.find('\t', size + 1);
    size_t end = time == std::string::npos ? time : line.find('\t', time + 1);
    return end == std::string::npos ? line : line.substr(0, time + 1) + "-" + line.substr(end);
}

// The time of wininit.ini is when a run last wrote it, which differs from
// run to run; its contents are compared.
// (wininit.bak is what Windows' WININIT leaves after a restart that carried
// out operations of the 95 family's wininit.ini.)
std::string State(const std::string& machine) {
    std::string file = machine + ".snap";
    Spawn({WINSIM_TOOL, "snapshot", machine, file}, {});
    std::istringstream in(ReadFile(file));
    fs::remove(file);
    std::string line, out;
    while (std::getline(in, line)) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        if (lower.find("halvinst.log") != std::string::npos || lower.find("halvunin.log") != std::string::npos ||
            lower.find("upgwizcompletion") != std::string::npos || lower.find("\\wininit.bak\t") != std::string::npos)
            continue;
        if (lower.find("\\wininit.ini\t") != std::string::npos) line = WithoutTime(line);
        out += line + "\n";
    }
    return out;
}

void Reboot(const std::string& machine) { Spawn({WINSIM_TOOL, "reboot", machine}, {}); }

void CopyMachine(const std::string& from, const std::string& to) {
    // cp -a keeps the time stamps that the comparison looks at.
    fs::remove_all(to);
    Spawn({"/bin/cp", "-a", from, to}, {});
}
