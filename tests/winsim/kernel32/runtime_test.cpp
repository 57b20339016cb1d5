// wsprintf, named mutexes between processes, and faults as exceptions.
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <csetjmp>
#include <cstring>
#include <string>

#include "machine_fixture.h"

namespace {

std::string Format(const char* format, ...) {
    char out[1024];
    va_list args;
    va_start(args, format);
    wvsprintfA(out, format, args);
    va_end(args);
    return out;
}

TEST(Wsprintf, ConvertsAsUser32Does) {
    EXPECT_EQ(Format("%8s%04ld: %s", "LOG", 12, "x"), "     LOG0012: x");
    EXPECT_EQ(Format("%8s%04ld:", "REGISTRY", 12345), "REGISTRY12345:");
    EXPECT_EQ(Format("0x%08lX %lx %#x", 0xC0000005u, 255u, 255u), "0xC0000005 ff 0xff");
    EXPECT_EQ(Format("%d %ld %u %i", -5, -1, 4294967295u, 7), "-5 -1 4294967295 7");
    EXPECT_EQ(Format("%03lX-%lX-%04lX-%08lX", 2085u, 1u, 0x4A6u, 112u), "825-1-04A6-00000070");
    EXPECT_EQ(Format("[%-5s][%5s][%.2s][%c][%%][%s]", "ab", "ab", "abc", 'z', static_cast<const char*>(nullptr)),
              "[ab   ][   ab][ab][z][%][(null)]");
    EXPECT_EQ(Format("%-4d|%04d|%5.3d", 7, -7, 7), "7   |-007|  007");
}

// user32 cuts after 1024 characters and then writes the NUL: 1025 bytes.
TEST(Wsprintf, CutsAfter1024CharactersAndTerminates) {
    std::string big(2000, 'x');
    char out[1100];
    std::memset(out, 'y', sizeof out);
    EXPECT_EQ(wsprintfA(out, "%s%s", big.c_str(), "tail"), 1024);
    EXPECT_EQ(std::string(out), std::string(1024, 'x'));
    EXPECT_EQ(out[1025], 'y') << "nothing written past the NUL";
    std::memset(out, 'y', sizeof out);
    EXPECT_EQ(wsprintfA(out, "%s%d", big.substr(0, 1020).c_str(), 123456), 1024) << "cut inside a number";
    EXPECT_EQ(std::string(out + 1020), "1234");
    EXPECT_EQ(wsprintfA(out, "%s", big.substr(0, 1023).c_str()), 1023);
}

class Mutexes : public MachineTest {};

TEST_F(Mutexes, AnotherProcessWaitsTimesOutAndFindsItAbandoned) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        HANDLE m = CreateMutexA(nullptr, FALSE, "Probe Mutex");
        WaitForSingleObject(m, 0);
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    // Object names are case-sensitive: another spelling is another mutex.
    HANDLE other = CreateMutexA(nullptr, FALSE, "PROBE MUTEX");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(other, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(other));
    CloseHandle(other);
    HANDLE m = CreateMutexA(nullptr, FALSE, "Probe Mutex");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_ABANDONED));
    EXPECT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "owners may wait again";
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_FALSE(ReleaseMutex(m));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    CloseHandle(m);
    close(ready[0]);
    close(ready[1]);
}

sigjmp_buf faultReturn;
DWORD seenCode;

LONG WINAPI Catch(EXCEPTION_POINTERS* info) {
    seenCode = info->ExceptionRecord->ExceptionCode;
    siglongjmp(faultReturn, 1);
}

class Faults : public MachineTest {};

TEST_F(Faults, AnInjectedAccessViolationReachesVectoredHandlers) {
    std::string error;
    ASSERT_TRUE(winsim::SetFaults("GetTempPathA:1:AV", error));
    PVOID handler = AddVectoredExceptionHandler(1, Catch);
    seenCode = 0;
    if (sigsetjmp(faultReturn, 1) == 0) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        ADD_FAILURE() << "the call returned";
    }
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(seenCode, EXCEPTION_ACCESS_VIOLATION);
}

LONG WINAPI PassOn(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// Whether an injected access violation in GetTempPathA reaches Catch.
bool FaultIsCaught() {
    std::string error;
    if (!winsim::SetFaults("GetTempPathA:1:AV", error)) return false;
    seenCode = 0;
    if (sigsetjmp(faultReturn, 1) == 0) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        return false;
    }
    return seenCode == EXCEPTION_ACCESS_VIOLATION;
}

TEST_F(Faults, VectoredHandlersAreFoundFromXpOnAndTheTopLevelFilterEverywhere) {
    typedef PVOID(WINAPI * AddCall)(ULONG, PVECTORED_EXCEPTION_HANDLER);
    for (const char* profile : {"win95", "win98", "nt4", "win2000", "winxp"}) {
        UseFreshMachine(profile);
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        ASSERT_NE(kernel, nullptr) << profile;
        SetLastError(0);
        FARPROC add = GetProcAddress(kernel, "AddVectoredExceptionHandler");
        bool xp = std::string(profile) == "winxp";
        EXPECT_EQ(add != nullptr, xp) << profile;
        if (!xp) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND)) << profile;
        }
        // A vectored handler that passes the fault on leaves it to the filter.
        PVOID passing = xp ? reinterpret_cast<AddCall>(reinterpret_cast<void (*)()>(add))(1, PassOn) : nullptr;
        LPTOP_LEVEL_EXCEPTION_FILTER outer = SetUnhandledExceptionFilter(Catch);
        EXPECT_TRUE(FaultIsCaught()) << profile;
        EXPECT_EQ(SetUnhandledExceptionFilter(outer), Catch);
        if (passing) RemoveVectoredExceptionHandler(passing);
    }
}

TEST_F(Faults, AProgramImportingAnXpCallDoesNotStartOnOlderWindows) {
    UseFreshMachine("win2000");
    pid_t child = fork();
    if (child == 0) {
        AddVectoredExceptionHandler(1, Catch);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0x39) << "STATUS_ENTRYPOINT_NOT_FOUND";
}

}  // namespace

namespace {

TEST_F(Faults, AKillEndsTheProcessBeforeTheCallChangesAnything) {
    std::string path = Host("C:\\killed.txt");
    pid_t child = fork();
    if (child == 0) {
        std::string error;
        winsim::SetFaults("*:2:KILL", error);
        HANDLE file = CreateFileA("C:\\killed.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "x", 1, &written, nullptr);  // the second changing call: never done
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(HostFileExists(path));
    EXPECT_EQ(ReadHostFile(path), "");
    std::string error;
    EXPECT_FALSE(winsim::SetFaults("*:1:KIL", error));
}

}  // namespace
