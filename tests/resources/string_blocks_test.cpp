// The RT_STRING blocks of the host table, read back the way LoadLangString walks them.

#include <gtest/gtest.h>

#include <set>

#include "resource_bytes.h"
#include "sources_fixture.h"

TEST(StringBlocks, DecodeBackToTheSourceTextsInBlocks1_2_3_63_129_130_131)
{
    const auto resources = HostResources();
    std::vector<std::uint16_t> languages;
    for (const resgen::StringTable& table : TreeSources().stringTables) {
        languages.push_back(table.language);
        std::set<std::uint16_t> blocks;
        for (const auto& [key, data] : resources) {
            const auto [type, block, language] = key;
            if (type != kRtString || language != table.language)
                continue;
            blocks.insert(block);
            const std::vector<std::u16string> strings = DecodeStringBlock(data);
            for (unsigned i = 0; i < 16; ++i) {
                const auto id = static_cast<std::uint16_t>((block - 1) * 16 + i);
                EXPECT_EQ(strings[i], TextOf(table, id)) << table.file << ", string " << id;
            }
        }
        EXPECT_EQ(blocks, (std::set<std::uint16_t>{1, 2, 3, 63, 129, 130, 131})) << table.file;
    }
    EXPECT_EQ(languages, InstallerLanguages());
}

TEST(StringBlocks, AreOrderedByTypeNameAndLanguageAsEnumerationReportsThem)
{
    ResourceKey previous{0, 0, 0};
    for (const auto& entry : HostTableInOrder()) {
        EXPECT_LT(previous, entry.first);
        previous = entry.first;
    }
}
