// A machine of a language: what `winsim create --lang` sets up (code pages,
// installed locales, the display's character set) and what IsValidLocale
// reports of it.
#include <windows.h>

#include <filesystem>

#include "machine/machine_state.h"
#include "machine_fixture.h"

namespace {

class Locales : public MachineTest {
protected:
    void Language(unsigned language) {
        winsim::CreateOptions options;
        options.langId = language;
        UseFreshMachine("winxp", options);
    }
};

TEST_F(Locales, AMachineOfALanguageHasItsCodePagesAndCharacterSet) {
    const struct {
        unsigned language;
        UINT ansi, oem;
        int charset;
    } rows[] = {{0x0409, 1252, 437, ANSI_CHARSET},      {0x0407, 1252, 850, ANSI_CHARSET},
                {0x0411, 932, 932, SHIFTJIS_CHARSET},   {0x0419, 1251, 866, RUSSIAN_CHARSET},
                {0x0415, 1250, 852, EASTEUROPE_CHARSET}, {0x040D, 1255, 862, HEBREW_CHARSET},
                {0x0401, 1256, 720, ARABIC_CHARSET},    {0x042A, 1258, 1258, VIETNAMESE_CHARSET},
                {0x041E, 874, 874, THAI_CHARSET}};
    for (const auto& row : rows) {
        Language(row.language);
        EXPECT_EQ(GetUserDefaultLangID(), row.language);
        EXPECT_EQ(GetACP(), row.ansi) << std::hex << row.language;
        EXPECT_EQ(GetOEMCP(), row.oem) << std::hex << row.language;
        FONTSIGNATURE signature;
        EXPECT_EQ(GetTextCharsetInfo(GetDC(GetDesktopWindow()), &signature, 0), row.charset) << std::hex << row.language;
    }
    std::string ini = ReadHostFile(dir_ + "/machine.ini");
    EXPECT_NE(ini.find("codepage=874\noemcodepage=874\nlocales="), std::string::npos) << ini;
}

TEST_F(Locales, InstalledAreTheLocalesOfTheBasicGroupsAndTheMachinesOwn) {
    Language(0x0409);
    EXPECT_TRUE(IsValidLocale(0x0407, LCID_INSTALLED));
    EXPECT_TRUE(IsValidLocale(0x0419, LCID_INSTALLED)) << "every 2000/XP has the Cyrillic group";
    EXPECT_FALSE(IsValidLocale(0x0411, LCID_INSTALLED)) << "East Asian groups are installed on request";
    EXPECT_FALSE(IsValidLocale(0x041E, LCID_INSTALLED)) << "so are complex scripts";
    EXPECT_TRUE(IsValidLocale(0x0411, LCID_SUPPORTED));
    EXPECT_FALSE(IsValidLocale(0x0411, 0)) << "one of the two flags";
    EXPECT_FALSE(IsValidLocale(0x0C04, LCID_SUPPORTED)) << "a locale winsim does not know";
    EXPECT_FALSE(IsValidLocale(MAKELCID(0x0409, 1), LCID_SUPPORTED)) << "only the default sort order";

    Language(0x0411);
    EXPECT_TRUE(IsValidLocale(0x0411, LCID_INSTALLED));
    EXPECT_FALSE(IsValidLocale(0x0412, LCID_INSTALLED));
    EXPECT_TRUE(IsValidLocale(0x0409, LCID_INSTALLED));

    // The set belongs to the machine: its profile can take a locale away, and keeps that.
    winsim::Profile p = winsim::CurrentProfile();
    p.locales = {0x0409, 0x0407};
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error)) << error;
    ASSERT_TRUE(winsim::UseMachine(dir_, error)) << error;
    EXPECT_FALSE(IsValidLocale(0x0411, LCID_INSTALLED));
    EXPECT_TRUE(IsValidLocale(0x0407, LCID_INSTALLED));
    EXPECT_EQ(winsim::CurrentProfile().locales, (std::vector<unsigned>{0x0409, 0x0407}));
}

TEST_F(Locales, TheToolTakesALanguageByNumberOrName) {
    std::string made = dir_ + ".ja";
    std::filesystem::remove_all(made);
    RunShell(std::string(WINSIM_TOOL) + " create '" + made + "' --profile winxp --lang ja-JP");
    std::string ini = ReadHostFile(made + "/machine.ini");
    EXPECT_NE(ini.find("langid=0x0411\ncodepage=932\noemcodepage=932"), std::string::npos) << ini;
    std::filesystem::remove_all(made);
    std::string out =
        RunShell(std::string(WINSIM_TOOL) + " create '" + made + "' --profile winxp --lang 0x0C04 2>&1; echo status=$?");
    EXPECT_NE(out.find("unknown language '0x0C04'"), std::string::npos) << out;
    EXPECT_NE(out.find("status=2"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(made));
    std::string error;
    winsim::Profile p;
    EXPECT_FALSE(winsim::SetMachineLanguage(p, 0x0C04, error));
    EXPECT_NE(error.find("unknown language 0x0C04"), std::string::npos) << error;
}

}  // namespace
