// Puts the installer's process-wide state back to a fresh start.
#ifndef TESTS_INSTALLER_STATE_H
#define TESTS_INSTALLER_STATE_H

#include <string>

void ResetInstaller();
// The whole log file of the machine's default log path (as the installer names it).
std::string LogText();

#endif
