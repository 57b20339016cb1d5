// A process's open files and mutexes are released when it ends, however it
// ends: here the process group of a winsim command is killed for real, and
// the killed process is left unreaped (a zombie still has its process id).
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "machine_fixture.h"

namespace {

// A command started in a process group of its own, its output on a pipe.
struct Group {
    pid_t leader = -1;
    int output = -1;
};

Group Start(const std::vector<std::string>& argv, const std::string& env = "") {
    int fds[2];
    Group g;
    if (pipe(fds) != 0) return g;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    g.leader = fork();
    if (g.leader == 0) {
        setpgid(0, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        if (!env.empty()) putenv(const_cast<char*>(env.c_str()));
        execv(args[0], args.data());
        _exit(127);
    }
    setpgid(g.leader, g.leader);
    close(fds[1]);
    g.output = fds[0];
    return g;
}

// Reads the group's output until `text` appears; false at its end.
bool WaitForText(const Group& g, const std::string& text, std::string& seen) {
    char buffer[512];
    while (seen.find(text) == std::string::npos) {
        ssize_t n = read(g.output, buffer, sizeof buffer);
        if (n <= 0) return false;
        seen.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

// Kills the whole group and waits until the leader has ended, without
// reaping it: it stays a zombie with its process id.
void KillGroupLeavingZombie(Group& g) {
    kill(-g.leader, SIGKILL);
    siginfo_t info{};
    waitid(P_PID, static_cast<id_t>(g.leader), &info, WEXITED | WNOWAIT);
    close(g.output);
}

void ReapAll() {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

class ProcessEnd : public MachineTest {
protected:
    void TearDown() override {
        for (const Group& g : groups_) kill(-g.leader, SIGKILL);  // a test that stopped early
        ReapAll();
        MachineTest::TearDown();
    }
    // Polls until the file is held open by someone else (an open for deleting fails with 32),
    // for up to 30 s: the holder is a process of its own, slow to start on a loaded machine.
    bool HeldOpen(const std::string& path) {
        const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        for (int i = 0; i < 3000; ++i) {
            HANDLE h = CreateFileA(path.c_str(), 0x00010000L /* DELETE */, all, nullptr, OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) return true;
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            usleep(10000);
        }
        return false;
    }
    Group Started(const std::vector<std::string>& argv, const std::string& env = "") {
        groups_.push_back(Start(argv, env));
        return groups_.back();
    }
    std::vector<Group> groups_;
};

TEST_F(ProcessEnd, AKilledHoldersFilesAndMutexesAreFreeBeforeItIsReaped) {
    const std::string path = "C:\\held.txt";
    WriteHostFile(Host(path), "data");
    Group files = Started({WINSIM_TOOL, "hold", dir_, "--file", path, "--", "/bin/sleep", "600"});
    ASSERT_TRUE(HeldOpen(path));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    Group mutex = Started({WINSIM_TOOL, "hold", dir_, "Held mutex", "--", "/bin/sh", "-c", "echo owned; sleep 600"});
    std::string seen;
    ASSERT_TRUE(WaitForText(mutex, "owned", seen)) << seen;
    HANDLE m = CreateMutexA(nullptr, FALSE, "Held mutex");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    KillGroupLeavingZombie(files);
    KillGroupLeavingZombie(mutex);
    ASSERT_EQ(kill(files.leader, 0), 0) << "the holder is a zombie, its id still taken";
    EXPECT_TRUE(DeleteFileA(path.c_str())) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_ABANDONED));
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);
}

// The installer killed with its process group in the middle of its run
// (its journal open) and its zombie left unreaped: the next run takes the
// killed one back and installs.
TEST_F(ProcessEnd, TheRunAfterAKilledProcessGroupSucceeds) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);  // the killed program becomes our zombie
    std::filesystem::copy_file(HALVINST_EXE, dir_ + "/d/HALVINST.EXE");
    Group run = Started({WINSIM_TOOL, "run", dir_, "--", "D:\\HALVINST.EXE", "SILENT"}, "WINSIM_FAIL=*:60:HANG");
    std::string seen;
    ASSERT_TRUE(WaitForText(run, "winsim: hanging at", seen)) << seen;
    ASSERT_TRUE(std::filesystem::exists(Host("C:\\WINDOWS\\halvik.jnl"))) << "the journal is open";
    // winsim run stopped first, so that it cannot reap its program as the group dies.
    kill(run.leader, SIGSTOP);
    int stopped = 0;
    ASSERT_EQ(waitpid(run.leader, &stopped, WUNTRACED), run.leader);
    KillGroupLeavingZombie(run);
    waitpid(run.leader, nullptr, 0);
    siginfo_t program{};
    ASSERT_EQ(waitid(P_ALL, 0, &program, WEXITED | WNOWAIT), 0);  // the program, a zombie now
    ASSERT_EQ(kill(program.si_pid, 0), 0);

    std::string out = RunShell(std::string(WINSIM_TOOL) + " run '" + dir_ + "' -- 'D:\\HALVINST.EXE' SILENT");
    unsigned code = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "exit code 0x%x", &code), 1) << out;
    EXPECT_EQ(code >> 20, 2u) << out;
    EXPECT_FALSE(std::filesystem::exists(Host("C:\\WINDOWS\\halvik.jnl")));
}

}  // namespace
