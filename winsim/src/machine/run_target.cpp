// Where `winsim run` finds the program it is to start, and whether it is one.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "machine/machine_state.h"
#include "machine/program_files.h"
#include "winsim/machine_tools.h"

namespace winsim {

bool IsProgram(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    char magic[4] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(magic, sizeof magic);
    if (in.gcount() >= 2 && magic[0] == '#' && magic[1] == '!') return true;
    return in.gcount() == 4 && magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F';
}

bool MakeStartable(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IXUSR) || chmod(path.c_str(), st.st_mode | S_IXUSR) == 0;
}

namespace {

std::string FolderOf(const std::string& windowsPath) {
    size_t slash = windowsPath.find_last_of('\\');
    if (slash == std::string::npos || slash <= 2) return windowsPath.substr(0, 2) + "\\";
    return windowsPath.substr(0, slash);
}

// Windows programs carry an extension; a host program without one gets ".exe".
bool CopyIntoMachine(const std::string& real, RunTarget& target, std::string& error) {
    std::string name = std::filesystem::path(real).filename().string();
    if (name.find('.') == std::string::npos) name += ".exe";
    std::string temp = CurrentProfile().tempPath;
    ResolvedPath folder = ResolvePath(temp.c_str());
    ResolvedPath copy = ResolvePath((temp + name).c_str());
    if (!folder.exists) {
        error = "the machine has no Temp folder " + temp + " to run " + real + " from";
        return false;
    }
    if (copy.exists) {
        error = "cannot copy " + real + " into the machine: " + temp + name + " exists";
        return false;
    }
    std::error_code failed;
    std::filesystem::copy_file(real, copy.host, failed);
    if (failed) {
        error = "cannot copy " + real + " into the machine: " + failed.message();
        return false;
    }
    target.copy = target.hostPath = copy.host;
    target.windowsPath = WindowsPath(copy.host);
    return true;
}

}  // namespace

bool PrepareRun(const std::string& program, RunTarget& target, std::string& error) {
    target = RunTarget{};
    bool windowsPath = program.size() >= 2 && program[1] == ':';
    std::string host = windowsPath ? HostPath(program) : program;
    char real[PATH_MAX];
    if (!realpath(host.c_str(), real)) {
        error = "no program " + program;
        return false;
    }
    if (!IsProgram(real)) {
        error = program + " is not a program (error 193, ERROR_BAD_EXE_FORMAT)";
        return false;
    }
    target.hostPath = real;
    target.windowsPath = windowsPath ? program : WindowsPath(real);
    bool inMachine = target.windowsPath.compare(0, 2, "Z:") != 0;
    if (!inMachine && access(real, X_OK) != 0) {
        error = "cannot start " + program + ": it is not executable on the host";
        return false;
    }
    if (!inMachine && !CopyIntoMachine(real, target, error)) return false;
    if (!MakeStartable(target.hostPath)) {
        error = "cannot start " + program + ": " + std::strerror(errno);
        return false;
    }
    target.currentDirectory = FolderOf(target.windowsPath);
    return true;
}

}  // namespace winsim
