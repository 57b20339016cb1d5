#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "string_table.h"

namespace resgen {

// The RT_STRING resources of one table, keyed by block number: block b holds the ids
// 16*(b-1) to 16*(b-1)+15, each a 16-bit length and that many UTF-16 units, an absent
// string a zero length. Only blocks that hold at least one string exist.
std::map<std::uint16_t, std::vector<std::uint8_t>> EncodeStringBlocks(const StringTable& table);

constexpr std::uint16_t StringBlockOf(std::uint16_t id) { return static_cast<std::uint16_t>(id / 16 + 1); }

// Ids 32 to 47: the uninstaller's own texts. The installer never shows them, so its
// resources leave this block out (its language check skips a block that is missing);
// the uninstaller carries every block.
constexpr std::uint16_t kUninstallerStringBlock = 3;

// The tables as the installer carries them: without the uninstaller's block.
std::vector<StringTable> InstallerStringTables(const std::vector<StringTable>& tables);

} // namespace resgen
