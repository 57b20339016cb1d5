// FindResourceExA's fallback through languages: a neutral request finds the
// neutral resource, the user's language, US English or whatever there is; a
// specific one finds its own, its primary language's neutral one or the
// neutral resource, and nothing else.
#include <windows.h>

#include <string>
#include <vector>

#include "machine_fixture.h"
#include "winsim/module_resources.h"

namespace {

const unsigned char kNeutral[] = "neutral", kGerman[] = "de-DE", kEnglish[] = "en-US";

// Block 1 in three languages, block 2 without the neutral one, block 3 in German only.
const WinsimResource kEntries[] = {
    {6, 1, 0x0000, kNeutral, sizeof kNeutral}, {6, 1, 0x0407, kGerman, sizeof kGerman},
    {6, 1, 0x0409, kEnglish, sizeof kEnglish}, {6, 2, 0x0407, kGerman, sizeof kGerman},
    {6, 2, 0x0409, kEnglish, sizeof kEnglish}, {6, 3, 0x0407, kGerman, sizeof kGerman},
};
const WinsimResourceTable kTable = {kEntries, sizeof kEntries / sizeof kEntries[0]};

class ResourceLanguages : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        winsim::SetModuleResources(&kTable);
    }
    void TearDown() override {
        winsim::SetModuleResources(nullptr);
        MachineTest::TearDown();
    }
    // The text found, or the error as a number.
    std::string Find(WORD block, WORD language) {
        HRSRC found = FindResourceExA(nullptr, RT_STRING, MAKEINTRESOURCEA(block), language);
        if (!found) return std::to_string(GetLastError());
        return reinterpret_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    }
};

TEST_F(ResourceLanguages, ANeutralRequestFallsBackToTheUsersLanguageThenAnyOther) {
    EXPECT_EQ(Find(1, 0x0000), "neutral");
    EXPECT_EQ(Find(2, 0x0000), "en-US");
    EXPECT_EQ(Find(2, 0x0400), "en-US") << "the user's default";
    EXPECT_EQ(Find(3, 0x0000), "de-DE") << "the only one there is";
    UseFreshMachine("winxp", {0x0407, false});
    EXPECT_EQ(Find(2, 0x0000), "de-DE");
}

TEST_F(ResourceLanguages, ASpecificRequestFindsItsOwnOrTheNeutralResource) {
    EXPECT_EQ(Find(1, 0x0407), "de-DE");
    EXPECT_EQ(Find(1, 0x040C), "neutral");
    EXPECT_EQ(Find(1, 0x0C07), "neutral") << "not German (Germany) for German (Austria)";
    EXPECT_EQ(Find(2, 0x040C), std::to_string(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(Find(2, 0x0C07), std::to_string(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(Find(9, 0x0409), std::to_string(ERROR_RESOURCE_NAME_NOT_FOUND));
    HRSRC missingType = FindResourceExA(nullptr, MAKEINTRESOURCEA(77), MAKEINTRESOURCEA(1), 0x0409);
    EXPECT_EQ(missingType, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

}  // namespace
