// Where arq's Win32 calls land.  On Windows nothing is needed; on the host the
// calls go to winsim, which keeps its bookkeeping (share modes) in a simulated
// machine, so arq attaches a private throwaway machine when none is given.
#pragma once

void arqAttachMachine();
void arqReleaseMachine();
