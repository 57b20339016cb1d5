// Exceptions and processor faults inside the guarded region end as a crash
// report and status code 2050, and the run still closes properly.
#include <gtest/gtest.h>

#include <cstring>

#include "Halvinst.h"
#include "guard.h"
#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"

extern const char* FailHow;

namespace {

class Guard : public InstallerTest {
protected:
    void TearDown() override {
        FailHow = "";
        InstallerTest::TearDown();
    }
    DWORD Run(const char* how, const char* tail) {
        FailHow = how;
        std::vector<char> text(tail, tail + std::strlen(tail) + 1);
        return static_cast<DWORD>(WinMain(nullptr, nullptr, text.data(), SW_SHOWNORMAL));
    }
};

TEST_F(Guard, AFaultBecomesACrashReportAndStatus2050) {
    DWORD status = Run("fault", "SILENT");
    EXPECT_EQ(STATUS_CODE(status), 2050u);
    EXPECT_EQ(STATUS_MODULE(status), 4u);
    EXPECT_EQ(StatusQualifier, EXCEPTION_ACCESS_VIOLATION);
    std::string log = LogText();
    ASSERT_FALSE(log.empty()) << "a failed run keeps its log";
    EXPECT_NE(log.find(": !!! EXCEPTION EXCEPTION EXCEPTION !!!\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": WinMain exception code 0xC0000005\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Last know position in .\\Halvinst\\Halvinst.cpp, line 4242\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Final Status 0x"), std::string::npos);
    EXPECT_NE(log.find("Closing installer log on"), std::string::npos);
}

TEST_F(Guard, DivisionByZeroAndCppExceptionsAreCaughtToo) {
    Run("divide", "SILENT");
    EXPECT_EQ(STATUS_CODE(StatusWord), 2050u);
    EXPECT_EQ(StatusQualifier, EXCEPTION_INT_DIVIDE_BY_ZERO);
    ResetInstaller();
    Run("throw", "SILENT");
    EXPECT_EQ(STATUS_CODE(StatusWord), 2050u);
    EXPECT_EQ(StatusQualifier, CPP_EXCEPTION_CODE);
    EXPECT_NE(LogText().find("WinMain exception code 0xE06D7363"), std::string::npos);
}

TEST_F(Guard, AnEarlierErrorStaysTheStatus) {
    DWORD status = Run("error then fault", "SILENT");
    EXPECT_EQ(STATUS_CODE(status), 2055u);
    EXPECT_EQ(STATUS_LINE(status), 4242u);
    std::string log = LogText();
    EXPECT_NE(log.find("Last know position in .\\Halvinst\\Halvinst.cpp, line 4243"), std::string::npos) << log;
}

TEST_F(Guard, TheGuardCanBeUsedAgainAfterAFault) {
    FailHow = "fault";
    EXPECT_EQ(RunGuarded([](void*) { StartupChecks(); }, nullptr), EXCEPTION_ACCESS_VIOLATION);
    FailHow = "";
    EXPECT_EQ(RunGuarded([](void*) { StartupChecks(); }, nullptr), 0u);
    FailHow = "fault";
    EXPECT_EQ(RunGuarded([](void*) { StartupChecks(); }, nullptr), EXCEPTION_ACCESS_VIOLATION);
}

}  // namespace
