#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "string_table.h"

namespace resgen {

// The English table is the reference every translation is held against.
constexpr std::uint16_t kReferenceLanguage = 0x0409;

// The printf conversions of a text in order ("%s", "%03lX", ...); "%%" is not one.
std::vector<std::u16string> FormatConversions(const std::u16string& text);

// Checks what would break the installer at run time rather than at build time:
// every table has exactly the reference table's ids, each translated string has the
// reference string's conversions in the same order (the installer formats them with
// the English argument list), at most one '&' accelerator per string, and no two
// tables share a LANGID. Throws InputError naming the offending entry.
void CheckTablesAgree(const std::vector<StringTable>& tables);

} // namespace resgen
