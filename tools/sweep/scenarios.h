// The machines a fault sweep starts from, and the run it sweeps there: the
// install on a fresh Windows, or over an older, equal or newer driver, or
// with an older driver waiting for the next restart; the uninstall after a
// fresh install, after an upgrade (a backup beside the driver), with the
// driver in use, and with other filters around ours; and the runs that meet
// across a restart: an install after an uninstall whose work waits for the
// restart, and an uninstall after an install whose work does.
#ifndef SWEEP_SCENARIOS_H
#define SWEEP_SCENARIOS_H

#include <string>
#include <vector>

#include "runs.h"

struct Scenario {
    std::string name;
    std::string driverVariant;   // file installed as the driver, "" for none, "=" for the carried one
    std::string pendingVariant;  // file waiting to replace the driver at the next restart
    Program program;             // the run that is swept
    // Done, without faults, before the swept run: "install", "uninstall",
    // "reboot", "in use" (from here on the driver is kept open during every
    // run, as a loaded driver is), "filter before" (another filter listed
    // in LowerFilters before the install appends ours), "filter after"
    // (another one appended behind ours).
    std::vector<std::string> steps;
    bool InUse() const;
};

const std::vector<Scenario>& Scenarios();
// The scenarios a name given to --scenarios stands for: one scenario, or a
// group: "installer", "uninstaller", "cross".
std::vector<std::string> ScenarioGroup(const std::string& name);

// Creates the machine in `dir` for `profile` and `scenario`, with the
// installer on its CD-ROM drive, and does the scenario's steps. False with
// `error` on failure.
bool PrepareMachine(const std::string& dir, const std::string& profile, const Scenario& scenario,
                    std::string& error);

#endif
