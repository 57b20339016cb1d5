#include "machine/faults.h"

#include <csignal>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "winsim/machine.h"

namespace winsim {
namespace {

struct Fault {
    std::string api;
    unsigned long nth = 0;
    bool accessViolation = false;
    bool kill = false;
    bool hang = false;
    DWORD code = 0;
};

struct FaultState {
    bool loaded = false;
    std::vector<Fault> faults;
    std::map<std::string, unsigned long> calls;
    std::map<std::string, bool> changes;  // whether the API changes the machine
    unsigned long mutatingCalls = 0;
    std::string countFile;  // WINSIM_CALLS: where the counts go at exit
};

FaultState& State() {
    static FaultState state;
    return state;
}

bool Parse(const std::string& list, std::vector<Fault>& out, std::string& error) {
    out.clear();
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(";,", start);
        if (end == std::string::npos) end = list.size();
        std::string item = list.substr(start, end - start);
        start = end + 1;
        if (item.empty()) continue;
        size_t c1 = item.find(':'), c2 = item.find(':', c1 == std::string::npos ? 0 : c1 + 1);
        if (c1 == std::string::npos || c2 == std::string::npos) {
            error = "fault '" + item + "' is not Api:N:code";
            return false;
        }
        Fault f;
        f.api = item.substr(0, c1);
        char* tail = nullptr;
        std::string nth = item.substr(c1 + 1, c2 - c1 - 1);
        f.nth = std::strtoul(nth.c_str(), &tail, 10);
        if (nth.empty() || *tail || f.nth == 0) {
            error = "fault '" + item + "': N must be a call number from 1";
            return false;
        }
        std::string code = item.substr(c2 + 1);
        if (code == "AV") {
            f.accessViolation = true;
        } else if (code == "KILL") {
            f.kill = true;
        } else if (code == "HANG") {
            f.hang = true;
        } else {
            f.code = static_cast<DWORD>(std::strtoul(code.c_str(), &tail, 0));
            if (code.empty() || *tail) {
                error = "fault '" + item + "': code must be a number, AV, KILL or HANG";
                return false;
            }
        }
        out.push_back(f);
        if (end == list.size()) break;
    }
    return true;
}

// "Api count" per line, "+" in front of the APIs that change the machine,
// and "* N" for the changing calls together: what a fault sweep iterates.
void WriteCallCounts() {
    FaultState& s = State();
    std::FILE* out = std::fopen(s.countFile.c_str(), "w");
    if (!out) return;
    for (const auto& [api, count] : s.calls)
        std::fprintf(out, "%s%s %lu\n", s.changes[api] ? "+" : "", api.c_str(), count);
    std::fprintf(out, "* %lu\n", s.mutatingCalls);
    std::fclose(out);
}

void LoadFromEnvironment(FaultState& s) {
    if (s.loaded) return;
    s.loaded = true;
    if (const char* counts = std::getenv("WINSIM_CALLS")) {
        s.countFile = counts;
        std::atexit(WriteCallCounts);
    }
    const char* list = std::getenv("WINSIM_FAIL");
    std::string error;
    if (list && !Parse(list, s.faults, error)) {
        std::fprintf(stderr, "winsim: WINSIM_FAIL: %s\n", error.c_str());
        std::exit(3);
    }
}

}  // namespace

bool SetFaults(const std::string& list, std::string& error) {
    FaultState& s = State();
    std::vector<Fault> faults;
    if (!Parse(list, faults, error)) return false;
    s.loaded = true;
    s.faults = faults;
    s.calls.clear();
    s.mutatingCalls = 0;
    return true;
}

bool InjectedFault(const char* api, bool mutating, DWORD& code) {
    FaultState& s = State();
    LoadFromEnvironment(s);
    if (s.faults.empty() && s.countFile.empty()) return false;
    if (mutating) s.changes[api] = true;
    unsigned long n = ++s.calls[api];
    unsigned long m = mutating ? ++s.mutatingCalls : 0;
    for (const Fault& f : s.faults) {
        bool hit = (f.api == api && f.nth == n) || (mutating && f.api == "*" && f.nth == m);
        if (!hit) continue;
        if (f.kill) {
            // Power loss or End Task: the process is gone before the call
            // does anything, with no chance to clean up.
            std::fflush(nullptr);
            kill(getpid(), SIGKILL);
        }
        if (f.hang) {
            // A program that stops responding: it waits before the call,
            // holding what it holds, until something outside ends it.
            std::fprintf(stderr, "winsim: hanging at %s call %lu\n", api, n);
            std::fflush(nullptr);
            for (;;) pause();
        }
        if (f.accessViolation) {
            // A real fault, delivered the way a processor fault is.
            std::raise(SIGSEGV);
        }
        code = f.code;
        return true;
    }
    return false;
}

bool FailsHere(const char* api, bool mutating) {
    DWORD code = 0;
    if (!InjectedFault(api, mutating, code)) return false;
    SetLastError(code);
    return true;
}

}  // namespace winsim
