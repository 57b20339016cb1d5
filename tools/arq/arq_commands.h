// The arq commands; each returns the process exit code.
#pragma once

#include <string>
#include <vector>

int commandAdd(const std::string &archive, const std::vector<std::string> &files);
int commandList(const std::string &archive);
int commandTest(const std::string &archive);
int commandExtract(const std::string &archive, const std::string &pattern, const std::string &directory);
int commandDelete(const std::string &archive, const std::string &pattern);
int commandSfx(const std::string &stub, const std::string &out, const std::vector<std::string> &files);
