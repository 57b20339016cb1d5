// Languages and the start-up gates: which tables a machine can show, which
// one is chosen, and who may install on which Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "Halvinst.h"
#include "engine_fixture.h"
#include "library.h"
#include "machine/machine_state.h"
#include "status.h"
#include "winsim/module_resources.h"

extern "C" const WinsimResourceTable halvinstResources;

namespace {

class Startup : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        winsim::SetModuleResources(&halvinstResources);
        unsetenv("WINSIM_MESSAGEBOX_ANSWERS");
    }
    // A machine of `profile` and a Windows of `langId`: its user's language, code page and
    // installed locales. The gates run before the library starts, so it is not started here.
    void Machine(const std::string& profile, unsigned langId = 0x0409, bool plainUser = false) {
        InstallLibraryCleanup();
        ResetInstaller();
        UseFreshMachine(profile);
        winsim::SetProgramPath("D:\\HALVINST.EXE");
        LogOpen("C:\\engine.log");
        winsim::Profile p = winsim::CurrentProfile();
        std::string error;
        ASSERT_TRUE(winsim::SetMachineLanguage(p, langId, error)) << error;
        if (plainUser) p.admin = false;
        ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
        ASSERT_TRUE(winsim::UseMachine(dir_, error));
        DiscoverPlatform();
        SetupDirectories("");
        OfferedCount = 0;
        selectedLanguage = 0;
        std::memset(OfferedLanguages, 0, sizeof OfferedLanguages);
    }
    std::vector<WORD> Offered() { return std::vector<WORD>(OfferedLanguages, OfferedLanguages + OfferedCount); }
    std::string Boxes() { return ReadHostFile(dir_ + "/.winsim/ui/messageboxes"); }
};

TEST_F(Startup, AWesternMachineOffersTheLatinTables) {
    Machine("winxp", 0x0409);
    ASSERT_TRUE(ChooseStartupLanguage());
    EXPECT_EQ(Offered(), (std::vector<WORD>{0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0413, 0x0416, 0x041D}));
    EXPECT_EQ(OfferedLanguages[selectedLanguage], 0x0409);
    EXPECT_STREQ(WizardTitle, "Talven Setup Wizard");
    EXPECT_STREQ(LangString(1000), "English");
    EXPECT_STREQ(LoadLangString(nullptr, 1000, 0x040C), "Fran\xE7" "ais") << "converted to code page 1252";

    // The Windows 95 family has no WC_NO_BEST_FIT_CHARS: the check goes on without it.
    Machine("win98", 0x0409);
    ChooseStartupLanguage();
    EXPECT_EQ(Offered(), (std::vector<WORD>{0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0413, 0x0416, 0x041D}));
}

// Every machine gets a table it can show, in the user's language where there is one, else
// in English: the language of each table is checked in what the machine shows of it.
TEST_F(Startup, EveryMachineGetsATableItCanShow) {
    const struct {
        unsigned user;
        WORD chosen;
        std::vector<WORD> offered;  // empty: not checked
    } rows[] = {
        // The thirteen, each on a Windows of its own language.
        {0x0404, 0x0404, {0x0404}}, {0x0407, 0x0407, {}}, {0x0409, 0x0409, {}}, {0x040A, 0x040A, {}},
        {0x040C, 0x040C, {}}, {0x0410, 0x0410, {}}, {0x0411, 0x0411, {0x0411}}, {0x0412, 0x0412, {0x0412}},
        {0x0413, 0x0413, {}}, {0x0416, 0x0416, {}}, {0x041D, 0x041D, {}}, {0x041E, 0x041E, {0x041E}},
        {0x0804, 0x0804, {0x0804}},
        // Relatives of the thirteen take their family's table.
        {0x0807, 0x0407, {}}, {0x0C0C, 0x040C, {}}, {0x0C0A, 0x040A, {}},
        // Western Windows of other languages: English first, though German sorts before it.
        {0x040B, 0x0409, {0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0413, 0x0416, 0x041D}},
        {0x0406, 0x0409, {}}, {0x0414, 0x0409, {}},
        // Other code pages: only tables whose every text they hold; English is one of them.
        {0x0419, 0x0409, {}}, {0x0408, 0x0409, {}}, {0x0415, 0x0409, {}}, {0x0405, 0x0409, {}},
        {0x041F, 0x0409, {}}, {0x0425, 0x0409, {}},
        // No table passes on Hebrew or Arabic Windows: English stands in. Vietnamese Windows
        // shows the Western tables whose letters its code page has, and English is chosen.
        {0x040D, 0x0409, {0x0409}}, {0x0401, 0x0409, {0x0409}}, {0x042A, 0x0409, {}},
    };
    for (const auto& row : rows) {
        Machine("winxp", row.user);
        ChooseStartupLanguage();
        ASSERT_GT(OfferedCount, 0u) << std::hex << row.user;
        EXPECT_EQ(OfferedLanguages[selectedLanguage], row.chosen) << std::hex << row.user;
        if (!row.offered.empty()) {
            EXPECT_EQ(Offered(), row.offered) << std::hex << row.user;
        }
        EXPECT_STRNE(WizardTitle, "") << std::hex << row.user;
        // No offered table comes out with the code page's default character in it.
        for (WORD language : Offered()) {
            for (UINT id : {1u, 2u, 9u, 15u, 16u, 17u, 18u, 19u, 20u, 1000u, 2049u})
                EXPECT_EQ(std::strchr(LoadLangString(nullptr, id, language), '?'), nullptr)
                    << std::hex << row.user << " offers " << language << ", string " << std::dec << id << ": "
                    << LoadLangString(nullptr, id, language);
        }
    }
    // The question marks a Russian user saw: German, Spanish and French are not offered there.
    Machine("winxp", 0x0419);
    ChooseStartupLanguage();
    for (WORD latin : {0x0407, 0x040A, 0x040C})
        EXPECT_EQ(std::count(OfferedLanguages, OfferedLanguages + OfferedCount, latin), 0) << std::hex << latin;
    EXPECT_TRUE(Log().find("No string table suits this system") == std::string::npos);
    Machine("winxp", 0x040D);
    ChooseStartupLanguage();
    EXPECT_STREQ(WizardTitle, "Talven Setup Wizard");
    EXPECT_TRUE(Logged("No string table suits this system; English is offered"));
}

TEST_F(Startup, OnlyInstalledLocalesAreOffered) {
    // A Swedish locale taken away from a Western machine, and a Japanese Windows whose
    // Japanese language group was removed: their tables are not offered.
    Machine("winxp", 0x041D);
    winsim::Profile p = winsim::CurrentProfile();
    p.locales.erase(std::remove(p.locales.begin(), p.locales.end(), 0x041Du), p.locales.end());
    std::string error;
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    ChooseStartupLanguage();
    EXPECT_EQ(std::count(OfferedLanguages, OfferedLanguages + OfferedCount, 0x041D), 0);
    EXPECT_EQ(OfferedLanguages[selectedLanguage], 0x0409);

    Machine("winxp", 0x0411);
    p = winsim::CurrentProfile();
    p.locales = {0x0409};
    ASSERT_TRUE(winsim::SaveProfile(dir_, p, error));
    ASSERT_TRUE(winsim::UseMachine(dir_, error));
    ChooseStartupLanguage();
    EXPECT_EQ(Offered(), (std::vector<WORD>{0x0409}));
}

TEST_F(Startup, FarEasternAndThaiMachinesShowTheirOwnScript) {
    Machine("winxp", 0x0411);
    ChooseStartupLanguage();
    EXPECT_STREQ(LangString(1000), "\x93\xFA\x96\x7B\x8C\xEA") << "Shift-JIS";
    Machine("winxp", 0x041E);
    ChooseStartupLanguage();
    EXPECT_STREQ(LangString(1000), "\xE4\xB7\xC2");
}

// The error page shows a message for every status and qualifier a run can end with, in every
// language: no code falls on an id that a table lacks.
TEST_F(Startup, EveryErrorHasAMessageInEveryLanguage) {
    Machine("winxp");
    const WORD languages[] = {0x0404, 0x0407, 0x0409, 0x040A, 0x040C, 0x0410, 0x0411,
                              0x0412, 0x0413, 0x0416, 0x041D, 0x041E, 0x0804};
    std::set<DWORD> ids;
    for (DWORD code = 2048; code < 4096; ++code) ids.insert(ErrorMessageId(code << 20, 0));
    for (LONG qualifier = -64; qualifier <= 64; ++qualifier)
        ids.insert(ErrorMessageId(2069u << 20, static_cast<DWORD>(qualifier)));
    EXPECT_TRUE(ids.count(2088)) << "a CRC mismatch has its own message";
    for (DWORD id : ids)
        for (WORD language : languages)
            EXPECT_STRNE(LoadLangString(nullptr, id, language), "") << id << " in " << std::hex << language;
    EXPECT_STREQ(LoadLangString(nullptr, 2088, 0x0409), "One or more files of the setup wizard are damaged.");
}

TEST_F(Startup, LookupsShareOneBufferAndStayInside) {
    Machine("winxp");
    EXPECT_STREQ(LoadLangString(nullptr, 2089, 0x0409), "") << "a code without a message";
    EXPECT_STREQ(LoadLangString(nullptr, 12, 0x0409), "Tessera Disc Reader is up to date!");
    const char* first = LoadLangString(nullptr, 7, 0x0409);
    const char* second = LoadLangString(nullptr, 3, 0x0409);
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "Installation in process. Please wait...");
    EXPECT_STREQ(LoadLangString(nullptr, 1000, 0x0411), "???") << "Japanese on a Western code page";

    // A block of our own: one long string, and one that claims more than the block holds.
    std::vector<unsigned char> block;
    auto put = [&](unsigned value) {
        block.push_back(static_cast<unsigned char>(value));
        block.push_back(static_cast<unsigned char>(value >> 8));
    };
    put(1500);
    for (int i = 0; i < 1500; ++i) put('x');
    put(4000);
    put('y');
    WinsimResource entry{6, 1, 0x0409, block.data(), static_cast<unsigned>(block.size())};
    WinsimResourceTable table{&entry, 1};
    winsim::SetModuleResources(&table);
    EXPECT_EQ(std::strlen(LoadLangString(nullptr, 0, 0x0409)), 1039u);
    EXPECT_STREQ(LoadLangString(nullptr, 1, 0x0409), "") << "no read past the block";
    EXPECT_STREQ(LoadLangString(nullptr, 5, 0x0409), "");
    winsim::SetModuleResources(&halvinstResources);
}

TEST_F(Startup, PlatformAndRightsGates) {
    const struct {
        const char* profile;
        bool plain, silent;
        BOOL result;
        DWORD status;
        const char* box;
    } rows[] = {
        {"win32s", false, false, FALSE, 2052, "Sorry, you can not install"},
        {"win32s", false, true, FALSE, 2052, nullptr},
        {"nt351", false, false, FALSE, 2052, "Sorry, you can not install"},
        {"nt351", false, true, FALSE, 2052, nullptr},
        {"winxp", true, false, FALSE, 2055, "This setup wizard requires Administrator rights"},
        {"nt4", true, true, FALSE, 2055, nullptr},
        {"win98", true, true, TRUE, 0, nullptr},
        {"win2000", false, true, TRUE, 0, nullptr},
    };
    for (const auto& row : rows) {
        Machine(row.profile, 0x0409, row.plain);
        ChooseStartupLanguage();
        RunFlags.silent = row.silent;
        SetSourcePosition(".\\Halvinst\\Halvinst.cpp", 1);
        EXPECT_EQ(StartupChecks(), row.result) << row.profile;
        EXPECT_EQ(StatusWord >> 20, row.status) << row.profile;
        std::string boxes = Boxes();
        if (row.box) {
            EXPECT_NE(boxes.find(row.box), std::string::npos) << row.profile << boxes;
            EXPECT_NE(boxes.find("[Talven Setup Wizard] 0x00000030"), std::string::npos) << "OK with the exclamation icon";
        } else {
            EXPECT_EQ(boxes, "") << row.profile << ": a silent run shows nothing";
        }
    }
    Machine("nt351");
    RunFlags.silent = TRUE;
    StartupChecks();
    EXPECT_TRUE(Logged("Running on Windows NT 3.51 or earlier... Quitting."));
}

TEST_F(Startup, AutorunLooksAtTheInstalledDriver) {
    // The NT family's driver is a PE image, the 95 family's a VxD (an LE
    // executable with a 16-bit version resource): current, newer, older,
    // much older and without version.
    const struct {
        const char* installed;
        bool asked22;
        BOOL result;
    } rows[] = {
        {"", false, FALSE},
        {"variants/7.2.0.0/", false, FALSE},
        {"variants/7.1.0.188/", true, TRUE},
        {"variants/7.0.5.300/", true, TRUE},
        {"variants/none/", true, TRUE},
    };
    const struct {
        const char* profile;
        const char* driver;
        const char* current;  // the carried driver of that Windows
        const char* file;     // the variants' file name
    } systems[] = {
        {"winxp", "C:\\WINDOWS\\system32\\drivers\\Halvik.sys", "HALVIK2K.SYS", "HALVIK.SYS"},
        {"win98", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd", "HALVIK.VXD", "HALVIK.VXD"},
        {"win95", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\Halvik.vxd", "HALVIK.VXD", "HALVIK.VXD"},
    };
    // Enough Yes answers for every question of the rows below and the run after them.
    setenv("WINSIM_MESSAGEBOX_ANSWERS", "6,6,6,6,6,6,6,6,6,6,6,6,6,6,6,6,6,6", 1);
    for (const auto& system : systems) {
        for (const auto& row : rows) {
            std::string installed = *row.installed ? std::string(row.installed) + system.file : system.current;
            Machine(system.profile);
            ChooseStartupLanguage();
            Put(system.driver, Payload(installed));
            RunFlags.autorun = TRUE;
            SetSourcePosition(".\\Halvinst\\Halvinst.cpp", 1);
            EXPECT_EQ(StartupChecks(), row.result) << system.profile << " " << installed;
            std::string boxes = Boxes();
            EXPECT_EQ(boxes.find("will upgrade the Talven Tessera Disc Reader") != std::string::npos, row.asked22)
                << system.profile << " " << installed << boxes;
            if (!row.asked22) {
                EXPECT_EQ(boxes, "") << "a current driver stops without any window";
                EXPECT_EQ(StatusWord >> 20, 2049u);
                EXPECT_TRUE(Logged("Found previously installed image...cancelling upgrade"));
            }
        }
    }
    Machine("winxp");
    ChooseStartupLanguage();
    RunFlags.autorun = TRUE;
    EXPECT_TRUE(StartupChecks());
    EXPECT_NE(Boxes().find("Install Reader Now?"), std::string::npos) << "no driver: the install question";
    EXPECT_NE(Boxes().find("[Talven Setup Wizard] 0x00000004"), std::string::npos) << "Yes and No without an icon";

    // An installed driver that cannot be read: the run stops at the check and says why,
    // instead of asking to install and then failing with that error at once.
    Machine("winxp", 0x0407);
    ChooseStartupLanguage();
    Put("C:\\WINDOWS\\system32\\drivers\\Halvik.sys", Payload("variants/7.1.0.188/HALVIK.SYS"));
    RunFlags.autorun = TRUE;
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CreateFileA:1:5", error)) << error;
    EXPECT_FALSE(StartupChecks());
    winsim::SetFaults("", error);
    EXPECT_EQ(StatusWord >> 20, 2067u);
    std::string boxes = Boxes();
    EXPECT_NE(boxes.find("[Talven Setup-Assistent] 0x00000030\nFehler bei der Installation des Tessera Disc Reader:\n" +
                         std::string(LoadLangString(nullptr, 2067, 0x0407)) + "\nDer Fehlercode lautet 813-2-"),
              std::string::npos)
        << boxes;
    EXPECT_NE(boxes.find("-00000005."), std::string::npos) << boxes;
    EXPECT_EQ(boxes.find("installieren?"), std::string::npos) << "no question after the failed check: " << boxes;
}

TEST_F(Startup, NoMeansCancelled) {
    Machine("winxp");
    ChooseStartupLanguage();
    Put("C:\\WINDOWS\\system32\\drivers\\Halvik.sys", Payload("HALVIK2K.SYS"));
    setenv("WINSIM_MESSAGEBOX_ANSWERS", "7", 1);
    SetSourcePosition(".\\Halvinst\\Halvinst.cpp", 1);
    EXPECT_FALSE(StartupChecks());
    EXPECT_EQ(StatusWord >> 20, 2049u);
    EXPECT_TRUE(Logged("User cancelled upgrade from pre-display confirmation"));
    EXPECT_EQ(Log().find("Checking for older existing version"), std::string::npos)
        << "without AUTORUN the installed driver is not looked at";

    Machine("winxp", 0x0407);
    ChooseStartupLanguage();
    setenv("WINSIM_MESSAGEBOX_ANSWERS", "1", 1);
    EXPECT_TRUE(StartupChecks()) << "any answer but No is Yes";
    EXPECT_NE(Boxes().find(LoadLangString(nullptr, 6, 0x0407)), std::string::npos) << "in the chosen language";
}

}  // namespace
