/*
 * The upgrade engine: the carried file set, extraction, the upgrade decision,
 * replacement, rollback and clean-up.
 */
#ifndef HALVINST_UPGRADE_H
#define HALVINST_UPGRADE_H

#include <windows.h>

struct FileSet;

#endif
