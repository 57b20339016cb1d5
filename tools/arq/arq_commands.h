// The arq commands; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

#include "arq_stamp.h"

int commandAdd(const std::string &archive, const std::vector<std::string> &files);
int commandList(const std::string &archive);
int commandTest(const std::string &archive);
int commandExtract(const std::string &archive, const std::string &pattern, const std::string &directory);
int commandDelete(const std::string &archive, const std::string &pattern);
// With a product version, the stub's release stamp takes it too.
int commandSfx(const std::string &stub, const std::string &out, const std::vector<std::string> &files,
               const ProductVersion &version);
