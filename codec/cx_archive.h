/* The open archive: its state, its queue of operations, and what cxProcess shares with the writer. */
#ifndef CX_ARCHIVE_H
#define CX_ARCHIVE_H

#include "cx.h"
#include "cx_format.h"

enum { CX_OP_DONE = 0, CX_OP_ADD = 1, CX_OP_DELETE = 2, CX_OP_EXTRACT = 3 };

typedef struct CxOperation {
    char *pattern;                 /* upper case */
    char *directory;               /* ends in '\' unless empty or ending in ':' */
    int type;
    struct CxOperation *next;
} CxOperation;

typedef struct CxArchiveState {
    int open;
    char *name;                    /* as opened, with ".arq" added where it had no extension */
    int handle;                    /* -1 when not open */
    int tempHandle;
    char *tempName;
    int keepPaths;
    int readOnly;
    int modified;
    long firstEntry;               /* bytes in front of the first entry */
    CxOperation *queue;
    unsigned char lastAttributes[CX_ATTRIBUTE_SIZE];   /* of the last entry written, for the end record */
    /* What a cxProcess in progress holds: a caller that leaves it through a
       fault in a callback never sees it return, and cxDone releases these. */
    CxEntry *processRecord;
    char *processOutput;           /* the temporary output being written */
} CxArchiveState;

extern CxArchiveState cxArchive;

/* Appends an operation to the queue; 0 or -3. */
int cxQueueOperation(const char *pattern, const char *directory, int type);

/* Runs the queued add and delete operations of an archive opened for update,
   writing the kept and new entries to the temporary archive.  Set by the
   writer library, so that an installer that only extracts does not carry the
   compressor.  0 or a negative code. */
typedef int (*CxUpdateRoutine)(CxEntry *record);
extern CxUpdateRoutine cxUpdateRoutine;

/* Writes an entry header (record name converted to the stored form and back)
   to the handle; 0 or -1. */
int cxWriteHeader(int handle, CxEntry *entry);
/* Writes the end record, repeating the last attribute block written. */
int cxWriteEndRecord(int handle);

#endif
