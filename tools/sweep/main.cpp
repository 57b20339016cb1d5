// sweep: runs the silent install with a fault at every machine-changing call
// and at every read-side call that can fail, and kills it at every changing
// call, on each Windows and starting machine; after each run, and again
// after a restart, the machine must be either the complete new install with
// a success status or exactly as before with an error status, and after a
// kill the next run must reach the complete install.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scenarios.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::vector<std::string> profiles = {"win98", "nt4", "win2000", "winxp"};
    std::vector<std::string> scenarios;
    unsigned every = 1;  // take every Nth fault point
    unsigned jobs = 2;
    std::string work = "build/sweep";
    bool sample = false;
};

// What a run of a command printed, and how it ended.
struct Outcome {
    bool killed = false;
    bool exited = false;
    unsigned long status = 0;  // the installer's exit code (its status word)
    std::string text;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs argv with extra environment variables; returns what it printed.
std::string Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int* status = nullptr) {
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

Outcome RunInstaller(const std::string& machine, const std::string& faults, const std::string& counts = "") {
    std::vector<std::string> env;
    if (!faults.empty()) env.push_back("WINSIM_FAIL=" + faults);
    if (!counts.empty()) env.push_back("WINSIM_CALLS=" + counts);
    Outcome o;
    o.text = Spawn({WINSIM_TOOL, "run", machine, "--", "D:\\HALVINST.EXE", "SILENT"}, env);
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

// The machine's state without what a run may always leave: the log file
// it keeps and the completion record.
std::string State(const std::string& machine) {
    std::string file = machine + ".snap";
    Spawn({WINSIM_TOOL, "snapshot", machine, file}, {});
    std::istringstream in(ReadFile(file));
    fs::remove(file);
    std::string line, out;
    while (std::getline(in, line)) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        if (lower.find("halvinst.log") != std::string::npos || lower.find("upgwizcompletion") != std::string::npos)
            continue;
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

// The state without the undo journal and its copies: what a run killed
// after its commit leaves besides the complete install.
std::string WithoutJournal(const std::string& state) {
    std::istringstream in(state);
    std::string line, out;
    while (std::getline(in, line)) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        if (lower.find("\\halvik.jnl") != std::string::npos || lower.find("\\halvik.0") != std::string::npos) continue;
        out += line + "\n";
    }
    return out;
}

// Whether the undo journal a killed run left (if any) is closed: a run
// killed before its closing record was written had not finished, and the
// next run rightly takes it back and installs again.
bool JournalClosedOrGone(const std::string& machine, const std::string& state) {
    std::istringstream in(state);
    std::string line;
    while (std::getline(in, line)) {
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        size_t at = lower.find("\\halvik.jnl\t");
        if (line.size() < 4 || line[0] != 'F' || at == std::string::npos) continue;
        // "F<tab>C:\WINDOWS\halvik.jnl<tab>..." lies at <machine>/c/WINDOWS/halvik.jnl.
        std::string path = line.substr(2, at + 11 - 2);
        std::string host = machine + "/" + static_cast<char>(::tolower(path[0])) + path.substr(2);
        std::replace(host.begin(), host.end(), '\\', '/');
        // The closing record is the last line: " DONE" and the run's status.
        std::string text = ReadFile(host);
        size_t last = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
        return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0 &&
               text.find(" DONE", last == std::string::npos ? 0 : last) != std::string::npos;
    }
    return true;
}

// The first line that differs, to say what a violation left behind.
std::string FirstDifference(const std::string& want, const std::string& got) {
    std::istringstream a(want), b(got);
    std::string la, lb;
    while (true) {
        bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb) return "";
        if (!ha) return "extra: " + lb;
        if (!hb) return "missing: " + la;
        if (la != lb) return "want: " + la + " | got: " + lb;
    }
}

struct Reference {
    std::string before, beforeRebooted;  // the machine as it was
    std::string after, afterRebooted;    // the complete new install
    unsigned long code = 0;
    unsigned long secondCode = 0;  // a second run on the complete install
};

struct Point {
    std::string fault;
    bool kill = false;
};

// Checks one run; returns "" or what is wrong.
std::string CheckPoint(const std::string& base, const std::string& dir, const Point& p, const Reference& ref) {
    CopyMachine(base, dir);
    Outcome o = RunInstaller(dir, p.fault);
    std::string diff;
    unsigned long wantCode = ref.code;
    if (o.killed) {
        if (!p.kill) return "ended by a signal";
        // Killed after its commit, the run had finished: the next one finds
        // the complete install, as any second run would, but still reports
        // the restart that the killed run needed and could not report.
        std::string killed = State(dir);
        bool finished = WithoutJournal(killed) == ref.after && JournalClosedOrGone(dir, killed);
        unsigned long want = finished && ref.code != 2 ? ref.secondCode : ref.code;
        o = RunInstaller(dir, "");
        if (!o.exited) return "the run after the kill did not end normally";
        if (IsError(o.status) || Code(o.status) != want) {
            char text[96];
            std::snprintf(text, sizeof text, "the run after the kill ended with 0x%08lX, not code %lu", o.status, want);
            return text;
        }
        wantCode = want;
    }
    if (!o.exited) return "did not end normally: " + o.text.substr(0, 80);
    bool failed = IsError(o.status);
    if (!failed && Code(o.status) != wantCode) {
        char text[96];
        std::snprintf(text, sizeof text, "success code %lu where the complete install gives %lu", Code(o.status), wantCode);
        return text;
    }
    const std::string& want = failed ? ref.before : ref.after;
    diff = FirstDifference(want, State(dir));
    if (!diff.empty()) return std::string(failed ? "failed run changed the machine: " : "success but not complete: ") + diff;
    Reboot(dir);
    diff = FirstDifference(failed ? ref.beforeRebooted : ref.afterRebooted, State(dir));
    if (!diff.empty()) return std::string("after the restart: ") + diff;
    return "";
}

// Read-side APIs whose failure the installer must handle; the others
// (messages, heap bookkeeping of the host) do not fail on Windows.
bool ReadSideApi(const std::string& api) {
    static const char* const list[] = {
        "CreateFileA", "ReadFile", "GetFileSize", "GetFileTime", "GetFileAttributesA", "SetFilePointer",
        "FindFirstFileA", "GetShortPathNameA", "RegOpenKeyExA", "RegQueryValueExA", "RegEnumKeyExA",
        "RegEnumValueA", "RegQueryInfoKeyA", "GetFileVersionInfoSizeA", "GetFileVersionInfoA", "VerQueryValueA",
        "HeapAlloc", "VirtualAlloc", "GetDiskFreeSpaceA", "FileTimeToSystemTime", "GetTempPathA",
    };
    for (const char* name : list)
        if (api == name) return true;
    return false;
}

std::vector<Point> FaultPoints(const std::string& counts) {
    std::vector<Point> points;
    std::istringstream in(counts);
    std::string name;
    unsigned long n;
    std::vector<std::pair<std::string, unsigned long>> reads;
    unsigned long changing = 0;
    while (in >> name >> n) {
        if (name == "*") changing = n;
        else if (name[0] != '+' && ReadSideApi(name)) reads.emplace_back(name, n);
    }
    for (unsigned long i = 1; i <= changing; ++i) {
        for (const char* code : {"5", "32", "112", "AV"}) points.push_back({"*:" + std::to_string(i) + ":" + code, false});
        points.push_back({"*:" + std::to_string(i) + ":KILL", true});
    }
    for (const auto& [api, count] : reads)
        for (unsigned long i = 1; i <= count; ++i)
            for (const char* code : {"5", "32", "112", "AV"})
                points.push_back({api + ":" + std::to_string(i) + ":" + code, false});
    return points;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: sweep [--sample] [--profiles a,b] [--scenarios a,b] [--every N] [--jobs N] [--work DIR]\n"
                 "  --sample   the fixed CI sample: every 9th fault point of winxp upgrade and win98 pending\n");
    return 2;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) out.push_back(item);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool value = i + 1 < argc;
        if (a == "--sample") opt.sample = true;
        else if (a == "--profiles" && value) opt.profiles = Split(argv[++i]);
        else if (a == "--scenarios" && value) opt.scenarios = Split(argv[++i]);
        else if (a == "--every" && value) opt.every = std::max(1, std::atoi(argv[++i]));
        else if (a == "--jobs" && value) opt.jobs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--work" && value) opt.work = argv[++i];
        else return Usage();
    }
    std::vector<std::pair<std::string, std::string>> matrix;
    if (opt.sample) {
        matrix = {{"winxp", "upgrade"}, {"win98", "pending"}};
        opt.every = 9;
    } else {
        for (const std::string& profile : opt.profiles)
            for (const Scenario& s : Scenarios())
                if (opt.scenarios.empty() || std::count(opt.scenarios.begin(), opt.scenarios.end(), s.name))
                    matrix.emplace_back(profile, s.name);
    }
    fs::create_directories(opt.work);
    unsigned long totalRuns = 0, totalViolations = 0;
    std::printf("%-8s %-8s %6s %6s %10s\n", "windows", "machine", "code", "runs", "violations");
    for (const auto& [profile, scenarioName] : matrix) {
        const Scenario* scenario = nullptr;
        for (const Scenario& s : Scenarios())
            if (s.name == scenarioName) scenario = &s;
        std::string base = opt.work + "/" + profile + "-" + scenarioName, error;
        fs::remove_all(base);
        if (!scenario || !PrepareMachine(base, profile, *scenario, error)) {
            std::fprintf(stderr, "sweep: %s %s: %s\n", profile.c_str(), scenarioName.c_str(), error.c_str());
            return 1;
        }
        Reference ref;
        ref.before = State(base);
        CopyMachine(base, base + ".ref");
        Reboot(base + ".ref");
        ref.beforeRebooted = State(base + ".ref");
        CopyMachine(base, base + ".ref");
        Outcome o = RunInstaller(base + ".ref", "", base + ".calls");
        if (!o.exited || IsError(o.status)) {
            std::fprintf(stderr, "sweep: %s %s: the run without faults failed: %s", profile.c_str(),
                         scenarioName.c_str(), o.text.c_str());
            return 1;
        }
        ref.code = Code(o.status);
        ref.after = State(base + ".ref");
        CopyMachine(base + ".ref", base + ".second");
        ref.secondCode = Code(RunInstaller(base + ".second", "").status);
        fs::remove_all(base + ".second");
        Reboot(base + ".ref");
        ref.afterRebooted = State(base + ".ref");
        std::vector<Point> all = FaultPoints(ReadFile(base + ".calls")), points;
        for (size_t i = 0; i < all.size(); i += opt.every) points.push_back(all[i]);

        std::atomic<size_t> next{0};
        std::mutex lock;
        std::vector<std::string> violations;
        auto worker = [&](unsigned id) {
            std::string dir = base + ".w" + std::to_string(id);
            for (size_t i; (i = next++) < points.size();) {
                std::string problem = CheckPoint(base, dir, points[i], ref);
                std::lock_guard<std::mutex> guard(lock);
                if (!problem.empty()) violations.push_back(points[i].fault + ": " + problem);
                if ((i + 1) % 100 == 0)
                    std::fprintf(stderr, "  %s %s: %zu/%zu\n", profile.c_str(), scenarioName.c_str(), i + 1, points.size());
            }
            fs::remove_all(dir);
        };
        std::vector<std::thread> threads;
        for (unsigned j = 0; j < opt.jobs; ++j) threads.emplace_back(worker, j);
        for (std::thread& t : threads) t.join();
        std::sort(violations.begin(), violations.end());
        std::printf("%-8s %-8s %6lu %6zu %10zu\n", profile.c_str(), scenarioName.c_str(), ref.code, points.size(),
                    violations.size());
        for (size_t i = 0; i < violations.size() && i < 15; ++i) std::printf("    %s\n", violations[i].c_str());
        std::fflush(stdout);
        totalRuns += points.size();
        totalViolations += violations.size();
    }
    std::printf("total: %lu runs, %lu violations\n", totalRuns, totalViolations);
    return totalViolations ? 1 : 0;
}
