// Platform facts, rights and the directory set, machine by machine.
#include <gtest/gtest.h>

#include <cstring>

#include "install.h"
#include "installer_state.h"
#include "library.h"
#include "log.h"
#include "machine/machine_state.h"
#include "machine_fixture.h"
#include "status.h"

namespace {

class Platform : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetInstaller();
    }
    void TearDown() override {
        ResetInstaller();
        MachineTest::TearDown();
    }
    // A fresh machine of `profile`, changed by `edit`, with the installer started on it.
    template <typename Edit>
    std::string Discover(const std::string& profile, Edit edit, const winsim::CreateOptions& options = {}) {
        ResetInstaller();
        UseFreshMachine(profile, options);
        winsim::Profile p = winsim::CurrentProfile();
        edit(p);
        std::string error;
        EXPECT_TRUE(winsim::SaveProfile(dir_, p, error)) << error;
        EXPECT_TRUE(winsim::UseMachine(dir_, error)) << error;
        LogOpen("C:\\platform.log");
        DiscoverPlatform();
        SetupDirectories("");
        LogClose(TRUE);
        return ReadHostFile(Host("C:\\platform.log"));
    }
    std::string Discover(const std::string& profile) {
        return Discover(profile, [](winsim::Profile&) {});
    }
};

bool Has(const std::string& log, const std::string& line) { return log.find(": " + line + "\r\n") != std::string::npos; }

TEST_F(Platform, EveryProfileIsClassedAndLogged) {
    const struct {
        const char* profile;
        const char* line;
        BOOL win95, nt, w2kxp, oldShell;
    } rows[] = {
        {"win95", "OS = Windows 95 (4.0.950)", 1, 0, 0, 0},
        {"win98", "OS = Windows 95 (4.10.1998)", 1, 0, 0, 0},
        {"winme", "OS = Windows 95 (4.90.3000)", 1, 0, 0, 0},
        {"nt351", "OS = Windows NT (3.51.1057)", 0, 1, 0, 1},
        {"nt4", "OS = Windows NT (4.0.1381)", 0, 1, 0, 0},
        {"win2000", "OS = Windows 2K/XP (5.0.2195)", 0, 0, 1, 0},
        {"winxp", "OS = Windows 2K/XP (5.1.2600)", 0, 0, 1, 0},
        {"vista", "OS = Windows NT (6.0.6000)", 0, 1, 0, 0},
        {"win7", "OS = Windows 2K/XP (6.1.7601)", 0, 0, 1, 0},
        {"win32s", "OS = Windows Other (3.10.0)", 0, 0, 0, 1},
    };
    for (const auto& row : rows) {
        std::string log = Discover(row.profile);
        EXPECT_TRUE(Has(log, "Talven INSTALL Library - 1.09 (019)")) << row.profile;
        EXPECT_TRUE(Has(log, row.line)) << row.profile << "\n" << log;
        EXPECT_EQ(IsWin95, row.win95) << row.profile;
        EXPECT_EQ(IsWinNT, row.nt) << row.profile;
        EXPECT_EQ(IsWin2KXP, row.w2kxp) << row.profile;
        EXPECT_EQ(IsOldShell, row.oldShell) << row.profile;
        EXPECT_TRUE(Has(log, "Platform ID = INTEL"));
        bool nt = row.nt || row.w2kxp;
        EXPECT_EQ(Has(log, "User has administrator rights on the local machine"), nt) << row.profile;
        if (row.win95) {
            EXPECT_TRUE(IsAdmin) << "the 95 family needs no rights";
        }
    }
}

TEST_F(Platform, LanguagesOfTheUser) {
    const struct {
        unsigned langId;
        const char* line;
        DWORD bit;
    } rows[] = {
        {0x040C, "OS Language = FRENCH (0x000C)", LANGUAGE_FRENCH},
        {0x0410, "OS Language = ITALIAN (0x0010)", LANGUAGE_ITALIAN},
        {0x0407, "OS Language = GERMAN (0x0007)", LANGUAGE_GERMAN},
        {0x0C0A, "OS Language = SPANISH (0x000A)", LANGUAGE_SPANISH},
        {0x0416, "OS Language = ENGLISH (by default - 0x0016)", LANGUAGE_OTHER},
        {0x0409, "OS Language = ENGLISH (by default - 0x0009)", LANGUAGE_OTHER},
    };
    for (const auto& row : rows) {
        std::string log = Discover("winxp", [&](winsim::Profile& p) { p.langId = row.langId; });
        EXPECT_TRUE(Has(log, row.line)) << log;
        EXPECT_EQ(OsLanguage, row.bit);
    }
}

TEST_F(Platform, AlphaEmulatorAndFailingCpuid) {
    std::string log = Discover("nt4", [](winsim::Profile& p) { p.cpuVendor = "DigitalFX!32"; });
    EXPECT_TRUE(Has(log, "Platform ID = ALPHA"));
    EXPECT_EQ(ProcessorArchitecture, 2);
    log = Discover("win98", [](winsim::Profile& p) { p.cpuVendor = "DigitalFX!32"; });
    EXPECT_TRUE(Has(log, "Platform ID = INTEL")) << "the 95 family never asks the processor";

    std::string error;
    char vendor[13];
    ASSERT_TRUE(winsim::SetFaults("__cpuid:1:0xC000001D;__cpuid:2:0xC0000005", error));
    EXPECT_FALSE(ReadCpuVendor(vendor));
    EXPECT_STREQ(vendor, "NotSupported");
    std::strcpy(vendor, "untouched");
    EXPECT_FALSE(ReadCpuVendor(vendor));
    EXPECT_STREQ(vendor, "untouched") << "an access violation leaves the buffer alone";
    EXPECT_TRUE(ReadCpuVendor(vendor));
    EXPECT_STREQ(vendor, "DigitalFX!32");
    EXPECT_FALSE(ReadCpuVendor(nullptr));

    log = Discover("winxp", [](winsim::Profile& p) {
        p.cpuVendor = "DigitalFX!32";
        std::string error;
        winsim::SetFaults("__cpuid:1:0xC000001D", error);
    });
    EXPECT_TRUE(Has(log, "Platform ID = INTEL")) << "a failing CPUID means Intel";
}

TEST_F(Platform, RightsComeFromTheTokensGroups) {
    winsim::CreateOptions plain;
    plain.plainUser = true;
    std::string log = Discover("win2000", [](winsim::Profile&) {}, plain);
    EXPECT_FALSE(IsAdmin);
    EXPECT_TRUE(Has(log, "User does *NOT* have administrator rights on the local machine"));

    Discover("winxp", [](winsim::Profile& p) { p.extraGroups = 60; });
    EXPECT_FALSE(IsAdmin) << "groups that do not fit in 1024 bytes";
    Discover("winxp", [](winsim::Profile& p) { p.extraGroups = 10; });
    EXPECT_TRUE(IsAdmin);

    std::string error;
    ASSERT_TRUE(winsim::SetFaults("OpenProcessToken:1:5", error));
    EXPECT_FALSE(IsUserAdmin());
    EXPECT_TRUE(IsUserAdmin());
    ASSERT_TRUE(winsim::SetFaults("AllocateAndInitializeSid:1:8", error));
    EXPECT_FALSE(IsUserAdmin());

    Discover("win98", [](winsim::Profile& p) { p.admin = false; });
    ASSERT_TRUE(winsim::SetFaults("OpenProcessToken:1:5", error));
    EXPECT_TRUE(IsUserAdmin()) << "no token is asked for on the 95 family";
}

TEST_F(Platform, DirectorySetsPerFamily) {
    std::string log = Discover("win98");
    EXPECT_STREQ(GetDirectory(DIR_TEMP), "c:\\windows\\temp\\");
    EXPECT_STREQ(GetDirectory(DIR_TARGET), "\\");
    EXPECT_STREQ(GetDirectory(DIR_WINDOWS), "c:\\windows\\");
    EXPECT_STREQ(GetDirectory(DIR_SYSTEM16), "c:\\windows\\system\\");
    EXPECT_STREQ(GetDirectory(DIR_SYSTEM32), "c:\\windows\\system\\");
    EXPECT_STREQ(GetDirectory(DIR_DRIVERS), "c:\\windows\\system\\iosubsys\\");
    EXPECT_STREQ(GetDirectory(0), "");
    EXPECT_STREQ(GetDirectory(7), "");
    EXPECT_TRUE(Has(log, "Drivers = ->c:\\windows\\system\\iosubsys\\<-"));

    log = Discover("win2000");
    EXPECT_STREQ(GetDirectory(DIR_SYSTEM16), "c:\\winnt\\system\\");
    EXPECT_STREQ(GetDirectory(DIR_DRIVERS), "c:\\winnt\\system32\\drivers\\");
    const char* order[] = {"Temp = ->c:\\docume~1\\admini~1\\locals~1\\temp\\<-", "Target = ->\\<-",
                           "Windows = ->c:\\winnt\\<-", "System16 = ->c:\\winnt\\system\\<-",
                           "System32 = ->c:\\winnt\\system32\\<-", "Drivers = ->c:\\winnt\\system32\\drivers\\<-",
                           "Temp drive has 1610612736 bytes free out of 3221225472."};
    size_t at = 0;
    for (const char* line : order) {
        size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << log;
        at = found;
    }
    EXPECT_EQ(log.find("Target drive has"), std::string::npos) << "no drive, no disk line";

    Discover("winxp", [](winsim::Profile& p) { p.tempPath = "C:/Temp/"; });
    EXPECT_STREQ(GetDirectory(DIR_TEMP), "c:\\temp\\");
}

TEST_F(Platform, DiskSpaceWrapsIn32Bits) {
    Discover("winxp", [](winsim::Profile& p) {
        p.drives[0].freeBytes = (4ull << 30) + 4096;
        p.drives[0].totalBytes = 6ull << 30;
    });
    std::string log = ReadHostFile(Host("C:\\platform.log"));
    EXPECT_TRUE(Has(log, "Temp drive has 4096 bytes free out of 2147483648.")) << log;
}

TEST_F(Platform, PathsFromDirectoryNumbers) {
    Discover("win2000");
    char path[MAX_PATH];
    MakeDirPath(path, "halvik.sys", DIR_DRIVERS, nullptr);
    EXPECT_STREQ(path, "c:\\winnt\\system32\\drivers\\halvik.sys");
    MakeDirPath(path, "halvik.sys", 0, nullptr);
    EXPECT_STREQ(path, "halvik.sys");
    MakeDirPath(path, "KVT1A", DIR_DRIVERS, ".TMP");
    EXPECT_STREQ(path, "c:\\winnt\\system32\\drivers\\KVT1A.TMP");
    MakeDirPath(path, "Halvik", DIR_DRIVERS, "BAK");
    EXPECT_STREQ(path, "c:\\winnt\\system32\\drivers\\Halvik.BAK");
    MakeDirPath(path, "sub\\x.inf", DIR_TEMP, ".TMP");
    EXPECT_STREQ(path, "c:\\docume~1\\admini~1\\locals~1\\temp\\sub\\x.TMP");
    MakeDirPath(path, "D:\\dir\\name.ext", 0, ".new");
    EXPECT_STREQ(path, "D:\\dir\\name.new");
    MakeDirPath(path, std::string(400, 'n').c_str(), DIR_DRIVERS, ".TMP");
    EXPECT_EQ(std::strlen(path), static_cast<size_t>(MAX_PATH - 1)) << "cut, never past the buffer";

    EXPECT_TRUE(FileExists("C:\\WINNT\\system32\\drivers"));
    EXPECT_TRUE(FileExists("c:\\winnt\\*"));
    EXPECT_FALSE(FileExists("c:\\winnt\\nothing.*"));
}

TEST_F(Platform, LibraryStartRefusesWin32sAndRunsOnce) {
    ResetInstaller();
    UseFreshMachine("win32s");
    LogOpen("C:\\init.log");
    EXPECT_FALSE(InstallLibraryInit(""));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2052u);
    EXPECT_FALSE(LibraryInitialised);
    LogClose(TRUE);
    EXPECT_TRUE(Has(ReadHostFile(Host("C:\\init.log")), "Cannot run on Win32s - must be NT, 95 or 2K/XP"));

    ResetInstaller();
    UseFreshMachine("nt351");
    LogOpen("C:\\init.log");
    EXPECT_TRUE(InstallLibraryInit(""));
    EXPECT_TRUE(InstallLibraryInit(""));
    InstallLibraryCleanup();
    EXPECT_FALSE(LibraryInitialised);
    LogClose(TRUE);
    std::string log = ReadHostFile(Host("C:\\init.log"));
    EXPECT_TRUE(Has(log, "Installing on old shell - CTL3D needed"));
    EXPECT_EQ(log.find("Talven INSTALL Library"), log.rfind("Talven INSTALL Library")) << "discovery runs once";
}

}  // namespace
