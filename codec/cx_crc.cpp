#include "cx_crc.h"

/* The table is small enough to live in static storage, so building it cannot
   fail; "dropping" it only forces the next cxInit to rebuild it. */
static uint32_t crcTable[256];
static int crcTableReady;

void cxCrcBuildTable(void)
{
    if (crcTableReady)
        return;
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        crcTable[n] = c;
    }
    crcTableReady = 1;
}

void cxCrcDropTable(void)
{
    crcTableReady = 0;
}

int cxCrcTableReady(void)
{
    return crcTableReady;
}

uint32_t cxCrcUpdate(uint32_t crc, const unsigned char *bytes, size_t count)
{
    if (!crcTableReady)
        cxCrcBuildTable();
    for (size_t i = 0; i < count; i++)
        crc = (crc >> 8) ^ crcTable[(crc ^ bytes[i]) & 0xFF];
    return crc;
}

uint32_t cxCrc32(const unsigned char *bytes, size_t count)
{
    return ~cxCrcUpdate(CX_CRC_PRESET, bytes, count);
}
