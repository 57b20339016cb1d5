// A program run in a machine has its current directory there: paths without
// a drive letter, and Z:, never reach the host.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "machine_fixture.h"

namespace {

class RunInMachine : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        setenv("WINSIM_CURRENT_DIRECTORY", "C:\\WINDOWS", 1);
    }
    void TearDown() override {
        unsetenv("WINSIM_CURRENT_DIRECTORY");
        MachineTest::TearDown();
    }
    bool Create(const char* name) {
        HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
};

TEST_F(RunInMachine, PathsWithoutADriveLetterResolveAgainstTheCurrentDirectory) {
    char here[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof here, here), 10u);
    EXPECT_STREQ(here, "C:\\WINDOWS");
    ASSERT_TRUE(Create("relative.txt"));
    EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\relative.txt")));
    EXPECT_FALSE(HostFileExists("relative.txt")) << "written into the host's working folder";
    ASSERT_TRUE(Create("\\rooted.txt"));
    EXPECT_TRUE(HostFileExists(Host("C:\\rooted.txt")));
    ASSERT_TRUE(Create("system32\\..\\dots.txt"));
    EXPECT_TRUE(HostFileExists(Host("C:\\WINDOWS\\dots.txt")));
    EXPECT_NE(GetFileAttributesA("..\\rooted.txt"), INVALID_FILE_ATTRIBUTES);

    // The restart-time store gets the full path.
    ASSERT_TRUE(MoveFileExA("relative.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                            KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    char pending[512] = "";
    DWORD size = sizeof pending;
    EXPECT_EQ(RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(pending), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_STREQ(pending, "\\??\\C:\\WINDOWS\\relative.txt");
}

TEST_F(RunInMachine, DriveZIsNotTheHostsRoot) {
    EXPECT_EQ(GetFileAttributesA("Z:\\etc"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA("/etc"), INVALID_FILE_ATTRIBUTES) << "a rooted path names C:\\etc";
}

class ModuleName : public MachineTest {
protected:
    void TearDown() override {
        winsim::SetProgramPath("");
        MachineTest::TearDown();
    }
};

// Windows XP cuts a name that does not fit without terminating it and
// reports success; Windows 7 terminates it and reports the short buffer.
TEST_F(ModuleName, AShortBufferGetsWhatTheWindowsVersionGives) {
    winsim::SetProgramPath("C:\\PROG\\SETUP.EXE");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(77);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 6), "C:\\PRx");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    UseFreshMachine("win7");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 6), std::string("C:\\P\0x", 6));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
