#include "cx.h"
#include "cx_crc.h"
#include "cx_decoder.h"
#include "cx_events.h"
#include "cx_extract_entry.h"
#include "cx_files.h"
#include "cx_os.h"

enum { COPY_BUFFER = 4096, COPY_MINIMUM = 512, PROGRESS_EVERY = 8 };

static long readArchive(void *context, unsigned char *buffer, unsigned long count)
{
    long got = cxFileRead(*(int *)context, buffer, count);
    return got < 0 ? 0 : got;
}

/* A failed or short write loses output, so it stops the entry as a full disk would. */
static int writeOutput(CxEntry *entry, const unsigned char *bytes, unsigned long count)
{
    if (cxFileWrite(entry->outputHandle, bytes, count) == (long)count)
        return 0;
    cxNotify(entry, CX_ERR_DISK_FULL, 0);
    return CX_ERR_DISK_FULL;
}

/* Copies a method 1 entry; the CRC register covers the bytes copied. */
static int storedCopy(CxEntry *entry, uint32_t *crc)
{
    unsigned long size = COPY_BUFFER;
    unsigned char *buffer = (unsigned char *)cxAllocHalving(&size, COPY_MINIMUM);
    if (!buffer) {
        cxNotify(entry, CX_ERR_NO_MEMORY, 0);
        return CX_ERR_NO_MEMORY;
    }
    int result = 0;
    uint32_t reg = CX_CRC_PRESET;
    uint32_t copied = 0;
    unsigned chunks = 0;
    while (entry->action != CX_ACTION_STOP && copied < entry->uncompressedSize) {
        uint32_t left = entry->uncompressedSize - copied;
        unsigned long want = left < size ? left : size;
        long got = cxFileRead(entry->archiveHandle, buffer, want);
        if (got <= 0)
            break;
        reg = cxCrcUpdate(reg, buffer, (unsigned long)got);
        result = writeOutput(entry, buffer, (unsigned long)got);
        if (result != 0)
            break;
        copied += (uint32_t)got;
        if (++chunks % PROGRESS_EVERY == 0)
            cxNotify(entry, CX_EV_PROGRESS, (int32_t)copied);
        if ((unsigned long)got < want)
            break;
    }
    cxOsFree(buffer);
    *crc = ~reg;
    if (result != 0)
        return result;
    if (entry->action == CX_ACTION_STOP)
        return CX_ERR_ABORTED;
    /* Data that ends early would leave a short file behind a CRC that happens to match. */
    if (copied != entry->uncompressedSize) {
        cxNotify(entry, CX_ERR_SHORT_READ, (int32_t)copied);
        return CX_ERR_SHORT_READ;
    }
    return 0;
}

static int decodeEntry(CxEntry *entry, uint32_t *crc)
{
    unsigned char *window = (unsigned char *)cxOsAlloc(CX_WINDOW_SIZE);
    if (!window)
        return CX_ERR_NO_MEMORY;
    int handle = entry->archiveHandle;
    int result = cxDecoderStart(readArchive, &handle, entry->compressedSize);
    uint32_t produced = 0;
    while (result == 0 && produced < entry->uncompressedSize && entry->action != CX_ACTION_STOP) {
        uint32_t left = entry->uncompressedSize - produced;
        unsigned n = left < (uint32_t)CX_WINDOW_SIZE ? left : (uint32_t)CX_WINDOW_SIZE;
        cxNotify(entry, CX_EV_PROGRESS, (int32_t)produced);
        result = cxDecode(window, n);
        if (result != 0) {
            cxNotify(entry, result, (int32_t)produced);
            break;
        }
        result = writeOutput(entry, window, n);
        produced += n;
    }
    cxOsFree(window);
    if (result == 0 && entry->action != CX_ACTION_STOP) {
        /* The output must end where the stream does: a size field that
           disagrees with the stored bytes is a damaged entry, not a file. */
        result = cxDecoderFinish();
        if (result != 0)
            cxNotify(entry, result, (int32_t)produced);
    }
    *crc = cxDecoderCrc();
    if (result != 0)
        return result;
    return entry->action == CX_ACTION_STOP ? CX_ERR_ABORTED : 0;
}

static int driveOfOutput(const char *name)
{
    if (name[0] && name[1] == ':') {
        char letter = name[0];
        if (letter >= 'a' && letter <= 'z')
            return letter - 'a';
        if (letter >= 'A' && letter <= 'Z')
            return letter - 'A';
    }
    return cxOsCurrentDrive();
}

int cxExtractEntry(CxEntry *entry)
{
    if (entry->archiveHandle < 0 || entry->outputHandle < 0)
        return CX_ERR_HANDLE;
    /* Where the next header starts.  A size that points beyond what a file
       position can hold goes to the end of the file, never backwards: a
       backward seek could bring the same header round again. */
    long dataStart = cxFileTell(entry->archiveHandle);
    long long end = (long long)dataStart + entry->compressedSize;
    long dataEnd = end > 0x7FFFFFFFll ? cxFileSize(entry->archiveHandle) : (long)end;
    int result = 0;

    /* Free space that cannot be determined does not stop the extraction. */
    int drive = driveOfOutput(entry->name);
    long freeSpace = cxOsFreeSpace(drive);
    if (freeSpace >= 0 && (uint32_t)freeSpace < entry->uncompressedSize) {
        cxNotify(entry, CX_ERR_NO_SPACE, drive);
        cxFileSeek(entry->archiveHandle, dataEnd, 0);
        return CX_ERR_NO_SPACE;
    }

    uint32_t crc = CX_CRC_PRESET;
    cxCrcBuildTable();

    if (entry->flags & CX_FLAG_NOT_EXTRACTABLE) {
        cxNotify(entry, CX_ERR_NOT_EXTRACTABLE, 0);
        cxFileSeek(entry->archiveHandle, dataEnd, 0);
        return CX_PASSED_OVER;
    }

    switch (entry->method) {
    case CX_METHOD_STORED:
        /* The stored bytes are the file: sizes that differ cannot both be right. */
        if (entry->compressedSize != entry->uncompressedSize) {
            cxNotify(entry, CX_ERR_CORRUPT, 0);
            result = CX_ERR_CORRUPT;
            break;
        }
        cxNotify(entry, CX_EV_STORING, 0);
        result = storedCopy(entry, &crc);
        break;
    case CX_METHOD_COMPRESSED:
        result = decodeEntry(entry, &crc);
        break;
    default:
        /* Nothing is written for it, so it must not pass for an extracted file. */
        cxNotify(entry, CX_EV_UNKNOWN_METHOD, 0);
        cxNotify(entry, CX_ERR_NOT_SUPPORTED, (int32_t)entry->method);
        result = CX_ERR_NOT_SUPPORTED;
        break;
    }
    cxFileSeek(entry->archiveHandle, dataEnd, 0);

    if (result == 0 && crc != entry->crc) {
        cxNotify(entry, CX_ERR_CRC, (int32_t)crc);
        result = CX_ERR_CRC;
    }
    /* "Written" is said only of an entry whose bytes have been checked. */
    if (result == 0)
        cxNotify(entry, CX_EV_WRITTEN, 0);
    return result;
}
