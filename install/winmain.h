/*
 * The install sequence, which the wizard and the silent run share (the
 * winmain module; the installer's WinMain is Halvinst/winmain.cpp).
 */
#ifndef HALVINST_WINMAIN_H
#define HALVINST_WINMAIN_H

#include <windows.h>

#include "upgrade.h"

BOOL InstallSequence(struct FileSet *set);
BOOL AnyUpgradeWanted(struct FileSet *set);
void InsertLowerFilter(void);
void ClearCachedVolumeInfo(void);

#endif
