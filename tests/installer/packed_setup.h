// For whole runs of WinMain in the test process: the packed host installer as
// the program on the machine's CD-ROM drive, its release stamp as the
// process's own, so that the setup's check of its archive passes.
#ifndef TESTS_PACKED_SETUP_H
#define TESTS_PACKED_SETUP_H

#include <string>

void PlacePackedSetup(const std::string& machineDir);

#endif
