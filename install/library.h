/*
 * The install library's start and stop, as the installer makes them: the
 * platform (install.cpp) and then the upgrade engine, stopped in the
 * reverse order. Above both, so that neither calls the other.
 */
#ifndef HALVINST_LIBRARY_H
#define HALVINST_LIBRARY_H

#include <windows.h>

/* Runs once per process (TRUE at once after that). FALSE, recorded, when
 * the platform cannot be served; an engine that fails to start is recorded
 * and stopped again, and the run goes on to its end with TRUE. */
BOOL InstallLibraryInit(const char *target);
void InstallLibraryCleanup(void);

#endif
