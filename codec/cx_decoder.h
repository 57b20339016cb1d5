/*
 * Method 2 decoder: LZ77 over an 8192-byte window, literals and lengths in
 * one canonical Huffman code of 510 symbols, distances in one of 14 symbols,
 * both sent (through a 19-symbol pretree) at the head of each block.
 *
 * One entry is decoded at a time; the state is process-wide.  The decoder
 * reads the entry's stored bytes through an input routine, so that it runs
 * over an archive file as well as over memory.
 */
#ifndef CX_DECODER_H
#define CX_DECODER_H

#include <stdint.h>

enum {
    CX_WINDOW_SIZE = 8192,
    CX_LITERAL_SYMBOLS = 510,   /* 0-255 bytes, 256-509 match lengths 3-256 */
    CX_PRETREE_SYMBOLS = 19,
    CX_DISTANCE_SYMBOLS = 14,
    CX_LONGEST_CODE = 16,
    CX_MIN_MATCH = 3,
    CX_MAX_MATCH = 256,
    CX_LITERAL_TABLE_BITS = 12,
    CX_SHORT_TABLE_BITS = 8,
    CX_TREE_NODES = 2 * CX_LITERAL_SYMBOLS - 1,
    CX_PRETREE_SPECIAL = 3      /* after this many pretree lengths a 2-bit run of zeros follows */
};

/* Reads up to count of the entry's stored bytes; returns how many (0 at a premature end). */
typedef long (*CxDecoderInput)(void *context, unsigned char *buffer, unsigned long count);

/* Prepares the decoding of one entry of storedSize bytes: resets the bit
   reader and fills it.  0, or -3 when the literal table cannot be allocated. */
int cxDecoderStart(CxDecoderInput input, void *context, uint32_t storedSize);

/* Produces exactly count bytes (1 to 8192) at window[0..count-1]; the window
   is the caller's 8192-byte buffer, the same on every call.  0, or -13 when
   the stream is corrupt (the entry must then be given up): among others a
   match reaching back before the entry's first byte, or a stream that needs
   bits beyond its stored bytes. */
int cxDecode(unsigned char *window, unsigned count);

/* After the last request: 0 when the stream ended there, with no match or
   block symbols left over and every stored byte used (only the last byte's
   padding unread); -13 otherwise. */
int cxDecoderFinish(void);

/* The complemented CRC-32 of the stored bytes the bit reader has taken in. */
uint32_t cxDecoderCrc(void);

/* Frees the literal table (cxDone). */
void cxDecoderRelease(void);

#endif
