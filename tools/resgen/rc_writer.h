#pragma once

#include <string>

#include "sources.h"

namespace resgen {

// A text for a resource script: L"..." in plain ASCII, every other character as a
// \xHHHH escape, so that the script means the same whatever code page windres assumes.
std::string RcWideString(const std::u16string& text);

// The resource script that windres compiles into the Windows build: the dialog, the
// picture and the icon (from the files named), and one STRINGTABLE per language without
// the uninstaller's block.
std::string WriteRcScript(const ResourceSources& sources, const std::string& bitmapFile,
                          const std::string& iconFile);

// The uninstaller's script: the icon, its version resource (raw VS_VERSIONINFO bytes from
// the file named, as resource type 16) and the same string tables.
std::string WriteUninstallerRcScript(const ResourceSources& sources, const std::string& iconFile,
                                     const std::string& versionFile);

} // namespace resgen
