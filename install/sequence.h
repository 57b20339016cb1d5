/*
 * The install sequence, which the wizard and the silent run share.
 */
#ifndef HALVINST_SEQUENCE_H
#define HALVINST_SEQUENCE_H

#include <windows.h>

#include "upgrade.h"

BOOL InstallSequence(struct FileSet *set);
BOOL AnyUpgradeWanted(struct FileSet *set);
void InsertLowerFilter(void);
void ClearCachedVolumeInfo(void);

#endif
