/*
 * The table of handles and blocks held across calls that may fault.
 */
#include "held.h"

#define HELD_LIMIT 16
static struct {
    DWORD kind;
    void *resource;
} Held[HELD_LIMIT];

void HoldResource(DWORD kind, void *resource)
{
    unsigned i;

    for (i = 0; i < HELD_LIMIT; ++i) {
        if (Held[i].kind) continue;
        Held[i].kind = kind;
        Held[i].resource = resource;
        return;
    }
}

void DropResource(void *resource)
{
    unsigned i;

    for (i = 0; i < HELD_LIMIT; ++i) {
        if (Held[i].kind && Held[i].resource == resource) Held[i].kind = 0;
    }
}

void ReleaseHeldResources(void)
{
    unsigned i;

    for (i = 0; i < HELD_LIMIT; ++i) {
        if (Held[i].kind == HELD_HANDLE) CloseHandle((HANDLE)Held[i].resource);
        if (Held[i].kind == HELD_VIRTUAL) VirtualFree(Held[i].resource, 0, MEM_RELEASE);
        if (Held[i].kind == HELD_HEAP) HeapFree(GetProcessHeap(), 0, Held[i].resource);
        Held[i].kind = 0;
    }
}
