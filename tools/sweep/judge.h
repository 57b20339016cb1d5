// Judging a swept run: what the machine must be after it, after the
// restart, and after the runs that follow a kill.
#ifndef SWEEP_JUDGE_H
#define SWEEP_JUDGE_H

#include <string>
#include <vector>

#include "runs.h"
#include "scenarios.h"

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
    Outcome Run(const std::string& dir, const std::string& faults = "", const std::string& counts = "") const;
};

// The lines of the installed machine that the uninstall removes: the
// driver, the uninstaller, the service and the uninstall entry (the backup,
// its records, the journal and the filter list aside).
std::vector<std::string> ProductLines(const std::string& installed, const std::string& removed);

// Which parts of the product a state holds, as text: " driver",
// " uninstaller", " uninstall-entry", " service", " filter".
std::string Presence(const std::string& state, const Target& target);

// Checks one run (from a copy of `base` in `dir`); returns "" or what is wrong.
std::string CheckPoint(const std::string& base, const std::string& dir, const Point& p, const Reference& ref,
                       const Sweep& sweep);

#endif
