// Starting a program. Each CreateProcessA appends a line to .winsim/processes,
// the command line followed by tab-separated details (application,
// directory, window position and size, show command).
//
// A program named with its folder is looked for in the machine, as Windows
// does: a missing file fails, a file that is no program fails with
// ERROR_BAD_EXE_FORMAT, and a program of the machine (a host program in its
// file, as `winsim run` starts them) runs as a child process on the same
// machine, so that it shares the machine's mutexes, files and registry. A
// bare name such as "notepad" stands for one of Windows' own programs, which
// the machine does not carry: it is recorded and nothing starts.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "kernel32/handles.h"
#include "kernel32/processes.h"
#include "machine/faults.h"
#include "machine/machine_state.h"
#include "machine/program_files.h"
#include "winsim/ui.h"

namespace winsim {
namespace {

struct ProcessObject : KernelObject {
    pid_t pid = 0;  // 0: recorded only, a stand-in that never ends
    bool ended = false;
    int status = 0;
    // Collects the child's status once it has ended.
    bool Ended() {
        if (!ended && pid > 0 && waitpid(pid, &status, WNOHANG) == pid) ended = true;
        return ended;
    }
    bool Close() override {
        Ended();
        return true;
    }
};
struct ThreadObject : KernelObject {};

DWORD nextProcessId = 0x4C0;

std::string ProcessesFile() {
    std::string dir = MachineDirectory() + "/.winsim";
    mkdir(dir.c_str(), 0755);
    return dir + "/processes";
}

std::string Record(LPCSTR application, LPCSTR commandLine, LPCSTR directory, const STARTUPINFOA* startup) {
    std::ostringstream line;
    line << (commandLine ? commandLine : application);
    if (application) line << "\tapplication=" << application;
    if (directory) line << "\tdirectory=" << directory;
    if (startup && (startup->dwFlags & STARTF_USEPOSITION)) line << "\tposition=" << startup->dwX << "," << startup->dwY;
    if (startup && (startup->dwFlags & STARTF_USESIZE)) line << "\tsize=" << startup->dwXSize << "x" << startup->dwYSize;
    if (startup && (startup->dwFlags & STARTF_USESHOWWINDOW)) line << "\tshow=" << startup->wShowWindow;
    return line.str();
}

// A command line's words: blanks separate them, double quotes group them.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// The program's file in the machine, with ".exe" added to a name without an
// extension; 0 or the error Windows gives when there is none. A command
// line's first word is searched for, and a search that finds nothing is
// ERROR_FILE_NOT_FOUND whatever part of the path is missing.
DWORD FindProgram(const std::string& name, bool searched, ResolvedPath& found) {
    found = ResolvePath(name.c_str());
    size_t slash = name.find_last_of("\\/");
    bool hasExtension = name.find('.', slash == std::string::npos ? 0 : slash) != std::string::npos;
    if (!found.exists && !hasExtension) found = ResolvePath((name + ".exe").c_str());
    if (found.exists) return IsProgram(found.host) ? 0 : ERROR_BAD_EXE_FORMAT;
    bool pathMissing = found.driveMissing || found.parentMissing;
    return pathMissing && !searched ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
}

// Starts the program in a child process on this machine; 0 or the error.
// The child gets its own place and current directory; the faults injected
// and the exit file belong to the program under test, not to its children.
DWORD Start(const ResolvedPath& program, const std::string& windowsPath, const std::vector<std::string>& arguments,
            LPCSTR directory, pid_t& pid) {
    if (!MakeStartable(program.host)) return ERROR_ACCESS_DENIED;
    std::string current = directory ? FullWindowsPath(directory) : CurrentDirectory();
    if (current.empty()) current = windowsPath.substr(0, 3);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return ERROR_NOT_ENOUGH_MEMORY;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.host.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        close(report[0]);
        setenv("WINSIM_MACHINE", MachineDirectory().c_str(), 1);
        setenv("WINSIM_PROGRAM", windowsPath.c_str(), 1);
        setenv("WINSIM_CURRENT_DIRECTORY", current.c_str(), 1);
        unsetenv("WINSIM_EXIT_FILE");
        unsetenv("WINSIM_FAIL");
        unsetenv("WINSIM_CALLS");
        execv(argv[0], argv.data());
        int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    int error = 0;
    bool failed = pid < 0 || read(report[0], &error, sizeof error) == static_cast<ssize_t>(sizeof error);
    close(report[0]);
    if (!failed) return 0;
    if (pid > 0) waitpid(pid, nullptr, 0);
    return error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ERROR_ACCESS_DENIED;
}

}  // namespace

std::vector<std::string> StartedProcesses() {
    std::vector<std::string> lines;
    std::ifstream in(ProcessesFile());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool WaitForProcess(HANDLE handle, DWORD milliseconds, DWORD& result) {
    ProcessObject* process = FindHandleOf<ProcessObject>(handle);
    if (!process) return false;
    // A stand-in never ends; waiting for it without end would hang the machine.
    DWORD waited = 0;
    while (!process->Ended() && process->pid > 0 && (milliseconds == INFINITE || waited < milliseconds)) {
        usleep(10000);
        waited += 10;
    }
    result = process->ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    return true;
}

}  // namespace winsim

extern "C" BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR directory,
                                      LPSTARTUPINFOA startup, LPPROCESS_INFORMATION information) {
    if (winsim::FailsHere("CreateProcessA", true)) return FALSE;
    if ((!application && !commandLine) || !startup || !information) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> words = winsim::Words(commandLine ? commandLine : "");
    std::string name = application ? application : words.empty() ? "" : words.front();
    if (!application && !words.empty()) words.erase(words.begin());
    bool named = name.find_first_of("\\/:") != std::string::npos;
    winsim::ResolvedPath program;
    if (named) {
        if (DWORD error = winsim::FindProgram(name, !application, program)) {
            SetLastError(error);
            return FALSE;
        }
    }
    std::ofstream out(winsim::ProcessesFile(), std::ios::app);
    out << winsim::Record(application, commandLine, directory, startup) << '\n';
    out.close();
    if (!out) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    auto process = std::make_unique<winsim::ProcessObject>();
    if (named) {
        if (DWORD error = winsim::Start(program, winsim::WindowsPath(program.host), words, directory, process->pid)) {
            SetLastError(error);
            return FALSE;
        }
    }
    information->hProcess = winsim::AddHandle(std::move(process));
    information->hThread = winsim::AddHandle(std::make_unique<winsim::ThreadObject>());
    information->dwProcessId = winsim::nextProcessId;
    information->dwThreadId = winsim::nextProcessId + 4;
    winsim::nextProcessId += 8;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" BOOL WINAPI GetExitCodeProcess(HANDLE handle, LPDWORD code) {
    winsim::ProcessObject* process = winsim::FindHandleOf<winsim::ProcessObject>(handle);
    if (!process || !code) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A POSIX status keeps the low 8 bits of the code the program ended with;
    // a program ended by a signal crashed, and reports an access violation.
    if (!process->Ended()) *code = STILL_ACTIVE;
    else *code = WIFEXITED(process->status) ? static_cast<DWORD>(WEXITSTATUS(process->status)) : 0xC0000005u;
    return TRUE;
}
