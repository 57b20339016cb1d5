/* Extracting one entry: the method, the free-space and flag checks and the CRC-32 check. */
#ifndef CX_EXTRACT_ENTRY_H
#define CX_EXTRACT_ENTRY_H

#include "cx.h"

/* The archive is positioned at the entry's stored data and the record's output
   handle is open.  Returns 0 or a negative code; afterwards the archive is
   positioned after the entry's data whatever happened. */
int cxExtractEntry(CxEntry *entry);

#endif
