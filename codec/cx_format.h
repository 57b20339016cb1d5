/*
 * The archive's byte layout: entry signature, the fixed 8-byte header part,
 * the 33-byte attribute block and the 12-byte archive header record.  Pure
 * conversions between bytes and the entry record; no file access.
 */
#ifndef CX_FORMAT_H
#define CX_FORMAT_H

#include <stdint.h>

#include "cx.h"

enum {
    CX_FIXED_HEADER_SIZE = 8,
    CX_ATTRIBUTE_SIZE = 33,
    CX_ARCHIVE_RECORD_SIZE = 12,
    CX_WRITER_VERSION = 0x31,
    CX_NEEDED_VERSION = 0x12,
    CX_NEWEST_READABLE = 0x31          /* entries needing more are refused */
};

extern const unsigned char *const cxEntrySignature;     /* 67 57 04 01 */
extern const unsigned char *const cxArchiveSignature;   /* 67 57 04 02 */

uint32_t cxGet16(const unsigned char *p);
uint32_t cxGet32(const unsigned char *p);
void cxPut16(unsigned char *p, uint32_t value);
void cxPut32(unsigned char *p, uint32_t value);

/* 1 when the needed version (major nibble, minor nibble) is above 3.1. */
int cxNeedsNewerCodec(uint32_t neededVersion);

void cxParseAttributes(const unsigned char *block, CxEntry *entry);
void cxFormatAttributes(const CxEntry *entry, unsigned char *block);

/* Presents a stored name: '/' becomes '\' and, unless host is 3, a-z become upper case. */
void cxPresentName(char *name, uint32_t host);
/* The stored form of a presented name: '\' becomes '/'. */
void cxStoreName(char *name);

/* The archive header record in front of a payload: signature, total size, 0. */
void cxFormatArchiveRecord(uint32_t totalUncompressed, unsigned char *record);

#endif
