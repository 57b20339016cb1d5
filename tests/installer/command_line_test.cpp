// Keywords are plain substrings of the upper-cased command tail.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "install.h"
#include "instance.h"

namespace {

std::string FlagsOf(const char* tail) {
    std::vector<char> text(tail, tail + std::strlen(tail) + 1);
    ParseCommandLine(text.data());
    std::string out;
    out += RunFlags.silent ? 'S' : '-';
    out += RunFlags.forced ? 'F' : '-';
    out += RunFlags.leaveLog ? 'L' : '-';
    out += RunFlags.leaveStatus ? 'T' : '-';
    out += RunFlags.noReboot ? 'N' : '-';
    out += RunFlags.autorun ? 'A' : '-';
    return out;
}

TEST(CommandLine, KeywordsAreSubstringsAnywhere) {
    EXPECT_EQ(FlagsOf("/Silent /noreboot"), "S---N-");
    EXPECT_EQ(FlagsOf("reinforce"), "-F----");
    EXPECT_EQ(FlagsOf(""), "------");
    EXPECT_EQ(FlagsOf("SILENTLY"), "S-----");
    EXPECT_EQ(FlagsOf("-silent"), "S-----");
    EXPECT_EQ(FlagsOf("silent"), "S-----");
    EXPECT_EQ(FlagsOf("LEAVELOG"), "--L---");
    EXPECT_EQ(FlagsOf("leavestatus"), "---T--") << "LEAVESTATUS does not contain LEAVELOG";
    EXPECT_EQ(FlagsOf("autorun"), "-----A");
    EXPECT_EQ(FlagsOf("force silent leavelog leavestatus noreboot autorun"), "SFLTNA");
    EXPECT_EQ(FlagsOf("x=1 /q"), "------");
}

TEST(CommandLine, TheTailIsUpperCasedInPlace) {
    char tail[] = "silent ä-z";
    ParseCommandLine(tail);
    EXPECT_STREQ(tail, "SILENT ä-Z");
}

}  // namespace

#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "packed_setup.h"
#include "status.h"

namespace {

class SummaryLine : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        PlacePackedSetup(dir_);
    }
};

TEST_F(SummaryLine, NamesEveryFlagInTheLogOfAWholeRun) {
    const struct {
        const char* tail;
        const char* summary;
    } runs[] = {
        {"LEAVELOG", "Unforced visual install, leave logfile on completion, allow reboots. not autorun launched"},
        {"/Silent /noreboot leavelog", "Unforced silent install, leave logfile on completion, don't allow reboots. not autorun launched"},
        {"reinforce autorun LEAVELOG", "Forced visual install, leave logfile on completion, allow reboots. autorun launched"},
    };
    for (const auto& run : runs) {
        ResetInstaller();
        std::vector<char> tail(run.tail, run.tail + std::strlen(run.tail) + 1);
        int status = WinMain(nullptr, nullptr, tail.data(), SW_SHOWNORMAL);
        EXPECT_EQ(status, static_cast<int>(StatusWord));
        std::string log = LogText();
        EXPECT_NE(log.find(std::string(" WINMAIN") ), std::string::npos);
        EXPECT_NE(log.find(run.summary), std::string::npos) << run.tail << "\n" << log;
        DeleteFileA(LogPath);
    }
}

TEST_F(SummaryLine, ACancelledRunDeletesItsLog) {
    char tail[] = "";
    // Nobody answers the install question: No.
    int status = WinMain(nullptr, nullptr, tail, SW_SHOWNORMAL);
    EXPECT_EQ(STATUS_CODE(static_cast<DWORD>(status)), 2049u);
    EXPECT_STREQ(LogPath, "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\TEMP\\HALVINST.LOG");
    EXPECT_FALSE(HostFileExists(winsim::HostPath(LogPath)));
}

}  // namespace
