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
    std::string after, afterRebooted;    // what the run without faults leaves
    unsigned long code = 0;
    unsigned long secondCode = 0;  // a second run after it
    std::vector<std::string> product;  // the installed product's lines (uninstall sweeps)
    std::string installed;             // Presence() of a complete install after its restart
};

struct Point {
    std::string fault;
    bool kill = false;
};

// What a scenario's runs need to know.
struct Sweep {
    const Scenario* scenario = nullptr;
    Target target;
    Outcome Run(const std::string& dir, const std::string& faults = "", const std::string& counts = "") const {
        return RunProgram(dir, target, scenario->program, scenario->InUse(), faults, counts);
    }
};

bool Ignored(const std::string& line) {
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    // The backup and what records it go with the old driver: an install
    // after a partial removal has no old driver to back up.
    for (const char* part : {"\\halvik.bak\t", "\\halvik.jnl", "\\halvik.0", "\tlowerfilters\t", "\\software\\talven"})
        if (lower.find(part) != std::string::npos) return true;
    return false;
}

// The lines of the installed machine that the uninstall removes: the
// driver, the uninstaller, the service and the uninstall entry.
std::vector<std::string> ProductLines(const std::string& installed, const std::string& removed) {
    std::istringstream in(installed);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (removed.find(line + "\n") == std::string::npos && !Ignored(line)) lines.push_back(line);
    return lines;
}

// Whether a state's LowerFilters value ("V<tab>key<tab>LowerFilters<tab>type<tab>hex") names Halvik.
bool FilterListed(const std::string& state) {
    size_t at = state.find("\tLowerFilters\t");
    if (at == std::string::npos) return false;
    size_t hex = state.find('\t', at + 14), end = state.find('\n', at);
    std::string bytes;
    for (size_t i = hex + 1; i + 1 < end; i += 2) bytes += static_cast<char>(std::stoi(state.substr(i, 2), nullptr, 16));
    std::istringstream names(bytes);
    for (std::string name; std::getline(names, name, '\0');) {
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        if (name == "halvik") return true;
    }
    return false;
}

// Which parts of the product a state holds: the driver, the uninstaller,
// the uninstall entry, the service key and (NT family) the filter entry.
std::string Presence(const std::string& state, const Target& target) {
    std::string lower = state;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    auto has = [&](std::string line) {
        std::transform(line.begin(), line.end(), line.begin(), ::tolower);
        return lower.find(line) != std::string::npos;
    };
    std::string out;
    if (has("F\t" + target.driver + "\t")) out += " driver";
    if (has("F\t" + target.uninstaller + "\t")) out += " uninstaller";
    if (has("K\tHKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik\n"))
        out += " uninstall-entry";
    if (has("K\tHKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Halvik\n")) out += " service";
    if (FilterListed(state)) out += " filter";
    return out;
}

std::string StatusText(const char* what, unsigned long status, unsigned long want) {
    char text[128];
    std::snprintf(text, sizeof text, "%s ended with 0x%08lX, not code %lu", what, status, want);
    return text;
}

// After a killed uninstall: an install from there completes, and after the
// restart the product is all there (its filter listed on the NT family).
std::string CheckInstallAfterKill(const std::string& dir, const Sweep& sweep, const Reference& ref) {
    Outcome o = RunProgram(dir, sweep.target, Program::Install, sweep.scenario->InUse());
    if (!o.exited || IsError(o.status)) return "the install after the kill failed: " + o.text.substr(0, 80);
    Reboot(dir);
    std::string state = State(dir);
    // A file's attributes aside: an install over a partial removal may find
    // the driver with its attributes reset.
    for (const std::string& line : ref.product) {
        std::string part = line[0] == 'F' ? line.substr(0, line.rfind('\t') + 1) : line + "\n";
        if (state.find(part) == std::string::npos) return "the install after the kill left out: " + line;
    }
    std::string have = Presence(state, sweep.target);
    if (have != ref.installed) return "the install after the kill left" + have + " where a complete install has" + ref.installed;
    return "";
}

// Checks one run; returns "" or what is wrong.
std::string CheckPoint(const std::string& base, const std::string& dir, const Point& p, const Reference& ref,
                       const Sweep& sweep) {
    CopyMachine(base, dir);
    Outcome o = sweep.Run(dir, p.fault);
    std::string diff;
    unsigned long wantCode = ref.code;
    if (o.killed) {
        if (!p.kill) return "ended by a signal";
        // Killed after its commit, the run had finished: the next one finds
        // it complete, as any second run would, but still reports the
        // restart that the killed run needed and could not report.
        std::string killed = State(dir);
        bool finished = WithoutJournal(killed) == ref.after && JournalClosedOrGone(dir, killed);
        unsigned long want = finished && ref.code != 2 ? ref.secondCode : ref.code;
        if (sweep.scenario->program == Program::Uninstall) {
            CopyMachine(dir, dir + ".next");
            std::string problem = CheckInstallAfterKill(dir + ".next", sweep, ref);
            std::filesystem::remove_all(dir + ".next");
            if (!problem.empty()) return problem;
        }
        o = sweep.Run(dir);
        if (!o.exited) return "the run after the kill did not end normally";
        if (IsError(o.status) || Code(o.status) != want) return StatusText("the run after the kill", o.status, want);
        wantCode = want;
    }
    if (!o.exited) return "did not end normally: " + o.text.substr(0, 80);
    bool failed = IsError(o.status);
    if (!failed && sweep.scenario->program == Program::Uninstall && Code(o.status) == 2 && wantCode == 1) {
        // A file that could not be deleted now (in use, or access denied)
        // goes at the restart: the removal is judged after it.
        Reboot(dir);
        diff = FirstDifference(ref.afterRebooted, State(dir));
        return diff.empty() ? "" : "after the restart: " + diff;
    }
    if (!failed && Code(o.status) != wantCode) {
        char text[96];
        std::snprintf(text, sizeof text, "success code %lu where the run without faults gives %lu", Code(o.status),
                      wantCode);
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
        // The run without faults itself: after the restart an install is
        // all there and an uninstall has left nothing of ours.
        std::vector<std::string> violations;
        std::string have = Presence(ref.afterRebooted, sweep.target);
        bool install = sweep.scenario->program == Program::Install;
        if (install ? have != installed[profile] : !have.empty())
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
