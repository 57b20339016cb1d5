// CreateProcessA records the program it was asked to start and starts nothing.
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
    ASSERT_TRUE(CreateProcessA("C:\\WINDOWS\\notepad.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                               &plain, &process));
    EXPECT_EQ(winsim::StartedProcesses(),
              (std::vector<std::string>{"notepad D:\\halvinst.txt\tposition=0,0",
                                        "C:\\WINDOWS\\notepad.exe\tapplication=C:\\WINDOWS\\notepad.exe\tdirectory=C:\\"
                                        "\tsize=640x480\tshow=5"}));
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

}  // namespace
