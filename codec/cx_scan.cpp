#include "cx.h"
#include "cx_events.h"
#include "cx_files.h"
#include "cx_format.h"
#include "cx_os.h"
#include "cx_scan.h"

long cxSearchChunk(CxSignatureSearch *search, const unsigned char *chunk, long count)
{
    int matched = search->matched;
    for (long i = 0; i < count; i++) {
        unsigned char byte = chunk[i];
        if (byte == cxEntrySignature[matched]) {
            if (++matched == 4) {
                search->matched = 0;
                return i;
            }
        } else {
            /* The first signature byte occurs nowhere else in it, so a failed
               partial match can only restart at this very byte. */
            matched = byte == cxEntrySignature[0] ? 1 : 0;
        }
    }
    search->matched = matched;
    return -1;
}

long cxScanHandle(int handle)
{
    if (!cxFileValid(handle))
        return CX_ERR_HANDLE;
    long start = cxFileTell(handle);
    long size = cxFileSize(handle);
    if (start < 0 || size < 0)
        return CX_ERR_HANDLE;
    long rest = size > start ? size - start : 0;
    unsigned long chunkSize = rest > (long)CX_SCAN_CHUNK ? (unsigned long)CX_SCAN_CHUNK : (unsigned long)rest;
    if (chunkSize < CX_SCAN_MINIMUM)
        chunkSize = CX_SCAN_MINIMUM;     /* a short rest still gets a usable buffer */
    unsigned char *chunk = (unsigned char *)cxAllocHalving(&chunkSize, CX_SCAN_MINIMUM);
    if (!chunk)
        return CX_ERR_NO_MEMORY;

    long result = CX_ERR_NOT_FOUND;
    long chunkStart = start;
    unsigned long total = 0;
    CxSignatureSearch search = { 0 };
    for (;;) {
        long got = cxFileRead(handle, chunk, chunkSize);
        if (got <= 0)
            break;
        long last = cxSearchChunk(&search, chunk, got);
        if (last >= 0) {
            result = chunkStart + last - 3;
            break;
        }
        chunkStart += got;
        total += (unsigned long)got;
        if (total > CX_SCAN_LIMIT)
            break;
        if (cxNotifyBlank(CX_EV_SCAN_PROGRESS, 0) == CX_ACTION_STOP) {
            result = CX_ERR_ABORTED;
            break;
        }
    }
    cxOsFree(chunk);
    cxFileSeek(handle, start, CX_OS_SEEK_SET);
    return result;
}

long cxScanFile(const char *name)
{
    int handle = cxOpenFile(name, CX_MODE_READ);
    if (handle < 0)
        return CX_ERR_SCAN_OPEN;
    long result = cxScanHandle(handle);
    cxCloseFile(handle);
    return result;
}
