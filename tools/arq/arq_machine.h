// Where arq's Win32 calls land.  On Windows nothing is needed; on the host the
// calls go to winsim, which keeps its bookkeeping (share modes) in a simulated
// machine, so arq attaches a private throwaway machine when none is given.
#pragma once

void arqAttachMachine();
void arqReleaseMachine();

// Lets whoever may read the file at path also run it (an installer written
// by `arq sfx` on the host); nothing to do on Windows.
void arqMarkExecutable(const char *path);
