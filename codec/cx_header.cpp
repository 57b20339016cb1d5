#include <string.h>

#include "cx.h"
#include "cx_files.h"
#include "cx_format.h"
#include "cx_header.h"
#include "cx_os.h"
#include "cx_scan.h"

int cxReadHeader(CxEntry *entry)
{
    int handle = entry->archiveHandle;
    if (!cxFileValid(handle))
        return CX_ERR_HANDLE;

    unsigned char fixed[CX_FIXED_HEADER_SIZE];
    long got = cxFileRead(handle, fixed, sizeof fixed);
    if (got < (long)sizeof fixed || memcmp(fixed, cxEntrySignature, 4) != 0) {
        /* Nothing at all at offset 0 means an empty file rather than a damaged one. */
        return cxFileTell(handle) == 0 ? CX_ERR_NOT_FOUND : CX_ERR_BAD_HEADER;
    }
    entry->writerVersion = fixed[4];
    entry->neededVersion = fixed[5];
    if (cxNeedsNewerCodec(fixed[5]))
        return CX_ERR_VERSION;

    uint32_t nameLength = cxGet16(fixed + 6);
    if (nameLength > CX_MAX_NAME_LENGTH) {
        entry->nameLength = 0;
        entry->name[0] = 0;
        return CX_ERR_BAD_HEADER;
    }
    entry->nameLength = (int32_t)nameLength;
    if (cxFileRead(handle, entry->name, nameLength) != (long)nameLength) {
        entry->name[0] = 0;
        return CX_ERR_BAD_HEADER;
    }
    entry->name[nameLength] = 0;

    /* A truncated attribute block is damage, so anything short of the whole
       block fails; the fields are stored all the same. */
    unsigned char block[CX_ATTRIBUTE_SIZE];
    memset(block, 0, sizeof block);
    got = cxFileRead(handle, block, sizeof block);
    cxParseAttributes(block, entry);
    int result = got == (long)sizeof block ? CX_OK : CX_ERR_BAD_HEADER;

    for (uint32_t left = result == CX_OK ? entry->extraLength : 0; left > 0;) {
        unsigned char skip[64];
        unsigned long piece = left < sizeof skip ? left : sizeof skip;
        if (cxFileRead(handle, skip, piece) != (long)piece) {
            result = CX_ERR_BAD_HEADER;
            break;
        }
        left -= (uint32_t)piece;
    }

    cxPresentName(entry->name, entry->host);
    if (nameLength == 0)
        return CX_ERR_END;
    return result;
}

int cxSkipData(const CxEntry *entry)
{
    if (entry->compressedSize > 0x7FFFFFFFu)
        return -1;
    return cxFileSeek(entry->archiveHandle, (long)entry->compressedSize, CX_OS_SEEK_CUR);
}

int cxFindFirst(CxEntry *entry)
{
    if (!entry)
        return CX_ERR_ARGUMENT;
    long found = cxScanHandle(entry->archiveHandle);
    if (found == CX_ERR_ABORTED || found == CX_ERR_HANDLE)
        return (int)found;
    if (cxFileSeek(entry->archiveHandle, found >= 0 ? found : 0, CX_OS_SEEK_SET) != 0)
        return CX_ERR_HANDLE;
    return cxReadHeader(entry);
}

int cxFindNext(CxEntry *entry)
{
    if (!entry)
        return CX_ERR_ARGUMENT;
    if (!cxFileValid(entry->archiveHandle))
        return CX_ERR_HANDLE;
    if (cxSkipData(entry) != 0)
        return CX_ERR_BAD_HEADER;
    return cxReadHeader(entry);
}
