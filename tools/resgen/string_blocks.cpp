#include "string_blocks.h"

#include <algorithm>

#include "byte_writer.h"

namespace resgen {

std::map<std::uint16_t, std::vector<std::uint8_t>> EncodeStringBlocks(const StringTable& table)
{
    std::map<std::uint16_t, std::vector<std::uint8_t>> blocks;
    for (const StringEntry& entry : table.entries) {
        const std::uint16_t block = StringBlockOf(entry.id);
        if (blocks.count(block) != 0)
            continue;
        ByteWriter out;
        const unsigned first = (block - 1u) * 16u;
        for (unsigned id = first; id < first + 16; ++id) {
            const StringEntry* s = table.Find(static_cast<std::uint16_t>(id));
            out.U16(s ? static_cast<std::uint16_t>(s->text.size()) : 0);
            if (s)
                out.Units(s->text);
        }
        blocks.emplace(block, out.Take());
    }
    return blocks;
}

std::vector<StringTable> InstallerStringTables(const std::vector<StringTable>& tables)
{
    std::vector<StringTable> installer = tables;
    for (StringTable& table : installer) {
        auto& entries = table.entries;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const StringEntry& entry) {
                                         return StringBlockOf(entry.id) == kUninstallerStringBlock;
                                     }),
                      entries.end());
    }
    return installer;
}

} // namespace resgen
