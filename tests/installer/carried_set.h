// The installer's own five carried files as an engine test's file set, over an
// archive built from the payload, run through the whole install sequence.
#ifndef TESTS_CARRIED_SET_H
#define TESTS_CARRIED_SET_H

#include <string>

#include "engine_fixture.h"
#include "header_places.h"

class CarriedSet : public EngineTest {
protected:
    // A fresh machine of `profile` with the 7.1.0.188 driver installed.
    void Prepare(const std::string& profile);
    // The payload archive's bytes (built once per test).
    const std::string& Archive();
    // Runs the install sequence over `archive` (forced when asked) on the
    // current machine, with the engine restarted; returns the status code.
    unsigned RunOver(const std::string& archive, bool forced = false);
    // The installed driver, the uninstaller and HKEY_LOCAL_MACHINE, as one text.
    std::string MachineState();
    // Whether the installed driver and uninstaller are the payload's own.
    bool InstalledFilesArePayloads();

    std::string driverPath_;
    std::string carriedDriver_;

private:
    std::string archiveBytes_;
};

#endif
