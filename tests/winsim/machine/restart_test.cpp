// Restart-time file operations: how MoveFileExA queues them on the NT
// family, and what a restart of the machine does with them on both
// families.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "machine_fixture.h"
#include "winsim/machine_tools.h"

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kValue[] = "PendingFileRenameOperations";

// The bytes of a literal, its embedded NULs included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

class Restart : public MachineTest {
protected:
    // The value's type and bytes; type REG_NONE when there is no value.
    std::string Pending(DWORD& type) {
        HKEY key;
        type = REG_NONE;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
        BYTE data[4096];
        DWORD size = sizeof data;
        LONG result = RegQueryValueExA(key, kValue, nullptr, &type, data, &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            type = REG_NONE;
            return "";
        }
        return std::string(reinterpret_cast<char*>(data), size);
    }
    void SetPending(const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, kValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void Write(const std::string& windowsPath, const std::string& bytes) { WriteHostFile(Host(windowsPath), bytes); }
    std::string Read(const std::string& windowsPath) { return ReadHostFile(Host(windowsPath)); }
    bool Exists(const std::string& windowsPath) { return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::vector<std::string> Reboot() {
        std::vector<std::string> report;
        std::string error;
        EXPECT_TRUE(winsim::Reboot(report, error)) << error;
        return report;
    }
};

// The three operations of WINDOWS-FACTS, in the layout seen under wine64.
TEST_F(Restart, DelayedMovesAppendPairsInWindowsLayout) {
    ASSERT_TRUE(CreateDirectoryA("c:\\probe", nullptr));
    ASSERT_TRUE(MoveFileExA("c:\\probe\\a.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("c:\\probe\\KVT1.TMP", "c:\\probe\\halvik.sys",
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("c:\\probe\\KVT2.TMP", "c:\\probe\\x.sys", MOVEFILE_DELAY_UNTIL_REBOOT));
    DWORD type;
    std::string bytes = Pending(type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    const char expected[] =
        "\\??\\c:\\probe\\a.txt\0"
        "\0"
        "\\??\\c:\\probe\\KVT1.TMP\0"
        "!\\??\\c:\\probe\\halvik.sys\0"
        "\\??\\c:\\probe\\KVT2.TMP\0"
        "\\??\\c:\\probe\\x.sys\0"
        "\0";
    EXPECT_EQ(bytes, Bytes(expected));
}

TEST_F(Restart, EachKindOfDelayedMoveAloneIsOnePairAndTheClosingNul) {
    struct {
        const char* from;
        const char* to;
        DWORD flags;
        std::string bytes;
    } cases[] = {
        {"C:\\a.txt", nullptr, 4, Bytes("\\??\\C:\\a.txt\0\0\0")},
        {"C:\\K.TMP", "C:\\h.sys", 5, Bytes("\\??\\C:\\K.TMP\0!\\??\\C:\\h.sys\0\0")},
        {"C:/K.TMP", "C:/x.sys", 4, Bytes("\\??\\C:\\K.TMP\0\\??\\C:\\x.sys\0\0")},
    };
    for (const auto& c : cases) {
        UseFreshMachine("win2000");
        ASSERT_TRUE(MoveFileExA(c.from, c.to, c.flags)) << c.from;
        DWORD type;
        EXPECT_EQ(Pending(type), c.bytes) << c.from;
    }
}

TEST_F(Restart, DelayedMovesAreRefusedWhereWindowsRefusesThem) {
    EXPECT_FALSE(MoveFileExA("C:\\a.txt", "C:\\b.txt", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(MoveFileExA("C:\\a.txt", nullptr, 0));  // a move to nowhere deletes, here nothing
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    winsim::CreateOptions user;
    user.plainUser = true;
    UseFreshMachine("winxp", user);
    EXPECT_FALSE(MoveFileExA("C:\\a.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // The Windows 95 family has no MoveFileExA at all; MoveFileA works.
    UseFreshMachine("win98");
    Write("C:\\WINDOWS\\a.txt", "a");
    EXPECT_FALSE(MoveFileExA("C:\\WINDOWS\\a.txt", "C:\\WINDOWS\\b.txt", MOVEFILE_DELAY_UNTIL_REBOOT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_FALSE(MoveFileExA("C:\\WINDOWS\\a.txt", "C:\\WINDOWS\\b.txt", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
    EXPECT_TRUE(MoveFileA("C:\\WINDOWS\\a.txt", "C:\\WINDOWS\\b.txt"));
    EXPECT_EQ(Read("C:\\WINDOWS\\b.txt"), "a");
}

TEST_F(Restart, ImmediateMovesStillWork) {
    Write("C:\\WINDOWS\\a.txt", "a");
    Write("C:\\WINDOWS\\b.txt", "b");
    EXPECT_FALSE(MoveFileExA("C:\\WINDOWS\\a.txt", "C:\\WINDOWS\\B.TXT", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileExA("C:\\WINDOWS\\a.txt", "C:\\WINDOWS\\B.TXT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("C:\\WINDOWS\\b.txt"), "a");
    DWORD type;
    Pending(type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
}

TEST_F(Restart, NtRestartCarriesOutThePairsInOrderAndDeletesTheValue) {
    ASSERT_TRUE(CreateDirectoryA("C:\\probe", nullptr));
    Write("C:\\probe\\a.txt", "doomed");
    Write("C:\\probe\\KVT1.TMP", "new driver");
    Write("C:\\probe\\halvik.sys", "old driver");
    Write("C:\\probe\\KVT2.TMP", "fresh");
    Write("C:\\probe\\KVT3.TMP", "blocked");
    Write("C:\\probe\\keep.txt", "kept");
    ASSERT_TRUE(MoveFileExA("C:\\probe\\a.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    ASSERT_TRUE(MoveFileExA("C:\\probe\\KVT1.TMP", "C:\\probe\\halvik.sys", 5));
    ASSERT_TRUE(MoveFileExA("C:\\probe\\KVT2.TMP", "C:\\probe\\x.sys", 4));
    ASSERT_TRUE(MoveFileExA("C:\\probe\\KVT3.TMP", "C:\\probe\\keep.txt", 4));  // no "!": keep.txt stays
    ASSERT_TRUE(MoveFileExA("C:\\probe\\gone.tmp", "C:\\probe\\y.sys", 4));     // nothing to move
    // A later pair sees what an earlier one did: x.sys exists by then.
    ASSERT_TRUE(MoveFileExA("C:\\probe\\x.sys", nullptr, 4));
    std::filesystem::create_directories(dir_ + "/.winsim/restart");  // where ExitWindowsEx records a request
    WriteHostFile(dir_ + "/.winsim/restart/requested", "");

    std::vector<std::string> report = Reboot();
    std::vector<std::string> expected = {
        "PendingFileRenameOperations: 6 operations",
        "  deleted C:\\probe\\a.txt",
        "  moved C:\\probe\\KVT1.TMP to C:\\probe\\halvik.sys, replacing it",
        "  moved C:\\probe\\KVT2.TMP to C:\\probe\\x.sys",
        "  cannot move C:\\probe\\KVT3.TMP to C:\\probe\\keep.txt: the destination exists",
        "  cannot move C:\\probe\\gone.tmp to C:\\probe\\y.sys: the source does not exist",
        "  deleted C:\\probe\\x.sys",
        "deleted the value PendingFileRenameOperations",
        "the restart a program asked for has happened",
    };
    EXPECT_EQ(report, expected);
    EXPECT_FALSE(Exists("C:\\probe\\a.txt"));
    EXPECT_EQ(Read("C:\\probe\\halvik.sys"), "new driver");
    EXPECT_FALSE(Exists("C:\\probe\\KVT1.TMP"));
    EXPECT_FALSE(Exists("C:\\probe\\x.sys"));
    EXPECT_EQ(Read("C:\\probe\\keep.txt"), "kept");
    EXPECT_EQ(Read("C:\\probe\\KVT3.TMP"), "blocked");
    EXPECT_FALSE(HostFileExists(dir_ + "/.winsim/restart/requested"));
    DWORD type;
    Pending(type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
    // A second restart finds nothing to do.
    EXPECT_EQ(Reboot(), std::vector<std::string>{"PendingFileRenameOperations: nothing pending"});
}

TEST_F(Restart, AGarbledValueIsCarriedOutAsFarAsItReads) {
    Write("C:\\one.txt", "1");
    Write("C:\\two.txt", "2");
    SetPending(Bytes("\\??\\C:\\one.txt\0\0C:\\two.txt\0\0"));
    std::vector<std::string> report = Reboot();
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[1], "  deleted C:\\one.txt");
    EXPECT_EQ(report[2], "  the rest of the value was not read: a name is not of the form \\??\\PATH: C:\\two.txt");
    EXPECT_TRUE(Exists("C:\\two.txt"));

    SetPending(Bytes("\\??\\C:\\two.txt"));  // no NUL at all
    report = Reboot();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[1], "  the rest of the value was not read: the value ends inside a source name");
    DWORD type;
    Pending(type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE));
}

TEST_F(Restart, NinetyEightRestartRunsTheRenameSectionAndKeepsWininitBak) {
    UseFreshMachine("win98");
    ASSERT_TRUE(CreateDirectoryA("C:\\Program Files", nullptr));
    Write("C:\\Program Files\\Long file name.txt", "old long");
    Write("C:\\WINDOWS\\TEMP\\OLD.TXT", "doomed");
    Write("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\HALVIK.VXD", "old vxd");
    Write("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVT1.TMP", "new vxd");
    Write("C:\\WINDOWS\\TEMP\\KVT2.TMP", "new long");
    const std::string ini =
        "[Other]\r\n"
        "C:\\WINDOWS\\TEMP\\NOT.TXT=C:\\WINDOWS\\TEMP\\OLD.TXT\r\n"
        "[rename]\r\n"
        "NUL=C:\\WINDOWS\\TEMP\\OLD.TXT\r\n"
        "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\HALVIK.VXD=C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVT1.TMP\r\n"
        "this line is garbled\r\n"
        "; a comment\r\n"
        "C:\\PROGRA~1\\LONGFI~1.TXT=C:\\WINDOWS\\TEMP\\KVT2.TMP\r\n"
        "nul=C:\\WINDOWS\\TEMP\\NONE.TXT\r\n";
    Write("C:\\WINDOWS\\wininit.ini", ini);
    std::vector<std::string> report = Reboot();
    std::vector<std::string> expected = {
        "wininit.ini: 4 operations",
        "  skipped line 6 is not DEST=SOURCE: this line is garbled",
        "  deleted C:\\WINDOWS\\TEMP\\OLD.TXT",
        "  moved C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\KVT1.TMP to C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\HALVIK.VXD, replacing it",
        "  moved C:\\WINDOWS\\TEMP\\KVT2.TMP to C:\\PROGRA~1\\LONGFI~1.TXT, replacing it",
        "  nothing to delete at C:\\WINDOWS\\TEMP\\NONE.TXT",
        "renamed C:\\WINDOWS\\wininit.ini to C:\\WINDOWS\\wininit.bak",
    };
    EXPECT_EQ(report, expected);
    EXPECT_EQ(Read("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\HALVIK.VXD"), "new vxd");
    EXPECT_EQ(Read("C:\\Program Files\\Long file name.txt"), "new long");
    EXPECT_FALSE(Exists("C:\\WINDOWS\\TEMP\\OLD.TXT"));
    EXPECT_FALSE(Exists("C:\\WINDOWS\\wininit.ini"));
    EXPECT_EQ(Read("C:\\WINDOWS\\wininit.bak"), ini);
    EXPECT_EQ(Reboot(), std::vector<std::string>{"wininit.ini: nothing pending"});
}

TEST_F(Restart, TheToolPrintsWhatTheRestartDid) {
    Write("C:\\gone.txt", "x");
    ASSERT_TRUE(MoveFileExA("C:\\gone.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    std::string command = std::string(WINSIM_TOOL) + " reboot " + dir_;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(output,
              "PendingFileRenameOperations: 1 operation\n"
              "  deleted C:\\gone.txt\n"
              "deleted the value PendingFileRenameOperations\n");
    EXPECT_FALSE(Exists("C:\\gone.txt"));
}

}  // namespace
