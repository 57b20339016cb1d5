// Whole files in memory: reading with room to grow, writing back, and every failure.
#include <gtest/gtest.h>

#include <cstring>

#include "install.h"
#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"
#include "status.h"

namespace {

class Mapped : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetInstaller();
        LogOpen("C:\\map.log");
    }
    void TearDown() override {
        ResetInstaller();
        MachineTest::TearDown();
    }
    std::string Log() {
        LogClose(TRUE);
        std::string text = ReadHostFile(Host("C:\\map.log"));
        LogOpen("C:\\map.log");
        return text;
    }
    std::string Hundred() {
        std::string s;
        for (int i = 0; i < 100; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    }
    std::string file_ = "C:\\WINDOWS\\data.ini";
};

TEST_F(Mapped, ReservedAreaIsZeroAndAppendsAreWritten) {
    WriteHostFile(Host(file_), Hundred());
    MappedFile m;
    ASSERT_TRUE(MapFile(file_.c_str(), 50, &m));
    EXPECT_EQ(m.Size, 100u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(m.Data), 100), Hundred());
    for (int i = 100; i < 150; ++i) ASSERT_EQ(m.Data[i], 0) << i;
    std::memcpy(m.Data + 100, "twenty more bytes!!!", 20);
    ASSERT_TRUE(UnmapFile(&m, 20));
    EXPECT_EQ(ReadHostFile(Host(file_)), Hundred() + "twenty more bytes!!!");
    EXPECT_EQ(m.Handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(m.Data, nullptr);
    EXPECT_FALSE(UnmapFile(&m, 0)) << "a cleared record";
}

TEST_F(Mapped, AShorterWriteLeavesTheTailAndMissingFilesLeaveNoTrace) {
    WriteHostFile(Host(file_), Hundred());
    MappedFile m;
    ASSERT_TRUE(MapFile(file_.c_str(), 0, &m));
    m.Size = 60;
    ASSERT_TRUE(UnmapFile(&m, 0));
    EXPECT_EQ(ReadHostFile(Host(file_)), Hundred()) << "bytes 60 to 99 stay as they were";

    const char* missing = "C:\\WINDOWS\\wininit.ini";
    ASSERT_TRUE(MapFile(missing, 1, &m));
    EXPECT_EQ(m.Size, 0u);
    EXPECT_TRUE(HostFileExists(Host(missing)));
    ASSERT_TRUE(UnmapFile(&m, 0));
    EXPECT_FALSE(HostFileExists(Host(missing)));
}

TEST_F(Mapped, AnEmptyFileWithoutReserveIsNotMapped) {
    WriteHostFile(Host(file_), "");
    MappedFile m;
    EXPECT_FALSE(MapFile(file_.c_str(), 0, &m));
    EXPECT_EQ(StatusWord, 0u);
    std::string log = Log();
    EXPECT_NE(log.find("!!! Attempt to map a zero length file " + file_ + " with no reserved area !!!"),
              std::string::npos);
    EXPECT_NE(log.find("The file is NOT mapped, FALSE is returned, and no global error is set."), std::string::npos);
    EXPECT_EQ(m.Handle, INVALID_HANDLE_VALUE);
}

TEST_F(Mapped, ASecondMapOfTheSameFileIsASharingViolation) {
    WriteHostFile(Host(file_), Hundred());
    MappedFile first, second;
    ASSERT_TRUE(MapFile(file_.c_str(), 0, &first));
    SetSourcePosition(".\\install\\install.cpp", 1);
    EXPECT_FALSE(MapFile(file_.c_str(), 0, &second));
    EXPECT_EQ(STATUS_CODE(StatusWord), 2067u);
    EXPECT_EQ(StatusQualifier, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_NE(Log().find("CreateFile " + file_ + " failed 0x00000020"), std::string::npos);
    EXPECT_TRUE(UnmapFile(&first, 0));
}

TEST_F(Mapped, EveryFailureIsLoggedAndRecorded) {
    const struct {
        const char* fault;
        DWORD reserved;
        const char* line;
        DWORD status, qualifier;
    } mapRows[] = {
        {"CreateFileA:1:5", 0, "CreateFile C:\\WINDOWS\\data.ini failed 0x00000005", 2067, 5},
        {"GetFileSize:1:6", 0, "GetFileSize C:\\WINDOWS\\data.ini failed 0x00000006", 2072, 6},
        {"VirtualAlloc:1:8", 10, "VirtualAlloc 110 failed 0x00000008", 2054, 0},
        {"ReadFile:1:30", 0, "ReadFile C:\\WINDOWS\\data.ini of 100 bytes failed 0x0000001E (0 bytes read)", 2084, 30},
    };
    for (const auto& row : mapRows) {
        ResetInstaller();
        LogOpen("C:\\map.log");
        WriteHostFile(Host(file_), Hundred());
        std::string error;
        ASSERT_TRUE(winsim::SetFaults(row.fault, error));
        MappedFile m;
        EXPECT_FALSE(MapFile(file_.c_str(), row.reserved, &m)) << row.fault;
        EXPECT_EQ(STATUS_CODE(StatusWord), row.status) << row.fault;
        EXPECT_EQ(StatusQualifier, row.qualifier) << row.fault;
        EXPECT_NE(Log().find(row.line), std::string::npos) << row.fault;
        EXPECT_EQ(m.Handle, INVALID_HANDLE_VALUE);
        winsim::SetFaults("", error);
        HANDLE h = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << "the file was closed after " << row.fault;
        CloseHandle(h);
    }

    const struct {
        const char* fault;
        DWORD extra;
        const char* line;
        DWORD status;
        bool result;
    } unmapRows[] = {
        {"SetFilePointer:1:6", 0, "SetFilePointer C:\\WINDOWS\\data.ini failed 0x00000006", 2086, false},
        {"WriteFile:1:112", 0, "WriteFile C:\\WINDOWS\\data.ini of 100 bytes failed 0x00000070 (0 bytes read)", 2085, false},
        {"VirtualFree:1:87", 0, "VirtualFree failed 0x00000057", 0, true},
        {"", 51, "WriteFile C:\\WINDOWS\\data.ini of 151 bytes failed 0x00000057 (0 bytes read)", 2085, false},
        // Last: a handle whose close failed stays open, as on Windows.
        {"CloseHandle:1:6", 0, "CloseHandle C:\\WINDOWS\\data.ini failed 0x00000006", 2087, false},
    };
    for (const auto& row : unmapRows) {
        ResetInstaller();
        LogOpen("C:\\map.log");
        WriteHostFile(Host(file_), Hundred());
        MappedFile m;
        ASSERT_TRUE(MapFile(file_.c_str(), 50, &m));
        std::string error;
        ASSERT_TRUE(winsim::SetFaults(row.fault, error));
        EXPECT_EQ(UnmapFile(&m, row.extra) != FALSE, row.result) << row.fault;
        winsim::SetFaults("", error);
        EXPECT_EQ(STATUS_CODE(StatusWord), row.status) << row.fault;
        EXPECT_NE(Log().find(row.line), std::string::npos) << row.fault;
        EXPECT_EQ(m.Handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ReadHostFile(Host(file_)), Hundred()) << "nothing of the file is lost: " << row.fault;
    }

    ResetInstaller();
    LogOpen("C:\\map.log");
    MappedFile m;
    ASSERT_TRUE(MapFile("C:\\WINDOWS\\new.ini", 1, &m));
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("DeleteFileA:1:5", error));
    EXPECT_TRUE(UnmapFile(&m, 0));
    EXPECT_EQ(StatusWord, 0u);
    EXPECT_NE(Log().find("DeleteFile C:\\WINDOWS\\new.ini failed 0x00000005 - ignored."), std::string::npos);
}

}  // namespace
