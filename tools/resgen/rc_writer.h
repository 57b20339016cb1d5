#pragma once

#include <string>

#include "sources.h"

namespace resgen {

// A text for a resource script: L"..." in plain ASCII, every other character as a
// \xHHHH escape, so that the script means the same whatever code page windres assumes.
std::string RcWideString(const std::u16string& text);

// The resource script that windres compiles into the Windows build: the dialog, the
// picture and the icon (from the files named), and one STRINGTABLE per language.
std::string WriteRcScript(const ResourceSources& sources, const std::string& bitmapFile,
                          const std::string& iconFile);

} // namespace resgen
