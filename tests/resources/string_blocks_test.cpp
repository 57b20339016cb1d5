// The RT_STRING blocks of the host table, read back the way LoadLangString walks them.

#include <gtest/gtest.h>

#include <set>

#include "pictures.h"
#include "resource_bytes.h"
#include "resource_set.h"
#include "sources_fixture.h"

TEST(StringBlocks, DecodeBackToTheSourceTextsInBlocks1_2_63_129_130_131)
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
        // Block 3, the uninstaller's 32-47, is not the installer's to carry.
        EXPECT_EQ(blocks, (std::set<std::uint16_t>{1, 2, 63, 129, 130, 131})) << table.file;
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

TEST(StringBlocks, TheUninstallerCarriesItsOwnBlockAndTheInstallersInEveryLanguage)
{
    const std::vector<resgen::Resource> installer = resgen::BuildResources(TreeSources(), resgen::DrawPictures());
    const std::vector<resgen::Resource> uninstaller =
        resgen::BuildUninstallerResources(TreeSources(), resgen::DrawPictures(), {});
    const auto blocksOf = [](const std::vector<resgen::Resource>& resources, std::uint16_t language) {
        std::set<std::uint16_t> blocks;
        for (const resgen::Resource& r : resources) {
            if (r.type == kRtString && r.language == language)
                blocks.insert(r.name);
        }
        return blocks;
    };
    for (const std::uint16_t language : InstallerLanguages()) {
        EXPECT_EQ(blocksOf(installer, language), (std::set<std::uint16_t>{1, 2, 63, 129, 130, 131})) << language;
        EXPECT_EQ(blocksOf(uninstaller, language), (std::set<std::uint16_t>{1, 2, 3, 63, 129, 130, 131}))
            << language;
    }
}
