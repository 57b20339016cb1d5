/*
 * The archive codec's programming interface: the cx operations, the entry
 * record passed to every callback, and the codec's result and event codes.
 *
 * Every operation returns 0 or a non-negative value on success and a small
 * negative code on failure; callers test the low 16 bits.  All state is
 * process-wide and one archive is handled at a time.
 */
#ifndef CX_H
#define CX_H

#include <stdint.h>

/* Result codes. */
enum {
    CX_OK = 0,
    CX_ERR_OPEN = -1,          /* stream not opened; cxProcess: an entry failed */
    CX_ERR_NO_MEMORY = -3,
    CX_ERR_SCAN_OPEN = -4,     /* scan by name: the file cannot be opened */
    CX_ERR_NOT_FOUND = -5,     /* no archive open; no signature; empty file */
    CX_ERR_BAD_HEADER = -6,
    CX_ERR_CRC = -7,
    CX_ERR_HANDLE = -8,
    CX_ERR_VERSION = -9,       /* entry needs a newer codec */
    CX_ERR_END = -10,          /* end record reached */
    CX_ERR_ALREADY_OPEN = -11,
    CX_ERR_SHORT_READ = -12,
    CX_ERR_CORRUPT = -13,      /* compressed stream breaks the code's bounds */
    CX_ERR_ARGUMENT = -14,
    CX_ERR_NO_TEMP = -15,
    CX_ERR_SET_TIME = -18,     /* the extracted file's time stamp could not be set */
    CX_ERR_TABLE_FULL = -17,
    CX_ERR_NOT_EXTRACTABLE = -29,
    CX_ERR_ABORTED = -30,
    CX_ERR_DISK_FULL = -31,
    CX_ERR_NOT_SUPPORTED = -32,
    CX_ERR_NO_SPACE = -33
};

/* Event codes passed to the event callback (besides the negative ones above). */
enum {
    CX_EV_ADDING = 1,          /* an entry is about to be added */
    CX_EV_DELETING = 2,        /* an entry is about to be deleted */
    CX_EV_PROGRESS = 3,
    CX_EV_ADD_PROGRESS = 4,
    CX_EV_STORING = 5,
    CX_EV_ADDED = 6,
    CX_EV_WRITTEN = 7,
    CX_EV_UNKNOWN_METHOD = 8,
    CX_EV_TEST_PROGRESS = 9,
    CX_EV_TEST_DONE = 10,
    CX_EV_STOPPED = 30,
    CX_EV_STOPPED_ON_ERROR = 31,
    CX_EV_FLAGGED = 42,
    CX_EV_PREFIX_PROGRESS = 43,
    CX_EV_EXTRACTING = 44,
    CX_EV_PROCESS_BEGIN = 46,
    CX_EV_PROCESS_END = 47,
    CX_EV_OUTPUT_LOCKED = 48,
    CX_EV_RENAME_FAILED = 49,
    CX_EV_SCAN_PROGRESS = 50,
    CX_EV_ARCHIVE_OPENED = 51,
    CX_EV_ARCHIVE_CLOSED = 52,
    CX_EV_ADD_FAILED = 53
};

/* Values of CxEntry.action. */
enum { CX_ACTION_GO_ON = 0, CX_ACTION_STOP = 30, CX_ACTION_STOPPED_ON_ERROR = 31 };

/* cxOpenFile mode bits. */
enum { CX_MODE_READ = 1, CX_MODE_WRITE = 2, CX_MODE_APPEND = 4, CX_MODE_CREATE = 8 };

/* cxOpenArchive flags. */
enum { CX_OPEN_KEEP_PATHS = 1, CX_OPEN_READ_ONLY = 16 };

/* cxSetOption ids. */
enum { CX_OPTION_EVENT_CALLBACK = 100, CX_OPTION_OVERWRITE_QUERY = 101 };

/* Entry header field values. */
enum {
    CX_METHOD_STORED = 1,
    CX_METHOD_COMPRESSED = 2,
    CX_HOST_KEEP_CASE = 3,
    CX_HOST_CODEC = 16,
    CX_FLAG_NOT_EXTRACTABLE = 4,
    CX_NAME_SIZE = 272,
    CX_MAX_OUTPUT_PATH = 268,
    CX_MAX_NAME_LENGTH = 254
};

/* The entry record: filled by the header reader, passed to every callback. */
typedef struct CxEntry {
    int32_t archiveHandle;
    int32_t outputHandle;          /* -1 while no output is open */
    int32_t writerVersion;
    int32_t neededVersion;
    int32_t nameLength;
    uint32_t mtime;                /* seconds since 1970-01-01 00:00 UTC */
    uint32_t mode;
    uint32_t uid;
    uint32_t gid;
    uint32_t compressedSize;
    uint32_t uncompressedSize;
    uint32_t crc;
    uint32_t method;
    uint32_t host;
    uint32_t flags;
    uint32_t reserved25;
    uint32_t extraLength;
    uint32_t reserved26;
    uint8_t reserved30;
    int16_t action;                /* CX_ACTION_... */
    char name[CX_NAME_SIZE];
} CxEntry;

typedef int32_t (*CxCallback)(CxEntry *entry, int32_t code, int32_t lVal);

int cxInit(void);
int cxDone(void);
int cxSetTempPath(const char *directory);
/* The value is a callback pointer; it is pointer-sized so that 64-bit builds work. */
int cxSetOption(int32_t option, intptr_t value);

int cxOpenFile(const char *name, int mode);
int cxCloseFile(int handle);
int cxFindFirst(CxEntry *entry);
int cxFindNext(CxEntry *entry);
int cxTestFile(CxEntry *entry);

int cxOpenArchive(const char *name, unsigned char flags);
int cxExtract(const char *pattern, const char *directory);
int cxProcess(void);
int cxCloseArchive(void);

#endif
