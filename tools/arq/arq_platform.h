// What differs between arq on Windows and arq on the host beyond the codec's
// file layer (Win32 on Windows, cx_os_posix.cpp on the host).
#pragma once

// Lets whoever may read the file at path also run it (an installer written
// by `arq sfx` on the host); nothing to do on Windows.
void arqMarkExecutable(const char *path);
