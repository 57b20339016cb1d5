/*
 * Handles and memory blocks that a step holds across calls that may fault.
 * A fault leaves the step's own release undone; ReleaseHeldResources does
 * it, so that the clean-up can delete and restore the files concerned.
 */
#ifndef HALVINST_HELD_H
#define HALVINST_HELD_H

#include <windows.h>

#define HELD_HANDLE 1
#define HELD_VIRTUAL 2 /* VirtualAlloc */
#define HELD_HEAP 3    /* HeapAlloc on the process heap */
void HoldResource(DWORD kind, void *resource);
void DropResource(void *resource);
void ReleaseHeldResources(void);

#endif
