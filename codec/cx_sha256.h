/* SHA-256 (FIPS 180-4) of a byte stream, fed in pieces of any size. The
 * installer checks its appended archive against the digest that the packer
 * wrote into the stub; the tools compute the same digest. */
#ifndef CX_SHA256_H
#define CX_SHA256_H

#include <stdint.h>

enum { CX_SHA256_SIZE = 32 };

typedef struct CxSha256 {
    uint32_t state[8];
    uint64_t length;            /* bytes fed so far */
    unsigned char block[64];    /* the unfinished block */
    unsigned filled;            /* bytes of it in use */
} CxSha256;

void cxSha256Begin(CxSha256 *context);
void cxSha256Add(CxSha256 *context, const void *data, unsigned long count);
/* Writes the 32-byte digest; the context is spent afterwards. */
void cxSha256End(CxSha256 *context, unsigned char digest[CX_SHA256_SIZE]);

#endif
