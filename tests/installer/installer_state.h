// Puts the installer's process-wide state back to a fresh start.
#ifndef TESTS_INSTALLER_STATE_H
#define TESTS_INSTALLER_STATE_H

#include <string>

#include "machine_fixture.h"

void ResetInstaller();
// The whole log file of the machine's default log path (as the installer names it).
std::string LogText();

// A fresh machine with the installer's state reset, the program started
// from the CD-ROM drive as D:\HALVINST.EXE.
class InstallerTest : public MachineTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

#endif
