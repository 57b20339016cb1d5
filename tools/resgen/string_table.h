#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace resgen {

struct StringEntry {
    std::uint16_t id;
    std::u16string text;  // what the string table resource stores
    int line;             // where the entry starts in its source file
};

// One language's string table as read from its text source:
//
//   language 0x0407
//   1 "Talven Setup-Assistent"
//   6 "first line\n"
//     "continued on an indented line"
struct StringTable {
    std::string file;
    std::uint16_t language = 0;
    std::vector<StringEntry> entries;  // ascending ids, no duplicates

    const StringEntry* Find(std::uint16_t id) const;
};

StringTable ParseStringTable(std::string_view source, const std::string& fileName);

} // namespace resgen
