// sweep: runs the silent install or uninstall with a fault at every
// machine-changing call and at every read-side call that can fail, and kills
// it at every changing call, on each Windows and starting machine; after
// each run, and again after a restart, the machine must be either what the
// run without faults leaves, with its success status, or exactly as before
// with an error status, and after a kill the next run must complete (after a
// killed uninstall, the next install as well).

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

#include "judge.h"
#include "runs.h"
#include "scenarios.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::vector<std::string> profiles = {"win98", "nt4", "win2000", "winxp"};
    std::vector<std::string> scenarios;
    unsigned every = 1;  // take every Nth fault point
    unsigned long tail = 0;  // only the last N machine-changing calls (0: all points)
    unsigned jobs = 2;
    std::string work = "build/sweep";
    bool sample = false;
};

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

std::vector<Point> FaultPoints(const std::string& counts, unsigned long tail) {
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
    for (unsigned long i = tail && tail < changing ? changing - tail + 1 : 1; i <= changing; ++i) {
        for (const char* code : {"5", "32", "112", "AV"}) points.push_back({"*:" + std::to_string(i) + ":" + code, false});
        points.push_back({"*:" + std::to_string(i) + ":KILL", true});
    }
    if (tail) return points;
    for (const auto& [api, count] : reads)
        for (unsigned long i = 1; i <= count; ++i)
            for (const char* code : {"5", "32", "112", "AV"})
                points.push_back({api + ":" + std::to_string(i) + ":" + code, false});
    return points;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: sweep [--sample] [--profiles a,b] [--scenarios a,b] [--every N] [--tail N] [--jobs N]"
                 " [--work DIR]\n"
                 "  --sample     the fixed CI sample (install, uninstall and cross-run scenarios)\n"
                 "  --scenarios  names, or the groups installer, uninstaller, cross\n"
                 "  --tail N     only faults and kills at the last N machine-changing calls (the run's end)\n");
    return 2;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) out.push_back(item);
    return out;
}

struct Entry {
    std::string profile, scenario;
    unsigned every;
};

// The CI sample: every Nth fault point of a few machines, chosen so that
// each kind of run and each family of Windows is in it.
std::vector<Entry> Sample() {
    return {{"winxp", "upgrade", 9},      {"win98", "pending", 9},      {"win2000", "u-filters", 13},
            {"nt4", "u-upgrade", 17},     {"win98", "u-inuse", 13},     {"winxp", "x-un-in-use", 29},
            {"winxp", "x-in-un-use", 13}};
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool value = i + 1 < argc;
        if (a == "--sample") opt.sample = true;
        else if (a == "--profiles" && value) opt.profiles = Split(argv[++i]);
        else if (a == "--scenarios" && value) {
            for (const std::string& name : Split(argv[++i])) {
                std::vector<std::string> group = ScenarioGroup(name);
                if (group.empty()) {
                    std::fprintf(stderr, "sweep: no scenario '%s'\n", name.c_str());
                    return Usage();
                }
                opt.scenarios.insert(opt.scenarios.end(), group.begin(), group.end());
            }
        }
        else if (a == "--every" && value) opt.every = std::max(1, std::atoi(argv[++i]));
        else if (a == "--tail" && value) opt.tail = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--jobs" && value) opt.jobs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--work" && value) opt.work = argv[++i];
        else return Usage();
    }
    std::vector<Entry> matrix;
    if (opt.sample) {
        matrix = Sample();
    } else {
        for (const std::string& profile : opt.profiles)
            for (const Scenario& s : Scenarios())
                if (opt.scenarios.empty() || std::count(opt.scenarios.begin(), opt.scenarios.end(), s.name))
                    matrix.push_back({profile, s.name, opt.every});
    }
    fs::create_directories(opt.work);
    unsigned long totalRuns = 0, totalViolations = 0;
    std::printf("%-8s %-12s %6s %6s %10s\n", "windows", "machine", "code", "runs", "violations");
    // What a complete install holds on each Windows, after its restart.
    std::map<std::string, std::string> installed;
    for (const Entry& entry : matrix) {
        if (installed.count(entry.profile)) continue;
        std::string dir = opt.work + "/" + entry.profile + "-installed", error;
        fs::remove_all(dir);
        const Scenario* fresh = nullptr;
        for (const Scenario& s : Scenarios())
            if (s.name == "u-fresh") fresh = &s;
        if (!PrepareMachine(dir, entry.profile, *fresh, error)) {
            std::fprintf(stderr, "sweep: %s: %s\n", entry.profile.c_str(), error.c_str());
            return 1;
        }
        installed[entry.profile] = Presence(State(dir), TargetOf(entry.profile));
        fs::remove_all(dir);
    }
    for (const auto& [profile, scenarioName, every] : matrix) {
        Sweep sweep;
        for (const Scenario& s : Scenarios())
            if (s.name == scenarioName) sweep.scenario = &s;
        sweep.target = TargetOf(profile);
        std::string base = opt.work + "/" + profile + "-" + scenarioName, error;
        fs::remove_all(base);
        if (!sweep.scenario || !PrepareMachine(base, profile, *sweep.scenario, error)) {
            std::fprintf(stderr, "sweep: %s %s: %s\n", profile.c_str(), scenarioName.c_str(), error.c_str());
            return 1;
        }
        Reference ref;
        ref.before = State(base);
        CopyMachine(base, base + ".ref");
        Reboot(base + ".ref");
        ref.beforeRebooted = State(base + ".ref");
        CopyMachine(base, base + ".ref");
        Outcome o = sweep.Run(base + ".ref", "", base + ".calls");
        if (!o.exited || IsError(o.status)) {
            std::fprintf(stderr, "sweep: %s %s: the run without faults failed: %s", profile.c_str(),
                         scenarioName.c_str(), o.text.c_str());
            return 1;
        }
        ref.code = Code(o.status);
        ref.after = State(base + ".ref");
        CopyMachine(base + ".ref", base + ".second");
        ref.secondCode = Code(sweep.Run(base + ".second").status);
        fs::remove_all(base + ".second");
        Reboot(base + ".ref");
        ref.afterRebooted = State(base + ".ref");
        ref.product = ProductLines(ref.beforeRebooted, ref.afterRebooted);
        ref.installed = installed[profile];
        // The run without faults itself: after the restart an install that
        // asked for it (code 2; an up-to-date run writes no uninstall
        // entry) is all there, and an uninstall has left nothing of ours.
        std::vector<std::string> violations;
        std::string have = Presence(ref.afterRebooted, sweep.target);
        bool install = sweep.scenario->program == Program::Install;
        if (install ? ref.code >= 2 && have != installed[profile] : !have.empty())
            violations.push_back(std::string("(no fault): after the restart the ") + (install ? "install" : "uninstall") +
                                 " left" + (have.empty() ? " nothing" : have) + " where a complete " +
                                 (install ? "install has" : "removal has nothing") +
                                 (install ? installed[profile] : std::string()));
        std::vector<Point> all = FaultPoints(ReadFile(base + ".calls"), opt.tail), points;
        for (size_t i = 0; i < all.size(); i += every) points.push_back(all[i]);

        std::atomic<size_t> next{0};
        std::mutex lock;
        auto worker = [&](unsigned id) {
            std::string dir = base + ".w" + std::to_string(id);
            for (size_t i; (i = next++) < points.size();) {
                std::string problem = CheckPoint(base, dir, points[i], ref, sweep);
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
        std::printf("%-8s %-12s %6lu %6zu %10zu\n", profile.c_str(), scenarioName.c_str(), ref.code, points.size(),
                    violations.size());
        for (size_t i = 0; i < violations.size() && i < 15; ++i) std::printf("    %s\n", violations[i].c_str());
        std::fflush(stdout);
        totalRuns += points.size();
        totalViolations += violations.size();
    }
    std::printf("total: %lu runs, %lu violations\n", totalRuns, totalViolations);
    return totalViolations ? 1 : 0;
}
