#pragma once

#include <string>
#include <vector>

#include "resource_set.h"

namespace resgen {

// C++ source for the host build: each resource's bytes as an array, and the table
// `halvinstResources` through which winsim serves them (winsim/module_resources.h).
std::string WriteHostTable(const std::vector<Resource>& resources);

} // namespace resgen
