#include "arq_machine.h"

void arqAttachMachine()
{
}

void arqReleaseMachine()
{
}

void arqMarkExecutable(const char *)
{
}
