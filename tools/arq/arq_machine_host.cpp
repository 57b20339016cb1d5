#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

#include "arq_machine.h"
#include "winsim/machine.h"

namespace {
std::string privateMachine;
}

void arqAttachMachine()
{
    const char *given = std::getenv("WINSIM_MACHINE");
    if (given && *given)
        return;     // paths with a drive letter then go to that machine
    std::string base = std::filesystem::temp_directory_path().string() + "/arq-machine-XXXXXX";
    if (!mkdtemp(base.data()))
        return;
    std::string error;
    if (!winsim::CreateMachine(base, "winxp", {}, error) || !winsim::UseMachine(base, error)) {
        std::fprintf(stderr, "arq: cannot set up a simulated machine: %s\n", error.c_str());
        std::filesystem::remove_all(base);
        return;
    }
    privateMachine = base;
}

void arqMarkExecutable(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return;
    mode_t readable = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    if (chmod(path, st.st_mode | readable >> 2) != 0)
        std::fprintf(stderr, "arq: %s: cannot set the execute permission\n", path);
}

void arqReleaseMachine()
{
    if (!privateMachine.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(privateMachine, ignored);
    }
}
