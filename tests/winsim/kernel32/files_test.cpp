// winsim's file calls against what Windows does.
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include "kernel32/files/shortnames.h"
#include "machine_fixture.h"

namespace {

class Files : public MachineTest {
protected:
    HANDLE Open(const char* path, DWORD access, DWORD share, DWORD disposition) {
        return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    void Create(const char* path, const std::string& bytes) {
        HANDLE h = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        CloseHandle(h);
    }
};

TEST_F(Files, NamesResolveWithoutCaseAndThroughShortAliases) {
    Create("c:\\windows\\SYSTEM32\\Mixed.Txt", "abc");
    EXPECT_TRUE(HostFileExists(dir_ + "/c/WINDOWS/system32/Mixed.Txt"));
    HANDLE h = Open("C:\\WINDOWS\\system32\\MIXED.TXT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    char temp[MAX_PATH];
    ASSERT_EQ(GetTempPathA(sizeof temp, temp), strlen("C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\"));
    EXPECT_STREQ(temp, "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\");
    Create((std::string(temp) + "x.log").c_str(), "log");
    EXPECT_TRUE(HostFileExists(dir_ + "/c/Documents and Settings/Administrator/Local Settings/Temp/x.log"));
}

TEST_F(Files, ShortAliasesAreNumberedPerBase) {
    auto aliases = winsim::ShortNamesOf({"Long Directory Name", "Longdir Other", "SHORT.TXT", "a.b.c"});
    EXPECT_EQ(aliases["Long Directory Name"], "LONGDI~1");
    EXPECT_EQ(aliases["Longdir Other"], "LONGDI~2");
    EXPECT_EQ(aliases["SHORT.TXT"], "SHORT.TXT");
    EXPECT_EQ(aliases["a.b.c"], "AB~1.C");
}

TEST_F(Files, DispositionsSetTheErrorsWindowsSets) {
    const char* path = "C:\\WINDOWS\\probe.txt";
    HANDLE h = Open(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(h);

    h = Open("c:\\windows\\PROBE.TXT", GENERIC_WRITE, 0, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(h);

    EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(Open("C:\\WINDOWS\\none.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Open("C:\\NoSuchDir\\none.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Open("Q:\\x.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, ShareModesHoldBetweenHandlesAndProcesses) {
    const char* path = "C:\\WINDOWS\\locked.txt";
    HANDLE first = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    pid_t child = fork();
    if (child == 0) {
        HANDLE h = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        _exit(h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process opened a file held without sharing";

    CloseHandle(first);
    HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE second = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(second, INVALID_HANDLE_VALUE) << "two readers that share reading";
    EXPECT_EQ(Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    CloseHandle(second);
    CloseHandle(reader);
    EXPECT_TRUE(DeleteFileA(path));
}

TEST_F(Files, ReadOnlyFilesRefuseWritesAndDeletes) {
    const char* path = "C:\\WINDOWS\\ro.txt";
    Create(path, "keep me");
    ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA(path) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Open(path, GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileA(path));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileA("C:\\WINDOWS\\ro.txt", path, FALSE));
    EXPECT_EQ(ReadHostFile(Host(path)), "keep me");
    ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(path), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(path));
}

TEST_F(Files, PointerMovesAppendAndRefuseNegativeSeeks) {
    const char* path = "C:\\WINDOWS\\seek.txt";
    Create(path, "12345");
    HANDLE h = Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), 5u);
    DWORD n = 0;
    WriteFile(h, "67", 2, &n, nullptr);
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(GetFileSize(h, nullptr), 7u);
    CloseHandle(h);
    EXPECT_EQ(ReadHostFile(Host(path)), "1234567");
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Files, InjectedFaultsHitTheNthCall) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CreateFileA:2:112", error));
    HANDLE first = Open("C:\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    CloseHandle(first);
    EXPECT_EQ(Open("C:\\b.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 112u);
    HANDLE third = Open("C:\\c.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(third, INVALID_HANDLE_VALUE);
    CloseHandle(third);
    EXPECT_FALSE(winsim::SetFaults("CreateFileA:0:5", error));
    EXPECT_FALSE(winsim::SetFaults("CreateFileA", error));
}

TEST_F(Files, EveryProfileLaysOutItsDirectories) {
    const struct {
        const char* profile;
        const char* system;
        const char* drivers;
    } layouts[] = {
        {"win95", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS"},
        {"nt4", "C:\\WINNT\\system32", "C:\\WINNT\\system32\\drivers"},
        {"winxp", "C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\drivers"},
        {"win7", "C:\\Windows\\system32", "C:\\Windows\\system32\\drivers"},
    };
    for (const auto& layout : layouts) {
        UseFreshMachine(layout.profile);
        EXPECT_EQ(GetFileAttributesA(layout.drivers), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) << layout.profile;
        EXPECT_EQ(winsim::CurrentProfile().systemDir, layout.system);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        EXPECT_EQ(GetFileAttributesA(temp), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) << temp;
    }
    EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
