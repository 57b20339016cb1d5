/* Reading entry headers from an open codec file. */
#ifndef CX_HEADER_H
#define CX_HEADER_H

#include "cx.h"

/* Reads the header at the archive handle's position into the record; on
   success the position is the first byte of the entry's stored data.
   0, or -5, -6, -8, -9, -10. */
int cxReadHeader(CxEntry *entry);

/* Seeks forward over the entry's stored data; 0 or -1. */
int cxSkipData(const CxEntry *entry);

#endif
