/* Finding the first entry of an archive that may sit behind an executable image. */
#ifndef CX_SCAN_H
#define CX_SCAN_H

enum { CX_SCAN_CHUNK = 6144, CX_SCAN_MINIMUM = 512, CX_SCAN_LIMIT = 400000 };

/* Incremental search for the entry signature over consecutive chunks. */
typedef struct CxSignatureSearch {
    int matched;           /* signature bytes matched at the end of the previous chunk */
} CxSignatureSearch;

/* Index in the chunk of the byte that completes the signature, or -1. */
long cxSearchChunk(CxSignatureSearch *search, const unsigned char *chunk, long count);

/* Scans the open file from its current position; returns the file offset of the
   first signature byte, -5 when none lies within the limit, -3, -8 or -30.
   The position is left where it was. */
long cxScanHandle(int handle);

/* The same over a named file from its start; -4 when it cannot be opened. */
long cxScanFile(const char *name);

#endif
