// Everything a driver folder must pass before an installer is built from it.
#pragma once

#include <string>
#include <vector>

#include "machine_checks.h"

// The four files a release carries besides the uninstaller.
extern const std::vector<std::string> kReleaseFiles;

struct CheckedFolder {
    std::vector<std::string> problems;          // one line each, "NAME: why"
    std::vector<std::string> paths;             // host path of each of kReleaseFiles, when present
    std::vector<FileVersion> versions;          // of each of kReleaseFiles ("found" false for the script)
    FileVersion product;                        // the drivers' common file version
};

// Checks `folder`: exactly the four files (names in any case), each .SYS a
// native i386 PE driver, HALVIK.VXD an LE executable, a version resource in
// each driver, one file version for all three, and a registry script that
// the installer's reader takes and that writes the service key.
CheckedFolder checkDriverFolder(const std::string &folder, ScratchMachines &machines);
