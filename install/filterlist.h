/*
 * The one reader of a class's filter list (LowerFilters), shared by the
 * installer and the uninstaller, so that both see the same names.
 *
 * The value is meant to be REG_MULTI_SZ: NUL-terminated strings and an
 * empty string to close the list. What others leave there may differ: an
 * empty string inside the list (Windows stops reading at it, so a name
 * behind it is never loaded), a last string without its NUL, a REG_SZ
 * holding one name. The reader takes every non-empty string over the
 * value's whole length as a name.
 */
#ifndef HALVINST_FILTERLIST_H
#define HALVINST_FILTERLIST_H

#include <windows.h>

/* What CompactFilterList found. */
struct FilterListScan {
    DWORD names;   /* non-empty strings read */
    DWORD matches; /* of them, equal to the name looked for (any case) */
    DWORD empties; /* empty strings with a name behind them */
};

/* Rewrites the `length` bytes of `list` in place as its names, each with its
 * NUL, without the empty strings and, with `drop`, without `name`; returns
 * the bytes written (no closing empty string). `list` must hold one byte
 * more than `length`: a last name without its NUL gets one. */
DWORD CompactFilterList(char *list, DWORD length, const char *name, BOOL drop, struct FilterListScan *scan);

#endif
