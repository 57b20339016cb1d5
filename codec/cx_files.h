/*
 * The codec's file table: 20 slots, a handle is the slot index.  Reads are
 * buffered per slot, since the header reader and the bit reader take the
 * archive in small pieces.
 */
#ifndef CX_FILES_H
#define CX_FILES_H

#include <stdint.h>

enum { CX_FILE_SLOTS = 20, CX_FILE_BUFFER = 4096 };

int cxFileValid(int handle);
/* Closes every file still open: an operation cut short by a fault leaves them. */
void cxCloseAllFiles(void);
/* Bytes read (fewer at the end of the file), or -1 for a bad handle or a failed read. */
long cxFileRead(int handle, void *buffer, unsigned long count);
/* Bytes written, or -1. */
long cxFileWrite(int handle, const void *buffer, unsigned long count);
/* 0 or -1. */
int cxFileSeek(int handle, long offset, int origin);
/* Position from the start, or -1. */
long cxFileTell(int handle);
/* Size of the file, or -1; the position is kept. */
long cxFileSize(int handle);
/* Sets the last-write (and last-access) time from seconds since 1970; 0 or -1. */
int cxFileSetTime(int handle, uint32_t unixTime);

/* Upper-cases ASCII letters in place (the codec compares names without regard to case). */
void cxUpperCase(char *text);

#endif
