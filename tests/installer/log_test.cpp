// The log file: its name, line layout, banners, and when it stays on disk.
#include <gtest/gtest.h>

#include "installer_state.h"
#include "log.h"
#include "machine_fixture.h"

namespace {

class Log : public InstallerTest {};

TEST_F(Log, DefaultPathIsTheProgramsNameInTheTempDirectory) {
    LogOpen(nullptr);
    EXPECT_STREQ(LogPath, "C:\\DOCUME~1\\ADMINI~1\\LOCALS~1\\TEMP\\HALVINST.LOG") << "one backslash, upper case";
    EXPECT_TRUE(HostFileExists(dir_ + "/c/Documents and Settings/Administrator/Local Settings/Temp/HALVINST.LOG"));
    LogClose(TRUE);

    winsim::SetProgramPath("C:\\Program Files\\Setup.v2\\Talven Setup.exe");
    UseFreshMachine("nt4");
    LogOpen(nullptr);
    EXPECT_STREQ(LogPath, "C:\\TEMP\\TALVEN SETUP.LOG");
    LogClose(FALSE);
}

TEST_F(Log, LinesCarryTagAndLineOfThePosition) {
    LogOpen("C:\\layout.log");
    SetSourcePosition(".\\install\\registry.cpp", 219);
    LogWrite("value %s = %ld", "x", 5);
    SetSourcePosition(".\\install\\log.cpp", 12);
    LogWrite("short");
    SetSourcePosition(".\\install\\upgrade.cpp", 12345);
    LogWrite("long line number");
    SetSourcePosition(".\\Halvinst\\Halvinst.cpp", 7);
    LogWrite("application");
    LogClose(TRUE);
    std::string text = ReadHostFile(Host("C:\\layout.log"));
    EXPECT_NE(text.find("\r\nREGISTRY0219: value x = 5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n     LOG0012: short\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n UPGRADE12345: long line number\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nHALVINST0007: application\r\n"), std::string::npos);
}

TEST_F(Log, BannersFrameEachRun) {
    LogOpen("C:\\banner.log");
    LogClose(TRUE);
    std::string text = ReadHostFile(Host("C:\\banner.log"));
    std::string rule(65, '*');
    ASSERT_EQ(text.compare(0, 9, "     LOG0"), 0) << text;
    EXPECT_NE(text.find(": " + rule + "\r\n"), std::string::npos);
    EXPECT_NE(text.find(": Starting BANNER installer on "), std::string::npos);
    EXPECT_NE(text.find(": Closing installer log on "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 69), rule + "\r\n\r\n") << "an empty line after the closing rule";
    // Date: "Sun Dec 06 08:09:00 2026".
    size_t at = text.find("installer on ") + 13;
    std::string date = text.substr(at, text.find('\r', at) - at);
    EXPECT_EQ(date.size(), 24u) << date;
    EXPECT_EQ(date[3], ' ');
    EXPECT_EQ(date[13], ':');
}

TEST_F(Log, KeptOrDeletedAtClose) {
    LogOpen("C:\\gone.log");
    LogClose(FALSE);
    EXPECT_FALSE(HostFileExists(Host("C:\\gone.log")));

    LogOpen("C:\\kept.log");
    LogClose(TRUE);
    EXPECT_TRUE(HostFileExists(Host("C:\\kept.log")));

    WriteHostFile(dir_ + "/c/before.log", "mine\r\n");
    LogOpen("C:\\BEFORE.LOG");
    LogWrite("appended");
    LogClose(FALSE);
    std::string text = ReadHostFile(dir_ + "/c/before.log");
    EXPECT_EQ(text.compare(0, 6, "mine\r\n"), 0) << "an existing log is appended to";
    EXPECT_NE(text.find("appended"), std::string::npos);
    LogOpen("C:\\before.log");
    LogClose(FALSE);
    EXPECT_TRUE(HostFileExists(dir_ + "/c/before.log")) << "a file that existed before always stays";
}

TEST_F(Log, WritesOutsideAnOpenLogDoNothing) {
    LogWrite("before %s", "open");
    LogClose(TRUE);
    LogOpen("C:\\quiet.log");
    LogClose(TRUE);
    LogWrite("after close");
    std::string text = ReadHostFile(Host("C:\\quiet.log"));
    EXPECT_EQ(text.find("before"), std::string::npos);
    EXPECT_EQ(text.find("after"), std::string::npos);
}

TEST_F(Log, LongMessagesAreCut) {
    LogOpen("C:\\long.log");
    SetSourcePosition(".\\install\\install.cpp", 1);
    LogWrite("%s", std::string(3000, 'm').c_str());
    LogWrite("next");
    LogClose(TRUE);
    std::string text = ReadHostFile(Host("C:\\long.log"));
    size_t start = text.find(" INSTALL0001: m");
    ASSERT_NE(start, std::string::npos);
    size_t next = text.find(" INSTALL0001: next");
    ASSERT_NE(next, std::string::npos);
    EXPECT_EQ(next - start, 1024u) << "the line is cut after 1024 characters and loses its CR LF";
}

TEST_F(Log, ALogThatCannotBeCreatedStaysClosed) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("CreateFileA:1:5", error));
    LogOpen("C:\\denied.log");
    EXPECT_EQ(LogHandle, INVALID_HANDLE_VALUE);
    LogWrite("nothing");
    LogClose(FALSE);
    EXPECT_FALSE(HostFileExists(Host("C:\\denied.log")));
}

}  // namespace
