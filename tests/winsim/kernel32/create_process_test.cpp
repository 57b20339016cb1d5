// CreateProcessA records the program it was asked to start; one of the
// machine's programs runs, a bare name stands for one of Windows' own.
#include "ui_fixture.h"
#include "winsim/ui.h"

namespace {

class StartProcess : public UiTest {};

TEST_F(StartProcess, NotepadIsRecordedWithItsPlace) {
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    EXPECT_EQ(desktop.right, 1024);
    EXPECT_EQ(desktop.bottom, 768);
    EXPECT_TRUE(IsWindow(GetDesktopWindow()));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USEPOSITION;
    startup.dwX = static_cast<DWORD>(desktop.left);
    startup.dwY = static_cast<DWORD>(desktop.top);
    PROCESS_INFORMATION process{};
    char command[] = "notepad D:\\halvinst.txt";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_NE(process.hProcess, nullptr);
    EXPECT_NE(process.hThread, nullptr);
    EXPECT_NE(process.dwProcessId, 0u);
    EXPECT_TRUE(CloseHandle(process.hThread));
    EXPECT_TRUE(CloseHandle(process.hProcess));
    EXPECT_FALSE(CloseHandle(process.hProcess));

    STARTUPINFOA plain{};
    plain.cb = sizeof plain;
    plain.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE;
    plain.wShowWindow = SW_SHOW;
    plain.dwXSize = 640;
    plain.dwYSize = 480;
    ASSERT_TRUE(CreateProcessA("notepad.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &plain, &process));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "a stand-in never ends";
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(winsim::StartedProcesses(),
              (std::vector<std::string>{"notepad D:\\halvinst.txt\tposition=0,0",
                                        "notepad.exe\tapplication=notepad.exe\tdirectory=C:\\\tsize=640x480\tshow=5"}));
}

TEST_F(StartProcess, NothingToStartOrAFaultFails) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_FALSE(CreateProcessA(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CreateProcessA:1:2", error));
    char command[] = "notepad x.txt";
    EXPECT_FALSE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_TRUE(winsim::StartedProcesses().empty());
}

BOOL Start(LPCSTR application, std::string command, LPCSTR directory, PROCESS_INFORMATION& process) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(application, command.empty() ? nullptr : &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          directory, &startup, &process);
}

TEST_F(StartProcess, AMissingFileOrOneThatIsNoProgramFails) {
    WriteHostFile(Host("C:\\text.exe"), "not a program\r\n");
    const struct {
        LPCSTR application;
        const char* command;
        DWORD error;
    } cases[] = {{nullptr, "C:\\nothere.exe x", ERROR_FILE_NOT_FOUND},
                 {nullptr, "C:\\NODIR\\x.exe", ERROR_FILE_NOT_FOUND},
                 {"C:\\NODIR\\x.exe", "", ERROR_PATH_NOT_FOUND},
                 {nullptr, "C:\\text.exe", ERROR_BAD_EXE_FORMAT},
                 {nullptr, "C:\\text", ERROR_BAD_EXE_FORMAT}};
    for (const auto& c : cases) {
        PROCESS_INFORMATION process{};
        EXPECT_FALSE(Start(c.application, c.command, nullptr, process)) << c.command;
        EXPECT_EQ(GetLastError(), c.error) << c.command;
    }
    EXPECT_TRUE(winsim::StartedProcesses().empty());
}

// The program is a script in the machine: it writes what it was given where
// the test passes, and ends with 7.
TEST_F(StartProcess, AProgramOfTheMachineRunsOnItAndItsEndIsSeen) {
    std::string seen = dir_ + "/seen.txt";
    WriteHostFile(Host("C:\\SHOW.EXE"),
                  "#!/bin/sh\nprintf '%s|%s|%s' \"$WINSIM_PROGRAM\" \"$WINSIM_CURRENT_DIRECTORY\" \"$1\" > \"$2\"\n"
                  "exit 7\n");
    PROCESS_INFORMATION process{};
    SetLastError(0xDEADBEEF);
    ASSERT_TRUE(Start(nullptr, "C:\\SHOW \"two words\" " + seen, "C:\\WINDOWS", process));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "it stays ended";
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(ReadHostFile(seen), "C:\\SHOW.EXE|C:\\WINDOWS|two words");
    EXPECT_EQ(winsim::StartedProcesses().size(), 1u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace
