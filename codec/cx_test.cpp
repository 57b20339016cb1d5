/* cxTestFile: checks an entry's stored bytes against its CRC-32 without moving on. */
#include "cx.h"
#include "cx_crc.h"
#include "cx_events.h"
#include "cx_files.h"
#include "cx_os.h"

enum { CX_TEST_BUFFER = 8192, CX_TEST_MINIMUM = 512 };

int cxTestFile(CxEntry *entry)
{
    if (!entry)
        return CX_ERR_ARGUMENT;
    if (entry->archiveHandle < 0)
        return CX_ERR_HANDLE;
    if (entry->nameLength == 0)
        return CX_ERR_END;
    if (!cxFileValid(entry->archiveHandle))
        return CX_ERR_HANDLE;

    unsigned long size = CX_TEST_BUFFER;
    unsigned char *buffer = (unsigned char *)cxAllocHalving(&size, CX_TEST_MINIMUM);
    if (!buffer)
        return CX_ERR_NO_MEMORY;

    cxNotify(entry, CX_EV_TEST_PROGRESS, 0);
    long start = cxFileTell(entry->archiveHandle);
    cxCrcBuildTable();

    uint32_t crc = CX_CRC_PRESET;
    uint32_t checked = 0;
    while (checked < entry->compressedSize) {
        uint32_t left = entry->compressedSize - checked;
        unsigned long piece = left < size ? left : size;
        if (cxFileRead(entry->archiveHandle, buffer, piece) != (long)piece) {
            cxOsFree(buffer);
            return CX_ERR_SHORT_READ;
        }
        crc = cxCrcUpdate(crc, buffer, piece);
        checked += (uint32_t)piece;
        cxNotify(entry, CX_EV_TEST_PROGRESS, (int32_t)checked);
    }

    cxFileSeek(entry->archiveHandle, start, 0);
    cxOsFree(buffer);
    crc = ~crc;
    cxNotify(entry, CX_EV_TEST_DONE, (int32_t)crc);
    return crc == entry->crc ? CX_OK : CX_ERR_CRC;
}
