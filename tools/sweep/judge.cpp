#include "judge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

Outcome Sweep::Run(const std::string& dir, const std::string& faults, const std::string& counts) const {
    return RunProgram(dir, target, scenario->program, scenario->InUse(), faults, counts);
}

namespace {

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

bool Ignored(const std::string& line) {
    std::string lower = line;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    // The backup and what records it go with the old driver: an install
    // after a partial removal has no old driver to back up.
    for (const char* part : {"\\halvik.bak\t", "\\halvik.jnl", "\\halvik.0", "\tlowerfilters\t", "\\software\\talven"})
        if (lower.find(part) != std::string::npos) return true;
    return false;
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

}  // namespace

std::vector<std::string> ProductLines(const std::string& installed, const std::string& removed) {
    std::istringstream in(installed);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (removed.find(line + "\n") == std::string::npos && !Ignored(line)) lines.push_back(line);
    return lines;
}

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
    if (!failed && sweep.scenario->program == Program::Uninstall && Code(o.status) == 2 && wantCode != 0) {
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

