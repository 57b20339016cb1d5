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

} // namespace resgen
