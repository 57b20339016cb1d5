// Temporary names and short paths, as the installer builds its image files
// and the restart-time stores from them.
#include <windows.h>

#include <cstring>
#include <string>

#include "machine_fixture.h"

namespace {

class Names : public MachineTest {
protected:
    const char* kDrivers = "C:\\WINDOWS\\system32\\drivers";
};

TEST_F(Names, TempNamesAreNumberedInHexAndCreated) {
    char name[MAX_PATH];
    UINT first = GetTempFileNameA(kDrivers, "KVTXYZ", 0, name);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(std::string(name), std::string(kDrivers) + "\\KVT" + "1.tmp");
    EXPECT_EQ(GetFileAttributesA(name), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    HANDLE h = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);

    // A name already taken, in any case, is passed over; the numbers go on
    // across directories and processes of the machine.
    WriteHostFile(Host("C:\\WINDOWS\\system32\\drivers\\") + "/kvt2.tmp", "taken");
    UINT second = GetTempFileNameA("C:\\WINDOWS\\system32\\drivers\\", "KVT", 0, name);
    EXPECT_EQ(second, 3u);
    EXPECT_STREQ(name, "C:\\WINDOWS\\system32\\drivers\\KVT3.tmp");
    EXPECT_EQ(GetTempFileNameA("C:\\WINDOWS", "", 0, name), 4u);
    EXPECT_STREQ(name, "C:\\WINDOWS\\4.tmp");

    // Upper-case hexadecimal, from the low 16 bits of a given number; then
    // nothing is created.
    EXPECT_EQ(GetTempFileNameA(kDrivers, "KVT", 0x1ABCD, name), 0xABCDu);
    EXPECT_STREQ(name, "C:\\WINDOWS\\system32\\drivers\\KVTABCD.tmp");
    EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Names, TempNamesInAMissingDirectoryFailWithErrorDirectory) {
    char name[MAX_PATH] = "untouched";
    EXPECT_EQ(GetTempFileNameA("C:\\NoSuchDir", "KVT", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_EQ(GetTempFileNameA("C:\\NoSuchDir", "KVT", 5, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    WriteHostFile(Host("C:\\WINDOWS") + "/plain.txt", "x");
    EXPECT_EQ(GetTempFileNameA("C:\\WINDOWS\\plain.txt", "KVT", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_STREQ(name, "untouched");

    std::string tooLong = "C:\\" + std::string(MAX_PATH - 16, 'a');
    EXPECT_EQ(GetTempFileNameA(tooLong.c_str(), "KVT", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
}

TEST_F(Names, TempNameFaultsAreInjectable) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("GetTempFileNameA:2:112", error)) << error;
    char name[MAX_PATH];
    EXPECT_NE(GetTempFileNameA(kDrivers, "KVT", 0, name), 0u);
    EXPECT_EQ(GetTempFileNameA(kDrivers, "KVT", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

TEST_F(Names, ShortPathsUseAliasesForLongNamesOnly) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files\\Talven Tessera", nullptr));
    WriteHostFile(Host("C:\\Program Files\\Talven Tessera") + "/Another long file.text", "x");
    WriteHostFile(Host("C:\\Program Files\\Talven Tessera") + "/Readme.txt", "x");
    char out[MAX_PATH];
    DWORD n = GetShortPathNameA("C:\\Program Files\\Talven Tessera\\Another long file.text", out, sizeof out);
    EXPECT_STREQ(out, "C:\\PROGRA~1\\TALVEN~1\\ANOTHE~1.TEX");
    EXPECT_EQ(n, std::strlen(out));
    // 8.3 names, the drive and separators stay as the caller spelled them.
    GetShortPathNameA("c:/program files/TALVEN~1/readme.TXT", out, sizeof out);
    EXPECT_STREQ(out, "c:/PROGRA~1/TALVEN~1/readme.TXT");
    GetShortPathNameA("C:\\Documents and Settings\\Administrator\\Local Settings\\Temp\\", out, sizeof out);
    EXPECT_STREQ(out, "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\Temp\\");
    GetShortPathNameA("C:\\", out, sizeof out);
    EXPECT_STREQ(out, "C:\\");
}

TEST_F(Names, ShortPathBufferSizesAndErrors) {
    const char* path = "C:\\Documents and Settings";
    char out[MAX_PATH];
    std::memset(out, 'X', sizeof out);
    // Too small: the size needed with its NUL, and the buffer untouched.
    EXPECT_EQ(GetShortPathNameA(path, out, 5), 12u);
    EXPECT_EQ(out[0], 'X');
    EXPECT_EQ(GetShortPathNameA(path, nullptr, 0), 12u);
    EXPECT_EQ(GetShortPathNameA(path, out, 11), 12u);
    EXPECT_EQ(GetShortPathNameA(path, out, 12), 11u);
    EXPECT_STREQ(out, "C:\\DOCUME~1");

    EXPECT_EQ(GetShortPathNameA("C:\\WINDOWS\\missing file.txt", out, sizeof out), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetShortPathNameA("C:\\No Such Folder\\x.txt", out, sizeof out), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetShortPathNameA("Q:\\x.txt", out, sizeof out), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Names, ShortPathsOfTempNamesAreTheNamesThemselves) {
    // The installer takes the short form of its image files for the
    // restart-time stores; a temporary name is already an 8.3 name.
    char temp[MAX_PATH], name[MAX_PATH], out[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    ASSERT_NE(GetTempFileNameA(temp, "KVT", 0, name), 0u);
    ASSERT_NE(GetShortPathNameA(name, out, sizeof out), 0u);
    EXPECT_STREQ(out, name);
}

}  // namespace
