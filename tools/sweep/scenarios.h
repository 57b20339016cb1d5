// The machines a fault sweep starts from: a fresh Windows, or one with an
// older, equal or newer driver installed, or with an older driver waiting
// for the next restart.
#ifndef SWEEP_SCENARIOS_H
#define SWEEP_SCENARIOS_H

#include <string>
#include <vector>

struct Scenario {
    std::string name;
    std::string driverVariant;   // file installed as the driver, "" for none
    std::string pendingVariant;  // file waiting to replace the driver at the next restart
};

const std::vector<Scenario>& Scenarios();

// Creates the machine in `dir` for `profile` and `scenario`, with the
// installer on its CD-ROM drive. False with `error` on failure.
bool PrepareMachine(const std::string& dir, const std::string& profile, const Scenario& scenario,
                    std::string& error);

#endif
