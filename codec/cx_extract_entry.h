/* Extracting one entry: the method, the free-space and flag checks and the CRC-32 check. */
#ifndef CX_EXTRACT_ENTRY_H
#define CX_EXTRACT_ENTRY_H

#include "cx.h"

/* The archive is positioned at the entry's stored data and the record's output
   handle is open.  Returns 0 when the whole entry was written and its CRC-32
   matched (event 7 has then been sent), CX_PASSED_OVER when nothing was
   written for it, or a negative code; afterwards the archive is positioned
   after the entry's data whatever happened. */
enum { CX_PASSED_OVER = 1 };
int cxExtractEntry(CxEntry *entry);

#endif
