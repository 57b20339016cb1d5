#include <cstdio>

#include <sys/stat.h>

#include "arq_platform.h"

void arqMarkExecutable(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return;
    mode_t readable = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    if (chmod(path, st.st_mode | readable >> 2) != 0)
        std::fprintf(stderr, "arq: %s: cannot set the execute permission\n", path);
}
