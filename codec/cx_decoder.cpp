#include <string.h>

#include "cx.h"
#include "cx_crc.h"
#include "cx_decoder.h"
#include "cx_os.h"

/*
 * Bit reader.  The stream's next 32 bits (its "bit buffer") are the top half
 * of a 64-bit accumulator whose lower half holds bits read ahead, so that a
 * symbol, its distance and the distance's extra bits are usually served by a
 * single refill.  Bytes past the stored size read as zero.
 *
 * The CRC register covers exactly the stored bytes that a byte-at-a-time
 * reader with a 32-bit buffer would have taken in: the first
 * ceil((consumed bits + 32) / 8) of them.  Bytes read ahead beyond that
 * enter the CRC only once the stream has used them.
 */
enum { INPUT_CHUNK = 4096, INPUT_KEEP = 16 };

static CxDecoderInput input;
static void *inputContext;
static uint32_t storedSize;         /* the entry's compressedSize */
static uint32_t storedLeft;         /* not yet fetched through the input routine */
static unsigned char inBuffer[INPUT_KEEP + INPUT_CHUNK];
static unsigned inPos, inEnd;       /* unread part of inBuffer */
static uint32_t bufferBase;         /* stored-byte index of inBuffer[0] */
static uint32_t zeroBytes;          /* bytes past the stored data loaded as zeros */
static uint32_t crcDone;            /* stored bytes already in the CRC register */
static uint32_t crcRegister;

static uint64_t acc;                /* next bits of the stream, first at bit 63 */
static unsigned accBits;            /* valid bits in acc */

/* Code tables. */
static unsigned char literalLengths[CX_LITERAL_SYMBOLS];
static unsigned char shortLengths[CX_PRETREE_SYMBOLS];
/* Lookup entries hold a symbol or a tree node in their low 10 bits and, for a
   symbol, its code length in the bits above, which saves the decoder a second
   load per symbol.  Tree arrays hold plain symbols and nodes. */
enum { ENTRY_SYMBOL = 0x3FF, ENTRY_LENGTH_SHIFT = 10 };
static uint16_t *literalTable;      /* 4096 entries, allocated on the first start */
static uint16_t shortTable[1 << CX_SHORT_TABLE_BITS];
static uint16_t leftChild[CX_TREE_NODES];
static uint16_t rightChild[CX_TREE_NODES];

/* Decoder position. */
static uint32_t blockLeft;
static unsigned pendingCopy;
static unsigned copySource;
static uint32_t history;            /* bytes produced before this request, counted up to the window size */

static uint32_t storedBytesTaken(void)
{
    /* consumed = loaded - accBits; a 32-bit reader has taken (consumed + 32) bits. */
    uint64_t loaded = (uint64_t)bufferBase + inPos + zeroBytes;
    uint64_t taken = (loaded * 8 - accBits + 32 + 7) / 8;
    uint32_t available = bufferBase + inPos;
    return taken < available ? (uint32_t)taken : available;
}

static void crcUpTo(uint32_t taken)
{
    if (taken > crcDone) {
        crcRegister = cxCrcUpdate(crcRegister, inBuffer + (crcDone - bufferBase), taken - crcDone);
        crcDone = taken;
    }
}

/* Fetches the next chunk of stored bytes; keeps the bytes not yet in the CRC. */
static void refillInput(void)
{
    crcUpTo(storedBytesTaken());
    unsigned keep = bufferBase + inPos - crcDone;
    memmove(inBuffer, inBuffer + (crcDone - bufferBase), keep);
    bufferBase = crcDone;
    inPos = inEnd = keep;
    unsigned long want = storedLeft < (uint32_t)INPUT_CHUNK ? storedLeft : (uint32_t)INPUT_CHUNK;
    long got = input(inputContext, inBuffer + keep, want);
    if (got <= 0 || (unsigned long)got > want) {
        storedLeft = 0;         /* a premature end reads as zeros; the CRC will not match */
        return;
    }
    inEnd += (unsigned)got;
    storedLeft -= (uint32_t)got;
}

static void fillBits(void)
{
    while (accBits <= 56) {
        if (inEnd - inPos >= 8) {
            const unsigned char *p = inBuffer + inPos;
            uint64_t word = (uint64_t)p[0] << 56 | (uint64_t)p[1] << 48 | (uint64_t)p[2] << 40 |
                            (uint64_t)p[3] << 32 | (uint64_t)p[4] << 24 | (uint64_t)p[5] << 16 |
                            (uint64_t)p[6] << 8 | (uint64_t)p[7];
            unsigned whole = (64 - accBits) / 8;
            /* The bits of a partly loaded byte are the stream's true next bits; the
               next fill ORs the same byte into the same place. */
            acc |= word >> accBits;
            inPos += whole;
            accBits += whole * 8;
            return;
        }
        uint64_t byte;
        if (inPos < inEnd) {
            byte = inBuffer[inPos++];
        } else if (storedLeft) {
            refillInput();
            continue;
        } else {
            byte = 0;
            zeroBytes++;
        }
        acc |= byte << (56 - accBits);
        accBits += 8;
    }
}

static inline unsigned peekBits(unsigned n)
{
    return n ? (unsigned)(acc >> (64 - n)) : 0;
}

static inline void dropBits(unsigned n)
{
    acc <<= n;
    accBits -= n;
    if (accBits < 32)
        fillBits();
}

static inline unsigned getBits(unsigned n)
{
    unsigned value = peekBits(n);
    dropBits(n);
    return value;
}

/*
 * Builds a lookup table indexed by the top tableBits bits of the bit buffer;
 * codes longer than that continue in the tree arrays, with node numbers from
 * symbols up to nodeLimit - 1.  Returns 0, or -13 when the lengths describe
 * more codes than the code space holds or the tree would outgrow its arrays.
 */
static int buildTable(unsigned symbols, const unsigned char *lengths, unsigned tableBits, uint16_t *table,
                      unsigned nodeLimit)
{
    uint32_t count[CX_LONGEST_CODE + 1] = { 0 };
    for (unsigned ch = 0; ch < symbols; ch++)
        count[lengths[ch]]++;

    uint32_t start[CX_LONGEST_CODE + 2];
    start[1] = 0;
    for (unsigned len = 1; len <= CX_LONGEST_CODE; len++)
        start[len + 1] = start[len] + (count[len] << (CX_LONGEST_CODE - len));
    if (start[CX_LONGEST_CODE + 1] > (1u << CX_LONGEST_CODE))
        return CX_ERR_CORRUPT;

    uint32_t step[CX_LONGEST_CODE + 1];
    unsigned shift = CX_LONGEST_CODE - tableBits;
    for (unsigned len = 1; len <= tableBits; len++) {
        start[len] >>= shift;
        step[len] = 1u << (tableBits - len);
    }
    for (unsigned len = tableBits + 1; len <= CX_LONGEST_CODE; len++)
        step[len] = 1u << (CX_LONGEST_CODE - len);

    /* Table entries that no code reaches decode as symbol 0; clearing them also
       leaves every slot of the long codes free for their tree nodes. */
    unsigned tableSize = 1u << tableBits;
    unsigned covered = start[tableBits + 1] >> shift;
    uint16_t uncovered = (uint16_t)(lengths[0] << ENTRY_LENGTH_SHIFT);
    for (unsigned i = covered; i < tableSize; i++)
        table[i] = uncovered;

    unsigned nextNode = symbols;
    for (unsigned ch = 0; ch < symbols; ch++) {
        unsigned len = lengths[ch];
        if (len == 0)
            continue;
        uint32_t k = start[len];
        if (len <= tableBits) {
            uint16_t entry = (uint16_t)(ch | len << ENTRY_LENGTH_SHIFT);
            for (uint32_t i = k; i < k + step[len]; i++)
                table[i] = entry;
        } else {
            /* The first step starts in the table, where a free slot holds the
               uncovered entry; the steps below it are in the tree arrays. */
            uint16_t *slot = &table[k >> shift];
            uint16_t empty = uncovered;
            uint32_t code = k;
            for (unsigned i = len - tableBits; i > 0; i--) {
                if (*slot == empty) {
                    if (nextNode >= nodeLimit)
                        return CX_ERR_CORRUPT;
                    leftChild[nextNode] = rightChild[nextNode] = 0;
                    *slot = (uint16_t)nextNode++;
                }
                unsigned node = *slot & ENTRY_SYMBOL;
                slot = (code & (1u << (15 - tableBits))) ? &rightChild[node] : &leftChild[node];
                empty = 0;
                code <<= 1;
            }
            *slot = (uint16_t)ch;
        }
        start[len] = k + step[len];
    }
    return 0;
}

/* A code of one symbol sent as a count of 0: every lookup yields it and takes no bits. */
static int singleSymbol(unsigned symbol, unsigned symbols, unsigned char *lengths, uint16_t *table,
                        unsigned tableSize)
{
    if (symbol >= symbols)
        return CX_ERR_CORRUPT;
    memset(lengths, 0, symbols);
    for (unsigned i = 0; i < tableSize; i++)
        table[i] = (uint16_t)symbol;
    return 0;
}

/* Finds the symbol at the top of bits (the 64-bit reader, stream first at
   bit 63) through a lookup table of tableBits and, for longer codes, the tree.
   Returns the symbol in the low 16 bits and its code length above them. */
static inline unsigned lookUp(uint64_t bits, const uint16_t *table, unsigned tableBits, unsigned symbols,
                              const unsigned char *lengths)
{
    unsigned entry = table[bits >> (64 - tableBits)];
    unsigned c = entry & ENTRY_SYMBOL;
    if (c < symbols)
        return c | (entry >> ENTRY_LENGTH_SHIFT) << 16;
    uint64_t mask = 1ull << (63 - tableBits);
    do {
        c = (bits & mask) ? rightChild[c] : leftChild[c];
        mask >>= 1;
    } while (c >= symbols);
    return c | (unsigned)lengths[c] << 16;
}

static unsigned decodeShort(unsigned symbols)
{
    unsigned found = lookUp(acc, shortTable, CX_SHORT_TABLE_BITS, symbols, shortLengths);
    dropBits(found >> 16);
    return found & 0xFFFF;
}

static int readShortLengths(unsigned symbols, unsigned countBits, unsigned special)
{
    unsigned n = getBits(countBits);
    if (n == 0)
        return singleSymbol(getBits(countBits), symbols, shortLengths, shortTable, 1u << CX_SHORT_TABLE_BITS);
    if (n > symbols)
        return CX_ERR_CORRUPT;
    unsigned i = 0;
    while (i < n) {
        unsigned c = peekBits(3);
        if (c == 7) {
            uint64_t mask = 1ull << (32 + 28);
            while (acc & mask) {
                mask >>= 1;
                if (++c > CX_LONGEST_CODE)
                    return CX_ERR_CORRUPT;
            }
        }
        dropBits(c < 7 ? 3 : c - 3);
        shortLengths[i++] = (unsigned char)c;
        if (i == special) {
            unsigned zeros = getBits(2);
            while (zeros-- > 0 && i < symbols)
                shortLengths[i++] = 0;
        }
    }
    while (i < symbols)
        shortLengths[i++] = 0;
    return buildTable(symbols, shortLengths, CX_SHORT_TABLE_BITS, shortTable, CX_LITERAL_SYMBOLS);
}

static int readLiteralLengths(void)
{
    unsigned n = getBits(9);
    if (n == 0)
        return singleSymbol(getBits(9), CX_LITERAL_SYMBOLS, literalLengths, literalTable,
                            1u << CX_LITERAL_TABLE_BITS);
    if (n > CX_LITERAL_SYMBOLS)
        return CX_ERR_CORRUPT;
    unsigned i = 0;
    while (i < n) {
        unsigned c = decodeShort(CX_PRETREE_SYMBOLS);
        if (c <= 2) {
            unsigned zeros = c == 0 ? 1 : c == 1 ? getBits(4) + 3 : getBits(9) + 20;
            if (i + zeros > CX_LITERAL_SYMBOLS)
                return CX_ERR_CORRUPT;
            while (zeros-- > 0)
                literalLengths[i++] = 0;
        } else {
            literalLengths[i++] = (unsigned char)(c - 2);
        }
    }
    while (i < CX_LITERAL_SYMBOLS)
        literalLengths[i++] = 0;
    return buildTable(CX_LITERAL_SYMBOLS, literalLengths, CX_LITERAL_TABLE_BITS, literalTable, CX_TREE_NODES);
}

static int readBlockHead(void)
{
    blockLeft = getBits(16);
    if (blockLeft == 0)
        return CX_ERR_CORRUPT;      /* a block must hold at least one symbol */
    int result = readShortLengths(CX_PRETREE_SYMBOLS, 5, CX_PRETREE_SPECIAL);
    if (result == 0)
        result = readLiteralLengths();
    if (result == 0)
        result = readShortLengths(CX_DISTANCE_SYMBOLS, 4, 0);
    return result;
}

int cxDecoderStart(CxDecoderInput inputRoutine, void *context, uint32_t size)
{
    if (!literalTable) {
        literalTable = (uint16_t *)cxOsAlloc(sizeof(uint16_t) << CX_LITERAL_TABLE_BITS);
        if (!literalTable)
            return CX_ERR_NO_MEMORY;
    }
    input = inputRoutine;
    inputContext = context;
    storedSize = size;
    storedLeft = size;
    inPos = inEnd = 0;
    bufferBase = zeroBytes = crcDone = 0;
    crcRegister = CX_CRC_PRESET;
    acc = 0;
    accBits = 0;
    fillBits();
    blockLeft = 0;
    pendingCopy = 0;
    copySource = 0;
    history = 0;
    return 0;
}

/* Stream bits the symbols have used so far. */
static uint64_t bitsConsumed(void)
{
    return ((uint64_t)bufferBase + inPos + zeroBytes) * 8 - accBits;
}

int cxDecoderFinish(void)
{
    if (pendingCopy != 0 || blockLeft != 0)
        return CX_ERR_CORRUPT;
    /* Only the padding of the last byte may remain unread. */
    uint64_t bytesUsed = (bitsConsumed() + 7) / 8;
    return bytesUsed == storedSize ? 0 : CX_ERR_CORRUPT;
}

uint32_t cxDecoderCrc(void)
{
    crcUpTo(storedBytesTaken());
    return ~crcRegister;
}

void cxDecoderRelease(void)
{
    cxOsFree(literalTable);
    literalTable = 0;
}

/* Copies up to 16 bytes as two overlapping pieces, both loaded before either
   is stored: exact in length (the window around the copy is history still in
   use) and, like memmove, right when the source lies after the destination. */
static inline void copyShort(unsigned char *to, const unsigned char *from, unsigned count)
{
    if (count >= 8) {
        uint64_t head, tail;
        memcpy(&head, from, 8);
        memcpy(&tail, from + count - 8, 8);
        memcpy(to, &head, 8);
        memcpy(to + count - 8, &tail, 8);
    } else if (count >= 4) {
        uint32_t head, tail;
        memcpy(&head, from, 4);
        memcpy(&tail, from + count - 4, 4);
        memcpy(to, &head, 4);
        memcpy(to + count - 4, &tail, 4);
    } else {
        unsigned char bytes[4];
        for (unsigned i = 0; i < count; i++)
            bytes[i] = from[i];
        for (unsigned i = 0; i < count; i++)
            to[i] = bytes[i];
    }
}

static int decodeRequest(unsigned char *window, unsigned count);

int cxDecode(unsigned char *window, unsigned count)
{
    int result = decodeRequest(window, count);
    if (result != 0)
        return result;
    history = history + count < (uint32_t)CX_WINDOW_SIZE ? history + count : (uint32_t)CX_WINDOW_SIZE;
    /* Bits taken from beyond the stored bytes are zeros no writer sent. */
    if (bitsConsumed() > (uint64_t)storedSize * 8)
        return CX_ERR_CORRUPT;
    return 0;
}

static int decodeRequest(unsigned char *window, unsigned count)
{
    enum { MASK = CX_WINDOW_SIZE - 1 };
    unsigned r = 0;
    while (pendingCopy > 0) {
        pendingCopy--;
        window[r++] = window[copySource];
        copySource = (copySource + 1) & MASK;
        if (r == count)
            return 0;
    }

    /* The bit reader's state lives in locals here: the window is written
       through a byte pointer, which would otherwise force every global
       back to memory after each byte. */
    uint64_t a = acc;
    unsigned n = accBits;
    unsigned pos = inPos;
    uint32_t left = blockLeft;
#define SAVE_STATE() (acc = a, accBits = n, inPos = pos, blockLeft = left)
#define LOAD_STATE() (a = acc, n = accBits, pos = inPos, left = blockLeft)
#define REFILL()                                                                                    \
    do {                                                                                            \
        if (inEnd - pos >= 8) {                                                                     \
            const unsigned char *p = inBuffer + pos;                                                \
            uint64_t word = (uint64_t)p[0] << 56 | (uint64_t)p[1] << 48 | (uint64_t)p[2] << 40 |   \
                            (uint64_t)p[3] << 32 | (uint64_t)p[4] << 24 | (uint64_t)p[5] << 16 |   \
                            (uint64_t)p[6] << 8 | (uint64_t)p[7];                                   \
            unsigned whole = (64 - n) / 8;                                                          \
            a |= word >> n;                                                                         \
            pos += whole;                                                                           \
            n += whole * 8;                                                                         \
        } else {                                                                                    \
            SAVE_STATE();                                                                           \
            fillBits();                                                                             \
            LOAD_STATE();                                                                           \
        }                                                                                           \
    } while (0)

    for (;;) {
        /* A refill leaves at least 57 bits; a symbol takes at most 16, so most
           literals pass without one. */
        if (n < CX_LONGEST_CODE)
            REFILL();
        if (left == 0) {
            SAVE_STATE();
            int result = readBlockHead();
            if (result != 0)
                return result;
            LOAD_STATE();
            continue;
        }
        left--;

        unsigned found = lookUp(a, literalTable, CX_LITERAL_TABLE_BITS, CX_LITERAL_SYMBOLS, literalLengths);
        unsigned c = found & 0xFFFF;
        unsigned len = found >> 16;
        a <<= len;
        n -= len;
        if (c < 256) {
            window[r++] = (unsigned char)c;
            if (r == count)
                break;
            continue;
        }

        /* A distance code and its extra bits take at most 16 + 12 bits. */
        if (n < CX_LONGEST_CODE + 12)
            REFILL();
        unsigned length = c - (256 - CX_MIN_MATCH);
        found = lookUp(a, shortTable, CX_SHORT_TABLE_BITS, CX_DISTANCE_SYMBOLS, shortLengths);
        unsigned j = found & 0xFFFF;
        len = found >> 16;
        a <<= len;
        n -= len;
        unsigned distance = 0;
        if (j > 0) {
            unsigned extra = j - 1;
            distance = (1u << extra) + (extra ? (unsigned)(a >> (64 - extra)) : 0);
            a <<= extra;
            n -= extra;
        }
        /* The window before the entry's first byte holds nothing of this entry. */
        if (distance >= history + r)
            return CX_ERR_CORRUPT;

        unsigned source = (r - distance - 1) & MASK;
        unsigned room = count - r;
        unsigned now = length < room ? length : room;
        if (source + now <= CX_WINDOW_SIZE) {
            unsigned char *to = window + r;
            const unsigned char *from = window + source;
            if (source >= r || source + now <= r) {
                /* The source lies apart from or after the bytes written, where a
                   copy in any grouping gives the byte-by-byte result. */
                if (now <= 16)
                    copyShort(to, from, now);
                else
                    memmove(to, from, now);
            } else if (distance == 0) {
                memset(to, *from, now);     /* a run of the previous byte */
            } else {
                for (unsigned i = 0; i < now; i++)
                    to[i] = from[i];
            }
            r += now;
            source = (source + now) & MASK;
        } else {
            for (unsigned i = 0; i < now; i++) {
                window[r++] = window[source];
                source = (source + 1) & MASK;
            }
        }
        if (now < length) {
            pendingCopy = length - now;
            copySource = source;
        }
        if (r == count)
            break;
    }
    /* Leave 32 bits ready, as a 32-bit bit buffer always is: the CRC's count of bytes taken relies on it. */
    if (n < 32) {
        SAVE_STATE();
        fillBits();
        LOAD_STATE();
    }
    SAVE_STATE();
#undef SAVE_STATE
#undef LOAD_STATE
#undef REFILL
    return 0;
}
