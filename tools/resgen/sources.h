#pragma once

#include <filesystem>
#include <vector>

#include "dialog.h"
#include "string_table.h"

namespace resgen {

// Everything the resources are made from, as read from the resources/ folder:
//   strings/LLLL-name.txt   one string table per language, LLLL its LANGID in hexadecimal
//   wizard.dlg              the wizard's dialog template
struct ResourceSources {
    std::vector<StringTable> stringTables;  // ascending LANGID, the order Windows enumerates them in
    Dialog dialog;
};

// Reads and checks all sources; throws InputError on the first fault.
ResourceSources LoadSources(const std::filesystem::path& directory);

// The whole content of a file, or InputError naming the file.
std::string ReadFile(const std::filesystem::path& path);

} // namespace resgen
