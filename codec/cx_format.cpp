#include "cx_format.h"

/*
 * The signatures must not stand as such in the executable that carries an
 * archive: the scan would find the codec's own constant before the archive
 * behind the image. So the image holds them inverted, behind a volatile read
 * that the compiler cannot fold back into the plain bytes, and they are put
 * together when the program starts.
 */
static const volatile unsigned char invertedEntry[4] = { 0x98, 0xA8, 0xFB, 0xFE };
static const volatile unsigned char invertedArchive[4] = { 0x98, 0xA8, 0xFB, 0xFD };

static unsigned char entrySignature[4];
static unsigned char archiveSignature[4];

static int AssembleSignatures(void)
{
    int i;
    for (i = 0; i < 4; ++i) {
        entrySignature[i] = (unsigned char)~invertedEntry[i];
        archiveSignature[i] = (unsigned char)~invertedArchive[i];
    }
    return 1;
}

static const int signaturesAssembled = AssembleSignatures();

const unsigned char *const cxEntrySignature = entrySignature;
const unsigned char *const cxArchiveSignature = archiveSignature;

uint32_t cxGet16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

uint32_t cxGet32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void cxPut16(unsigned char *p, uint32_t value)
{
    p[0] = (unsigned char)value;
    p[1] = (unsigned char)(value >> 8);
}

void cxPut32(unsigned char *p, uint32_t value)
{
    cxPut16(p, value);
    cxPut16(p + 2, value >> 16);
}

int cxNeedsNewerCodec(uint32_t neededVersion)
{
    uint32_t major = (neededVersion >> 4) & 0x0F;
    uint32_t minor = neededVersion & 0x0F;
    return major > 3 || (major == 3 && minor > 1);
}

void cxParseAttributes(const unsigned char *block, CxEntry *entry)
{
    entry->mtime = cxGet32(block + 0);
    entry->mode = cxGet16(block + 4);
    entry->uid = cxGet16(block + 6);
    entry->gid = cxGet16(block + 8);
    entry->compressedSize = cxGet32(block + 10);
    entry->uncompressedSize = cxGet32(block + 14);
    entry->crc = cxGet32(block + 18);
    entry->method = block[22];
    entry->host = block[23];
    entry->flags = block[24];
    entry->reserved25 = block[25];
    entry->reserved26 = cxGet32(block + 26);
    entry->reserved30 = block[30];
    entry->extraLength = cxGet16(block + 31);
}

void cxFormatAttributes(const CxEntry *entry, unsigned char *block)
{
    cxPut32(block + 0, entry->mtime);
    cxPut16(block + 4, entry->mode);
    cxPut16(block + 6, entry->uid);
    cxPut16(block + 8, entry->gid);
    cxPut32(block + 10, entry->compressedSize);
    cxPut32(block + 14, entry->uncompressedSize);
    cxPut32(block + 18, entry->crc);
    block[22] = (unsigned char)entry->method;
    block[23] = (unsigned char)entry->host;
    block[24] = (unsigned char)entry->flags;
    block[25] = 0;
    cxPut32(block + 26, 0);
    block[30] = 0;
    cxPut16(block + 31, 0);      /* no extra field is ever written */
}

void cxPresentName(char *name, uint32_t host)
{
    for (; *name; name++) {
        if (*name == '/')
            *name = '\\';
        else if (host != CX_HOST_KEEP_CASE && *name >= 'a' && *name <= 'z')
            *name = (char)(*name - 'a' + 'A');
    }
}

void cxStoreName(char *name)
{
    for (; *name; name++)
        if (*name == '\\')
            *name = '/';
}

void cxFormatArchiveRecord(uint32_t totalUncompressed, unsigned char *record)
{
    for (int i = 0; i < 4; i++)
        record[i] = cxArchiveSignature[i];
    cxPut32(record + 4, totalUncompressed);
    cxPut32(record + 8, 0);
}
