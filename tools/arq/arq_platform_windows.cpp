#include "arq_platform.h"

void arqMarkExecutable(const char *)
{
}
