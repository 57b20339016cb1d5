// winsim: create simulated Windows machines and run programs on them.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "winsim/machine.h"
#include "winsim/machine_tools.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  winsim create DIR --profile NAME [--lang LANGID] [--user]\n"
                 "      a fresh machine; --user makes its user a non-administrator; --lang (0x0411\n"
                 "      or ja-JP) makes it a Windows of that language: user language, ANSI and OEM\n"
                 "      code page, installed locales and display character set\n"
                 "  winsim run DIR -- PROGRAM [ARGS]\n"
                 "      runs PROGRAM (a Windows path inside the machine or a host path; a program\n"
                 "      outside the machine is copied into its Temp folder for the run) in the\n"
                 "      program's folder and prints its full exit code; a visual run whose UI input\n"
                 "      ran out is stopped, prints \"run stopped: ...\" and winsim exits with 4\n"
                 "  winsim reg DIR [KEY]\n"
                 "      prints the registry, or the subtree of KEY, as REGEDIT4 text\n"
                 "  winsim hold DIR MUTEX -- COMMAND [ARGS]\n"
                 "      owns the named mutex of the machine while COMMAND runs\n"
                 "  winsim hold DIR MUTEX --abandon\n"
                 "      takes the mutex and ends without releasing it\n"
                 "  winsim hold DIR --file PATH -- COMMAND [ARGS]\n"
                 "      keeps the file PATH of the machine open while COMMAND runs, shared for\n"
                 "      reading and writing but not deleting: a driver in use, which can be\n"
                 "      overwritten but neither deleted nor renamed until the restart\n"
                 "  winsim reboot DIR\n"
                 "      restarts the machine: carries out the file operations queued for the\n"
                 "      restart (PendingFileRenameOperations on the NT family, the [RENAME]\n"
                 "      section of wininit.ini on the Windows 95 family) as Windows does at\n"
                 "      start-up, empties that store and prints what was done\n"
                 "  winsim snapshot DIR FILE\n"
                 "      writes the machine's files (size, time, contents hash, attributes) and\n"
                 "      registry to the snapshot FILE\n"
                 "  winsim diff BEFORE AFTER\n"
                 "      lists what changed from BEFORE to AFTER, each a machine directory (for\n"
                 "      example a copy taken with cp -a before a run) or a snapshot file: files and\n"
                 "      folders added (+), removed (-) or changed (~), then registry keys and\n"
                 "      their values; exit code 0 without changes, 1 with changes\n"
                 "profiles:");
    for (const std::string& name : winsim::ProfileNames()) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
}

bool Attach(const std::string& dir) {
    std::string error;
    if (winsim::UseMachine(dir, error)) {
        setenv("WINSIM_MACHINE", winsim::MachineDir().c_str(), 1);
        return true;
    }
    std::fprintf(stderr, "winsim: %s\n", error.c_str());
    return false;
}

// Runs a host command and returns its wait status; -1 when it could not be
// waited for, -2 when it could not be started (errno set).
int Spawn(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    // The child tells a failed exec through a pipe that a successful one closes.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        execvp(argv[0], argv.data());
        int error = errno;
        if (write(report[1], &error, sizeof error) < 0) _exit(127);
        _exit(127);
    }
    close(report[1]);
    int execError = 0;
    bool notStarted = pid > 0 && read(report[0], &execError, sizeof execError) == sizeof execError;
    close(report[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    if (notStarted) {
        errno = execError;
        return -2;
    }
    return status;
}

int Create(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string dir = argv[2], profile;
    winsim::CreateOptions options;
    for (int i = 3; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--profile" && i + 1 < argc) profile = argv[++i];
        else if (a == "--lang" && i + 1 < argc) {
            options.langId = winsim::LanguageOfName(argv[++i]);
            if (!options.langId) {
                std::fprintf(stderr, "winsim create: unknown language '%s' (a LANGID such as 0x0411, or ja-JP)\n", argv[i]);
                return 2;
            }
        }
        else if (a == "--user") options.plainUser = true;
        else return Usage();
    }
    if (profile.empty()) return Usage();
    std::string error;
    if (!winsim::CreateMachine(dir, profile, options, error)) {
        std::fprintf(stderr, "winsim create: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 5 || std::strcmp(argv[3], "--") != 0) return Usage();
    if (!Attach(argv[2])) return 1;
    if (const char* ui = std::getenv("WINSIM_UI"); ui && *ui && std::strcmp(ui, "terminal") != 0) {
        std::fprintf(stderr, "winsim run: WINSIM_UI='%s' is not a user interface winsim has (terminal, or unset)\n", ui);
        return 2;
    }
    winsim::RunTarget target;
    std::string error;
    if (!winsim::PrepareRun(argv[4], target, error)) {
        std::fprintf(stderr, "winsim run: %s\n", error.c_str());
        return 1;
    }
    if (!target.copy.empty())
        std::fprintf(stderr, "winsim run: %s runs as %s in the machine\n", argv[4], target.windowsPath.c_str());
    setenv("WINSIM_PROGRAM", target.windowsPath.c_str(), 1);
    setenv("WINSIM_CURRENT_DIRECTORY", target.currentDirectory.c_str(), 1);
    char exitFile[] = "/tmp/winsim-exit-XXXXXX";
    int fd = mkstemp(exitFile);
    if (fd < 0) return 1;
    close(fd);
    setenv("WINSIM_EXIT_FILE", exitFile, 1);
    std::vector<std::string> command = {target.hostPath};
    for (int i = 5; i < argc; ++i) command.push_back(argv[i]);
    int status = Spawn(command);
    int startError = errno;
    std::ifstream in(exitFile);
    std::string code;
    std::getline(in, code);
    unlink(exitFile);
    if (!target.copy.empty()) unlink(target.copy.c_str());
    if (status == -2) {
        std::fprintf(stderr, "winsim run: cannot start %s: %s\n", argv[4], std::strerror(startError));
        return 1;
    }
    if (status == -1) return 1;
    if (WIFSIGNALED(status)) {
        std::printf("program ended by signal %d\n", WTERMSIG(status));
        return 1;
    }
    if (code == "stopped") {
        // The window system stopped the program: its UI input ran out.
        std::printf("run stopped: the program waited for UI input that could not come\n");
        return 4;
    }
    if (code.empty()) {
        // Not a WinMain program of ours: all we have is the POSIX status.
        std::printf("exit code 0x%08X\n", static_cast<unsigned>(WEXITSTATUS(status)));
    } else {
        std::printf("exit code %s\n", code.c_str());
    }
    return 0;
}

int Reg(int argc, char** argv) {
    if (argc < 3 || argc > 4) return Usage();
    std::string text, error;
    if (!Attach(argv[2]) ||
        !winsim::ExportRegistry(winsim::MachineDir(), argc == 4 ? argv[3] : "", text, error)) {
        if (!error.empty()) std::fprintf(stderr, "winsim reg: %s\n", error.c_str());
        return 1;
    }
    std::string plain;
    for (char c : text)
        if (c != '\r') plain += c;
    std::fputs(plain.c_str(), stdout);
    return 0;
}

// Keeps a file of the machine open while a command runs, as a driver in use
// is held: a handle without data access, shared for reading and writing, so
// that others can read and overwrite the file but not rename or delete it.
int HoldFile(int argc, char** argv) {
    if (argc < 7 || std::strcmp(argv[5], "--") != 0 || !Attach(argv[2])) return Usage();
    HANDLE file = CreateFileA(argv[4], 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "winsim hold: cannot open %s (error %u)\n", argv[4], GetLastError());
        return 1;
    }
    int status = Spawn(std::vector<std::string>(argv + 6, argv + argc));
    CloseHandle(file);
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int Hold(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[3], "--file") == 0) return HoldFile(argc, argv);
    if (argc < 5 || !Attach(argv[2])) return Usage();
    HANDLE mutex = CreateMutexA(nullptr, FALSE, argv[3]);
    if (!mutex || WaitForSingleObject(mutex, INFINITE) == WAIT_FAILED) {
        std::fprintf(stderr, "winsim hold: cannot take mutex %s (error %u)\n", argv[3], GetLastError());
        return 1;
    }
    if (std::strcmp(argv[4], "--abandon") == 0) _exit(0);
    if (std::strcmp(argv[4], "--") != 0 || argc < 6) return Usage();
    std::vector<std::string> command(argv + 5, argv + argc);
    int status = Spawn(command);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int Reboot(int argc, char** argv) {
    if (argc != 3) return Usage();
    if (!Attach(argv[2])) return 1;
    std::vector<std::string> report;
    std::string error;
    bool ok = winsim::Reboot(report, error);
    for (const std::string& line : report) std::printf("%s\n", line.c_str());
    if (!ok) {
        std::fprintf(stderr, "winsim reboot: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Snapshot(int argc, char** argv) {
    if (argc != 4) return Usage();
    std::string error;
    if (!winsim::SaveSnapshot(argv[2], argv[3], error)) {
        std::fprintf(stderr, "winsim snapshot: %s\n", error.c_str());
        return 2;
    }
    return 0;
}

// Like diff(1): 0 when nothing changed, 1 when something did, 2 on trouble.
int Diff(int argc, char** argv) {
    if (argc != 4) return Usage();
    std::string listing, error;
    if (!winsim::DiffMachines(argv[2], argv[3], listing, error)) {
        std::fprintf(stderr, "winsim diff: %s\n", error.c_str());
        return 2;
    }
    std::fputs(listing.c_str(), stdout);
    return listing == "no changes\n" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string verb = argv[1];
    if (verb == "create") return Create(argc, argv);
    if (verb == "run") return Run(argc, argv);
    if (verb == "reg") return Reg(argc, argv);
    if (verb == "hold") return Hold(argc, argv);
    if (verb == "reboot") return Reboot(argc, argv);
    if (verb == "snapshot") return Snapshot(argc, argv);
    if (verb == "diff") return Diff(argc, argv);
    return Usage();
}
